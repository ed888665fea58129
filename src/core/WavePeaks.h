#pragma once

#include <cstdint>
#include <vector>

namespace korvane {

// The smallest and the largest sample of a range.
struct SampleSpan {
    int16_t lo = 0;
    int16_t hi = 0;
};

// A kept summary of one channel for drawing its peaks: the minimum and maximum
// of every block of kFine samples, and of every run of kCoarse samples. A range
// then costs whole coarse runs, at most two partial runs of fine blocks and at
// most two partial blocks of raw samples, however long it is. The summary
// belongs to one buffer of samples that does not change afterwards; a Wave
// builds it on first use and keeps it as long as it lives.
class WavePeaks {
public:
    static constexpr int64_t kFine = 256;
    static constexpr int64_t kPerCoarse = 256;  // fine blocks in a coarse run
    static constexpr int64_t kCoarse = kFine * kPerCoarse;

    // Summarises samples[0, count). Without memory for the tables the summary
    // stays empty and Range scans the samples themselves: slow, still exact.
    WavePeaks(const int16_t* samples, int64_t count);

    // The exact minimum and maximum of samples[begin, end) of the buffer it was
    // built from; the range is clamped to the buffer and must not be empty
    // after that (an empty one gives 0, 0).
    SampleSpan Range(int64_t begin, int64_t end) const;

    int64_t Count() const { return count_; }
    bool Summarised() const { return !fine_.empty() || count_ < kFine; }

private:
    const int16_t* samples_;
    int64_t count_;
    std::vector<SampleSpan> fine_;    // one per whole or partial block of kFine
    std::vector<SampleSpan> coarse_;  // one per whole or partial run of kCoarse
};

}  // namespace korvane
