#pragma once

#include <memory>
#include <string>

#include "core/Sound.h"
#include "processing/TimeEchoProps.h"

namespace korvane {

class TUnitWave;

// Roll in, roll out and length: they replace the range [begin, end) by a
// range of another length, move the samples after it, and report the new
// range in begin and end. Like every sample operation they leave their input
// alone and return null when the failure flag is or becomes set.

// Wraps the range into a loop of `length` samples, starting at loop position
// `target`; a range longer than the loop folds onto itself (16-bit sums).
std::unique_ptr<Wave> rollIn(const Wave& w, bool& failed, int32_t length, int32_t target, int32_t& begin, int32_t& end);
// Plays the range as one cycle of `per` samples (negative: backwards) for
// trunc(|per| x |speed| x lengthFactor) samples, from phase startAngle.
std::unique_ptr<Wave> rollOut(const Wave& w, bool& failed, double per, double speed, double lengthFactor,
                              double startAngle, int32_t& begin, int32_t& end);
// As rollOut, with the speed of every output sample taken from `envelope`
// (32767 is the factor `speed` itself); startpos is a fraction of the range.
std::unique_ptr<Wave> rollOutEnvelope(const Wave& w, bool& failed, const Wave& envelope, double speed,
                                      double lengthfactor, double startpos, int32_t& begin, int32_t& end);
// Resamples the range to trunc(|factor| x n) samples, mirrored for a negative
// factor; a length of 0 removes the range.
std::unique_ptr<Wave> changeLength(const Wave& w, bool& failed, double factor, int32_t& begin, int32_t& end);

// The same on every channel of a sound. Times are in seconds, `startFraction`
// is a fraction of the range.
std::unique_ptr<Sound> RollIn(bool& failed, const Sound& sound, double lengthSeconds, int placement,
                              double positionSeconds, int32_t& begin, int32_t& end);
std::unique_ptr<Sound> RollOut(bool& failed, const Sound& sound, double speed, double lengthFactor,
                               double startFraction, int32_t& begin, int32_t& end);
std::unique_ptr<Sound> RollOutEnvelope(bool& failed, const Sound& sound, const Sound& envelope, double speed,
                                       double lengthFactor, double startFraction, int32_t& begin, int32_t& end);
std::unique_ptr<Sound> ChangeLength(bool& failed, const Sound& sound, double factor, int32_t& begin, int32_t& end);

// The length factor that a length kind gives for a range of `seconds`.
double LengthFactorOf(int kind, double factor, double newLength, const unitUnitWave& sameAs, double count, double speed,
                      double seconds);

// The range's length in seconds: the selection, or the whole sound.
double RangeSeconds(const TUnitWave& doc);

// Document commands: store the record, run on the edit range and select the
// new range. False when the document kept its sound.
bool RollInExecute(TUnitWave& doc, const TRollInProps& props);
bool RollOutExecute(TUnitWave& doc, const TRollOutProps& props);
bool LengthExecute(TUnitWave& doc, const TLengthProps& props);

// The refusals of the dialogs after their fields were read (empty when the
// values can be used).
std::string CheckRollIn(const TRollInProps& props, const TUnitWave& doc);
std::string CheckRollOut(const TRollOutProps& props, const TUnitWave& doc);
std::string CheckLength(const TLengthProps& props, const TUnitWave& doc);

// Shared by the dialog checks: a picker that must name a wave with samples.
std::string CheckWavePick(const unitUnitWave& pick, const std::string& caption);
// A position field that must lie before the end of `seconds`.
std::string CheckPosition(const unitWavePosition& position, double seconds, const std::string& caption);

}  // namespace korvane
