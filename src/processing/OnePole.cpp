#include "processing/OnePole.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <thread>
#include <vector>

#include "core/Wave.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVANE_ONE_POLE_WIDE 1
#endif

namespace korvane {

namespace {

// A part shorter than this is not worth a guess and a check.
constexpr int64_t kShortestPart = 1 << 18;
// At most this many running values are kept per part (512 KB).
constexpr int64_t kMostRecorded = 1 << 16;

bool sameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

#ifdef KORVANE_ONE_POLE_WIDE
bool haveFourChains() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// Four stretches in the four lanes of one vector, four samples of each at a
// time: a lane multiplies and adds exactly as onePoleRun does, one rounding
// each, so each stretch gets onePoleRun's values; only the loads and stores
// are turned about. `count` is a multiple of four.
template <bool High>
__attribute__((target("avx2"))) void onePoleRun4(const int16_t* const in[4], int16_t* const out[4], int64_t count,
                                                 double ox, double x, double y[4]) {
    const __m256d vox = _mm256_set1_pd(ox);
    const __m256d vx = _mm256_set1_pd(x);
    // The low 16 bits of four 32-bit values: truncation, as boundedSample.
    const __m128i lowHalves = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    __m256d v = _mm256_loadu_pd(y);
    for (int64_t i = 0; i < count; i += 4) {
        // Four samples of each stretch, turned into four steps of four lanes.
        const __m128i r01 = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in[0] + i)),
                                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in[1] + i)));
        const __m128i r23 = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in[2] + i)),
                                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in[3] + i)));
        const __m128i steps01 = _mm_unpacklo_epi32(r01, r23);
        const __m128i steps23 = _mm_unpackhi_epi32(r01, r23);
        const __m128i steps[4] = {steps01, _mm_srli_si128(steps01, 8), steps23, _mm_srli_si128(steps23, 8)};
        __m128i o[4];
        for (int k = 0; k < 4; ++k) {
            const __m256d s = _mm256_cvtepi32_pd(_mm_cvtepi16_epi32(steps[k]));
            v = _mm256_add_pd(_mm256_mul_pd(vox, s), _mm256_mul_pd(vx, v));
            o[k] = _mm256_cvttpd_epi32(High ? _mm256_sub_pd(s, v) : v);
        }
        // Back: four results of each stretch.
        const __m128i a = _mm_unpacklo_epi32(o[0], o[1]);
        const __m128i b = _mm_unpacklo_epi32(o[2], o[3]);
        const __m128i c = _mm_unpackhi_epi32(o[0], o[1]);
        const __m128i d = _mm_unpackhi_epi32(o[2], o[3]);
        const __m128i rows[4] = {_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b), _mm_unpacklo_epi64(c, d),
                                 _mm_unpackhi_epi64(c, d)};
        for (int r = 0; r < 4; ++r)
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out[r] + i), _mm_shuffle_epi8(rows[r], lowHalves));
    }
    _mm256_storeu_pd(y, v);
}
#else
bool haveFourChains() { return false; }
#endif

struct Part {
    const int16_t* in = nullptr;
    int16_t* out = nullptr;
    int64_t begin = 0;
    int64_t end = 0;
    int64_t warmFrom = 0;  // where the guessed running value starts from 0
    double first = 0;      // the running value before the first part's first sample
    std::vector<double> recorded;
    double last = 0;  // the running value after the part's last sample
};

// Cuts [begin, end) of each channel into plan.parts parts. The first part
// of channel c starts from first[c] (0 without `first`); every later part
// starts its guess a warm-up before its first sample and gets room for its
// records, taken from `spare` where given: the records of the block before
// serve again, where a new buffer each block would be cleared and faulted
// in. Throws std::bad_alloc.
void cutIntoParts(std::vector<Part>& parts, int channels, const OnePoleSplitPlan& plan, const int16_t* const in[],
                  int16_t* const out[], int64_t begin, int64_t end, const double* first,
                  std::vector<std::vector<double>>* spare) {
    parts.resize(static_cast<size_t>(channels) * static_cast<size_t>(plan.parts));
    if (spare && spare->size() < parts.size()) spare->resize(parts.size());
    for (int c = 0; c < channels; ++c) {
        for (int k = 0; k < plan.parts; ++k) {
            const size_t i = static_cast<size_t>(c * plan.parts + k);
            Part& p = parts[i];
            p.in = in[c];
            p.out = out[c];
            p.begin = begin + (end - begin) * k / plan.parts;
            p.end = begin + (end - begin) * (k + 1) / plan.parts;
            p.warmFrom = k == 0 ? p.begin : std::max(begin, p.begin - plan.warmUp);
            if (k == 0 && first) p.first = first[c];
            if (k == 0) continue;
            if (spare) p.recorded.swap((*spare)[i]);
            p.recorded.resize(static_cast<size_t>(std::min(plan.recorded, p.end - p.begin)));
        }
    }
}

template <bool High>
class SplitPass {
public:
    SplitPass(bool& failed, double x) : failed_(failed), ox_(1 - x), x_(x) {}

    // The guessed run of one part up to the recorded values' end; gives the
    // running value there.
    double start(Part& p) const {
        double y = p.first;
        for (int64_t i = p.warmFrom; i < p.begin; ++i) {
            double s = p.in[i];
            y = ox_ * s + x_ * y;
        }
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(p.recorded.size()), p.end - p.begin);
        for (int64_t j = 0; j < n; ++j) {
            double s = p.in[p.begin + j];
            y = ox_ * s + x_ * y;
            p.out[p.begin + j] = onePoleOutput<High>(s, y);
            p.recorded[static_cast<size_t>(j)] = y;
        }
        return y;
    }

    // The guessed runs of up to four parts in one loop, in chunks so that a
    // cancel stops them soon: four in the lanes of a vector where the
    // processor has them, else two by two.
    void runGroup(Part* const g[], int count) const {
        double y[4] = {0, 0, 0, 0};
        int64_t at[4] = {0, 0, 0, 0};
        for (int k = 0; k < count; ++k) {
            y[k] = start(*g[k]);
            at[k] = g[k]->begin + std::min<int64_t>(static_cast<int64_t>(g[k]->recorded.size()), g[k]->end - g[k]->begin);
        }
        if (count == 4 && haveFourChains()) {
#ifdef KORVANE_ONE_POLE_WIDE
            while (!flagSet(failed_)) {
                int64_t n = Wave::kChunk;
                for (int k = 0; k < 4; ++k) n = std::min(n, g[k]->end - at[k]);
                n -= n % 4;
                if (n <= 0) break;
                const int16_t* in[4];
                int16_t* out[4];
                for (int k = 0; k < 4; ++k) {
                    in[k] = g[k]->in + at[k];
                    out[k] = g[k]->out + at[k];
                    at[k] += n;
                }
                onePoleRun4<High>(in, out, n, ox_, x_, y);
            }
#endif
        } else {
            for (int k = 0; k + 1 < count; k += 2) {
                Part& a = *g[k];
                Part& b = *g[k + 1];
                while (at[k] < a.end && at[k + 1] < b.end && !flagSet(failed_)) {
                    const int64_t n = std::min<int64_t>({Wave::kChunk, a.end - at[k], b.end - at[k + 1]});
                    onePoleRun2<High>(a.in + at[k], a.out + at[k], b.in + at[k + 1], b.out + at[k + 1], n, ox_, x_,
                                      y[k], y[k + 1]);
                    at[k] += n;
                    at[k + 1] += n;
                }
            }
        }
        for (int k = 0; k < count; ++k) g[k]->last = finish(*g[k], at[k], y[k]);
    }

    // Carries the exact running value y (the value before p's first sample)
    // through p until it meets the guessed run; gives the value after p's end.
    double settle(const Part& p, double y) const {
        const int64_t n = static_cast<int64_t>(p.recorded.size());
        for (int64_t j = 0; p.begin + j < p.end; ++j) {
            if (j == n) return finish(p, p.begin + j, y);
            double s = p.in[p.begin + j];
            y = ox_ * s + x_ * y;
            p.out[p.begin + j] = onePoleOutput<High>(s, y);
            if (sameBits(y, p.recorded[static_cast<size_t>(j)])) return p.last;
        }
        return y;
    }

private:
    // The plain run of p from sample i to its end.
    double finish(const Part& p, int64_t i, double y) const {
        forChunks(failed_, i, p.end, [&](int64_t from, int64_t to) {
            y = onePoleRun<High>(p.in + from, p.out + from, to - from, ox_, x_, y);
        });
        return y;
    }

    bool& failed_;
    double ox_;
    double x_;
};

template <bool High>
bool runSplit(bool& failed, std::vector<Part>& parts, int channels, int perLoopParts, double x,
              double* ends = nullptr) {
    SplitPass<High> pass(failed, x);
    const size_t perLoop = static_cast<size_t>(std::clamp(perLoopParts, 1, 4));
    const int loops = static_cast<int>((parts.size() + perLoop - 1) / perLoop);
    runPartsSideBySide(loops, [&](int k) {
        Part* group[4];
        const size_t first = static_cast<size_t>(k) * perLoop;
        const size_t count = std::min(perLoop, parts.size() - first);
        for (size_t j = 0; j < count; ++j) group[j] = &parts[first + j];
        pass.runGroup(group, static_cast<int>(count));
    });
    if (flagSet(failed)) return false;
    const size_t perChannel = parts.size() / static_cast<size_t>(channels);
    for (size_t c = 0; c < parts.size(); c += perChannel) {
        double y = parts[c].last;  // the first part starts where the pass does: exact
        for (size_t k = c + 1; k < c + perChannel && !flagSet(failed); ++k) y = pass.settle(parts[k], y);
        if (ends) ends[c / perChannel] = y;
    }
    return !flagSet(failed);
}

}  // namespace

namespace {
// The warm-up and the records of a part for coefficient x (0 <= x < 1). The
// recursion forgets a difference in its start by x a sample. After the
// warm-up a guess of 0 is off by less than 2^-64 of the sample range; the
// records reach past the time a loud value takes to fade to nothing in
// doubles, so that a part starting in silence after a loud stretch still
// meets the exact run.
void planParts(double x, OnePoleSplitPlan& plan) {
    const double forget = -std::log(x);  // infinite for x == 0
    plan.warmUp = static_cast<int64_t>(std::ceil(std::min(64 * std::log(2.0) / forget, 1e15)));
    plan.recorded = std::clamp<int64_t>(
        static_cast<int64_t>(std::ceil(std::min(2 * 1100 * std::log(2.0) / forget, 1e15))), 4096, kMostRecorded);
}
}  // namespace

OnePoleSplitPlan planOnePoleSplit(int channels, int64_t length, double x) {
    OnePoleSplitPlan plan;
    if (!(x >= 0 && x < 1) || channels < 1) return plan;
    planParts(x, plan);
    // Two parts a loop (four where a vector holds them), one loop a core (up
    // to four).
    plan.perLoop = haveFourChains() ? 4 : 2;
    const int cores = static_cast<int>(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 4));
    int parts = std::max(1, plan.perLoop * cores / channels);
    while (parts > 1 && (length / parts < kShortestPart || plan.warmUp > length / parts / 8)) --parts;
    plan.parts = parts;
    return plan;
}

bool onePoleSplitPass(bool& failed, bool high, int channels, const int16_t* const in[], int16_t* const out[],
                      int64_t begin, int64_t end, double x, const OnePoleSplitPlan& plan) {
    std::vector<Part> parts;
    try {
        cutIntoParts(parts, channels, plan, in, out, begin, end, nullptr, nullptr);
    } catch (const std::bad_alloc&) {
        // Too little memory for the records: the plain pass needs none.
        const double ox = 1 - x;
        for (int c = 0; c < channels; ++c) {
            double y = 0;
            forChunks(failed, begin, end, [&](int64_t from, int64_t to) {
                y = high ? onePoleRun<true>(in[c] + from, out[c] + from, to - from, ox, x, y)
                         : onePoleRun<false>(in[c] + from, out[c] + from, to - from, ox, x, y);
            });
        }
        return !flagSet(failed);
    }
    return high ? runSplit<true>(failed, parts, channels, plan.perLoop, x)
                : runSplit<false>(failed, parts, channels, plan.perLoop, x);
}

void onePoleBlockPass(bool high, int channels, const int16_t* const in[], int16_t* const out[], int64_t count,
                      double x, double y[], OnePoleBlockRecords& records) {
    const double ox = 1 - x;
    auto plain = [&] {
        for (int c = 0; c < channels; ++c)
            y[c] = high ? onePoleRun<true>(in[c], out[c], count, ox, x, y[c])
                        : onePoleRun<false>(in[c], out[c], count, ox, x, y[c]);
    };
    // Four stretches in one loop where a vector holds them: a stereo block
    // in halves, a mono one in quarters. Two would gain nothing over the
    // plain pair of channels.
    if (channels < 1 || channels > 2 || !haveFourChains() || !(x >= 0 && x < 1)) return plain();
    OnePoleSplitPlan plan;
    planParts(x, plan);
    plan.parts = 4 / channels;
    plan.perLoop = 4;
    if (plan.warmUp > count / plan.parts / 8 || count / plan.parts < 4096) return plain();
    std::vector<Part> parts;
    try {
        cutIntoParts(parts, channels, plan, in, out, 0, count, y, &records);
    } catch (const std::bad_alloc&) {
        return plain();  // the plain pass needs no records
    }
    bool failed = false;
    if (high)
        runSplit<true>(failed, parts, channels, plan.perLoop, x, y);
    else
        runSplit<false>(failed, parts, channels, plan.perLoop, x, y);
    for (size_t i = 0; i < parts.size(); ++i)
        if (!parts[i].recorded.empty()) parts[i].recorded.swap(records[i]);
}

}  // namespace korvane
