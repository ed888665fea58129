// Accidentals (before the heads, in columns) and dots (after them, in
// spaces).
#include <algorithm>
#include <cmath>

#include "score/Engraving.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreMeasures.h"

namespace korvane {

char32_t AccidentalGlyph(uint8_t noteShiftKind) {
    switch (noteShiftKind) {
        case noteShiftDoubleKruis:
            return glyph::DoubleSharp;
        case noteShiftKruis:
            return glyph::Sharp;
        case noteShiftNormal:
            return glyph::Natural;
        case noteShiftMol:
            return glyph::Flat;
        case noteShiftDoubleMol:
            return glyph::DoubleFlat;
        default:
            return 0;
    }
}

int AccidentalWidth(uint8_t noteShiftKind) {
    switch (noteShiftKind) {
        case noteShiftDoubleKruis:
            return 15;
        case noteShiftKruis:
            return 13;
        case noteShiftNormal:
            return 10;
        case noteShiftMol:
            return 12;
        case noteShiftDoubleMol:
            return 24;
        default:
            return 0;
    }
}

namespace engraving {

namespace {

// The stem from a staff space and a half above the head down to the head's
// lower edge, and a bowl round the head's place, thick at its right.
void flat(TLayoutSink& sink, int stave, int left, int y, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
    sink.rect(stave, left, y - 16, left + 2, y + 5, owner, colour);
    std::vector<TCanvasPointF> pts;
    constexpr int steps = 10;
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        pts.push_back({left + 1.5 + (kFlatWidth - 1.5) * std::sin(3.14159265 * t) * (1.15 - 0.3 * t),
                       y - 3.5 + 9.0 * t * t * (3 - 2 * t) - 0.5});
    }
    for (int i = steps; i >= 0; --i) {
        const double t = static_cast<double>(i) / steps;
        pts.push_back({left + 1.5 + 3.0 * std::sin(3.14159265 * t), y - 0.5 + 4.5 * t});
    }
    sink.shape(stave, pts, owner, colour);
}

}  // namespace

// Flats are drawn as shapes of their own, as heavy as the font's sharps and
// naturals (the fonts' flats are much thinner).
int AccidentalInk(const TScoreMetrics& m, uint8_t kind) {
    if (kind == noteShiftMol) return kFlatWidth;
    if (kind == noteShiftDoubleMol) return 2 * kFlatWidth + 1;
    return m.Accidentals[kind].Right - m.Accidentals[kind].Left;
}

void DrawAccidental(TLayoutSink& sink, int stave, uint8_t kind, int left, int y, const TXTouchMuzSymbol* owner,
                    const TMuzNote* colour) {
    if (kind == noteShiftMol || kind == noteShiftDoubleMol) {
        flat(sink, stave, left, y, owner, colour);
        if (kind == noteShiftDoubleMol) flat(sink, stave, left + kFlatWidth + 1, y, owner, colour);
        return;
    }
    const TGlyphBox& g = sink.Metrics().Accidentals[kind];
    sink.glyphAt(stave, AccidentalGlyph(kind), g, left, y - (g.Top + g.Bottom) / 2, owner, colour);
}

int ShownAccidentals(const TKey* key, std::array<uint8_t, 7>& scale, const std::vector<TMuzNote*>& notes,
                     std::vector<TNoteEntry>& entries, int& columnW) {
    // The accidentals the notes show, against those in effect in this bar.
    for (TMuzNote* n : notes) {
        TNoteEntry e;
        e.Note = n;
        e.Height = key ? key->PitchToHeight(n->GetPitch()) : n->GetPitch() - TKey::keyKindG;
        const int index = TKey::wrapHeight(e.Height);
        e.Shown = scale[index] == n->GetNoteShiftKind() ? uint8_t(noteShiftNone) : n->GetNoteShiftKind();
        scale[index] = n->GetNoteShiftKind();
        entries.push_back(e);
    }
    // Accidentals closer than six steps stand in separate columns.
    columnW = 0;
    std::vector<TNoteEntry*> shown;
    for (auto& e : entries)
        if (e.Shown != noteShiftNone) {
            shown.push_back(&e);
            columnW = std::max(columnW, AccidentalWidth(e.Shown));
        }
    if (shown.empty()) return 0;
    std::sort(shown.begin(), shown.end(), [](auto* a, auto* b) { return a->Height > b->Height; });
    std::vector<int> lastInColumn;
    for (TNoteEntry* e : shown) {
        size_t c = 0;
        while (c < lastInColumn.size() && lastInColumn[c] - e->Height < 6) ++c;
        if (c == lastInColumn.size()) lastInColumn.push_back(e->Height);
        lastInColumn[c] = e->Height;
        e->AccColumn = static_cast<int>(c);
    }
    return static_cast<int>(lastInColumn.size()) * columnW + 2;
}

std::vector<int> DotHeights(const TChord& c) {
    // A head in a space keeps its space, a head on a line takes the space
    // above, or the next free one below it.
    std::vector<int> heights(c.Points > 0 ? c.Notes.size() : 0);
    for (size_t i = heights.size(); i-- > 0;) {
        const int h = c.Notes[i].Height;
        int d = (h % 2 != 0) ? h : h + 1;
        while (i + 1 < heights.size() && d >= heights[i + 1]) d -= 2;
        heights[i] = d;
    }
    return heights;
}

void DrawDots(TLayoutSink& sink, int stave, const TChord& c, int dotHeight, const TMuzNote* n) {
    const int dx = c.HeadX + c.Columns() * c.HeadW + 4;
    const int dy = -5 * dotHeight;
    for (int i = 0; i < c.Points; ++i) sink.dot(stave, dx + 2 + 5 * i, dy, 5, n, n);
}

}  // namespace engraving
}  // namespace korvane
