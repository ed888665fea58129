// Heads (with their ledger lines), stems, flags and beams.
#include <algorithm>
#include <cmath>

#include "score/Engraving.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreHit.h"
#include "score/ScoreMeasures.h"

namespace korvane {

TMuzNote* NoteHit(const TScoreLayout& layout, const TNoteStave* stave, int x) {
    return engraving::FirstHit<TMuzNote>(layout, stave, x, staveSymbolNote);
}

namespace engraving {

int HeadWidth(const TScoreMetrics& m, int flagLength) {
    const TGlyphBox& b = flagLength <= 1 ? m.WholeHead : flagLength == 2 ? m.VoidHead : m.BlackHead;
    return std::max(b.Right - b.Left, 4);
}

bool StemsUp(const std::vector<TChord>& chords) {
    if (chords.front().Stick == noteStickUp) return true;
    if (chords.front().Stick == noteStickDown) return false;
    // Free sticks point down when the lowest plus the highest head is at
    // least the middle line.
    int lowest = chords.front().MinHeight(), highest = chords.front().MaxHeight();
    for (const auto& c : chords) {
        lowest = std::min(lowest, c.MinHeight());
        highest = std::max(highest, c.MaxHeight());
    }
    return lowest + highest < 0;
}

void DrawHeads(TLayoutSink& sink, TTies& ties, int stave, TChord& c, bool up) {
    const TScoreMetrics& m = sink.Metrics();
    // Heads a second apart go to the other side of the stem.
    if (c.Seconds) {
        if (up) {
            int prev = -1000;
            bool prevShifted = true;
            for (auto& e : c.Notes) {
                const bool shift = !prevShifted && e.Height == prev + 1;
                e.Column = shift ? 1 : 0;
                prevShifted = shift;
                prev = e.Height;
            }
        } else {
            int prev = 1000;
            bool prevShifted = true;
            for (auto it = c.Notes.rbegin(); it != c.Notes.rend(); ++it) {
                const bool shift = !prevShifted && it->Height == prev - 1;
                it->Column = shift ? 0 : 1;
                prevShifted = shift;
                prev = it->Height;
            }
        }
    }
    const int cols = c.Columns();
    const TGlyphBox& box = c.FlagLength <= 1 ? m.WholeHead : c.FlagLength == 2 ? m.VoidHead : m.BlackHead;
    const char32_t code = c.FlagLength <= 1 ? glyph::WholeNote : c.FlagLength == 2 ? glyph::VoidHead : glyph::BlackHead;
    // Ledger lines above and below the stave, over both head columns.
    const int ledgerL = c.HeadX - 3, ledgerR = c.HeadX + cols * c.HeadW + 3;
    for (int h = 6; h <= c.MaxHeight(); h += 2) sink.rect(stave, ledgerL, -5 * h, ledgerR, -5 * h + 1, nullptr, nullptr);
    for (int h = -6; h >= c.MinHeight(); h -= 2)
        sink.rect(stave, ledgerL, -5 * h, ledgerR, -5 * h + 1, nullptr, nullptr);
    const std::vector<int> dotHeights = DotHeights(c);
    for (auto& e : c.Notes) {
        TMuzNote* n = e.Note;
        const int x = c.HeadX + e.Column * c.HeadW;
        const int y = -5 * e.Height;
        if (n->GetNoteGroup()->NoteShape == noteShapeRectangle) {
            if (c.FlagLength >= 4)
                sink.rect(stave, x, y - 4, x + c.HeadW, y + 5, n, n);
            else
                sink.frame(stave, x, y - 4, x + c.HeadW, y + 5, n, n);
        } else {
            sink.glyphAt(stave, code, box, x, y - (box.Top + box.Bottom) / 2, n, n);
        }
        if (e.Shown != noteShiftNone && c.FirstPiece) {
            const int right = c.HeadX - 2 - e.AccColumn * c.AccColumnW;
            DrawAccidental(sink, stave, e.Shown, right - AccidentalInk(m, e.Shown), y, n, n);
        }
        if (c.Points > 0) DrawDots(sink, stave, c, dotHeights[&e - c.Notes.data()], n);
        if (c.FirstPiece) {
            n->NoteLayout.DrawnHeight = e.Height;
            sink.anchor(sink.extent(n, x, x + c.HeadW), n, stave, onsetOf(*n), c.HeadX, y);
        }
        if (c.TieIn) ties.End(sink, stave, n, x);
        if (c.TieOut)
            ties.Start(n, x + c.HeadW, y, up);
        else
            ties.Drop(n);
    }
}

void DrawStemAndFlags(TLayoutSink& sink, int stave, const TChord& c, bool up, int& tipY) {
    const TMuzNote* owner = c.Notes.front().Note;
    const int flags = c.FlagLength >= 8 ? LengthIndex(c.FlagLength) - 2 : 0;
    const int extra = flags > 2 ? 6 * (flags - 2) : 0;
    const int stemX = up ? c.HeadX + c.HeadW - 1 : c.HeadX + (c.Seconds ? c.HeadW : 0);
    if (up) {
        const int start = -5 * c.MinHeight() - 2;
        tipY = std::min(-5 * c.MaxHeight() - kStemLength - extra, 0);
        sink.rect(stave, stemX, tipY, stemX + 1, start, owner, owner);
    } else {
        const int start = -5 * c.MaxHeight() + 2;
        tipY = std::max(-5 * c.MinHeight() + kStemLength + extra, 0);
        sink.rect(stave, stemX, start, stemX + 1, tipY, owner, owner);
    }
    // Flags hang from the tip to the right of the stem, one under another.
    static const double outer[][2] = {{0, 0}, {1, 3}, {4, 6}, {8, 10}, {10, 15}, {9.5, 20}, {7.5, 24}};
    static const double inner[][2] = {{8.6, 19.5}, {8.4, 15.5}, {6, 12}, {3, 10}, {0, 8.5}};
    const double d = up ? 1 : -1;
    for (int f = 0; f < flags; ++f) {
        const double ty = tipY + d * 7 * f;
        std::vector<TCanvasPointF> pts;
        for (const auto& p : outer) pts.push_back({stemX + 1 + p[0] * 0.9, ty + d * p[1] * 0.9});
        // the last flag keeps its full hook; the ones above end on the next
        const size_t from = f + 1 < flags ? 2 : 0;
        for (size_t i = from; i < std::size(inner); ++i)
            pts.push_back({stemX + 1 + inner[i][0] * 0.9, ty + d * inner[i][1] * 0.9});
        if (from) pts.insert(pts.begin() + std::size(outer), {stemX + 1 + 8.0, ty + d * 14.0});
        sink.shape(stave, pts, owner, owner);
    }
}

void DrawBeams(TLayoutSink& sink, int stave, const std::vector<TChord>& chords, bool up, std::vector<int>& tips) {
    const size_t n = chords.size();
    std::vector<double> xs(n), ideal(n);
    std::vector<int> levels(n);
    int maxLevels = 1;
    for (size_t i = 0; i < n; ++i) {
        const TChord& c = chords[i];
        xs[i] = up ? c.HeadX + c.HeadW - 1 : c.HeadX + (c.Seconds ? c.HeadW : 0);
        ideal[i] = up ? -5.0 * c.MaxHeight() - (kStemLength - 3) : -5.0 * c.MinHeight() + (kStemLength - 3);
        levels[i] = std::max(LengthIndex(c.FlagLength) - 2, 1);
        maxLevels = std::max(maxLevels, levels[i]);
    }
    double slope = xs[n - 1] > xs[0] ? (ideal[n - 1] - ideal[0]) / (xs[n - 1] - xs[0]) : 0;
    // Steep in a narrow group, but a long beam rises a staff space and a
    // half at most: spaced by duration, groups of short notes grow long.
    const double maxSlope = xs[n - 1] > xs[0] ? std::min(0.2, kBeamMaxRise / (xs[n - 1] - xs[0])) : 0.2;
    slope = std::clamp(slope, -maxSlope, maxSlope);
    double a = up ? 1e9 : -1e9;
    for (size_t i = 0; i < n; ++i) {
        const double v = ideal[i] - slope * (xs[i] - xs[0]);
        a = up ? std::min(a, v) : std::max(a, v);
    }
    if (maxLevels > 2) a += (up ? -1 : 1) * kBeamDistance * (maxLevels - 2);
    // Beams of notes far outside the stave still reach the middle line.
    double extreme = up ? -1e9 : 1e9;
    for (size_t i = 0; i < n; ++i) {
        const double v = a + slope * (xs[i] - xs[0]);
        extreme = up ? std::max(extreme, v) : std::min(extreme, v);
    }
    if (up && extreme > 0) a -= extreme;
    if (!up && extreme < 0) a -= extreme;
    auto lineY = [&](double x) { return a + slope * (x - xs[0]); };
    const TMuzNote* owner = chords.front().Notes.front().Note;
    for (size_t i = 0; i < n; ++i) {
        const TChord& c = chords[i];
        const TMuzNote* note = c.Notes.front().Note;
        const int x = static_cast<int>(xs[i]);
        const int tip = static_cast<int>(std::lround(lineY(xs[i])));
        tips[i] = tip;
        if (up)
            sink.rect(stave, x, tip, x + 1, -5 * c.MinHeight() - 2, note, note);
        else
            sink.rect(stave, x, -5 * c.MaxHeight() + 2, x + 1, tip, note, note);
    }
    auto beam = [&](double x0, double x1, int level) {
        const double off = (up ? 1 : -1) * kBeamDistance * level;
        const double t = up ? kBeamThickness : -kBeamThickness;
        const double y0 = lineY(x0) + off, y1 = lineY(x1) + off;
        sink.shape(stave, {{x0, y0}, {x1, y1}, {x1, y1 + t}, {x0, y0 + t}}, nullptr, owner);
    };
    beam(xs[0], xs[n - 1] + 1, 0);
    for (int level = 1; level < maxLevels; ++level) {
        size_t i = 0;
        while (i < n) {
            if (levels[i] <= level) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j + 1 < n && levels[j + 1] > level) ++j;
            if (j > i) {
                beam(xs[i], xs[j] + 1, level);
            } else if (i + 1 < n) {
                beam(xs[i], xs[i] + 8, level);
            } else {
                beam(xs[i] - 8, xs[i] + 1, level);
            }
            i = j + 1;
        }
    }
}

}  // namespace engraving
}  // namespace korvane
