#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "values/ValueWriters.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class ValueWritersTest : public CoreFixture {};

TEST_F(ValueWritersTest, WriteNumberPadsCutsAndHoldsBackZeros) {
    EXPECT_EQ(WriteNumber(5, 3, 0, 0), "005");
    EXPECT_EQ(WriteNumber(1.05, 1, 0, 9), "1.05");
    EXPECT_EQ(WriteNumber(2, 1, 2, 4), "2.00");
    EXPECT_EQ(WriteNumber(0.5, 1, 0, 0), "0");
    EXPECT_EQ(WriteNumber(0.26, 1, 0, 1), "0.2");  // cut, not rounded
    EXPECT_EQ(WriteNumber(-0.5, 1, 0, 2), "-0.5");
    EXPECT_EQ(WriteNumber(0, 1, 0, 9), "0");
    EXPECT_EQ(WriteNumber(-0.0, 1, 0, 9), "0");
    // Zeros between non-zero digits are written, trailing ones are not.
    EXPECT_EQ(WriteNumber(1.0203, 1, 0, 9), "1.0203");
    EXPECT_EQ(WriteNumber(1.5, 1, 3, 9), "1.500");
    EXPECT_EQ(WriteNumber(1.50007, 1, 3, 9), "1.50007");
    EXPECT_EQ(WriteNumber(0.001, 1, 0, 9), "0.001");
    EXPECT_EQ(WriteNumber(0.001, 1, 0, 2), "0");
    // The lifting unit carries into a new leading digit.
    EXPECT_EQ(WriteNumber(9.99, 1, 0, 1), "10");
    EXPECT_EQ(WriteNumber(99999.99, 1, 0, 1), "100000");
    EXPECT_EQ(WriteNumber(1000000, 1, 0, 0), "1000000");
    EXPECT_EQ(WriteNumber(-2147483648.0, 1, 0, 0), "-2147483648");
    EXPECT_EQ(WriteNumber(123.456, 1, 0, 9), "123.456");
    EXPECT_EQ(WriteNumber(0.1, 1, 0, 9), "0.1");
    EXPECT_EQ(WriteNumber(1e20, 1, 0, 0), "100000000000000000000");
    EXPECT_EQ(WriteNumber(-0.001, 1, 0, 2), "-0");
}

TEST_F(ValueWritersTest, WritersSayWhatTheyCannotWrite) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(WriteNumber(inf, 1, 0, 3), "*");
    EXPECT_EQ(WriteNumber(-inf, 1, 0, 3), "*");
    EXPECT_EQ(WriteNumber(std::nan(""), 1, 0, 3), "*");
    EXPECT_EQ(WritePrecision(inf, 7, true), "*");
    EXPECT_EQ(WriteValue(0, ucDecibel, 7, true, false), "* dB");
    EXPECT_EQ(WriteValue(-1, ucDecibel, 7, true, false), "* dB");
    // The largest double still gives its 309 digits.
    const std::string big = WriteNumber(std::numeric_limits<double>::max(), 1, 0, 0);
    EXPECT_EQ(big.size(), 309u);
    EXPECT_EQ(big.substr(0, 3), "179");
}

TEST_F(ValueWritersTest, WriterPreconditionsAreContracts) {
    EXPECT_CONTRACT(WriteNumber(1, 1, 3, 2), "minDigAfter <= maxDigAfter");
    EXPECT_CONTRACT(WriteNumber(1, 0, 0, 2), "minDigBefore >= 1");
    EXPECT_CONTRACT(WriteNumber(1, 1, -1, 2), "minDigAfter >= 0");
    EXPECT_CONTRACT(WritePrecision(1, 0, true), "precisie >= 1");
}

TEST_F(ValueWritersTest, WritePrecisionKeepsSignificantDigits) {
    EXPECT_EQ(WritePrecision(123.456, 4, false), "123.4");
    EXPECT_EQ(WritePrecision(0.01234, 3, false), "0.012");
    EXPECT_EQ(WritePrecision(2, 4, false), "2.000");
    EXPECT_EQ(WritePrecision(2, 4, true), "2");
    EXPECT_EQ(WritePrecision(0, 7, false), "0.00000");
    EXPECT_EQ(WritePrecision(0, 7, true), "0");
    EXPECT_EQ(WritePrecision(12345678, 7, true), "12345678");
    EXPECT_EQ(WritePrecision(1.0 / 3, 7, true), "0.333333");
    EXPECT_EQ(WritePrecision(-1.0 / 3, 7, true), "-0.333333");
    // The exponent is truncated toward zero, so small values keep fewer digits.
    EXPECT_EQ(WritePrecision(0.0001234567891, 7, true), "0.000123456");
}

TEST_F(ValueWritersTest, WriteValueWritesEachUnitWithItsSuffix) {
    EXPECT_EQ(WriteValue(0.5, ucNone, 7, true, false), "0.5");
    EXPECT_EQ(WriteValue(0.5, ucPercent, 7, true, false), "50 %");
    EXPECT_EQ(WriteValue(0.5, ucDecibel, 7, true, false), "-6.02 dB");
    EXPECT_EQ(WriteValue(std::pow(10.0, -6 * 0.05), ucDecibel, 7, true, false), "-6 dB");
    EXPECT_EQ(WriteValue(1, ucDecibel, 7, true, false), "0 dB");
    EXPECT_EQ(WriteValue(0.02, ucSecond, 7, true, false), "0.02 s");
    EXPECT_EQ(WriteValue(0.02, ucMilliSecond, 7, true, false), "20 ms");
    EXPECT_EQ(WriteValue(0.02, ucHertz, 7, true, false), "50 Hz");
    EXPECT_EQ(WriteValue(0.001, ucKiloHertz, 7, true, false), "1 kHz");
    EXPECT_EQ(WriteValue(50, ucSecond, 7, true, true), "0.02 s");
    EXPECT_EQ(WriteValue(50, ucMilliSecond, 7, true, true), "20 ms");
    EXPECT_EQ(WriteValue(440, ucHertz, 7, true, true), "440 Hz");
    EXPECT_EQ(WriteValue(440, ucKiloHertz, 7, true, true), "0.44 kHz");
    EXPECT_EQ(WriteValue(0.75, ucDegree, 7, true, false), "-90 '");
    EXPECT_EQ(WriteValue(0.25, ucDegree, 7, true, false), "90 '");
    EXPECT_EQ(WriteValue(0.5, ucDegree, 7, true, false), "-180 '");
    EXPECT_EQ(WriteValue(-0.5, ucBalanceDegree, 7, true, false), "-45 '");
    EXPECT_EQ(WriteValue(0.5, ucPercent, 4, false, false), "50.00 %");
    EXPECT_EQ(WriteValue(0.5, ucSampleValue, 7, true, false), "***");
    EXPECT_EQ(WriteValue(0.5, static_cast<TUnitCode>(10), 7, true, false), "***");
    EXPECT_EQ(WriteValue(0.5, ucUnknown, 7, true, false), "***");
    // Only the divisions by zero are refused.
    EXPECT_EQ(WriteValue(0, ucHertz, 7, true, false), "* Hz");
    EXPECT_EQ(WriteValue(0, ucKiloHertz, 7, true, false), "* kHz");
    EXPECT_EQ(WriteValue(0, ucSecond, 7, true, true), "* s");
    EXPECT_EQ(WriteValue(0, ucMilliSecond, 7, true, true), "* ms");
    EXPECT_EQ(WriteValue(0, ucSecond, 7, true, false), "0 s");
    EXPECT_EQ(WriteValue(0, ucHertz, 7, true, true), "0 Hz");
}

TEST_F(ValueWritersTest, ClockTimesGrowFromSecondsToHours) {
    EXPECT_EQ(WriteClockTime(2.5), "2.50000 s");
    EXPECT_EQ(WriteClockTime(0), "0.00000 s");
    EXPECT_EQ(WriteClockTime(65.25), "1:05.25000");
    EXPECT_EQ(WriteClockTime(60), "1:00.00000");
    EXPECT_EQ(WriteClockTime(3725), "1:02:05.00000");
    EXPECT_EQ(WriteClockTime(3605), "1:00:05.00000");
    EXPECT_EQ(WriteClockTime(3600), "1:00:00.00000");
    EXPECT_EQ(WriteClockTime(36000 + 59 * 60 + 59.5), "10:59:59.50000");
    EXPECT_EQ(WriteClockTime(1.0 / 44100), "0.00002 s");
}

TEST_F(ValueWritersTest, ShortFrequenciesChooseHertzOrKilohertz) {
    EXPECT_EQ(WriteFrequencyShort(50), "50.0 Hz");
    EXPECT_EQ(WriteFrequencyShort(5), "05.0 Hz");
    EXPECT_EQ(WriteFrequencyShort(99.94), "99.9 Hz");
    // The lifting unit of the cut digit carries into the next range's text.
    EXPECT_EQ(WriteFrequencyShort(99.99), "100.0 Hz");
    EXPECT_EQ(WriteFrequencyShort(100), "100 Hz");
    EXPECT_EQ(WriteFrequencyShort(440), "440 Hz");
    EXPECT_EQ(WriteFrequencyShort(1000), "1.00 kHz");
    EXPECT_EQ(WriteFrequencyShort(5512), "5.51 kHz");
    EXPECT_EQ(WriteFrequencyShort(11025), "11.0 kHz");
    EXPECT_EQ(WriteFrequencyShort(44100), "44.1 kHz");
    EXPECT_EQ(WriteFrequencyShort(176128), "176.1 kHz");
}

TEST_F(ValueWritersTest, WaveValuesAreWrittenInTheirUnit) {
    EXPECT_EQ(WriteWaveValue(16383, ucNone), "0.5");
    EXPECT_EQ(WriteWaveValue(16383, ucPercent), "50 %");
    EXPECT_EQ(WriteWaveValue(16383, ucSampleValue), "16383 $");
    EXPECT_EQ(WriteWaveValue(0, ucNone), "0");
    EXPECT_EQ(WriteWaveValue(0, ucPercent), "0 %");
    EXPECT_EQ(WriteWaveValue(-32768, ucNone), "-1");
    EXPECT_EQ(WriteWaveValue(-32768, ucPercent), "-100 %");
    EXPECT_EQ(WriteWaveValue(-32768, ucSampleValue), "-32768 $");
    EXPECT_EQ(WriteWaveValue(32767, ucNone), "1");
    EXPECT_EQ(WriteWaveValue(-16383, ucPercent), "-50 %");
    EXPECT_EQ(WriteWaveValue(3276, ucPercent), "10 %");
    EXPECT_EQ(WriteWaveValue(1, ucNone), "0");
    EXPECT_EQ(WriteWaveValue(16383, ucDecibel), "");
    EXPECT_EQ(WriteWaveValue(16383, ucSecond), "");
}

TEST_F(ValueWritersTest, NumberHoldersWriteIntegersPlainOrTenDigitsWide) {
    EXPECT_EQ(WriteNumberHolder(TNumberHolder(2.5)), "2.5");
    EXPECT_EQ(WriteNumberHolder(TNumberHolder(int32_t{-42})), "-42");
    EXPECT_EQ(WriteNumberHolder(TNumberHolder(int16_t{7})), "7");
    EXPECT_EQ(WriteNumberHolder(TNumberHolder(uint8_t{2}, 42)), "0000000042");
    EXPECT_EQ(WriteNumberHolder(TNumberHolder(uint8_t{9}, 1.5)), "0000000001.5");
}

}  // namespace
