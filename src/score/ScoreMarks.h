#pragma once

// The marks between and over the drawn parts: the loop marks (start and
// end repeats, with the number of passes) and the brackets over turns.
// Their places and hit areas are set by TScoreLayout::Layout (a piece each,
// the loop marks' extents from the piece's x range).
#include <vector>

#include "score/ScoreLayout.h"

namespace korvane {

// The selected symbol's ink.
inline constexpr TColor kSelectedInk = RGBColor(0, 96, 230);

struct TMarkPaint {
    Canvas& canvas;
    const TScoreLayout& layout;
    const std::vector<TNoteStave*>& staves;
    const std::vector<bool>& visible;  // per stave
    const TXTouchMuzSymbol* selected;
};

// A loop's left or right mark, or an end repeat after a turn, on every
// visible stave.
void PaintLoopMark(const TMarkPaint& p, const TScorePiece& piece);
// A bracket over the turns' child with the passes it plays in, above
// everything the turns next to it hold in the first stave.
void PaintTurns(const TMarkPaint& p, const TScorePiece& piece);

}  // namespace korvane
