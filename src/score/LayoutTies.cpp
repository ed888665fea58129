// Ties: a curve from the right of one head to the left of the next head of
// the same note, on the side away from the stem.
#include <algorithm>

#include "score/Engraving.h"

namespace korvane::engraving {

std::vector<TDrawnPiece> TiedPieces(double onset, double length, double barStart, double barLength, bool halves) {
    const double middle = barStart + barLength / 2;
    if (!halves || onset <= barStart + kEps || onset >= middle - kEps || onset + length <= middle + kEps)
        return BrokenLengthPieces(length);
    std::vector<TDrawnPiece> pieces = BrokenLengthPieces(middle - onset);
    for (const TDrawnPiece& p : BrokenLengthPieces(onset + length - middle)) pieces.push_back(p);
    return pieces;
}

void TTies::End(TLayoutSink& sink, int stave, const TMuzNote* n, int toX) {
    auto found = open_.find(n);
    if (found == open_.end()) return;
    const TStart& from = found->second;
    const double x1 = from.X + 1, x2 = toX - 1;
    if (x2 <= x1) return;
    const double d = from.Below ? 1 : -1;
    const double y0 = from.Y + d * 6;
    const double h = std::min(3.0 + (x2 - x1) / 10, 9.0);
    std::vector<TCanvasPointF> pts;
    constexpr int steps = 14;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        pts.push_back({x1 + (x2 - x1) * t, y0 + d * h * 4 * t * (1 - t)});
    }
    for (int i = steps; i >= 0; --i) {
        const double t = static_cast<double>(i) / steps;
        pts.push_back({x1 + (x2 - x1) * t, y0 + d * (h - 2.2) * 4 * t * (1 - t) + d * 0.3});
    }
    sink.shape(stave, pts, n, n);
}

}  // namespace korvane::engraving
