#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "music/MusicDialogModel.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

class MusicDialogTest : public CoreFixture {
protected:
    TUnitMuz doc;
    TMusicDialogModel model{doc};

    void SetUp() override {
        CoreFixture::SetUp();
        doc.InitNew();
        doc.MarkSaved();
    }

    void press(TMusicLevel level, TMusicButton button) {
        ASSERT_TRUE(model.Press(level, button)) << MusicLevels()[level].Step << " " << MusicButtons()[button].Step;
    }

    // The enabled buttons of a level, as `music enabled` lists them.
    std::string enabled(TMusicLevel level) {
        std::string text;
        for (const TMusicButtonInfo& b : MusicButtons())
            if (model.Enabled(level, b.Button)) text += std::string(text.empty() ? "" : " ") + b.Step;
        return text;
    }

    std::string where(TMusicLevel level) {
        return std::to_string(model.Position(level)) + "/" + std::to_string(model.Count(level));
    }

    TMuzNote* addNote(TNoteStave* stave, TNoteGroup* group, double at, int length) {
        TSinglePartMuz* part = doc.FirstSinglePart();
        auto n = std::make_unique<TMuzNote>(group, &doc, stave, at, part, static_cast<int8_t>(length), 0, sool, 0, 0,
                                            noteShiftNormal, noteArtNormal, noteStickGroup);
        TMuzNote* raw = n.get();
        part->InsertSorted(std::move(n));
        return raw;
    }

    // The symbols of a stave in the first part: K, N@pos or S@pos/length.
    std::string symbolsOf(const TNoteStave* stave) {
        std::string text;
        for (TStaveSymbol* s = doc.FirstSinglePart()->GetFirstSymbol(); s; s = s->Next) {
            if (s->GetNoteStave() != stave) continue;
            if (!text.empty()) text += " ";
            if (s->GetStaveSymbolKind() == staveSymbolKey) {
                text += "K";
                continue;
            }
            const auto* t = static_cast<TStaveTimeSymbol*>(s);
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%s@%g/%d", s->GetStaveSymbolKind() == staveSymbolNote ? "N" : "S",
                          t->GetSymbolPosition(), t->GetNoteLengthKind());
            text += buffer;
        }
        return text;
    }
};

}  // namespace

TEST_F(MusicDialogTest, OneItemEachLeavesOnlyInsertAndAppend) {
    for (TMusicLevel level : {musicLevelStave, musicLevelGroup, musicLevelPlayer}) {
        EXPECT_EQ(where(level), "1/1");
        EXPECT_EQ(enabled(level), "insert append") << MusicLevels()[level].Step;
        EXPECT_FALSE(model.Press(level, musicDelete));
    }
    EXPECT_EQ(doc.State, unitStateSaved);
}

TEST_F(MusicDialogTest, NewGroupsAndOnePlayersHaveTheDialogsDefaults) {
    press(musicLevelGroup, musicAppend);
    EXPECT_EQ(where(musicLevelGroup), "2/2");
    EXPECT_EQ(doc.State, unitStateChanged);
    TNoteGroup* made = model.Group();
    EXPECT_EQ(made, doc.GetFirstStave()->GetStartNoteGroup()->GetNext());
    EXPECT_EQ(made->NoteColor, 0);
    EXPECT_EQ(made->NoteShape, noteShapeNormal);
    EXPECT_TRUE(model.SticksUp());
    EXPECT_FALSE(model.SticksDown());
    EXPECT_EQ(where(musicLevelPlayer), "1/1");
    EXPECT_EQ(model.ShownPage(), notePlayerSimpleSampler);
    EXPECT_EQ(model.SampleWaveText(), "sample");
    EXPECT_EQ(model.BasicFreqText(), "1 kHz");
    EXPECT_DOUBLE_EQ(model.OnePlayer()->OnePlayerProps.SimpleSampler.BasicFreq.GetValue(), 0.001);
    EXPECT_EQ(model.VolumeFactorText(), "50 %");
    EXPECT_EQ(model.FreqUpText(), "0 Hz");

    // Insert puts the new one before the current one.
    press(musicLevelGroup, musicInsert);
    EXPECT_EQ(where(musicLevelGroup), "2/3");
    EXPECT_EQ(model.Group()->GetNext(), made);

    // A new stave comes with such a group, and a G key in every part.
    press(musicLevelStave, musicAppend);
    EXPECT_EQ(where(musicLevelStave), "2/2");
    EXPECT_EQ(where(musicLevelGroup), "1/1");
    EXPECT_TRUE(model.SticksUp());
    EXPECT_EQ(model.Stave()->SelectedNoteGroup, model.Group());
    EXPECT_EQ(symbolsOf(model.Stave()), "K");
}

TEST_F(MusicDialogTest, DeletingTheLastOfThreeOnePlayersMakesTheSecondCurrent) {
    TOnePlayer* first = model.OnePlayer();
    press(musicLevelPlayer, musicAppend);
    TOnePlayer* second = model.OnePlayer();
    press(musicLevelPlayer, musicAppend);
    EXPECT_EQ(where(musicLevelPlayer), "3/3");
    EXPECT_EQ(enabled(musicLevelPlayer), "first previous insert append delete move-prev");
    press(musicLevelPlayer, musicDelete);
    EXPECT_EQ(where(musicLevelPlayer), "2/2");
    EXPECT_EQ(model.OnePlayer(), second);
    // Deleting one that is not the last makes its successor current.
    press(musicLevelPlayer, musicAppend);
    TOnePlayer* third = model.OnePlayer();
    press(musicLevelPlayer, musicPrevious);
    press(musicLevelPlayer, musicDelete);
    EXPECT_EQ(model.OnePlayer(), third);
    EXPECT_EQ(where(musicLevelPlayer), "2/2");
    press(musicLevelPlayer, musicFirst);
    EXPECT_EQ(model.OnePlayer(), first);
    press(musicLevelPlayer, musicDelete);
    EXPECT_EQ(model.OnePlayer(), third);
    EXPECT_EQ(model.Group()->GetCompoundPlayer()->GetStartOnePlayer(), third);
}

TEST_F(MusicDialogTest, MovesExchangeWithTheNeighbourAndTheCursorFollows) {
    TCompoundPlayer* compound = model.Group()->GetCompoundPlayer();
    TOnePlayer* a = model.OnePlayer();
    press(musicLevelPlayer, musicAppend);
    TOnePlayer* b = model.OnePlayer();
    press(musicLevelPlayer, musicAppend);
    TOnePlayer* c = model.OnePlayer();
    press(musicLevelPlayer, musicMovePrev);  // a c b
    EXPECT_EQ(compound->GetStartOnePlayer()->GetNext(), c);
    EXPECT_EQ(c->GetNext(), b);
    EXPECT_EQ(where(musicLevelPlayer), "2/3");
    press(musicLevelPlayer, musicMovePrev);  // c a b
    EXPECT_EQ(compound->GetStartOnePlayer(), c);
    EXPECT_EQ(enabled(musicLevelPlayer), "next last insert append delete move-next");
    press(musicLevelPlayer, musicMoveNext);  // a c b
    EXPECT_EQ(compound->GetStartOnePlayer(), a);
    EXPECT_EQ(model.OnePlayer(), c);

    TNoteStave* top = model.Stave();
    press(musicLevelStave, musicAppend);
    TNoteStave* below = model.Stave();
    press(musicLevelStave, musicMovePrev);
    EXPECT_EQ(doc.GetFirstStave(), below);
    EXPECT_EQ(below->Next, top);
    EXPECT_EQ(top->Prev, below);
    EXPECT_EQ(top->Next, nullptr);
    press(musicLevelStave, musicMoveNext);
    EXPECT_EQ(doc.GetFirstStave(), top);
    EXPECT_EQ(model.Stave(), below);

    TNoteGroup* g1 = model.Group();
    press(musicLevelGroup, musicAppend);
    TNoteGroup* g2 = model.Group();
    press(musicLevelGroup, musicMovePrev);
    EXPECT_EQ(below->GetStartNoteGroup(), g2);
    EXPECT_EQ(g2->GetNext(), g1);
    EXPECT_EQ(model.Group(), g2);
}

TEST_F(MusicDialogTest, DeletingAGroupRemovesItsNotesAndFillsTheGaps) {
    TNoteStave* stave = model.Stave();
    TNoteGroup* first = model.Group();
    press(musicLevelGroup, musicAppend);
    TNoteGroup* second = model.Group();
    addNote(stave, first, 0, 2);
    TMuzNote* doomed = addNote(stave, second, 0.5, 4);
    addNote(stave, first, 0.75, 4);
    stave->SelectedNoteGroup = second;
    doc.SetSelectedSymbol(doomed);
    press(musicLevelGroup, musicDelete);
    EXPECT_EQ(symbolsOf(stave), "K N@0/2 S@0.5/4 N@0.75/4");
    EXPECT_EQ(model.Group(), first);
    EXPECT_EQ(stave->SelectedNoteGroup, first);
    EXPECT_EQ(doc.SelectedSymbol, nullptr);
    EXPECT_EQ(where(musicLevelGroup), "1/1");
}

TEST_F(MusicDialogTest, DeletingAStaveRemovesItsSymbols) {
    TNoteStave* top = model.Stave();
    TMuzNote* note = addNote(top, model.Group(), 0, 4);
    press(musicLevelStave, musicAppend);
    TNoteStave* below = model.Stave();
    doc.SetSelectedSymbol(note);
    press(musicLevelStave, musicFirst);
    press(musicLevelStave, musicDelete);
    EXPECT_EQ(doc.GetFirstStave(), below);
    EXPECT_EQ(doc.CountStaves(), 1);
    EXPECT_EQ(model.Stave(), below);
    EXPECT_EQ(doc.SelectedSymbol, nullptr);
    EXPECT_EQ(doc.SelectedInStave, nullptr);
    for (TStaveSymbol* s = doc.FirstSinglePart()->GetFirstSymbol(); s; s = s->Next) EXPECT_EQ(s->GetNoteStave(), below);
    EXPECT_EQ(symbolsOf(below), "K");
}

TEST_F(MusicDialogTest, ChoosingAnotherPageKeepsEachKindsSettings) {
    std::string message;
    ASSERT_TRUE(model.SetSampleWave("piano", message));
    ASSERT_TRUE(model.SetBasicFreq("220 Hz", message));
    model.ChoosePage(notePlayerRollOutSampler);
    EXPECT_EQ(model.OnePlayer()->OnePlayerProps.NotePlayerKind, notePlayerRollOutSampler);
    EXPECT_EQ(model.SampleWaveText(), "sample");
    EXPECT_EQ(model.BasicFreqText(), "440 Hz");
    ASSERT_TRUE(model.SetSampleWave("organ", message));
    model.ChoosePage(notePlayerResonantSampler);
    EXPECT_FALSE(model.SetBasicFreq("1 kHz", message));  // no such field on this page
    EXPECT_EQ(model.ResonantFactorText(), "5 %");
    EXPECT_TRUE(model.SetResonantFactor("10 %", message));
    model.ChoosePage(notePlayerSimpleSampler);
    EXPECT_EQ(model.SampleWaveText(), "piano");
    EXPECT_EQ(model.BasicFreqText(), "220 Hz");
    EXPECT_EQ(model.ResonantFactorText(), "");
    model.ChoosePage(notePlayerRollOutSampler);
    EXPECT_EQ(model.SampleWaveText(), "organ");
}

TEST_F(MusicDialogTest, RefusedTextsKeepTheOldValues) {
    struct Case {
        bool (TMusicDialogModel::*set)(const std::string&, std::string&);
        std::string (TMusicDialogModel::*text)();
        std::string typed, message, kept;
    };
    model.ChoosePage(notePlayerSimpleSampler);
    const std::vector<Case> cases = {
        // "abc" would read as the note A5; "xyz" has no number at all.
        {&TMusicDialogModel::SetTempo, nullptr, "xyz", "In Tempo: Input has no value.", ""},
        {&TMusicDialogModel::SetRoomUp, &TMusicDialogModel::RoomUpText, "20",
         "In Room Up: Value must be more or equal of 30.", "80"},
        {&TMusicDialogModel::SetRoomDown, &TMusicDialogModel::RoomDownText, "xyz",
         "In Room Down: Value must be more or equal of 30.", "80"},
        {&TMusicDialogModel::SetSampleWave, &TMusicDialogModel::SampleWaveText, "",
         "In Sample Wave: Field should not be empty.", "sample"},
        {&TMusicDialogModel::SetSampleWave, &TMusicDialogModel::SampleWaveText, "a&b",
         "In Sample Wave: The characters '<', '>' and '&' are not allowed.", "sample"},
        {&TMusicDialogModel::SetBasicFreq, &TMusicDialogModel::BasicFreqText, "0 Hz",
         "In Basic Frequency: You cannot use 0 with 'Hz'.", "440 Hz"},
        {&TMusicDialogModel::SetVolumeFactor, &TMusicDialogModel::VolumeFactorText, "5 kg",
         "In Volume Factor: This unit does not exist, use: '%', 'dB' or no unit.", "1"},
        {&TMusicDialogModel::SetFreqUp, &TMusicDialogModel::FreqUpText, "xyz", "In Freq Up: Input has no value.",
         "0 Hz"},
    };
    for (const Case& c : cases) {
        std::string message;
        EXPECT_FALSE((model.*c.set)(c.typed, message)) << c.typed;
        EXPECT_EQ(message, c.message);
        if (c.text) {
            EXPECT_EQ((model.*c.text)(), c.kept) << c.message;
        }
    }
    EXPECT_EQ(model.TempoText(), "1 s");
    EXPECT_EQ(doc.State, unitStateSaved);

    std::string message;
    EXPECT_TRUE(model.SetTempo("abc", message));
    EXPECT_NEAR(1 / doc.Tempo.GetValue(), 880, 0.1);  // A5
    EXPECT_TRUE(model.SetRoomUp("30", message));
    EXPECT_EQ(model.Stave()->RoomUp, 30);
    EXPECT_EQ(doc.State, unitStateChanged);
}

TEST_F(MusicDialogTest, StickBoxesExcludeEachOther) {
    struct Click {
        bool down;  // which box
        bool on;
        uint8_t direction;
    };
    const std::vector<Click> clicks = {
        {true, true, noteStickDown},   {false, true, noteStickUp},  {false, false, noteStickGroup},
        {true, false, noteStickGroup}, {true, true, noteStickDown}, {false, false, noteStickDown},
        {true, false, noteStickGroup},
    };
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        clicks[i].down ? model.SetSticksDown(clicks[i].on) : model.SetSticksUp(clicks[i].on);
        EXPECT_EQ(model.Group()->StickDirection, clicks[i].direction) << "click " << i;
        EXPECT_FALSE(model.SticksUp() && model.SticksDown());
    }
}

TEST_F(MusicDialogTest, StaveBoxesTakeEffectAtOnce) {
    model.SetEnableSound(false);
    EXPECT_TRUE(model.Stave()->Mute);
    model.SetAllowJoinFlags(false);
    EXPECT_EQ(model.Stave()->drawFlagKind, drawFlagSeparate);
    model.SetExtraLines(true);
    EXPECT_TRUE(model.Stave()->ExtraLines);
    EXPECT_EQ(doc.State, unitStateChanged);
}

TEST_F(MusicDialogTest, StaleCursorsMoveToTheFirstItem) {
    doc.CurrentStave = nullptr;
    doc.GetFirstStave()->DialogNoteGroup = nullptr;
    EXPECT_EQ(model.Stave(), doc.GetFirstStave());
    EXPECT_EQ(model.Group(), doc.GetFirstStave()->GetStartNoteGroup());
    EXPECT_EQ(where(musicLevelGroup), "1/1");
}
