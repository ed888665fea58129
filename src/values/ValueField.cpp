#include "values/ValueField.h"

#include "values/InputErrors.h"
#include "values/ValueWriters.h"

namespace korvane {

namespace {

// Every field writes with seven significant digits and no trailing zeros.
constexpr int kPrecision = 7;
constexpr bool kTrim = true;
constexpr bool kTime = false;
constexpr bool kFrequency = true;

constexpr const char* kSelectWave = "You have to select a Wave";

bool isFactorUnit(TUnitCode unit) {
    return unit == ucNone || unit == ucPercent || unit == ucDecibel || unit == ucDegree || unit == ucBalanceDegree;
}

bool isTimeUnit(TUnitCode unit) {
    return unit == ucSecond || unit == ucMilliSecond || unit == ucHertz || unit == ucKiloHertz;
}

}  // namespace

void unitValue::CheckText(bool& ok, const std::string& text, const std::string& caption) {
    if (!ok) return;
    std::string message;
    if (!FromText(text, caption, message)) {
        ShowInputErrorText(message);
        ok = false;
    }
}

TUnitCode unitValue::unitOf(const std::string& text) const {
    TUnitCode unit = unit_;
    TStringReader(text).UnitOfText(unit);
    return unit;
}

std::string unitValue::failure(const std::string& caption, const TStringReader& reader) {
    return InputErrorText(caption, reader.ErrorMessage());
}

// ---------------------------------------------------------------------------

std::string unitFactor::ToText() const {
    if (!isFactorUnit(unit_)) return "";
    return WriteValue(GetValue(), unit_, kPrecision, kTrim, kTime);
}

bool unitFactor::FromText(const std::string& text, const std::string& caption, std::string& message) {
    TStringReader reader(text);
    double v = 0;
    if (!read(reader, v)) {
        message = failure(caption, reader);
        return false;
    }
    // The unit first: SetValue may still turn a unit down that cannot show the value.
    unit_ = unitOf(text);
    SetValue(v);
    return true;
}

unitVolumeFactor::unitVolumeFactor(double value, TUnitCode unit) : unitVolumeFactor(value, unit, ckNone) {}

unitVolumeFactor::unitVolumeFactor(double value, TUnitCode unit, TCheckKind kind) : unitFactor(value, unit, kind) {
    unitVolumeFactor::SetValue(value);
}

void unitVolumeFactor::SetValue(double value) {
    if (unit_ == ucDecibel && !(value > 0)) unit_ = ucNone;
    value_ = value;
}

bool unitVolumeFactorPosMoreLess1::read(TStringReader& reader, double& value) const {
    double v = 0;
    if (!reader.ReadVolumeFactor(v) || !reader.CheckValue(v, kind_)) return false;
    value = v;
    return true;
}

bool unitBalAngleFactor::FromText(const std::string& text, const std::string& caption, std::string& message) {
    if (!unitFactor::FromText(text, caption, message)) return false;
    if (unit_ == ucDegree) unit_ = ucBalanceDegree;
    return true;
}

// ---------------------------------------------------------------------------

std::string unitTime::ToText() const {
    if (!isTimeUnit(unit_)) return "";
    return WriteValue(value_, unit_, kPrecision, kTrim, kTime);
}

bool unitTime::FromText(const std::string& text, const std::string& caption, std::string& message) {
    TStringReader reader(text);
    double seconds = 0;
    if (!reader.ReadTime(seconds, kind_)) {
        message = failure(caption, reader);
        return false;
    }
    unit_ = unitOf(text);
    SetValue(seconds);
    return true;
}

std::string unitFreq::ToText() const {
    if (!isTimeUnit(unit_)) return "";
    return WriteValue(value_, unit_, kPrecision, kTrim, kFrequency);
}

bool unitFreq::FromText(const std::string& text, const std::string& caption, std::string& message) {
    TStringReader reader(text);
    double hertz = 0;
    if (!reader.ReadFrequency(hertz, kind_)) {
        message = failure(caption, reader);
        return false;
    }
    unit_ = unitOf(text);
    value_ = hertz;
    return true;
}

// ---------------------------------------------------------------------------

std::string unitWaveVal::ToText() const { return WriteWaveValue(value_, unit_); }

bool unitWaveVal::FromText(const std::string& text, const std::string& caption, std::string& message) {
    TStringReader reader(text);
    int16_t sample = 0;
    if (!reader.ReadWaveValue(sample, kind_)) {
        message = failure(caption, reader);
        return false;
    }
    unit_ = unitOf(text);
    value_ = sample;
    return true;
}

// ---------------------------------------------------------------------------

std::string unitInteger::ToText() const {
    if (unit_ != ucNone) return "";
    return WriteValue(value_, ucNone, kPrecision, kTrim, kTime);
}

bool unitInteger::FromText(const std::string& text, const std::string& caption, std::string& message) {
    TStringReader reader(text);
    int32_t v = 0;
    if (!read(reader, v)) {
        message = failure(caption, reader);
        return false;
    }
    unit_ = unitOf(text);
    SetValue(v);
    return true;
}

// ---------------------------------------------------------------------------

std::string unitWavePosition::ToText() const {
    if (unit_ == ucNone || unit_ == ucPercent || unit_ == ucDegree) {
        const double fraction = (length_ != 0) ? value_ / length_ : 0;
        return WriteValue(fraction, unit_, kPrecision, kTrim, kTime);
    }
    if (isTimeUnit(unit_)) {
        // A position typed from the end is shown from the end again.
        return WriteValue(fromEnd_ ? value_ - length_ : value_, unit_, kPrecision, kTrim, kTime);
    }
    return "";
}

bool unitWavePosition::FromText(const std::string& text, const std::string& caption, std::string& message) {
    TStringReader reader(text);
    double t = 0;
    if (reader.ReadTime(t, ckNone)) {
        if (t >= length_) {
            message = InputErrorText(caption, "Position must be before the end of the wave");
            return false;
        }
        if (t < -length_) {
            message = InputErrorText(caption, "Position must be not before the start of the previous wave");
            return false;
        }
        unit_ = unitOf(text);
        fromEnd_ = t < 0;
        value_ = fromEnd_ ? length_ + t : t;
        return true;
    }
    double phase = 0;
    if (reader.ReadPhase(phase)) {
        unit_ = unitOf(text);
        fromEnd_ = false;
        value_ = phase * length_;
        return true;
    }
    message = failure(caption, reader);
    return false;
}

void unitWavePosition::SetLength(double length) {
    KORVANE_ASSERT(length > 0);
    if ((unit_ == ucNone || unit_ == ucPercent || unit_ == ucDegree) && length_ != 0) {
        value_ = value_ * (length / length_);
    }
    length_ = length;
}

// ---------------------------------------------------------------------------

void unitUnitWave::SetName(const std::string& name) {
    name_ = name;
    wave_ = nullptr;
}

void unitUnitWave::FromCombo(bool& ok, const TWaveItem* selected, const std::string& caption) {
    if (!ok) return;
    if (selected == nullptr) {
        ShowInputError(caption, kSelectWave);
        name_.clear();
        wave_ = nullptr;
        ok = false;
        return;
    }
    name_ = selected->Text;
    wave_ = selected->Wave;
}

int unitUnitWave::ToCombo(const std::vector<std::string>& itemTexts) const {
    if (name_.empty()) return -1;
    for (size_t i = 0; i < itemTexts.size(); ++i) {
        if (itemTexts[i] == name_) return static_cast<int>(i);
    }
    return -1;
}

bool unitUnitWave::FromName(const std::string& name, const std::string& caption, std::string& message,
                            const WaveLookup& lookup) {
    TUnitWave* wave = (!name.empty() && lookup) ? lookup(name, caption) : nullptr;
    if (wave == nullptr) {
        message = InputErrorText(caption, kSelectWave);
        return false;
    }
    name_ = name;
    wave_ = wave;
    return true;
}

}  // namespace korvane
