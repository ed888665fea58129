#pragma once

#include <memory>
#include <string>

#include "commands/CommandTable.h"

namespace korvane {

// The batch and dialog steps of the wave commands whose options are more
// than their record's fields (the others are made by FieldsStep in the
// command table), and the enable rules that only some commands share.
using Step = std::unique_ptr<CommandStep>;

Step MakeMixStep(TWorkspace& space, TUnitWave& doc);
// The mix step has a dialog of its own, not one over a record.
bool IsMixStep(const CommandStep& step);
Step MakeLineStep(TWorkspace& space, TUnitWave& doc);
Step MakeBlockStep(TWorkspace& space, TUnitWave& doc);
Step MakeTriangleStep(TWorkspace& space, TUnitWave& doc);
Step MakeMFreqStep(TWorkspace& space, TUnitWave& doc);
Step MakePropertiesStep(TWorkspace& space, TUnitWave& doc);
Step MakeDrawStep(TWorkspace& space, TUnitWave& doc);

Step MakeMaxVolumeStep(TWorkspace& space, TUnitWave& doc);
Step MakeBlockEffectStep(TWorkspace& space, TUnitWave& doc);
Step MakeReverseStep(TWorkspace& space, TUnitWave& doc);
Step MakeRotateStep(TWorkspace& space, TUnitWave& doc);
Step MakeBalanceStep(TWorkspace& space, TUnitWave& doc);
Step MakeMixLeftRightStep(TWorkspace& space, TUnitWave& doc);
Step MakeFilterHighStep(TWorkspace& space, TUnitWave& doc);
Step MakeFilterLowStep(TWorkspace& space, TUnitWave& doc);
Step MakeFilterResStep(TWorkspace& space, TUnitWave& doc);
Step MakeFilterNotchStep(TWorkspace& space, TUnitWave& doc);
Step MakeFilterBlockStep(TWorkspace& space, TUnitWave& doc);

Step MakeRollOutStep(TWorkspace& space, TUnitWave& doc);
Step MakeRollInStep(TWorkspace& space, TUnitWave& doc);
Step MakeTempoPitchStep(TWorkspace& space, TUnitWave& doc);
Step MakeRndEchoStep(TWorkspace& space, TUnitWave& doc);
Step MakeSplitHStep(TWorkspace& space, TUnitWave& doc);
Step MakeSplitVStep(TWorkspace& space, TUnitWave& doc);
Step MakeMergeHStep(TWorkspace& space, TUnitWave& doc);
Step MakeMergeVStep(TWorkspace& space, TUnitWave& doc);

std::string NeedsClipOnly(const CommandState& s);
std::string NeedsMono(const CommandState& s);
std::string NeedsStereo(const CommandState& s);
std::string SplitHEnabled(const CommandState& s);
std::string StereoOnly(const CommandState& s);
std::string TwoWindows(const CommandState& s);

}  // namespace korvane
