#include <string>
#include <vector>

#include "TestSupport.h"
#include "music/MusicEdit.h"
#include "music/MusicReadout.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

class MusicReadoutTest : public CoreFixture {
protected:
    TUnitMuz doc;
    void SetUp() override {
        CoreFixture::SetUp();
        doc.InitNew();
    }
    TMuzNote* addNote(double at, int length, int points = 0, uint8_t ool = sool, int posInOol = 0) {
        TSinglePartMuz* part = doc.FirstSinglePart();
        TNoteStave* stave = doc.GetFirstStave();
        auto n = std::make_unique<TMuzNote>(stave->GetStartNoteGroup(), &doc, stave, at, part,
                                            static_cast<int8_t>(length), points, ool, posInOol, 0, noteShiftNormal,
                                            noteArtNormal, noteStickGroup);
        TMuzNote* raw = n.get();
        part->InsertSorted(std::move(n));
        return raw;
    }
};

TEST(MusicReadout, NoteValueAndBarBeatTexts) {
    struct Value {
        int flag, points;
        uint8_t ool;
        const char* text;
    };
    for (const Value& v : {Value{4, 0, sool, "1/4"}, Value{4, 1, sool, "dotted 1/4"},
                           Value{2, 2, sool, "double dotted 1/2"}, Value{8, 0, triool, "1/8 triplet"},
                           Value{16, 0, kwintool, "1/16 quintuplet"}, Value{8, 0, duool, "1/8 duplet"},
                           Value{1, 0, sool, "1"}, Value{64, 0, kwartool, "1/64 quadruplet"}})
        EXPECT_EQ(NoteValueText(v.flag, v.points, v.ool), v.text);
    struct Place {
        int bar;
        double beat;
        const char* text;
    };
    for (const Place& p : {Place{3, 2.5, "bar 3, beat 2½"}, Place{1, 1, "bar 1, beat 1"},
                           Place{0, 4, "bar 0, beat 4"}, Place{2, 2 + 1.0 / 3, "bar 2, beat 2⅓"},
                           Place{2, 1 + 2.0 / 3, "bar 2, beat 1⅔"}, Place{5, 3.75, "bar 5, beat 3¾"},
                           Place{1, 1 + 3.0 / 16, "bar 1, beat 1 3/16"}, Place{1, 1 + 1.0 / 15, "bar 1, beat 1 1/15"}})
        EXPECT_EQ(BarBeatText({p.bar, p.beat}), p.text) << p.text;
}

TEST_F(MusicReadoutTest, BarBeatOfNotesWithAndWithoutUpbeat) {
    TMuzBar* bar = doc.FirstSinglePart()->GetMuzBar();
    ASSERT_NE(bar, nullptr);
    bar->SetBar(4, 3, 0);  // 3/4
    TMuzNote* a = addNote(0, 4);
    TMuzNote* b = addNote(0.875, 8, 1);
    TMuzNote* c = addNote(1.5 + 1.0 / 12, 8);
    EXPECT_EQ(BarBeatText(BarBeatOf(*a)), "bar 1, beat 1");
    EXPECT_EQ(BarBeatText(BarBeatOf(*b)), "bar 2, beat 1½");
    EXPECT_EQ(BarBeatText(BarBeatOf(*c)), "bar 3, beat 1⅓");
    // The members of a triplet share their position; each sounds a third of
    // the triplet's length after the one before.
    std::vector<TMuzNote*> triplet;
    for (int i = 0; i < 3; ++i) triplet.push_back(addNote(2.25 + 0.5, 4, 0, triool, i));
    EXPECT_EQ(BarBeatText(BarBeatOf(*triplet[0])), "bar 4, beat 3");
    EXPECT_EQ(BarBeatText(BarBeatOf(*triplet[1])), "bar 4, beat 3⅓");
    EXPECT_EQ(BarBeatText(BarBeatOf(*triplet[2])), "bar 4, beat 3⅔");
    // An upbeat of one beat is bar 0; bar 1 starts after it.
    bar->SetBar(4, 3, 1);
    EXPECT_EQ(BarBeatText(BarBeatOf(*a)), "bar 0, beat 3");
    EXPECT_EQ(BarBeatText(BarBeatOf(*b)), "bar 1, beat 3½");
    // 6/8 counts eighths.
    bar->SetBar(8, 6, 0);
    EXPECT_EQ(BarBeatText(BarBeatOf(*b)), "bar 2, beat 2");

    // The readout: the kind, the place and the value; in add mode what a
    // click inserts.
    SetMode(doc, unitMuzSel);
    bar->SetBar(4, 4, 0);
    SelectSymbol(doc, b);
    EXPECT_EQ(MusicReadout(doc), "Note · bar 1, beat 4½ · dotted 1/8");
    SetMode(doc, unitMuzAdd);
    doc.InsertLengthKind = 8;
    doc.InsertPoints = 1;
    EXPECT_EQ(MusicReadout(doc), "insert: dotted 1/8 note");
    doc.InsertModeKind = insertModeSilence;
    EXPECT_EQ(MusicReadout(doc), "insert: dotted 1/8 rest");
    doc.InsertModeKind = insertModeKey;
    doc.InsertKeyKind = TKey::keyKindF;
    EXPECT_EQ(MusicReadout(doc), "insert: F key");
    doc.InsertModeKind = insertModeNoteShift;
    doc.InsertNoteShift = noteShiftKruis;
    EXPECT_EQ(MusicReadout(doc), "insert: ♯");
}

}  // namespace

namespace {

TEST(MusicReadout, QuarterRateOfTheTempo) {
    const std::pair<double, const char*> cases[] = {{2, "♩ = 120"}, {1, "♩ = 240"},   {3, "♩ = 80"},
                                                    {0.7, "♩ = 342.9"}, {2.5, "♩ = 96"}, {0, ""}, {-1, ""}};
    for (const auto& [tempo, text] : cases) EXPECT_EQ(QuarterRateText(tempo), text) << tempo;
}

}  // namespace
