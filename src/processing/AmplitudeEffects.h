#pragma once

#include <cstdint>
#include <memory>

#include "core/Sound.h"
#include "core/Wave.h"
#include "processing/SampleStage.h"

namespace korvane {

// Effects that change sample values but keep the length: volume, maximal
// volume, up/down, balance and the left/right mix.
//
// Wave operations leave their input alone and return a new wave of the same
// length whose samples outside [begin, end) are the input's. Results are
// truncated toward zero and keep their low 16 bits: nothing is clipped. A set
// failure flag (on entry or after a failed allocation) gives null.
//
// An envelope of m samples is stretched over the n samples of the range:
// range sample i reads it at i * (m - 1) / (n - 1), interpolated. Envelopes
// must not be empty.

// ---- wave operations ----
std::unique_ptr<Wave> scale(const Wave& wave, bool& failed, double factor, int32_t begin, int32_t end);
// trunc(E(p(i)) * s / 32767): 32767 keeps a sample, 0 silences, negative inverts.
std::unique_ptr<Wave> scaleByEnvelope(const Wave& wave, bool& failed, const Wave& envelope, int32_t begin, int32_t end);
std::unique_ptr<Wave> addValue(const Wave& wave, bool& failed, int16_t value, int32_t begin, int32_t end);

// The wave of `envelope` that serves channel `channel` of `target`: its one
// wave (a stereo envelope mixed) for a mono target, its left or right wave
// for a stereo target (a mono envelope serves both).
WaveHandle EnvelopeChannel(bool& failed, const Sound& target, const Sound& envelope, int channel);

// ---- sound operations ----
// Each works on [begin, end) of every channel and reports that range back.
std::unique_ptr<Sound> Volume(const Sound& sound, bool& failed, double factor, int32_t& begin, int32_t& end);
// Volume by a constant factor over a whole sound, block by block.
std::unique_ptr<TSampleStage> VolumeStage(double factor);
// Up by a value over a whole sound, block by block.
std::unique_ptr<TSampleStage> UpStage(int16_t value);
std::unique_ptr<Sound> VolumeByEnvelope(const Sound& sound, bool& failed, const Sound& envelope, int32_t& begin,
                                        int32_t& end);
// Scales by 32767 / peak, the peak taken over all channels (0 for a silent range).
std::unique_ptr<Sound> MaxVolume(const Sound& sound, bool& failed, int32_t& begin, int32_t& end);
// Scales by `target` / peak over all channels; the filters normalise to
// kFilterPeak.
std::unique_ptr<Sound> Normalise(const Sound& sound, bool& failed, double target, int32_t begin, int32_t end);
inline constexpr double kMaxPeak = 32767;
inline constexpr double kFilterPeak = 22936.9;

std::unique_ptr<Sound> Up(const Sound& sound, bool& failed, int16_t value, int32_t& begin, int32_t& end);

// Stereo sounds: new left = left * leftToLeft + right * rightToLeft, new
// right = right * rightToRight + left * leftToRight.
std::unique_ptr<Sound> MixLeftRight(const Sound& sound, bool& failed, double leftToLeft, double leftToRight,
                                    double rightToLeft, double rightToRight, int32_t& begin, int32_t& end);

// Balance: a mono wave becomes a stereo sound; the whole wave is used.
// direction in [-1, 1] (-1 all left). The time difference delays the far
// channel (the sound grows); the volume difference is one of these:
enum BalanceVolumeDifference { bvNone = 0, bvVolume = 1, bvFilter = 2 };
std::unique_ptr<Sound> BalanceWave(const Wave& mono, bool& failed, int32_t freq, int16_t bytesPSample, double direction,
                                   bool timeDifference, int volumeDifference);
// As BalanceWave with the direction of every sample from `envelope` (sample / 32767).
std::unique_ptr<Sound> BalanceWaveByEnvelope(const Wave& mono, bool& failed, int32_t freq, int16_t bytesPSample,
                                             const Wave& envelope, bool timeDifference, int volumeDifference);
// The sound operations: a mono sound gives the stereo result; a stereo or
// empty sound is returned as an unchanged copy.
std::unique_ptr<Sound> Balance(const Sound& sound, bool& failed, double direction, bool timeDifference,
                               int volumeDifference);
std::unique_ptr<Sound> BalanceByEnvelope(const Sound& sound, bool& failed, const Sound& envelope, bool timeDifference,
                                         int volumeDifference);

}  // namespace korvane
