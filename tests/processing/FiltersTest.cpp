#include <gtest/gtest.h>

#include <cmath>

#include "TestSupport.h"
#include "processing/Filters.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using Samples = std::vector<int>;

class Filters : public CoreFixture {
protected:
    bool failed = false;
};

TEST_F(Filters, LowFilterFollowsTheOnePoleRecursion) {
    // T = 10, f = 0.5: x = 1 - 0.5 * 6.2830586 / (10 * sqrt(0.75)) = 0.637...
    auto w = makeWave({7, 1000, 1000, 1000, 1000, 1000, 7});
    EXPECT_EQ(samplesOf(*lowFilter(*w, failed, 10, 0.5, 1, 1, 1, 6)), (Samples{7, 362, 593, 741, 835, 894, 7}));
    // A period too short for the stage gives x = 0: the input comes through.
    auto v = makeWave({3, -20000, 12345, 5});
    EXPECT_EQ(samplesOf(*lowFilter(*v, failed, 1, 0.5, 1, 1, 0, 4)), (Samples{3, -20000, 12345, 5}));
}

TEST_F(Filters, HighFilterOfAConstantDecaysTowardsZero) {
    auto w = makeWave(Samples(6, 10000));
    EXPECT_EQ(samplesOf(*highFilter(*w, failed, 10, 0.5, 1, 1, 0, 6)), (Samples{6372, 4060, 2587, 1649, 1050, 669}));
    auto longer = makeWave(Samples(3000, 10000));
    auto r = highFilter(*longer, failed, 10, 0.5, 1, 1, 0, 3000);
    EXPECT_EQ(r->wave[2999], 0);
}

TEST_F(Filters, CountRunsPassesOfAStageWithTheRootOfTheFactor) {
    Samples in;
    for (int i = 0; i < 2400; ++i) in.push_back((i * 7919) % 20000 - 10000);
    auto w = makeWave(in);
    for (bool high : {false, true}) {
        auto run = [&](const Wave& x, double factor, int ber, int cmd) {
            return high ? highFilter(x, failed, 30, factor, ber, cmd, 100, 2300)
                        : lowFilter(x, failed, 30, factor, ber, cmd, 100, 2300);
        };
        auto three = run(*w, 0.5, 3, 3);
        // Each later pass reads the truncated output of the one before.
        auto a = run(*w, std::pow(0.5, 1.0 / 3), 1, 1);
        auto b = run(*a, std::pow(0.5, 1.0 / 3), 1, 1);
        auto c = run(*b, std::pow(0.5, 1.0 / 3), 1, 1);
        EXPECT_EQ(samplesOf(*three), samplesOf(*c)) << high;
        EXPECT_NE(samplesOf(*three), samplesOf(*a)) << high;
    }
}

TEST_F(Filters, FrequencyAndWidthEnvelopeConventions) {
    EXPECT_DOUBLE_EQ(envelopeFrequency(-32768), 20);
    EXPECT_DOUBLE_EQ(envelopeFrequency(32767), 20000);
    EXPECT_NEAR(envelopeFrequency(0), 632.49, 0.01);
    EXPECT_EQ(envelopeWidth(-32768), 0);
    EXPECT_EQ(envelopeWidth(0), 0.5);
}

TEST_F(Filters, AConstantEnvelopeIsTheConstantPeriod) {
    Samples in;
    for (int i = 0; i < 1500; ++i) in.push_back((i * 104729) % 30000 - 15000);
    auto w = makeWave(in);
    auto env = makeWave({-5000});
    double per = 8000 / envelopeFrequency(-5000);
    EXPECT_EQ(samplesOf(*lowFilterByEnvelope(*w, failed, *env, 0.3, 2, 2, 8000, 10, 1400)),
              samplesOf(*lowFilter(*w, failed, per, 0.3, 2, 2, 10, 1400)));
    EXPECT_EQ(samplesOf(*highFilterByEnvelope(*w, failed, *env, 0.3, 1, 2, 8000, 10, 1400)),
              samplesOf(*highFilter(*w, failed, per, 0.3, 1, 2, 10, 1400)));
    // The notch filter keeps four steps with a frequency envelope ...
    EXPECT_EQ(samplesOf(*notchFilter(*w, failed, *env, 0.3, 8000, 10, 1400)),
              samplesOf(*notchFilter(*w, failed, per, 0.3, 10, 1400)));
    auto width = makeWave({6553});
    EXPECT_EQ(samplesOf(*resonantFilter(*w, failed, per, *width, 10, 1400)),
              samplesOf(*resonantFilter(*w, failed, per, envelopeWidth(6553), 10, 1400)));
    EXPECT_EQ(samplesOf(*notchFilter(*w, failed, *env, *width, 8000, 10, 1400)),
              samplesOf(*notchFilter(*w, failed, per, envelopeWidth(6553), 10, 1400)));
}

TEST_F(Filters, ResonantAndNotchOscillatorSamples) {
    // per = 2, width 0.5: e = 0.5^(1/2), d = 2.466 / 4, four sub-steps.
    auto w = makeWave({1000, 0, 0, 0, 0});
    EXPECT_EQ(samplesOf(*resonantFilter(*w, failed, 2, 0.5, 0, 5)), (Samples{392, -121, 17, 14, -17}));
    EXPECT_EQ(samplesOf(*notchFilter(*w, failed, 2, 0.5, 0, 5)), (Samples{607, 121, -17, -14, 17}));
    // ... while the resonant filter takes twenty finer steps: 632.49 Hz at 8 kHz.
    auto env = makeWave({0});
    EXPECT_EQ(samplesOf(*resonantFilter(*w, failed, *env, 0.5, 8000, 0, 5)), (Samples{643, 125, -65, -120, -120}));
}

TEST_F(Filters, ResonantWidthOnePassesAndWidthZeroSilences) {
    auto w = makeWave({5, 1000, -2000, 30000, 5});
    EXPECT_EQ(samplesOf(*resonantFilter(*w, failed, 3, 1, 1, 4)), (Samples{5, 1000, -2000, 30000, 5}));
    EXPECT_EQ(samplesOf(*resonantFilter(*w, failed, 3, 0, 1, 4)), (Samples{5, 0, 0, 0, 5}));
    EXPECT_EQ(samplesOf(*notchFilter(*w, failed, 3, 1, 1, 4)), (Samples{5, 0, 0, 0, 5}));
    EXPECT_EQ(samplesOf(*notchFilter(*w, failed, 3, 0, 1, 4)), (Samples{5, 1000, -2000, 30000, 5}));
}

TEST_F(Filters, BlockFilterOfOneSampleHalvesThePreviousSampleAndGrowsByTwo) {
    auto w = makeWave({7, 100, 200, 300, 9});
    int32_t b = 1, e = 4;
    EXPECT_EQ(samplesOf(*blockFilter(*w, failed, 1, b, e)), (Samples{7, 0, 50, 100, 150, 0, 9}));
    EXPECT_EQ(b, 1);
    EXPECT_EQ(e, 6);
    // A backward block leads instead of lagging.
    b = 1;
    e = 4;
    EXPECT_EQ(samplesOf(*blockFilter(*w, failed, -1, b, e)), (Samples{7, 50, 100, 150, 0, 0, 9}));
    EXPECT_EQ(e, 6);
    // Two samples: half the mean of the two before.
    b = 1;
    e = 4;
    EXPECT_EQ(samplesOf(*blockFilter(*w, failed, 2, b, e)), (Samples{7, 0, 25, 75, 125, 75, 0, 9}));
    EXPECT_EQ(e, 7);
}

TEST_F(Filters, BlockFilterByEnvelopeReadsNothingOutsideTheRange) {
    auto w = makeWave({7, 100, 200, 300, 9});
    // An envelope of 0 gives blocks below one sample: the direct branch.
    // x = 1: q = 2, the source lags by 2 and reads before the wave's first
    // sample and after its last; both give 0, as do the samples outside the range.
    auto zero = makeWave({0});
    int32_t b = 1, e = 4;
    EXPECT_EQ(samplesOf(*blockFilterByEnvelope(*w, failed, 1, *zero, b, e)), (Samples{7, 0, 0, 50, 100, 150, 0, 0, 9}));
    EXPECT_EQ(b, 1);
    EXPECT_EQ(e, 8);
    // Full envelope, x = 4: blocks of four samples, q = 5.
    auto full = makeWave({32767});
    b = 1;
    e = 4;
    EXPECT_EQ(samplesOf(*blockFilterByEnvelope(*w, failed, 4, *full, b, e)),
              (Samples{7, 0, 12, 37, 75, 75, 62, 37, 0, 0, 0, 0, 0, 0, 9}));
    EXPECT_EQ(e, 14);
    // A negative maximum still grows the range.
    b = 1;
    e = 4;
    EXPECT_EQ(blockFilterByEnvelope(*w, failed, -1, *zero, b, e)->values, 9);
}

TEST_F(Filters, ContractsOfTheArguments) {
    auto w = makeWave({1, 2, 3});
    EXPECT_CONTRACT(lowFilter(*w, failed, 0, 0.5, 1, 1, 0, 3), "time > 0");
    EXPECT_CONTRACT(lowFilter(*w, failed, 1, 1, 1, 1, 0, 3), "factor < 1");
    EXPECT_CONTRACT(lowFilter(*w, failed, 1, 0.5, 0, 1, 0, 3), "countBer > 0");
    EXPECT_CONTRACT(highFilter(*w, failed, 1, 0, 1, 1, 0, 3), "factor > 0 && factor < 1");
    EXPECT_CONTRACT(highFilter(*w, failed, 1, 0.5, 1, 0, 0, 3), "countCmd > 0");
    EXPECT_CONTRACT(resonantFilter(*w, failed, 0.5, 0.5, 0, 3), "per >= 1 && factor >= 0 && factor <= 1");
    auto env = makeWave({0});
    EXPECT_CONTRACT(notchFilter(*w, failed, *env, 1.5, 8000, 0, 3), "factor >= 0 && factor <= 1");
    EXPECT_CONTRACT(notchFilter(*w, failed, 0.5, *env, 0, 3), "per >= 1");
}

TEST_F(Filters, SoundFiltersMaximizeWithOnePeakForBothChannels) {
    StereoSound s(makeWave({1000, 2000, 4000, 0}), makeWave({0, 0, 0, 0}), 8000, 2);
    int32_t b = 0, e = 4;
    // A period this short leaves the samples as they are; the normalisation
    // brings the louder channel's peak to 22936.9 and silence stays silent.
    auto r = FilterLow(s, failed, 1.0 / 8000, nullptr, 0.5, 1, true, b, e);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{5734, 11468, 22936, 0}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{0, 0, 0, 0}));
    // Without it the same call changes nothing.
    r = FilterLow(s, failed, 1.0 / 8000, nullptr, 0.5, 1, false, b, e);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{1000, 2000, 4000, 0}));
}

TEST_F(Filters, TheBlockFilterGrowsBothChannelsAlike) {
    StereoSound s(makeWave({7, 100, 200, 300, 9}), makeWave({1, 2, 4, 6, 8}), 1000, 2);
    int32_t b = 1, e = 4;
    auto r = FilterBlock(s, failed, 0.001, nullptr, b, e);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{7, 0, 50, 100, 150, 0, 9}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{1, 0, 1, 2, 3, 0, 8}));
    EXPECT_EQ(e, 6);
}

}  // namespace
