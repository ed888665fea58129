#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "ScoreFixture.h"
#include "score/LayoutDump.h"
#include "score/ScoreMeasures.h"
#include "score/ScoreHit.h"
#include "score/TimeGrid.h"

namespace korvane {
namespace {

using namespace scoretest;

const TPartLayout::TAnchor* anchorOf(const TPartLayout& pl, const TXTouchMuzSymbol* s) {
    for (const auto& a : pl.Anchors)
        if (a.Symbol == s) return &a;
    return nullptr;
}

int xOf(const Score& s, const TXTouchMuzSymbol* sym) {
    const auto* a = anchorOf(s.laid(), sym);
    EXPECT_NE(a, nullptr);
    return a ? a->X : -1;
}

TMuzNote* articulated(Score& s, double pos, int len, int pitch, uint8_t art, uint8_t stick) {
    TNoteStave* st = s.staves[0];
    auto n = std::make_unique<TMuzNote>(st->SelectedNoteGroup, &s.doc, st, pos, s.part, static_cast<int8_t>(len), 0,
                                        sool, 0, pitch, noteShiftNormal, art, stick);
    TMuzNote* raw = n.get();
    std::unique_ptr<TStaveSymbol> sym = std::move(n);
    EXPECT_TRUE(s.part->InsertSymbol(sym));
    return raw;
}

TEST(Engraving, OneColumnPerOnsetOverAllStavesInTimeOrder) {
    Score s(3);
    // Stave 1: a triplet of eighths, then a quarter; stave 2: two eighths,
    // then a quarter; stave 3: a half note.
    std::vector<TMuzNote*> notes;
    for (int i = 0; i < 3; ++i) notes.push_back(s.note(0, 0, 4, 6 + i, noteShiftNormal, 0, 3, i));
    notes.push_back(s.note(0, 0.25, 4, 6));
    notes.push_back(s.note(1, 0, 8, 4));
    notes.push_back(s.note(1, 0.125, 8, 5));
    notes.push_back(s.note(1, 0.25, 4, 6));
    notes.push_back(s.note(2, 0, 2, 2));
    s.lay();
    const TPartLayout& pl = s.laid();
    std::map<double, std::vector<int>> byOnset;
    for (const auto& a : pl.Anchors)
        if (static_cast<const TStaveSymbol*>(a.Symbol)->GetStaveSymbolKind() == staveSymbolNote)
            byOnset[std::round(a.Onset * 960) / 960].push_back(a.X);
    // 0, 1/12, 1/8, 1/6, 1/4: five columns, each with one x.
    ASSERT_EQ(byOnset.size(), 5u);
    int last = -1;
    for (const auto& [onset, xs] : byOnset) {
        EXPECT_EQ(*std::min_element(xs.begin(), xs.end()), *std::max_element(xs.begin(), xs.end())) << onset;
        EXPECT_GT(xs.front(), last) << onset;
        last = xs.front();
    }
    EXPECT_EQ(xOf(s, notes[0]), xOf(s, notes[7]));  // the half note stands with the bar's first heads
    EXPECT_EQ(xOf(s, notes[3]), xOf(s, notes[6]));
}

TEST(Engraving, RoomGrowsWithDuration) {
    // Per doubling of the time to the next head about 40 % more room.
    EXPECT_EQ(IdealGap(1.0 / 16, 1.0 / 16), 24);
    for (double d : {1.0 / 16, 1.0 / 8, 1.0 / 4, 1.0 / 2}) {
        const double ratio = double(IdealGap(2 * d, 1.0 / 16)) / IdealGap(d, 1.0 / 16);
        EXPECT_NEAR(ratio, 1.41, 0.03) << d;
    }
    EXPECT_EQ(ClampedShortest(1.0 / 64), 1.0 / 32);
    EXPECT_EQ(ClampedShortest(1.0), 1.0 / 8);

    Score s;
    TMuzNote* half = s.note(0, 0, 2, 6);
    TMuzNote* quarter = s.note(0, 0.5, 4, 6);
    TMuzNote* eighth = s.note(0, 0.75, 8, 6);
    TMuzNote* next = s.note(0, 0.875, 8, 6);
    TMuzNote* sixteenth = s.note(0, 1, 16, 6);
    s.note(0, 1.0625, 16, 6);
    s.lay();
    const double afterHalf = xOf(s, quarter) - xOf(s, half);
    const double afterQuarter = xOf(s, eighth) - xOf(s, quarter);
    const double afterEighth = xOf(s, next) - xOf(s, eighth);
    EXPECT_GE(afterHalf / afterQuarter, 1.2);
    EXPECT_LE(afterHalf / afterQuarter, 1.6);
    EXPECT_GE(afterQuarter / afterEighth, 1.2);
    EXPECT_GE(afterHalf / afterEighth, 1.7);  // a half stands about twice as wide as an eighth
    EXPECT_LE(afterHalf / afterEighth, 2.4);
    // The first head after a bar line stands at least a staff space clear.
    const std::vector<int> lines = barLinesOf(s.laid(), 0);
    ASSERT_FALSE(lines.empty());
    EXPECT_GE(xOf(s, sixteenth) - lines.front(), 10);
}

TEST(Engraving, AnAccidentalInOneStaveWidensEveryStave) {
    auto gaps = [](uint8_t shift) {
        Score s(2);
        TMuzNote* a[2][2];
        for (int st = 0; st < 2; ++st) {
            a[st][0] = s.note(st, 0, 4, 6);
            a[st][1] = s.note(st, 0.25, 4, 6, st == 1 ? shift : uint8_t(noteShiftNormal));
        }
        s.lay();
        EXPECT_EQ(xOf(s, a[0][1]), xOf(s, a[1][1]));
        return std::make_pair(xOf(s, a[0][1]) - xOf(s, a[0][0]), xOf(s, a[1][1]) - xOf(s, a[1][0]));
    };
    const auto plain = gaps(noteShiftNormal), sharp = gaps(noteShiftKruis);
    EXPECT_EQ(sharp.first, plain.first + AccidentalWidth(noteShiftKruis) + 2);
    EXPECT_EQ(sharp.second, sharp.first);
}

TEST(Engraving, EveryDottedHeadOfAChordGetsADotInASpace) {
    // Heights (G key: pitch - 6) of dotted chords with seconds.
    const std::vector<std::vector<int>> chords = {{0, 1}, {-1, 0}, {0, 1, 2}, {3, 4, 6}, {-4, -3, -2, -1}};
    for (const auto& heights : chords) {
        Score s;
        std::vector<TMuzNote*> notes;
        for (int h : heights) notes.push_back(s.note(0, 0, 4, h + 6, noteShiftNormal, 1));
        s.lay();
        std::vector<int> dotYs;
        for (TMuzNote* n : notes) {
            const auto dots = itemsOf(s.laid(), n, TScoreItem::itemDot);
            ASSERT_EQ(dots.size(), 1u) << heights.size();
            const int cy = dots[0]->Y0 + (dots[0]->Y1 - dots[0]->Y0) / 2;
            EXPECT_EQ(((cy % 10) + 10) % 10, 5) << cy;  // in a space
            dotYs.push_back(cy);
        }
        std::sort(dotYs.begin(), dotYs.end());
        EXPECT_EQ(std::adjacent_find(dotYs.begin(), dotYs.end()), dotYs.end());
    }
}

TEST(Engraving, ArticulationsSitInASpaceAwayFromTheStem) {
    for (uint8_t stick : {uint8_t(noteStickUp), uint8_t(noteStickDown)})
        for (int h = -9; h <= 9; ++h) {
            Score s;
            TMuzNote* n = articulated(s, 0, 4, h + 6, noteArtStaccato, stick);
            s.lay();
            const auto dots = itemsOf(s.laid(), n, TScoreItem::itemDot);
            ASSERT_EQ(dots.size(), 1u);
            const int cy = dots[0]->Y0 + (dots[0]->Y1 - dots[0]->Y0) / 2, head = -5 * h;
            // Below the head when the stem goes up, above when it goes down.
            if (stick == noteStickUp) {
                EXPECT_GE(cy, head + 8) << h;
            } else {
                EXPECT_LE(cy, head - 8) << h;
            }
            for (int line = -20; line <= 20; line += 10) EXPECT_GE(std::abs(cy - line), 4) << h << " " << cy;
        }
}

TEST(Engraving, TheLayoutDumpHasALinePerSymbolAndBarLine) {
    Score s(2);
    TMuzNote* a = s.note(0, 0, 2, 6);
    s.note(0, 0.5, 2, 6);
    TSilence* r = s.silence(1, 0, 1);
    s.note(0, 1, 1, 7, noteShiftKruis);
    s.lay(5 - 40, 0);  // scrolled: the dump is not
    std::istringstream dump(ScoreLayoutDump(s.layout));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(dump, line);) {
        std::vector<std::string> fields;
        std::istringstream f(line);
        for (std::string v; std::getline(f, v, '\t');) fields.push_back(v);
        ASSERT_EQ(fields.size(), 9u) << line;
        rows.push_back(fields);
    }
    std::vector<std::string> kinds;
    for (const auto& r : rows) kinds.push_back(r[1] + r[2] + r[3]);
    // In list order: the keys, the first bar, its line, the second bar, its
    // closing line.
    EXPECT_EQ(kinds, (std::vector<std::string>{"21key", "11key", "22silence", "12note", "13note", "01bar", "14note",
                                               "02bar"}));
    for (const auto& r : rows) EXPECT_EQ(r[0], "1");
    EXPECT_EQ(rows[3][4], "0");
    EXPECT_EQ(rows[4][4], "0.5");
    EXPECT_EQ(rows[7][4], "2");
    EXPECT_EQ(std::stoi(rows[3][5]), a->Layout.LeftX + 40);
    EXPECT_EQ(std::stoi(rows[3][6]), a->Layout.LeftX + 40);
    EXPECT_EQ(std::stoi(rows[3][7]), a->Layout.RightX + 40);
    EXPECT_EQ(std::stoi(rows[3][8]), s.staves[0]->Layout.BaseY);
    // The whole-bar rest is drawn centred but reported at its column.
    EXPECT_EQ(rows[2][5], rows[3][5]);
    EXPECT_EQ(std::stoi(rows[2][6]), r->Layout.LeftX + 40);
    EXPECT_GT(r->Layout.LeftX + 40, std::stoi(rows[3][5]) + 10);
    // Notes stand clear of the bar line before them.
    EXPECT_GE(std::stoi(rows[6][6]) - std::stoi(rows[5][5]), 10);
}

// root: concat(first, loop(concat(body, concat(turns 1, turns 2)))).
struct Endings : Score {
    TSinglePartMuz *body = nullptr, *one = nullptr, *two = nullptr;
    TSelectPartMuz *turn1 = nullptr, *turn2 = nullptr;
    TLoopPartMuz* loop = nullptr;
    std::unique_ptr<TSinglePartMuz> makePart() {
        auto p = std::make_unique<TSinglePartMuz>(&doc);
        new TMuzBar(p.get(), 4, 4, 0);
        p->AddStave(staves[0]);
        return p;
    }
    Endings() {
        auto b = makePart(), o = makePart(), t = makePart();
        body = b.get(), one = o.get(), two = t.get();
        auto s1 = std::make_unique<TSelectPartMuz>(&doc, std::move(o));
        auto s2 = std::make_unique<TSelectPartMuz>(&doc, std::move(t));
        turn1 = s1.get(), turn2 = s2.get();
        turn1->AppendTurn(1, 0);
        turn2->AppendTurn(2, 0);
        auto turnsPair = std::make_unique<TConcatPartMuz>(&doc, std::move(s1), std::move(s2));
        auto l = std::make_unique<TLoopPartMuz>(&doc, std::make_unique<TConcatPartMuz>(&doc, std::move(b), std::move(turnsPair)), 2);
        loop = l.get();
        TPartMuz* oldParent = nullptr;
        std::unique_ptr<TPartMuz> head = part->Detach(oldParent);
        doc.GetStartPart()->SetPartMuz(std::make_unique<TConcatPartMuz>(&doc, std::move(head), std::move(l)));
        for (TSinglePartMuz* p : {part, body, one, two}) note(0, 0, 1, 6, noteShiftNormal, 0, sool, 0, noteStickGroup, p);
    }
};

TEST(Engraving, AKeyThatRestatesThePartBeforeKeepsOnlyItsHitArea) {
    Endings s;
    // The body changes the signature and the first turn changes it back: both
    // are drawn; the second turn restates the first.
    TKey* bodyKey = static_cast<TKey*>(s.body->FirstSymbolOfStave(s.staves[0]));
    bodyKey->SetNoteShift(bodyKey->PitchToHeight(3), noteShiftKruis);
    s.lay();
    for (TSinglePartMuz* p : {s.part, s.body, s.one, s.two}) {
        const TKey* key = static_cast<TKey*>(p->FirstSymbolOfStave(s.staves[0]));
        const TPartLayout* pl = nullptr;
        for (const auto& piece : s.layout.Pieces())
            if (piece.Single == p) pl = piece.Layout;
        ASSERT_NE(pl, nullptr);
        const bool drawn = p == s.part || p == s.body || p == s.one;
        EXPECT_EQ(itemsOf(*pl, key, TScoreItem::itemGlyph).empty(), !drawn);
        EXPECT_EQ(itemsOf(*pl, p->GetMuzBar(), TScoreItem::itemText).empty(), p != s.part);
        // Either way it can be clicked where the part starts.
        EXPECT_GT(key->Layout.RightX, key->Layout.LeftX);
        EXPECT_EQ(InsertionPoint(s.layout, s.staves[0], key->Layout.RightX), key);
        const TMuzNote* first = static_cast<const TMuzNote*>(key->Next);
        EXPECT_GT(first->Layout.LeftX, key->Layout.RightX);
    }
    // Changing the key before re-lays out the parts after it.
    bodyKey->SetNoteShift(bodyKey->PitchToHeight(3), noteShiftNormal);
    s.lay();
    EXPECT_EQ(s.layout.PartsLaidOut(), 2);  // the body, and the first turn after it
}

TEST(Engraving, AnEndRepeatClosesEveryTurnButTheLast) {
    Endings s;
    s.lay();
    std::vector<uint8_t> kinds;
    for (const auto& piece : s.layout.Pieces()) kinds.push_back(piece.Kind);
    using P = TScorePiece;
    EXPECT_EQ(kinds, (std::vector<uint8_t>{P::pieceSingle, P::pieceLoopLeft, P::pieceSingle, P::pieceTurns,
                                           P::pieceSingle, P::pieceRepeatEnd, P::pieceTurns, P::pieceSingle,
                                           P::pieceLoopRight}));
    const auto& pieces = s.layout.Pieces();
    // A loop mark stands for the closing bar line of the part before it,
    // which is not painted.
    for (size_t i : {0, 2, 4, 7}) {
        EXPECT_EQ(pieces[i].Layout->ClosingEnd - pieces[i].Layout->ClosingBegin, 1u) << i;
        EXPECT_EQ(pieces[i].MarkAfter, i != 2) << i;
    }
    EXPECT_EQ(pieces[5].Left, pieces[4].Right);
    EXPECT_EQ(pieces[5].Loop, s.loop);
    EXPECT_TRUE(pieces[8].Plain);
    EXPECT_FALSE(pieces[1].Plain);
    // The loop's own marks keep their hit areas.
    EXPECT_EQ(s.loop->GetRightLoopSymbol()->Layout.LeftX, pieces[8].Left);
    EXPECT_GT(s.loop->GetRightLoopSymbol()->Layout.RightX, pieces[8].Left);
    // One turn alone closes nothing early.
    s.turn2->PlayAndDraw = false;
    s.lay();
    int ends = 0;
    for (const auto& piece : s.layout.Pieces()) ends += piece.Kind == P::pieceRepeatEnd;
    EXPECT_EQ(ends, 0);
}


// The head glyphs of a note (every piece of it) by x.
std::vector<int> headsOf(const TPartLayout& pl, const TMuzNote* n) {
    std::vector<int> xs;
    for (const TScoreItem* it : itemsOf(pl, n, TScoreItem::itemGlyph)) {
        const auto code = static_cast<char32_t>(it->X1);
        if (code == glyph::BlackHead || code == glyph::VoidHead || code == glyph::WholeNote) xs.push_back(it->X0);
    }
    std::sort(xs.begin(), xs.end());
    return xs;
}

TEST(Engraving, ATieDoesNotCrossAnEmptyHalfBar) {
    // A note carried over the bar line is drawn in tied pieces; one that
    // starts after the bar line and before the middle of a bar of two
    // halves gets a head at the middle too.
    struct Case {
        int count;
        double pos;
        int len;
        int points;
        std::vector<double> heads;  // the onsets of its pieces
    } cases[] = {
        {4, 0.25, 1, 0, {0.25, 0.5, 1.0}},        // quarter + half, tied on
        {4, 0.125, 1, 0, {0.125, 0.5, 1.0}},      // dotted quarter + half
        {4, 0.0, 1, 1, {0.0, 1.0}},               // from the bar line: a whole
        {4, 0.5, 1, 0, {0.5, 1.0}},               // from the middle: a half
        {4, 0.25, 2, 0, {0.25}},                  // ends before the middle
        {3, 0.25, 1, 0, {0.25, 0.75}},            // 3/4 has no middle
        {2, 0.125, 2, 1, {0.125, 0.25, 0.5}},     // 2/4: the middle is the second beat
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << "/4 at " << c.pos);
        Score s(2);
        s.part->GetMuzBar()->SetBar(4, c.count, 0);
        TMuzNote* n = s.note(0, c.pos, c.len, 2, noteShiftNormal, c.points);
        // A note in the other stave at every onset asked, to read the columns.
        std::map<double, TMuzNote*> marks;
        for (double t : c.heads) marks[t] = s.note(1, t, 16, 0);
        s.lay();
        const TPartLayout& pl = s.laid();
        const int left = s.layout.Metrics().BlackHead.Left;
        std::vector<int> expected;
        for (double t : c.heads) expected.push_back(xOf(s, marks[t]) - left);
        EXPECT_EQ(headsOf(pl, n), expected);
        // One tie between each two pieces (a tie has 30 points, a flag fewer).
        size_t ties = 0;
        for (const TScoreItem* it : itemsOf(pl, n, TScoreItem::itemShape)) ties += it->X1 == 30;
        EXPECT_EQ(ties, c.heads.size() - 1);
    }
}

TEST(Engraving, TupletNumbersStandAboveEverythingUnderThem) {
    // A triplet of eighths beamed as one group, with a staccato on its
    // middle note (above the head when the stems point down) and a sharp
    // on its last.
    struct Case {
        uint8_t stick;
        int pitch;
        bool bracket;
    } cases[] = {
        {noteStickDown, 9, true},    // high: a number under the beam would sit among the lines
        {noteStickDown, -4, true},   // low, stems down all the same
        {noteStickUp, -4, false},    // beyond the beam
        {noteStickUp, 9, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stick " << int(c.stick) << " pitch " << c.pitch);
        Score s;
        std::vector<TMuzNote*> notes;
        for (int i = 0; i < 3; ++i)
            notes.push_back(s.note(0, 0, 4, c.pitch + i, i == 2 ? noteShiftKruis : noteShiftNormal, 0, 3, i, c.stick));
        notes[1]->SetNoteArtKind(noteArtStaccato);
        s.note(0, 0.25, 4, c.pitch);
        s.lay();
        const TPartLayout& pl = s.laid();
        const TScoreItem* number = nullptr;
        for (const auto& it : pl.Items)
            if (it.Kind == TScoreItem::itemText && pl.Texts[it.X1] == "3") number = &it;
        ASSERT_NE(number, nullptr);
        const TGlyphBox box = s.canvas.MeasureText({kSerifFamily, number->Y1, false}, "3");
        const int numberBottom = number->Y0 + box.Bottom;
        const int left = xOf(s, notes[0]), right = xOf(s, notes[2]) + s.layout.Metrics().BlackHead.Right;
        // Every head, stem, beam, dot and accidental of the group lies below
        // the number (a bracket also stands above the stave).
        int highest = c.bracket ? -20 : 1 << 20;
        for (const auto& it : pl.Items) {
            if (&it == number || (it.Owner == nullptr && it.Kind != TScoreItem::itemShape)) continue;
            int top = it.Y0, l = it.X0, r = it.X1;
            if (it.Kind == TScoreItem::itemGlyph) top = it.Y0 + s.layout.Metrics().BlackHead.Top, r = l + 1;
            if (it.Kind == TScoreItem::itemShape) {
                l = 1 << 20, r = -l, top = l;
                for (int k = 0; k < it.X1; ++k) {
                    const auto& pt = pl.Points[it.X0 + k];
                    l = std::min(l, int(std::floor(pt.x))), r = std::max(r, int(std::ceil(pt.x)));
                    top = std::min(top, int(std::floor(pt.y)));
                }
            }
            if (r >= left && l <= right) highest = std::min(highest, top);
        }
        EXPECT_LT(numberBottom, highest);
        // A bracket (its two hooks) where the number stands on the heads' side.
        int hooks = 0;
        for (const auto& it : pl.Items)
            hooks += it.Kind == TScoreItem::itemRect && it.Owner == nullptr && it.Y1 - it.Y0 == 5 && it.X1 - it.X0 == 1;
        EXPECT_EQ(hooks, c.bracket ? 2 : 0);
    }
}

TEST(Engraving, ASilenceAloneInItsBarIsAWholeRestInTheMiddle) {
    struct Case {
        int count, unit;
        int len, points;
        bool whole;
    } cases[] = {{3, 4, 2, 1, true}, {6, 8, 2, 1, true}, {2, 4, 2, 0, true}, {4, 4, 1, 0, true}, {4, 4, 2, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << "/" << c.unit << ", 1/" << c.len << " with " << c.points << " points");
        Score s;
        s.part->GetMuzBar()->SetBar(static_cast<int8_t>(c.unit), c.count, 0);
        TSilence* rest = s.silence(0, 0, c.len, c.points);
        s.lay();
        const auto glyphs = itemsOf(s.laid(), rest, TScoreItem::itemGlyph);
        ASSERT_EQ(glyphs.size(), 1u);
        EXPECT_EQ(static_cast<char32_t>(glyphs[0]->X1), c.whole ? glyph::Rest[0] : glyph::Rest[LengthIndex(c.len)]);
        EXPECT_EQ(itemsOf(s.laid(), rest, TScoreItem::itemDot).size(), c.whole ? 0u : size_t(c.points));
        if (c.whole) {
            const std::vector<int> lines = barLinesOf(s.laid(), 0);
            ASSERT_EQ(lines.size(), 1u);
            const int middle = (rest->Layout.LeftX + rest->Layout.RightX) / 2 - s.layout.Pieces()[0].Left;
            EXPECT_NEAR(middle, (lines[0] + anchorOf(s.laid(), rest)->X) / 2, 12);
        }
    }
}

TEST(Engraving, ALongBeamRisesAStaffSpaceAndAHalfAtMost) {
    // Eight thirty-seconds up an octave, spaced by duration; two eighths a
    // fourth apart keep their slant.
    Score s;
    for (int i = 0; i < 8; ++i) s.note(0, i / 32.0, 32, 2 + i);
    s.note(0, 0.5, 8, 2);
    s.note(0, 0.625, 8, 5);
    s.lay();
    std::vector<double> rises;
    for (const auto& it : s.laid().Items)
        if (it.Kind == TScoreItem::itemShape && it.Owner == nullptr && it.Stave == 0) {
            const auto& a = s.laid().Points[it.X0];
            const auto& b = s.laid().Points[it.X0 + 1];
            rises.push_back(std::fabs(b.y - a.y));
            EXPECT_GT(b.x - a.x, 0);
        }
    ASSERT_GE(rises.size(), 2u);
    EXPECT_LE(rises.front(), 15.5);  // the long run (its first beam, one pixel past the last stem)
    EXPECT_GT(rises.front(), 10.0);
    EXPECT_GT(rises.back(), 2.0);  // the eighths still slant
}

}  // namespace
}  // namespace korvane
