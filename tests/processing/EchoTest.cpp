#include <gtest/gtest.h>

#include <random>

#include "TimeEchoFixture.h"
#include "processing/Dicer.h"
#include "processing/Echo.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using V = std::vector<int>;

class EchoTest : public TimeEchoTest {
protected:
    TPerEchoProps perEcho(const char* time, const char* volume = "100 %", const char* count = "1") {
        TPerEchoProps p;
        p.Time = DefaultField<unitTime>(time);
        p.Volume = DefaultField<unitVolumeFactor>(volume);
        p.Count = DefaultField<unitIntegerPosMore>(count);
        return p;
    }
    TRandomEchoProps randomEcho(const char* seed, const char* time = "10 ms") {
        TRandomEchoProps p;
        p.Count = DefaultField<unitIntegerPosMore>("1");
        p.Seed = DefaultField<unitInteger>(seed);
        p.TimeDifference = DefaultField<unitTimePosMore>(time);
        return p;
    }
    static V silentWith(int length, int at, const V& samples) {
        V v(length, 0);
        for (size_t i = 0; i < samples.size(); ++i) v[at + i] = samples[i];
        return v;
    }
};

TEST_F(EchoTest, PeriodEchoAtTheEndGrowsTheWaveAndAddsAFullCopy) {
    auto& d = monoDoc({1, 2, 3, 4});
    ASSERT_TRUE(PerEchoExecute(d, perEcho("2 ms")));
    EXPECT_EQ(left(d), (V{1, 2, 4, 6, 3, 4, 0}));
    EXPECT_EQ(d.SelBegin(), 0);
    EXPECT_EQ(d.SelEnd(), 7);
}

TEST_F(EchoTest, NegativeTimePutsEchoesBeforeAndPadsTheStart) {
    auto& d = monoDoc({1, 2, 3, 4});
    ASSERT_TRUE(PerEchoExecute(d, perEcho("-2 ms")));
    EXPECT_EQ(left(d), (V{0, 1, 2, 4, 6, 3, 4}));
    EXPECT_EQ(d.SelBegin(), 0);
    EXPECT_EQ(d.SelEnd(), 7);
}

TEST_F(EchoTest, CopiesFallOffGeometricallyAndFractionalPeriodsInterpolate) {
    auto& d = monoDoc({1000, 0, 9});
    d.SetRange(0, 2);
    ASSERT_TRUE(PerEchoExecute(d, perEcho("2 ms", "50 %", "3")));
    EXPECT_EQ(left(d), (V{1000, 0, 509, 0, 250, 0, 125, 0, 0, 0, 0}));
    EXPECT_EQ(d.SelEnd(), 11);

    auto w = makeWave({0, 100});
    int32_t b = 0, e = 2;
    EXPECT_EQ(samplesOf(*periodEcho(*w, failed, 1.5, 1, 1, b, e)), (V{0, 100, 50, 0}));
    b = 0, e = 1;
    EXPECT_CONTRACT(periodEcho(*w, failed, 1.5, 1, 1, b, e), "begin < end - 1");
}

TEST_F(EchoTest, EnvelopeVariantsScaleTheVolumeAndTheDelay) {
    auto w = makeWave({1000, 1000});
    auto half = makeWave({16384});
    int32_t b = 0, e = 2;
    EXPECT_EQ(samplesOf(*periodEchoByVolume(*w, failed, 2, *half, 2, b, e)), (V{1000, 1000, 500, 500, 250, 250, 0, 0}));

    auto ramp4 = makeWave({1, 2, 3, 4});
    auto full = makeWave({32767});
    b = 0, e = 4;
    // The time envelope's span grows on both sides.
    auto r = periodEchoByTime(*ramp4, failed, 2, *full, 1, 1, b, e);
    EXPECT_EQ(samplesOf(*r), (V{0, 0, 0, 1, 2, 4, 6, 3, 4, 0}));
    EXPECT_EQ(b, 0);
    EXPECT_EQ(e, 10);
    b = 0, e = 4;
    EXPECT_EQ(samplesOf(*periodEchoByBoth(*ramp4, failed, 2, *full, *full, 1, b, e)), samplesOf(*r));
    b = 0, e = 4;
    EXPECT_CONTRACT(periodEchoByTime(*ramp4, failed, -2, *full, 1, 1, b, e), "diffTime >= 0");
}

TEST_F(EchoTest, ConstantEchoOnlyVisitsTheReachedSpanYetMatchesTheFullWalk) {
    // The time-envelope variant walks every position of its span; with a
    // full-scale envelope and a whole period it must agree sample for sample
    // with the constant echo, which skips the positions no copy reaches.
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
        int n = 2 + static_cast<int>(random() % 3000);
        std::vector<int> samples(n);
        for (int& v : samples) v = static_cast<int>(random() % 65536) - 32768;
        auto w = makeWave(samples);
        int32_t begin = static_cast<int32_t>(random() % (n - 1));
        int32_t end = begin + 2 + static_cast<int32_t>(random() % (n - begin - 1));
        double per = 1 + static_cast<double>(random() % 2500);
        int32_t count = 1 + static_cast<int32_t>(random() % 4);
        double factor = (static_cast<int>(random() % 300) - 150) / 100.0;
        auto full = makeWave({32767});
        int32_t b1 = begin, e1 = end, b2 = begin, e2 = end;
        auto fast = periodEcho(*w, failed, per, factor, count, b1, e1);
        auto walked = periodEchoByTime(*w, failed, per, *full, factor, count, b2, e2);
        ASSERT_TRUE(fast && walked);
        V a = samplesOf(*fast), b = samplesOf(*walked);
        size_t front = b.size() - a.size();
        ASSERT_EQ(V(b.begin() + front, b.end()), a) << "round " << round;
        EXPECT_EQ(e1 + static_cast<int32_t>(front), e2);
    }
}

TEST_F(EchoTest, PeriodEchoRefusals) {
    auto& d = monoDoc({1, 2, 3, 4});
    d.SetRange(1, 2);
    EXPECT_EQ(CheckPerEcho(perEcho("2 ms"), d), "An echo needs a range of at least two samples.");
    d.SetRange(0, 4);
    TPerEchoProps p = perEcho("-2 ms");
    monoDoc({32767}, 1000, "env");
    std::string message;
    ASSERT_TRUE(
        p.TimeEnvelope.FromName("env", "Echo Time Envelope", message,
                                [this](const std::string& n, const std::string&) { return space.FindWave(n); }));
    p.TimeEnvelopeOn = true;
    EXPECT_EQ(CheckPerEcho(p, d), "In Time: Value must be positive.");
    p.VolumeKind = 1;
    p.Time = DefaultField<unitTime>("2 ms");
    EXPECT_EQ(CheckPerEcho(p, d), "In Echo Volume Envelope: You have to select a Wave");
}

TEST_F(EchoTest, DiceTakeTheHighPartFirst) {
    Dicer dicer(7);
    dicer.Throw();
    EXPECT_EQ(dicer.Raw(0), 641082958u);
    EXPECT_EQ(dicer.Raw(5), 367452947u);
    EXPECT_DOUBLE_EQ(DieIn(dicer, 0, 0, 10), 641082958 / 1073676288.0 * 10);
    EXPECT_DOUBLE_EQ(DieIn(dicer, 1, -1, 1), -1 + 356145298 / 1073676288.0 * 2);
    EXPECT_CONTRACT(dicer.Value(6, 1, 0), "dice < DICES");
    Dicer zero(0);
    zero.Throw();
    EXPECT_EQ(zero.Raw(0), 21468u);
}

TEST_F(EchoTest, OneUnchangedEchoLandsWhereTheTimeDieSays) {
    auto& d = monoDoc({100, 200, 300});
    // T = 10 samples; the result has room for T, the sound and the balance.
    ASSERT_TRUE(RndEchoExecute(d, randomEcho("7")));
    EXPECT_EQ(left(d), silentWith(15, 5, {100, 200, 300}));
    EXPECT_EQ(d.SelBegin(), 0);
    EXPECT_EQ(d.SelEnd(), 15);

    auto& again = monoDoc({100, 200, 300});
    ASSERT_TRUE(RndEchoExecute(again, randomEcho("7")));
    EXPECT_EQ(left(again), left(d));
    auto& other = monoDoc({100, 200, 300});
    ASSERT_TRUE(RndEchoExecute(other, randomEcho("0")));
    EXPECT_EQ(left(other), silentWith(15, 0, {100, 200, 300}));
}

TEST_F(EchoTest, CyclableEchoWrapsPastTheEnd) {
    auto& d = monoDoc(ramp(10, 1, 1));
    TRandomEchoProps p = randomEcho("7");
    p.Cyclable = true;
    ASSERT_TRUE(RndEchoExecute(d, p));
    EXPECT_EQ(left(d), (V{8, 9, 10, 0, 0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(EchoTest, AspectsChangeEachEcho) {
    auto& d = monoDoc({100, 200, 300});
    TRandomEchoProps p = randomEcho("7");
    p.Aspects[aspectVolume].Kind = 1;  // linear: die 2 gives 0.3317...
    ASSERT_TRUE(RndEchoExecute(d, p));
    EXPECT_EQ(left(d), silentWith(15, 5, {33, 66, 99}));

    auto& b = monoDoc({100, 200, 300});
    p.Aspects[aspectVolume].Kind = 0;
    p.Aspects[aspectBalance].Kind = 1;
    ASSERT_TRUE(RndEchoExecute(b, p));
    EXPECT_EQ(b.GetMoSt(), 2);
    EXPECT_EQ(b.GetValues(), 15);

    // Full-scale envelopes: tempo 1 and the pitch factor 2 itself.
    monoDoc({32767}, 1000, "full");
    auto& t = monoDoc({100, 200, 300});
    p.Aspects[aspectBalance].Kind = 0;
    std::string message;
    WaveLookup lookup = [this](const std::string& n, const std::string&) { return space.FindWave(n); };
    for (int a : {aspectPitch, aspectTempo}) {
        p.Aspects[a].Kind = 1;
        ASSERT_TRUE(p.Aspects[a].Envelope.FromName("full", "envelope", message, lookup));
    }
    EXPECT_EQ(CheckRndEcho(p, t), "");
    ASSERT_TRUE(RndEchoExecute(t, p));
    EXPECT_EQ(left(t), silentWith(15, 5, {100, 300, 0}));
}

TEST_F(EchoTest, RandomEchoRefusalsAndFailures) {
    auto& d = monoDoc({100, 200, 300});
    TRandomEchoProps p = randomEcho("7");
    p.Aspects[aspectPitch].Kind = 1;
    EXPECT_EQ(CheckRndEcho(p, d), "In Pitch - Random Envelope: You have to select a Wave");
    p.Aspects[aspectPitch].Kind = 0;
    p.BlockSize = DefaultField<unitTimePosMore>("0.5 ms");
    EXPECT_EQ(CheckRndEcho(p, d), "In Block Size: Block Size must be at least one sample.");

    p.BlockSize = DefaultField<unitTimePosMore>("40 ms");
    allocation_testing::failNextAllocations(1);
    EXPECT_FALSE(RndEchoExecute(d, p));
    EXPECT_EQ(left(d), (V{100, 200, 300}));
    EXPECT_EQ(memoryMessages(), 1);
}

}  // namespace
