#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Sound.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class SoundTest : public CoreFixture {
protected:
    bool failed = false;
    std::unique_ptr<StereoSound> stereo(const std::vector<int>& l, const std::vector<int>& r, int freq = 44100) {
        return std::make_unique<StereoSound>(makeWave(l), makeWave(r), freq, 2);
    }
    std::unique_ptr<MonoSound> mono(const std::vector<int>& m, int freq = 44100) {
        return std::make_unique<MonoSound>(makeWave(m), freq, 2);
    }
};

TEST_F(SoundTest, MiddleOfOppositeChannelsIsSilenceAndMonoHandsOutItsOwnWave) {
    auto s = stereo({1000, 1000, 1000}, {-1000, -1000, -1000});
    WaveHandle middle = s->GetMiddle(failed);
    EXPECT_TRUE(middle.copy());
    EXPECT_EQ(samplesOf(*middle), (std::vector<int>{0, 0, 0}));
    auto m = mono({1, 2});
    EXPECT_EQ(&m->GetLeft(), m->WaveMiddle.get());
    EXPECT_EQ(&m->GetRight(), m->WaveMiddle.get());
    WaveHandle same = m->GetMiddleAt(failed, 44100);
    EXPECT_FALSE(same.copy());
    EXPECT_EQ(same.get(), m->WaveMiddle.get());
    WaveHandle faster = m->GetMiddleAt(failed, 88200);
    EXPECT_TRUE(faster.copy());
    EXPECT_EQ(faster->values, 4);
}

TEST_F(SoundTest, StereoToMonoToStereoGivesTwoEqualMeanChannels) {
    auto s = stereo({100, 300}, {300, -301});
    auto m = MonoSound::From(failed, *s);
    auto back = StereoSound::From(failed, *m);
    EXPECT_EQ(samplesOf(*back->WaveLeft), (std::vector<int>{200, 0}));
    EXPECT_EQ(samplesOf(*back->WaveRight), (std::vector<int>{200, 0}));
    EXPECT_EQ(back->Freq, 44100);
    auto empty = MonoSound::From(failed, StereoSound(22050, 1));
    EXPECT_EQ(empty->GetValues(), 0);
    EXPECT_EQ(empty->Freq, 22050);
    EXPECT_EQ(empty->BytesPSample, 1);
}

TEST_F(SoundTest, GetValueAtMapsFullScaleOntoTheRange) {
    auto m = mono({-32768, 0, 32767});
    EXPECT_DOUBLE_EQ(m->GetValueAt(failed, 0, 10, 2), 2);
    EXPECT_DOUBLE_EQ(m->GetValueAt(failed, 1, 10, 2), 10);
    auto s = stereo({-32768, 32767}, {32767, 32767});
    EXPECT_DOUBLE_EQ(s->GetValueAt(failed, 0, 1, 0), (-0.5 + 32768) / 65535);
}

TEST_F(SoundTest, ChangeFreqDoublesSamplesAndKeepsTheWidth) {
    auto s = stereo({0, 100, 200}, {0, -100, -200}, 22050);
    s->BytesPSample = 1;
    auto r = s->ChangeFreq(failed, 44100);
    EXPECT_EQ(r->GetValues(), 6);
    EXPECT_EQ(r->Freq, 44100);
    EXPECT_EQ(r->BytesPSample, 1);
    EXPECT_EQ(samplesOf(r->GetLeft()), (std::vector<int>{0, 50, 100, 150, 200, 200}));
    auto e = StereoSound(22050, 2).ChangeFreq(failed, 44100);
    EXPECT_EQ(e->GetValues(), 0);
    EXPECT_EQ(e->Freq, 44100);
}

TEST_F(SoundTest, DeleteOfTheWholeSoundIsAnEmptySoundOfTheSameKind) {
    auto s = stereo({1, 2, 3}, {4, 5, 6});
    auto d = s->Delete(failed, 0, -1);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->MoSt, 2);
    EXPECT_EQ(d->GetValues(), 0);
    auto x = s->Extract(failed, 1, 3);
    EXPECT_EQ(samplesOf(x->GetRight()), (std::vector<int>{5, 6}));
    EXPECT_EQ(s->Extract(failed, 1, 1)->GetValues(), 0);
}

TEST_F(SoundTest, ReplaceTakesTheOtherSoundAtThisFrequency) {
    auto doc = mono({1, 2, 3}, 44100);
    auto clip = stereo({100, 300}, {300, 500}, 22050);
    auto r = doc->Replace(failed, *clip, 1, 2);
    EXPECT_EQ(samplesOf(r->GetLeft()), (std::vector<int>{1, 200, 300, 400, 400, 3}));
    auto s = stereo({0, 0}, {0, 0});
    auto withMono = s->Replace(failed, *mono({7}), 2, 2);
    EXPECT_EQ(samplesOf(withMono->GetLeft()), (std::vector<int>{0, 0, 7}));
    EXPECT_EQ(samplesOf(withMono->GetRight()), (std::vector<int>{0, 0, 7}));
}

TEST_F(SoundTest, MixCycleAfterThisWrapsAroundTheEnd) {
    auto s = mono({0, 0, 0});
    s->MixCycleAfterThis(failed, *mono({1, 2, 3, 4}), 2);
    EXPECT_EQ(samplesOf(s->GetLeft()), (std::vector<int>{2, 3, 5}));
}

TEST_F(SoundTest, MixStretchedReadsTheOtherSoundAcrossTheRange) {
    auto s = mono({10, 10, 10, 10});
    auto other = mono({0, 90});
    // k * (n - 1) / (end - begin + 1) for k = 0, 1, 2 over [1, 4): 0, 0.25, 0.5.
    auto r = s->MixStretched(failed, *other, 1, 4);
    EXPECT_EQ(samplesOf(r->GetLeft()), (std::vector<int>{10, 10, 32, 55}));
}

TEST_F(SoundTest, MixAtAndEndingAtOnEveryChannel) {
    auto s = stereo({1, 1}, {2, 2});
    auto r = s->MixAt(failed, *stereo({10, 20}, {30, 40}), 1, -1, false);
    EXPECT_EQ(samplesOf(r->GetLeft()), (std::vector<int>{1, 11, 20}));
    EXPECT_EQ(samplesOf(r->GetRight()), (std::vector<int>{2, 32, 40}));
    auto e = s->MixEndingAt(failed, *stereo({10, 20}, {30, 40}), 2, 1, true);
    EXPECT_EQ(samplesOf(e->GetLeft()), (std::vector<int>{1, 21}));
}

TEST_F(SoundTest, AddScaledAtSecondsStartsAtTheTruncatedSample) {
    auto s = mono({0, 0, 0, 0}, 4);
    s->AddScaledAtSeconds(failed, *mono({100, 100}, 4), 0.6, 0.5);
    EXPECT_EQ(samplesOf(s->GetLeft()), (std::vector<int>{0, 0, 50, 50}));
}

TEST_F(SoundTest, StereoChannelsOfDifferentLengthBreakTheContract) {
    EXPECT_CONTRACT(StereoSound(makeWave({1}), makeWave({1, 2}), 44100, 2),
                    "waveLeft->getValues() == waveRight->getValues()");
}

TEST_F(SoundTest, FailedAllocationLeavesNoSoundAndTheSourceUntouched) {
    auto s = stereo({1, 2, 3}, {4, 5, 6});
    allocation_testing::failNextAllocations(1);
    EXPECT_EQ(s->Delete(failed, 0, 1), nullptr);
    EXPECT_TRUE(failed);
    EXPECT_EQ(memoryMessages(), 1);
    EXPECT_EQ(samplesOf(s->GetLeft()), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(s->Replace(failed, *s, 0, 0), nullptr);
    EXPECT_EQ(memoryMessages(), 1);
    // Another document (its own flag) reports its own failure.
    bool second = false;
    allocation_testing::failAllocationsAbove(3);
    EXPECT_EQ(s->Replace(second, *s, 0, 0), nullptr);
    EXPECT_TRUE(second);
    EXPECT_EQ(memoryMessages(), 2);
}

}  // namespace
