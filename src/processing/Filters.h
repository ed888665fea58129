#pragma once

#include <cstdint>
#include <memory>

#include "core/Sound.h"
#include "core/Wave.h"
#include "processing/SampleStage.h"

namespace korvane {

// The recursive filters: low, high, resonant, notch and block. They run
// sample by sample in double precision over [begin, end) of a new wave whose
// other samples are the input's; results are truncated and wrap to 16 bits.
// Periods are in samples. A set failure flag gives null.
//
// A frequency envelope sample g stands for 20 * 10^((g + 32768) * 3 / 65535)
// hertz (20 Hz to 20 kHz, logarithmic); a width envelope sample g for the
// width (g + 32768) / 65536. Envelopes are stretched over the range.

// A period in samples: seconds x sample frequency. A frequency typed equal
// to the sample frequency can come back a rounding error short of one
// sample; that is taken as exactly one.
double periodInSamples(double seconds, int32_t sampleFreq);

// The frequency in hertz of a frequency envelope value.
double envelopeFrequency(double g);
// The width factor of a width envelope value.
double envelopeWidth(double g);

// ---- wave filters ----
// A chain of `countBer` one-pole stages whose product of stage factors is
// `factor`, run `countCmd` times (every pass reads the previous pass's output).
std::unique_ptr<Wave> lowFilter(const Wave& wave, bool& failed, double time, double factor, int32_t countBer,
                                int32_t countCmd, int32_t begin, int32_t end);
std::unique_ptr<Wave> lowFilterByEnvelope(const Wave& wave, bool& failed, const Wave& envelope, double factor,
                                          int32_t countBer, int32_t countCmd, int32_t sampleFreq, int32_t begin,
                                          int32_t end);
// The input minus its low-passed value.
std::unique_ptr<Wave> highFilter(const Wave& wave, bool& failed, double time, double factor, int32_t countBer,
                                 int32_t countCmd, int32_t begin, int32_t end);
std::unique_ptr<Wave> highFilterByEnvelope(const Wave& wave, bool& failed, const Wave& envelope, double factor,
                                           int32_t countBer, int32_t countCmd, int32_t sampleFreq, int32_t begin,
                                           int32_t end);

// A damped oscillator driven by the input; `per` is its period in samples,
// `factor` the width (1 passes the input, 0 silences).
std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, double per, double factor, int32_t begin,
                                     int32_t end);
std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope, double factor,
                                     int32_t sampleFreq, int32_t begin, int32_t end);
std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, double per, const Wave& widthEnvelope,
                                     int32_t begin, int32_t end);
std::unique_ptr<Wave> resonantFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope,
                                     const Wave& widthEnvelope, int32_t sampleFreq, int32_t begin, int32_t end);
// The input minus the resonant filter's output.
std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, double per, double factor, int32_t begin,
                                  int32_t end);
std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope, double factor,
                                  int32_t sampleFreq, int32_t begin, int32_t end);
std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, double per, const Wave& widthEnvelope, int32_t begin,
                                  int32_t end);
std::unique_ptr<Wave> notchFilter(const Wave& wave, bool& failed, const Wave& frequencyEnvelope,
                                  const Wave& widthEnvelope, int32_t sampleFreq, int32_t begin, int32_t end);

// Half the moving average over x samples (x signed). The wave grows by
// |trunc(x)| + 1 samples inside the range; end reports the grown range.
std::unique_ptr<Wave> blockFilter(const Wave& wave, bool& failed, double x, int32_t& begin, int32_t& end);
// As blockFilter with the block length of every sample x * E / 32767; the
// wave grows by 2 * trunc(|x| + 1) samples.
std::unique_ptr<Wave> blockFilterByEnvelope(const Wave& wave, bool& failed, double x, const Wave& envelope,
                                            int32_t& begin, int32_t& end);

// ---- sound operations ----
// Low and high filter as the dialog runs them: the period in seconds, the
// volume factor, the count c; with `maximize` the range is normalised to
// 22936.9 / peak, then c times filtered by one pass and normalised again.
// `envelope` (may be null) replaces the constant period.
std::unique_ptr<Sound> FilterLow(const Sound& sound, bool& failed, double periodSeconds, const Sound* envelope,
                                 double factor, int32_t count, bool maximize, int32_t& begin, int32_t& end);
std::unique_ptr<Sound> FilterHigh(const Sound& sound, bool& failed, double periodSeconds, const Sound* envelope,
                                  double factor, int32_t count, bool maximize, int32_t& begin, int32_t& end);
// FilterLow and FilterHigh without an envelope and without `maximize`, over
// a whole sound of frequency `sampleFreq`, block by block.
std::unique_ptr<TSampleStage> FilterLowStage(double periodSeconds, int32_t sampleFreq, double factor, int32_t count);
std::unique_ptr<TSampleStage> FilterHighStage(double periodSeconds, int32_t sampleFreq, double factor, int32_t count);
// FilterResonant and FilterNotch without envelopes, over a whole sound,
// block by block; the period must be at least one sample.
std::unique_ptr<TSampleStage> FilterResonantStage(double periodSeconds, int32_t sampleFreq, double width);
std::unique_ptr<TSampleStage> FilterNotchStage(double periodSeconds, int32_t sampleFreq, double width);
// Resonant and notch filter; a non-null envelope replaces the constant beside it.
std::unique_ptr<Sound> FilterResonant(const Sound& sound, bool& failed, double periodSeconds,
                                      const Sound* frequencyEnvelope, double width, const Sound* widthEnvelope,
                                      int32_t& begin, int32_t& end);
std::unique_ptr<Sound> FilterNotch(const Sound& sound, bool& failed, double periodSeconds,
                                   const Sound* frequencyEnvelope, double width, const Sound* widthEnvelope,
                                   int32_t& begin, int32_t& end);
// The block filter; with an envelope the block time is the largest block.
std::unique_ptr<Sound> FilterBlock(const Sound& sound, bool& failed, double blockSeconds, const Sound* envelope,
                                   int32_t& begin, int32_t& end);

}  // namespace korvane
