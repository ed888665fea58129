#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "music/NotePlayers.h"
#include "music/TUnitMuz.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreHit.h"
#include "score/ScoreLayout.h"
#include "ScoreFixture.h"

namespace korvane {
namespace {

using namespace scoretest;

TEST(ScoreLayout, StaveBaseLinesAndTotalHeightFollowTheRooms) {
    Score s(3);
    s.staves[0]->RoomUp = 80, s.staves[0]->RoomDown = 60;
    s.staves[1]->RoomUp = 40, s.staves[1]->RoomDown = 50;
    s.staves[2]->RoomUp = 30, s.staves[2]->RoomDown = 30;
    s.lay(5, -7);
    EXPECT_EQ(s.staves[0]->Layout.BaseY, -7 + 80 + 40);
    EXPECT_EQ(s.staves[1]->Layout.BaseY, 113 + 60 + 40);
    EXPECT_EQ(s.staves[2]->Layout.BaseY, 213 + 50 + 30);
    EXPECT_EQ(s.layout.TotalHeight(), 293 + 30 + 40);
    // The first key starts at the origin, a little in.
    EXPECT_GE(s.key(0)->Layout.LeftX, 5);
    EXPECT_LT(s.key(0)->Layout.LeftX, 15);
    EXPECT_EQ(s.layout.RightEnd(1000), s.layout.LargestX() + 1000 - 80);
    for (TNoteStave* st : s.staves) EXPECT_EQ(st->Layout.ReachedX, s.layout.LargestX());
}

TEST(ScoreLayout, BarLinesMeetAtTheWidestStave) {
    Score s(2);
    for (int i = 0; i < 16; ++i) s.note(0, i / 16.0, 16, 4 + i % 3);  // a busy bar
    s.note(1, 0, 1, 6);                                               // one whole note
    s.note(0, 1, 4, 6);
    s.note(1, 1, 4, 6);
    s.note(0, 1.25, 2, 6, noteShiftNormal, 1);
    s.note(1, 1.25, 2, 6, noteShiftNormal, 1);
    s.lay();
    const std::vector<int> top = barLinesOf(s.laid(), 0), bottom = barLinesOf(s.laid(), 1);
    ASSERT_EQ(top.size(), 2u);  // after bar 1, and the full last bar
    EXPECT_EQ(top, bottom);
    // The second bar starts at the same x in both staves.
    std::vector<int> starts;
    for (TStaveSymbol* sym = s.part->GetFirstSymbol(); sym; sym = sym->Next)
        if (sym->GetSymbolPosition() == 1.0) starts.push_back(sym->Layout.LeftX);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0], starts[1]);
    EXPECT_GT(starts[0], top[0] + s.layout.Pieces()[0].Left);
    // Sixteen sixteenths are wider than one whole note: the line follows them.
    int lastSixteenth = 0;
    for (TStaveSymbol* sym = s.part->GetFirstSymbol(); sym; sym = sym->Next)
        if (sym->GetNoteStave() == s.staves[0] && sym->GetSymbolPosition() < 1) lastSixteenth = sym->Layout.RightX;
    EXPECT_GT(top[0] + s.layout.Pieces()[0].Left, lastSixteenth);
}

TEST(ScoreLayout, AGapOfEmptyBarsTakesOneLine) {
    Score s;
    s.note(0, 0, 4, 6);
    TMuzNote* far = s.note(0, 1e9, 4, 6);  // a billion bars later
    s.lay();
    EXPECT_EQ(barLinesOf(s.laid(), 0).size(), 1u);
    EXPECT_LT(far->Layout.RightX, 400);
}

TEST(ScoreLayout, AccidentalsShowWhereTheyDifferFromTheOneInEffect) {
    Score s;
    s.key(0)->SetNoteShift(s.key(0)->PitchToHeight(3), noteShiftKruis);  // F sharp in the key
    struct Case {
        double pos;
        int pitch;
        uint8_t shift;
        bool shown;
    } cases[] = {
        {0, 3, noteShiftKruis, false},      // as the key says
        {0.25, 3, noteShiftNormal, true},   // natural against the key
        {0.5, 10, noteShiftNormal, false},  // the natural holds for F in any octave in this bar
        {0.75, 5, noteShiftMol, true},      // A flat
        {1, 3, noteShiftNormal, true},      // a new bar: the key's sharp again
        {1.25, 3, noteShiftKruis, true},    // back to sharp after the natural
        {1.5, 5, noteShiftNormal, false},   // the flat of the last bar is gone
        {1.75, 5, noteShiftMol, true},
    };
    std::vector<TMuzNote*> notes;
    for (const auto& c : cases) notes.push_back(s.note(0, c.pos, 4, c.pitch, c.shift));
    s.lay();
    for (size_t i = 0; i < notes.size(); ++i) EXPECT_EQ(showsAccidental(s.laid(), notes[i]), cases[i].shown) << i;
}

TEST(ScoreLayout, FreeSticksFollowTheLowestPlusTheHighestHead) {
    Score s;
    // G key: height = pitch - 6.
    TMuzNote* low = s.note(0, 0, 4, 5);        // height -1: up
    TMuzNote* middle = s.note(0, 0.25, 4, 6);  // height 0: down
    TMuzNote* beamLow = s.note(0, 0.5, 8, 3);  // heights -3 and 4 beamed: sum 1, down for both
    TMuzNote* beamHigh = s.note(0, 0.625, 8, 10);
    TMuzNote* forced = s.note(0, 0.75, 4, 12, noteShiftNormal, 0, sool, 0, noteStickUp);
    s.lay();
    EXPECT_EQ(stemDirection(s.laid(), low), noteStickUp);
    EXPECT_EQ(stemDirection(s.laid(), middle), noteStickDown);
    EXPECT_EQ(stemDirection(s.laid(), beamLow), noteStickDown);
    EXPECT_EQ(stemDirection(s.laid(), beamHigh), noteStickDown);
    EXPECT_EQ(stemDirection(s.laid(), forced), noteStickUp);
    // The two eighths share one beam: a shape owned by neither note.
    int beams = 0;
    for (const auto& it : s.laid().Items) beams += it.Kind == TScoreItem::itemShape && it.Owner == nullptr;
    EXPECT_EQ(beams, 1);
    EXPECT_EQ(low->NoteLayout.DrawnHeight, -1);
    EXPECT_EQ(beamHigh->NoteLayout.DrawnHeight, 4);
}

TEST(ScoreLayout, NotesAcrossABarLineAreDrawnAsTiedPieces) {
    struct Case {
        int countNotes;
        double pos;
        int len;
        int points;
        std::vector<char32_t> heads;  // in drawing order
    } cases[] = {
        {4, 0.75, 2, 1, {glyph::BlackHead, glyph::VoidHead}},                       // 1/4 + 1/2
        {4, 0.5, 1, 0, {glyph::VoidHead, glyph::VoidHead}},                         // 1/2 + 1/2
        {3, 0.5, 2, 0, {glyph::BlackHead, glyph::BlackHead}},                       // 1/4 + 1/4 in 3/4
        {4, 0.8125, 4, 1, {glyph::BlackHead, glyph::BlackHead}},                    // 3/16 + 3/16
        {4, 0.875, 2, 0, {glyph::BlackHead, glyph::BlackHead}},                     // 1/8 + dotted 1/4
        {4, 0.9375, 1, 1, {glyph::BlackHead, glyph::WholeNote, glyph::BlackHead}},  // 1/16 + 1 + 3/16 in 2 bars
        {2, 0, 1, 0, {glyph::VoidHead, glyph::VoidHead}},                           // a whole in 2/4
    };
    for (const auto& c : cases) {
        Score s;
        s.part->GetMuzBar()->SetBar(4, c.countNotes, 0);
        TMuzNote* n = s.note(0, c.pos, c.len, 6, noteShiftNormal, c.points);
        s.lay();
        std::vector<char32_t> heads;
        std::vector<int> xs;
        for (const TScoreItem* it : itemsOf(s.laid(), n, TScoreItem::itemGlyph)) {
            heads.push_back(static_cast<char32_t>(it->X1));
            xs.push_back(it->X0);
        }
        EXPECT_EQ(heads, c.heads) << c.pos;
        EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
        const std::vector<int> lines = barLinesOf(s.laid(), 0);
        ASSERT_FALSE(lines.empty());
        EXPECT_LT(xs.front(), lines.front());
        EXPECT_GT(xs.back(), lines.front());
        // A tie between each two pieces (the flags are shapes too, smaller).
        int ties = 0;
        for (const TScoreItem* it : itemsOf(s.laid(), n, TScoreItem::itemShape)) ties += it->X1 > 20;
        EXPECT_EQ(ties, static_cast<int>(c.heads.size()) - 1) << c.pos;
        // The hit extent is the first piece's head.
        EXPECT_LT(n->Layout.RightX, lines.front() + s.layout.Pieces()[0].Left);
    }
}

TEST(ScoreLayout, SilencesTakeTheirFixedWidths) {
    Score s;
    const int widths[7] = {22, 22, 18, 20, 23, 26, 29};
    std::vector<TSilence*> rests;
    for (int i = 0; i < 7; ++i) rests.push_back(s.silence(0, i, 1 << i, i == 2 ? 2 : 0));  // a bar each
    s.lay();
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(rests[i]->Layout.RightX - rests[i]->Layout.LeftX, widths[i] + (i == 2 ? 8 : 0)) << i;
}

TEST(ScoreLayout, HitTestsAndTheInsertionPoint) {
    Score s(2);
    TMuzNote* a = s.note(0, 0, 4, 6);
    TSilence* r = s.silence(0, 0.25, 4);
    TMuzNote* b = s.note(0, 0.5, 4, 8);
    TMuzNote* other = s.note(1, 0, 4, 6);
    s.lay(5, 0);
    TKey* key = s.key(0);
    const int mid = (a->Layout.LeftX + a->Layout.RightX) / 2;
    EXPECT_EQ(NoteHit(s.layout, s.staves[0], mid), a);
    EXPECT_EQ(NoteHit(s.layout, s.staves[1], mid), other);
    EXPECT_EQ(NoteHit(s.layout, s.staves[0], r->Layout.LeftX + 1), nullptr);
    EXPECT_EQ(SilenceHit(s.layout, s.staves[0], r->Layout.LeftX + 1), r);
    EXPECT_EQ(SilenceHit(s.layout, s.staves[0], mid), nullptr);
    // After the symbol whose middle lies left of x.
    auto middle = [](const TXTouchMuzSymbol* sym) { return (sym->Layout.LeftX + sym->Layout.RightX) / 2; };
    EXPECT_EQ(InsertionPoint(s.layout, s.staves[0], middle(key) - 1), nullptr);
    EXPECT_EQ(InsertionPoint(s.layout, s.staves[0], middle(key) + 1), key);
    EXPECT_EQ(InsertionPoint(s.layout, s.staves[0], middle(a) + 1), a);
    EXPECT_EQ(InsertionPoint(s.layout, s.staves[0], middle(r) + 1), r);
    EXPECT_EQ(InsertionPoint(s.layout, s.staves[0], 10000), b);
    EXPECT_EQ(InsertionPoint(s.layout, s.staves[1], 10000), other);

    const int base = s.staves[0]->Layout.BaseY;
    struct {
        int dy, height;
    } heights[] = {{0, 0}, {-2, 0}, {-3, 1}, {-7, 1}, {-8, 2}, {2, 0}, {3, -1}, {7, -1}, {8, -2}, {-50, 10}};
    for (const auto& h : heights) EXPECT_EQ(ClickedHeight(base, base + h.dy), h.height) << h.dy;

    const TNoteStave* first = s.staves[0];
    const int top = first->Layout.BaseY - first->RoomUp, bottom = first->Layout.BaseY + first->RoomDown;
    EXPECT_EQ(StaveAtY(s.doc, top - 1), nullptr);
    EXPECT_EQ(StaveAtY(s.doc, top), first);
    EXPECT_EQ(StaveAtY(s.doc, bottom), first);
    EXPECT_EQ(StaveAtY(s.doc, bottom + 1), s.staves[1]);
    EXPECT_EQ(StaveAtY(s.doc, s.staves[1]->Layout.BaseY + s.staves[1]->RoomDown + 1), nullptr);
    EXPECT_EQ(StaveBorderAtY(s.doc, bottom - 4), nullptr);
    EXPECT_EQ(StaveBorderAtY(s.doc, bottom - 3), first);
    EXPECT_EQ(StaveBorderAtY(s.doc, bottom + 2), first);
    EXPECT_EQ(StaveBorderAtY(s.doc, bottom + 3), nullptr);

    const TVerticalExtent noteExtent = SymbolVerticalExtent(*b);
    EXPECT_EQ(noteExtent.Top, base - 10 - 10);  // height 2
    EXPECT_EQ(noteExtent.Bottom, base - 10 + 10);
    const TVerticalExtent restExtent = SymbolVerticalExtent(*r);
    EXPECT_EQ(restExtent.Top, base - 25);
    EXPECT_FALSE(SymbolVerticalExtent(*s.part->GetMuzBar()).Scrolls);
    EXPECT_EQ(NthSymbolOfStave(s.doc, 1, 3), r);
    EXPECT_EQ(NthSymbolOfStave(s.doc, 2, 2), other);
    EXPECT_EQ(NthSymbolOfStave(s.doc, 2, 3), nullptr);
}

TEST(ScoreLayout, ExtentsFollowTheScrollAndSkipHiddenParts) {
    Score s;
    // root: concat(first, concat(hidden, loop(third))).
    auto makePart = [&] {
        auto p = std::make_unique<TSinglePartMuz>(&s.doc);
        new TMuzBar(p.get(), 4, 4, 0);
        p->AddStave(s.staves[0]);
        return p;
    };
    auto hidden = makePart();
    auto third = makePart();
    TSinglePartMuz* hiddenRaw = hidden.get();
    TSinglePartMuz* thirdRaw = third.get();
    hidden->PlayAndDraw = false;
    auto loop = std::make_unique<TLoopPartMuz>(&s.doc, std::move(third), 12);
    TLoopPartMuz* loopRaw = loop.get();
    auto tail = std::make_unique<TConcatPartMuz>(&s.doc, std::move(hidden), std::move(loop));
    TPartMuz* oldParent = nullptr;
    std::unique_ptr<TPartMuz> head = s.part->Detach(oldParent);
    s.doc.GetStartPart()->SetPartMuz(std::make_unique<TConcatPartMuz>(&s.doc, std::move(head), std::move(tail)));
    TMuzNote* n = s.note(0, 0, 4, 6);
    TMuzNote* inThird = s.note(0, 0, 4, 6, noteShiftNormal, 0, sool, 0, noteStickGroup, thirdRaw);
    TKey* hiddenKey = static_cast<TKey*>(hiddenRaw->GetFirstSymbol());
    hiddenKey->Layout = {-99, -98};

    s.lay(5, 0);
    const auto& pieces = s.layout.Pieces();
    ASSERT_EQ(pieces.size(), 4u);  // first, the loop's left mark, third, its right mark
    EXPECT_EQ(pieces[1].Kind, TScorePiece::pieceLoopLeft);
    EXPECT_EQ(pieces[1].Left, pieces[0].Right);
    EXPECT_EQ(loopRaw->GetLeftLoopSymbol()->Layout.RightX - loopRaw->GetLeftLoopSymbol()->Layout.LeftX, 13);
    EXPECT_EQ(loopRaw->GetRightLoopSymbol()->Layout.RightX - loopRaw->GetRightLoopSymbol()->Layout.LeftX, 40);
    EXPECT_EQ(pieces[2].Left, pieces[1].Right);
    EXPECT_EQ(hiddenKey->Layout.LeftX, -99);
    EXPECT_EQ(s.layout.LargestX(), pieces[3].Right);
    const int noteLeft = n->Layout.LeftX, thirdLeft = inThird->Layout.LeftX;
    const int barLeft = s.part->GetMuzBar()->Layout.LeftX;
    EXPECT_GT(thirdLeft, noteLeft);
    EXPECT_EQ(s.layout.PartsLaidOut(), 2);

    // Scrolling moves every extent by the scroll; nothing is laid out again.
    s.lay(5 - 300, 0);
    EXPECT_EQ(n->Layout.LeftX, noteLeft - 300);
    EXPECT_EQ(inThird->Layout.LeftX, thirdLeft - 300);
    EXPECT_EQ(s.part->GetMuzBar()->Layout.LeftX, barLeft - 300);
    EXPECT_EQ(loopRaw->GetRightLoopSymbol()->Layout.LeftX, pieces[3].Left);
    EXPECT_EQ(s.layout.PartsLaidOut(), 0);

    // An edit lays out its part only; a changed stave all of them.
    n->SetPitch(8);
    s.lay(5, 0);
    EXPECT_EQ(s.layout.PartsLaidOut(), 1);
    EXPECT_EQ(n->NoteLayout.DrawnHeight, 2);
    s.staves[0]->drawFlagKind = drawFlagSeparate;
    s.lay(5, 0);
    EXPECT_EQ(s.layout.PartsLaidOut(), 2);
    hiddenRaw->PlayAndDraw = true;
    s.lay(5, 0);
    EXPECT_EQ(s.layout.PartsLaidOut(), 1);
    EXPECT_EQ(s.layout.Pieces().size(), 5u);
}

TEST(ScorePaint, SelectedSymbolIsMarkedAndTheBackgroundHatched) {
    Score s(2);
    TMuzNote* n = s.note(0, 0, 4, 6);
    s.lay();
    auto countColour = [&](TColor c) {
        return static_cast<int>(std::count(s.canvas.Pixels().begin(), s.canvas.Pixels().end(), c));
    };
    const TColor ink = RGBColor(0, 96, 230);
    PaintScore(s.canvas, s.layout, nullptr);
    EXPECT_EQ(countColour(ink), 0);
    PaintScore(s.canvas, s.layout, n);
    EXPECT_GT(countColour(ink), 0);
    const int base = s.staves[0]->Layout.BaseY;
    EXPECT_EQ(s.canvas.GetPixel((n->Layout.LeftX + n->Layout.RightX) / 2, base), ink);

    // Dark grey hatching above the first stave's room and below the last's.
    const TColor grey = RGBColor(64, 64, 64);
    const int top = base - s.staves[0]->RoomUp;
    const int bottom = s.staves[1]->Layout.BaseY + s.staves[1]->RoomDown;
    EXPECT_GT(s.canvas.CountInColumn(700, 0, top, grey), top / 10);
    EXPECT_GT(s.canvas.CountInColumn(700, bottom, 800, grey), (800 - bottom) / 10);
    EXPECT_EQ(s.canvas.CountInColumn(700, top, bottom, grey), 0);
    // Diagonals: a line moves one pixel along x from row to row, one way
    // above the staves and the other way below them.
    auto lineAt = [&](int y) {
        int x = 700;
        while (s.canvas.GetPixel(x, y) != grey) ++x;
        return x;
    };
    EXPECT_EQ(lineAt(2), lineAt(1) + 1);
    EXPECT_EQ(lineAt(bottom + 2) % 8, (lineAt(bottom + 1) + 7) % 8);
}

TEST(ScorePaint, WithoutStavesTheWholeAreaIsHatchedVertically) {
    TUnitMuz doc;
    TScoreLayout layout(doc);
    ImageCanvas canvas(200, 100);
    LayoutAndPaintScore(canvas, layout, 5, 0, nullptr);
    const TColor grey = RGBColor(64, 64, 64);
    int full = 0;
    for (int x = 0; x < 200; ++x) full += canvas.CountInColumn(x, 0, 100, grey) == 100;
    EXPECT_EQ(full, 200 / 8);
    EXPECT_EQ(layout.TotalHeight(), 40);
}

}  // namespace
}  // namespace korvane
