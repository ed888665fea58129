#include <gtest/gtest.h>

#include "TimeEchoFixture.h"
#include "processing/TempoPitch.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using V = std::vector<int>;

class TempoPitchTest : public TimeEchoTest {
protected:
    std::unique_ptr<Wave> w = makeWave(ramp(16, 10));  // 0, 10, ..., 150
    int32_t b = 0, e = 16;
    void reset() { b = 0, e = 16; }
};

TEST_F(TempoPitchTest, UnitFactorsReproduceTheRange) {
    auto odd = makeWave({7, -3, 12, 5, -9, 31, 2, 8, -1, 4});
    int32_t ob = 0, oe = 10;
    EXPECT_EQ(samplesOf(*tempoPitchLow(*odd, failed, 1, 0, 1, 1, 3, ob, oe)), samplesOf(*odd));
    EXPECT_EQ(oe, 10);
    auto full = makeWave({32767, 32767});
    ob = 0, oe = 10;
    EXPECT_EQ(samplesOf(*tempoPitchLowByFreq(*odd, failed, 1, 0, 1, 1, full.get(), 3, ob, oe)), samplesOf(*odd));
    ob = 0, oe = 10;
    EXPECT_EQ(samplesOf(*tempoPitchLowBySpeed(*odd, failed, 1, full.get(), 0, 1, 1, 3, ob, oe)), samplesOf(*odd));
}

TEST_F(TempoPitchTest, DoubleFrequencyKeepsTheLengthBlockByBlock) {
    // Inside a block the reader runs at twice the rate; each block starts
    // where the tempo says. Reads past the wave give 0.
    auto r = tempoPitchLow(*w, failed, 1, 0, 1, 2, 4, b, e);
    EXPECT_EQ(samplesOf(*r), (V{0, 20, 40, 60, 40, 60, 80, 100, 80, 100, 120, 140, 120, 140, 0, 0}));
    EXPECT_EQ(e, 16);
}

TEST_F(TempoPitchTest, SlowerTempoRepeatsBlocksAndLengthFactorSetsTheLength) {
    auto r = tempoPitchLow(*w, failed, 0.5, 0, 1, 1, 4, b, e);
    V expected{0, 10, 20, 30, 20, 30, 40, 50, 40, 50, 60, 70, 60, 70, 80, 90};
    EXPECT_EQ(samplesOf(*r), expected);
    // A full-scale speed envelope is the constant tempo.
    auto full = makeWave({32767});
    reset();
    EXPECT_EQ(samplesOf(*tempoPitchLowBySpeed(*w, failed, 0.5, full.get(), 0, 1, 1, 4, b, e)), expected);
    reset();
    auto shorter = tempoPitchLow(*w, failed, 1, 0.25, 0.5, 1, 100, b, e);
    EXPECT_EQ(samplesOf(*shorter), (V{40, 50, 60, 70, 80, 90, 100, 110}));
    EXPECT_EQ(e, 8);
}

TEST_F(TempoPitchTest, HighQualityCrossfadesTwoReaders) {
    auto odd = makeWave({5, 7, 9, 11, 13, 15, 17, 19});
    int32_t ob = 0, oe = 8;
    // At a quarter of the block both readers weigh half, each truncated on its own.
    V expected{5, 6, 9, 10, 13, 14, 17, 18};
    EXPECT_EQ(samplesOf(*tempoPitchHigh(*odd, failed, 1, 0, 1, 1, 4, ob, oe)), expected);
    auto full = makeWave({32767, 32767});
    ob = 0, oe = 8;
    EXPECT_EQ(samplesOf(*tempoPitchHighBySpeed(*odd, failed, 1, full.get(), 0, 1, 1, 4, ob, oe)), expected);
    ob = 0, oe = 8;
    EXPECT_EQ(samplesOf(*tempoPitchHighByBoth(*odd, failed, 1, full.get(), 0, 1, 1, full.get(), 4, ob, oe)), expected);
    ob = 0, oe = 8;
    EXPECT_EQ(samplesOf(*tempoPitchHighByFreq(*odd, failed, 1, 0, 1, 1, full.get(), 4, ob, oe)), expected);

    // Double pitch: reader 2 starts g = -2 samples behind (before the wave: 0).
    auto r = tempoPitchHigh(*w, failed, 1, 0, 1, 2, 4, b, e);
    EXPECT_EQ(samplesOf(*r), (V{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 70}));
}

TEST_F(TempoPitchTest, FrequencyEnvelopeStepsTheReader) {
    auto ramp3 = makeWave({0, 1000, 2000});
    auto env = makeWave({0, 32767});
    int32_t rb = 0, re = 3;
    // The envelope runs 0 .. 32767 over the three outputs: steps 0, then 0.5.
    auto r = tempoPitchLowByFreq(*ramp3, failed, 1, 0, 1, 1, env.get(), 100, rb, re);
    EXPECT_EQ(samplesOf(*r), (V{0, 0, 500}));
}

TEST_F(TempoPitchTest, ContractsGuardTheArguments) {
    EXPECT_CONTRACT(tempoPitchLow(*w, failed, 0, 0, 1, 1, 4, b, e), "speed != 0");
    reset();
    EXPECT_CONTRACT(tempoPitchLow(*w, failed, 1, 0, 1, 1, 0, b, e), "blockTime > 0");
    reset();
    EXPECT_CONTRACT(tempoPitchHigh(*w, failed, 1, 0, 0, 1, 4, b, e), "lengthFactor > 0");
    Wave empty;
    reset();
    EXPECT_CONTRACT(tempoPitchLowByFreq(*w, failed, 1, 0, 1, 1, &empty, 4, b, e), "freqWave->values > 0");
    reset();
    EXPECT_CONTRACT(tempoPitchLowBySpeed(*w, failed, 1, &empty, 0, 1, 1, 4, b, e), "speedEnvelop->values > 0");
}

TEST_F(TempoPitchTest, DocumentCommandSelectsTheNewRangeAndRefusesTinyBlocks) {
    auto& d = monoDoc(ramp(20, 10), 1000);
    d.SetRange(4, 12);
    TTempoPitchProps p;  // double pitch, half length
    p.BlockSize = DefaultField<unitTimePosMore>("2 ms");
    EXPECT_EQ(CheckTempoPitch(p, d), "");
    ASSERT_TRUE(TempoPitchExecute(d, p));
    EXPECT_EQ(d.GetValues(), 16);
    EXPECT_EQ(d.SelBegin(), 4);
    EXPECT_EQ(d.SelEnd(), 8);
    EXPECT_EQ(left(d), (V{0, 10, 20, 30, 40, 60, 60, 80, 120, 130, 140, 150, 160, 170, 180, 190}));

    p.BlockSize = DefaultField<unitTimePosMore>("0.5 ms");
    EXPECT_EQ(CheckTempoPitch(p, d), "In Block Size: Block Size must be at least one sample.");
    p.BlockSize = DefaultField<unitTimePosMore>("2 ms");
    p.FreqEnvelopeOn = true;
    EXPECT_EQ(CheckTempoPitch(p, d), "In Frequency Envelope: You have to select a Wave");

    allocation_testing::failNextAllocations(1);
    p.FreqEnvelopeOn = false;
    EXPECT_FALSE(TempoPitchExecute(d, p));
    EXPECT_EQ(d.GetValues(), 16);
    EXPECT_EQ(memoryMessages(), 1);
}

}  // namespace
