#pragma once

#include <cstdint>
#include <vector>

#include "core/Sample.h"

namespace korvane {

// The constant one-pole stage of the low and high filters: the running value
// y = (1 - x) * s + x * y of every sample s; the output is y, or s - y for the
// high filter. Here and in the split pass below the running value is always
// computed by this one expression, in this order, so that every way of
// running the stage gives the same bytes.

// With 0 <= x <= 1 the running value is a weighted mean of 16-bit samples,
// and the high filter's difference stays within twice the sample range:
// every result fits 32 bits and the plain conversion equals toSample.
inline int16_t boundedSample(double v) { return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int32_t>(v))); }

template <bool High>
inline int16_t onePoleOutput(double s, double y) {
    return boundedSample(High ? s - y : y);
}

// One stretch of a constant pass; y carries over between stretches and comes
// back updated. The coefficients are plain values so that they stay in
// registers. `in` may be `out`.
template <bool High>
inline double onePoleRun(const int16_t* in, int16_t* out, int64_t count, double ox, double x, double y) {
    if (x >= 0 && x <= 1) {
        for (int64_t i = 0; i < count; ++i) {
            double s = in[i];
            y = ox * s + x * y;
            out[i] = onePoleOutput<High>(s, y);
        }
        return y;
    }
    for (int64_t i = 0; i < count; ++i) {
        double s = in[i];
        y = ox * s + x * y;
        out[i] = toSample(High ? s - y : y);
    }
    return y;
}

// Two independent stretches side by side: each recursion waits on its own
// previous value, so two of them in one loop overlap their latencies. Each
// computes exactly what onePoleRun does.
template <bool High>
inline void onePoleRun2(const int16_t* in0, int16_t* out0, const int16_t* in1, int16_t* out1, int64_t count, double ox,
                        double x, double& y0, double& y1) {
    if (!(x >= 0 && x <= 1)) {
        y0 = onePoleRun<High>(in0, out0, count, ox, x, y0);
        y1 = onePoleRun<High>(in1, out1, count, ox, x, y1);
        return;
    }
    double a = y0, b = y1;
    for (int64_t i = 0; i < count; ++i) {
        double s0 = in0[i];
        double s1 = in1[i];
        a = ox * s0 + x * a;
        b = ox * s1 + x * b;
        out0[i] = onePoleOutput<High>(s0, a);
        out1[i] = onePoleOutput<High>(s1, b);
    }
    y0 = a;
    y1 = b;
}

// How a long pass is cut. Each channel's range is cut into `parts` parts;
// every part after the first starts its running value from 0 `warmUp`
// samples before its first sample and keeps the running value of its first
// `recorded` samples. The parts run `perLoop` (up to four) to a loop, in
// order across the channels, the loops side by side.
struct OnePoleSplitPlan {
    int parts = 1;
    int64_t warmUp = 0;
    int64_t recorded = 0;
    int perLoop = 2;
};

// The plan for `channels` channels of `length` samples at coefficient x on
// this machine; one part when cutting does not pay or x is outside [0, 1).
OnePoleSplitPlan planOnePoleSplit(int channels, int64_t length, double x);

// One pass of the stage over [begin, end) of each channel, from in[c] into
// out[c] (a different buffer), the running value starting from 0 at begin:
// sample for sample what onePoleRun gives over the whole range in one go.
//
// Why that holds while the parts run at once: a part after the first guesses
// its starting value. Afterwards, one channel at a time, the running value
// is carried on exactly from the end of the part before, writing the part's
// samples again, until it equals the guessed run's value at the same sample
// bit for bit. From there on both runs compute the same values from the same
// samples, so the rest of the part stands as it is and its last value is
// exact. Where they never meet within the recorded samples, the part is
// computed again to its end. The recursion forgets its start at the rate x,
// so after the warm-up they meet within a few samples.
//
// Needs 0 <= x < 1 and plan.parts > 1. Returns false when the flag stopped
// it (the output is then partly written).
bool onePoleSplitPass(bool& failed, bool high, int channels, const int16_t* const in[], int16_t* const out[],
                      int64_t begin, int64_t end, double x, const OnePoleSplitPlan& plan);

// One pass of the stage over `count` samples of each of `channels` (1 or 2)
// channels, from in[c] into out[c] (a different buffer), the running value
// of channel c starting from y[c] and coming back in it as the value after
// the last sample: exactly what onePoleRun gives, on the calling thread. A
// block long enough for it is cut into four stretches that run in the lanes
// of one vector, settled as onePoleSplitPass settles its parts.
// `records` is room the pass keeps for its next block.
using OnePoleBlockRecords = std::vector<std::vector<double>>;
void onePoleBlockPass(bool high, int channels, const int16_t* const in[], int16_t* const out[], int64_t count,
                      double x, double y[], OnePoleBlockRecords& records);

}  // namespace korvane
