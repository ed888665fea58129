#pragma once

#include <cmath>
#include <cstdint>

#include "core/Allocation.h"
#include "core/Sound.h"

// Small helpers shared by the time and echo effects. Inline, because they sit
// in the per-sample loops.
namespace korvane::timeecho {

// Linear interpolation at p, 0 outside [0, values - 1] (NaN included).
inline double readOrZero(const Wave& w, double p) {
    if (!(p >= 0) || p > w.values - 1) return 0;
    int32_t k = static_cast<int32_t>(p);
    double f = p - k;
    if (f == 0) return w.wave[k];
    return (1 - f) * w.wave[k] + f * w.wave[k + 1];
}

// An envelope read at p, held at its ends: an envelope never reads beyond its
// last sample.
inline double envelopeAt(const Wave& w, double p) {
    if (!(p > 0)) return w.wave[0];
    if (p >= w.values - 1) return w.wave[w.values - 1];
    int32_t k = static_cast<int32_t>(p);
    double f = p - k;
    if (f == 0) return w.wave[k];
    return (1 - f) * w.wave[k] + f * w.wave[k + 1];
}

// Wraps p into [begin, end) by whole periods; a p below begin first gains
// whole periods. Rounding can leave the result a hair outside; it is pulled
// back in. NaN stays NaN (and reads as 0).
inline double wrapInto(double p, double begin, double end) {
    double n = end - begin;
    if (p < begin) p += n * std::ceil((begin - p) / n);
    p = p - n * std::trunc((p - begin) / n);
    if (p >= end) p -= n;
    if (p < begin) p = begin;
    return p;
}

// A sample count from a real that must fit a wave; a count beyond what a
// wave can hold is a memory failure (flag set, message shown).
inline bool countOrFail(bool& failed, double count, int32_t& out) {
    if (failed) return false;
    if (!(count < 2147483647.0)) {
        failed = true;
        reportOutOfMemory();
        return false;
    }
    out = count > 0 ? static_cast<int32_t>(count) : 0;
    return true;
}

// The envelope wave that serves channel `index` of `target`: for a mono
// target the envelope's middle, for a stereo one its left or right channel
// (a mono envelope serves both).
inline WaveHandle EnvelopeFor(bool& failed, const Sound& target, const Sound& envelope, int index) {
    if (failed) return WaveHandle();
    if (target.MoSt == 1) return envelope.GetMiddle(failed);
    return WaveHandle(index == 0 ? &envelope.GetLeft() : &envelope.GetRight());
}

}  // namespace korvane::timeecho
