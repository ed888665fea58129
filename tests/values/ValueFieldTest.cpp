#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "values/InputErrors.h"
#include "values/ValueField.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class ValueFieldTest : public CoreFixture {};

// The value of any numeric field as a real.
double valueOf(const unitValue& f) {
    if (auto p = dynamic_cast<const unitFactor*>(&f)) return p->GetValue();
    if (auto p = dynamic_cast<const unitTime*>(&f)) return p->GetValue();
    if (auto p = dynamic_cast<const unitFreq*>(&f)) return p->GetValue();
    if (auto p = dynamic_cast<const unitWaveVal*>(&f)) return p->GetValue();
    if (auto p = dynamic_cast<const unitInteger*>(&f)) return p->GetValue();
    if (auto p = dynamic_cast<const unitWavePosition*>(&f)) return p->GetValue();
    ADD_FAILURE() << "unknown field class";
    return 0;
}

unitWavePosition positionIn(double length) {
    unitWavePosition p(0, ucPercent);
    p.SetLength(length);
    return p;
}

struct Typed {
    std::function<std::unique_ptr<unitValue>()> make;
    std::string typed;
    double value;
    TUnitCode unit;
    std::string shown;
};

template <class Field, class... Args>
std::function<std::unique_ptr<unitValue>()> make(Args... args) {
    return [=] { return std::make_unique<Field>(args...); };
}

std::function<std::unique_ptr<unitValue>()> position(double length) {
    return [=] { return std::make_unique<unitWavePosition>(positionIn(length)); };
}

TEST_F(ValueFieldTest, TypedTextsComeBackInTheirUnitAndReadBackToTheSameValue) {
    const double a4 = 523.26 * std::pow(2.0, -0.25);
    const std::vector<Typed> cases = {
        {make<unitVolumeFactor>(1.0, ucNone), "-6 dB", std::pow(10.0, -0.3), ucDecibel, "-6 dB"},
        {make<unitVolumeFactor>(1.0, ucNone), "50 %", 0.5, ucPercent, "50 %"},
        {make<unitVolumeFactor>(1.0, ucNone), "50%", 0.5, ucPercent, "50 %"},
        {make<unitVolumeFactor>(1.0, ucPercent), "1/3", 1.0 / 3, ucNone, "0.333333"},
        {make<unitFactor>(1.0, ucPercent), "0,25", 0.25, ucNone, "0.25"},
        {make<unitFactorPosMax1>(0.0, ucNone), "0,25", 0.25, ucNone, "0.25"},
        {make<unitFactorNotNul>(2.0, ucPercent), "-150 %", -1.5, ucPercent, "-150 %"},
        {make<unitTime>(1.0, ucSecond), "440 Hz", 1 / 440.0, ucHertz, "440 Hz"},
        {make<unitTimePosMore>(1.0, ucSecond), "1 kHz", 0.001, ucKiloHertz, "1 kHz"},
        {make<unitTime>(1.0, ucSecond), "20 ms", 0.02, ucMilliSecond, "20 ms"},
        {make<unitTimePos>(1.0, ucHertz), "0.5 s", 0.5, ucSecond, "0.5 s"},
        {make<unitTime>(1.0, ucSecond), "250 ms", 0.25, ucMilliSecond, "250 ms"},
        {make<unitTime>(1.0, ucHertz), "A4", 1 / a4, ucHertz, "440.0074 Hz"},
        {make<unitFreq>(0.0, ucHertz), "440 Hz", 440, ucHertz, "440 Hz"},
        {make<unitFreq>(0.0, ucHertz), "1 kHz", 1000, ucKiloHertz, "1 kHz"},
        {make<unitFreq>(0.0, ucHertz), "20 ms", 50, ucMilliSecond, "20 ms"},
        {make<unitFreq>(0.0, ucKiloHertz), "A4", a4, ucKiloHertz, "0.440007 kHz"},
        {make<unitAngleFactor>(0.0, ucNone), "90'", 0.25, ucDegree, "90 '"},
        {make<unitAngleFactor>(0.0, ucNone), "-90'", 0.75, ucDegree, "-90 '"},
        {make<unitAngleFactor>(0.0, ucNone), "-25 %", 0.75, ucPercent, "75 %"},
        {make<unitBalAngleFactor>(0.0, ucNone), "45'", 0.5, ucBalanceDegree, "45 '"},
        {make<unitBalAngleFactor>(0.0, ucBalanceDegree), "-100 %", -1, ucPercent, "-100 %"},
        {make<unitWaveVal>(int16_t{0}, ucNone), "50 %", 16383, ucPercent, "50 %"},
        {make<unitWaveVal>(int16_t{0}, ucPercent), "0.5", 16383, ucNone, "0.5"},
        {make<unitWaveVal>(int16_t{1}, ucNone), "-32768 $", -32768, ucSampleValue, "-32768 $"},
        {make<unitInteger>(int32_t{0}, ucNone), "-7", -7, ucNone, "-7"},
        {make<unitIntegerPosMore>(int32_t{1}, ucNone), "+20", 20, ucNone, "20"},
        {make<unitIntegerMoreUser>(int32_t{30}, ucNone, int32_t{30}), "30", 30, ucNone, "30"},
        {position(2), "-0.5 s", 1.5, ucSecond, "-0.5 s"},
        {position(2), "25 %", 0.5, ucPercent, "25 %"},
        {position(2), "0.25", 0.5, ucNone, "0.25"},
        {position(2), "90'", 0.5, ucDegree, "90 '"},
        {position(2), "250 ms", 0.25, ucMilliSecond, "250 ms"},
        {position(2), "2 Hz", 0.5, ucHertz, "2 Hz"},
    };
    for (const Typed& c : cases) {
        SCOPED_TRACE(c.typed);
        auto field = c.make();
        const TUnitCode before = field->GetUnit();
        std::string message = "untouched";
        ASSERT_TRUE(field->FromText(c.typed, "Caption", message)) << message;
        EXPECT_EQ(message, "untouched");
        EXPECT_DOUBLE_EQ(valueOf(*field), c.value);
        EXPECT_EQ(field->GetUnit(), c.unit);
        const std::string shown = field->ToText();
        EXPECT_EQ(shown, c.shown);

        // What the field writes, a field of the same class reads back to the
        // same text and unit, and to the value within the digits written.
        auto again = c.make();
        again->SetUnit(before == ucNone ? ucPercent : ucNone);
        ASSERT_TRUE(again->FromText(shown, "Caption", message)) << message;
        EXPECT_EQ(again->ToText(), shown);
        EXPECT_EQ(again->GetUnit(), field->GetUnit());
        EXPECT_NEAR(valueOf(*again), valueOf(*field), 1e-5 * std::fabs(valueOf(*field)));
    }
}

TEST_F(ValueFieldTest, AFailedReadChangesNothingAndGivesTheWholeInputErrorText) {
    struct Case {
        std::function<std::unique_ptr<unitValue>()> make;
        std::string typed;
        std::string message;
    };
    const std::vector<Case> cases = {
        {make<unitFactor>(0.5, ucPercent), "3 Hz", "In Cap: Wrong unit used, use: '%' or no unit."},
        {make<unitFactorPos>(0.5, ucPercent), "-1", "In Cap: Value must be positive."},
        {make<unitFactorNotNul>(0.5, ucPercent), "0 %", "In Cap: Value must be not 0."},
        {make<unitFactorPosMore>(0.5, ucPercent), "0", "In Cap: Value must be positive and more than 0."},
        {make<unitFactorPosMax1>(0.5, ucPercent), "101 %", "In Cap: Value must be no more than 1."},
        {make<unitVolumeFactor>(0.5, ucPercent), "1 x", "In Cap: This unit does not exist, use: '%', 'dB' or no unit."},
        {make<unitVolumeFactorPosMoreLess1>(0.5, ucPercent), "0 dB", "In Cap: Value must be less than 1."},
        {make<unitVolumeFactorPosMoreLess1>(0.5, ucPercent), "6 dB", "In Cap: Value must be less than 1."},
        {make<unitVolumeFactorPosMoreLess1>(0.5, ucPercent), "0", "In Cap: Value must be positive and more than 0."},
        {make<unitAngleFactor>(0.1, ucNone), "1", "In Cap: Fase is too high. (maximum: less than 1 or 100 %)"},
        {make<unitBalAngleFactor>(0.0, ucBalanceDegree), "91'", "In Cap: Balance Angle is too high. (maximum: 90' )"},
        {make<unitTime>(0.01, ucMilliSecond), "20", "In Cap: Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'."},
        {make<unitTimePos>(0.01, ucMilliSecond), "-1 s", "In Cap: Value must be positive."},
        {make<unitTimePosMore>(0.01, ucMilliSecond), "0 Hz", "In Cap: You cannot use 0 with 'Hz'."},
        {make<unitTimePosMore>(0.01, ucMilliSecond), "E#4", "In Cap: This note cannot have a \"#\"."},
        {make<unitFreq>(440.0, ucHertz), "0 ms", "In Cap: You cannot use 0 with 'ms'."},
        {make<unitWaveVal>(int16_t{16383}, ucPercent), "2", "In Cap: Wave Value is too high. (maximum: 1)"},
        {make<unitWaveValPosMore>(int16_t{3277}, ucPercent), "-5 %", "In Cap: Value must be positive and more than 0."},
        {make<unitIntegerPos>(int32_t{3}, ucNone), "-3", "In Cap: Value must be positive."},
        {make<unitIntegerPosMore>(int32_t{3}, ucNone), "", "In Cap: Value must be positive and more than 0."},
        {make<unitIntegerMoreUser>(int32_t{30}, ucNone, int32_t{30}), "29",
         "In Cap: Value must be more or equal of 30."},
        {position(2), "2 s", "In Cap: Position must be before the end of the wave"},
        {position(2), "-2.5 s", "In Cap: Position must be not before the start of the previous wave"},
        {position(2), "5", "In Cap: Fase is too high. (maximum: less than 1 or 100 %)"},
        {position(2), "1 dB", "In Cap: Wrong unit used, use: '%', ' ' ' or no unit."},
        {position(2), "x", "In Cap: Input has no value."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        auto field = c.make();
        const std::string shownBefore = field->ToText();
        const double valueBefore = valueOf(*field);
        const TUnitCode unitBefore = field->GetUnit();
        std::string message;
        EXPECT_FALSE(field->FromText(c.typed, "Cap", message));
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(field->ToText(), shownBefore);
        EXPECT_EQ(valueOf(*field), valueBefore);
        EXPECT_EQ(field->GetUnit(), unitBefore);
    }
}

TEST_F(ValueFieldTest, CheckTextShowsOnlyTheFirstFailureOfADialog) {
    unitTimePosMore length(1.0, ucSecond);
    unitVolumeFactor volume(0.5, ucPercent);
    bool ok = true;
    length.CheckText(ok, "0 s", "Length");
    volume.CheckText(ok, "3 x", "Volume");
    volume.CheckText(ok, "-6 dB", "Volume");  // not read once a field failed
    EXPECT_FALSE(ok);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "In Length: Value must be positive and more than 0.");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(volume.ToText(), "50 %");

    ok = true;
    length.CheckText(ok, "20 ms", "Length");
    volume.CheckText(ok, "-6 dB", "Volume");
    EXPECT_TRUE(ok);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(length.ToText(), "20 ms");
    EXPECT_EQ(volume.ToText(), "-6 dB");
}

TEST_F(ValueFieldTest, ATimeKeepsItsUnitWhenANoteIsTyped) {
    unitTime t(0.1, ucMilliSecond);
    EXPECT_EQ(t.ToText(), "100 ms");
    std::string message;
    ASSERT_TRUE(t.FromText("50 Hz", "Time", message));
    EXPECT_DOUBLE_EQ(t.GetValue(), 0.02);
    EXPECT_EQ(t.ToText(), "50 Hz");
    ASSERT_TRUE(t.FromText("A4", "Time", message));
    EXPECT_EQ(t.GetUnit(), ucHertz);
    EXPECT_EQ(t.ToText(), "440.0074 Hz");
    unitTime fresh(0.1, ucMilliSecond);
    ASSERT_TRUE(fresh.FromText("a4", "Time", message));
    EXPECT_EQ(fresh.ToText(), "2.272688 ms");
}

TEST_F(ValueFieldTest, FieldsShowNothingInAUnitTheirClassCannotShow) {
    EXPECT_EQ(unitFactor(0.5, ucSecond).ToText(), "");
    EXPECT_EQ(unitFactor(0.5, ucSampleValue).ToText(), "");
    EXPECT_EQ(unitFactor(0.5, ucDecibel).ToText(), "-6.02 dB");
    EXPECT_EQ(unitFactor(0.5, ucBalanceDegree).ToText(), "45 '");
    EXPECT_EQ(unitTime(0.5, ucNone).ToText(), "");
    EXPECT_EQ(unitTime(0.5, ucPercent).ToText(), "");
    EXPECT_EQ(unitFreq(440, ucDegree).ToText(), "");
    EXPECT_EQ(unitWaveVal(16383, ucHertz).ToText(), "");
    EXPECT_EQ(unitInteger(5, ucPercent).ToText(), "");
    EXPECT_EQ(unitWavePosition(0.5, ucDecibel).ToText(), "");
    EXPECT_EQ(unitWaveVal(16383, ucPercent).ToText(), "50 %");

    // Text after an integer is ignored, but its unit is remembered all the same.
    unitInteger seed(0, ucNone);
    std::string message;
    ASSERT_TRUE(seed.FromText("42 %", "Random Seed", message));
    EXPECT_EQ(seed.GetValue(), 42);
    EXPECT_EQ(seed.ToText(), "");
}

TEST_F(ValueFieldTest, AVolumeFactorWithoutDecibelsFallsBackToNoUnit) {
    unitVolumeFactor v(0.5, ucDecibel);
    EXPECT_EQ(v.ToText(), "-6.02 dB");
    v.SetValue(0);
    EXPECT_EQ(v.GetUnit(), ucNone);
    EXPECT_EQ(v.ToText(), "0");
    EXPECT_EQ(unitVolumeFactor(-1, ucDecibel).ToText(), "-1");
    unitVolumeFactor p(0.5, ucPercent);
    p.SetValue(0);
    EXPECT_EQ(p.ToText(), "0 %");

    // A decibel value too small for a double is 0 and is shown as such.
    std::string message;
    ASSERT_TRUE(v.FromText("-9999999 dB", "Constant", message));
    EXPECT_EQ(v.GetValue(), 0);
    EXPECT_EQ(v.ToText(), "0");
}

TEST_F(ValueFieldTest, AWavePositionFollowsItsLength) {
    unitWavePosition p = positionIn(2);
    std::string message;
    ASSERT_TRUE(p.FromText("-0.5 s", "Start at", message));
    EXPECT_TRUE(p.FromEnd());
    EXPECT_EQ(p.GetValue(), 1.5);
    ASSERT_TRUE(p.FromText("-2 s", "Start at", message));
    EXPECT_EQ(p.GetValue(), 0);
    EXPECT_EQ(p.ToText(), "-2 s");

    ASSERT_TRUE(p.FromText("25 %", "Start at", message));
    EXPECT_FALSE(p.FromEnd());
    EXPECT_EQ(p.GetValue(), 0.5);
    p.SetLength(4);
    EXPECT_EQ(p.GetValue(), 1);
    EXPECT_EQ(p.ToText(), "25 %");

    // A time stays where it was typed.
    ASSERT_TRUE(p.FromText("0.5 s", "Start at", message));
    p.SetLength(8);
    EXPECT_EQ(p.GetValue(), 0.5);
    EXPECT_EQ(p.ToText(), "0.5 s");

    EXPECT_CONTRACT(p.SetLength(0), "length > 0");
    EXPECT_CONTRACT(p.SetLength(std::nan("")), "length > 0");

    // Before a length is known, fractions show as 0 and no time fits.
    unitWavePosition unset(0, ucPercent);
    EXPECT_EQ(unset.ToText(), "0 %");
    EXPECT_FALSE(unset.FromText("0 s", "Start at", message));
    EXPECT_EQ(message, "In Start at: Position must be before the end of the wave");
    // The first length sets the scale; it does not scale a position yet.
    ASSERT_TRUE(unset.FromText("50 %", "Start at", message));
    unset.SetLength(2);
    EXPECT_EQ(unset.GetValue(), 0);
}

TEST_F(ValueFieldTest, AWavePositionPastTheEndIsOneBox) {
    unitWavePosition p = positionIn(2);
    bool ok = true;
    p.CheckText(ok, "2 s", "End at");
    EXPECT_FALSE(ok);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "In End at: Position must be before the end of the wave");
}

TEST_F(ValueFieldTest, ClonesKeepTheirClassAndAssignRefusesAnother) {
    unitVolumeFactorPosMoreLess1 volume(0.5, ucPercent);
    std::unique_ptr<unitValue> copy = volume.Clone();
    const unitValue& copied = *copy;
    EXPECT_EQ(typeid(copied), typeid(unitVolumeFactorPosMoreLess1));
    std::string message;
    EXPECT_FALSE(copy->FromText("0 dB", "Volume Factor", message));  // still checked like the original
    ASSERT_TRUE(copy->FromText("-6 dB", "Volume Factor", message));
    EXPECT_EQ(volume.ToText(), "50 %");
    volume.Assign(*copy);
    EXPECT_EQ(volume.ToText(), "-6 dB");

    unitWavePosition p = positionIn(2);
    ASSERT_TRUE(p.FromText("-0.5 s", "Start at", message));
    unitWavePosition q;
    q.Assign(*p.Clone());
    EXPECT_EQ(q.GetLength(), 2);
    EXPECT_TRUE(q.FromEnd());
    EXPECT_EQ(q.ToText(), "-0.5 s");

    unitVolumeFactor plain;
    EXPECT_CONTRACT(plain.Assign(volume), "typeid(other) == typeid(self)");
}

TEST_F(ValueFieldTest, WavePickersNeedAChosenWave) {
    int documents[2];
    TUnitWave* first = reinterpret_cast<TUnitWave*>(&documents[0]);
    TUnitWave* second = reinterpret_cast<TUnitWave*>(&documents[1]);

    unitUnitWave envelope("env");
    EXPECT_EQ(envelope.ToText(), "env");
    EXPECT_EQ(envelope.GetUnitWave(), nullptr);
    EXPECT_EQ(envelope.ToCombo({"other", "env", "envelope"}), 1);
    EXPECT_EQ(envelope.ToCombo({"Env"}), -1);
    EXPECT_EQ(unitUnitWave().ToCombo({""}), -1);

    bool ok = true;
    const TWaveItem item{"sample", first};
    envelope.FromCombo(ok, &item, "Envelope");
    EXPECT_TRUE(ok);
    EXPECT_EQ(envelope.ToText(), "sample");
    EXPECT_EQ(envelope.GetUnitWave(), first);

    envelope.FromCombo(ok, nullptr, "Envelope");
    EXPECT_FALSE(ok);
    EXPECT_EQ(envelope.ToText(), "");
    EXPECT_EQ(envelope.GetUnitWave(), nullptr);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "In Envelope: You have to select a Wave");

    envelope.FromCombo(ok, &item, "Envelope");  // a failure before stops every later field
    EXPECT_EQ(envelope.ToText(), "");

    std::vector<std::pair<std::string, std::string>> asked;
    WaveLookup lookup = [&](const std::string& name, const std::string& caption) -> TUnitWave* {
        asked.emplace_back(name, caption);
        return name == "env" ? second : nullptr;
    };
    std::string message;
    ASSERT_TRUE(envelope.FromName("env", "Speed Envelope", message, lookup));
    EXPECT_EQ(envelope.GetUnitWave(), second);
    EXPECT_EQ(asked, (std::vector<std::pair<std::string, std::string>>{{"env", "Speed Envelope"}}));
    EXPECT_FALSE(envelope.FromName("nosuch", "Speed Envelope", message, lookup));
    EXPECT_EQ(message, "In Speed Envelope: You have to select a Wave");
    EXPECT_FALSE(envelope.FromName("", "Speed Envelope", message, lookup));
    EXPECT_FALSE(envelope.FromName("env", "Speed Envelope", message, WaveLookup{}));
    EXPECT_EQ(envelope.ToText(), "env");
    EXPECT_EQ(envelope.GetUnitWave(), second);

    envelope.SetName("other");
    EXPECT_EQ(envelope.ToText(), "other");
    EXPECT_EQ(envelope.GetUnitWave(), nullptr);
}

TEST_F(ValueFieldTest, InputErrorBoxesHaveOneTitleAndTheCaption) {
    ShowInputError("Constant", "Value must be not 0.");
    ShowInputErrorText("Exponential Line may not contain value 0.");
    ShowFieldEmpty("Length");
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].text, "In Constant: Value must be not 0.");
    EXPECT_EQ(boxes.shown[1].text, "Exponential Line may not contain value 0.");
    EXPECT_EQ(boxes.shown[2].text, "In Length: Field should not be empty.");
    for (const RecordedMessage& m : boxes.shown) {
        EXPECT_EQ(m.title, "Input Error");
        EXPECT_EQ(m.icon, MessageIcon::Information);
    }
}

}  // namespace
