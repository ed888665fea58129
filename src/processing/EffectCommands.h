#pragma once

#include <memory>
#include <string>
#include <vector>

#include "processing/EffectProps.h"
#include "processing/SampleStage.h"

namespace korvane {

class TUnitWave;

// The effect and filter commands of a wave document. Each stores its record
// as the document's own, runs on the edit range (the selection, or the whole
// sound) and selects the range the operation reports. They return false when
// the document kept its sound: a failure, or an envelope that is missing.
bool VolumeCommand(TUnitWave& doc, const TVolumeProps& props);
bool MaxVolumeCommand(TUnitWave& doc);
bool ReverseCommand(TUnitWave& doc);
bool UpCommand(TUnitWave& doc, const TUpProps& props);
bool BlockCommand(TUnitWave& doc, const TBlockProps& props);
bool RotateCommand(TUnitWave& doc, const TRotateProps& props);
bool DistortCommand(TUnitWave& doc, const TDistortProps& props);
// The whole mono sound becomes stereo and is selected; a stereo or empty
// sound is left as it is.
bool BalanceCommand(TUnitWave& doc, const TBalanceProps& props);
bool MixLeftRightCommand(TUnitWave& doc, const TLeftRightProps& props);
bool FilterLowCommand(TUnitWave& doc, const THighLowProps& props);
bool FilterHighCommand(TUnitWave& doc, const THighLowProps& props);
bool FilterResCommand(TUnitWave& doc, const TResNotchProps& props);

// What VolumeCommand, FilterLowCommand and FilterHighCommand would do to
// `doc`, as a stage that runs over its sound block by block, where that is
// their work: on the whole sound, without an envelope (and for the filters
// without maximising between passes). Null otherwise.
std::unique_ptr<TSampleStage> VolumeCommandStage(const TUnitWave& doc, const TVolumeProps& props);
std::unique_ptr<TSampleStage> FilterLowCommandStage(const TUnitWave& doc, const THighLowProps& props);
std::unique_ptr<TSampleStage> FilterHighCommandStage(const TUnitWave& doc, const THighLowProps& props);
// The same for UpCommand, and for FilterResCommand and FilterNotchCommand
// without envelopes.
std::unique_ptr<TSampleStage> UpCommandStage(const TUnitWave& doc, const TUpProps& props);
std::unique_ptr<TSampleStage> FilterResCommandStage(const TUnitWave& doc, const TResNotchProps& props);
std::unique_ptr<TSampleStage> FilterNotchCommandStage(const TUnitWave& doc, const TResNotchProps& props);
bool FilterNotchCommand(TUnitWave& doc, const TResNotchProps& props);
// The range grows by the filter's tail and the grown range is selected.
bool FilterBlockCommand(TUnitWave& doc, const TBlockFilterProps& props);

// Dialog-level refusals (the Input Error text, or empty when the values may run).
std::string CheckVolume(const TVolumeProps& props);
// `length` is the edit range's length in seconds.
std::string CheckRotate(const TRotateProps& props, double length);
std::string CheckDistort(const TDistortProps& props);
std::string CheckBalance(const TBalanceProps& props);
std::string CheckHighLow(const THighLowProps& props);
std::string CheckResNotch(const TResNotchProps& props, int32_t sampleFreq);
std::string CheckBlockFilter(const TBlockFilterProps& props);

// Fills the four factors of the named example; false for an unknown name.
bool ApplyLeftRightExample(TLeftRightProps& props, const std::string& name);

}  // namespace korvane
