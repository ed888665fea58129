#include <gtest/gtest.h>

#include <string>

#include "ScoreFixture.h"
#include "music/TUnitMuz.h"
#include "score/ScoreHit.h"
#include "score/ScoreLayout.h"

namespace korvane {
namespace {

using namespace scoretest;

TEST(ScoreClick, NearestSymbolPrefersTheCloserAndTheFirstOnTies) {
    Score s;
    s.staves[0]->Layout.BaseY = 100;
    TMuzNote* a = s.note(0, 0, 4, 6);
    TMuzNote* b = s.note(0, 0.25, 4, 8);
    a->Layout = {10, 20}, a->NoteLayout.DrawnHeight = 0;
    b->Layout = {30, 40}, b->NoteLayout.DrawnHeight = 2;
    s.key(0)->Layout = {0, 5};
    s.part->GetMuzBar()->Layout = {500, 520};
    EXPECT_EQ(NearestSymbol(s.doc, 35, 90).Symbol, b);
    EXPECT_EQ(NearestSymbol(s.doc, 25, 100).Symbol, a);
    // The same sideways distance from both heads (5 pixels), no height
    // apart: the first in the list wins.
    b->NoteLayout.DrawnHeight = 0;
    const TNearestSymbol tie = NearestSymbol(s.doc, 25, 100);
    EXPECT_EQ(tie.Symbol, a);
    EXPECT_DOUBLE_EQ(tie.Score, 12.5 * 12.5);
}

TEST(ScoreClick, ScoresAndTheReachOfAPress) {
    Score s;
    s.staves[0]->Layout.BaseY = 100;
    TMuzNote* n = s.note(0, 0, 4, 6);
    TSilence* r = s.silence(0, 0.25, 4);
    n->Layout = {1000, 1010}, n->NoteLayout.DrawnHeight = 3;  // its head 15 above the middle line
    r->Layout = {2000, 2010};
    s.key(0)->Layout = {3000, 3010};
    TMuzBar* bar = s.part->GetMuzBar();
    bar->Layout = {500, 520};
    struct Case {
        int x, y;
        const TXTouchMuzSymbol* nearest;
        double score;
        bool inReach;
    } cases[] = {
        {510, 0, bar, 0, true},              // a bar counts only sideways
        {530, 100, bar, 120.0 * 120, true},  // 10 pixels off: (12 * 10)^2
        {531, 100, bar, 132.0 * 132, false},
        {1005, 85, n, 0, true},    // on the head
        {1005, 95, n, 100, true},  // 10 below it
        {1012, 85, n, 25, true},   // 2 beside it: (2.5 * 2)^2
        {2005, 110, r, 0, true},   // a rest reaches 10 either side of the middle line
        {2005, 115, r, 25, true},
        {2015, 100, r, 12.5 * 12.5, true},
        {3005, 115, s.key(0), 0, true},  // a key 15
        {3005, 80, s.key(0), 25, true},
    };
    for (const Case& c : cases) {
        const std::string where = std::to_string(c.x) + "," + std::to_string(c.y);
        const TNearestSymbol nearest = NearestSymbol(s.doc, c.x, c.y);
        EXPECT_EQ(nearest.Symbol, c.nearest) << where;
        EXPECT_DOUBLE_EQ(nearest.Score, c.score) << where;
        EXPECT_EQ(SymbolNear(s.doc, c.x, c.y), c.inReach ? c.nearest : nullptr) << where;
    }
    // A part that is not drawn offers nothing.
    s.part->PlayAndDraw = false;
    EXPECT_EQ(NearestSymbol(s.doc, 510, 0).Symbol, nullptr);
}

TEST(ScoreClick, ResolveClickTellsWhatAPressHit) {
    Score s(2);
    TMuzNote* a = s.note(0, 0, 4, 6);
    TSilence* r = s.silence(0, 0.25, 4);
    TMuzNote* b = s.note(0, 0.5, 4, 8);
    s.lay(5, 0);
    TKey* key = s.key(0);
    TMuzBar* bar = s.part->GetMuzBar();
    TNoteStave* first = s.staves[0];
    TNoteStave* second = s.staves[1];
    const int base = first->Layout.BaseY;
    const int headA = base - 5 * a->NoteLayout.DrawnHeight;
    const int headB = base - 5 * b->NoteLayout.DrawnHeight;
    ASSERT_GT(r->Layout.LeftX - a->Layout.RightX, 4);  // room between them
    const int between = a->Layout.RightX + 2;
    const int onA = a->Layout.LeftX + 1;
    const int border = base + first->RoomDown;
    const int below = second->Layout.BaseY + second->RoomDown + 10;
    // The bar is hit where its time signature stands, after the key.
    const int barX = (bar->Layout.LeftX + bar->Layout.RightX) / 2;
    ASSERT_GT(barX, key->Layout.RightX);
    ASSERT_LT(barX, a->Layout.LeftX);
    const int emptyX = b->Layout.RightX + 200;

    constexpr auto L = TPressButton::Left, R = TPressButton::Right, M = TPressButton::Other;
    constexpr auto none = TPressHit::TKind::Nothing, drag = TPressHit::TKind::StaveBorder,
                   click = TPressHit::TKind::Click;
    const uint8_t add = unitMuzAdd, sel = unitMuzSel, del = unitMuzDel;
    struct Case {
        const char* what;
        uint8_t mode, insert;
        int x, y;
        TPressButton button;
        TPressHit::TKind kind;
        TNoteStave* border;
        // The click's fields.
        TNoteStave* stave;
        int height;
        TMuzNote* note;
        TSilence* silence;
        TStaveSymbol* after;
        TSinglePartMuz* part;
        TXTouchMuzSymbol* nearest;
    } cases[] = {
        {"add: on a head", add, insertModeNote, onA, headA, L, click, nullptr,  //
         first, a->NoteLayout.DrawnHeight, a, nullptr, key, s.part, nullptr},
        {"add: on a rest", add, insertModeSilence, r->Layout.RightX - 1, base, L, click, nullptr,  //
         first, 0, nullptr, r, r, s.part, nullptr},
        {"add: between two symbols", add, insertModeNote, between, base - 12, L, click, nullptr,  //
         first, 2, nullptr, nullptr, a, s.part, nullptr},
        {"add: on the bar", add, insertModeKey, barX, base, L, click, nullptr,  //
         first, 0, nullptr, nullptr, key, s.part, nullptr},
        {"add: right of everything", add, insertModeNote, emptyX, base + 5, L, click, nullptr,  //
         first, -1, nullptr, nullptr, b, s.part, nullptr},
        {"add: in the second stave", add, insertModeNote, between, second->Layout.BaseY + 7, L, click, nullptr, second,
         -1, nullptr, nullptr, s.key(1), s.part, nullptr},
        {"add: below the last stave", add, insertModeNote, between, below, L, none, nullptr,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"add: right button", add, insertModeNote, onA, headA, R, none, nullptr,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"add: a note shift goes to the nearest", add, insertModeNoteShift, onA, headA, L, click, nullptr,  //
         first, a->NoteLayout.DrawnHeight, nullptr, nullptr, nullptr, nullptr, a},
        {"select: on a head", sel, insertModeNote, onA, headA + 4, L, click, nullptr,  //
         first, a->NoteLayout.DrawnHeight - 1, nullptr, nullptr, nullptr, nullptr, a},
        {"select: on the other head", sel, insertModeNote, b->Layout.LeftX + 1, headB, L, click, nullptr,  //
         first, b->NoteLayout.DrawnHeight, nullptr, nullptr, nullptr, nullptr, b},
        {"select: the bar", sel, insertModeNote, barX, base - 70, L, click, nullptr,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, bar},
        {"select: empty space", sel, insertModeNote, emptyX, base, L, click, nullptr,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"delete: on a head", del, insertModeNote, onA, headA, L, click, nullptr,  //
         first, a->NoteLayout.DrawnHeight, nullptr, nullptr, nullptr, nullptr, a},
        {"a left press on a border", sel, insertModeNote, onA, border, L, drag, first,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"a right press on a border", add, insertModeNote, onA, border - 3, R, drag, first,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"the middle button on a border", add, insertModeNote, onA, border, M, none, nullptr,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
        {"the middle button on a head", sel, insertModeNote, onA, headA, M, none, nullptr,  //
         nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        s.doc.UnitMuzMode = c.mode;
        s.doc.InsertModeKind = c.insert;
        const TPressHit hit = ResolveClick(s.layout, {c.x, c.y, c.button});
        EXPECT_EQ(hit.Kind, c.kind) << c.what;
        EXPECT_EQ(hit.Border, c.border) << c.what;
        if (hit.Kind != TPressHit::TKind::Click) continue;
        EXPECT_EQ(hit.Click.Stave, c.stave) << c.what;
        EXPECT_EQ(hit.Click.Height, c.height) << c.what;
        EXPECT_EQ(hit.Click.NoteHit, c.note) << c.what;
        EXPECT_EQ(hit.Click.SilenceHit, c.silence) << c.what;
        EXPECT_EQ(hit.Click.After, c.after) << c.what;
        EXPECT_EQ(hit.Click.Part, c.part) << c.what;
        EXPECT_EQ(hit.Click.Nearest, c.nearest) << c.what;
    }
}

}  // namespace
}  // namespace korvane
