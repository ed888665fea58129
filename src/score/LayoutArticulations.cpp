// Articulations: in a space, off the stave lines, on the head's side away
// from the stem.
#include "score/Engraving.h"

namespace korvane::engraving {

void DrawArticulation(TLayoutSink& sink, int stave, const TChord& c, bool up, bool hasStem) {
    if (c.Art == noteArtNormal || !c.FirstPiece) return;
    const TMuzNote* n = c.Notes.front().Note;
    const bool below = hasStem && up;
    // In the stave the mark takes the middle of the first space a whole
    // staff space or more from the head; outside it, it keeps clear of the
    // head and of any ledger line.
    const int headY = below ? -5 * c.MinHeight() : -5 * c.MaxHeight();
    int y = below ? headY + 10 : headY - 10;
    if (y >= -25 && y <= 25) {
        while (((y % 10) + 10) % 10 != 5) y += below ? 1 : -1;
    } else {
        y += below ? 1 : -1;
    }
    const int cx = c.HeadX + c.HeadW / 2;
    const int away = below ? 1 : -1;
    switch (c.Art) {
        case noteArtStaccato:
            sink.dot(stave, cx, y, 5, n, n);
            break;
        case noteArtStaccatissimo: {
            // A wedge pointing at the head.
            const double tipY = y - away * 4.0, baseY = y + away * 4.0;
            sink.shape(stave, {{cx - 2.5, baseY}, {cx + 2.5, baseY}, {cx + 0.0, tipY}}, n, n);
            break;
        }
        case noteArtPortato:
            sink.dot(stave, cx, y, 4, n, n);
            sink.rect(stave, cx - 6, y + away * 5 - 1, cx + 6, y + away * 5 + 1, n, n);
            break;
        case noteArtLegato:
            sink.rect(stave, cx - 6, y - 1, cx + 6, y + 1, n, n);
            break;
    }
}

}  // namespace korvane::engraving
