#pragma once

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
