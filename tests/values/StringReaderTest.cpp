#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "values/StringReader.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class StringReaderTest : public CoreFixture {};

struct Refusal {
    std::string text;
    std::string message;
};

// Reads with `read` and expects a failure with exactly this message.
template <class Read>
void expectRefused(const std::vector<Refusal>& cases, Read read) {
    for (const Refusal& c : cases) {
        TStringReader r(c.text);
        EXPECT_FALSE(read(r)) << '"' << c.text << '"';
        EXPECT_EQ(r.ErrorMessage(), c.message) << '"' << c.text << '"';
    }
}

double number(const std::string& text) {
    TStringReader r(text);
    double v = -999;
    EXPECT_TRUE(r.ReadNumber(v)) << '"' << text << "\": " << r.ErrorMessage();
    return v;
}

TEST_F(StringReaderTest, NumberGrammarTakesSignsPointsCommasAndBroken) {
    EXPECT_EQ(number("- 5"), -5);
    EXPECT_EQ(number("+5"), 5);
    EXPECT_EQ(number("1,5"), 1.5);
    EXPECT_EQ(number("1.5"), 1.5);
    EXPECT_EQ(number("-1/4"), -0.25);
    EXPECT_EQ(number("1/3"), 1.0 / 3);
    EXPECT_EQ(number("0,25"), 0.25);
    EXPECT_EQ(number(".5"), 0.5);
    EXPECT_EQ(number("5."), 5);
    EXPECT_EQ(number("."), 0);
    EXPECT_EQ(number("-,"), 0);
    EXPECT_EQ(number("-\t 7 ms"), -7);
    EXPECT_EQ(number("0.0000000001"), 1e-10);

    expectRefused({{"", "Input has no value."},
                   {"-", "Input has no value."},
                   {" -5", "Input has no value."},
                   {"+-5", "Input has no value."},
                   {"abc", "Input has no value."},
                   {"3/0", "Broke is invalid."},
                   {"/4", "Input has no value before '/'."},
                   {"/", "Input has no value before '/'."},
                   {"3/", "Input has no value after '/'."},
                   {"3/ 4", "Input has no value after '/'."}},
                  [](TStringReader& r) {
                      double v;
                      return r.ReadNumber(v);
                  });
}

TEST_F(StringReaderTest, DigitGroupsStopAfterTenDigitsAndWrapAround) {
    // The eleventh digit is left for the unit reader, which does not know it.
    EXPECT_EQ(number("12345678901"), 1234567890);
    expectRefused({{"12345678901", "This unit does not exist, use: '%' or no unit."}}, [](TStringReader& r) {
        double v;
        return r.ReadFactor(v, ckNone);
    });
    // Ten digits beyond the 32-bit range wrap like the old accumulator.
    EXPECT_EQ(number("4294967297"), 1);
    EXPECT_EQ(number("2147483648"), -2147483648.0);
    EXPECT_EQ(number("-2147483648"), 2147483648.0);
    EXPECT_EQ(number("9999999999"), 1410065407);
    EXPECT_EQ(number("0.9999999999"), 0.1410065407);
    expectRefused({{"1/4294967296", "Broke is invalid."}}, [](TStringReader& r) {
        double v;
        return r.ReadNumber(v);
    });

    TStringReader r("-2147483648");
    int32_t i = 0;
    EXPECT_TRUE(r.ReadInteger(i));
    EXPECT_EQ(i, INT32_MIN);
    r = TStringReader("4294967295");
    EXPECT_TRUE(r.ReadInteger(i));
    EXPECT_EQ(i, -1);
}

TEST_F(StringReaderTest, UnitsAreMatchedInAnyCaseByTheirFirstLetters) {
    const std::vector<std::pair<std::string, TUnitCode>> cases = {
        {"5", ucNone},           {"5  \t", ucNone},       {"5%", ucPercent},   {"5 %", ucPercent},
        {"5 dB", ucDecibel},     {"3 dBx", ucDecibel},    {"5 sec", ucSecond}, {"5S", ucSecond},
        {"5 ms", ucMilliSecond}, {"5 mS", ucMilliSecond}, {"5 hz", ucHertz},   {"5 KHz", ucKiloHertz},
        {"5 $", ucSampleValue},  {"5'", ucDegree},        {"5 x", ucUnknown},  {"5 pct", ucUnknown},
        {"5 m", ucUnknown},      {"5 k", ucUnknown},      {"5 d", ucUnknown},  {"1/2 %", ucPercent},
    };
    for (const auto& [text, unit] : cases) {
        TStringReader r(text);
        TUnitCode read = ucUnknown;
        EXPECT_TRUE(r.ReadUnit(read)) << text;
        EXPECT_EQ(read, unit) << text;
    }
}

TEST_F(StringReaderTest, UnitOfTextLeavesTheVariableAloneWithoutANumber) {
    TUnitCode unit = ucHertz;
    EXPECT_FALSE(TStringReader("A4").UnitOfText(unit));
    EXPECT_EQ(unit, ucHertz);
    EXPECT_TRUE(TStringReader("20 ms").UnitOfText(unit));
    EXPECT_EQ(unit, ucMilliSecond);
    EXPECT_FALSE(TStringReader("").ReadUnit(unit));
}

TEST_F(StringReaderTest, TheTextEndsAtItsFirstNulByte) {
    TStringReader r(std::string("5\0 x", 4));
    EXPECT_EQ(r.Text(), "5");
    double v = 0;
    EXPECT_TRUE(r.ReadFactor(v, ckNone));
    EXPECT_EQ(v, 5);
}

TEST_F(StringReaderTest, EachFailureReplacesTheMessageAndCopiesKeepIt) {
    TStringReader r("0");
    EXPECT_EQ(r.ErrorMessage(), "");
    double v = 0;
    EXPECT_FALSE(r.ReadFactor(v, ckPositive));
    EXPECT_EQ(r.ErrorMessage(), "Value must be positive and more than 0.");
    EXPECT_FALSE(r.ReadTime(v, ckNone));
    EXPECT_EQ(r.ErrorMessage(), "Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'.");
    TStringReader copy;
    copy = r;
    EXPECT_EQ(copy.Text(), "0");
    EXPECT_EQ(copy.ErrorMessage(), "Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'.");
    // A success does not clear the last message.
    EXPECT_TRUE(r.ReadFactor(v, ckNone));
    EXPECT_EQ(r.ErrorMessage(), "Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'.");
}

TEST_F(StringReaderTest, FactorsArePlainOrPercentAndStoredBeforeTheCheck) {
    for (const char* text : {"50%", "50 %", "0.5", "1/2", "0,5"}) {
        TStringReader r(text);
        double v = 0;
        EXPECT_TRUE(r.ReadFactor(v, ckNone)) << text;
        EXPECT_EQ(v, 0.5) << text;
    }
    expectRefused({{"50 pct", "This unit does not exist, use: '%' or no unit."},
                   {"3 x", "This unit does not exist, use: '%' or no unit."},
                   {"3 Hz", "Wrong unit used, use: '%' or no unit."},
                   {"3 dB", "Wrong unit used, use: '%' or no unit."},
                   {"3 $", "Wrong unit used, use: '%' or no unit."},
                   {"% 3", "Input has no value."}},
                  [](TStringReader& r) {
                      double v;
                      return r.ReadFactor(v, ckNone);
                  });
    TStringReader r("-20 %");
    double v = 0;
    EXPECT_FALSE(r.ReadFactor(v, ckNotNegative));
    EXPECT_EQ(r.ErrorMessage(), "Value must be positive.");
    EXPECT_EQ(v, -0.2);
}

TEST_F(StringReaderTest, CheckKindsAcceptTheirRangeAndNameItOtherwise) {
    struct Case {
        double value;
        TCheckKind kind;
        const char* message;  // nullptr: accepted
    };
    const std::vector<Case> cases = {
        {0, ckNone, nullptr},
        {0, ckNotZero, "Value must be not 0."},
        {-1, ckNotZero, nullptr},
        {1, ckNotPositive, "Value must be negative."},
        {0, ckNotPositive, nullptr},
        {-1, ckNotNegative, "Value must be positive."},
        {0, ckNotNegative, nullptr},
        {0, ckNegative, "Value must be negative and less than 0."},
        {-1e-9, ckNegative, nullptr},
        {0, ckPositive, "Value must be positive and more than 0."},
        {1e-9, ckPositive, nullptr},
        {-0.1, ckZeroToOne, "Value must be positive."},
        {1.1, ckZeroToOne, "Value must be no more than 1."},
        {0, ckZeroToOne, nullptr},
        {1, ckZeroToOne, nullptr},
        {0, ckBetweenZeroAndOne, "Value must be positive and more than 0."},
        {1, ckBetweenZeroAndOne, "Value must be less than 1."},
        {0.5, ckBetweenZeroAndOne, nullptr},
        {-5, static_cast<TCheckKind>(8), nullptr},
        {-5, static_cast<TCheckKind>(255), nullptr},
    };
    for (const Case& c : cases) {
        TStringReader r;
        EXPECT_EQ(r.CheckValue(c.value, c.kind), c.message == nullptr) << c.value << " kind " << int(c.kind);
        EXPECT_EQ(r.ErrorMessage(), c.message ? c.message : "") << c.value << " kind " << int(c.kind);
    }
}

TEST_F(StringReaderTest, BoundsAreWrittenAsPlainIntegers) {
    struct Case {
        double value;
        TBoundRelation relation;
        int32_t bound;
        const char* message;
    };
    const std::vector<Case> cases = {
        {2, bdNotEqual, 2, "Value must be unequal of 2."},
        {3, bdNotEqual, 2, nullptr},
        {1000001, bdAtMost, 1000000, "Value must be less or equal of 1000000."},
        {1000000, bdAtMost, 1000000, nullptr},
        {1, bdAtLeast, 2, "Value must be more or equal of 2."},
        {-6, bdAtLeast, -5, "Value must be more or equal of -5."},
        {0, bdBelow, 0, "Value must be less than 0."},
        {30, bdAbove, 30, "Value must be more than 30."},
        {31, bdAbove, 30, nullptr},
    };
    for (const Case& c : cases) {
        TStringReader r;
        EXPECT_EQ(r.CheckBound(c.value, c.relation, c.bound), c.message == nullptr) << c.value;
        EXPECT_EQ(r.ErrorMessage(), c.message ? c.message : "") << c.value;
    }
    TStringReader r;
    EXPECT_CONTRACT(r.CheckBound(1, static_cast<TBoundRelation>(0), 1), "false");
    EXPECT_CONTRACT(r.CheckBound(1, static_cast<TBoundRelation>(6), 1), "false");
}

TEST_F(StringReaderTest, IntegersTakeLeadingSignsOnlyAndNeverFail) {
    const std::vector<std::pair<std::string, int32_t>> cases = {
        {"42", 42}, {"+42", 42}, {"-42", -42}, {"+-42", -42}, {"-+42", 0}, {"", 0},
        {"abc", 0}, {" 42", 0},  {"- 42", 0},  {"42 %", 42},  {"1/3", 1},  {"12345678901", 1234567890},
    };
    for (const auto& [text, expected] : cases) {
        TStringReader r(text);
        int32_t v = -1;
        EXPECT_TRUE(r.ReadInteger(v)) << text;
        EXPECT_EQ(v, expected) << text;
    }

    TStringReader r("abc");
    int32_t v = 7;
    EXPECT_FALSE(r.ReadIntegerChecked(v, ckPositive));
    EXPECT_EQ(r.ErrorMessage(), "Value must be positive and more than 0.");
    EXPECT_EQ(v, 7);
    r = TStringReader("1");
    EXPECT_FALSE(r.ReadIntegerBounded(v, bdAtLeast, 2));
    EXPECT_EQ(r.ErrorMessage(), "Value must be more or equal of 2.");
    r = TStringReader("30");
    EXPECT_TRUE(r.ReadIntegerBounded(v, bdAtLeast, 30));
    EXPECT_EQ(v, 30);
}

TEST_F(StringReaderTest, WaveValuesAreTruncatedSamplesWithinTheirUnitsRange) {
    const std::vector<std::pair<std::string, int16_t>> cases = {
        {"1", 32767},         {"-1", -32767},    {"0.5", 16383},   {"50 %", 16383}, {"-50%", -16383},
        {"-32768 $", -32768}, {"32767$", 32767}, {"100 %", 32767}, {"1/3", 10922},  {"0", 0},
    };
    for (const auto& [text, expected] : cases) {
        TStringReader r(text);
        int16_t s = 1;
        EXPECT_TRUE(r.ReadWaveValue(s, ckNone)) << text << ": " << r.ErrorMessage();
        EXPECT_EQ(s, expected) << text;
    }
    expectRefused({{"1.01", "Wave Value is too high. (maximum: 1)"},
                   {"-1.01", "Wave Value is too low. (minimum: -1)"},
                   {"100.5 %", "Wave Value is too high. (maximum: 100 %)"},
                   {"-101%", "Wave Value is too low. (minimum: -100 %)"},
                   {"32768 $", "Wave Value is too high. (maximum: 32767 $)"},
                   {"-32769 $", "Wave Value is too low. (minimum: -32768 $)"},
                   {"1 dB", "Wrong unit used, use: '%', '$' or no unit."},
                   {"1 q", "This unit does not exist, use: '%', '$' or no unit."},
                   {"0", "Value must be positive and more than 0."},
                   // 0.00001 of full scale truncates to the sample 0.
                   {"0.00001", "Value must be positive and more than 0."}},
                  [](TStringReader& r) {
                      int16_t s;
                      return r.ReadWaveValue(s, ckPositive);
                  });
}

TEST_F(StringReaderTest, VolumeFactorsMayBeDecibelsWhichAreNeverChecked) {
    TStringReader r("-6 dB");
    double v = 0;
    EXPECT_TRUE(r.ReadVolumeFactor(v));
    EXPECT_NEAR(v, 0.501187, 1e-6);
    r = TStringReader("0 dB");
    EXPECT_TRUE(r.ReadVolumeFactor(v));
    EXPECT_EQ(v, 1);
    r = TStringReader("20db");
    EXPECT_TRUE(r.ReadVolumeFactor(v));
    EXPECT_DOUBLE_EQ(v, 10);
    r = TStringReader("50 %");
    EXPECT_TRUE(r.ReadVolumeFactor(v));
    EXPECT_EQ(v, 0.5);
    expectRefused({{"3 x", "This unit does not exist, use: '%', 'dB' or no unit."},
                   {"3 ms", "Wrong unit used, use: '%', 'dB' or no unit."},
                   {"dB", "Input has no value."}},
                  [](TStringReader& r) {
                      double v;
                      return r.ReadVolumeFactor(v);
                  });
}

TEST_F(StringReaderTest, PhasesAreFractionsOfAPeriodCountedForward) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"-90'", 0.75}, {"90'", 0.25}, {"-0.25", 0.75}, {"25 %", 0.25}, {"-1", 0}, {"-360 '", 0}, {"0", 0},
    };
    for (const auto& [text, expected] : cases) {
        TStringReader r(text);
        double v = -1;
        EXPECT_TRUE(r.ReadPhase(v)) << text << ": " << r.ErrorMessage();
        EXPECT_DOUBLE_EQ(v, expected) << text;
    }
    expectRefused({{"1", "Fase is too high. (maximum: less than 1 or 100 %)"},
                   {"100 %", "Fase is too high. (maximum: less than 1 or 100 %)"},
                   {"-1.5", "Fase is too low. (minimum: -1 or -100 %)"},
                   {"360'", "Fase is too high. (maximum: less than 360' )"},
                   {"-361'", "Fase is too low. (minimum: -360' )"},
                   {"1 s", "Wrong unit used, use: '%', ' ' ' or no unit."},
                   {"1 deg", "This unit does not exist, use: '%', ' ' ' or no unit."}},
                  [](TStringReader& r) {
                      double v;
                      return r.ReadPhase(v);
                  });
}

TEST_F(StringReaderTest, BalancesAreFactorsOrDegreesOfNinety) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"45'", 0.5}, {"-100 %", -1}, {"1", 1}, {"-90'", -1}, {"0", 0},
    };
    for (const auto& [text, expected] : cases) {
        TStringReader r(text);
        double v = -9;
        EXPECT_TRUE(r.ReadBalance(v)) << text << ": " << r.ErrorMessage();
        EXPECT_EQ(v, expected) << text;
    }
    expectRefused({{"1.5", "Balance Factor is too high. (maximum: 1 or 100 %)"},
                   {"-101 %", "Balance Factor is too low. (minimum: -1 or -100 %)"},
                   {"91'", "Balance Angle is too high. (maximum: 90' )"},
                   {"-91'", "Balance Angle is too low. (minimum: -90' )"},
                   {"1 Hz", "Wrong unit used, use: '%', ' ' ' or no unit."},
                   {"1 r", "This unit does not exist, use: '%', ' ' ' or no unit."}},
                  [](TStringReader& r) {
                      double v;
                      return r.ReadBalance(v);
                  });
}

TEST_F(StringReaderTest, TimesAndFrequenciesConvertEveryUnitAndNotes) {
    struct Case {
        const char* text;
        double seconds;
    };
    for (const Case& c : std::vector<Case>{{"20 ms", 0.02},
                                           {"50 Hz", 0.02},
                                           {"0.5 s", 0.5},
                                           {"250 ms", 0.25},
                                           {"1 kHz", 0.001},
                                           {"2 khz", 0.0005},
                                           {"-1 s", -1}}) {
        TStringReader r(c.text);
        double v = 0;
        EXPECT_TRUE(r.ReadTime(v, ckNone)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.seconds) << c.text;
    }
    for (const Case& c : std::vector<Case>{{"20 ms", 50}, {"0.5 s", 2}, {"440 Hz", 440}, {"1 kHz", 1000}}) {
        TStringReader r(c.text);
        double v = 0;
        EXPECT_TRUE(r.ReadFrequency(v, ckNone)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.seconds) << c.text;
    }

    TStringReader r("A4");
    double v = 0;
    EXPECT_TRUE(r.ReadTime(v, ckNegative));  // a note is never checked
    EXPECT_DOUBLE_EQ(v, 1 / (523.26 * std::pow(2.0, -0.25)));
    EXPECT_TRUE(r.ReadFrequency(v, ckNegative));
    EXPECT_NEAR(v, 440, 0.01);

    auto time = [](TStringReader& r) {
        double v;
        return r.ReadTime(v, ckPositive);
    };
    expectRefused({{"20", "Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'."},
                   {"20 %", "Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'."},
                   {"20 min", "This unit does not exist, use: 's', 'ms', 'Hz', 'kHz'."},
                   {"0 Hz", "You cannot use 0 with 'Hz'."},
                   {"0 kHz", "You cannot use 0 with 'kHz'."},
                   {"0 s", "Value must be positive and more than 0."},
                   {"-5 Hz", "Value must be positive and more than 0."},
                   {" A4", "Input has no value."},
                   {"E#", "This note cannot have a \"#\"."}},
                  time);
    auto frequency = [](TStringReader& r) {
        double v;
        return r.ReadFrequency(v, ckPositive);
    };
    expectRefused({{"440", "Wrong unit used, use: 's', 'ms', 'Hz', 'kHz'."},
                   {"0 s", "You cannot use 0 with 's'."},
                   {"0 ms", "You cannot use 0 with 'ms'."},
                   {"0 Hz", "Value must be positive and more than 0."},
                   {"G13", "The maximum Octave number is 12."}},
                  frequency);
}

TEST_F(StringReaderTest, NotesFollowTheEqualScaleFromC5) {
    struct Case {
        const char* text;
        double hertz;
    };
    const std::vector<Case> cases = {
        {"C", 523.26},
        {"C5", 523.26},
        {"c#4", 523.26 * std::pow(2.0, -1 + 1.0 / 12)},
        {"A4", 523.26 * std::pow(2.0, -1 + 9.0 / 12)},
        {"C-2", 523.26 * std::pow(2.0, -7)},
        {"B12", 523.26 * std::pow(2.0, 7 + 11.0 / 12)},
        {"g#-2 anything", 523.26 * std::pow(2.0, -7 + 8.0 / 12)},
        {"D+6", 523.26 * std::pow(2.0, 1 + 2.0 / 12)},
        {"F-", 523.26 * std::pow(2.0, 5.0 / 12)},
    };
    for (const Case& c : cases) {
        TStringReader r(c.text);
        double v = 0;
        EXPECT_TRUE(r.ReadNote(v)) << c.text << ": " << r.ErrorMessage();
        EXPECT_DOUBLE_EQ(v, c.hertz) << c.text;
    }
    TStringReader a4("A4");
    double v = 0;
    a4.ReadNote(v);
    EXPECT_NEAR(v, 440, 0.01);
    TStringReader cm2("C-2");
    cm2.ReadNote(v);
    EXPECT_NEAR(v, 4.09, 0.005);

    expectRefused({{"E#", "This note cannot have a \"#\"."},
                   {"b#3", "This note cannot have a \"#\"."},
                   {"G13", "The maximum Octave number is 12."},
                   {"C-3", "The minimum Octave number is -2."},
                   // Ten digits wrap around: 4294967293 is -3.
                   {"C4294967293", "The minimum Octave number is -2."}},
                  [](TStringReader& r) {
                      double v;
                      return r.ReadNote(v);
                  });
    // Callers only come with a note letter; anything else fails silently.
    TStringReader h("H");
    EXPECT_FALSE(h.ReadNote(v));
    EXPECT_EQ(h.ErrorMessage(), "");
}

}  // namespace
