#include <algorithm>
#include <cmath>

#include "music/NotePlayers.h"
#include "score/ScoreHit.h"
#include "score/ScoreLayout.h"
#include "score/ScoreMarks.h"
#include "score/ScoreMeasures.h"

namespace korvane {

namespace {

constexpr TColor kHatchLines = RGBColor(64, 64, 64);
constexpr TColor kHatchGaps = RGBColor(212, 208, 200);
// The selected symbol is drawn in kSelectedInk over a light box.
constexpr TColor kSelectedBox = RGBColor(214, 230, 255);

TColor quarterWay(TColor from, TColor to) {
    auto c = [](int a, int b) { return a + (b - a) / 4; };
    return RGBColor(c(RedOf(from), RedOf(to)), c(GreenOf(from), GreenOf(to)), c(BlueOf(from), BlueOf(to)));
}

struct TPainter {
    Canvas& canvas;
    const TScoreLayout& layout;
    const TXTouchMuzSymbol* selected;
    std::vector<TNoteStave*> staves;
    std::vector<bool> visible;
    std::vector<TCanvasPointF> points;

    TColor fg(int stave) const { return static_cast<TColor>(staves[stave]->ForegroundColor); }

    void item(const TPartLayout& pl, const TScoreItem& it, int left) {
        if (!visible[it.Stave]) return;
        const int base = staves[it.Stave]->Layout.BaseY;
        TColor colour = it.ColourNote ? static_cast<TColor>(it.ColourNote->GetNoteGroup()->NoteColor) : fg(it.Stave);
        if (selected && it.Owner == selected) colour = kSelectedInk;
        switch (it.Kind) {
            case TScoreItem::itemGlyph:
                canvas.MusicGlyph(left + it.X0, base + it.Y0, static_cast<char32_t>(it.X1), it.Y1, colour);
                break;
            case TScoreItem::itemRect:
                canvas.FillRect(left + it.X0, base + it.Y0, left + it.X1, base + it.Y1, colour);
                break;
            case TScoreItem::itemFrame: {
                const int l = left + it.X0, t = base + it.Y0, r = left + it.X1, b = base + it.Y1;
                canvas.FillRect(l, t, r, t + 2, colour);
                canvas.FillRect(l, b - 2, r, b, colour);
                canvas.FillRect(l, t, l + 2, b, colour);
                canvas.FillRect(r - 2, t, r, b, colour);
                break;
            }
            case TScoreItem::itemDot: {
                // A round dot, smoothed: a polygon of twelve corners.
                const double cx = left + (it.X0 + it.X1) / 2.0, cy = base + (it.Y0 + it.Y1) / 2.0;
                const double r = (it.X1 - it.X0) / 2.0;
                points.clear();
                for (int k = 0; k < 12; ++k)
                    points.push_back({cx + r * std::cos(k * 0.5235988), cy + r * std::sin(k * 0.5235988)});
                canvas.Shape(points, colour);
                break;
            }
            case TScoreItem::itemShape:
                points.assign(pl.Points.begin() + it.X0, pl.Points.begin() + it.X0 + it.X1);
                for (auto& p : points) p.x += left, p.y += base;
                canvas.Shape(points, colour);
                break;
            case TScoreItem::itemText:
                canvas.FontText(left + it.X0, base + it.Y0, {kSerifFamily, it.Y1, it.Bold}, pl.Texts[it.X1], colour);
                break;
        }
    }

    // Only the bars that reach into [0, width) are painted.
    void part(const TScorePiece& piece) {
        const TPartLayout& pl = *piece.Layout;
        const int clipL = -piece.Left - 40, clipR = canvas.Width() - piece.Left + 40;
        auto first = std::lower_bound(pl.MaxXUpTo.begin(), pl.MaxXUpTo.end(), clipL);
        for (size_t i = first - pl.MaxXUpTo.begin(); i < pl.Segments.size() && pl.MinXFrom[i] <= clipR; ++i) {
            const auto& seg = pl.Segments[i];
            if (seg.MaxX < clipL || seg.MinX > clipR) continue;
            for (size_t k = seg.Begin; k < seg.End; ++k)
                if (!piece.MarkAfter || k < pl.ClosingBegin || k >= pl.ClosingEnd) item(pl, pl.Items[k], piece.Left);
        }
    }

    TMarkPaint marks() const { return {canvas, layout, staves, visible, selected}; }

    void selectionBox() {
        if (!selected) return;
        const int l = selected->Layout.LeftX - 2, r = selected->Layout.RightX + 3;
        const TVerticalExtent v = SymbolVerticalExtent(*selected);
        if (v.Scrolls) {
            canvas.FillRect(l, v.Top, r, v.Bottom, kSelectedBox);
            return;
        }
        for (TNoteStave* s : staves) canvas.FillRect(l, s->Layout.BaseY - 25, r, s->Layout.BaseY + 26, kSelectedBox);
    }
};

}  // namespace

void PaintScore(Canvas& canvas, const TScoreLayout& layout, const TXTouchMuzSymbol* selected) {
    const int w = canvas.Width(), h = canvas.Height();
    TPainter p{canvas, layout, selected, {}, {}, {}};
    for (TStave* s = layout.GetUnitMuz().GetFirstStave(); s; s = s->GetNext())
        p.staves.push_back(static_cast<TNoteStave*>(s));
    if (p.staves.empty()) {
        canvas.Hatch(0, 0, w, h, hatchVertical, kHatchLines, kHatchGaps);
        return;
    }
    const TNoteStave* first = p.staves.front();
    const TNoteStave* last = p.staves.back();
    const int top = first->Layout.BaseY - first->RoomUp;
    const int bottom = last->Layout.BaseY + last->RoomDown;
    canvas.Hatch(0, 0, w, top, hatchForwardDiagonal, kHatchLines, kHatchGaps);
    canvas.Hatch(0, bottom, w, h, hatchBackwardDiagonal, kHatchLines, kHatchGaps);
    for (TNoteStave* s : p.staves) {
        const int base = s->Layout.BaseY;
        p.visible.push_back(base + s->RoomDown >= 0 && base - s->RoomUp < h);
        canvas.FillRect(0, base - s->RoomUp, w, base + s->RoomDown, static_cast<TColor>(s->BackgroundColor));
    }
    p.selectionBox();
    const int from = std::max(layout.OriginX(), 0);
    for (size_t i = 0; i < p.staves.size(); ++i) {
        if (!p.visible[i]) continue;
        TNoteStave* s = p.staves[i];
        const TColor fg = p.fg(static_cast<int>(i));
        const TColor extra = quarterWay(static_cast<TColor>(s->BackgroundColor), fg);
        const int to = std::min(s->Layout.ReachedX, w);
        const int lo = s->ExtraLines ? -s->RoomUp / 10 : -2, hi = s->ExtraLines ? s->RoomDown / 10 : 2;
        for (int k = lo; k <= hi; ++k) {
            const int y = s->Layout.BaseY + 10 * k;
            canvas.FillRect(from, y, to, y + 1, (k >= -2 && k <= 2) ? fg : extra);
        }
    }
    for (const TScorePiece& piece : layout.Pieces()) {
        if (piece.Right < -40 || piece.Left > w + 40) continue;
        switch (piece.Kind) {
            case TScorePiece::pieceSingle:
                p.part(piece);
                break;
            case TScorePiece::pieceLoopLeft:
            case TScorePiece::pieceLoopRight:
            case TScorePiece::pieceRepeatEnd:
                PaintLoopMark(p.marks(), piece);
                break;
            case TScorePiece::pieceTurns:
                PaintTurns(p.marks(), piece);
                break;
        }
    }
    // The closing lines where the staves end.
    for (size_t i = 0; i < p.staves.size(); ++i) {
        if (!p.visible[i]) continue;
        const int x = p.staves[i]->Layout.ReachedX, base = p.staves[i]->Layout.BaseY;
        const TColor fg = p.fg(static_cast<int>(i));
        canvas.FillRect(x - 3, base - 20, x - 2, base + 21, fg);
        canvas.FillRect(x, base - 20, x + 3, base + 21, fg);
    }
}

}  // namespace korvane
