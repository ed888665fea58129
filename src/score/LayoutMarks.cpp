// Tuplet numbers: beyond the beam of a tuplet beamed as one group with
// stems up, else with a bracket; above the stave and everything under them.
#include <algorithm>
#include <cmath>

#include "score/Engraving.h"
#include "score/ScoreMeasures.h"

namespace korvane::engraving {

void TTupletMarks::Note(int stave, double position, uint8_t multiOol, int minX, int maxX, int top, bool up,
                        bool noteMember, int group) {
    for (auto& t : tuplets_) {
        if (t.Stave == stave && t.MultiOol == multiOol && std::fabs(t.Position - position) < kEps) {
            t.MinX = std::min(t.MinX, minX), t.MaxX = std::max(t.MaxX, maxX);
            t.Top = std::min(t.Top, top);
            if (noteMember) {
                (up ? t.AnyUp : t.AnyDown) = true;
                if (group != t.Group) t.Mixed = true;
            } else {
                t.Mixed = true;
            }
            return;
        }
    }
    TTuplet t{stave, position, multiOol, minX, maxX, top, false, false, group, !noteMember || group < 0};
    if (noteMember) (up ? t.AnyUp : t.AnyDown) = true;
    tuplets_.push_back(t);
}

void TTupletMarks::Draw(TLayoutSink& sink) {
    const TScoreMetrics& m = sink.Metrics();
    for (const TTuplet& t : tuplets_) {
        const std::string label = std::to_string(t.MultiOol);
        const int cx = (t.MinX + t.MaxX) / 2;
        const TGlyphBox box = sink.Measure().MeasureText({kSerifFamily, m.TupletSize, false}, label);
        const int th = box.Bottom - box.Top;
        // Whatever it stands over: heads, stems, beams, articulations,
        // accidentals, ties.
        const int top = sink.inkTop(t.Stave, t.MinX, t.MaxX, t.Top);
        if (!t.Mixed && t.AnyUp && !t.AnyDown) {
            // Beamed as one group with stems up: the number stands beyond
            // the beam.
            sink.text(t.Stave, label, m.TupletSize, false, cx, top - 3 - th / 2, true, nullptr);
        } else {
            // Else above everything under it too, with a bracket over the
            // members: on the heads' side a number alone would not tell
            // which notes it holds.
            const int y = std::min(top, -24) - 6;
            const int tw = box.Right - box.Left + 6;
            const int l = t.MinX, r = t.MaxX;
            sink.text(t.Stave, label, m.TupletSize, false, cx, y, true, nullptr);
            sink.rect(t.Stave, l, y, cx - tw / 2, y + 1, nullptr, nullptr);
            sink.rect(t.Stave, cx + tw / 2, y, r, y + 1, nullptr, nullptr);
            sink.rect(t.Stave, l, y, l + 1, y + 5, nullptr, nullptr);
            sink.rect(t.Stave, r - 1, y, r, y + 5, nullptr, nullptr);
        }
    }
    tuplets_.clear();
}

}  // namespace korvane::engraving
