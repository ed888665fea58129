#include "processing/EffectCommands.h"

#include <cmath>

#include "core/Sample.h"
#include "processing/AmplitudeEffects.h"
#include "processing/Filters.h"
#include "processing/RecordStep.h"
#include "processing/ShapeEffects.h"
#include "processing/TWorkspace.h"
#include "values/InputErrors.h"

namespace korvane {

namespace {

const Sound* soundOf(const unitUnitWave& pick) {
    const TUnitWave* wave = pick.GetUnitWave();
    return wave && wave->GetValues() > 0 ? wave->TheSound.get() : nullptr;
}

// A chosen envelope must name a wave that has samples to stretch.
std::string checkEnvelope(const unitUnitWave& pick, const std::string& caption) {
    const TUnitWave* wave = pick.GetUnitWave();
    if (!wave) return InputErrorText(caption, "You have to select a Wave");
    if (wave->GetValues() == 0) return InputErrorText(caption, "The wave is empty.");
    return "";
}

}  // namespace

// ---- document commands ----

bool VolumeCommand(TUnitWave& doc, const TVolumeProps& props) {
    doc.Records.Volume = props;
    if (props.Kind == 1) {
        const Sound* envelope = soundOf(props.Envelope);
        if (!envelope) return false;
        return doc.RunOnEditRange(
            [&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return VolumeByEnvelope(s, f, *envelope, b, e); });
    }
    double factor = props.Factor.GetValue();
    return doc.RunOnEditRange(
        [&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return Volume(s, f, factor, b, e); });
}

bool MaxVolumeCommand(TUnitWave& doc) {
    return doc.RunOnEditRange([](bool& f, const Sound& s, int32_t& b, int32_t& e) { return MaxVolume(s, f, b, e); });
}

bool ReverseCommand(TUnitWave& doc) {
    return doc.RunOnEditRange([](bool& f, const Sound& s, int32_t& b, int32_t& e) { return Reverse(s, f, b, e); });
}

bool UpCommand(TUnitWave& doc, const TUpProps& props) {
    doc.Records.Up = props;
    int16_t value = props.AddValue.GetValue();
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return Up(s, f, value, b, e); });
}

bool BlockCommand(TUnitWave& doc, const TBlockProps& props) {
    doc.Records.BlockEffect = props;
    double seconds = 0;
    if (props.HorizontalKind == 1)
        seconds = doc.SelectionSeconds() / props.HorizontalCount.GetValue();
    else if (props.HorizontalKind == 2)
        seconds = props.Time.GetValue();
    double length = doc.GetFreq() * seconds;
    int32_t levels = 0;
    if (props.VerticalKind == 1)
        levels = props.VerticalCount.GetValue();
    else if (props.VerticalKind == 2)
        levels = 32768 / props.Height.GetValue();
    return doc.RunOnEditRange(
        [&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return Block(s, f, length, levels, b, e); });
}

bool RotateCommand(TUnitWave& doc, const TRotateProps& props) {
    doc.Records.Rotate = props;
    double length = doc.SelectionSeconds();
    double c = props.By == 0 ? props.Factor.GetValue() * length : props.Time.GetValue();
    double v = props.Direction == 0 ? c : length - c;
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return Rotate(s, f, v, b, e); });
}

bool DistortCommand(TUnitWave& doc, const TDistortProps& props) {
    doc.Records.Distort = props;
    const Sound* function = soundOf(props.Envelope);
    if (!function) return false;
    return doc.RunOnEditRange(
        [&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return Distort(s, f, *function, b, e); });
}

bool BalanceCommand(TUnitWave& doc, const TBalanceProps& props) {
    doc.Records.Balance = props;
    if (doc.GetMoSt() != 1 || !doc.HasSamples()) return true;
    const Sound* envelope = props.DirectionKind == 1 ? soundOf(props.DirectionEnvelope) : nullptr;
    if (props.DirectionKind == 1 && !envelope) return false;
    double direction = props.Direction.GetValue();
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        auto result = envelope ? BalanceByEnvelope(s, f, *envelope, props.TimeDifference, props.VolumeDifference)
                               : Balance(s, f, direction, props.TimeDifference, props.VolumeDifference);
        b = 0;
        e = result ? result->GetValues() : 0;
        return result;
    });
}

bool MixLeftRightCommand(TUnitWave& doc, const TLeftRightProps& props) {
    doc.Records.LeftRight = props;
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return MixLeftRight(s, f, props.LeftToLeft.GetValue(), props.LeftToRight.GetValue(),
                            props.RightToLeft.GetValue(), props.RightToRight.GetValue(), b, e);
    });
}

namespace {
template <bool High>
bool highLowCommand(TUnitWave& doc, const THighLowProps& props) {
    const Sound* envelope = props.FrequencyKind == 1 ? soundOf(props.FrequencyEnvelope) : nullptr;
    if (props.FrequencyKind == 1 && !envelope) return false;
    double period = props.Frequency.GetValue();
    double factor = props.VolumeFactor.GetValue();
    int32_t count = props.Count.GetValue();
    bool maximize = props.MaximizeVolume;
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return High ? FilterHigh(s, f, period, envelope, factor, count, maximize, b, e)
                    : FilterLow(s, f, period, envelope, factor, count, maximize, b, e);
    });
}

template <bool Notch>
bool resNotchCommand(TUnitWave& doc, const TResNotchProps& props) {
    const Sound* frequencyEnvelope = props.FrequencyKind == 1 ? soundOf(props.FrequencyEnvelope) : nullptr;
    const Sound* widthEnvelope = props.WidthKind == 1 ? soundOf(props.WidthEnvelope) : nullptr;
    if ((props.FrequencyKind == 1 && !frequencyEnvelope) || (props.WidthKind == 1 && !widthEnvelope)) return false;
    // A period below one sample would break the oscillator's contract.
    if (!frequencyEnvelope && !(periodInSamples(props.Frequency.GetValue(), doc.GetFreq()) >= 1)) return false;
    double period = props.Frequency.GetValue();
    double width = props.Width.GetValue();
    return doc.RunOnEditRange([&](bool& f, const Sound& s, int32_t& b, int32_t& e) {
        return Notch ? FilterNotch(s, f, period, frequencyEnvelope, width, widthEnvelope, b, e)
                     : FilterResonant(s, f, period, frequencyEnvelope, width, widthEnvelope, b, e);
    });
}
}  // namespace

bool FilterLowCommand(TUnitWave& doc, const THighLowProps& props) {
    doc.Records.FilterLow = props;
    return highLowCommand<false>(doc, props);
}

bool FilterHighCommand(TUnitWave& doc, const THighLowProps& props) {
    doc.Records.FilterHigh = props;
    return highLowCommand<true>(doc, props);
}

bool FilterResCommand(TUnitWave& doc, const TResNotchProps& props) {
    doc.Records.FilterRes = props;
    return resNotchCommand<false>(doc, props);
}

bool FilterNotchCommand(TUnitWave& doc, const TResNotchProps& props) {
    doc.Records.FilterNotch = props;
    return resNotchCommand<true>(doc, props);
}

bool FilterBlockCommand(TUnitWave& doc, const TBlockFilterProps& props) {
    doc.Records.BlockFilter = props;
    const Sound* envelope = props.UseEnvelope ? soundOf(props.Envelope) : nullptr;
    if (props.UseEnvelope && !envelope) return false;
    double seconds = props.BlockTime.GetValue();
    return doc.RunOnEditRange(
        [&](bool& f, const Sound& s, int32_t& b, int32_t& e) { return FilterBlock(s, f, seconds, envelope, b, e); });
}

// ---- dialog-level checks ----

std::string CheckVolume(const TVolumeProps& props) {
    return props.Kind == 1 ? checkEnvelope(props.Envelope, "Envelope") : "";
}

std::string CheckRotate(const TRotateProps& props, double length) {
    if (std::fabs(props.Time.GetValue()) > length)
        return InputErrorText("Time", "Time may not be longer than the time of the sound.");
    return "";
}

std::string CheckDistort(const TDistortProps& props) { return checkEnvelope(props.Envelope, "Distort Envelope"); }

std::string CheckBalance(const TBalanceProps& props) {
    return props.DirectionKind == 1 ? checkEnvelope(props.DirectionEnvelope, "Direction Envelope") : "";
}

std::string CheckHighLow(const THighLowProps& props) {
    return props.FrequencyKind == 1 ? checkEnvelope(props.FrequencyEnvelope, "Frequency Envelope") : "";
}

std::string CheckResNotch(const TResNotchProps& props, int32_t sampleFreq) {
    if (props.FrequencyKind == 0) {
        if (!(periodInSamples(props.Frequency.GetValue(), sampleFreq) >= 1))
            return InputErrorText("Frequency Constant", "Frequency may not be higher than the sample Frequency.");
    } else {
        std::string r = checkEnvelope(props.FrequencyEnvelope, "Frequency Envelope");
        if (!r.empty()) return r;
    }
    return props.WidthKind == 1 ? checkEnvelope(props.WidthEnvelope, "Frequency Width Envelope") : "";
}

std::string CheckBlockFilter(const TBlockFilterProps& props) {
    return props.UseEnvelope ? checkEnvelope(props.Envelope, "Envelope") : "";
}

bool ApplyLeftRightExample(TLeftRightProps& props, const std::string& name) {
    for (const auto& example : kLeftRightExamples) {
        if (name != example.Name) continue;
        props.LeftToLeft.SetValue(example.LeftToLeft);
        props.LeftToRight.SetValue(example.LeftToRight);
        props.RightToLeft.SetValue(example.RightToLeft);
        props.RightToRight.SetValue(example.RightToRight);
        return true;
    }
    return false;
}

// ---- command table and korvane-cli steps ----

namespace {

using Step = std::unique_ptr<CommandStep>;

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

Step volumeStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TVolumeProps>>(space, doc.Records.Volume, space.Records.Volume, VolumeCommand);
    auto& p = step->props;
    step->Field("--constant", p.Factor, "\"Constant\" volume factor (50 %)", [&p] { p.Kind = 0; });
    step->WavePick("--envelope", p.Envelope, "NAME \"Envelope\"", [&p] { p.Kind = 1; });
    step->SetCheck([](const TVolumeProps& props, const TUnitWave&) { return CheckVolume(props); });
    return step;
}

Step upStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TUpProps>>(space, doc.Records.Up, space.Records.Up, UpCommand);
    step->Field("--add-value", step->props.AddValue, "\"Add Value\" wave value (50 %)");
    return step;
}

Step blockStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TBlockProps>>(space, doc.Records.BlockEffect, space.Records.BlockEffect,
                                                          BlockCommand);
    auto& p = step->props;
    // An axis the step gives no option for is left as it is.
    p.HorizontalKind = 0;
    p.VerticalKind = 0;
    step->Field("--horizontal-count", p.HorizontalCount, "\"Horizontal Count\" integer > 0 (20)",
                [&p] { p.HorizontalKind = 1; });
    step->Field("--time", p.Time, "\"Time\" time > 0 (10 ms)", [&p] { p.HorizontalKind = 2; });
    step->Field("--vertical-count", p.VerticalCount, "\"Vertical Count\" integer > 0 (20)",
                [&p] { p.VerticalKind = 1; });
    step->Field("--height", p.Height, "\"Height\" wave value > 0 (10 %)", [&p] { p.VerticalKind = 2; });
    return step;
}

Step rotateStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TRotateProps>>(space, doc.Records.Rotate, space.Records.Rotate, RotateCommand);
    auto& p = step->props;
    step->Choice("--direction", p.Direction, {"left", "right"}, "left|right (left)");
    step->Field("--factor", p.Factor, "\"Factor\" phase (0.1)", [&p] { p.By = 0; });
    step->Field("--time", p.Time, "\"Time\" time (0.1 s)", [&p] { p.By = 1; });
    step->SetCheck(
        [](const TRotateProps& props, const TUnitWave& wave) { return CheckRotate(props, wave.SelectionSeconds()); });
    return step;
}

Step distortStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TDistortProps>>(space, doc.Records.Distort, space.Records.Distort, DistortCommand);
    step->WavePick("--distort-envelope", step->props.Envelope, "NAME \"Distort Envelope\"");
    step->SetCheck([](const TDistortProps& props, const TUnitWave&) { return CheckDistort(props); });
    return step;
}

Step balanceStep(TWorkspace& space, TUnitWave& doc) {
    auto step =
        std::make_unique<RecordStep<TBalanceProps>>(space, doc.Records.Balance, space.Records.Balance, BalanceCommand);
    auto& p = step->props;
    step->Field("--direction-constant", p.Direction, "\"Direction Constant\" balance (0)",
                [&p] { p.DirectionKind = 0; });
    step->WavePick("--direction-envelope", p.DirectionEnvelope, "NAME \"Direction Envelope\"",
                   [&p] { p.DirectionKind = 1; });
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
    step->Field("--from-left-to-left", p.LeftToLeft, "\"from Left to Left\" volume factor (100 %)");
    step->Field("--from-left-to-right", p.LeftToRight, "\"from Left to Right\" volume factor (0 %)");
    step->Field("--from-right-to-left", p.RightToLeft, "\"from Right to Left\" volume factor (0 %)");
    step->Field("--from-right-to-right", p.RightToRight, "\"from Right to Right\" volume factor (100 %)");
    return step;
}

template <bool High>
Step highLowStep(TWorkspace& space, TUnitWave& doc) {
    auto& docRecord = High ? doc.Records.FilterHigh : doc.Records.FilterLow;
    auto& spaceRecord = High ? space.Records.FilterHigh : space.Records.FilterLow;
    auto step = std::make_unique<RecordStep<THighLowProps>>(space, docRecord, spaceRecord,
                                                            High ? FilterHighCommand : FilterLowCommand);
    auto& p = step->props;
    step->Field("--frequency", p.Frequency, "\"Frequency\" time > 0 (1 kHz)", [&p] { p.FrequencyKind = 0; });
    step->WavePick("--frequency-envelope", p.FrequencyEnvelope, "NAME \"Frequency Envelope\"",
                   [&p] { p.FrequencyKind = 1; });
    step->Field("--volume-factor", p.VolumeFactor, "\"Volume Factor\" volume factor between 0 and 1 (50 %)");
    step->Field("--count", p.Count, "\"Count\" integer > 0 (1)");
    step->Flag("--maximize-volume", p.MaximizeVolume, "maximize the volume between the passes");
    step->SetCheck([](const THighLowProps& props, const TUnitWave&) { return CheckHighLow(props); });
    return step;
}

template <bool Notch>
Step resNotchStep(TWorkspace& space, TUnitWave& doc) {
    auto& docRecord = Notch ? doc.Records.FilterNotch : doc.Records.FilterRes;
    auto& spaceRecord = Notch ? space.Records.FilterNotch : space.Records.FilterRes;
    auto step = std::make_unique<RecordStep<TResNotchProps>>(space, docRecord, spaceRecord,
                                                             Notch ? FilterNotchCommand : FilterResCommand);
    auto& p = step->props;
    step->Field("--frequency-constant", p.Frequency, "\"Frequency Constant\" time > 0 (1 kHz)",
                [&p] { p.FrequencyKind = 0; });
    step->WavePick("--frequency-envelope", p.FrequencyEnvelope, "NAME \"Frequency Envelope\"",
                   [&p] { p.FrequencyKind = 1; });
    step->Field("--width-constant", p.Width, "\"Width Constant\" factor 0..1 (0.25)", [&p] { p.WidthKind = 0; });
    step->WavePick("--frequency-width-envelope", p.WidthEnvelope, "NAME \"Frequency Width Envelope\"",
                   [&p] { p.WidthKind = 1; });
    step->SetCheck(
        [](const TResNotchProps& props, const TUnitWave& wave) { return CheckResNotch(props, wave.GetFreq()); });
    return step;
}

Step blockFilterStep(TWorkspace& space, TUnitWave& doc) {
    auto step = std::make_unique<RecordStep<TBlockFilterProps>>(space, doc.Records.BlockFilter,
                                                                space.Records.BlockFilter, FilterBlockCommand);
    auto& p = step->props;
    // The envelope is a switch beside the block time, which stays in use as
    // the largest block: off unless the step names an envelope.
    p.UseEnvelope = false;
    step->Field("--block-time", p.BlockTime, "\"Block Time\" time (10 ms)");
    step->WavePick("--envelope", p.Envelope, "NAME \"Envelope\" (selects the envelope variant)",
                   [&p] { p.UseEnvelope = true; });
    step->SetCheck([](const TBlockFilterProps& props, const TUnitWave&) { return CheckBlockFilter(props); });
    return step;
}

template <bool (*Op)(TUnitWave&)>
Step plainStep(TWorkspace&, TUnitWave&) {
    return std::make_unique<PlainStep>(Op);
}

}  // namespace

void AddEffectAndFilterCommands(std::vector<WaveCommand>& t) {
    t.push_back({"Volume", "volume", "&Volume...", "V", "Volume|Change the volume by a factor or an envelope", true,
                 NeedsSamples, volumeStep});
    t.push_back({"MaxVolume", "max-volume", "M&aximal Volume", "Shift+V",
                 "Maximal Volume|Raise the volume until the loudest sample is at full scale", true, NeedsSamples,
                 plainStep<MaxVolumeCommand>});
    t.push_back({"Up", "up", "&Up...", "U", "Up|Add a value to every sample", true, NeedsSamples, upStep});
    t.push_back({"Distort", "distort", "&Distort...", "Shift+D", "Distort|Map every sample through a wave", true,
                 NeedsSamples, distortStep});
    t.push_back({"Block", "block", "&Block...", "", "Block|Quantise the wave into blocks and levels", true,
                 NeedsSamples, blockStep});
    t.push_back({"Reverse", "reverse", "&Reverse", "R", "Reverse|Play the wave backwards", true, NeedsSamples,
                 plainStep<ReverseCommand>});
    t.push_back({"Rotate", "rotate", "R&otate...", "Ctrl+R", "Rotate|Turn the wave around its ends", true, NeedsSamples,
                 rotateStep});
    t.push_back({"Balance", "balance", "Ba&lance...", "", "Balance|Place a mono wave between left and right", true,
                 NeedsMono, balanceStep});
    t.push_back({"MixLeftRight", "mix-left-right", "Mi&x Left and Right...", "Shift+M",
                 "Mix Left and Right|Mix the left and right channel into each other", true, NeedsStereo,
                 mixLeftRightStep});
    t.push_back({"FilterHigh", "filter-high", "&High...", "Ctrl+Alt+H", "High Filter|Keep the high frequencies", true,
                 NeedsSamples, highLowStep<true>});
    t.push_back({"FilterLow", "filter-low", "&Low...", "Ctrl+Alt+L", "Low Filter|Keep the low frequencies", true,
                 NeedsSamples, highLowStep<false>});
    t.push_back({"FilterRes", "filter-res", "&Resonant...", "Ctrl+Alt+R", "Resonant Filter|Let one frequency ring",
                 true, NeedsSamples, resNotchStep<false>});
    t.push_back({"FilterNotch", "filter-notch", "&Notch...", "Ctrl+Alt+N", "Notch Filter|Take one frequency out", true,
                 NeedsSamples, resNotchStep<true>});
    t.push_back({"FilterBlock", "filter-block", "&Block...", "Ctrl+Alt+B",
                 "Block Filter|Smooth the wave by a moving average", true, NeedsSamples, blockFilterStep});
}

}  // namespace korvane
