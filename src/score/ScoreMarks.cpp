#include "score/ScoreMarks.h"

#include <algorithm>

#include "score/ScoreMeasures.h"

namespace korvane {

namespace {

TColor fg(const TMarkPaint& p, size_t stave) { return static_cast<TColor>(p.staves[stave]->ForegroundColor); }

}  // namespace

int LoopSymbolWidth(const TLoopPartMuz& loop, uint8_t side) {
    if (side == TLoopPartSymbol::loopSideLeft) return 13;
    return loop.Count.GetValue() < 10 ? 26 : 40;
}

void PaintLoopMark(const TMarkPaint& p, const TScorePiece& piece) {
    Canvas& canvas = p.canvas;
    const bool left = piece.Kind == TScorePiece::pieceLoopLeft;
    const TXTouchMuzSymbol* mark =
        left ? static_cast<TXTouchMuzSymbol*>(piece.Loop->GetLeftLoopSymbol()) : piece.Loop->GetRightLoopSymbol();
    for (size_t s = 0; s < p.staves.size(); ++s) {
        if (!p.visible[s]) continue;
        const int base = p.staves[s]->Layout.BaseY;
        const TColor c = mark == p.selected ? kSelectedInk : fg(p, s);
        const int x = piece.Left;
        if (piece.Plain) {
            // After the last turn the music goes on: a bar line only.
            canvas.FillRect(x + 6, base - 20, x + 7, base + 21, c);
            continue;
        }
        auto dots = [&](int cx) {
            canvas.Ellipse(cx - 2, base - 7, cx + 2, base - 3, c, c);
            canvas.Ellipse(cx - 2, base + 3, cx + 2, base + 7, c, c);
        };
        if (left) {
            canvas.FillRect(x + 2, base - 20, x + 5, base + 21, c);
            canvas.FillRect(x + 7, base - 20, x + 8, base + 21, c);
            dots(x + 11);
        } else {
            dots(x + 3);
            canvas.FillRect(x + 6, base - 20, x + 7, base + 21, c);
            canvas.FillRect(x + 9, base - 20, x + 12, base + 21, c);
            if (s == 0) {
                // The number of passes, above the first stave.
                const std::string count = "\xC3\x97" + std::to_string(piece.Loop->Count.GetValue());
                canvas.FontText(x + 13, base - 25, {kSerifFamily, p.layout.Metrics().TupletSize, false}, count, c);
            }
        }
    }
}

void PaintTurns(const TMarkPaint& p, const TScorePiece& piece) {
    Canvas& canvas = p.canvas;
    if (p.staves.empty() || !p.visible[0] || piece.Right - piece.Left < 8) return;
    std::string label;
    for (const auto& t : piece.Select->GetTurns()) label += (label.empty() ? "" : ", ") + t->Count.ToText();
    if (label.empty()) return;
    label += ".";
    const int base = p.staves[0]->Layout.BaseY;
    // Above everything the turns hold in the first stave; the brackets of
    // turns that follow one another (an end repeat may stand between them)
    // at one height, as first and second endings are.
    int from = piece.Left, to = piece.Right;
    const auto& pieces = p.layout.Pieces();
    for (bool grown = true; grown;) {
        grown = false;
        for (const TScorePiece& q : pieces) {
            if (q.Kind != TScorePiece::pieceTurns && q.Kind != TScorePiece::pieceRepeatEnd) continue;
            if (q.Right == from && q.Left < from) from = q.Left, grown = true;
            if (q.Left == to && q.Right > to) to = q.Right, grown = true;
        }
    }
    int top = -20;
    for (const TScorePiece& q : pieces)
        if (q.Kind == TScorePiece::pieceSingle && q.Left >= from && q.Right <= to) top = std::min(top, q.Layout->TopY);
    const int y = base + std::min(-38, top - 16);
    const TColor c = fg(p, 0);
    canvas.FillRect(piece.Left + 2, y, piece.Right - 3, y + 1, c);
    canvas.FillRect(piece.Left + 2, y, piece.Left + 3, y + 12, c);
    // A turn that ends in an end repeat is closed at its right, as a first
    // ending is; the last one stays open.
    for (const TScorePiece& q : pieces)
        if (q.Kind == TScorePiece::pieceRepeatEnd && q.Left == piece.Right) {
            canvas.FillRect(piece.Right - 4, y, piece.Right - 3, y + 12, c);
            break;
        }
    canvas.FontText(piece.Left + 6, y + 12, {kSerifFamily, p.layout.Metrics().TupletSize, false}, label, c);
}

}  // namespace korvane
