// Keys (clef, octave mark, signature) and time signatures.
#include <algorithm>

#include "score/Engraving.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreMeasures.h"

namespace korvane::engraving {

namespace {

const TGlyphBox& clefBox(const TScoreMetrics& m, int8_t kind) {
    return kind == TKey::keyKindG ? m.GClef : kind == TKey::keyKindC ? m.CClef : m.FClef;
}

// Calls visit(index in the signature, family, accidental) for the
// signature's accidentals in drawing order: sharps in their order, then
// flats in theirs; a non-standard scale shows each accidental at its
// signature place.
template <typename F>
void forSignature(const TKey& key, F&& visit) {
    for (uint8_t family : {uint8_t(noteShiftKruis), uint8_t(noteShiftMol)}) {
        for (int i = 0; i < 7; ++i) {
            const uint8_t entry = key.GetScale()[key.SignatureIndex(i, family)];
            const bool sharpish = entry == noteShiftKruis || entry == noteShiftDoubleKruis;
            const bool flattish = entry == noteShiftMol || entry == noteShiftDoubleMol;
            if (family == noteShiftKruis ? !sharpish : !flattish) continue;
            visit(i, family, entry);
        }
    }
}

}  // namespace

int KeyWidth(const TScoreMetrics& m, const TKey& key) {
    const TGlyphBox& box = clefBox(m, key.GetKeyKind());
    int w = 5 + (box.Right - box.Left) + 5;
    forSignature(key, [&](int, uint8_t, uint8_t entry) { w += AccidentalInk(m, entry) + 1; });
    return w + 4 + kClearAfterLine - 4;
}

int DrawCourtesyKey(TLayoutSink& sink, int stave, const TKey& key, int x) {
    sink.anchor(sink.extent(&key, x, x + kCourtesyWidth), &key, stave, key.GetSymbolPosition(), x, 0);
    return x + kCourtesyWidth;
}

int DrawKey(TLayoutSink& sink, int stave, const TKey& key, int from) {
    const TScoreMetrics& m = sink.Metrics();
    const int left = from + 2;
    int x = left + 3;
    const int8_t kind = key.GetKeyKind();
    const TGlyphBox& box = clefBox(m, kind);
    const char32_t code = kind == TKey::keyKindG ? glyph::GClef : kind == TKey::keyKindC ? glyph::CClef : glyph::FClef;
    const int h = box.Bottom - box.Top;
    int inkTop;
    if (kind == TKey::keyKindG)
        inkTop = 10 + h * 3 / 8 - h;  // the curl on the G line
    else if (kind == TKey::keyKindF)
        inkTop = -10 - h * 2 / 7;  // the dots around the F line
    else
        inkTop = -h / 2;  // centred on the C line
    sink.glyphAt(stave, code, box, x, inkTop - box.Top, &key, nullptr);
    const int clefW = box.Right - box.Left;
    if (key.GetAddOctaves() != 0) {
        const int a = key.GetAddOctaves();
        const std::string label = (a == 1 || a == -1) ? "8" : "15";
        const TGlyphBox t = sink.Measure().MeasureText({kSerifFamily, m.OctaveSize, false}, label);
        const int th = t.Bottom - t.Top;
        const int cy = a > 0 ? inkTop - 2 - th / 2 : inkTop + h + 2 + th / 2;
        sink.text(stave, label, m.OctaveSize, false, x + clefW / 2, cy, true, &key);
    }
    x += clefW + 5;
    forSignature(key, [&](int i, uint8_t family, uint8_t entry) {
        DrawAccidental(sink, stave, entry, x, -5 * key.SignatureHeight(i, family), &key, nullptr);
        x += AccidentalInk(m, entry) + 1;
    });
    const int right = x + 4;
    sink.anchor(sink.extent(&key, left, right), &key, stave, key.GetSymbolPosition(), left + 3, 0);
    return right + kClearAfterLine - 4;
}

int DrawTimeSignature(TLayoutSink& sink, int stave, const TMuzBar& bar, int x) {
    const TScoreMetrics& m = sink.Metrics();
    const int w = bar.DrawnWidth();
    sink.text(stave, std::to_string(bar.GetCountNotes()), m.DigitSize, true, x + w / 2, -10, true, &bar);
    sink.text(stave, std::to_string(bar.GetNoteLength()), m.DigitSize, true, x + w / 2, 10, true, &bar);
    sink.extent(&bar, x, x + w);
    return x + w + kClearAfterLine;
}

}  // namespace korvane::engraving
