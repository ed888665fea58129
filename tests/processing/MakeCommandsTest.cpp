#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Random.h"
#include "processing/MakeCommands.h"
#include "processing/TWorkspace.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class MakeCommandsTest : public CoreFixture {
protected:
    TWorkspace space;

    TUnitWave& doc(const std::vector<int>& samples, int freq = 1000, int channels = 1) {
        std::unique_ptr<Sound> s;
        if (channels == 1) s = std::make_unique<MonoSound>(makeWave(samples), freq, 2);
        else s = std::make_unique<StereoSound>(makeWave(samples), makeWave(samples), freq, 2);
        return space.AddWave(std::make_unique<TUnitWave>(std::move(s), "d.wav"));
    }
    template <class F>
    static void set(F& field, const char* text) {
        std::string message;
        ASSERT_TRUE(field.FromText(text, "", message)) << message;
    }
};

TEST_F(MakeCommandsTest, GeneratorsReplaceTheSelectionAndSelectTheNewMaterial) {
    auto& d = doc(std::vector<int>(100, 9));
    d.SetRange(10, 30);
    TSilenceProps silence;
    set(silence.Length, "4 ms");  // 4 samples plus the one a silence always adds
    ASSERT_TRUE(MakeSilence(d, silence));
    EXPECT_EQ(d.GetValues(), 85);
    EXPECT_EQ(d.SelBegin(), 10);
    EXPECT_EQ(d.SelEnd(), 15);
    EXPECT_EQ(d.Records.Silence.Length.ToText(), "4 ms");
    EXPECT_EQ(d.TheSound->GetLeft().wave[9], 9);
    EXPECT_EQ(d.TheSound->GetLeft().wave[14], 0);
    EXPECT_EQ(d.TheSound->GetLeft().wave[15], 9);
}

TEST_F(MakeCommandsTest, SinusTakesACountOrALengthOfPeriods) {
    auto& d = doc({}, 1000, 2);
    TSinusProps sinus;
    set(sinus.Period, "100 Hz");  // 10 samples a period
    set(sinus.Count, "3");
    ASSERT_TRUE(MakeSinus(d, sinus));
    EXPECT_EQ(d.GetValues(), 30);
    sinus.LengthKind = 1;
    set(sinus.Length, "55 ms");  // 5.5 periods
    d.SetCursor(30);
    ASSERT_TRUE(MakeSinus(d, sinus));
    EXPECT_EQ(d.GetValues(), 85);
    // Both channels carry the same sine of 50 % amplitude; with ten samples a
    // period the loudest sample sits at 0.3 of it: sin(0.6 pi) of 16383.
    EXPECT_EQ(samplesOf(d.TheSound->GetLeft()), samplesOf(d.TheSound->GetRight()));
    EXPECT_EQ(d.TheSound->GetLeft().peak(d.Failed, 0, 85), 15584);
}

TEST_F(MakeCommandsTest, BlockWithAMiddleEnvelopeUsesTheNamedWave) {
    auto& env = doc({32767, 32767});
    ASSERT_TRUE(space.SetName(env, "env"));
    auto& d = doc({});
    TBlockTriangleProps block;
    set(block.Period, "250 Hz");  // 4 samples
    set(block.Length, "8 ms");
    block.MiddleKind = 1;
    std::string message;
    ASSERT_TRUE(block.MiddleEnvelope.FromName("env", "Middle Envelope", message,
                                              [&](const std::string& n, const std::string&) { return space.FindWave(n); }));
    EXPECT_EQ(CheckBlockTriangle(block, d.GetFreq()), "");
    ASSERT_TRUE(MakeBlock(d, block));
    // A middle of 32767 / 65535 + 0.5, just below 1: Height 2 nearly all the period.
    EXPECT_EQ(samplesOf(d.TheSound->GetLeft()),
              (std::vector<int>{-16383, -16383, -16383, -16383, -16383, -16383, -16383, -16383}));
    set(block.Length, "0.5 ms");
    EXPECT_EQ(CheckBlockTriangle(block, d.GetFreq()), "In Length: Length must be at least one sample.");
}

TEST_F(MakeCommandsTest, ExponentialLineRefusesZeroAndSignChange) {
    TLineProps line;
    line.Exponential = true;
    EXPECT_EQ(CheckLine(line), "Exponential Line may not contain value 0.");
    set(line.First, "-10 %");
    EXPECT_EQ(CheckLine(line), "Exponential Line may not contain value 0.");
    set(line.First, "10 %");
    EXPECT_EQ(CheckLine(line), "");
    line.Exponential = false;
    set(line.First, "0");
    EXPECT_EQ(CheckLine(line), "");
}

TEST_F(MakeCommandsTest, NoiseFollowsTheSeed) {
    auto& a = doc({});
    auto& b = doc({});
    TNoiseProps noise;
    set(noise.Length, "20 ms");
    Random::seed(7);
    ASSERT_TRUE(MakeNoise(a, noise));
    Random::seed(7);
    ASSERT_TRUE(MakeNoise(b, noise));
    EXPECT_EQ(samplesOf(a.TheSound->GetLeft()), samplesOf(b.TheSound->GetLeft()));
    EXPECT_EQ(a.GetValues(), 20);
}

TEST_F(MakeCommandsTest, MultiFrequencyWithAFormWaveReadsThatWave) {
    auto& form = doc({0, 1000, 0, -1000});
    ASSERT_TRUE(space.SetName(form, "form"));
    auto& d = doc({});
    TMFreqProps mfreq;
    set(mfreq.Length, "8 ms");
    set(mfreq.Rows[0].Volume, "1");
    set(mfreq.Rows[0].Frequency, "250 Hz");  // one sample of the form per output sample
    set(mfreq.Rows[0].VolumeFactor, "1");
    std::string message;
    ASSERT_TRUE(mfreq.Form.FromName("form", "Wave Form", message,
                                    [&](const std::string& n, const std::string&) { return space.FindWave(n); }));
    ASSERT_TRUE(MakeMFreq(d, mfreq));
    // The read position wraps into [0, n - 1), so the form's last sample is never reached.
    EXPECT_EQ(samplesOf(d.TheSound->GetLeft()), (std::vector<int>{0, 1000, 0, 0, 1000, 0, 0, 1000}));
}

TEST_F(MakeCommandsTest, DrawWaveReplacesTheSoundWithOneMonoSecond) {
    auto& d = doc({1, 2, 3}, 4, 2);
    d.SetRange(1, 2);
    std::vector<DrawnPoint> points{{0, 0}, {100, 100}};
    ASSERT_TRUE(DrawWave(d, points, 0, 0, 100, 100, drawnWaveLinear));
    EXPECT_EQ(d.GetMoSt(), 1);
    EXPECT_EQ(samplesOf(d.TheSound->GetLeft()), (std::vector<int>{32767, 16383, 0, -16383}));
    EXPECT_FALSE(d.HasSelection());
    EXPECT_FALSE(DrawWave(d, std::vector<DrawnPoint>{{0, 0}}, 0, 0, 100, 100, drawnWaveLinear));
}

TEST_F(MakeCommandsTest, AFailedAllocationLeavesTheDocumentAsItWas) {
    auto& d = doc({1, 2, 3, 4}, 1000, 2);
    d.SetRange(1, 3);
    auto before = d.TheSound;
    TSinusProps sinus;
    allocation_testing::failAllocationsAbove(4);
    EXPECT_FALSE(MakeSinus(d, sinus));
    EXPECT_EQ(d.TheSound, before);
    EXPECT_EQ(d.SelBegin(), 1);
    EXPECT_EQ(d.SelEnd(), 3);
    EXPECT_EQ(memoryMessages(), 1);
    EXPECT_EQ(samplesOf(d.TheSound->GetRight()), (std::vector<int>{1, 2, 3, 4}));
}

}  // namespace
