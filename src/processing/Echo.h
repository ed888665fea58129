#pragma once

#include <memory>
#include <string>

#include "core/Sound.h"
#include "processing/TimeEchoProps.h"

namespace korvane {

class TUnitWave;

// Period echo: `count` copies of the range [begin, end) added at multiples of
// the period `per` (samples, negative: earlier), copy i at volume factor^i.
// The wave grows by zero padding where the echoes reach beyond it; begin and
// end return the grown range. The range must hold two samples or more.
std::unique_ptr<Wave> periodEcho(const Wave& w, bool& failed, double per, double factor, int32_t count, int32_t& begin,
                                 int32_t& end);
// The delay of every output sample scaled by the time envelope (32767 is the
// full period `diffTime`, which must not be negative); the span grows on both
// sides.
std::unique_ptr<Wave> periodEchoByTime(const Wave& w, bool& failed, double diffTime, const Wave& timeEnvelope,
                                       double factor, int32_t count, int32_t& begin, int32_t& end);
// Copy i at (E(pos) / 32767)^i.
std::unique_ptr<Wave> periodEchoByVolume(const Wave& w, bool& failed, double per, const Wave& volumeEnvelope,
                                         int32_t count, int32_t& begin, int32_t& end);
std::unique_ptr<Wave> periodEchoByBoth(const Wave& w, bool& failed, double diffTime, const Wave& timeEnvelope,
                                       const Wave& volumeEnvelope, int32_t count, int32_t& begin, int32_t& end);

// The period echo on every channel; the envelopes are optional.
std::unique_ptr<Sound> PeriodEcho(bool& failed, const Sound& sound, double per, const Sound* timeEnvelope,
                                  double factor, const Sound* volumeEnvelope, int32_t count, int32_t& begin,
                                  int32_t& end);

// The values of a random echo, read from its record.
struct RandomEchoArgs {
    int32_t Count = 20;
    uint32_t Seed = 0;
    double TimeDifference = 1;  // seconds
    bool Cyclable = false;
    int Kind[aspectCount] = {};
    const Sound* Envelope[aspectCount] = {};
    int Die[aspectCount] = {0, 1, 2, 3, 4, 5};
    int BalanceVolumeDifference = 1;
    bool BalanceTimeDifference = true;
    double FrequencyFactor = 2;
    bool High = false;
    int32_t BlockSamples = 1;
};

// A new sound made of `Count` changed copies of the whole sound, placed by
// the dice. Null when the flag is or becomes set.
std::unique_ptr<Sound> RandomEcho(bool& failed, const Sound& sound, const RandomEchoArgs& args);

bool PerEchoExecute(TUnitWave& doc, const TPerEchoProps& props);
// Replaces the whole sound and selects all of the new one.
bool RndEchoExecute(TUnitWave& doc, const TRandomEchoProps& props);

std::string CheckPerEcho(const TPerEchoProps& props, const TUnitWave& doc);
std::string CheckRndEcho(const TRandomEchoProps& props, const TUnitWave& doc);

}  // namespace korvane
