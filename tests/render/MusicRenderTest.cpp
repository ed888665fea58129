#include "RenderFixture.h"

#include <functional>

namespace korvane::testing {
namespace {

class MusicRenderTest : public RenderFixture {
protected:
    void SetUp() override {
        RenderFixture::SetUp();
        doc.SampleFreq = 1024;
    }
    std::unique_ptr<TPartMuz> loop(std::unique_ptr<TPartMuz> child, int count) {
        return std::make_unique<TLoopPartMuz>(&doc, std::move(child), count);
    }
    std::unique_ptr<TPartMuz> select(std::unique_ptr<TPartMuz> child, std::vector<std::pair<int, int>> turns) {
        auto s = std::make_unique<TSelectPartMuz>(&doc, std::move(child));
        for (auto [count, pitch] : turns) s->AppendTurn(count, pitch);
        return s;
    }
    // Positions of the samples that are not 0.
    static std::vector<int> sounding(const Sound& sound, int channel = 0) {
        std::vector<int> at;
        auto s = channelOf(sound, channel);
        for (size_t i = 0; i < s.size(); ++i)
            if (s[i] != 0) at.push_back(static_cast<int>(i));
        return at;
    }
};

TEST_F(MusicRenderTest, LoopPlaysItsChildCountTimes) {
    addMono("sample", {1000, 2000, 3000, 4000}, 1024);
    setPlayers(group, {props(notePlayerRollOutWaveForm)});
    addNote(0, 1, 5);  // one whole note, tempo 1 s
    wrapPart([&](std::unique_ptr<TPartMuz> single) { return loop(std::move(single), 3); });
    Offsets o = measure();
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.S, 0);
    EXPECT_DOUBLE_EQ(o.E, 3);
    EXPECT_DOUBLE_EQ(o.clock, 3);
}

TEST_F(MusicRenderTest, PassWithoutATurnTakesNoTime) {
    addMono("sample", {1000, 2000, 3000, 4000}, 1024);
    setPlayers(group, {props(notePlayerRollOutWaveForm)});
    addNote(0, 1, 5);
    wrapPart([&](std::unique_ptr<TPartMuz> single) {
        return loop(select(std::move(single), {{1, 0}, {3, 0}}), 3);
    });
    Offsets o = measure();
    EXPECT_DOUBLE_EQ(o.E, 2);
    EXPECT_DOUBLE_EQ(o.clock, 2);
    auto sound = RenderMusic(doc, space);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->GetValues(), 2049);
    EXPECT_EQ(channelOf(*sound)[1024], 1000);  // the third pass starts at 1 s
}

TEST_F(MusicRenderTest, TurnTransposesAndOnlyItsPassPlays) {
    // The simple sampler at its basic frequency: the note's sound is the
    // sample, one second; an octave up it is half as long.
    addMono("sample", std::vector<int>(1024, 300), 1024);
    addNote(0, 4, 5);
    wrapPart([&](std::unique_ptr<TPartMuz> single) { return select(std::move(single), {{1, 12}}); });
    Offsets o = measure();
    EXPECT_DOUBLE_EQ(o.E, 0.5);
    auto sound = RenderMusic(doc, space);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->GetValues(), 513);
    EXPECT_EQ(sounding(*sound).size(), 512u);

    // Outside a loop the pass is 1: a turn for pass 2 alone plays nothing.
    TPartMuz* oldParent = nullptr;
    auto selectPart = doc.GetStartPart()->GetPartMuz()->Detach(oldParent);
    auto single = static_cast<TSelectPartMuz&>(*selectPart).GetSelectPart()->Detach(oldParent);
    doc.GetStartPart()->SetPartMuz(select(std::move(single), {{2, 0}}));
    Offsets none = measure();
    EXPECT_EQ(none.E, 0);
    EXPECT_EQ(none.clock, 0);
}

TEST_F(MusicRenderTest, TripletMembersStartAtTheirShareOfTheGroup) {
    doc.SampleFreq = 1200;
    addMono("sample", {10000}, 1200);
    for (int k = 0; k < 3; ++k) addNote(0, 4, 5, nullptr, triool, k);
    auto sound = RenderMusic(doc, space);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sounding(*sound), (std::vector<int>{0, 100, 200}));

    // Each member sounds 1/12 of a whole note, times the articulation.
    setPlayers(group, {props(notePlayerRollOutWaveForm)});
    EXPECT_DOUBLE_EQ(measure().E, 1.0 / 6 + 1.0 / 12);
    for (TStaveSymbol* s = part->GetFirstSymbol(); s; s = s->Next)
        if (s->GetStaveSymbolKind() == staveSymbolNote) static_cast<TMuzNote*>(s)->SetNoteArtKind(noteArtStaccato);
    EXPECT_DOUBLE_EQ(measure().E, 1.0 / 6 + 1.0 / 24);
}

TEST_F(MusicRenderTest, AttackAtTheVeryStartComesBeforeTheMusic) {
    doc.SampleFreq = 1000;
    std::vector<int> sample(300);
    for (int i = 0; i < 300; ++i) sample[i] = i + 1;
    addMono("sample", sample, 1000).SetRange(100, 200);
    setPlayers(group, {props(notePlayerRollOutSampler)});
    addNote(0, 8, 5);  // 0.125 s: the 0.1 s middle piece once
    Offsets o = measure();
    EXPECT_DOUBLE_EQ(o.S, 0.1);
    EXPECT_DOUBLE_EQ(o.E, 0.2);
    auto sound = RenderMusic(doc, space);
    ASSERT_TRUE(sound);
    // Attack and tail as sampled; the middle piece is read as one cycle.
    std::vector<int> got = channelOf(*sound);
    ASSERT_EQ(got.size(), 301u);
    EXPECT_EQ(std::vector<int>(got.begin(), got.begin() + 100), std::vector<int>(sample.begin(), sample.begin() + 100));
    EXPECT_EQ(std::vector<int>(got.begin() + 200, got.begin() + 300), std::vector<int>(sample.begin() + 200, sample.end()));
    EXPECT_EQ(got[100], 101);
    EXPECT_EQ(got[199], 101 + 98);
}

TEST_F(MusicRenderTest, MissingSampleWindowFailsWithTheFirstNameInRenderOrder) {
    TNoteGroup* second = nullptr;
    {
        stave->AppendNoteGroup(MakeDefaultNoteGroup(&doc, stave));
        second = group->GetNext();
        TOnePlayerProps p = props(notePlayerSimpleSampler);
        p.SimpleSampler.SampleWave.SetName("strings");
        setPlayers(second, {p});
    }
    addNote(0.5, 4, 5);          // "sample", later
    addNote(0, 4, 5, second);    // "strings", first
    const size_t before = space.Units().size();
    EXPECT_EQ(MusicGenerate(space, doc), nullptr);
    EXPECT_EQ(space.Units().size(), before);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].text, "Cannot create music: Cannot find window \"strings\".");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Information);
}

TEST_F(MusicRenderTest, MonoDocumentMixesStereoResultsIntoOneChannel) {
    addStereo("sample", {1000, 1000}, {3000, 3000}, 1024);
    addNote(0, 4, 5);
    auto single = RenderMusic(doc, space);
    ASSERT_TRUE(single);
    EXPECT_EQ(single->Channels(), 1);
    EXPECT_EQ(channelOf(*single), (std::vector<int>{2000, 2000, 0}));

    // Two one-players give a stereo mix, which the mono document averages.
    setPlayers(group, {props(notePlayerSimpleSampler), props(notePlayerSimpleSampler)});
    auto mixed = RenderMusic(doc, space);
    ASSERT_TRUE(mixed);
    EXPECT_EQ(channelOf(*mixed), (std::vector<int>{4000, 4000, 0}));

    doc.Channels = 2;
    auto stereo = RenderMusic(doc, space);
    ASSERT_TRUE(stereo);
    EXPECT_EQ(channelOf(*stereo, 0), (std::vector<int>{2000, 2000, 0}));
    EXPECT_EQ(channelOf(*stereo, 1), (std::vector<int>{6000, 6000, 0}));
}

TEST_F(MusicRenderTest, MutedStaveSoundsOnlyWhenAskedFor) {
    addMono("sample", {500, 500}, 1024);
    addNote(0, 4, 5);
    stave->Mute = true;
    auto full = RenderMusic(doc, space);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->GetValues(), 0);
    auto byStave = RenderMusic(doc, space, TRenderFilter{stave, nullptr});
    ASSERT_TRUE(byStave);
    EXPECT_EQ(channelOf(*byStave), (std::vector<int>{500, 500, 0}));
    auto byGroup = RenderMusic(doc, space, TRenderFilter{nullptr, group});
    ASSERT_TRUE(byGroup);
    EXPECT_EQ(byGroup->GetValues(), 3);

    // A group filter leaves out the other groups' notes.
    stave->AppendNoteGroup(MakeDefaultNoteGroup(&doc, stave));
    TNoteGroup* other = group->GetNext();
    addNote(0.25, 4, 5, other);
    auto onlyOther = RenderMusic(doc, space, TRenderFilter{nullptr, other});
    ASSERT_TRUE(onlyOther);
    EXPECT_EQ(sounding(*onlyOther), (std::vector<int>{256, 257}));
}

TEST_F(MusicRenderTest, SilencesOnlyGenerateAnEmptyWave) {
    addMono("sample", {500, 500}, 1024);
    part->InsertSorted(std::make_unique<TSilence>(stave, 0, part, 4, 0, sool, 0));
    doc.Channels = 2;
    TUnitWave* made = MusicGenerate(space, doc);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Name, "NONAME1");
    EXPECT_EQ(made->GetValues(), 0);
    EXPECT_EQ(made->GetMoSt(), 2);
    EXPECT_EQ(made->GetFreq(), 1024);
    EXPECT_EQ(made->State, unitStateNew);
    EXPECT_EQ(space.FindWave("NONAME1"), made);

    addNote(0, 4, 5);
    TUnitWave* next = MusicGenerate(space, doc);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Name, "NONAME2");
    EXPECT_EQ(next->GetValues(), 3);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MusicRenderTest, MemoryFailureStopsTheRenderWithItsOwnMessage) {
    addMono("sample", std::vector<int>(512, 100), 1024);
    addNote(0, 4, 5);
    addNote(0.25, 4, 5);
    allocation_testing::failAllocationsAbove(100);
    bool stop = false;
    std::string error;
    EXPECT_FALSE(RenderMusic(doc, space, {}, stop, error));
    EXPECT_TRUE(stop);
    EXPECT_EQ(MusicGenerate(space, doc), nullptr);
    EXPECT_EQ(space.FindWave("NONAME1"), nullptr);
    EXPECT_EQ(memoryMessages(), static_cast<int>(boxes.shown.size()));
    EXPECT_EQ(memoryMessages(), 2);
}

TEST_F(MusicRenderTest, ALoopLongerThanAnyWaveStopsAtOnceWithTheMemoryMessage) {
    addMono("sample", {1000, 2000, 3000, 4000}, 1024);
    setPlayers(group, {props(notePlayerRollOutWaveForm)});
    addNote(0, 1, 5);
    // Two billion whole notes of a second would take hours to walk.
    wrapPart([&](std::unique_ptr<TPartMuz> single) { return loop(std::move(single), 2000000000); });
    bool stop = false;
    std::string error;
    EXPECT_FALSE(RenderMusic(doc, space, {}, stop, error));
    EXPECT_TRUE(stop);
    EXPECT_EQ(error, "");
    EXPECT_EQ(memoryMessages(), 1);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// However large the counts, measuring takes a walk per turn, not per pass:
// before, each of these ran for hours or for ever.
TEST_F(MusicRenderTest, HugeCountsMeasureAtOnceAndAsTheyWouldPassByPass) {
    addMono("sample", {1000, 2000, 3000, 4000}, 1024);
    setPlayers(group, {props(notePlayerRollOutWaveForm)});
    addNote(0, 1, 5);  // one whole note, one second at tempo 1 s
    struct Case {
        const char* what;
        double tempo;
        std::function<std::unique_ptr<TPartMuz>(std::unique_ptr<TPartMuz>)> wrap;
        bool ok;
        double clock;
    };
    const Case cases[] = {
        {"long run, summed exactly", 1, [&](auto s) { return loop(std::move(s), 10000); }, true, 10000},
        {"turns inside a long run",
         1,
         [&](auto s) { return loop(select(std::move(s), {{1, 0}, {7000, 0}, {9000, 0}}), 9000); },
         true,
         3},
        {"tiny tempo, largest count", 1e-13, [&](auto s) { return loop(std::move(s), 2147483647); }, true,
         2147483647 * 1e-13},
        {"nested, tiny tempo",
         1e-13,
         [&](auto s) { return loop(loop(std::move(s), 2000000000), 2000000000); },
         true,
         4e18 * 1e-13},
        {"nested, past every wave",
         1,
         [&](auto s) { return loop(loop(std::move(s), 2000000000), 2000000000); },
         false,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        doc.Tempo.SetValue(c.tempo);
        wrapPart(c.wrap);
        Offsets o = measure();
        EXPECT_EQ(o.ok, c.ok);
        if (c.ok) {
            EXPECT_NEAR(o.clock, c.clock, c.clock * 1e-12);
            EXPECT_NEAR(o.E, c.clock, c.clock * 1e-12);
            EXPECT_EQ(o.S, 0);
        } else {
            bool stop = false;
            std::string error;
            EXPECT_FALSE(RenderMusic(doc, space, {}, stop, error));
            EXPECT_TRUE(stop);
            EXPECT_EQ(memoryMessages(), 1);
        }
        // Back to the single part for the next case.
        TPartMuz* unused = nullptr;
        auto wrapped = doc.GetStartPart()->GetPartMuz()->Detach(unused);
        TPartMuz* inner = wrapped.get();
        while (inner->GetPartMuzKind() != partMuzSingle)
            inner = inner->GetPartMuzKind() == partMuzLoop ? static_cast<TLoopPartMuz*>(inner)->GetLoopPart()
                                                          : static_cast<TSelectPartMuz*>(inner)->GetSelectPart();
        doc.GetStartPart()->SetPartMuz(inner->Detach(unused));
    }
    // The turns of the long run play where they would: 0 s, 1 s and 2 s.
    doc.Tempo.SetValue(1);
    wrapPart([&](auto s) { return loop(select(std::move(s), {{1, 0}, {7000, 0}, {9000, 0}}), 9000); });
    auto sound = RenderMusic(doc, space);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->GetValues(), 3073);
    EXPECT_EQ(channelOf(*sound)[2048], 1000);
}

TEST_F(MusicRenderTest, PartRenderStartsLoopsAtPassOne) {
    addMono("sample", {500}, 1024);
    addNote(0, 4, 5);
    TSelectPartMuz* selectPart = nullptr;
    TLoopPartMuz* loopPart = nullptr;
    wrapPart([&](std::unique_ptr<TPartMuz> single) {
        auto s = select(std::move(single), {{1, 0}});
        selectPart = static_cast<TSelectPartMuz*>(s.get());
        auto l = loop(std::move(s), 2);
        loopPart = static_cast<TLoopPartMuz*>(l.get());
        return l;
    });
    loopPart->CurrentPass = 2;
    auto sound = RenderMusicPart(doc, *selectPart, space);
    ASSERT_TRUE(sound);
    EXPECT_EQ(channelOf(*sound), (std::vector<int>{500, 0}));

    // A part switched off is skipped by its parent.
    selectPart->PlayAndDraw = false;
    auto silent = RenderMusic(doc, space);
    ASSERT_TRUE(silent);
    EXPECT_EQ(silent->GetValues(), 0);
}

TEST_F(MusicRenderTest, PlayNoteGivesThePlayersSoundOnly) {
    addMono("sample", {1000, 2000}, 1024);
    setPlayers(group, {props(notePlayerSimpleSampler, 0.25)});
    TMuzNote* note = addNote(0.5, 4, 5);
    bool ok = true;
    std::string error;
    auto sound = PlayNoteSound(*note, space, ok, error);
    ASSERT_TRUE(sound);
    EXPECT_EQ(channelOf(*sound), (std::vector<int>{1000, 2000}));
    setPlayers(group, {props(notePlayerRepeatWaveForm)});
    space.SetName(*space.FindWave("sample"), "gone");
    EXPECT_FALSE(PlayNoteSound(*note, space, ok, error));
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "Cannot find window \"sample\".");
}

}  // namespace
}  // namespace korvane::testing
