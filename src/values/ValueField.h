#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/Assert.h"
#include "values/StringReader.h"

namespace korvane {

// The wave document. A wave field only points at one; it never owns it and
// never looks inside, so this library needs no more than the name.
class TUnitWave;

// The typed value fields that parameter records are made of: a value, the
// unit in which the user last typed it, and the check a new text must pass.
// A field writes itself into an edit box (ToText) in the remembered unit, so
// "-6 dB" comes back as "-6 dB" and "440 Hz" as "440 Hz", and reads itself
// back (FromText). Fields are value types: copying copies value, unit, check
// kind and extras.
//
// FromText never changes the field when it fails; on success it stores the
// value and remembers the unit of the text (a note name, which has no number,
// keeps the unit remembered before). Its failure message is the whole Input
// Error text: "In " + caption + ": " + the reader's reason.
class unitValue {
public:
    virtual ~unitValue() = default;

    // The text for the edit box; empty when the remembered unit is not one
    // that the class can show.
    virtual std::string ToText() const = 0;
    // The dialog's OK step: does nothing when `ok` is already false (only the
    // first wrong field of a dialog is reported); otherwise reads the text
    // and, when that fails, shows the one "Input Error" box and clears `ok`.
    virtual void CheckText(bool& ok, const std::string& text, const std::string& caption);
    virtual bool FromText(const std::string& text, const std::string& caption, std::string& message) = 0;

    // A copy of the same class with the same contents.
    virtual std::unique_ptr<unitValue> Clone() const = 0;
    // Takes all contents from a field of exactly the same class.
    virtual void Assign(const unitValue& other) = 0;

    TUnitCode GetUnit() const { return unit_; }
    void SetUnit(TUnitCode unit) { unit_ = unit; }
    TCheckKind GetKind() const { return kind_; }

protected:
    unitValue(TUnitCode unit, TCheckKind kind) : unit_(unit), kind_(kind) {}
    unitValue(const unitValue&) = default;
    unitValue& operator=(const unitValue&) = default;

    // The unit of a text that was read successfully; the remembered unit
    // stays when the text has no readable number.
    TUnitCode unitOf(const std::string& text) const;
    static std::string failure(const std::string& caption, const TStringReader& reader);

    template <class Field>
    static const Field& sameClass(const Field& self, const unitValue& other) {
        KORVANE_ASSERT(typeid(other) == typeid(self));
        return static_cast<const Field&>(other);
    }

    TUnitCode unit_;
    TCheckKind kind_;
};

// ---------------------------------------------------------------------------
// Factors: shown in no unit, %, dB, degrees or balance degrees.

class unitFactor : public unitValue {
public:
    explicit unitFactor(double value = 0, TUnitCode unit = ucNone) : unitFactor(value, unit, ckNone) {}

    std::string ToText() const override;
    bool FromText(const std::string& text, const std::string& caption, std::string& message) override;
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitFactor>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    virtual double GetValue() const { return value_; }
    virtual void SetValue(double value) { value_ = value; }

protected:
    unitFactor(double value, TUnitCode unit, TCheckKind kind) : unitValue(unit, kind), value_(value) {}
    // The reader operation of the class, with the field's check kind.
    virtual bool read(TStringReader& reader, double& value) const { return reader.ReadFactor(value, kind_); }

    double value_;
};

class unitFactorPos : public unitFactor {
public:
    explicit unitFactorPos(double value = 0, TUnitCode unit = ucNone) : unitFactor(value, unit, ckNotNegative) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitFactorPos>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

class unitFactorNotNul : public unitFactor {
public:
    explicit unitFactorNotNul(double value = 0, TUnitCode unit = ucNone) : unitFactor(value, unit, ckNotZero) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitFactorNotNul>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

class unitFactorPosMore : public unitFactor {
public:
    explicit unitFactorPosMore(double value = 0, TUnitCode unit = ucNone) : unitFactor(value, unit, ckPositive) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitFactorPosMore>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

class unitFactorPosMax1 : public unitFactor {
public:
    explicit unitFactorPosMax1(double value = 0, TUnitCode unit = ucNone) : unitFactor(value, unit, ckZeroToOne) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitFactorPosMax1>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

// A factor that may also be typed in decibels.
class unitVolumeFactor : public unitFactor {
public:
    explicit unitVolumeFactor(double value = 0, TUnitCode unit = ucNone);
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitVolumeFactor>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    // A factor of 0 or below has no decibel text: a field remembering dB
    // falls back to no unit.
    void SetValue(double value) override;

protected:
    unitVolumeFactor(double value, TUnitCode unit, TCheckKind kind);
    bool read(TStringReader& reader, double& value) const override { return reader.ReadVolumeFactor(value); }
};

// A volume factor strictly between 0 and 1, decibels included.
class unitVolumeFactorPosMoreLess1 : public unitVolumeFactor {
public:
    explicit unitVolumeFactorPosMoreLess1(double value = 0, TUnitCode unit = ucNone)
        : unitVolumeFactor(value, unit, ckBetweenZeroAndOne) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitVolumeFactorPosMoreLess1>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

protected:
    bool read(TStringReader& reader, double& value) const override;
};

// A phase: a fraction of a period in [0, 1), typed as a factor, % or degrees.
class unitAngleFactor : public unitFactor {
public:
    explicit unitAngleFactor(double value = 0, TUnitCode unit = ucNone) : unitFactor(value, unit, ckNone) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitAngleFactor>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

protected:
    bool read(TStringReader& reader, double& value) const override { return reader.ReadPhase(value); }
};

// A balance in [-1, 1], typed as a factor, % or degrees of 90.
class unitBalAngleFactor : public unitFactor {
public:
    explicit unitBalAngleFactor(double value = 0, TUnitCode unit = ucNone) : unitFactor(value, unit, ckNone) {}
    bool FromText(const std::string& text, const std::string& caption, std::string& message) override;
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitBalAngleFactor>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

protected:
    bool read(TStringReader& reader, double& value) const override { return reader.ReadBalance(value); }
};

// ---------------------------------------------------------------------------
// Times in seconds and frequencies in hertz: shown in s, ms, Hz or kHz.

class unitTime : public unitValue {
public:
    explicit unitTime(double seconds = 0, TUnitCode unit = ucSecond) : unitTime(seconds, unit, ckNone) {}

    std::string ToText() const override;
    bool FromText(const std::string& text, const std::string& caption, std::string& message) override;
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitTime>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    double GetValue() const { return value_; }
    virtual void SetValue(double seconds) { value_ = seconds; }

protected:
    unitTime(double seconds, TUnitCode unit, TCheckKind kind) : unitValue(unit, kind), value_(seconds) {}
    double value_;
};

class unitTimePos : public unitTime {
public:
    explicit unitTimePos(double seconds = 0, TUnitCode unit = ucSecond) : unitTime(seconds, unit, ckNotNegative) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitTimePos>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

class unitTimePosMore : public unitTime {
public:
    explicit unitTimePosMore(double seconds = 0, TUnitCode unit = ucSecond) : unitTime(seconds, unit, ckPositive) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitTimePosMore>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

class unitFreq : public unitValue {
public:
    explicit unitFreq(double hertz = 0, TUnitCode unit = ucHertz) : unitValue(unit, ckNone), value_(hertz) {}

    std::string ToText() const override;
    bool FromText(const std::string& text, const std::string& caption, std::string& message) override;
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitFreq>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    double GetValue() const { return value_; }

private:
    double value_;
};

// ---------------------------------------------------------------------------
// Sample values: shown in no unit (of full scale), % or $.

class unitWaveVal : public unitValue {
public:
    explicit unitWaveVal(int16_t sample = 0, TUnitCode unit = ucNone) : unitWaveVal(sample, unit, ckNone) {}

    std::string ToText() const override;
    bool FromText(const std::string& text, const std::string& caption, std::string& message) override;
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitWaveVal>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    int16_t GetValue() const { return value_; }

protected:
    unitWaveVal(int16_t sample, TUnitCode unit, TCheckKind kind) : unitValue(unit, kind), value_(sample) {}
    int16_t value_;
};

class unitWaveValPosMore : public unitWaveVal {
public:
    explicit unitWaveValPosMore(int16_t sample = 0, TUnitCode unit = ucNone) : unitWaveVal(sample, unit, ckPositive) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitWaveValPosMore>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

// ---------------------------------------------------------------------------
// Integers: shown only while the remembered unit is none. Text after the
// digits is ignored when reading, but its unit is remembered like any other.

class unitInteger : public unitValue {
public:
    explicit unitInteger(int32_t value = 0, TUnitCode unit = ucNone) : unitInteger(value, unit, ckNone) {}

    std::string ToText() const override;
    bool FromText(const std::string& text, const std::string& caption, std::string& message) override;
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitInteger>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    int32_t GetValue() const { return value_; }
    virtual void SetValue(int32_t value) { value_ = value; }

protected:
    unitInteger(int32_t value, TUnitCode unit, TCheckKind kind) : unitValue(unit, kind), value_(value) {}
    virtual bool read(TStringReader& reader, int32_t& value) const { return reader.ReadIntegerChecked(value, kind_); }
    int32_t value_;
};

class unitIntegerPos : public unitInteger {
public:
    explicit unitIntegerPos(int32_t value = 0, TUnitCode unit = ucNone) : unitInteger(value, unit, ckNotNegative) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitIntegerPos>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

class unitIntegerPosMore : public unitInteger {
public:
    explicit unitIntegerPosMore(int32_t value = 0, TUnitCode unit = ucNone) : unitInteger(value, unit, ckPositive) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitIntegerPosMore>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }
};

// An integer of at least a minimum that the record chooses.
class unitIntegerMoreUser : public unitInteger {
public:
    explicit unitIntegerMoreUser(int32_t value = 0, TUnitCode unit = ucNone, int32_t minimum = 0)
        : unitInteger(value, unit, ckNone), minimum_(minimum) {}
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitIntegerMoreUser>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    int32_t GetMinimum() const { return minimum_; }
    void SetMinimum(int32_t minimum) { minimum_ = minimum; }

protected:
    bool read(TStringReader& reader, int32_t& value) const override {
        return reader.ReadIntegerBounded(value, bdAtLeast, minimum_);
    }

private:
    int32_t minimum_;
};

// ---------------------------------------------------------------------------
// A position inside a wave or a selection, in seconds from its start, typed
// as a time ("0.5 s"; "-0.5 s" counts back from the end) or as a fraction of
// the length (a phase: "25 %", "0.25", "90'"). The reference length must be
// set before a text is read or a fraction shown; while it is 0 every time is
// refused as past the end and a fraction shows as 0.

class unitWavePosition : public unitValue {
public:
    explicit unitWavePosition(double seconds = 0, TUnitCode unit = ucPercent)
        : unitValue(unit, ckNone), value_(seconds) {}

    std::string ToText() const override;
    bool FromText(const std::string& text, const std::string& caption, std::string& message) override;
    std::unique_ptr<unitValue> Clone() const override { return std::make_unique<unitWavePosition>(*this); }
    void Assign(const unitValue& other) override { *this = sameClass(*this, other); }

    double GetValue() const { return value_; }
    double GetLength() const { return length_; }
    // Set when the position was typed as a negative time, counted from the end.
    bool FromEnd() const { return fromEnd_; }
    // A position typed as a fraction keeps its fraction of the new length.
    void SetLength(double length);

private:
    double value_;
    double length_ = 0;
    bool fromEnd_ = false;
};

// ---------------------------------------------------------------------------
// A registered wave chosen by name: an envelope, a wave form, a "same length
// as" wave. The name is what the record keeps; the link to the document is
// set when the name is chosen and is not owned.

// One item of a wave picker: its text and the document it stands for.
struct TWaveItem {
    std::string Text;
    TUnitWave* Wave = nullptr;
};

// Finds the wave document that a field may use under a name, or nullptr.
// It gets the field's caption too, so that a caller can apply the picker's
// filter for that field (all named waves, all but the active one, only mono
// waves other than the active one).
using WaveLookup = std::function<TUnitWave*(const std::string& name, const std::string& caption)>;

class unitUnitWave {
public:
    unitUnitWave() = default;
    explicit unitUnitWave(std::string name) : name_(std::move(name)) {}

    // The name; empty when none was chosen.
    std::string ToText() const { return name_; }
    // Takes a name from a text (a music file, a copy); the link goes with the
    // old name, since it belonged to it.
    void SetName(const std::string& name);
    TUnitWave* GetUnitWave() const { return wave_; }

    // The dialog's OK step for a picker: nothing when `ok` is already false;
    // with no item selected the "Input Error" box says "You have to select a
    // Wave", the name and link are cleared and `ok` is cleared.
    void FromCombo(bool& ok, const TWaveItem* selected, const std::string& caption);
    // The index of the item whose text is exactly the name, or -1 (then the
    // picker keeps its selection).
    int ToCombo(const std::vector<std::string>& itemTexts) const;

    // Chooses a wave by a typed name, as the batch front end does. A name that
    // is empty or that `lookup` does not find is refused like an empty picker.
    // Leaves the field unchanged on failure.
    bool FromName(const std::string& name, const std::string& caption, std::string& message, const WaveLookup& lookup);

private:
    std::string name_;
    TUnitWave* wave_ = nullptr;
};

}  // namespace korvane
