#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "core/Sample.h"
#include "core/Wave.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class WaveTest : public CoreFixture {
protected:
    bool failed = false;
};

TEST(SampleConversion, TruncatesTowardZeroAndKeepsLow16Bits) {
    EXPECT_EQ(toSample(1.9), 1);
    EXPECT_EQ(toSample(-1.9), -1);
    EXPECT_EQ(toSample(32767.99), 32767);
    EXPECT_EQ(toSample(32768.0), -32768);
    EXPECT_EQ(toSample(-32769.0), 32767);
    EXPECT_EQ(toSample(65536.0 + 5), 5);
    EXPECT_EQ(toSample(-65536.0 * 3 - 2.5), -2);
    // Beyond 32 bits the value still wraps like the integer it stands for.
    EXPECT_EQ(toSample(4294967296.0 + 7), 7);
    EXPECT_EQ(toSample(-4294967296.0 - 7), -7);
    EXPECT_EQ(toSample(1e300), static_cast<int16_t>(static_cast<uint16_t>(std::fmod(1e300, 65536.0))));
    EXPECT_EQ(toSample(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(toSample(-std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(toSample(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(addWrap(32767, 1), -32768);
    EXPECT_EQ(addWrap(-32768, -1), 32767);
}

TEST_F(WaveTest, ReplaceWithEqualEndsInsertsAndWithWholeRangeCopies) {
    auto w = makeWave({1, 2, 3});
    auto other = makeWave({8, 9});
    EXPECT_EQ(samplesOf(*w->replace(failed, *other, 1, 1)), (std::vector<int>{1, 8, 9, 2, 3}));
    EXPECT_EQ(samplesOf(*w->replace(failed, *other, 0, -1)), (std::vector<int>{8, 9}));
    EXPECT_EQ(samplesOf(*w->append(failed, *other)), (std::vector<int>{1, 2, 3, 8, 9}));
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{1, 2, 3}));
}

TEST_F(WaveTest, InsertSilenceOfZeroDeletesTheRange) {
    auto w = makeWave({1, 2, 3, 4});
    int32_t b = 1, e = 3;
    auto r = w->insertSilence(failed, 0, b, e);
    EXPECT_EQ(samplesOf(*r), (std::vector<int>{1, 4}));
    EXPECT_EQ(e, 1);
    b = 1, e = 2;
    r = w->insertSilence(failed, 3, b, e);
    EXPECT_EQ(samplesOf(*r), (std::vector<int>{1, 0, 0, 0, 3, 4}));
    EXPECT_EQ(e, 4);
}

TEST_F(WaveTest, StretchReversesAndCopies) {
    auto w = makeWave({10, 20, 30, 40, 50});
    int32_t b = 1, e = 4;
    EXPECT_EQ(samplesOf(*w->stretchBy(failed, -1, b, e)), (std::vector<int>{10, 40, 30, 20, 50}));
    b = 0, e = -1;
    EXPECT_EQ(samplesOf(*w->stretchBy(failed, 1, b, e)), samplesOf(*w));
    EXPECT_EQ(e, 5);
    // Doubling interpolates; the neighbour after the last sample is the last sample.
    b = 3, e = 5;
    EXPECT_EQ(samplesOf(*w->stretch(failed, 4, false, b, e)), (std::vector<int>{10, 20, 30, 40, 45, 50, 50}));
    EXPECT_EQ(e, 7);
    b = 0, e = 2;
    EXPECT_EQ(samplesOf(*w->stretch(failed, 4, true, b, e)), (std::vector<int>{25, 20, 15, 10, 30, 40, 50}));
}

TEST_F(WaveTest, DrawLineWritesEndsExactlyAndMeanForOneSample) {
    auto w = makeWave({0, 0, 0, 0, 0});
    w->drawLine(1, 100, 3, -100);
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{0, 100, -100, 0, 0}));
    w->drawLine(4, 101, 5, 200);
    EXPECT_EQ(w->wave[4], 150);
    w->drawLine(0, 0, 5, 1000);
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{0, 250, 500, 750, 1000}));
}

TEST_F(WaveTest, MixCycleAfterWrapsAroundAndAddsEverySample) {
    auto w = makeWave({1, 2, 3});
    auto other = makeWave({10, 10, 10, 10, 10, 10});
    w->mixCycleAfter(failed, *other, 1);
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{21, 22, 23}));
}

TEST_F(WaveTest, MixAtGrowsAtBothEnds) {
    auto w = makeWave({1, 2, 3});
    auto other = makeWave({10, 20, 30, 40});
    EXPECT_EQ(samplesOf(*w->mixAt(failed, *other, -2, -1, false)), (std::vector<int>{10, 20, 31, 42, 3}));
    EXPECT_EQ(samplesOf(*w->mixAt(failed, *other, 2, 2, true)), (std::vector<int>{1, 2, 33, 40}));
    EXPECT_EQ(samplesOf(*w->mixEndingAt(failed, *other, 3, 2, false)), (std::vector<int>{1, 12, 23}));
    auto loud = makeWave({32767});
    auto one = makeWave({1});
    EXPECT_EQ(samplesOf(*loud->mixAt(failed, *one, 0, -1, false)), (std::vector<int>{-32768}));
}

TEST_F(WaveTest, AverageAndWeightedSum) {
    auto l = makeWave({1000, 1000, 3});
    auto r = makeWave({-1000, 3000, 4});
    EXPECT_EQ(samplesOf(*l->average(failed, *r)), (std::vector<int>{0, 2000, 3}));
    EXPECT_EQ(samplesOf(*l->weightedSum(failed, 2, *r, 1, 1, 2)), (std::vector<int>{1000, 5000, 3}));
    auto shorter = makeWave({1});
    EXPECT_CONTRACT(l->average(failed, *shorter), "values == other->values");
    EXPECT_CONTRACT(l->weightedSum(failed, 1, *shorter, 1, 0, 1), "values == daar->values");
}

TEST_F(WaveTest, PeakCountsMinus32768As32768) {
    auto w = makeWave({5, -32768, 7});
    EXPECT_EQ(w->peak(failed, 0, 3), 32768);
    EXPECT_EQ(w->peak(failed, 2, 3), 7);
    EXPECT_EQ(w->peak(failed, 1, 1), 0);
}

TEST_F(WaveTest, AddScaledAndAddAfterStopAtTheShorterEnd) {
    auto w = makeWave({100, 100, 100});
    auto other = makeWave({10, 20, 30, 40});
    w->addScaledAfter(failed, *other, 1, 0.5);
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{100, 105, 110}));
    EXPECT_EQ(w->addAfter(failed, *other, 2), 1);
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{100, 105, 120}));
}

TEST_F(WaveTest, ContractsNameTheViolatedCondition) {
    auto w = makeWave({1, 2, 3});
    EXPECT_CONTRACT(w->extract(failed, 2, 2), "begin < end");
    EXPECT_CONTRACT(w->extract(failed, 0, 4), "end <= values");
    EXPECT_CONTRACT(w->copyFrom(*w, 0, 3, 1), "to + end - begin <= values");
    EXPECT_CONTRACT(w->zero(2, 1), "end >= begin");
    EXPECT_CONTRACT(w->fillBalanceCurve(44100), "values == 150");
}

TEST_F(WaveTest, OperationsDoNothingWhenTheFlagIsAlreadySet) {
    auto w = makeWave({1, 2, 3});
    failed = true;
    int32_t b = 0, e = 1;
    EXPECT_EQ(w->extract(failed, 0, 1), nullptr);
    EXPECT_EQ(w->insertSilence(failed, 4, b, e), nullptr);
    EXPECT_EQ(w->mixAt(failed, *w, 0, -1, false), nullptr);
    EXPECT_EQ(Wave::copy(failed, *w), nullptr);
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(memoryMessages(), 0);
}

TEST_F(WaveTest, FailedAllocationSetsTheFlagAndReportsOnce) {
    auto w = makeWave({1, 2, 3});
    allocation_testing::failNextAllocations(1);
    EXPECT_EQ(w->append(failed, *w), nullptr);
    EXPECT_TRUE(failed);
    EXPECT_EQ(memoryMessages(), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(samplesOf(*w), (std::vector<int>{1, 2, 3}));
}

TEST_F(WaveTest, SineTableHas9000SamplesOfTheProgramsCircle) {
    ASSERT_TRUE(createSinus());
    const Wave* s = sinus();
    ASSERT_EQ(s->values, 9000);
    EXPECT_EQ(s->wave[0], 0);
    EXPECT_EQ(s->wave[2250], static_cast<int16_t>(std::sin(2 * 3.1415293 * 2250 / 9000) * 32767));
    EXPECT_EQ(s->wave[2250], 32766);  // the program's circle is a hair short of a true quarter
    destroySinus();
    allocation_testing::failNextAllocations(1);
    EXPECT_FALSE(createSinus());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "System Error");
    EXPECT_EQ(boxes.shown[0].text, "Could not create sinus.");
    EXPECT_EQ(sinus(), nullptr);
}

TEST_F(WaveTest, BalanceCurveHoldsLogFrequenciesAndWritesItsLastSample) {
    Wave curve(150, failed);
    curve.fillBalanceCurve(44100);
    // q = 2 for N = 20000: log10(22050 * 0.05) * 21845 - 32768 lies above full scale.
    EXPECT_EQ(curve.wave[0], 32767);
    EXPECT_EQ(curve.wave[59], static_cast<int>(std::log10(44100.0 / 12 * 0.05) * 21845 - 32768));
    EXPECT_EQ(curve.wave[149], static_cast<int>(std::log10(44100.0 / 126 * 0.05) * 21845 - 32768));
    EXPECT_GT(curve.wave[0], curve.wave[60]);
    Wave low(150, failed);
    low.fillBalanceCurve(11025);
    EXPECT_EQ(low.wave[0], 32767);
}

}  // namespace
