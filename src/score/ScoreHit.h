#pragma once

#include <cstdint>

#include "music/MusicEdit.h"
#include "music/TUnitMuz.h"
#include "score/ScoreLayout.h"

namespace korvane {

// What the music window asks of the laid-out score: plain functions of the
// layout results (the stave base lines and the symbols' drawn extents that
// the last Layout wrote), in window pixels.

// The stave whose room (base - room up .. base + room down) holds y; none
// above the first or below the last.
TNoteStave* StaveAtY(const TUnitMuz& unitMuz, int y);
// The stave height a click at y means: halves of a 5-pixel step round away
// from the middle line.
int ClickedHeight(int baseY, int y);
// The stave whose bottom border (base + room down) a press at y drags: y
// from 3 pixels above the border to 2 below it; none elsewhere.
TNoteStave* StaveBorderAtY(const TUnitMuz& unitMuz, int y);

// The first note (silence) of the stave in the drawn parts whose drawn
// extent holds x.
TMuzNote* NoteHit(const TScoreLayout& layout, const TNoteStave* stave, int x);
TSilence* SilenceHit(const TScoreLayout& layout, const TNoteStave* stave, int x);
// The symbol a click at x inserts after: walking the stave's symbols of the
// drawn parts in list order, the one passed before the first whose middle
// lies right of x, or the last one. None when x lies before the first.
TStaveSymbol* InsertionPoint(const TScoreLayout& layout, const TNoteStave* stave, int x);

// ---- the symbol nearest the mouse ----
// Pixels from x to the symbol's drawn extent; 0 inside it.
int HorizontalDistance(const TXTouchMuzSymbol& symbol, int x);
// Pixels from y to the stave symbol as drawn; 0 inside it: a note's head
// (its drawn height), a rest 10 and a key 15 pixels either side of the
// middle line.
int VerticalDistance(const TStaveSymbol& symbol, int y);

// The best symbol offered so far: the lowest score, the first on ties.
struct TNearestSymbol {
    TXTouchMuzSymbol* Symbol = nullptr;
    double Score = 0;
    void Offer(TXTouchMuzSymbol* symbol, double score);
};
// The stave symbols, bars and loop marks of the drawn parts scored for a
// point, offered in the order of the part tree (a loop's left mark, its
// part, its right mark; a single part's bar, then its symbols in list
// order). A stave symbol scores (2.5 dx)^2 + dy^2, a bar or loop mark
// (12 dx)^2: those are tall, so only the sideways distance counts, and
// more.
TNearestSymbol NearestSymbol(const TUnitMuz& unitMuz, int x, int y);
// A press selects or deletes the nearest symbol only this close.
constexpr double kNearestLimit = 15000;
// The nearest symbol when its score is within kNearestLimit; none otherwise.
TXTouchMuzSymbol* SymbolNear(const TUnitMuz& unitMuz, int x, int y);

// ---- a mouse press ----
enum class TPressButton : uint8_t { Left, Right, Other };
// A press in the window's client, in the pixels the score was laid out in.
struct TScorePress {
    int X = 0;
    int Y = 0;
    TPressButton Button = TPressButton::Left;
};
// What a press hit.
struct TPressHit {
    enum class TKind : uint8_t {
        Nothing,      // the press does nothing
        StaveBorder,  // either button on a stave's bottom border: drag it
        Click,        // a left click: ClickScore with Click
    };
    TKind Kind = TKind::Nothing;
    TNoteStave* Border = nullptr;
    TScoreClick Click;
};
// Resolves a press on the laid-out score. A left or right press on a stave
// border drags it; otherwise only the left button clicks. In add mode
// (other than note shifts) the click goes into the stave under it: the
// clicked height, the note and silence hit there, the insertion point and
// the first drawn part; below the last stave it is nothing. In the other
// modes it is the symbol near it (none when too far), with its stave and
// the clicked height when it is a stave symbol.
TPressHit ResolveClick(const TScoreLayout& layout, const TScorePress& press);

// The rows to keep in view when a symbol is selected: a note's head +-10
// pixels, any other stave symbol its stave's base +-25. A bar or a loop
// mark has none (Scrolls false).
struct TVerticalExtent {
    int Top = 0;
    int Bottom = 0;
    bool Scrolls = false;
};
TVerticalExtent SymbolVerticalExtent(const TXTouchMuzSymbol& symbol);

// The n-th symbol (from 1, keys included, in list order) of stave s (from
// 1) over all single parts in their in-order; none when there is no such.
TStaveSymbol* NthSymbolOfStave(const TUnitMuz& unitMuz, int s, int n);

}  // namespace korvane
