#include "wavewindow/VoldColumns.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/Wave.h"

namespace korvane {

// ---------------------------------------------------------------------------
// Column events

std::vector<TVoldColumnEvent> VoldColumnEventsReference(int64_t count, int columns) {
    std::vector<TVoldColumnEvent> events;
    if (count <= 0 || columns <= 0) return events;
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

// Within one binade [2^k, 2^(k+1)) every double is a multiple of its ulp u,
// and acc + C rounds to the nearest multiple: acc + r u with r the integer
// nearest to C / u, the same for every acc of the binade, unless C / u lies
// exactly half way (then the rounding goes to the even multiple and depends
// on acc). So within a binade acc runs through A u, (A + r) u, (A + 2r) u,
// ... exactly, and the sample at which it reaches the next column follows by
// integer arithmetic. Below 1, at the crossing into the next binade and in
// the half-way case the accumulator is simply run.
std::vector<TVoldColumnEvent> VoldColumnEvents(int64_t count, int columns) {
    std::vector<TVoldColumnEvent> events;
    if (count <= 0 || columns <= 0) return events;
    events.reserve(static_cast<size_t>(std::min<int64_t>(count, columns)));
    const double C = static_cast<double>(columns) / count;
    double acc = -1;
    double target = 0;  // floor(last painted) + 1: the value that paints the next column
    int64_t i = 0;      // the next sample
    bool done = false;
    // One sample as the reference takes it.
    auto step = [&] {
        acc += C;
        if (acc >= target) {
            double column = std::floor(acc);
            if (column < columns)
                events.push_back({i, static_cast<int>(column)});
            else
                done = true;  // the accumulator only grows: nothing more to paint
            target = column + 1;
        }
        ++i;
    };
    while (i < count && !done && acc < 1) step();
    constexpr int64_t kBinadeEnd = int64_t{1} << 53;  // 2^(k+1) in ulps of the binade
    while (i < count && !done) {
        const int k = std::ilogb(acc);
        const double units = std::ldexp(C, 52 - k);  // C / u, exactly
        const double whole = std::floor(units);
        if (units - whole == 0.5 || units >= 0x1p52) {
            step();
            continue;
        }
        const auto r = static_cast<int64_t>(units - whole > 0.5 ? whole + 1 : whole);
        if (r == 0) break;  // acc + C rounds back to acc for ever
        const auto A = static_cast<int64_t>(std::ldexp(acc, 52 - k));
        const int64_t left = count - i;
        const int64_t inBinade = (kBinadeEnd - 1 - A) / r;  // steps that stay below 2^(k+1)
        const double targetUnits = std::ldexp(target, 52 - k);
        int64_t toEvent = left + 1;
        if (targetUnits < static_cast<double>(kBinadeEnd)) {
            const auto T = static_cast<int64_t>(targetUnits);
            toEvent = T > A ? (T - A + r - 1) / r : 1;
        }
        if (toEvent <= std::min(inBinade, left)) {
            // Jump to the sample that paints the next column and paint it as
            // the reference does.
            i += toEvent - 1;
            acc = std::ldexp(static_cast<double>(A + (toEvent - 1) * r), k - 52);
            step();
        } else {
            const int64_t n = std::min(inBinade, left);
            i += n;
            acc = std::ldexp(static_cast<double>(A + n * r), k - 52);
            if (i < count) step();  // into the next binade
        }
    }
    return events;
}

// ---------------------------------------------------------------------------
// Layout

bool TVoldLayout::SameColumns(const TVoldLayout& o) const {
    if (First != o.First || Count != o.Count || Columns != o.Columns || Tracks.size() != o.Tracks.size()) return false;
    for (size_t t = 0; t < Tracks.size(); ++t) {
        const TVoldTrack &a = Tracks[t], &b = o.Tracks[t];
        if (a.Channel != b.Channel || a.Bands.N != b.Bands.N) return false;
        if (a.Bands.N > 0 && (std::memcmp(a.Bands.F.data(), b.Bands.F.data(), a.Bands.N * sizeof(float)) != 0 ||
                              std::memcmp(a.Bands.D.data(), b.Bands.D.data(), a.Bands.N * sizeof(float)) != 0))
            return false;
    }
    return true;
}

TVoldLayout VoldLayoutOf(const TVoldPaintArgs& a) {
    TVoldLayout layout;
    if (!a.TheSound || !a.Props || a.Bottom <= a.Top || a.Map.Right <= a.Map.Left) return layout;
    const Sound& sound = *a.TheSound;
    const int64_t values = sound.GetValues();
    auto sampleOf = [&](int x) {
        double s = std::floor(a.Map.PixelToSample(x));
        if (!(s > 0)) return int64_t{0};
        return s >= static_cast<double>(values) ? values : static_cast<int64_t>(s);
    };
    layout.First = sampleOf(a.Map.Left);
    layout.Count = std::max<int64_t>(0, sampleOf(a.Map.Right) - layout.First);
    layout.Columns = a.Map.Right - a.Map.Left;
    const TVoldViewProps& p = *a.Props;
    if (sound.Channels() == 1) {
        layout.Tracks.push_back({0, VoldBands(p, sound.Freq, a.Bottom - a.Top)});
    } else if (p.TwoWaves) {
        int mid = (a.Top + a.Bottom) / 2;
        layout.Tracks.push_back({0, VoldBands(p, sound.Freq, mid - a.Top)});
        layout.Tracks.push_back({1, VoldBands(p, sound.Freq, a.Bottom - mid)});
    } else {
        layout.Tracks.push_back({0, VoldBands(p, sound.Freq, a.Bottom - a.Top)});
        layout.Tracks.push_back({1, layout.Tracks[0].Bands});
    }
    return layout;
}

// ---------------------------------------------------------------------------
// The lanes and their arithmetic

namespace {

typedef float v4f __attribute__((vector_size(16)));
typedef int v4i __attribute__((vector_size(16)));
typedef float v8f __attribute__((vector_size(32)));
typedef int v8i __attribute__((vector_size(32)));
typedef float v16f __attribute__((vector_size(64)));
typedef int v16i __attribute__((vector_size(64)));

// Samples are walked in segments of this many: short enough that a cancel or
// the next column shows within a millisecond or two, long enough that the
// state saved between them costs nothing.
constexpr int64_t kSegment = 32768;

// The most vectors one block walks the samples with.
constexpr int kMaxBlock = 6;

// The block kernels are forced inline so that a block's vectors stay in
// registers. Under the sanitizers every one of the hundred-odd instances
// would be forced into three functions and instrumented there, which takes
// the compiler many minutes; those builds check the arithmetic, not its
// speed, so they leave inlining to the compiler.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
#define KORVANE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define KORVANE_SANITIZED 1
#endif
#endif
#ifdef KORVANE_SANITIZED
#define KORVANE_KERNEL inline
#define KORVANE_KERNEL_MEMBER
#else
#define KORVANE_KERNEL __attribute__((always_inline)) inline
#define KORVANE_KERNEL_MEMBER __attribute__((always_inline))
#endif

}  // namespace

// The lanes are the tracks' bands one after the other, in vectors of W lanes
// and, when the last few lanes would leave most of a vector idle, one narrow
// tail vector of TW lanes. The vectors are split over the threads in
// contiguous shares; the tail goes with the share that has fewest vectors.
struct TVoldComputation::Plan {
    int W = 4;        // lanes a vector
    int vectors = 0;  // of W lanes
    int TW = 0;       // lanes of the tail vector after them, 0 for none
    int tailShare = -1;
    // Per lane: the band coefficients (unused lanes stay at rest for ever:
    // F = 0, D = 1, 1 - D = 0), its track and band, and -1 where the lane
    // listens to the second track's channel.
    std::vector<float> F, D, E;
    std::vector<int> track, band;
    std::vector<int> second;
    // Per vector: 0 all its lanes listen to the first track, 1 to the
    // second, 2 both.
    std::vector<int> source;
    // The resonators' state per lane, kept between segments.
    std::vector<float> a, q, m;
    const int16_t* samples[2] = {nullptr, nullptr};
    std::vector<std::pair<int, int>> shares;  // vectors [from, to) of each thread
    int64_t start = 0, end = 0;               // the samples still to walk
};

namespace {

// Where a block writes its columns.
struct Output {
    float* max[2];
    float* a[2];
    float* q[2];
    int bands[2];
};

template <class V>
KORVANE_KERNEL void loadV(V& v, const float* p) {
    std::memcpy(&v, p, sizeof v);
}
template <class V>
KORVANE_KERNEL void storeV(float* p, const V& v) {
    std::memcpy(p, &v, sizeof v);
}

// N vectors of W lanes from lane0 on, in registers while a block runs. Every
// lane does the reference's arithmetic statement for statement. The column
// maximum is taken of |a| and rounded once per column: rounding half away
// from zero is monotonic and symmetric, so the maximum of the rounded values
// equals the rounded maximum exactly, NaN (never taken) and infinities
// included.
template <class V, class VI, int W, int N, bool Mixed>
struct Group {
    static constexpr int kVectors = N > 0 ? N : 1;
    V F[kVectors], D[kVectors], E[kVectors], a[kVectors], q[kVectors], m[kVectors];
    VI takesSecond[kVectors];
    int lane0 = 0;
    bool second = false;  // a group that does not mix: it listens to the second track

    KORVANE_KERNEL_MEMBER void load(const TVoldComputation::Plan& p, int first) {
        lane0 = first;
        for (int v = 0; v < N; ++v) {
            const int l = lane0 + v * W;
            loadV(F[v], &p.F[l]);
            loadV(D[v], &p.D[l]);
            loadV(E[v], &p.E[l]);
            loadV(a[v], &p.a[l]);
            loadV(q[v], &p.q[l]);
            loadV(m[v], &p.m[l]);
            std::memcpy(&takesSecond[v], &p.second[l], sizeof(VI));
        }
        if (N > 0) second = p.second[lane0] != 0;
    }
    // The sub-steps go through all the vectors of the group one after the
    // other: each vector's sub-steps depend on one another, and written
    // vector after vector they fill the processor's queue with waiting work
    // before it sees the next vector's independent arithmetic. Each lane
    // still does the same operations in the same order.
    KORVANE_KERNEL_MEMBER void sample(float x0s, float x1s) {
        const VI absMask = VI{} + 0x7FFFFFFF;
        V x0 = V{} + (Mixed || !second ? x0s : x1s);
        V x1 = x0;
        if constexpr (Mixed) x1 = V{} + x1s;
        V ex[kVectors], av[kVectors], qv[kVectors];
#pragma GCC unroll 16
        for (int v = 0; v < N; ++v) {
            V x = x0;
            // The lanes of the second track take its sample: a choice of
            // bits (all ones in takesSecond), one vector operation rather
            // than a branch a lane.
            if constexpr (Mixed) x = (V)(((VI)x1 & takesSecond[v]) | ((VI)x0 & ~takesSecond[v]));
            ex[v] = E[v] * x;
            av[v] = a[v];
            qv[v] = q[v];
        }
#pragma GCC unroll 4
        for (int r = 0; r < 4; ++r) {
#pragma GCC unroll 16
            for (int v = 0; v < N; ++v) av[v] = av[v] + F[v] * qv[v];
#pragma GCC unroll 16
            for (int v = 0; v < N; ++v) qv[v] = qv[v] - av[v];
#pragma GCC unroll 16
            for (int v = 0; v < N; ++v) av[v] = ex[v] + D[v] * av[v];
        }
#pragma GCC unroll 16
        for (int v = 0; v < N; ++v) {
            a[v] = av[v];
            q[v] = qv[v];
            V mag = (V)((VI)av[v] & absMask);
            m[v] = mag > m[v] ? mag : m[v];
        }
    }
    // Event k: the loudest values of its column and the state after it.
    KORVANE_KERNEL_MEMBER void emit(const TVoldComputation::Plan& p, size_t k, const Output& out) {
        if constexpr (N > 0) {
            float lm[W * N], la[W * N], lq[W * N];
            std::memcpy(lm, m, sizeof lm);
            std::memcpy(la, a, sizeof la);
            std::memcpy(lq, q, sizeof lq);
            for (int l = 0; l < W * N; ++l) {
                const int t = p.track[lane0 + l];
                if (t < 0) continue;
                const size_t at = k * static_cast<size_t>(out.bands[t]) + p.band[lane0 + l];
                out.max[t][at] = std::round(lm[l]);
                out.a[t][at] = la[l];
                out.q[t][at] = lq[l];
            }
            for (int v = 0; v < N; ++v) m[v] = V{} * 0.0f;
        }
    }
    KORVANE_KERNEL_MEMBER void store(TVoldComputation::Plan& p) {
        for (int v = 0; v < N; ++v) {
            const int l = lane0 + v * W;
            storeV(&p.a[l], a[v]);
            storeV(&p.q[l], q[v]);
            storeV(&p.m[l], m[v]);
        }
    }
};

// Runs a group of vectors (and perhaps the tail beside them) over the
// samples [from, to), painting the events [e, eEnd) that fall in it.
template <class Main, class Tail>
KORVANE_KERNEL void runBlock(TVoldComputation::Plan& p, int mainLane, int tailLane, int64_t from,
                                                    int64_t to, const TVoldColumnEvent* ev, size_t e, size_t eEnd,
                                                    const Output& out) {
    Main g;
    Tail t;
    g.load(p, mainLane);
    t.load(p, tailLane);
    const int16_t* s0 = p.samples[0];
    const int16_t* s1 = p.samples[1] ? p.samples[1] : p.samples[0];
    int64_t i = from;
    for (size_t k = e; k <= eEnd; ++k) {
        const int64_t stop = k < eEnd ? ev[k].sample + 1 : to;
        for (; i < stop; ++i) {
            const float x0 = s0[i], x1 = s1[i];
            g.sample(x0, x1);
            t.sample(x0, x1);
        }
        if (k == eEnd) break;
        g.emit(p, k, out);
        t.emit(p, k, out);
    }
    g.store(p);
    t.store(p);
}

// The tail is narrow and mixes its two channels whatever its lanes hold.
template <class V, class VI, int W, int VB, bool Mixed, int TW>
KORVANE_KERNEL void runWithTail(TVoldComputation::Plan& p, int v0, int64_t from, int64_t to,
                                                       const TVoldColumnEvent* ev, size_t e, size_t eEnd,
                                                       const Output& out) {
    using Main = Group<V, VI, W, VB, Mixed>;
    const int tailLane = p.vectors * p.W;
    if constexpr (TW == 8)
        runBlock<Main, Group<v8f, v8i, 8, 1, true>>(p, v0 * W, tailLane, from, to, ev, e, eEnd, out);
    else if constexpr (TW == 4)
        runBlock<Main, Group<v4f, v4i, 4, 1, true>>(p, v0 * W, tailLane, from, to, ev, e, eEnd, out);
    else
        runBlock<Main, Group<v4f, v4i, 4, 0, false>>(p, v0 * W, tailLane, from, to, ev, e, eEnd, out);
}

template <class V, class VI, int W, int VB>
KORVANE_KERNEL void runBlockOf(TVoldComputation::Plan& p, int v0, int tail, int64_t from,
                                                      int64_t to, const TVoldColumnEvent* ev, size_t e, size_t eEnd,
                                                      const Output& out) {
    bool mixed = p.source[v0] == 2;
    for (int v = 1; v < VB; ++v) mixed |= p.source[v0 + v] != p.source[v0];
    if (mixed) {
        if (tail == 8 && W > 8)
            runWithTail<V, VI, W, VB, true, 8>(p, v0, from, to, ev, e, eEnd, out);
        else if (tail == 4 && W > 4)
            runWithTail<V, VI, W, VB, true, 4>(p, v0, from, to, ev, e, eEnd, out);
        else
            runWithTail<V, VI, W, VB, true, 0>(p, v0, from, to, ev, e, eEnd, out);
    } else {
        if (tail == 8 && W > 8)
            runWithTail<V, VI, W, VB, false, 8>(p, v0, from, to, ev, e, eEnd, out);
        else if (tail == 4 && W > 4)
            runWithTail<V, VI, W, VB, false, 4>(p, v0, from, to, ev, e, eEnd, out);
        else
            runWithTail<V, VI, W, VB, false, 0>(p, v0, from, to, ev, e, eEnd, out);
    }
}

template <class V, class VI, int W>
KORVANE_KERNEL void runVectors(TVoldComputation::Plan& p, int v0, int v1, bool withTail,
                                                      int64_t from, int64_t to, const TVoldColumnEvent* ev, size_t e,
                                                      size_t eEnd, const Output& out) {
    // Each vector's lanes wait on four dependent sub-steps a sample; only
    // many independent vectors in flight at once keep the arithmetic units
    // busy. So a thread's vectors go in as few blocks as hold them (at most
    // kMaxBlock each, sized alike), and the tail rides with the last.
    const int count = v1 - v0;
    const int blocks = (count + kMaxBlock - 1) / kMaxBlock;
    for (int b = 0; b < blocks; ++b) {
        const int first = v0 + count * b / blocks, last = v0 + count * (b + 1) / blocks;
        const int tail = withTail && last == v1 ? p.TW : 0;
        static_assert(kMaxBlock == 6, "a case below for each block size up to kMaxBlock");
        switch (last - first) {
            case 6:
                runBlockOf<V, VI, W, 6>(p, first, tail, from, to, ev, e, eEnd, out);
                break;
            case 5:
                runBlockOf<V, VI, W, 5>(p, first, tail, from, to, ev, e, eEnd, out);
                break;
            case 4:
                runBlockOf<V, VI, W, 4>(p, first, tail, from, to, ev, e, eEnd, out);
                break;
            case 3:
                runBlockOf<V, VI, W, 3>(p, first, tail, from, to, ev, e, eEnd, out);
                break;
            case 2:
                runBlockOf<V, VI, W, 2>(p, first, tail, from, to, ev, e, eEnd, out);
                break;
            default:
                runBlockOf<V, VI, W, 1>(p, first, tail, from, to, ev, e, eEnd, out);
                break;
        }
    }
}

using Runner = void (*)(TVoldComputation::Plan&, int, int, bool, int64_t, int64_t, const TVoldColumnEvent*, size_t,
                        size_t, const Output&);

void runVectors4(TVoldComputation::Plan& p, int v0, int v1, bool tail, int64_t from, int64_t to,
                 const TVoldColumnEvent* ev, size_t e, size_t eEnd, const Output& out) {
    runVectors<v4f, v4i, 4>(p, v0, v1, tail, from, to, ev, e, eEnd, out);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void runVectors8(TVoldComputation::Plan& p, int v0, int v1, bool tail, int64_t from,
                                                int64_t to, const TVoldColumnEvent* ev, size_t e, size_t eEnd,
                                                const Output& out) {
    runVectors<v8f, v8i, 8>(p, v0, v1, tail, from, to, ev, e, eEnd, out);
}
__attribute__((target("avx512f"))) void runVectors16(TVoldComputation::Plan& p, int v0, int v1, bool tail, int64_t from,
                                                     int64_t to, const TVoldColumnEvent* ev, size_t e, size_t eEnd,
                                                     const Output& out) {
    runVectors<v16f, v16i, 16>(p, v0, v1, tail, from, to, ev, e, eEnd, out);
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
void runVectors8(TVoldComputation::Plan& p, int v0, int v1, bool tail, int64_t from, int64_t to,
                 const TVoldColumnEvent* ev, size_t e, size_t eEnd, const Output& out) {
    runVectors<v8f, v8i, 8>(p, v0, v1, tail, from, to, ev, e, eEnd, out);
}
void runVectors16(TVoldComputation::Plan& p, int v0, int v1, bool tail, int64_t from, int64_t to,
                  const TVoldColumnEvent* ev, size_t e, size_t eEnd, const Output& out) {
    runVectors<v16f, v16i, 16>(p, v0, v1, tail, from, to, ev, e, eEnd, out);
}
bool haveWideVectors() { return false; }
bool haveWidestVectors() { return false; }
#endif

// The first event at or after `sample`.
size_t eventAt(const std::vector<TVoldColumnEvent>& events, int64_t sample) {
    return static_cast<size_t>(std::lower_bound(events.begin(), events.end(), sample,
                                                [](const TVoldColumnEvent& e, int64_t s) { return e.sample < s; }) -
                               events.begin());
}

}  // namespace

// ---------------------------------------------------------------------------
// The computation

namespace {

std::vector<const int16_t*> trackSamples(const Sound* sound, const TVoldLayout& layout) {
    std::vector<const int16_t*> samples;
    if (!sound) return samples;
    for (const TVoldTrack& t : layout.Tracks)
        samples.push_back(t.Channel < sound->Channels() ? sound->Channel(t.Channel).wave + layout.First : nullptr);
    return samples;
}

// The lanes a vector: 4, 8 or 16, as asked (0: the best) and as the
// processor allows. The widest vectors pay only while every one of the T
// threads keeps three or more of them busy: fewer independent chains leave
// the sub-steps' latency showing.
int vectorWidthFor(int asked, int lanes, int T) {
    if (asked == 16 && haveWidestVectors()) return 16;
    if (asked == 0 && haveWidestVectors() && (lanes + 15) / 16 >= 3 * T) return 16;
    if (asked != 4 && haveWideVectors()) return 8;
    return 4;
}

// Puts the tracks' bands in lanes of W-lane vectors, the last few lanes in a
// narrow tail vector rather than a mostly idle wide one, as long as every
// thread keeps a wide vector; and marks the channel each vector listens to.
void layLanes(TVoldComputation::Plan& p, const TVoldLayout& layout, int lanes, int W) {
    p.W = W;
    p.vectors = lanes / W;
    const int rest = lanes % W;
    p.TW = 0;
    if (rest > 0 && W > 4 && rest <= W / 2 && p.vectors >= 1)
        p.TW = rest <= 4 ? 4 : 8;
    else if (rest > 0)
        ++p.vectors;
    const size_t padded = static_cast<size_t>(p.vectors) * W + p.TW;
    p.F.assign(padded, 0.0f);
    p.D.assign(padded, 1.0f);
    p.E.assign(padded, 0.0f);
    p.track.assign(padded, -1);
    p.band.assign(padded, 0);
    p.second.assign(padded, 0);
    p.a.assign(padded, 0.0f);
    p.q.assign(padded, 0.0f);
    p.m.assign(padded, 0.0f);
    int lane = 0;
    for (size_t t = 0; t < layout.Tracks.size(); ++t) {
        const TVoldBands& b = layout.Tracks[t].Bands;
        for (int l = 0; l < b.N; ++l, ++lane) {
            p.F[lane] = b.F[l];
            p.D[lane] = b.D[l];
            p.E[lane] = 1 - b.D[l];
            p.track[lane] = static_cast<int>(t);
            p.band[lane] = l;
            p.second[lane] = t == 1 ? -1 : 0;
        }
    }
    p.source.assign(p.vectors, 0);
    for (int v = 0; v < p.vectors; ++v) {
        bool first = false, second = false;
        for (int l = v * W; l < (v + 1) * W; ++l) {
            if (p.track[l] == 0) first = true;
            if (p.track[l] == 1) second = true;
        }
        p.source[v] = first && second ? 2 : second ? 1 : 0;
        // Resting lanes listen to the vector's own channel.
        for (int l = v * W; l < (v + 1) * W; ++l)
            if (p.track[l] < 0) p.second[l] = p.source[v] == 1 ? -1 : 0;
    }
}

// Contiguous shares of the vectors, one a thread; the tail goes with the
// share that has fewest vectors.
void shareVectors(TVoldComputation::Plan& p, int threads) {
    for (int t = 0; t < threads; ++t) p.shares.emplace_back(p.vectors * t / threads, p.vectors * (t + 1) / threads);
    if (p.TW == 0) return;
    p.tailShare = 0;
    for (int t = 1; t < threads; ++t)
        if (p.shares[t].second - p.shares[t].first < p.shares[p.tailShare].second - p.shares[p.tailShare].first)
            p.tailShare = t;
}

}  // namespace

TVoldComputation::TVoldComputation(std::shared_ptr<const Sound> sound, TVoldLayout layout, int threads, int vectorWidth)
    : TVoldComputation(trackSamples(sound.get(), layout), layout, threads, vectorWidth) {
    sound_ = std::move(sound);
}

TVoldComputation::TVoldComputation(std::vector<const int16_t*> samples, TVoldLayout layout, int threads,
                                   int vectorWidth)
    : samples_(std::move(samples)), layout_(std::move(layout)), plan_(std::make_unique<Plan>()) {
    const size_t tracks = layout_.Tracks.size();
    int lanes = 0;
    for (const TVoldTrack& t : layout_.Tracks) lanes += t.Bands.N;
    bool haveSamples = samples_.size() == tracks;
    for (const int16_t* s : samples_) haveSamples = haveSamples && s;
    if (haveSamples && tracks > 0 && tracks <= 2 && lanes > 0 && layout_.Count > 0 && layout_.Columns > 0)
        events_ = VoldColumnEvents(layout_.Count, layout_.Columns);
    max_.resize(tracks);
    a_.resize(tracks);
    q_.resize(tracks);
    for (size_t t = 0; t < tracks; ++t) {
        const size_t n = events_.size() * static_cast<size_t>(layout_.Tracks[t].Bands.N);
        max_[t].assign(n, 0.0f);
        a_[t].assign(n, 0.0f);
        q_[t].assign(n, 0.0f);
    }
    Plan& p = *plan_;
    if (events_.empty()) return;
    for (size_t t = 0; t < tracks; ++t) p.samples[t] = samples_[t];

    const int T = threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    cores_ = T;
    layLanes(p, layout_, lanes, vectorWidthFor(vectorWidth, lanes, T));
    threads_ = std::max(1, std::min(T, p.vectors));
    shareVectors(p, threads_);
    progress_ = std::vector<std::atomic<size_t>>(threads_);
    for (auto& pr : progress_) pr.store(0);
    p.start = 0;
    p.end = events_.back().sample + 1;
}

TVoldComputation::~TVoldComputation() {
    Cancel();
    join();
}

void TVoldComputation::TakeOver(const TVoldComputation& before) {
    if (!before.layout_.SameColumns(layout_) || events_.empty() || before.events_.size() != events_.size()) return;
    size_t ready = before.Ready();
    if (ready == 0) return;
    // The columns before the first sample that differs are still right.
    // Samples at the same place are the same: the one before keeps them
    // alive, and a sound does not change while it is shown.
    if (before.samples_ != samples_) {
        int64_t same = layout_.Count;
        for (size_t t = 0; t < samples_.size(); ++t) {
            const int16_t* x = before.samples_[t];
            const int16_t* y = samples_[t];
            int64_t i = 0;
            // Blocks first, then the samples of the block that differs.
            constexpr int64_t kBlock = 4096;
            while (i + kBlock <= same && std::memcmp(x + i, y + i, kBlock * sizeof(int16_t)) == 0) i += kBlock;
            while (i < same && x[i] == y[i]) ++i;
            same = i;
        }
        ready = std::min(ready, eventAt(events_, same));
    }
    if (ready == 0) return;
    for (size_t t = 0; t < layout_.Tracks.size(); ++t) {
        const size_t n = ready * static_cast<size_t>(layout_.Tracks[t].Bands.N);
        std::copy_n(before.max_[t].begin(), n, max_[t].begin());
        std::copy_n(before.a_[t].begin(), n, a_[t].begin());
        std::copy_n(before.q_[t].begin(), n, q_[t].begin());
    }
    resumed_ = ready;
    for (auto& pr : progress_) pr.store(ready);
    if (ready == events_.size()) return;
    // Go on from the state after the last column taken over.
    Plan& p = *plan_;
    const size_t last = ready - 1;
    loadStateAfter(last, p);
    p.start = events_[last].sample + 1;
}

void TVoldComputation::loadStateAfter(size_t event, Plan& p) const {
    for (size_t l = 0; l < p.track.size(); ++l) {
        const int t = p.track[l];
        if (t < 0) continue;  // an unused lane stays at rest
        const size_t at = event * static_cast<size_t>(layout_.Tracks[t].Bands.N) + p.band[l];
        p.a[l] = a_[t][at];
        p.q[l] = q_[t][at];
    }
}

size_t TVoldComputation::Ready() const {
    if (progress_.empty()) return events_.size();
    size_t ready = events_.size();
    for (const auto& pr : progress_) ready = std::min(ready, pr.load(std::memory_order_acquire));
    return ready;
}

double TVoldComputation::Work() const {
    if (Done()) return 0;
    return static_cast<double>(plan_->end - plan_->start) * (plan_->vectors * plan_->W + plan_->TW);
}

bool TVoldComputation::walk(Plan& p, int v0, int v1, bool tail, int64_t from, int64_t to,
                            std::atomic<size_t>* progress) {
    Output out{};
    for (size_t t = 0; t < layout_.Tracks.size(); ++t) {
        out.max[t] = max_[t].data();
        out.a[t] = a_[t].data();
        out.q[t] = q_[t].data();
        out.bands[t] = layout_.Tracks[t].Bands.N;
    }
    const Runner run = p.W == 16 ? runVectors16 : p.W == 8 ? runVectors8 : runVectors4;
    size_t e = eventAt(events_, from);
    while (from < to) {
        if (cancel_.load(std::memory_order_relaxed)) return false;
        const int64_t stop = std::min(to, from + kSegment);
        const size_t eEnd = eventAt(events_, stop);
        run(p, v0, v1, tail, from, stop, events_.data(), e, eEnd, out);
        if (progress) progress->store(eEnd, std::memory_order_release);
        from = stop;
        e = eEnd;
    }
    return true;
}

void TVoldComputation::work(int share) {
    Plan& p = *plan_;
    const auto [v0, v1] = p.shares[share];
    walk(p, v0, v1, share == p.tailShare, p.start, p.end, &progress_[share]);
}

namespace {

// A part of a run cut in time walks this many samples at least: below it the
// work of settling its first columns is not small against the part.
constexpr int64_t kShortestTimePart = 1 << 18;
int64_t shortestTimePart = kShortestTimePart;

}  // namespace

namespace vold_testing {
void setShortestTimePart(int64_t samples) { shortestTimePart = samples > 0 ? samples : kShortestTimePart; }
}  // namespace vold_testing

bool TVoldComputation::runCutInTime() {
    Plan& p = *plan_;
    // Cut in lanes, a block of enough vectors keeps each thread busy; cut in
    // time, each thread walks all the vectors, which must fit one block.
    const int parts = std::min(cores_, 4);
    if (parts < 2 || p.vectors > kMaxBlock) return false;
    const size_t first = eventAt(events_, p.start);
    if (events_.size() - first < static_cast<size_t>(4 * parts)) return false;
    if (p.end - p.start < parts * shortestTimePart) return false;
    // Each part begins right after a column, so that it owns whole columns.
    std::vector<size_t> bounds{first};
    for (int k = 1; k < parts; ++k) {
        const size_t e = eventAt(events_, p.start + (p.end - p.start) * k / parts);
        if (e <= bounds.back() || e >= events_.size()) return false;
        bounds.push_back(e);
    }
    bounds.push_back(events_.size());
    auto startOf = [&](size_t e) { return e == first ? p.start : events_[e - 1].sample + 1; };

    std::vector<Plan> plans(static_cast<size_t>(parts), p);
    for (size_t k = 1; k < plans.size(); ++k) {
        std::fill(plans[k].a.begin(), plans[k].a.end(), 0.0f);
        std::fill(plans[k].q.begin(), plans[k].q.end(), 0.0f);
        std::fill(plans[k].m.begin(), plans[k].m.end(), 0.0f);
    }
    std::atomic<size_t> exact{first};
    std::vector<char> walked(static_cast<size_t>(parts), 0);
    runPartsSideBySide(parts, [&](int k) {
        walked[k] = walk(plans[k], 0, p.vectors, p.TW > 0, startOf(bounds[k]), startOf(bounds[k + 1]),
                         k == 0 ? &exact : nullptr);
    });

    bool done = walked[0] != 0;
    for (int k = 1; k < parts && done; ++k) {
        done = walked[k] && settle(bounds[k], bounds[k + 1]);
        if (done) exact.store(bounds[k + 1]);
    }
    // What is exact is ready; after a cancel the rest is done again.
    for (auto& pr : progress_) pr.store(done ? events_.size() : exact.load());
    return true;
}

bool TVoldComputation::settle(size_t first, size_t last) {
    // From the exact state after the column before the part; unused lanes
    // stay at rest (0) in every plan.
    Plan fix = *plan_;
    std::fill(fix.m.begin(), fix.m.end(), 0.0f);
    loadStateAfter(first - 1, fix);
    std::vector<float> guessed;
    for (size_t e = first; e < last; ++e) {
        // What the part found after this column, before it is computed again.
        guessed.clear();
        for (size_t t = 0; t < layout_.Tracks.size(); ++t) {
            const size_t n = static_cast<size_t>(layout_.Tracks[t].Bands.N);
            guessed.insert(guessed.end(), a_[t].begin() + e * n, a_[t].begin() + (e + 1) * n);
            guessed.insert(guessed.end(), q_[t].begin() + e * n, q_[t].begin() + (e + 1) * n);
        }
        if (!walk(fix, 0, fix.vectors, fix.TW > 0, events_[e - 1].sample + 1, events_[e].sample + 1, nullptr))
            return false;
        bool same = true;
        size_t at = 0;
        for (size_t t = 0; t < layout_.Tracks.size() && same; ++t) {
            const size_t n = static_cast<size_t>(layout_.Tracks[t].Bands.N);
            same = std::memcmp(guessed.data() + at, a_[t].data() + e * n, n * sizeof(float)) == 0 &&
                   std::memcmp(guessed.data() + at + n, q_[t].data() + e * n, n * sizeof(float)) == 0;
            at += 2 * n;
        }
        if (same) return true;
    }
    return true;
}

namespace {

// Work in the background gives way to the thread that answers the user:
// a lower priority for the calling thread alone.
void yieldToTheWindow() {
#if defined(__linux__)
    const id_t self = static_cast<id_t>(::gettid());
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, self);
    if (errno == 0) (void)::setpriority(PRIO_PROCESS, self, std::min(now + 5, 19));
#endif
}

}  // namespace

void TVoldComputation::spawn(int from, bool background) {
    if (Done() || !workers_.empty()) return;
    for (int t = from; t < threads_; ++t)
        workers_.emplace_back([this, t, background] {
            if (background) yieldToTheWindow();
            work(t);
        });
}

void TVoldComputation::join() {
    for (auto& w : workers_) w.join();
    workers_.clear();
}

void TVoldComputation::Start() { spawn(0, true); }

void TVoldComputation::Run() {
    if (Done()) return;
    if (runCutInTime()) return;
    spawn(1, false);
    work(0);
    join();
}

void TVoldComputation::Wait() {
    if (workers_.empty())
        Run();
    else
        join();
}

void TVoldComputation::Cancel() { cancel_.store(true, std::memory_order_relaxed); }

// ---------------------------------------------------------------------------
// The window's diagram

void TVoldDiagram::Update(const std::shared_ptr<const Sound>& sound, const TVoldPaintArgs& args) {
    TVoldLayout layout = VoldLayoutOf(args);
    if (current_ && current_->TheSound() == sound && current_->Layout().SameColumns(layout)) return;
    auto next = std::make_unique<TVoldComputation>(sound, std::move(layout), threads_);
    if (current_) {
        current_->Cancel();
        next->TakeOver(*current_);
    }
    // The old work stops at its next segment; it goes before the new starts.
    current_.reset();
    current_ = std::move(next);
    reported_ = current_->Ready();
    if (current_->Work() < kAtOnce) {
        current_->Run();
        reported_ = current_->Ready();
    } else {
        current_->Start();
    }
}

bool TVoldDiagram::NewlyReady(int& from, int& to) {
    if (!current_) return false;
    size_t ready = current_->Ready();
    if (ready <= reported_) return false;
    const auto& events = current_->Events();
    from = events[reported_].column;
    to = events[ready - 1].column + 1;
    reported_ = ready;
    return true;
}

void TVoldDiagram::Wait() {
    if (current_) current_->Wait();
}

void TVoldDiagram::Clear() {
    current_.reset();
    reported_ = 0;
}

void TVoldDiagram::Paint(Canvas& canvas, const TVoldPaintArgs& args, int clipLeft, int clipRight) const {
    PaintVoldColumns(canvas, args, current_.get(), nullptr, clipLeft, clipRight);
}

}  // namespace korvane
