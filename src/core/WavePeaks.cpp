#include "core/WavePeaks.h"

#include <algorithm>
#include <new>

namespace korvane {

namespace {

// Kept apart from the spans so the compiler can vectorise the plain loops.
SampleSpan scan(const int16_t* s, int64_t begin, int64_t end) {
    int16_t lo = s[begin], hi = s[begin];
    for (int64_t i = begin + 1; i < end; ++i) {
        lo = std::min(lo, s[i]);
        hi = std::max(hi, s[i]);
    }
    return {lo, hi};
}

// One whole block: a loop of a fixed count, which the compiler turns into
// vector minimum and maximum instructions; an hour of sound is summarised in
// a fraction of the time a sample-by-sample scan takes.
SampleSpan scanBlock(const int16_t* s) {
    int16_t lo = 32767, hi = -32768;
    for (int64_t i = 0; i < WavePeaks::kFine; ++i) {
        lo = std::min(lo, s[i]);
        hi = std::max(hi, s[i]);
    }
    return {lo, hi};
}

SampleSpan join(const std::vector<SampleSpan>& spans, int64_t begin, int64_t end, SampleSpan into) {
    for (int64_t i = begin; i < end; ++i) {
        into.lo = std::min(into.lo, spans[i].lo);
        into.hi = std::max(into.hi, spans[i].hi);
    }
    return into;
}

SampleSpan both(SampleSpan a, SampleSpan b) { return {std::min(a.lo, b.lo), std::max(a.hi, b.hi)}; }

}  // namespace

WavePeaks::WavePeaks(const int16_t* samples, int64_t count) : samples_(samples), count_(samples ? count : 0) {
    if (count_ < kFine) return;
    try {
        int64_t blocks = (count_ + kFine - 1) / kFine;
        fine_.resize(blocks);
        coarse_.resize((blocks + kPerCoarse - 1) / kPerCoarse);
    } catch (const std::bad_alloc&) {
        fine_.clear();
        fine_.shrink_to_fit();
        coarse_.clear();
        coarse_.shrink_to_fit();
        return;
    }
    int64_t whole = count_ / kFine;
    for (int64_t b = 0; b < whole; ++b) fine_[b] = scanBlock(samples_ + b * kFine);
    if (whole < static_cast<int64_t>(fine_.size())) fine_[whole] = scan(samples_, whole * kFine, count_);
    for (int64_t c = 0; c < static_cast<int64_t>(coarse_.size()); ++c) {
        int64_t first = c * kPerCoarse, last = std::min<int64_t>(fine_.size(), first + kPerCoarse);
        coarse_[c] = join(fine_, first + 1, last, fine_[first]);
    }
}

SampleSpan WavePeaks::Range(int64_t begin, int64_t end) const {
    begin = std::max<int64_t>(begin, 0);
    end = std::min(end, count_);
    if (begin >= end) return {};
    // Whole fine blocks [b1, e1) lie between the partial ends.
    int64_t b1 = (begin + kFine - 1) / kFine, e1 = end / kFine;
    if (fine_.empty() || b1 >= e1) return scan(samples_, begin, end);
    SampleSpan out = fine_[b1];
    if (begin < b1 * kFine) out = both(out, scan(samples_, begin, b1 * kFine));
    if (e1 * kFine < end) out = both(out, scan(samples_, e1 * kFine, end));
    // Whole coarse runs [b2, e2) lie between the partial runs of fine blocks.
    int64_t b2 = (b1 + kPerCoarse - 1) / kPerCoarse, e2 = e1 / kPerCoarse;
    if (b2 >= e2) return join(fine_, b1 + 1, e1, out);
    out = join(fine_, b1 + 1, b2 * kPerCoarse, out);
    out = join(coarse_, b2, e2, out);
    return join(fine_, e2 * kPerCoarse, e1, out);
}

}  // namespace korvane
