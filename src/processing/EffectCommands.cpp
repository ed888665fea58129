#include "processing/EffectCommands.h"

#include <cmath>

#include "core/Sample.h"
#include "processing/AmplitudeEffects.h"
#include "processing/Filters.h"
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

namespace {
bool editsWholeSound(const TUnitWave& doc) {
    int32_t begin = 0, end = 0;
    doc.EditRange(begin, end);
    return begin == 0 && end == doc.GetValues() && end > 0;
}

template <bool High>
std::unique_ptr<TSampleStage> highLowStage(const TUnitWave& doc, const THighLowProps& props) {
    if (props.FrequencyKind == 1 || props.MaximizeVolume || !editsWholeSound(doc)) return nullptr;
    const double period = props.Frequency.GetValue();
    const double factor = props.VolumeFactor.GetValue();
    const int32_t count = props.Count.GetValue();
    return High ? FilterHighStage(period, doc.GetFreq(), factor, count)
                : FilterLowStage(period, doc.GetFreq(), factor, count);
}

template <bool Notch>
std::unique_ptr<TSampleStage> resNotchStage(const TUnitWave& doc, const TResNotchProps& props) {
    if (props.FrequencyKind == 1 || props.WidthKind == 1 || !editsWholeSound(doc)) return nullptr;
    const double period = props.Frequency.GetValue();
    // Below one sample the command keeps the sound: its own way says so.
    if (!(periodInSamples(period, doc.GetFreq()) >= 1)) return nullptr;
    const double width = props.Width.GetValue();
    return Notch ? FilterNotchStage(period, doc.GetFreq(), width) : FilterResonantStage(period, doc.GetFreq(), width);
}
}  // namespace

std::unique_ptr<TSampleStage> UpCommandStage(const TUnitWave& doc, const TUpProps& props) {
    if (!editsWholeSound(doc)) return nullptr;
    return UpStage(props.AddValue.GetValue());
}

std::unique_ptr<TSampleStage> FilterResCommandStage(const TUnitWave& doc, const TResNotchProps& props) {
    return resNotchStage<false>(doc, props);
}

std::unique_ptr<TSampleStage> FilterNotchCommandStage(const TUnitWave& doc, const TResNotchProps& props) {
    return resNotchStage<true>(doc, props);
}

std::unique_ptr<TSampleStage> VolumeCommandStage(const TUnitWave& doc, const TVolumeProps& props) {
    if (props.Kind == 1 || !editsWholeSound(doc)) return nullptr;
    return VolumeStage(props.Factor.GetValue());
}

std::unique_ptr<TSampleStage> FilterLowCommandStage(const TUnitWave& doc, const THighLowProps& props) {
    return highLowStage<false>(doc, props);
}

std::unique_ptr<TSampleStage> FilterHighCommandStage(const TUnitWave& doc, const THighLowProps& props) {
    return highLowStage<true>(doc, props);
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

}  // namespace korvane
