#include <gtest/gtest.h>

#include "TestSupport.h"
#include "processing/AmplitudeEffects.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using Samples = std::vector<int>;

class AmplitudeEffects : public CoreFixture {
protected:
    bool failed = false;
};

TEST_F(AmplitudeEffects, ScaleTruncatesWrapsAndLeavesTheRestAlone) {
    auto w = makeWave({5, 20000, -100, 7, 3, -3, -32768, 9});
    // No clipping: 200 % of 20000 wraps to -25536.
    auto r = scale(*w, failed, 2.0, 1, 4);
    EXPECT_EQ(samplesOf(*r), (Samples{5, -25536, -200, 14, 3, -3, -32768, 9}));
    r = scale(*w, failed, 0.5, 4, 6);
    EXPECT_EQ(samplesOf(*r), (Samples{5, 20000, -100, 7, 1, -1, -32768, 9}));
    // -100 % inverts; -32768 has no positive twin and wraps back.
    r = scale(*w, failed, -1, 0, 8);
    EXPECT_EQ(samplesOf(*r), (Samples{-5, -20000, 100, -7, -3, 3, -32768, -9}));
    // A factor beyond the fast path still wraps like the integer it stands for.
    r = scale(*w, failed, 100000, 0, 1);
    EXPECT_EQ(r->wave[0], static_cast<int16_t>(500000 - 7 * 65536));
    EXPECT_FALSE(failed);
    EXPECT_EQ(samplesOf(*w), (Samples{5, 20000, -100, 7, 3, -3, -32768, 9}));
}

// What the sample-by-sample loop gave: the product truncated to an integer,
// its low 16 bits kept.
int16_t scaledSample(double factor, int16_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<int64_t>(factor * v)));
}

// Eight samples a step, the last few one by one, and long ranges shared out
// to threads: every sample value, every factor up to the fast path's edge,
// ranges that start and end off the steps, and the rest of the wave kept.
TEST_F(AmplitudeEffects, ScaleGivesEverySampleOfThePlainLoop) {
    std::vector<int> every;
    for (int v = -32768; v <= 32767; ++v) every.push_back(v);
    every.insert(every.end(), {-32768, 32767, 1, -1, 0});
    const auto small = makeWave(every);
    auto large = Wave::create(failed, 3'000'011);
    for (int32_t i = 0; i < large->values; ++i)
        large->wave[i] = static_cast<int16_t>(static_cast<uint32_t>(i) * 2654435761u >> 16);
    for (const double factor : {0.5, -1.0, 1.7, -0.49999, 3.99999, 1e-9, 0.0, 65535.99, -65535.99, 65536.0, -65536.0, 2.0 / 3}) {
        for (const Wave* w : {small.get(), large.get()}) {
            SCOPED_TRACE("factor " + std::to_string(factor) + ", " + std::to_string(w->values) + " samples");
            const int32_t begin = 3, end = w->values - 5;
            auto r = scale(*w, failed, factor, begin, end);
            ASSERT_TRUE(r);
            ASSERT_EQ(r->values, w->values);
            int32_t wrong = 0, first = -1;
            for (int32_t i = 0; i < w->values; ++i) {
                const int16_t want = i < begin || i >= end ? w->wave[i] : scaledSample(factor, w->wave[i]);
                if (r->wave[i] != want && wrong++ == 0) first = i;
            }
            EXPECT_EQ(wrong, 0) << "first at " << first;
        }
    }
    EXPECT_FALSE(failed);
}

TEST_F(AmplitudeEffects, TheEnvelopeIsStretchedFromItsFirstToItsLastSample) {
    auto w = makeWave({1, 1000, 1000, 1000, 1000, 1000, 1});
    auto env = makeWave({32767, 0, -32767});
    // Five range samples read the envelope at 0, 0.5, 1, 1.5 and 2.
    auto r = scaleByEnvelope(*w, failed, *env, 1, 6);
    EXPECT_EQ(samplesOf(*r), (Samples{1, 1000, 500, 0, -500, -1000, 1}));
    // One range sample reads the first envelope sample.
    r = scaleByEnvelope(*w, failed, *env, 3, 4);
    EXPECT_EQ(samplesOf(*r), (Samples{1, 1000, 1000, 1000, 1000, 1000, 1}));
}

TEST_F(AmplitudeEffects, AddValueWrapsAround) {
    auto w = makeWave({30000, 30000, -5});
    auto r = addValue(*w, failed, 16383, 1, 3);
    EXPECT_EQ(samplesOf(*r), (Samples{30000, -19153, 16378}));
}

TEST_F(AmplitudeEffects, MaxVolumeTakesThePeakOfBothChannels) {
    MonoSound mono(makeWave({16384, -8192, 0, 30000}), 44100, 2);
    int32_t b = 0, e = 3;
    auto r = MaxVolume(mono, failed, b, e);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{32767, -16383, 0, 30000}));
    EXPECT_EQ(b, 0);
    EXPECT_EQ(e, 3);
    StereoSound stereo(makeWave({100, 50}), makeWave({-200, 0}), 44100, 2);
    b = 0;
    e = 2;
    r = MaxVolume(stereo, failed, b, e);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{16383, 8191}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{-32767, 0}));
    // A silent range stays silent.
    MonoSound silent(makeWave({0, 0, 7}), 44100, 2);
    b = 0;
    e = 2;
    r = MaxVolume(silent, failed, b, e);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{0, 0, 7}));
}

TEST_F(AmplitudeEffects, MixSwappedExchangesTheChannelsInsideTheRangeOnly) {
    StereoSound s(makeWave({1, 2, 3, 4}), makeWave({-1, -2, -3, -4}), 44100, 2);
    int32_t b = 1, e = 3;
    auto r = MixLeftRight(s, failed, 0, 1, 1, 0, b, e);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{1, -2, -3, 4}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{-1, 2, 3, -4}));
    // Mono at Left, Surround at Right: left = 0.4 L + 0.4 R, right = 0.8 R - 0.8 L.
    StereoSound t(makeWave({1000}), makeWave({500}), 44100, 2);
    b = 0;
    e = 1;
    r = MixLeftRight(t, failed, 0.4, -0.8, 0.4, 0.8, b, e);
    EXPECT_EQ(r->GetLeft().wave[0], 600);
    EXPECT_EQ(r->GetRight().wave[0], -400);
}

TEST_F(AmplitudeEffects, ConstantBalanceInTheMiddleHalvesBothChannels) {
    MonoSound s(makeWave({1000, -999, 3}), 44100, 2);
    auto r = Balance(s, failed, 0, false, bvVolume);
    ASSERT_EQ(r->MoSt, 2);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{500, -499, 1}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{500, -499, 1}));
    // Neither difference: two copies.
    r = Balance(s, failed, 0.7, false, bvNone);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{1000, -999, 3}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{1000, -999, 3}));
}

TEST_F(AmplitudeEffects, ConstantBalanceFullyRightDelaysAndSilencesTheLeft) {
    Samples w = {1000, -999, 3, 4, 5};
    MonoSound s(makeWave(w), 44100, 2);
    auto r = Balance(s, failed, 1, true, bvVolume);
    // trunc(44100 * 2 / 3400 + 1) = 26 zero samples after the wave.
    Samples right = w;
    right.resize(w.size() + 26, 0);
    EXPECT_EQ(samplesOf(r->GetRight()), right);
    EXPECT_EQ(samplesOf(r->GetLeft()), Samples(right.size(), 0));
    // Without the volume difference the left channel is the wave delayed by
    // d, just below 25.94 samples, read between its samples.
    r = Balance(s, failed, 1, true, bvNone);
    Samples left(31, 0);
    left[26] = 882;
    left[27] = -940;
    left[28] = 3;
    left[29] = 4;
    EXPECT_EQ(samplesOf(r->GetLeft()), left);
}

TEST_F(AmplitudeEffects, BalanceFilterInTheMiddleTreatsBothChannelsAlike) {
    Samples w;
    for (int i = 0; i < 300; ++i) w.push_back((i % 7) * 3000 - 9000);
    MonoSound s(makeWave(w), 22050, 2);
    auto r = Balance(s, failed, 0, false, bvFilter);
    EXPECT_EQ(samplesOf(r->GetLeft()), samplesOf(r->GetRight()));
    EXPECT_NE(samplesOf(r->GetLeft()), w);
    // Fully left: the right channel is filtered harder than the left.
    r = Balance(s, failed, -1, false, bvFilter);
    auto peak = [&](const Wave& x) { return x.peak(failed, 100, 300); };
    EXPECT_GT(peak(r->GetLeft()), peak(r->GetRight()));
}

TEST_F(AmplitudeEffects, BalanceByEnvelopeFollowsTheDirectionOfEverySample) {
    MonoSound s(makeWave({1000, 2000, 3000}), 3400, 2);
    MonoSound right(makeWave({32767}), 3400, 2);
    // Volume: right channel factor trunc(32767 * 0.5 + 16383) = 32766, left 0.
    auto r = BalanceByEnvelope(s, failed, right, false, bvVolume);
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{999, 1999, 2999}));
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{0, 0, 0}));
    // Time: b = 1 sample, c = 2; the middle delays both by c, full right
    // reads the left one sample later and the right one earlier.
    MonoSound middle(makeWave({0}), 3400, 2);
    r = BalanceByEnvelope(s, failed, middle, true, bvNone);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{0, 0, 1000, 2000, 3000, 0, 0}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{0, 0, 1000, 2000, 3000, 0, 0}));
    r = BalanceByEnvelope(s, failed, right, true, bvNone);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{0, 0, 0, 1000, 2000, 3000, 0}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{0, 1000, 2000, 3000, 0, 0, 0}));
}

TEST_F(AmplitudeEffects, BalanceLeavesAStereoSoundAsItIs) {
    StereoSound s(makeWave({1, 2}), makeWave({3, 4}), 44100, 2);
    auto r = Balance(s, failed, 1, true, bvFilter);
    EXPECT_EQ(samplesOf(r->GetLeft()), (Samples{1, 2}));
    EXPECT_EQ(samplesOf(r->GetRight()), (Samples{3, 4}));
}

TEST_F(AmplitudeEffects, AFailedAllocationGivesNothingAndOneMessage) {
    MonoSound s(makeWave({1, 2, 3}), 44100, 2);
    allocation_testing::failNextAllocations(1);
    int32_t b = 0, e = 3;
    EXPECT_EQ(Volume(s, failed, 2, b, e), nullptr);
    EXPECT_TRUE(failed);
    EXPECT_EQ(memoryMessages(), 1);
    // A set flag makes every later operation do nothing.
    EXPECT_EQ(Balance(s, failed, 0, true, bvVolume), nullptr);
    EXPECT_EQ(memoryMessages(), 1);
}

TEST_F(AmplitudeEffects, RangeContracts) {
    auto w = makeWave({1, 2, 3});
    EXPECT_CONTRACT(scale(*w, failed, 1, 2, 2), "begin < end");
    EXPECT_CONTRACT(scale(*w, failed, 1, 0, 4), "end <= values");
    StereoSound empty(makeWave({}), makeWave({}), 44100, 2);
    int32_t b = 0, e = 0;
    EXPECT_CONTRACT(MixLeftRight(empty, failed, 1, 0, 0, 1, b, e), "GetValues() != 0");
}

}  // namespace
