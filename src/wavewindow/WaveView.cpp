#include "wavewindow/WaveView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/Random.h"
#include "values/ValueWriters.h"

namespace korvane {

double TWaveMapping::SampleToPixel(double sample) const {
    if (ZoomEnd <= ZoomBegin) return Left;
    return Left + (sample - ZoomBegin) * (Right - Left) / (ZoomEnd - ZoomBegin);
}

double TWaveMapping::PixelToSample(double x) const {
    if (Right <= Left) return ZoomBegin;
    return ZoomBegin + (x + 0.5 - Left) * (ZoomEnd - ZoomBegin) / (Right - Left);
}

int TWaveMapping::PixelOf(double sample) const {
    double p = std::floor(SampleToPixel(sample));
    return static_cast<int>(std::clamp(p, -1e9, 1e9));
}

int64_t TWaveMapping::SampleAt(int x) const {
    double s = std::floor(PixelToSample(x));
    return static_cast<int64_t>(std::clamp(s, -4e18, 4e18));
}

double GridStep(double visibleSeconds, int clientWidth) {
    double x = visibleSeconds / (clientWidth / 20.0);
    if (!(x > 0) || !std::isfinite(x)) return 0;
    double p = std::floor(std::log10(x));
    double power = std::pow(10.0, p);
    int a = static_cast<int>(x / power);
    if (a < 3) return power * 2;
    if (a < 6) return power * 5;
    return power * 10;
}

std::vector<TRulerMark> RulerMarks(const TWaveMapping& map, int32_t freq) {
    std::vector<TRulerMark> marks;
    const int width = map.Right - map.Left;
    if (width <= 0 || freq <= 0 || !(map.ZoomEnd > map.ZoomBegin)) return marks;
    const double t0 = map.ZoomBegin / freq, t1 = map.ZoomEnd / freq;
    const double tick = GridStep(t1 - t0, width), label = GridStep(t1 - t0, std::max(1, width / 4));
    if (!(tick > 0) || !(label > 0)) return marks;
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(label) + 1e-9)));
    auto at = [&](double t) { return static_cast<int>(std::lround(map.SampleToPixel(t * freq))); };
    // Labels first, so that a tick on a labelled time is not drawn twice.
    std::vector<int> labelled;
    for (long long k = static_cast<long long>(std::ceil(t0 / label - 1e-9)); k * label <= t1 + 1e-12; ++k) {
        const double t = k * label;
        char text[48];
        std::snprintf(text, sizeof text, "%.*f s", decimals, t);
        marks.push_back({at(t), true, text});
        labelled.push_back(marks.back().X);
    }
    for (long long k = static_cast<long long>(std::ceil(t0 / tick - 1e-9)); k * tick <= t1 + 1e-12; ++k) {
        const int x = at(k * tick);
        if (std::find(labelled.begin(), labelled.end(), x) == labelled.end()) marks.push_back({x, false, {}});
    }
    std::sort(marks.begin(), marks.end(), [](const TRulerMark& a, const TRulerMark& b) { return a.X < b.X; });
    return marks;
}

std::string WaveReadout(double seconds, int y, int clientHeight, bool stereo) {
    double h = clientHeight > 1 ? clientHeight - 1 : 1;
    double value;
    if (!stereo) {
        value = 1 - 2.0 * y / h;
    } else {
        // The lower half shows the right channel: fold it onto the same scale.
        value = 1 - 4.0 * y / h;
        if (value < -1) value += 2;
    }
    return "(" + WriteClockTime(seconds) + ", " + WriteNumber(value * 100, 1, 2, 2) + " %)";
}

void ColumnSamples(const TWaveMapping& m, int x, int32_t values, int64_t& first, int64_t& end) {
    first = end = 0;
    if (m.Right <= m.Left || !(m.ZoomEnd > m.ZoomBegin) || values <= 0) return;
    // Both ends come from the same formula, so columns side by side meet
    // exactly; multiplying before dividing keeps it in step with PixelOf.
    auto edge = [&](int k) {
        double e = std::ceil(m.ZoomBegin + k * (m.ZoomEnd - m.ZoomBegin) / (m.Right - m.Left));
        return static_cast<int64_t>(std::clamp(e, 0.0, static_cast<double>(values)));
    };
    first = edge(x - m.Left);
    end = edge(x - m.Left + 1);
    if (first < end) return;
    double middle = m.PixelToSample(x);
    if (middle >= 0 && middle < values) {
        first = static_cast<int64_t>(middle);
        end = first + 1;
    } else {
        first = end = 0;
    }
}

namespace {

struct Colors {
    TColor pen, fill, left, right;
};

// y of a sample in a band of the client area.
inline int yOf(int16_t sample, int top, int bottom) {
    double h = bottom - top;
    return static_cast<int>(std::floor(sample * (-h / 65536) + (top + bottom) / 2.0));
}

inline TColor blend(TColor old, TColor pen, double strength) {
    auto mix = [&](int o, int p) { return static_cast<int>(o * (1 - strength) + p * strength); };
    return RGBColor(mix(RedOf(old), RedOf(pen)), mix(GreenOf(old), GreenOf(pen)), mix(BlueOf(old), BlueOf(pen)));
}

// The picks of every column of a range: positions in the wave, as the draw
// and distribution settings place them. The number of picks per column is
// bounded by the settings, whatever the zoom.
class Picks {
public:
    Picks(const TWavePaintArgs& a, int x0, int x1) : values_(a.TheSound->GetValues()) {
        const TWaveViewProps& p = *a.Props;
        vpp_ = std::max(1, p.ValuesPerPixel.GetValue());
        lines_ = p.Draw == 0;
        random_ = p.Distribution == 1;
        step_ = (a.Map.ZoomEnd - a.Map.ZoomBegin) / std::max(1, a.Map.Right - a.Map.Left) / vpp_;
        xs_ = x0;
        xe_ = x1;
        if (a.Map.PixelToSample(x0) < 0) xs_ = std::max(x0, static_cast<int>(std::ceil(a.Map.SampleToPixel(0))));
        if (a.Map.PixelToSample(x1) > values_ - 1)
            xe_ = std::min(x1, static_cast<int>(std::floor(a.Map.SampleToPixel(values_ - 1))) + 1);
        pos_ = a.Map.PixelToSample(xs_);
        idx_.resize(vpp_ + 1);
    }
    int First() const { return xs_; }
    int End() const { return xe_; }

    // The picks of the next column.
    const std::vector<int32_t>& Next(int& count) {
        if (!random_) {
            count = 0;
            if (lines_) idx_[count++] = index(pos_);
            for (int k = 0; k < vpp_; ++k) {
                pos_ += step_;
                idx_[count++] = index(pos_);
            }
        } else {
            count = lines_ ? vpp_ + 1 : vpp_;
            double span = vpp_ * step_;
            uint32_t state = Random::state();
            for (int k = 0; k < count; ++k) idx_[k] = index(pos_ + Random::step(state) * span / 32767);
            Random::setState(state);
            pos_ += span;
        }
        return idx_;
    }

private:
    int32_t index(double pos) const {
        if (!(pos > 0)) return 0;
        if (pos >= values_ - 1) return values_ - 1;
        return static_cast<int32_t>(pos);
    }

    int32_t values_;
    int vpp_;
    bool lines_, random_;
    double step_;
    int xs_, xe_;
    double pos_;
    std::vector<int32_t> idx_;
};

void setPoint(Canvas& c, int x, int y, TColor pen, double strength) {
    if (strength == 1) {
        c.SetPixel(x, y, pen);
    } else {
        c.SetPixel(x, y, blend(c.GetPixel(x, y), pen, strength));
    }
}

// One channel in the band [top, bottom).
void paintChannel(Canvas& c, const TWavePaintArgs& a, const Wave& w, int x0, int x1, int top, int bottom, TColor pen) {
    Picks picks(a, x0, x1);
    const int16_t* s = w.wave;
    double strength = a.Props->Strength.GetValue();
    bool lines = a.Props->Draw == 0;
    for (int x = picks.First(); x < picks.End(); ++x) {
        int n;
        const auto& idx = picks.Next(n);
        if (lines) {
            int16_t lo = s[idx[0]], hi = lo;
            for (int k = 1; k < n; ++k) {
                lo = std::min(lo, s[idx[k]]);
                hi = std::max(hi, s[idx[k]]);
            }
            // The highest sample has the smallest y.
            c.Line(x, yOf(hi, top, bottom) - 1, x, yOf(lo, top, bottom), pen);
        } else {
            for (int k = 0; k < n; ++k) setPoint(c, x, yOf(s[idx[k]], top, bottom), pen, strength);
        }
    }
}

// One column of both channels in one band: the back line, the front line over
// it and, when mixed, their overlap in the single-wave colour.
void combinedLines(Canvas& c, const TWavePaintArgs& a, int x, SampleSpan back, SampleSpan front, TColor backColor,
                   TColor frontColor, TColor pen) {
    int b0 = yOf(back.hi, a.Top, a.Bottom) - 1, b1 = yOf(back.lo, a.Top, a.Bottom);
    int f0 = yOf(front.hi, a.Top, a.Bottom) - 1, f1 = yOf(front.lo, a.Top, a.Bottom);
    c.Line(x, b0, x, b1, backColor);
    c.Line(x, f0, x, f1, frontColor);
    if (a.Props->Combine == 0) {
        int o0 = std::max(b0, f0), o1 = std::min(b1, f1);
        if (o0 < o1) c.Line(x, o0, x, o1, pen);
    }
}

// The two extremes of a column as points; one point when they share a pixel,
// so a flat column is blended once.
void peakPoints(Canvas& c, int x, SampleSpan span, int top, int bottom, TColor pen, double strength) {
    int yHi = yOf(span.hi, top, bottom), yLo = yOf(span.lo, top, bottom);
    setPoint(c, x, yLo, pen, strength);
    if (yHi != yLo) setPoint(c, x, yHi, pen, strength);
}

// One channel in the band [top, bottom) from the true extremes of every column.
void paintChannelPeaks(Canvas& c, const TWavePaintArgs& a, const Wave& w, int x0, int x1, int top, int bottom,
                       TColor pen) {
    const WavePeaks& peaks = w.peaks();
    double strength = a.Props->Strength.GetValue();
    bool lines = a.Props->Draw == 0;
    for (int x = x0; x < x1; ++x) {
        int64_t first, end;
        ColumnSamples(a.Map, x, w.values, first, end);
        if (first >= end) continue;
        SampleSpan span = peaks.Range(first, end);
        if (lines)
            c.Line(x, yOf(span.hi, top, bottom) - 1, x, yOf(span.lo, top, bottom), pen);
        else
            peakPoints(c, x, span, top, bottom, pen, strength);
    }
}

// Both channels in one band from their true extremes, layered as with picks.
void paintCombinedPeaks(Canvas& c, const TWavePaintArgs& a, int x0, int x1, const Colors& col) {
    const TWaveViewProps& p = *a.Props;
    bool leftFront = p.Combine == 1;
    const Wave& back = a.TheSound->Channel(leftFront ? 1 : 0);
    const Wave& front = a.TheSound->Channel(leftFront ? 0 : 1);
    const WavePeaks& backPeaks = back.peaks();
    const WavePeaks& frontPeaks = front.peaks();
    TColor backColor = leftFront ? col.right : col.left;
    TColor frontColor = leftFront ? col.left : col.right;
    double strength = p.Strength.GetValue();
    int32_t values = std::min(back.values, front.values);
    for (int x = x0; x < x1; ++x) {
        int64_t first, end;
        ColumnSamples(a.Map, x, values, first, end);
        if (first >= end) continue;
        SampleSpan b = backPeaks.Range(first, end), f = frontPeaks.Range(first, end);
        if (p.Draw == 0) {
            combinedLines(c, a, x, b, f, backColor, frontColor, col.pen);
        } else {
            peakPoints(c, x, b, a.Top, a.Bottom, backColor, strength);
            peakPoints(c, x, f, a.Top, a.Bottom, frontColor, strength);
        }
    }
}

// Both channels of a stereo sound in one band, sharing the picks.
void paintCombined(Canvas& c, const TWavePaintArgs& a, int x0, int x1, const Colors& col) {
    const TWaveViewProps& p = *a.Props;
    const int16_t* l = a.TheSound->Channel(0).wave;
    const int16_t* r = a.TheSound->Channel(1).wave;
    bool leftFront = p.Combine == 1;
    const int16_t* back = leftFront ? r : l;
    const int16_t* front = leftFront ? l : r;
    TColor backColor = leftFront ? col.right : col.left;
    TColor frontColor = leftFront ? col.left : col.right;
    double strength = p.Strength.GetValue();
    Picks picks(a, x0, x1);
    for (int x = picks.First(); x < picks.End(); ++x) {
        int n;
        const auto& idx = picks.Next(n);
        if (p.Draw == 0) {
            int16_t blo = back[idx[0]], bhi = blo, flo = front[idx[0]], fhi = flo;
            for (int k = 1; k < n; ++k) {
                blo = std::min(blo, back[idx[k]]);
                bhi = std::max(bhi, back[idx[k]]);
                flo = std::min(flo, front[idx[k]]);
                fhi = std::max(fhi, front[idx[k]]);
            }
            combinedLines(c, a, x, {blo, bhi}, {flo, fhi}, backColor, frontColor, col.pen);
        } else {
            for (int k = 0; k < n; ++k) setPoint(c, x, yOf(back[idx[k]], a.Top, a.Bottom), backColor, strength);
            for (int k = 0; k < n; ++k) setPoint(c, x, yOf(front[idx[k]], a.Top, a.Bottom), frontColor, strength);
        }
    }
}

void paintGrid(Canvas& c, const TWavePaintArgs& a, int x0, int x1, int top, int bottom) {
    int32_t freq = a.TheSound->Freq;
    c.Line(x0, (top + bottom) / 2, x1, (top + bottom) / 2, a.Props->Grid);
    const TWaveMapping& m = a.Map;
    if (m.ZoomEnd <= m.ZoomBegin || freq <= 0) return;
    double step = GridStep((m.ZoomEnd - m.ZoomBegin) / freq, m.Right - m.Left);
    if (!(step > 0)) return;
    auto slot = [&](int x) { return std::trunc(m.PixelToTime(x, freq) / step); };
    double before = slot(x0 - 1);
    for (int x = x0; x < x1; ++x) {
        double now = slot(x);
        if (now > before) c.Line(x, top, x, bottom, a.Props->Grid);
        before = now;
    }
}

void paintRange(Canvas& c, const TWavePaintArgs& a, int x0, int x1, bool inverted) {
    if (x0 >= x1) return;
    const TWaveViewProps& p = *a.Props;
    Colors col{p.SingleWave, p.Background, p.Left, p.Right};
    if (inverted) {
        std::swap(col.pen, col.fill);
        std::swap(col.left, col.right);
    }
    c.FillRect(x0, a.Top, x1, a.Bottom, col.fill);
    const Sound& s = *a.TheSound;
    auto channel = p.Distribution == 2 ? paintChannelPeaks : paintChannel;
    if (s.Channels() == 1) {
        channel(c, a, s.Channel(0), x0, x1, a.Top, a.Bottom, col.pen);
        if (p.DrawGrid) paintGrid(c, a, x0, x1, a.Top, a.Bottom);
    } else if (p.TwoWaves) {
        int mid = (a.Top + a.Bottom) / 2;
        channel(c, a, s.Channel(0), x0, x1, a.Top, mid, col.pen);
        channel(c, a, s.Channel(1), x0, x1, mid, a.Bottom, col.pen);
        if (p.DrawGrid) {
            paintGrid(c, a, x0, x1, a.Top, mid);
            paintGrid(c, a, x0, x1, mid, a.Bottom);
        }
    } else {
        if (p.Distribution == 2)
            paintCombinedPeaks(c, a, x0, x1, col);
        else
            paintCombined(c, a, x0, x1, col);
        if (p.DrawGrid) paintGrid(c, a, x0, x1, a.Top, a.Bottom);
    }
}

}  // namespace

void PaintWaveView(Canvas& canvas, const TWavePaintArgs& a, int clipLeft, int clipRight) {
    if (!a.TheSound || !a.Props || clipLeft >= clipRight) return;
    int32_t values = a.TheSound->GetValues();
    if (values == 0) {
        canvas.FillRect(clipLeft, a.Top, clipRight, a.Bottom, a.Props->Background);
        return;
    }
    if (a.SelBegin == a.SelEnd) {
        paintRange(canvas, a, clipLeft, clipRight, false);
    } else {
        int sb = std::clamp(a.Map.PixelOf(a.SelBegin), clipLeft, clipRight);
        int se = std::clamp(a.Map.PixelOf(a.SelEnd), clipLeft, clipRight);
        paintRange(canvas, a, clipLeft, sb, false);
        paintRange(canvas, a, sb, se, true);
        paintRange(canvas, a, se, clipRight, false);
    }
    int32_t cursor = a.Cursor;
    if (cursor >= values) cursor = values - 1;
    int x = a.Map.PixelOf(cursor);
    if (x >= clipLeft && x < clipRight) canvas.Line(x, a.Top, x, a.Bottom, a.Props->Grid);
}

}  // namespace korvane
