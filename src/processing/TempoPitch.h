#pragma once

#include <memory>
#include <string>

#include "core/Sound.h"
#include "processing/TimeEchoProps.h"

namespace korvane {

class TUnitWave;

// Tempo and pitch: the range [begin, end) is replaced by
// trunc(lengthFactor x n) samples read block by block. Inside a block of
// `blockTime` samples the source advances at the pitch rate `freqFactor`;
// the blocks start where the tempo `speed` says, counted from the start
// fraction `startFrac` of the range. Jump targets wrap into the range; reads
// outside the wave give 0. The high quality crossfades two readers half a
// block apart. An envelope variant takes the pitch rate (freqWave) or the
// tempo of every block (speedEnvelop) from a wave, 32767 being the factor
// itself. On return end = begin + the new length.
std::unique_ptr<Wave> tempoPitchLow(const Wave& w, bool& failed, double speed, double startFrac, double lengthFactor,
                                    double freqFactor, int32_t blockTime, int32_t& begin, int32_t& end);
std::unique_ptr<Wave> tempoPitchHigh(const Wave& w, bool& failed, double speed, double startFrac, double lengthFactor,
                                     double freqFactor, int32_t blockTime, int32_t& begin, int32_t& end);
std::unique_ptr<Wave> tempoPitchLowByFreq(const Wave& w, bool& failed, double speed, double startFrac,
                                          double lengthFactor, double freqFactor, const Wave* freqWave,
                                          int32_t blockTime, int32_t& begin, int32_t& end);
std::unique_ptr<Wave> tempoPitchHighByFreq(const Wave& w, bool& failed, double speed, double startFrac,
                                           double lengthFactor, double freqFactor, const Wave* freqWave,
                                           int32_t blockTime, int32_t& begin, int32_t& end);
std::unique_ptr<Wave> tempoPitchLowBySpeed(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                           double startFrac, double lengthFactor, double freqFactor, int32_t blockTime,
                                           int32_t& begin, int32_t& end);
std::unique_ptr<Wave> tempoPitchHighBySpeed(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                            double startFrac, double lengthFactor, double freqFactor, int32_t blockTime,
                                            int32_t& begin, int32_t& end);
std::unique_ptr<Wave> tempoPitchLowByBoth(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                          double startFrac, double lengthFactor, double freqFactor,
                                          const Wave* freqWave, int32_t blockTime, int32_t& begin, int32_t& end);
std::unique_ptr<Wave> tempoPitchHighByBoth(const Wave& w, bool& failed, double speed, const Wave* speedEnvelop,
                                           double startFrac, double lengthFactor, double freqFactor,
                                           const Wave* freqWave, int32_t blockTime, int32_t& begin, int32_t& end);

// The arguments of one tempo-and-pitch run on a sound. The envelopes are
// optional; each channel reads its own channel of them.
struct TempoPitchArgs {
    double Speed = 1;
    double StartFraction = 0;
    double LengthFactor = 1;
    double FreqFactor = 1;
    int32_t BlockSamples = 1;
    bool High = false;
    const Sound* FreqEnvelope = nullptr;
    const Sound* SpeedEnvelope = nullptr;
};

// Runs the matching one of the eight operations on every channel.
std::unique_ptr<Sound> TempoPitch(bool& failed, const Sound& sound, const TempoPitchArgs& args, int32_t& begin,
                                  int32_t& end);

bool TempoPitchExecute(TUnitWave& doc, const TTempoPitchProps& props);
std::string CheckTempoPitch(const TTempoPitchProps& props, const TUnitWave& doc);
// The block size in samples; below one sample it cannot be used.
std::string CheckBlockSize(double seconds, int32_t freq);

}  // namespace korvane
