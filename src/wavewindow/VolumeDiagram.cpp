#include "wavewindow/VolumeDiagram.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "values/ValueWriters.h"
#include "wavewindow/VoldColumns.h"

namespace korvane {

TVoldBands VoldBands(const TVoldViewProps& props, int32_t sampleFreq, int height) {
    TVoldBands bands;
    if (height <= 0 || sampleFreq <= 0) return bands;
    int N = std::min(props.Vertical.GetValue(), height);
    if (N <= 0) return bands;
    bands.N = N;
    bands.F.resize(N);
    bands.D.resize(N);
    double fs = sampleFreq;
    double top = props.Top.GetValue();
    double bottom = props.Bottom.GetValue();
    double width = props.Width.GetValue();
    int distribution = props.HorDistribution;

    double h = fs * top;
    double ratio = std::pow(bottom / top, 1.0 / N);
    double stepT = fs * (bottom - top) / N;
    double f = 1 / top;
    double stepF = (1 / top - 1 / bottom) / N;
    for (int l = 0; l < N; ++l) {
        bands.F[l] = static_cast<float>(2.466 / h / h);
        double k;
        if (distribution == 1) {
            h = h * ratio;
            k = 1;
        } else if (distribution == 2) {
            h = h + stepT;
            k = 1 / ((l + 1) * 3.0 / N);
        } else {
            f = f - stepF;
            h = fs / f;
            k = 1 / ((N - l + 1) * 3.0 / N);
        }
        double base = ratio > 1 ? ratio : 1 / ratio;
        double t = 1 - 1 / std::pow(base, width * k);
        bands.D[l] = static_cast<float>(std::pow(1 - t, 1 / h));
    }
    return bands;
}

void VoldColumnsReference(const TVoldBands& bands, const int16_t* samples, int64_t count, int columns,
                          TVoldColumns& out) {
    const int N = bands.N;
    out.Bands = N;
    out.Column.clear();
    out.Max.clear();
    if (N <= 0 || count <= 0 || columns <= 0) return;
    const float* F = bands.F.data();
    const float* D = bands.D.data();
    std::vector<float> a(N, 0.0f), q(N, 0.0f), M(N, 0.0f);
    double C = static_cast<double>(columns) / count;
    double acc = -1, last = -1;
    for (int64_t i = 0; i < count; ++i) {
        float x = samples[i];
        for (int l = 0; l < N; ++l) {
            for (int r = 0; r < 4; ++r) {
                a[l] = a[l] + F[l] * q[l];
                q[l] = q[l] - a[l];
                a[l] = (1 - D[l]) * x + D[l] * a[l];
            }
            float v = std::fabs(std::round(a[l]));
            if (v > M[l]) M[l] = v;
        }
        acc += C;
        if (std::floor(acc) > std::floor(last)) {
            double column = std::floor(acc);
            if (column < columns) {
                out.Column.push_back(static_cast<int>(column));
                out.Max.insert(out.Max.end(), M.begin(), M.end());
            }
            std::fill(M.begin(), M.end(), 0.0f);
            last = acc;
        }
    }
}

void VoldColumnsFast(const TVoldBands& bands, const std::vector<const int16_t*>& channels, int64_t count, int columns,
                     std::vector<TVoldColumns>& out, int threads, int vectorWidth) {
    out.assign(channels.size(), TVoldColumns{});
    for (auto& o : out) o.Bands = bands.N;
    // Two channels share the vectors of one computation.
    for (size_t c = 0; c < channels.size(); c += 2) {
        TVoldLayout layout;
        layout.Count = count;
        layout.Columns = columns;
        std::vector<const int16_t*> samples;
        for (size_t k = c; k < std::min(channels.size(), c + 2); ++k) {
            layout.Tracks.push_back({static_cast<int>(k), bands});
            samples.push_back(channels[k]);
        }
        TVoldComputation run(samples, layout, threads, vectorWidth);
        run.Run();
        for (size_t k = 0; k < samples.size(); ++k) {
            TVoldColumns& o = out[c + k];
            for (size_t e = 0; e < run.Events().size(); ++e) {
                o.Column.push_back(run.Events()[e].column);
                o.Max.insert(o.Max.end(), run.Row(k, e), run.Row(k, e) + bands.N);
            }
        }
    }
}

double VoldRamp(float loudest, int sensitivity, double strength, bool inverted) {
    double g = loudest / 32768.0;
    switch (sensitivity) {
        case 0:
            g = g * g;
            break;
        case 2:
            g = std::sqrt(g);
            break;
        case 3:
            g = std::pow(g, 0.25);
            break;
        default:
            break;
    }
    g = std::min(1.0, strength * g);
    return inverted ? 1 - g : g;
}

namespace {

// A colour component from a real: truncated and kept inside 0..255, so a
// resonator that ran away (infinite or NaN loudness) still gives a colour.
int component(double value) {
    if (!(value > 0)) return 0;
    if (value >= 255) return 255;
    return static_cast<int>(value);
}

}  // namespace

TColor VoldColour(TColor background, TColor single, double r) {
    auto mix = [r](int bg, int fg) { return component(bg * (1 - r) + fg * r); };
    return RGBColor(mix(RedOf(background), RedOf(single)), mix(GreenOf(background), GreenOf(single)),
                    mix(BlueOf(background), BlueOf(single)));
}

TColor VoldStereoColour(const TVoldViewProps& props, double b, double c) {
    if (b == 0 && c == 0) return props.Background;
    auto mix = [&](int both, int left, int right, int bg) {
        if (b > c) return component(b * (both * (c / b) + left * (1 - c / b)) + bg * (1 - b));
        return component(c * (both * (b / c) + right * (1 - b / c)) + bg * (1 - c));
    };
    const TColor s = props.Single, l = props.Left, r = props.Right, g = props.Background;
    return RGBColor(mix(RedOf(s), RedOf(l), RedOf(r), RedOf(g)), mix(GreenOf(s), GreenOf(l), GreenOf(r), GreenOf(g)),
                    mix(BlueOf(s), BlueOf(l), BlueOf(r), BlueOf(g)));
}

namespace {

inline int bandRow(int top, int bottom, int l, int N) {
    return top + static_cast<int>(static_cast<int64_t>(l) * (bottom - top) / N);
}

void paintBand(Canvas& c, int X, int y0, int y1, TColor color) {
    if (y0 == y1)
        c.SetPixel(X, y0, color);
    else
        c.Line(X, y0, X, y1, color);
}

// The columns of a view as painting reads them: from a computation (those
// ready) or from the reference's lists.
struct ColumnSource {
    const TVoldComputation* run = nullptr;
    const std::vector<TVoldColumns>* reference = nullptr;

    size_t size() const { return run ? run->Ready() : reference->empty() ? 0 : (*reference)[0].Column.size(); }
    int column(size_t i) const { return run ? run->Events()[i].column : (*reference)[0].Column[i]; }
    const float* row(size_t t, size_t i) const { return run ? run->Row(t, i) : (*reference)[t].Row(i); }
    int bands(size_t t) const { return run ? run->Layout().Tracks[t].Bands.N : (*reference)[t].Bands; }
    size_t tracks() const { return run ? run->Layout().Tracks.size() : reference->size(); }
};

void paintMono(Canvas& c, const TVoldViewProps& p, const float* row, int N, int X, int top, int bottom, bool inverted) {
    double strength = p.Strength.GetValue();
    for (int l = 0; l < N; ++l) {
        double r = VoldRamp(row[l], p.Sensitivity, strength, inverted);
        paintBand(c, X, bandRow(top, bottom, l, N), bandRow(top, bottom, l + 1, N),
                  VoldColour(p.Background, p.Single, r));
    }
}

void paintCombined(Canvas& c, const TVoldViewProps& p, const float* left, const float* right, int N, int X, int top,
                   int bottom, bool inverted) {
    double strength = p.Strength.GetValue();
    for (int l = 0; l < N; ++l) {
        double b = VoldRamp(left[l], p.Sensitivity, strength, inverted);
        double cr = VoldRamp(right[l], p.Sensitivity, strength, inverted);
        paintBand(c, X, bandRow(top, bottom, l, N), bandRow(top, bottom, l + 1, N), VoldStereoColour(p, b, cr));
    }
}

// The view's columns in [x0, x1), all normal or all inverted. Columns the
// resonators never reach (beyond the wave, skipped when there are more
// columns than samples, or not computed yet) show silence rather than what
// was painted there before.
void paintSpan(Canvas& canvas, const TVoldPaintArgs& a, const ColumnSource& src, int x0, int x1, bool inverted) {
    if (x0 >= x1 || a.Bottom <= a.Top) return;
    const TVoldViewProps& p = *a.Props;
    canvas.FillRect(x0, a.Top, x1, a.Bottom, inverted ? p.Single : p.Background);
    const size_t n = src.size(), tracks = src.tracks();
    if (tracks == 0) return;
    // Columns grow with the events: find the first in the span.
    size_t lo = 0, hi = n;
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (a.Map.Left + src.column(mid) < x0)
            lo = mid + 1;
        else
            hi = mid;
    }
    const bool stereo = a.TheSound->Channels() == 2;
    const int mid = (a.Top + a.Bottom) / 2;
    for (size_t i = lo; i < n; ++i) {
        const int X = a.Map.Left + src.column(i);
        if (X >= x1) break;
        if (!stereo) {
            paintMono(canvas, p, src.row(0, i), src.bands(0), X, a.Top, a.Bottom, inverted);
        } else if (p.TwoWaves) {
            paintMono(canvas, p, src.row(0, i), src.bands(0), X, a.Top, mid, inverted);
            paintMono(canvas, p, src.row(1, i), src.bands(1), X, mid, a.Bottom, inverted);
        } else {
            paintCombined(canvas, p, src.row(0, i), src.row(1, i), src.bands(0), X, a.Top, a.Bottom, inverted);
        }
    }
}

}  // namespace

void PaintVoldColumns(Canvas& canvas, const TVoldPaintArgs& a, const TVoldComputation* run,
                      const std::vector<TVoldColumns>* reference, int clipLeft, int clipRight) {
    if (!a.TheSound || !a.Props || clipLeft >= clipRight) return;
    int32_t values = a.TheSound->GetValues();
    if (values == 0) {
        canvas.FillRect(clipLeft, a.Top, clipRight, a.Bottom, a.Props->Background);
        return;
    }
    static const std::vector<TVoldColumns> none;
    ColumnSource src{run, run ? nullptr : reference ? reference : &none};
    if (a.SelBegin == a.SelEnd) {
        paintSpan(canvas, a, src, clipLeft, clipRight, false);
    } else {
        int sb = std::clamp(a.Map.PixelOf(std::min(a.SelBegin, a.SelEnd)), clipLeft, clipRight);
        int se = std::clamp(a.Map.PixelOf(std::max(a.SelBegin, a.SelEnd)), clipLeft, clipRight);
        paintSpan(canvas, a, src, clipLeft, sb, false);
        paintSpan(canvas, a, src, sb, se, true);
        paintSpan(canvas, a, src, se, clipRight, false);
    }
    int32_t cursor = a.Cursor;
    if (cursor >= values) cursor = values - 1;
    int x = a.Map.PixelOf(cursor);
    if (x >= clipLeft && x < clipRight) canvas.Line(x, a.Top, x, a.Bottom, a.Props->Cursor);
}

void PaintVoldView(Canvas& canvas, const TVoldPaintArgs& a, int clipLeft, int clipRight) {
    if (!a.TheSound || !a.Props || clipLeft >= clipRight) return;
    TVoldLayout layout = VoldLayoutOf(a);
    if (a.Reference) {
        std::vector<TVoldColumns> columns(layout.Tracks.size());
        for (size_t t = 0; t < layout.Tracks.size(); ++t)
            VoldColumnsReference(layout.Tracks[t].Bands,
                                 a.TheSound->Channel(layout.Tracks[t].Channel).wave + layout.First, layout.Count,
                                 layout.Columns, columns[t]);
        PaintVoldColumns(canvas, a, nullptr, &columns, clipLeft, clipRight);
        return;
    }
    // The sound belongs to the caller and outlives this call.
    TVoldComputation run(std::shared_ptr<const Sound>(std::shared_ptr<const Sound>(), a.TheSound), std::move(layout),
                         a.Threads);
    run.Run();
    PaintVoldColumns(canvas, a, &run, nullptr, clipLeft, clipRight);
}

double VoldFrequencyAt(const TVoldViewProps& p, int y, int clientTop, int clientBottom, bool split) {
    int height = clientBottom - clientTop;
    double f = height > 1 ? static_cast<double>(clientBottom - 1 - y) / (height - 1) : 0;
    if (split) {
        f = 2 * f;
        if (f > 1) f = f - 1;
    }
    double top = p.Top.GetValue();
    double bottom = p.Bottom.GetValue();
    double period;
    if (p.HorDistribution == 1)
        period = bottom * std::pow(top / bottom, f);
    else if (p.HorDistribution == 2)
        period = bottom + f * (top - bottom);
    else
        period = 1 / ((1 / top - 1 / bottom) * f + 1 / bottom);
    return 1 / period;
}

std::string VoldReadout(double seconds, double hertz) {
    // Appended piece by piece: GCC 12 warns wrongly about "(" + string.
    std::string text = "(";
    text += WriteClockTime(seconds);
    text += ", ";
    text += WriteFrequencyShort(hertz);
    text += " )";
    return text;
}

}  // namespace korvane
