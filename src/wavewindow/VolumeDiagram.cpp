#include "wavewindow/VolumeDiagram.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "values/ValueWriters.h"

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

namespace {

// One painted column: after which sample (counted from the range's first)
// and where.
struct ColumnEvent {
    int64_t sample;
    int column;
};

// The same accumulator as the reference, so both paint the same columns.
std::vector<ColumnEvent> columnEvents(int64_t count, int columns) {
    std::vector<ColumnEvent> events;
    double C = static_cast<double>(columns) / count;
    double acc = -1, last = -1;
    for (int64_t i = 0; i < count; ++i) {
        acc += C;
        if (std::floor(acc) > std::floor(last)) {
            double column = std::floor(acc);
            if (column < columns) events.push_back({i, static_cast<int>(column)});
            last = acc;
        }
    }
    return events;
}

// Band coefficients laid out for vectors of any width up to 16, the unused
// lanes at rest for ever (F = 0, D = 1, 1 - D = 0).
struct Lanes {
    std::vector<float> F, D, E;
    explicit Lanes(const TVoldBands& b) {
        size_t n = (static_cast<size_t>(b.N) + 15) / 16 * 16;
        F.assign(n, 0.0f);
        D.assign(n, 1.0f);
        E.assign(n, 0.0f);
        for (int l = 0; l < b.N; ++l) {
            F[l] = b.F[l];
            D[l] = b.D[l];
            E[l] = 1 - b.D[l];
        }
    }
};

typedef float v4f __attribute__((vector_size(16)));
typedef int v4i __attribute__((vector_size(16)));
typedef float v8f __attribute__((vector_size(32)));
typedef int v8i __attribute__((vector_size(32)));
typedef float v16f __attribute__((vector_size(64)));
typedef int v16i __attribute__((vector_size(64)));

template <class V>
__attribute__((always_inline)) inline void loadV(V& v, const float* p) {
    std::memcpy(&v, p, sizeof v);
}

// Runs VB vectors of W bands from band `band0` over the samples up to the
// last column event and stores their column maxima. The arithmetic of every
// lane is the reference's, statement for statement. The column maximum is
// taken of |a| and rounded once per column: rounding half away from zero is
// monotonic and symmetric, so the maximum of the rounded values equals the
// rounded maximum exactly, NaN (never taken) and infinities included.
template <class V, class VI, int W, int VB>
__attribute__((always_inline)) inline void runBlock(const Lanes& lanes, int N, int band0, const int16_t* s,
                                                    const std::vector<ColumnEvent>& events, TVoldColumns& out) {
    V F[VB], D[VB], E[VB], a[VB], q[VB], m[VB];
    for (int v = 0; v < VB; ++v) {
        loadV(F[v], &lanes.F[band0 + v * W]);
        loadV(D[v], &lanes.D[band0 + v * W]);
        loadV(E[v], &lanes.E[band0 + v * W]);
        a[v] = V{} * 0.0f;
        q[v] = a[v];
        m[v] = a[v];
    }
    const VI absMask = VI{} + 0x7FFFFFFF;
    int valid = std::min(N - band0, W * VB);
    int64_t i = 0;
    for (size_t e = 0; e < events.size(); ++e) {
        for (int64_t stop = events[e].sample; i <= stop; ++i) {
            float xs = s[i];
            V x = V{} + xs;
            for (int v = 0; v < VB; ++v) {
                V ex = E[v] * x;
                V av = a[v], qv = q[v];
                for (int r = 0; r < 4; ++r) {
                    av = av + F[v] * qv;
                    qv = qv - av;
                    av = ex + D[v] * av;
                }
                a[v] = av;
                q[v] = qv;
                V mag = (V)((VI)av & absMask);
                m[v] = mag > m[v] ? mag : m[v];
            }
        }
        float lanesOut[W * VB];
        std::memcpy(lanesOut, m, sizeof lanesOut);
        float* row = out.Max.data() + e * static_cast<size_t>(N) + band0;
        for (int l = 0; l < valid; ++l) row[l] = std::round(lanesOut[l]);
        for (int v = 0; v < VB; ++v) m[v] = V{} * 0.0f;
    }
}

template <class V, class VI, int W>
__attribute__((always_inline)) inline void runVectors(const Lanes& lanes, int N, int v0, int v1, const int16_t* s,
                                                      const std::vector<ColumnEvent>& events, TVoldColumns& out) {
    // Four vectors at a time keep enough independent chains in flight to
    // hide the latency of the four dependent sub-steps.
    while (v0 < v1) {
        int n = std::min(v1 - v0, 4);
        int band0 = v0 * W;
        switch (n) {
            case 4:
                runBlock<V, VI, W, 4>(lanes, N, band0, s, events, out);
                break;
            case 3:
                runBlock<V, VI, W, 3>(lanes, N, band0, s, events, out);
                break;
            case 2:
                runBlock<V, VI, W, 2>(lanes, N, band0, s, events, out);
                break;
            default:
                runBlock<V, VI, W, 1>(lanes, N, band0, s, events, out);
                break;
        }
        v0 += n;
    }
}

void runVectors4(const Lanes& lanes, int N, int v0, int v1, const int16_t* s, const std::vector<ColumnEvent>& ev,
                 TVoldColumns& out) {
    runVectors<v4f, v4i, 4>(lanes, N, v0, v1, s, ev, out);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void runVectors8(const Lanes& lanes, int N, int v0, int v1, const int16_t* s,
                                                const std::vector<ColumnEvent>& ev, TVoldColumns& out) {
    runVectors<v8f, v8i, 8>(lanes, N, v0, v1, s, ev, out);
}
__attribute__((target("avx512f"))) void runVectors16(const Lanes& lanes, int N, int v0, int v1, const int16_t* s,
                                                     const std::vector<ColumnEvent>& ev, TVoldColumns& out) {
    runVectors<v16f, v16i, 16>(lanes, N, v0, v1, s, ev, out);
}
bool haveWideVectors() {
    static const bool avx = __builtin_cpu_supports("avx");
    return avx;
}
bool haveWidestVectors() {
    static const bool avx512 = __builtin_cpu_supports("avx512f");
    return avx512;
}
#else
void runVectors8(const Lanes& lanes, int N, int v0, int v1, const int16_t* s, const std::vector<ColumnEvent>& ev,
                 TVoldColumns& out) {
    runVectors<v8f, v8i, 8>(lanes, N, v0, v1, s, ev, out);
}
void runVectors16(const Lanes& lanes, int N, int v0, int v1, const int16_t* s, const std::vector<ColumnEvent>& ev,
                  TVoldColumns& out) {
    runVectors<v16f, v16i, 16>(lanes, N, v0, v1, s, ev, out);
}
bool haveWideVectors() { return false; }
bool haveWidestVectors() { return false; }
#endif

struct Piece {
    int channel;
    int v0, v1;
};

}  // namespace

void VoldColumnsFast(const TVoldBands& bands, const std::vector<const int16_t*>& channels, int64_t count, int columns,
                     std::vector<TVoldColumns>& out, int threads, int vectorWidth) {
    const int N = bands.N;
    const int C = static_cast<int>(channels.size());
    out.assign(channels.size(), TVoldColumns{});
    for (auto& o : out) o.Bands = N;
    if (N <= 0 || count <= 0 || columns <= 0 || C == 0) return;

    std::vector<ColumnEvent> events = columnEvents(count, columns);
    for (auto& o : out) {
        o.Column.reserve(events.size());
        for (const ColumnEvent& e : events) o.Column.push_back(e.column);
        o.Max.assign(events.size() * static_cast<size_t>(N), 0.0f);
    }
    if (events.empty()) return;

    // Short paints (a narrow strip, a short wave) stay on this thread.
    int T = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    double work = static_cast<double>(events.back().sample + 1) * N * C;
    if (work < 2e6) T = 1;

    // The widest vectors only when every thread still gets four of them:
    // fewer independent chains leave the sub-steps' latency showing.
    int W = 4;
    if (vectorWidth == 16 && haveWidestVectors())
        W = 16;
    else if (vectorWidth == 0 && haveWidestVectors() && (N + 15) / 16 * C >= 4 * T)
        W = 16;
    else if (vectorWidth != 4 && haveWideVectors())
        W = 8;
    const int vectors = (N + W - 1) / W;
    Lanes lanes(bands);

    // Split the channels' vectors into contiguous shares, one per thread.
    T = std::min(T, vectors * C);
    std::vector<std::vector<Piece>> shares(T);
    int total = vectors * C;
    for (int t = 0; t < T; ++t) {
        int from = static_cast<int>(static_cast<int64_t>(total) * t / T);
        int to = static_cast<int>(static_cast<int64_t>(total) * (t + 1) / T);
        while (from < to) {
            int ch = from / vectors;
            int v0 = from % vectors;
            int v1 = std::min(vectors, v0 + (to - from));
            shares[t].push_back({ch, v0, v1});
            from += v1 - v0;
        }
    }
    auto run = [&](int t) {
        for (const Piece& p : shares[t]) {
            if (W == 16)
                runVectors16(lanes, N, p.v0, p.v1, channels[p.channel], events, out[p.channel]);
            else if (W == 8)
                runVectors8(lanes, N, p.v0, p.v1, channels[p.channel], events, out[p.channel]);
            else
                runVectors4(lanes, N, p.v0, p.v1, channels[p.channel], events, out[p.channel]);
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < T; ++t) workers.emplace_back(run, t);
    run(0);
    for (auto& w : workers) w.join();
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

void computeColumns(const TVoldPaintArgs& a, const TVoldBands& bands, const std::vector<const int16_t*>& channels,
                    int64_t count, int columns, std::vector<TVoldColumns>& out) {
    if (a.Reference) {
        out.assign(channels.size(), TVoldColumns{});
        for (size_t c = 0; c < channels.size(); ++c) VoldColumnsReference(bands, channels[c], count, columns, out[c]);
    } else {
        VoldColumnsFast(bands, channels, count, columns, out, a.Threads);
    }
}

inline int bandRow(int top, int bottom, int l, int N) {
    return top + static_cast<int>(static_cast<int64_t>(l) * (bottom - top) / N);
}

void paintBand(Canvas& c, int X, int y0, int y1, TColor color) {
    if (y0 == y1)
        c.SetPixel(X, y0, color);
    else
        c.Line(X, y0, X, y1, color);
}

void paintMono(Canvas& c, const TVoldPaintArgs& a, const TVoldColumns& cols, int x0, int top, int bottom,
               bool inverted) {
    const TVoldViewProps& p = *a.Props;
    const int N = cols.Bands;
    double strength = p.Strength.GetValue();
    for (size_t i = 0; i < cols.Column.size(); ++i) {
        const float* row = cols.Row(i);
        int X = x0 + cols.Column[i];
        for (int l = 0; l < N; ++l) {
            double r = VoldRamp(row[l], p.Sensitivity, strength, inverted);
            paintBand(c, X, bandRow(top, bottom, l, N), bandRow(top, bottom, l + 1, N),
                      VoldColour(p.Background, p.Single, r));
        }
    }
}

void paintCombined(Canvas& c, const TVoldPaintArgs& a, const TVoldColumns& left, const TVoldColumns& right, int x0,
                   bool inverted) {
    const TVoldViewProps& p = *a.Props;
    const int N = left.Bands;
    double strength = p.Strength.GetValue();
    for (size_t i = 0; i < left.Column.size(); ++i) {
        const float* lrow = left.Row(i);
        const float* rrow = right.Row(i);
        int X = x0 + left.Column[i];
        for (int l = 0; l < N; ++l) {
            double b = VoldRamp(lrow[l], p.Sensitivity, strength, inverted);
            double cr = VoldRamp(rrow[l], p.Sensitivity, strength, inverted);
            paintBand(c, X, bandRow(a.Top, a.Bottom, l, N), bandRow(a.Top, a.Bottom, l + 1, N),
                      VoldStereoColour(p, b, cr));
        }
    }
}

}  // namespace

void PaintVoldRange(Canvas& canvas, const TVoldPaintArgs& a, int x0, int x1, bool inverted) {
    if (!a.TheSound || !a.Props || x0 >= x1 || a.Bottom <= a.Top) return;
    const TVoldViewProps& p = *a.Props;
    const Sound& sound = *a.TheSound;
    // Columns the resonators never reach (beyond the wave, or skipped when
    // there are more columns than samples) show silence rather than what was
    // painted there before.
    canvas.FillRect(x0, a.Top, x1, a.Bottom, inverted ? p.Single : p.Background);
    int64_t values = sound.GetValues();
    auto sampleOf = [&](int x) {
        double s = std::floor(a.Map.PixelToSample(x));
        if (!(s > 0)) return int64_t{0};
        return s >= static_cast<double>(values) ? values : static_cast<int64_t>(s);
    };
    int64_t first = sampleOf(x0);
    int64_t last = sampleOf(x1);
    int64_t count = last - first;
    if (count <= 0) return;
    int columns = x1 - x0;
    int32_t fs = sound.Freq;

    if (sound.Channels() == 1) {
        TVoldBands bands = VoldBands(p, fs, a.Bottom - a.Top);
        std::vector<TVoldColumns> cols;
        computeColumns(a, bands, {sound.Channel(0).wave + first}, count, columns, cols);
        paintMono(canvas, a, cols[0], x0, a.Top, a.Bottom, inverted);
    } else if (p.TwoWaves) {
        int mid = (a.Top + a.Bottom) / 2;
        TVoldBands upper = VoldBands(p, fs, mid - a.Top);
        TVoldBands lower = VoldBands(p, fs, a.Bottom - mid);
        std::vector<TVoldColumns> cols;
        if (upper.N == lower.N) {
            computeColumns(a, upper, {sound.Channel(0).wave + first, sound.Channel(1).wave + first}, count, columns,
                           cols);
        } else {
            std::vector<TVoldColumns> right;
            computeColumns(a, upper, {sound.Channel(0).wave + first}, count, columns, cols);
            computeColumns(a, lower, {sound.Channel(1).wave + first}, count, columns, right);
            cols.push_back(std::move(right[0]));
        }
        paintMono(canvas, a, cols[0], x0, a.Top, mid, inverted);
        paintMono(canvas, a, cols[1], x0, mid, a.Bottom, inverted);
    } else {
        TVoldBands bands = VoldBands(p, fs, a.Bottom - a.Top);
        std::vector<TVoldColumns> cols;
        computeColumns(a, bands, {sound.Channel(0).wave + first, sound.Channel(1).wave + first}, count, columns, cols);
        paintCombined(canvas, a, cols[0], cols[1], x0, inverted);
    }
}

void PaintVoldView(Canvas& canvas, const TVoldPaintArgs& a, int clipLeft, int clipRight) {
    if (!a.TheSound || !a.Props || clipLeft >= clipRight) return;
    int32_t values = a.TheSound->GetValues();
    if (values == 0) {
        canvas.FillRect(clipLeft, a.Top, clipRight, a.Bottom, a.Props->Background);
        return;
    }
    if (a.SelBegin == a.SelEnd) {
        PaintVoldRange(canvas, a, clipLeft, clipRight, false);
    } else {
        int sb = std::clamp(a.Map.PixelOf(std::min(a.SelBegin, a.SelEnd)), clipLeft, clipRight);
        int se = std::clamp(a.Map.PixelOf(std::max(a.SelBegin, a.SelEnd)), clipLeft, clipRight);
        PaintVoldRange(canvas, a, clipLeft, sb, false);
        PaintVoldRange(canvas, a, sb, se, true);
        PaintVoldRange(canvas, a, se, clipRight, false);
    }
    int32_t cursor = a.Cursor;
    if (cursor >= values) cursor = values - 1;
    int x = a.Map.PixelOf(cursor);
    if (x >= clipLeft && x < clipRight) canvas.Line(x, a.Top, x, a.Bottom, a.Props->Cursor);
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
