#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "music/TUnitMuz.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

// A document with one stave, one note group and one 4/4 part holding the G key.
class MusicTest : public CoreFixture {
protected:
    TUnitMuz doc;
    TSinglePartMuz* part = nullptr;
    TNoteStave* stave = nullptr;
    TNoteGroup* group = nullptr;

    void SetUp() override {
        CoreFixture::SetUp();
        doc.InitNew();
        part = doc.FirstSinglePart();
        stave = doc.GetFirstStave();
        group = stave->GetStartNoteGroup();
    }

    TMuzNote* addNote(double position, int length, int pitch, int points = 0, uint8_t multiOol = sool, int posInOol = 0,
                      TNoteGroup* noteGroup = nullptr, uint8_t shift = noteShiftNormal,
                      TSinglePartMuz* into = nullptr) {
        TSinglePartMuz* p = into ? into : part;
        auto note = std::make_unique<TMuzNote>(noteGroup ? noteGroup : group, &doc, stave, position, p,
                                               static_cast<int8_t>(length), points, multiOol, posInOol, pitch, shift,
                                               noteArtNormal, noteStickGroup);
        TMuzNote* raw = note.get();
        p->InsertSorted(std::move(note));
        return raw;
    }

    std::vector<std::string> listOf(const TSinglePartMuz& p) {
        std::vector<std::string> out;
        for (TStaveSymbol* s = p.GetFirstSymbol(); s; s = s->Next) {
            std::string item = s->GetStaveSymbolKind() == staveSymbolKey       ? "K"
                               : s->GetStaveSymbolKind() == staveSymbolSilence ? "S"
                                                                               : "N";
            item += "@" + std::to_string(s->GetSymbolPosition()).substr(0, 5);
            if (s->GetStaveSymbolKind() == staveSymbolSilence)
                item += "/" + std::to_string(static_cast<TSilence*>(s)->GetNoteLengthKind());
            out.push_back(item);
        }
        return out;
    }
};

TSilence silence(int length, int points, uint8_t multiOol = sool, int posInOol = 0) {
    return TSilence(nullptr, 0, nullptr, static_cast<int8_t>(length), points, multiOol, posInOol);
}

}  // namespace

TEST_F(MusicTest, LengthsOfPointsAndTuplets) {
    EXPECT_EQ(silence(4, 0).GetTotalLength(), 0.25);
    EXPECT_EQ(silence(4, 1).GetTotalLength(), 0.375);
    EXPECT_EQ(silence(4, 2).GetTotalLength(), 0.4375);
    EXPECT_EQ(silence(4, 3).GetTotalLength(), 0.46875);
    TMuzNote* member = addNote(0, 4, 0, 3, triool, 2);
    EXPECT_EQ(member->GetPlayLength(), 0.15625);
    EXPECT_EQ(member->GetStartTime(), 0.46875 * 2 / 3);

    int8_t total = 0;
    EXPECT_FALSE(silence(4, 0, kwintool).FlagLength2TotalLength(2, total));
    EXPECT_TRUE(silence(4, 0, triool).FlagLength2TotalLength(2, total));
    EXPECT_EQ(total, 1);
    EXPECT_FALSE(silence(4, 1, duool).MayTotalPoints(0));
    EXPECT_TRUE(silence(4, 0, triool).MayTotalPoints(0));

    // A duool of a dotted quarter shows two plain eighths; a kwintool of a
    // quarter five sixteenths.
    EXPECT_EQ(silence(4, 1, duool).GetFlagLength(), 8);
    EXPECT_EQ(silence(4, 1, duool).GetShownPoints(), 0);
    EXPECT_EQ(silence(4, 0, kwintool).GetFlagLength(), 16);
    EXPECT_EQ(silence(32, 0, triool).GetFlagLength(), 64);
}

TEST_F(MusicTest, SymbolInvariantsAreContracts) {
    EXPECT_CONTRACT(silence(4, 0, triool, 3), "posInOol < (int) multiOol");
    EXPECT_CONTRACT(silence(4, 0, duool),
                    "points > 0 || multiOol == sool || multiOol == triool || multiOol == kwintool");
    EXPECT_CONTRACT(silence(32, 0, kwintool), "MultiOol != kwintool || NoteLengthKind <= 16");
    EXPECT_CONTRACT(silence(64, 0, triool), "MultiOol == sool || NoteLengthKind <= 32");
    EXPECT_CONTRACT(addNote(0, 4, 44), "Pitch <= 43");
    EXPECT_CONTRACT(addNote(0, 4, -44), "Pitch >= -43");
    TSilence s = silence(4, 0);
    EXPECT_CONTRACT(s.SetMark(0), "mark != 0");
    s.SetMark(3);
    EXPECT_CONTRACT(s.SetMark(4), "Mark == 0");
    s.ClearMark();
    EXPECT_CONTRACT(s.ClearMark(), "Mark != 0");
}

TEST_F(MusicTest, PeriodsAndPlayLengths) {
    EXPECT_EQ(PitchPeriod(5, noteShiftNormal), 1.0 / 440);
    EXPECT_NEAR(1 / PitchPeriod(0, noteShiftKruis), 440 * std::pow(2.0, -8.0 / 12), 1e-9);
    EXPECT_NEAR(1 / PitchPeriod(-2, noteShiftNormal), 220, 1e-9);
    EXPECT_NEAR(PitchPeriod(6, noteShiftKruis), PitchPeriod(7, noteShiftNormal), 1e-15);
    EXPECT_NEAR(1 / PitchPeriod(12, noteShiftNormal), 880, 1e-9);
    TMuzNote* note = addNote(0, 4, 5);
    note->SetNoteArtKind(noteArtLegato);
    EXPECT_EQ(note->GetPlayLength(), 0.5);
    EXPECT_EQ(note->GetTotalLength(), 0.25);
}

TEST_F(MusicTest, ListOrderKeysFirstHigherPitchFirstNewBeforeTies) {
    TMuzNote* low = addNote(0, 4, 2);
    TMuzNote* high = addNote(0, 4, 9);
    TMuzNote* same = addNote(0, 4, 2);
    TStaveSymbol* first = part->GetFirstSymbol();
    EXPECT_EQ(first->GetStaveSymbolKind(), staveSymbolKey);
    EXPECT_EQ(first->Next, high);
    EXPECT_EQ(high->Next, same);
    EXPECT_EQ(same->Next, low);
    EXPECT_EQ(high->NextNote(), same);

    // A new pitch moves the note to its place; the chord navigation follows.
    low->SetPitch(20);
    part->ReplaceSymbol(low);
    EXPECT_EQ(part->GetFirstSymbol()->Next, low);
    EXPECT_EQ(same->FirstInChord(), low);
    EXPECT_EQ(low->LastAtPosition(), same);
    EXPECT_EQ(low->PrevAtPosition(), nullptr);

    // Any order of inserting, with deletions between, keeps the list sorted,
    // whether or not the new symbol lands right after the previous one.
    part->DeleteSymbol(same);
    for (double position : {0.75, 0.5, 0.625, 1.0, 0.875, 0.25}) addNote(position, 8, 0);
    TMuzNote* gone = addNote(0.5, 8, 5);
    part->DeleteSymbol(gone);
    addNote(0.5, 8, -3);
    EXPECT_EQ(listOf(*part), (std::vector<std::string>{"K@0.000", "N@0.000", "N@0.000", "N@0.250", "N@0.500", "N@0.500",
                                                       "N@0.625", "N@0.750", "N@0.875", "N@1.000"}));
}

// A bulk insert (as a file is read) gives the very order that one-by-one
// inserts give, equal symbols included, merged with what the list holds.
// A bulk insert (reading a file) sorts as a stable sort would: equal symbols
// keep their order of arrival, after the equal ones already in the list.
TEST_F(MusicTest, BulkInsertKeepsEqualSymbolsInTheirOrder) {
    std::vector<TMuzNote*> arrivals;
    uint32_t seed = 12345;
    auto next = [&seed](int n) { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % n; };
    auto note = [&](double position, int pitch) {
        auto n = std::make_unique<TMuzNote>(group, &doc, stave, position, part, 4, 0, sool, 0, pitch, noteShiftNormal,
                                            noteArtNormal, noteStickGroup);
        arrivals.push_back(n.get());
        return n;
    };
    for (int i = 0; i < 20; ++i) part->InsertSorted(note(next(4) * 0.25, next(5)));  // in the list before the bulk
    std::vector<TStaveSymbol*> expected;
    for (TStaveSymbol* s = part->GetFirstSymbol(); s; s = s->Next) expected.push_back(s);
    part->BeginBulkInsert();
    for (int i = 20; i < 400; ++i) part->InsertSorted(note(next(4) * 0.25, next(5)));
    EXPECT_EQ(listOf(*part).size(), 21u);  // nothing linked while it is open
    part->EndBulkInsert();
    expected.insert(expected.end(), arrivals.begin() + 20, arrivals.end());
    std::stable_sort(expected.begin(), expected.end(), [](auto* a, auto* b) { return a->IsPrevOf(*b); });
    std::vector<TStaveSymbol*> got;
    for (TStaveSymbol* s = part->GetFirstSymbol(); s; s = s->Next) {
        got.push_back(s);
        if (s->Next) {
            EXPECT_EQ(s->Next->Prev, s);
        }
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(got.size(), 401u);
}

TEST_F(MusicTest, BrokenLengthsAreRunsOfStandardValues) {
    auto pieces = [](double r) {
        std::string out;
        for (const TDrawnPiece& p : BrokenLengthPieces(r))
            out += std::to_string(p.NoteLengthKind) + "." + std::to_string(p.Points) + " ";
        return out;
    };
    EXPECT_EQ(pieces(0.75), "2.1 ");
    EXPECT_EQ(pieces(0.875), "2.2 ");
    EXPECT_EQ(pieces(2.5), "1.0 1.1 ");
    EXPECT_EQ(pieces(0.3125), "4.0 16.0 ");
    // Off the 1/64 grid the run ends with a sixty-fourth instead of going negative.
    EXPECT_EQ(pieces(0.1), "16.1 64.0 ");
}

TEST_F(MusicTest, KeyHeightsScalesAndSignatures) {
    TKey g(&doc, TKey::keyKindG, 1, 0, stave, 1, part);
    EXPECT_EQ(g.HeightToPitch(0), 13);
    EXPECT_EQ(g.PitchToHeight(13), 0);
    EXPECT_CONTRACT(TKey(&doc, TKey::keyKindG, 3, 0, stave, 1, part), "addOctaves <= 2");

    TKey key(&doc, TKey::keyKindG, 0, 0, stave, 1, part);
    int count = 99;
    EXPECT_TRUE(key.ToonLadder(count));
    EXPECT_EQ(count, 0);
    key.SetNoteShift(4, noteShiftKruis);
    EXPECT_TRUE(key.ToonLadder(count));
    EXPECT_EQ(count, 1);
    key.SetNoteShift(1, noteShiftKruis);
    key.SetNoteShift(0, noteShiftMol);
    EXPECT_FALSE(key.ToonLadder(count));

    TKey onlyC(&doc, TKey::keyKindG, 0, 0, stave, 1, part);
    onlyC.SetNoteShift(1, noteShiftKruis);
    EXPECT_FALSE(onlyC.ToonLadder(count));

    TKey flats(&doc, TKey::keyKindG, 0, 0, stave, 1, part);
    flats.SetNoteShift(0, noteShiftMol);
    flats.SetNoteShift(3, noteShiftMol);
    EXPECT_TRUE(flats.ToonLadder(count));
    EXPECT_EQ(count, -2);

    // A G key with F sharp made a C key keeps the sharp on F.
    TKey change(&doc, TKey::keyKindG, 0, 0, stave, 1, part);
    change.SetNoteShift(4, noteShiftKruis);
    change.SetKeyKind(TKey::keyKindC);
    EXPECT_EQ(change.GetNoteShift(3), noteShiftKruis);
    EXPECT_EQ(change.GetNoteShift(4), noteShiftNormal);
    EXPECT_EQ(TKey::wrapHeight(change.HeightToPitch(3)), 3);  // F

    std::vector<int> sharps, flatHeights;
    for (int i = 0; i < 7; ++i) {
        sharps.push_back(key.SignatureHeight(i, noteShiftKruis));
        flatHeights.push_back(key.SignatureHeight(i, noteShiftMol));
    }
    EXPECT_EQ(sharps, (std::vector<int>{4, 1, 5, 2, -1, 3, 0}));
    EXPECT_EQ(flatHeights, (std::vector<int>{0, 3, -1, 2, -2, 1, -3}));
    EXPECT_CONTRACT(key.SignatureHeight(0, noteShiftNormal),
                    "noteShiftKind == noteShiftMol || noteShiftKind == noteShiftKruis");
}

TEST_F(MusicTest, BarLinesAndUpbeat) {
    TMuzBar* bar = part->GetMuzBar();
    EXPECT_EQ(bar->NextBarLine(0), 1.0);
    EXPECT_EQ(bar->NextBarLine(0.999), 1.0);
    EXPECT_EQ(bar->NextBarLine(1.0), 2.0);
    bar->SetBar(4, 3, 1);
    EXPECT_EQ(bar->NextBarLine(0), 0.25);
    EXPECT_EQ(bar->NextBarLine(0.25), 1.0);
    EXPECT_EQ(bar->NextBarLine(1.0), 1.75);
    EXPECT_EQ(bar->StepExtraCountUp(), 0);
    EXPECT_EQ(bar->GetExtraCount(), 2);
    EXPECT_EQ(bar->StepExtraCountUp(), 1);
    EXPECT_EQ(bar->GetExtraCount(), 0);
    bar->StepExtraCountDown();
    EXPECT_EQ(bar->GetExtraCount(), 2);
    EXPECT_EQ(bar->DrawnWidth(), 21);
    bar->SetBar(16, 12, 0);
    EXPECT_EQ(bar->DrawnWidth(), 39);
    EXPECT_CONTRACT(new TMuzBar(part, 4, 4, 0), "MuzBar == NULL");
}

TEST_F(MusicTest, AccidentalInEffectLastsForTheBar) {
    // Key with B flat; an F sharp at 0.5, then F an octave up later.
    static_cast<TKey*>(part->GetFirstSymbol())->SetNoteShift(0, noteShiftMol);
    addNote(0.5, 4, 3, 0, sool, 0, nullptr, noteShiftKruis);
    EXPECT_EQ(AccidentalInEffect(*part, stave, 0.75, 10), noteShiftKruis);
    EXPECT_EQ(AccidentalInEffect(*part, stave, 0.5, 3), noteShiftNormal);  // the note itself does not count
    EXPECT_EQ(AccidentalInEffect(*part, stave, 1.25, 10), noteShiftNormal);
    EXPECT_EQ(AccidentalInEffect(*part, stave, 1.25, 6), noteShiftMol);
    addNote(1.0, 4, 6, 0, sool, 0, nullptr, noteShiftNormal);
    EXPECT_EQ(AccidentalInEffect(*part, stave, 1.5, 13), noteShiftNormal);
    EXPECT_EQ(AccidentalInEffect(*part, stave, 2.5, 13), noteShiftMol);
}

TEST_F(MusicTest, DeletingAGroupAndFillingTheStaveLeavesSilences) {
    auto player = std::make_unique<TCompoundPlayer>(&doc);
    player->AppendOnePlayer(std::make_unique<TOnePlayer>(TOnePlayerProps()));
    stave->AppendNoteGroup(std::make_unique<TNoteGroup>(stave, 0xFF, std::move(player), noteShapeNormal, 2));
    TNoteGroup* other = group->GetNext();
    addNote(0, 2, 0, 1);
    addNote(0.75, 4, 0, 0, sool, 0, other);
    doc.GetStartPart()->RemoveNoteGroupNotes(group);
    doc.GetStartPart()->FillStaveWithSilences(stave);
    EXPECT_EQ(listOf(*part), (std::vector<std::string>{"K@0.000", "S@0.000/2", "S@0.500/4", "N@0.750"}));

    // Silences never cross a bar line and stop below a thirty-second.
    addNote(1.75 + 1.0 / 64, 4, 0, 0, sool, 0, other);
    doc.GetStartPart()->FillStaveWithSilences(stave);
    EXPECT_EQ(listOf(*part), (std::vector<std::string>{"K@0.000", "S@0.000/2", "S@0.500/4", "N@0.750", "S@1.000/2",
                                                       "S@1.500/4", "N@1.765"}));
    std::unique_ptr<TNoteGroup> removed = stave->RemoveNoteGroup(group);
    EXPECT_EQ(stave->GetStartNoteGroup(), other);
    EXPECT_CONTRACT(stave->RemoveNoteGroup(other), "StartNoteGroup != NULL");
}

TEST_F(MusicTest, TreeNamesNavigationAndTakingApart) {
    auto single = [&](const char* label) {
        auto p = std::make_unique<TSinglePartMuz>(&doc);
        new TMuzBar(p.get(), 4, 4, 0);
        p->Label = label;
        return p;
    };
    auto loop = std::make_unique<TLoopPartMuz>(&doc, single("A"), 3);
    TLoopPartMuz* loopRaw = loop.get();
    auto inner = std::make_unique<TConcatPartMuz>(&doc, single("B"), single("C"));
    TConcatPartMuz* innerRaw = inner.get();
    auto root = std::make_unique<TStartPartMuz>(&doc);
    root->SetPartMuz(std::make_unique<TConcatPartMuz>(&doc, std::move(loop), std::move(inner)));
    root->CheckParentLinks(nullptr);

    std::string forward, backward;
    for (TSinglePartMuz* p = root->FirstSinglePart(); p; p = p->NextSinglePart()) forward += p->GetShownName();
    for (TSinglePartMuz* p = root->LastSinglePart(); p; p = p->PrevSinglePart()) backward += p->GetShownName();
    EXPECT_EQ(forward, "ABC");
    EXPECT_EQ(backward, "CBA");

    EXPECT_EQ(loopRaw->GetShownName(), "repeat 3");
    loopRaw->Label = "chorus";
    EXPECT_EQ(loopRaw->GetShownName(), "chorus");
    EXPECT_EQ(root->GetShownName(), "root");
    EXPECT_EQ(innerRaw->GetShownName(), "<concat>");
    EXPECT_CONTRACT(loopRaw->ChildSlot(innerRaw), "LoopPart == me");

    // Taking B out leaves C in the concatenation's place.
    TPartMuz* oldParent = nullptr;
    std::unique_ptr<TPartMuz> b = innerRaw->GetFirstPart()->Detach(oldParent);
    EXPECT_EQ(oldParent, innerRaw);
    std::unique_ptr<TPartMuz> gone = innerRaw->TakeApart();
    root->CheckParentLinks(nullptr);
    forward.clear();
    for (TSinglePartMuz* p = root->FirstSinglePart(); p; p = p->NextSinglePart()) forward += p->GetShownName();
    EXPECT_EQ(forward, "AC");
    EXPECT_CONTRACT(static_cast<TConcatPartMuz*>(gone.get())->TakeApart(), "FirstPart != NULL || SecondPart != NULL");
}

TEST_F(MusicTest, TurnsFollowThePassOfTheNearestLoop) {
    auto inner = std::make_unique<TSinglePartMuz>(&doc);
    new TMuzBar(inner.get(), 4, 4, 0);
    auto select = std::make_unique<TSelectPartMuz>(&doc, std::move(inner));
    TSelectPartMuz* sel = select.get();
    doc.GetStartPart()->SetPartMuz(std::move(select));
    EXPECT_EQ(sel->CurrentTurn(), nullptr);
    sel->AppendTurn(1, 0);
    sel->AppendTurn(3, -2);
    EXPECT_EQ(sel->CurrentTurn(), sel->GetTurns()[0].get());
    EXPECT_EQ(sel->GetTurns()[1]->GetShownName(), "turn 3");
    EXPECT_EQ(sel->GetStartItem()->GetShownName(), "root turn");

    TPartMuz* parent = nullptr;
    std::unique_ptr<TPartMuz> detached = sel->Detach(parent);
    auto loop = std::make_unique<TLoopPartMuz>(&doc, std::move(detached), 3);
    TLoopPartMuz* loopRaw = loop.get();
    doc.GetStartPart()->SetPartMuz(std::move(loop));
    loopRaw->CurrentPass = 2;
    EXPECT_EQ(sel->CurrentTurn(), nullptr);
    loopRaw->CurrentPass = 3;
    ASSERT_NE(sel->CurrentTurn(), nullptr);
    EXPECT_EQ(sel->CurrentTurn()->Pitch.GetValue(), -2);
    doc.GetStartPart()->ResetPasses();
    EXPECT_EQ(loopRaw->CurrentPass, 1);
    EXPECT_EQ(sel->HighestCount(), 3);
    EXPECT_TRUE(sel->RemoveTurn(1));
    EXPECT_EQ(sel->CountTurns(1), 0);
}

TEST_F(MusicTest, OnePlayerListsAndKindRecords) {
    TCompoundPlayer* player = group->GetCompoundPlayer();
    TOnePlayer* first = player->GetStartOnePlayer();
    EXPECT_EQ(first->GetSimpleSamplerProps().SampleWave.ToText(), "sample");
    EXPECT_CONTRACT(first->GetResonantSamplerProps(), "OnePlayerProps.NotePlayerKind == notePlayerResonantSampler");
    EXPECT_CONTRACT(player->DeleteOnePlayer(first), "StartOnePlayer != NULL");

    TOnePlayer stranger{TOnePlayerProps()};
    EXPECT_CONTRACT(player->InsertOnePlayer(&stranger, std::make_unique<TOnePlayer>(TOnePlayerProps())),
                    "prevOnePlayer->GetNext() != NULL || prevOnePlayer == afterOnePlayer");
    auto second = std::make_unique<TOnePlayer>(TOnePlayerProps());
    TOnePlayer* secondRaw = second.get();
    player->InsertOnePlayer(nullptr, std::move(second));
    EXPECT_EQ(player->GetStartOnePlayer(), secondRaw);
    EXPECT_EQ(player->PrevOnePlayer(first), secondRaw);
    EXPECT_EQ(secondRaw->OnePlayerProps.NotePlayerKind, notePlayerNone);
    std::unique_ptr<TOnePlayer> out = player->DeleteOnePlayer(secondRaw);
    EXPECT_EQ(player->GetStartOnePlayer(), first);
    EXPECT_EQ(player->CountOnePlayers(), 1);
}

