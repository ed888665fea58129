#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include "core/WavePeaks.h"

namespace korvane {

// ---- generators ----
// One partial of a frequency mixture, in samples: the source wave is read
// `period` samples per cycle, starting `startAngle` of the way into it, with an
// amplitude that starts at `volume` and is multiplied by `volumeFactor` after
// every sample.
struct MultiFreqRow {
    double volume = 1;
    double period = 1;
    double startAngle = 0;
    double volumeFactor = 1;
};
// ---- end generators ----

// One channel of sound: a counted array of signed 16-bit samples.
//
// Operations are functional unless marked in place: they leave this wave as it
// is and return a new wave the caller owns. Every operation that allocates or
// walks samples takes the document's failure flag: a flag that is already set
// makes it return null and do nothing; a failed allocation sets it and shows
// the memory message once. Loops test the flag before every chunk of
// kChunk samples, so a failure or a cancel stops long work quickly.
class Wave {
public:
    static constexpr int32_t kChunk = 1000;

    int16_t* wave = nullptr;  // owned; null for an empty wave
    int32_t values = 0;       // number of samples

    Wave() = default;
    // Allocates `count` samples (contents undefined). On allocation failure the
    // flag is set and the wave stays empty.
    Wave(int32_t count, bool& failed);
    // Adopts a buffer obtained from allocateSamples.
    Wave(int16_t* buffer, int32_t count);
    ~Wave();

    Wave(const Wave&) = delete;
    Wave& operator=(const Wave&) = delete;

    int32_t getValues() const { return values; }

    // The minimum and maximum summary of the samples for drawing peaks, built
    // on first use and kept while the wave lives. An edit makes a new wave, so
    // the summary stays true; the in-place operations below forget it, and
    // code writing `wave` directly must do so before the wave is drawn.
    const WavePeaks& peaks() const;
    void forgetPeaks();

    // A new wave of `count` samples; null when the flag is set or memory is short.
    static std::unique_ptr<Wave> create(bool& failed, int32_t count);
    // A copy of `other`; null when the flag is set or memory is short.
    static std::unique_ptr<Wave> copy(bool& failed, const Wave& other);

    // Reads at a fractional position with linear interpolation. The neighbour
    // after the last sample is the last sample; positions before the first or
    // after the last sample read the nearest sample.
    double readAt(double position) const;
    // As readAt, but 0 for positions outside 0 .. values - 1.
    double readAtOrZero(double position) const;

    // In place.
    void copyFrom(const Wave& from, int32_t begin, int32_t end, int32_t to);
    void zero(int32_t begin, int32_t end);
    void addFrom(const Wave& from, int32_t begin, int32_t end, int32_t to);
    void drawLine(int32_t begin, double beginValue, int32_t end, double endValue);
    void mixCycleAfter(bool& failed, const Wave& other, int32_t after);
    void addScaledAfter(bool& failed, const Wave& other, int32_t after, double factor);
    int32_t addAfter(bool& failed, const Wave& other, int32_t after);
    void fillBalanceCurve(int32_t sampleFreq);

    // Largest absolute sample of [begin, end) (32768 for -32768); 0 when empty
    // or when the flag becomes set during the scan.
    int32_t peak(bool& failed, int32_t begin, int32_t end) const;

    // Functional. `end` may be -1 for the end of the wave where noted.
    std::unique_ptr<Wave> extract(bool& failed, int32_t begin, int32_t end) const;
    std::unique_ptr<Wave> remove(bool& failed, int32_t begin, int32_t end) const;
    std::unique_ptr<Wave> replace(bool& failed, const Wave& other, int32_t begin, int32_t end) const;
    std::unique_ptr<Wave> append(bool& failed, const Wave& other) const;
    std::unique_ptr<Wave> insertSilence(bool& failed, int32_t length, int32_t& begin, int32_t& end) const;
    std::unique_ptr<Wave> stretch(bool& failed, int32_t length, bool reversed, int32_t& begin, int32_t& end) const;
    std::unique_ptr<Wave> stretchBy(bool& failed, double factor, int32_t& begin, int32_t& end) const;
    std::unique_ptr<Wave> resample(bool& failed, double factor) const;
    std::unique_ptr<Wave> weightedSum(bool& failed, double factor, const Wave& other, double otherFactor,
                                      int32_t begin, int32_t end) const;
    std::unique_ptr<Wave> average(bool& failed, const Wave& other) const;
    std::unique_ptr<Wave> mixAt(bool& failed, const Wave& other, int64_t position, int32_t count, bool fromEnd) const;
    std::unique_ptr<Wave> mixEndingAt(bool& failed, const Wave& other, int64_t position, int32_t count,
                                      bool fromEnd) const;

    // A wave whose samples [0, begin) and [end, values) are this wave's and
    // whose middle is `length` uninitialised samples; the generators and
    // effects fill the middle. `end` may be -1.
    std::unique_ptr<Wave> withGap(bool& failed, int32_t length, int32_t begin, int32_t end) const;

    // Resolves an end of -1 to values.
    int32_t resolveEnd(int32_t end) const { return end == -1 ? values : end; }

    // ---- generators ----
    // Each replaces [begin, end) (end may be -1) with `length` new samples and
    // returns the new wave; on return end = begin + length.

    // A straight line from the value `begin` to the value `end`. The range is
    // begint/endt here, as the values took the plain names. A length of 1
    // gives 2 samples, both ends.
    std::unique_ptr<Wave> line(bool& failed, double begin, double end, int32_t length, int32_t& begint,
                               int32_t& endt) const;
    // An exponential line; both values must have the same sign and not be 0.
    // The last sample stops one factor short of `end`.
    std::unique_ptr<Wave> expLine(bool& failed, double begin, double end, int32_t length, int32_t& begint,
                                  int32_t& endt) const;
    // Values between -amplitude and just below +amplitude from Random.
    std::unique_ptr<Wave> noise(bool& failed, double amplitude, int32_t length, int32_t& begin, int32_t& end) const;
    // Block or triangle: level0 at phase 0, levelMiddle at phase `middle`;
    // period in samples, middle and start are phases.
    std::unique_ptr<Wave> blockTriangle(bool& failed, double level0, double levelMiddle, double period, double middle,
                                        int32_t length, double start, bool triangle, int32_t& begin,
                                        int32_t& end) const;
    // As blockTriangle, with the middle of every sample read from `envelope`
    // (its first to its last sample over the length; -32768..32767 cover the
    // phase range).
    std::unique_ptr<Wave> blockTriangleEnvelope(bool& failed, double level0, double levelMiddle, double period,
                                                const Wave& envelope, int32_t length, double start, bool triangle,
                                                int32_t& begin, int32_t& end) const;
    // A sine from the table between minimum and maximum: per samples per
    // period, trunc(per * count) samples (at least 1), starting at phase
    // startAngle in [0, 1). Needs the sine table.
    std::unique_ptr<Wave> sinusWave(bool& failed, double maximum, double minimum, double per, double count,
                                    double startAngle, int32_t& begin, int32_t& end) const;
    // The sum of the rows' partials read from `source`, truncated to 16 bits
    // after each row's addition.
    std::unique_ptr<Wave> multiFreq(bool& failed, int32_t length, const Wave& source,
                                    std::span<const MultiFreqRow> rows, int32_t& begin, int32_t& end) const;
    // ---- end generators ----

private:
    mutable std::mutex peaksLock_;
    mutable std::unique_ptr<WavePeaks> peaks_;
};

// The failure flag as work running on a thread of its own reads it: the
// window's Cancel sets it from another thread, so it is read afresh each time.
// The flag stays a plain bool (documents and callers keep it as one); the
// atomic_ref makes each crossing between threads an atomic access. Relaxed is
// enough: the flag orders nothing else, the work only has to see it soon.
// atomic_ref needs a non-const object; every flag is a writable bool that the
// work merely reads here, and a load writes nothing.
inline bool flagSet(const bool& failed) {
    return std::atomic_ref<bool>(const_cast<bool&>(failed)).load(std::memory_order_relaxed);
}

// Runs f(from, to) over [begin, end) in chunks of Wave::kChunk, testing the
// flag before each chunk. Returns false when it stopped because of the flag.
template <class F>
bool forChunks(bool& failed, int64_t begin, int64_t end, F&& f) {
    for (int64_t i = begin; i < end; i += Wave::kChunk) {
        if (flagSet(failed)) return false;
        int64_t stop = end - i > Wave::kChunk ? i + Wave::kChunk : end;
        f(i, stop);
    }
    return !failed;
}

// forChunks for work whose samples do not depend on one another: a long
// range is cut into one part per core (at most four), each run on a thread of
// its own, so that the cores share the work and the first writes into fresh
// memory (the page faults). A short range, or one core, runs here.
bool forChunksSideBySide(bool& failed, int64_t begin, int64_t end, const std::function<void(int64_t, int64_t)>& f);

// Runs part(0) to part(parts - 1), each but the first on a thread of its
// own; a part no thread could be started for runs here after the others.
void runPartsSideBySide(int parts, const std::function<void(int)>& part);

// The process-wide sine table of 9000 samples; null until created.
const Wave* sinus();
// Creates the table; shows "Could not create sinus." when memory is short.
// Returns false then.
bool createSinus();
void destroySinus();

}  // namespace korvane
