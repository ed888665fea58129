#include "commands/WaveSteps.h"

#include <memory>

#include "commands/RecordStep.h"
#include "processing/EffectCommands.h"
#include "processing/TWorkspace.h"

namespace korvane {


namespace {

class PlainStep : public CommandStep {
public:
    explicit PlainStep(bool (*op)(TUnitWave&)) : op_(op) {}
    StepResult Run(TWorkspace&, TUnitWave& wave, std::ostream*) override {
        StepResult r;
        if (!op_(wave)) r.kind = StepResult::Failed;
        return r;
    }

private:
    bool (*op_)(TUnitWave&);
};

// "--flag on|off" for a switch that is a choice of the record (it carries over).
CommandOption onOff(const std::string& name, bool& target, const std::string& help) {
    return {name, true, help, [&target, name](const std::string& v) -> std::string {
                if (v == "on")
                    target = true;
                else if (v == "off")
                    target = false;
                else
                    return name + " takes on|off";
                return "";
            }};
}

Step blockStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TBlockProps>>(space, doc.Records.BlockEffect, space.Records.BlockEffect,
                                                          BlockCommand);
    auto& p = step->props;
    // An axis the step gives no option for is left as it is.
    p.HorizontalKind = 0;
    p.VerticalKind = 0;
    step->FieldOptions();
    return step;
}

Step rotateStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TRotateProps>>(space, doc.Records.Rotate, space.Records.Rotate, RotateCommand);
    auto& p = step->props;
    step->Choice("--direction", p.Direction, {"left", "right"}, "left|right (left)");
    step->FieldOptions();
    step->SetCheck(
        [](const TRotateProps& props, const TUnitWave& wave) { return CheckRotate(props, wave.SelectionSeconds()); });
    return step;
}

Step balanceStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TBalanceProps>>(space, doc.Records.Balance, space.Records.Balance, BalanceCommand);
    auto& p = step->props;
    step->FieldOptions();
    step->Other(onOff("--time-difference", p.TimeDifference, "on|off (on)"));
    step->Choice("--volume-difference", p.VolumeDifference, {"none", "volume", "filter"},
                 "none|volume|filter (volume)");
    step->SetCheck([](const TBalanceProps& props, const TUnitWave&) { return CheckBalance(props); });
    return step;
}

Step mixLeftRightStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TLeftRightProps>>(space, doc.Records.LeftRight, space.Records.LeftRight,
                                                              MixLeftRightCommand);
    auto& p = step->props;
    std::string names;
    for (const auto& example : kLeftRightExamples) {
        if (!names.empty()) names += '|';
        names += example.Name;
    }
    // The example fills the four boxes at once; factors typed as options are
    // read afterwards and override it.
    step->Other({"--example", true, "NAME, one of " + names, [&p, names](const std::string& v) -> std::string {
                     if (!ApplyLeftRightExample(p, v)) return "--example takes " + names;
                     return "";
                 }});
    step->FieldOptions();
    return step;
}

template <bool High>
Step highLowStep(TWorkspace& space, TUnitWave& doc) {
    auto& docRecord = High ? doc.Records.FilterHigh : doc.Records.FilterLow;
    auto& spaceRecord = High ? space.Records.FilterHigh : space.Records.FilterLow;
    auto step = std::make_unique<RecordStep<THighLowProps>>(space, docRecord, spaceRecord,
                                                            High ? FilterHighCommand : FilterLowCommand);
    auto& p = step->props;
    step->FieldOptions();
    step->Flag("--maximize-volume", p.MaximizeVolume, "maximize the volume between the passes");
    step->SetCheck([](const THighLowProps& props, const TUnitWave&) { return CheckHighLow(props); });
    step->SetStage(High ? FilterHighCommandStage : FilterLowCommandStage);
    return step;
}

template <bool Notch>
Step resNotchStep(TWorkspace& space, TUnitWave& doc) {
    auto& docRecord = Notch ? doc.Records.FilterNotch : doc.Records.FilterRes;
    auto& spaceRecord = Notch ? space.Records.FilterNotch : space.Records.FilterRes;
    auto step = std::make_unique<RecordStep<TResNotchProps>>(space, docRecord, spaceRecord,
                                                             Notch ? FilterNotchCommand : FilterResCommand);
    step->FieldOptions();
    step->SetCheck(
        [](const TResNotchProps& props, const TUnitWave& wave) { return CheckResNotch(props, wave.GetFreq()); });
    step->SetStage(Notch ? FilterNotchCommandStage : FilterResCommandStage);
    return step;
}

Step blockFilterStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TBlockFilterProps>>(space, doc.Records.BlockFilter,
                                                                space.Records.BlockFilter, FilterBlockCommand);
    auto& p = step->props;
    // The envelope is a switch beside the block time, which stays in use as
    // the largest block: off unless the step names an envelope.
    p.UseEnvelope = false;
    step->FieldOptions();
    step->SetCheck([](const TBlockFilterProps& props, const TUnitWave&) { return CheckBlockFilter(props); });
    return step;
}

template <bool (*Op)(TUnitWave&)>
Step plainStep(TWorkspace&, TUnitWave&) {
    return std::make_unique<PlainStep>(Op);
}

}  // namespace

Step MakeMaxVolumeStep(TWorkspace& s, TUnitWave& d) { return plainStep<MaxVolumeCommand>(s, d); }
Step MakeBlockEffectStep(TWorkspace& s, TUnitWave& d) { return blockStep(s, d); }
Step MakeReverseStep(TWorkspace& s, TUnitWave& d) { return plainStep<ReverseCommand>(s, d); }
Step MakeRotateStep(TWorkspace& s, TUnitWave& d) { return rotateStep(s, d); }
Step MakeBalanceStep(TWorkspace& s, TUnitWave& d) { return balanceStep(s, d); }
Step MakeMixLeftRightStep(TWorkspace& s, TUnitWave& d) { return mixLeftRightStep(s, d); }
Step MakeFilterHighStep(TWorkspace& s, TUnitWave& d) { return highLowStep<true>(s, d); }
Step MakeFilterLowStep(TWorkspace& s, TUnitWave& d) { return highLowStep<false>(s, d); }
Step MakeFilterResStep(TWorkspace& s, TUnitWave& d) { return resNotchStep<false>(s, d); }
Step MakeFilterNotchStep(TWorkspace& s, TUnitWave& d) { return resNotchStep<true>(s, d); }
Step MakeFilterBlockStep(TWorkspace& s, TUnitWave& d) { return blockFilterStep(s, d); }

std::string NeedsMono(const CommandState& s) {
    std::string r = NeedsSamples(s);
    if (!r.empty()) return r;
    if (s.wave->GetMoSt() != 1) return "the wave is not mono";
    return "";
}

std::string NeedsStereo(const CommandState& s) {
    std::string r = NeedsSamples(s);
    if (!r.empty()) return r;
    if (s.wave->GetMoSt() != 2) return "the wave is not stereo";
    return "";
}

}  // namespace korvane
