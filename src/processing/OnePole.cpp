#include "processing/OnePole.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <thread>
#include <vector>

#include "core/Wave.h"

namespace korvane {

namespace {

// A part shorter than this is not worth a guess and a check.
constexpr int64_t kShortestPart = 1 << 18;
// At most this many running values are kept per part (512 KB).
constexpr int64_t kMostRecorded = 1 << 16;

bool sameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

struct Part {
    const int16_t* in = nullptr;
    int16_t* out = nullptr;
    int64_t begin = 0;
    int64_t end = 0;
    int64_t warmFrom = 0;  // where the guessed running value starts from 0
    std::vector<double> recorded;
    double last = 0;  // the running value after the part's last sample
};

template <bool High>
class SplitPass {
public:
    SplitPass(bool& failed, double x) : failed_(failed), ox_(1 - x), x_(x) {}

    // The guessed run of one part up to the recorded values' end; gives the
    // running value there.
    double start(Part& p) const {
        double y = 0;
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

    // Two parts' guessed runs in one loop, in chunks so that a cancel stops
    // them soon; a part without partner runs alone.
    void runPair(Part* a, Part* b) const {
        double ya = start(*a);
        int64_t ia = a->begin + std::min<int64_t>(static_cast<int64_t>(a->recorded.size()), a->end - a->begin);
        double yb = 0;
        int64_t ib = 0;
        if (b) {
            yb = start(*b);
            ib = b->begin + std::min<int64_t>(static_cast<int64_t>(b->recorded.size()), b->end - b->begin);
            while (ia < a->end && ib < b->end && !flagSet(failed_)) {
                const int64_t n = std::min<int64_t>({Wave::kChunk, a->end - ia, b->end - ib});
                onePoleRun2<High>(a->in + ia, a->out + ia, b->in + ib, b->out + ib, n, ox_, x_, ya, yb);
                ia += n;
                ib += n;
            }
            yb = finish(*b, ib, yb);
        }
        a->last = finish(*a, ia, ya);
        if (b) b->last = yb;
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
bool runSplit(bool& failed, std::vector<Part>& parts, int channels, double x) {
    SplitPass<High> pass(failed, x);
    const int pairs = static_cast<int>((parts.size() + 1) / 2);
    runPartsSideBySide(pairs, [&](int k) {
        Part* b = 2 * static_cast<size_t>(k) + 1 < parts.size() ? &parts[2 * k + 1] : nullptr;
        pass.runPair(&parts[2 * k], b);
    });
    if (flagSet(failed)) return false;
    const size_t perChannel = parts.size() / static_cast<size_t>(channels);
    for (size_t c = 0; c < parts.size(); c += perChannel) {
        double y = parts[c].last;  // the first part starts where the pass does: exact
        for (size_t k = c + 1; k < c + perChannel && !flagSet(failed); ++k) y = pass.settle(parts[k], y);
    }
    return !flagSet(failed);
}

}  // namespace

OnePoleSplitPlan planOnePoleSplit(int channels, int64_t length, double x) {
    OnePoleSplitPlan plan;
    if (!(x >= 0 && x < 1) || channels < 1) return plan;
    // The recursion forgets a difference in its start by x a sample. After
    // the warm-up a guess of 0 is off by less than 2^-64 of the sample range;
    // the records reach past the time a loud value takes to fade to nothing
    // in doubles, so that a part starting in silence after a loud stretch
    // still meets the exact run.
    const double forget = -std::log(x);  // infinite for x == 0
    plan.warmUp = static_cast<int64_t>(std::ceil(std::min(64 * std::log(2.0) / forget, 1e15)));
    plan.recorded = std::clamp<int64_t>(
        static_cast<int64_t>(std::ceil(std::min(2 * 1100 * std::log(2.0) / forget, 1e15))), 4096, kMostRecorded);
    // Two parts a loop, one loop a core (up to four).
    const int cores = static_cast<int>(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 4));
    int parts = std::max(1, 2 * cores / channels);
    while (parts > 1 && (length / parts < kShortestPart || plan.warmUp > length / parts / 8)) --parts;
    plan.parts = parts;
    return plan;
}

bool onePoleSplitPass(bool& failed, bool high, int channels, const int16_t* const in[], int16_t* const out[],
                      int64_t begin, int64_t end, double x, const OnePoleSplitPlan& plan) {
    std::vector<Part> parts;
    try {
        parts.resize(static_cast<size_t>(channels) * static_cast<size_t>(plan.parts));
        for (int c = 0; c < channels; ++c) {
            for (int k = 0; k < plan.parts; ++k) {
                Part& p = parts[static_cast<size_t>(c * plan.parts + k)];
                p.in = in[c];
                p.out = out[c];
                p.begin = begin + (end - begin) * k / plan.parts;
                p.end = begin + (end - begin) * (k + 1) / plan.parts;
                p.warmFrom = k == 0 ? p.begin : std::max(begin, p.begin - plan.warmUp);
                if (k > 0) p.recorded.resize(static_cast<size_t>(std::min(plan.recorded, p.end - p.begin)));
            }
        }
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
    return high ? runSplit<true>(failed, parts, channels, x) : runSplit<false>(failed, parts, channels, x);
}

}  // namespace korvane
