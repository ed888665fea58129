#pragma once

// What the files that lay out a single part share: the sink every drawing
// goes into (the items, the bar segments and each symbol's hit area), the
// notes of a chord as the layout sees them, and one small set of functions
// per concern, each in its own file:
//   LayoutKeys.cpp          keys and time signatures
//   LayoutSpacing.cpp       the bar plan on the time grid (TimeGrid.h)
//   LayoutStems.cpp         heads, stems, flags and beams
//   LayoutAccidentals.cpp   accidentals and dots
//   LayoutTies.cpp          ties
//   LayoutArticulations.cpp articulations
//   LayoutRests.cpp         silences
//   LayoutMarks.cpp         tuplet numbers and brackets
// (the loop marks and the brackets over turns are ScoreMarks.cpp's). Each
// records the hit areas of what it draws; the note and silence hit tests
// of ScoreHit.h sit with the heads and the silences.
// PartLayout.cpp reads the part bar by bar and calls them.
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "music/TUnitMuz.h"
#include "score/ScoreLayout.h"

namespace korvane::engraving {

constexpr double kEps = 1e-9;
constexpr int kStemLength = 35;
constexpr int kBeamThickness = 5;
constexpr int kBeamDistance = 8;
constexpr double kBeamMaxRise = 15;
// Room kept clear after a bar line, a time signature or a key.
constexpr int kClearAfterLine = 11;
// The ink width of a flat.
constexpr int kFlatWidth = 8;
// The hit area of a key or time signature that is not drawn again.
constexpr int kCourtesyWidth = 8;

// Where a note or silence starts in its part: a tuplet member at its own
// place in the tuplet.
inline double onsetOf(const TStaveTimeSymbol& t) {
    return t.GetSymbolPosition() + t.GetTotalLength() * t.GetPosInOol() / t.GetMultiOol();
}

inline double pieceLength(const TDrawnPiece& p) { return (2.0 - std::ldexp(1.0, -p.Points)) / p.NoteLengthKind; }

struct TNoteEntry {
    TMuzNote* Note = nullptr;
    int Height = 0;
    uint8_t Shown = noteShiftNone;  // the accidental drawn, none when in effect
    int AccColumn = 0;
    int Column = 0;  // head column, set when the stick is known
};

// The notes of one stick kind at one slot, or one piece of a broken chord.
struct TChord {
    std::vector<TNoteEntry> Notes;  // lowest first
    int HeadX = 0;
    int HeadW = 0;
    int AccColumnW = 0;
    bool Seconds = false;
    int FlagLength = 4;
    int Points = 0;
    uint8_t Art = noteArtNormal;
    uint8_t Stick = noteStickGroup;
    uint8_t MultiOol = sool;
    int8_t LengthKind = 4;
    double Position = 0;
    double Start = 0;
    bool Piece = false;
    bool TieIn = false;
    bool TieOut = false;
    bool FirstPiece = true;
    int Columns() const { return Seconds ? 2 : 1; }
    int MinHeight() const { return Notes.front().Height; }
    int MaxHeight() const { return Notes.back().Height; }
};

// Where the items of a part go, with the x range of each bar's items and
// the hit area (and, for keys, notes and silences, the place) of every
// symbol drawn.
class TLayoutSink {
public:
    TLayoutSink(const TScoreMetrics& m, Canvas& canvas, TPartLayout& out) : m_(m), canvas_(canvas), out_(out) {}

    struct TPlaced {
        int Left, Right;
        bool Anchored = false;
        TPartLayout::TAnchor Anchor{};
    };

    const TScoreMetrics& Metrics() const { return m_; }
    Canvas& Measure() const { return canvas_; }
    TPartLayout& Out() const { return out_; }

    void rect(int stave, int x0, int y0, int x1, int y1, const TXTouchMuzSymbol* owner, const TMuzNote* colour);
    void frame(int stave, int x0, int y0, int x1, int y1, const TXTouchMuzSymbol* owner, const TMuzNote* colour);
    void dot(int stave, int cx, int cy, int size, const TXTouchMuzSymbol* owner, const TMuzNote* colour);
    // A glyph whose ink starts at x (left) with its baseline at `baseline`.
    void glyphAt(int stave, char32_t code, const TGlyphBox& box, int inkLeft, int baseline,
                 const TXTouchMuzSymbol* owner, const TMuzNote* colour);
    void shape(int stave, const std::vector<TCanvasPointF>& points, const TXTouchMuzSymbol* owner,
               const TMuzNote* colour);
    // Text centred on cx, its ink centred on cy (or standing on `baseline`).
    TGlyphBox text(int stave, const std::string& s, int size, bool bold, int cx, int cy, bool centreY,
                   const TXTouchMuzSymbol* owner);

    // The hit area of a symbol, grown to hold left .. right.
    TPlaced& extent(const TXTouchMuzSymbol* s, int left, int right);
    bool placed(const TXTouchMuzSymbol* s) const { return extents_.count(s) != 0; }
    void anchor(TPlaced& placed, const TXTouchMuzSymbol* s, int stave, double onset, int x, int y) {
        placed.Anchored = true;
        placed.Anchor = {s, stave, onset, x, y};
    }
    // The highest ink of the stave's items of the bar being laid out that
    // reach into left .. right, `top` when none is higher.
    int inkTop(int stave, int left, int right, int top) const;
    // Ends the items of a bar.
    void finishSegment();
    // Writes the hit areas and places to the layout in list order, the bar
    // first.
    void finishExtents(TSinglePartMuz& part);
    void reserve(size_t symbols);

protected:
    const TScoreMetrics& m_;
    Canvas& canvas_;
    TPartLayout& out_;

private:
    // One map: a part has tens of thousands of symbols.
    std::unordered_map<const TXTouchMuzSymbol*, TPlaced> extents_;
    size_t segBegin_ = 0;
    int segMin_ = 0, segMax_ = 0;
    bool segEmpty_ = true;
    // The ink of each item of the bar being laid out.
    struct TInk {
        int Stave, Left, Right, Top;
    };
    std::vector<TInk> inks_;

    TScoreItem& push(uint8_t kind, int stave, const TXTouchMuzSymbol* owner, const TMuzNote* colour);
    void widen(int a, int b);
    void ink(int stave, int left, int right, int top) { inks_.push_back({stave, left, right, top}); }
};

// -- hit tests --------------------------------------------------------------
// Visits the symbols of a stave in the drawn parts in list order while
// visit returns true.
template <typename F>
void ForStaveSymbols(const TScoreLayout& layout, const TNoteStave* stave, F&& visit) {
    for (const TScorePiece& piece : layout.Pieces()) {
        if (piece.Kind != TScorePiece::pieceSingle) continue;
        for (TStaveSymbol* s = piece.Single->GetFirstSymbol(); s; s = s->Next)
            if (s->GetNoteStave() == stave && !visit(s)) return;
    }
}

// The first symbol of a kind of the stave whose drawn extent holds x.
template <typename T>
T* FirstHit(const TScoreLayout& layout, const TNoteStave* stave, int x, uint8_t kind) {
    T* hit = nullptr;
    ForStaveSymbols(layout, stave, [&](TStaveSymbol* s) {
        if (s->GetStaveSymbolKind() == kind && s->Layout.LeftX <= x && x <= s->Layout.RightX) {
            hit = static_cast<T*>(s);
            return false;
        }
        return true;
    });
    return hit;
}

// -- keys and time signatures (LayoutKeys.cpp) -----------------------------
// The room a key takes from the stave's x to the first head after it.
int KeyWidth(const TScoreMetrics& m, const TKey& key);
// Draws the clef, octave mark and signature from x; returns the x the
// music goes on from. Records the key's hit area and place.
int DrawKey(TLayoutSink& sink, int stave, const TKey& key, int x);
// The key's hit area only, for a key that restates what the stave shows.
int DrawCourtesyKey(TLayoutSink& sink, int stave, const TKey& key, int x);
// The time signature from x; returns the x the music goes on from.
int DrawTimeSignature(TLayoutSink& sink, int stave, const TMuzBar& bar, int x);

// -- accidentals and dots (LayoutAccidentals.cpp) --------------------------
// The ink width of an accidental as drawn.
int AccidentalInk(const TScoreMetrics& m, uint8_t kind);
// An accidental whose ink starts at `left`, for a head centred on y.
void DrawAccidental(TLayoutSink& sink, int stave, uint8_t kind, int left, int y, const TXTouchMuzSymbol* owner,
                    const TMuzNote* colour);
// The entries of the notes with the accidentals they show against those in
// effect (which they change), and their columns; returns the room before
// the heads, columnW the width of one column.
int ShownAccidentals(const TKey* key, std::array<uint8_t, 7>& scale, const std::vector<TMuzNote*>& notes,
                     std::vector<TNoteEntry>& entries, int& columnW);
// The height of each note's dot (a chord's notes lowest first), all in
// spaces and distinct; none when the chord has no dots.
std::vector<int> DotHeights(const TChord& c);
void DrawDots(TLayoutSink& sink, int stave, const TChord& c, int dotHeight, const TMuzNote* n);

// -- ties (LayoutTies.cpp) -------------------------------------------------
// The tied pieces of a note from `onset` for `length`, up to its bar's end
// at the latest: the standard values BrokenLengthPieces gives, split once
// more at the middle of a bar of two halves (an even count) when the note
// starts after the bar line and before the middle, so that no tie spans
// the half bar without a head at its start.
std::vector<TDrawnPiece> TiedPieces(double onset, double length, double barStart, double barLength, bool halves);
// The open ties of a part: from the head a tie leaves to the head it
// reaches.
class TTies {
public:
    void Start(const TMuzNote* n, int x, int y, bool below) { open_[n] = {x, y, below}; }
    void Drop(const TMuzNote* n) { open_.erase(n); }
    // Draws the tie reaching the head of n at x, if one is open.
    void End(TLayoutSink& sink, int stave, const TMuzNote* n, int x);

private:
    struct TStart {
        int X = 0;
        int Y = 0;
        bool Below = false;
    };
    std::unordered_map<const TMuzNote*, TStart> open_;
};

// -- heads, stems, flags and beams (LayoutStems.cpp) ------------------------
int HeadWidth(const TScoreMetrics& m, int flagLength);
// Whether the stems of a group point up.
bool StemsUp(const std::vector<TChord>& chords);
// The heads of a chord with their ledger lines, accidentals and dots; the
// hit area and place of each note of the chord's first piece.
void DrawHeads(TLayoutSink& sink, TTies& ties, int stave, TChord& c, bool up);
// The stem of a chord alone, and its flags; tipY gets the stem's end.
void DrawStemAndFlags(TLayoutSink& sink, int stave, const TChord& c, bool up, int& tipY);
// The stems and beams of a group; tips gets each stem's end.
void DrawBeams(TLayoutSink& sink, int stave, const std::vector<TChord>& chords, bool up, std::vector<int>& tips);

// -- articulations (LayoutArticulations.cpp) -------------------------------
void DrawArticulation(TLayoutSink& sink, int stave, const TChord& c, bool up, bool hasStem);

// -- silences (LayoutRests.cpp) --------------------------------------------
struct TRestInk {
    int Width = 0;  // the room the silence takes, dots included
    int Top = 0;    // the ink's top row from the middle line
};
// A silence (or one piece of it) at x; with `record` its hit area, and its
// place at anchorX.
TRestInk DrawRest(TLayoutSink& sink, int stave, const TSilence* s, int x, int lengthKind, int points, bool record,
                  int anchorX);

// -- tuplet numbers and brackets (LayoutMarks.cpp) --------------------------
// The tuplets of a bar, collected as their members are drawn and drawn
// above or below them once all are.
class TTupletMarks {
public:
    // A member (a chord of a group, or a silence) from minX to maxX with
    // ink from top down; `group` is its beam group, -1 for none.
    void Note(int stave, double position, uint8_t multiOol, int minX, int maxX, int top, bool up,
              bool noteMember, int group);
    void Draw(TLayoutSink& sink);

private:
    struct TTuplet {
        int Stave = 0;
        double Position = 0;
        uint8_t MultiOol = sool;
        int MinX = 0, MaxX = 0;
        int Top = 0;
        bool AnyUp = false, AnyDown = false;
        int Group = -1;  // the beam group of all members, -1 when not one group
        bool Mixed = false;
    };
    std::vector<TTuplet> tuplets_;
};

}  // namespace korvane::engraving
