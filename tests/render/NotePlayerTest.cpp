#include "RenderFixture.h"

namespace korvane::testing {
namespace {

class NotePlayerTest : public RenderFixture {
protected:
    struct Result {
        std::unique_ptr<Sound> sound;
        double volume = -1;
        double start = -1, end = -1;
        bool ok = true;
        std::string error;
    };
    Result play(const TOnePlayerProps& p, double period, double length, double tempo = 1) {
        TOnePlayer player(p);
        TNotePlayers players(space);
        Result r;
        bool stop = false;
        r.sound = players.GetSound(player, stop, period, length, tempo, r.volume, r.ok, r.error);
        EXPECT_FALSE(stop);
        r.start = players.GetStartOffset(player, period, length, tempo, r.ok, r.error);
        r.end = players.GetEndOffset(player, period, length, tempo, r.ok, r.error);
        return r;
    }
};

TEST_F(NotePlayerTest, FreqUpRaisesTheNoteFrequency) {
    EXPECT_DOUBLE_EQ(PitchPeriod(5, noteShiftNormal), 1.0 / 440);
    EXPECT_DOUBLE_EQ(EffectivePeriod(props(notePlayerSimpleSampler, 1, 10), 1.0 / 440), 1.0 / 450);
    EXPECT_EQ(EffectivePeriod(props(notePlayerSimpleSampler), 1.0 / 128), 1.0 / 128);
}

TEST_F(NotePlayerTest, SimpleSamplerResamplesTheWholeSample) {
    addMono("sample", {0, 100, 200, 300}, 1000);
    // At its basic frequency the sample comes back as it is.
    Result same = play(props(notePlayerSimpleSampler, 0.5), 1.0 / 440, 0.25);
    ASSERT_TRUE(same.sound);
    EXPECT_EQ(channelOf(*same.sound), (std::vector<int>{0, 100, 200, 300}));
    EXPECT_EQ(same.volume, 0.5);
    EXPECT_EQ(same.start, 0);
    EXPECT_DOUBLE_EQ(same.end, 0.004);
    // An octave lower it lasts twice as long, read with interpolation.
    Result low = play(props(notePlayerSimpleSampler), 2.0 / 440, 0.25);
    ASSERT_TRUE(low.sound);
    EXPECT_EQ(channelOf(*low.sound), (std::vector<int>{0, 50, 100, 150, 200, 250, 300, 300}));
    EXPECT_DOUBLE_EQ(low.end, 0.008);
    EXPECT_TRUE(low.ok);
}

TEST_F(NotePlayerTest, RollOutWaveFormPlaysWholeCyclesOfTheSample) {
    addMono("sample", {0, 1000, 2000, 3000}, 1024);
    // Period 8 samples; a duration of 2.9 periods plays 2 cycles.
    Result r = play(props(notePlayerRollOutWaveForm, 0.75), 1.0 / 128, 2.9 / 128);
    ASSERT_TRUE(r.sound);
    const std::vector<int> cycle{0, 375, 750, 1125, 1500, 1875, 2250, 2625};
    std::vector<int> two = cycle;
    two.insert(two.end(), cycle.begin(), cycle.end());
    EXPECT_EQ(channelOf(*r.sound), two);
    EXPECT_EQ(r.volume, 0.75);
    EXPECT_EQ(r.start, 0);
    EXPECT_DOUBLE_EQ(r.end, 2.9 / 128);
}

TEST_F(NotePlayerTest, RepeatWaveFormEchoesTheSampleUpToTheOnset) {
    addMono("sample", {100, 200, 300, 400}, 1024);
    // trunc(2.9 + 1.5) = 4 echoes: 5 copies, one every 8 samples, the sample
    // first scaled by the volume factor.
    Result r = play(props(notePlayerRepeatWaveForm, 0.5), 1.0 / 128, 2.9 / 128);
    ASSERT_TRUE(r.sound);
    std::vector<int> expected(40, 0);
    for (int copy = 0; copy < 5; ++copy)
        for (int k = 0; k < 4; ++k) expected[copy * 8 + k] = 50 * (k + 1);
    EXPECT_EQ(channelOf(*r.sound), expected);
    EXPECT_EQ(r.volume, 1.0);
    EXPECT_DOUBLE_EQ(r.start, 4.0 / 128);
    EXPECT_DOUBLE_EQ(r.end, 4.0 / 1024 + 3.0 / 128);
}

TEST_F(NotePlayerTest, RollOutSamplerRepeatsTheSelectionBetweenAttackAndTail) {
    addMono("sample", {10, 20, 30, 40, 50, 60}, 1024).SetRange(2, 4);
    // The middle piece lasts m = 2 / 1024 s; D = 3 m repeats it 3 times.
    Result r = play(props(notePlayerRollOutSampler), 1.0 / 440, 6.0 / 1024);
    ASSERT_TRUE(r.sound);
    EXPECT_EQ(channelOf(*r.sound), (std::vector<int>{10, 20, 30, 35, 30, 35, 30, 35, 50, 60}));
    EXPECT_DOUBLE_EQ(r.start, 2.0 / 1024);
    EXPECT_DOUBLE_EQ(r.end, 6.0 / 1024 + 2.0 / 1024);
    // Shorter than half the middle piece: attack and tail only.
    Result shortNote = play(props(notePlayerRollOutSampler), 1.0 / 440, 0.9 / 1024);
    ASSERT_TRUE(shortNote.sound);
    EXPECT_EQ(channelOf(*shortNote.sound), (std::vector<int>{10, 20, 50, 60}));
    EXPECT_DOUBLE_EQ(shortNote.end, 2.0 / 1024);
}

TEST_F(NotePlayerTest, ResonantSamplerFiltersTheRepeatedSelection) {
    addMono("sample", {0, 8000, 0, -8000, 0, 8000, 0, -8000}, 8000);
    Result r = play(props(notePlayerResonantSampler), 1.0 / 1000, 1.0);
    ASSERT_TRUE(r.sound);
    // m = 1 ms, n = trunc(1 / 0.001 + 0.5) = 1000 repeats of the 8 samples.
    EXPECT_EQ(r.sound->GetValues(), 8000);
    EXPECT_EQ(r.start, 0);
    EXPECT_DOUBLE_EQ(r.end, 1000 * (8.0 / 8000));
    bool sounds = false;
    for (int v : channelOf(*r.sound)) sounds = sounds || v != 0;
    EXPECT_TRUE(sounds);
}

TEST_F(NotePlayerTest, NotesOutsideThePlayersLimitsAreSilence) {
    addMono("sample", {}, 1024);
    addMono("short", {500}, 1024);
    for (uint8_t kind : {notePlayerSimpleSampler, notePlayerResonantSampler, notePlayerRepeatWaveForm,
                         notePlayerRollOutSampler, notePlayerRollOutWaveForm}) {
        Result r = play(props(kind), 1.0 / 440, 0.25);
        EXPECT_TRUE(r.ok) << int(kind);
        if (r.sound) {
            EXPECT_EQ(r.sound->GetValues(), 0) << int(kind);
        }
    }
    TOnePlayerProps resonant = props(notePlayerResonantSampler);
    resonant.ResonantSampler.SampleWave.SetName("short");
    // A note above the sample frequency: less than one sample per period.
    Result high = play(resonant, 1.0 / 2048, 0.25);
    EXPECT_FALSE(high.sound);
    EXPECT_TRUE(high.ok);
    EXPECT_EQ(high.end, 0);
    TOnePlayerProps repeat = props(notePlayerRepeatWaveForm);
    repeat.RepeatWaveForm.SampleWave.SetName("short");
    EXPECT_FALSE(play(repeat, 1.0 / 440, 0.25).sound);
    // FreqUp taking the frequency below 0, and a kind never chosen.
    Result negative = play(props(notePlayerSimpleSampler, 1, -500), 1.0 / 440, 0.25);
    EXPECT_FALSE(negative.sound);
    EXPECT_EQ(negative.start, 0);
    EXPECT_EQ(negative.end, 0);
    EXPECT_FALSE(play(TOnePlayerProps(), 1.0 / 440, 0.25).sound);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(NotePlayerTest, MissingSampleWindowNamesIt) {
    addMono("other", {1, 2, 3}, 1024);
    Result r = play(props(notePlayerRollOutWaveForm), 1.0 / 440, 0.25);
    EXPECT_FALSE(r.sound);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Cannot find window \"sample\".");
    EXPECT_EQ(r.start, 0);
    EXPECT_EQ(r.end, 0);
}

TEST_F(NotePlayerTest, CompoundPlayerLinesUpItsOnePlayersOnTheOnset) {
    addMono("sample", {1000, 2000, 3000, 4000}, 1024);
    doc.SampleFreq = 1024;
    TNotePlayers players(space);
    bool stop = false, ok = true;
    std::string error;
    double volume = -1;

    setPlayers(group, {props(notePlayerSimpleSampler, 0.5)});
    auto one = players.GetSound(*group->GetCompoundPlayer(), stop, 1.0 / 440, 0.25, 1, volume, ok, error);
    ASSERT_TRUE(one);
    EXPECT_EQ(volume, 0.5);
    EXPECT_EQ(one->Channels(), 1);

    // Two: each mixed with its own factor into stereo at the document's rate,
    // S + E seconds long plus one sample.
    setPlayers(group, {props(notePlayerSimpleSampler, 0.5), props(notePlayerSimpleSampler, 0.25)});
    auto two = players.GetSound(*group->GetCompoundPlayer(), stop, 1.0 / 440, 0.25, 1, volume, ok, error);
    ASSERT_TRUE(two);
    EXPECT_EQ(volume, 1.0);
    EXPECT_EQ(two->Channels(), 2);
    EXPECT_EQ(two->Freq, 1024);
    EXPECT_EQ(channelOf(*two, 0), (std::vector<int>{750, 1500, 2250, 3000, 0}));
    EXPECT_EQ(channelOf(*two, 1), (std::vector<int>{750, 1500, 2250, 3000, 0}));
    EXPECT_TRUE(ok);

    // A roll-out sampler with an attack of 2 samples: the simple sampler's
    // sound starts 2 samples later, on the onset.
    addMono("attack", {7, 7, 100, 100}, 1024).SetRange(2, 4);
    TOnePlayerProps rollOut = props(notePlayerRollOutSampler);
    rollOut.RollOutSampler.SampleWave.SetName("attack");
    setPlayers(group, {rollOut, props(notePlayerSimpleSampler)});
    auto aligned = players.GetSound(*group->GetCompoundPlayer(), stop, 1.0 / 440, 2.0 / 1024, 1, volume, ok, error);
    ASSERT_TRUE(aligned);
    EXPECT_EQ(channelOf(*aligned), (std::vector<int>{7, 7, 1100, 2100, 3000, 4000, 0}));
    EXPECT_FALSE(stop);
}

}  // namespace
}  // namespace korvane::testing
