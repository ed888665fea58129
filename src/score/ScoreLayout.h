#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "music/TUnitMuz.h"
#include "platform/Canvas.h"

namespace korvane {

// The sizes the score takes from the canvas: the music font's size and the
// ink of the glyphs it draws, measured once per canvas kind. The fixed
// widths of the layout (accidental columns, silences, time signatures, loop
// marks) are not here: they are the same on every canvas.
struct TScoreMetrics {
    int MusicSize = 0;
    TGlyphBox Probe;  // the black head at the reference size: tells a new font
    TGlyphBox BlackHead, VoidHead, WholeHead;
    TGlyphBox GClef, CClef, FClef;
    std::array<TGlyphBox, 7> Rests{};        // whole ... sixty-fourth
    std::array<TGlyphBox, 5> Accidentals{};  // by note shift kind
    int DigitSize = 0;                       // time signature digits
    int TupletSize = 0;
    int OctaveSize = 0;
};

// One drawing primitive of a laid-out part: x from the part's left edge, y
// from its stave's middle line.
struct TScoreItem {
    enum : uint8_t { itemGlyph, itemRect, itemShape, itemText, itemDot, itemFrame };
    uint8_t Kind = itemRect;
    // Drawn in the stave's foreground colour, or in the note group colour
    // of ColourNote.
    bool NoteColour = false;
    bool Bold = false;
    int16_t Stave = 0;
    // Glyph: pen (X0, Y0), code X1, size Y1. Rect, dot, frame: the box.
    // Shape: X1 points from index X0. Text: pen (X0, Y0), text X1, size Y1.
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    const TXTouchMuzSymbol* Owner = nullptr;
    const TMuzNote* ColourNote = nullptr;
};

// What a part's start repeats of the part drawn before it: the key each
// stave ends in (none where that part has none) and the bar definition.
// A key or bar that restates it is not drawn again (its hit area stays).
struct TPartContext {
    std::vector<const TKey*> Keys;
    const TMuzBar* Bar = nullptr;
    // The values the layout reads of them.
    uint64_t Hash() const;
};

// A single part laid out on its own, from x 0. Kept while the part's
// revision, its context and the staves stand.
struct TPartLayout {
    uint64_t Revision = 0;
    uint64_t Context = 0;
    // The last key of each stave in this part (none where it has none).
    std::vector<const TKey*> EndKeys;
    int Width = 0;
    std::vector<TScoreItem> Items;
    std::vector<TCanvasPointF> Points;
    std::vector<std::string> Texts;
    // The items of one bar, with the x range they cover, so a paint finds
    // the visible bars by binary search.
    struct TSegment {
        size_t Begin = 0, End = 0;
        int MinX = 0, MaxX = 0;
    };
    std::vector<TSegment> Segments;
    std::vector<int> MaxXUpTo;  // the largest MaxX of the segments up to i
    std::vector<int> MinXFrom;  // the smallest MinX of the segments from i
    struct TExtent {
        TXTouchMuzSymbol* Symbol;
        int Left, Right;
    };
    std::vector<TExtent> Extents;  // the symbols and the bar, in list order
    // Where each key, note and silence stands, in list order: its start in
    // the part, the x of its head (of its column for a head beside the stem
    // or a silence centred in its bar; of the glyph for a key) and the y of
    // the head's or glyph's centre from its stave's middle line.
    struct TAnchor {
        const TXTouchMuzSymbol* Symbol;
        int Stave;
        double Onset;
        int X, Y;
    };
    std::vector<TAnchor> Anchors;
    // The bar lines: the number of the bar each ends (from 1), its time and x.
    struct TBarLine {
        int Number;
        double Time;
        int X;
    };
    std::vector<TBarLine> BarLines;
    // The highest y any item of the first stave reaches, from its middle line.
    int TopY = -20;
    // The items of the bar line a part that fills its last bar ends with
    // (none when equal).
    size_t ClosingBegin = 0, ClosingEnd = 0;
};

// What the document draws, in order: the single parts whose play-and-draw
// flag and all their ancestors' are set, with the marks of loops and turns
// between them.
struct TScorePiece {
    // A loop that ends in turns has an end repeat after every turn but the
    // last (pieceRepeatEnd) and its right mark drawn as a plain bar line.
    enum : uint8_t { pieceSingle, pieceLoopLeft, pieceLoopRight, pieceTurns, pieceRepeatEnd };
    uint8_t Kind = pieceSingle;
    bool Plain = false;
    // A single part followed by a loop mark: the mark's own line stands
    // for the part's closing bar line, which is not painted.
    bool MarkAfter = false;
    TSinglePartMuz* Single = nullptr;
    TLoopPartMuz* Loop = nullptr;
    TSelectPartMuz* Select = nullptr;
    const TPartLayout* Layout = nullptr;
    int Left = 0;   // window x
    int Right = 0;  // for turns: the end of the turns' child
};

// The score of one music document laid out for the music window: the
// staves one under the other, the drawn single parts one after the other.
// Layout writes the layout results into the model (each symbol's drawn
// extent, each note's drawn height, each stave's base line and reached x);
// nothing else writes them.
//
// The window keeps one per document and, on every paint, calls
// LayoutAndPaintScore(canvas, layout, 5 - hscroll, -vscroll, selected);
// the hit tests and the nearest-symbol search of ScoreHit.h then answer for
// what was painted. Edits need no call here: the parts' and the
// staves' revisions tell what to lay out again.
class TScoreLayout {
public:
    explicit TScoreLayout(TUnitMuz& unitMuz) : UnitMuz(unitMuz) {}

    // Lays out the staves from the drawing origin and the drawn parts,
    // laying out again only the parts that changed. `measure` answers the
    // glyph sizes (the canvas that will be painted on).
    void Layout(Canvas& measure, int originX, int originY);

    TUnitMuz& GetUnitMuz() const { return UnitMuz; }
    const std::vector<TScorePiece>& Pieces() const { return Pieces_; }
    const TScoreMetrics& Metrics() const { return Metrics_; }
    int OriginX() const { return OriginX_; }
    int OriginY() const { return OriginY_; }
    // The final y of the stave layout plus 40.
    int TotalHeight() const { return TotalHeight_; }
    // The largest x the staves reached.
    int LargestX() const { return LargestX_; }
    // Where the drawing ends for the scroll bar: the largest x reached plus
    // the client width less 80.
    int RightEnd(int clientWidth) const { return LargestX_ + clientWidth - 80; }
    // How many parts the last Layout laid out anew (the rest came from the
    // cache).
    int PartsLaidOut() const { return PartsLaidOut_; }

private:
    TUnitMuz& UnitMuz;
    TScoreMetrics Metrics_;
    uint64_t StavesKey_ = 0;
    std::unordered_map<const TSinglePartMuz*, TPartLayout> Cache_;
    std::vector<TScorePiece> Pieces_;
    int OriginX_ = 0, OriginY_ = 0;
    int TotalHeight_ = 0;
    int LargestX_ = 0;
    int PartsLaidOut_ = 0;
    // Where the extents in the model were last written from.
    struct TWritten {
        const TPartLayout* Layout;
        uint64_t Revision;
        uint64_t Context;
        int Left;
    };
    std::unordered_map<const TSinglePartMuz*, TWritten> Written_;
    struct TWalk;

    void measure(Canvas& canvas);
    uint64_t stavesKey() const;
};

// Lays out one single part from x 0 (the staves in document order).
void LayoutSinglePart(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& metrics,
                      Canvas& measure, TPartLayout& out, const TPartContext& context = {});

// The widths of the marks of a loop.
int LoopSymbolWidth(const TLoopPartMuz& loop, uint8_t side);

// Paints the laid-out score on the whole canvas with `selected` marked:
// the hatched background, the stave bands and lines, the visible bars of
// the drawn parts, the loop and turn marks and the closing lines.
void PaintScore(Canvas& canvas, const TScoreLayout& layout, const TXTouchMuzSymbol* selected);

// Lays out and paints in one go, as the window's paint does.
void LayoutAndPaintScore(Canvas& canvas, TScoreLayout& layout, int originX, int originY,
                         const TXTouchMuzSymbol* selected);

}  // namespace korvane
