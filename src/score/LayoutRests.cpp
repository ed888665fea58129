// Silences: the rest glyph of each value at its place between the lines,
// with its dots.
#include "score/Engraving.h"
#include "score/ScoreHit.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreMeasures.h"

namespace korvane {

int SilenceWidth(int lengthKind, int points) {
    int w = 29;
    switch (lengthKind) {
        case 1:
        case 2:
            w = 22;
            break;
        case 4:
            w = 18;
            break;
        case 8:
            w = 20;
            break;
        case 16:
            w = 23;
            break;
        case 32:
            w = 26;
            break;
    }
    return w + 4 * points;
}

int LengthIndex(int lengthKind) {
    int i = 0;
    while (i < 6 && (1 << i) < lengthKind) ++i;
    return i;
}

TSilence* SilenceHit(const TScoreLayout& layout, const TNoteStave* stave, int x) {
    return engraving::FirstHit<TSilence>(layout, stave, x, staveSymbolSilence);
}

namespace engraving {

TRestInk DrawRest(TLayoutSink& sink, int stave, const TSilence* s, int x, int lengthKind, int points, bool record,
                  int anchorX) {
    const int li = LengthIndex(lengthKind);
    const TGlyphBox& box = sink.Metrics().Rests[li];
    const int restW = SilenceWidth(lengthKind, 0);
    const int inkW = box.Right - box.Left;
    int baseline;
    if (li == 0)
        baseline = -10 - box.Top;  // hangs from the fourth line
    else if (li == 1)
        baseline = 0 - box.Bottom;  // stands on the middle line
    else
        baseline = ((li == 4 || li == 6) ? 5 : 0) - (box.Top + box.Bottom) / 2;
    sink.glyphAt(stave, glyph::Rest[li], box, x + (restW - inkW) / 2, baseline, s, nullptr);
    for (int i = 0; i < points; ++i) sink.dot(stave, x + restW + 1 + 4 * i, -5, 4, s, nullptr);
    const int w = SilenceWidth(lengthKind, points);
    if (record)
        sink.anchor(sink.extent(s, x, x + w), s, stave, onsetOf(*s), anchorX, baseline + (box.Top + box.Bottom) / 2);
    return {w, baseline + box.Top};
}

}  // namespace engraving
}  // namespace korvane
