// The layout of one single part, bar by bar. The symbols of a bar are first
// read for what they need (a time grid over all staves: every onset is a
// column, see TimeGrid.h), then drawn in list order with their heads on
// the columns. Notes and silences at one position and tuplet member form a
// slot; the notes of a slot go, by stick kind, into one of three beam
// collectors, which a different tuplet, length or beat ends. A note or
// silence that reaches across a bar line is drawn as a run of standard
// values up to the line and carried over into the next bar (notes tied);
// every piece stands on the column of its own onset.
#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "core/Assert.h"
#include "music/NotePlayers.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreLayout.h"
#include "score/ScoreMeasures.h"
#include "score/TimeGrid.h"

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

namespace {

constexpr double kEps = 1e-9;
constexpr int kStemLength = 35;
constexpr int kBeamThickness = 5;
constexpr int kBeamDistance = 8;

// Room kept clear after a bar line, a time signature or a key.
constexpr int kClearAfterLine = 11;
// The ink width of a flat.
constexpr int kFlatWidth = 8;
// The hit area of a key or time signature that is not drawn again.
constexpr int kCourtesyWidth = 8;

// Where a note or silence starts in its part: a tuplet member at its own
// place in the tuplet.
double onsetOf(const TStaveTimeSymbol& t) {
    return t.GetSymbolPosition() + t.GetTotalLength() * t.GetPosInOol() / t.GetMultiOol();
}

double pieceLength(const TDrawnPiece& p) { return (2.0 - std::ldexp(1.0, -p.Points)) / p.NoteLengthKind; }

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

struct TCarry {
    std::vector<TNoteEntry> Notes;
    TSilence* Silence = nullptr;
    uint8_t Stick = noteStickGroup;
    double Rest = 0;
};

struct TStaveState {
    TNoteStave* Stave = nullptr;
    int Index = 0;
    int X = 0;
    const TKey* Key = nullptr;
    bool Open = false;
    double Pos = 0;
    int PosInOol = 0;
    std::vector<TMuzNote*> SlotNotes;
    std::vector<TSilence*> SlotSilences;
    std::vector<TChord> Collect[3];
    std::vector<TCarry> Carries;
};

struct TTieStart {
    int X = 0;
    int Y = 0;
    bool Below = false;
};

struct TTuplet {
    int Stave = 0;
    double Position = 0;
    uint8_t MultiOol = sool;
    int MinX = 0, MaxX = 0;
    int Top = 0, Bottom = 0;
    bool AnyUp = false, AnyDown = false;
    int Group = -1;  // the beam group of all members, -1 when not one group
    bool Mixed = false;
};

// What each stave's symbols need, read as they will be drawn: the key
// and the accidentals in effect change as the bar goes.
struct TPlan {
    const TKey* Key = nullptr;
    std::array<uint8_t, 7> Scale{};
    bool Open = false;
    double Pos = 0;
    int PosInOol = 0;
    std::vector<TMuzNote*> Notes;
    std::vector<TSilence*> Silences;
    bool KeyPending = false;
    double KeyTime = 0;
    int KeyW = 0;
    int Count = 0;
    TSilence* Only = nullptr;
};

class TBuilder {
public:
    TBuilder(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& m, Canvas& canvas,
             TPartLayout& out, const TPartContext& context)
        : part_(part), m_(m), canvas_(canvas), out_(out), context_(context) {
        for (size_t i = 0; i < staves.size(); ++i) {
            TStaveState st;
            st.Stave = staves[i];
            st.Index = static_cast<int>(i);
            st.X = 4;
            index_[staves[i]] = static_cast<int>(i);
            states_.push_back(std::move(st));
        }
    }

    void Run();

private:
    TSinglePartMuz& part_;
    const TScoreMetrics& m_;
    Canvas& canvas_;
    TPartLayout& out_;
    const TPartContext& context_;
    std::vector<TStaveState> states_;
    std::unordered_map<const TNoteStave*, int> index_;
    // Each symbol's hit extent and, for keys, notes and silences, where it
    // stands (one map: a part has tens of thousands of them).
    struct TPlaced {
        int Left, Right;
        bool Anchored = false;
        TPartLayout::TAnchor Anchor{};
    };
    std::unordered_map<const TXTouchMuzSymbol*, TPlaced> extents_;
    std::unordered_map<const TMuzNote*, TTieStart> ties_;
    std::vector<TTuplet> tuplets_;
    const TMuzBar* bar_ = nullptr;
    double barLength_ = 1;
    double barStart_ = 0;
    double barEnd_ = 1;
    double beat_ = 0.25;
    int groupCounter_ = 0;
    // The bar being laid out: its symbols (stave index, symbol) in list
    // order, its grid and where it starts and ends.
    std::vector<std::pair<int, TStaveSymbol*>> barSymbols_;
    TTimeGrid grid_;
    double shortest_ = 1.0 / 8;
    int barStartX_ = 0, barEndX_ = 0;
    int barNumber_ = 0;
    std::unordered_set<const TSilence*> wholeRests_;
    std::vector<TPlan> plans_;  // kept from bar to bar with their room
    std::vector<TNoteEntry> planEntries_;
    std::vector<int> planHeights_;
    size_t segBegin_ = 0;
    int segMin_ = 0, segMax_ = 0;
    bool segEmpty_ = true;

    // -- emitting ---------------------------------------------------------
    void widen(int a, int b) {
        if (segEmpty_) {
            segMin_ = std::min(a, b), segMax_ = std::max(a, b);
            segEmpty_ = false;
        } else {
            segMin_ = std::min({segMin_, a, b});
            segMax_ = std::max({segMax_, a, b});
        }
    }
    TScoreItem& push(uint8_t kind, int stave, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
        out_.Items.emplace_back();
        TScoreItem& it = out_.Items.back();
        it.Kind = kind;
        it.Stave = static_cast<int16_t>(stave);
        it.Owner = owner;
        it.ColourNote = colour;
        it.NoteColour = colour != nullptr;
        return it;
    }
    void rect(int stave, int x0, int y0, int x1, int y1, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
        TScoreItem& it = push(TScoreItem::itemRect, stave, owner, colour);
        it.X0 = x0, it.Y0 = y0, it.X1 = x1, it.Y1 = y1;
        widen(x0, x1);
    }
    void frame(int stave, int x0, int y0, int x1, int y1, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
        TScoreItem& it = push(TScoreItem::itemFrame, stave, owner, colour);
        it.X0 = x0, it.Y0 = y0, it.X1 = x1, it.Y1 = y1;
        widen(x0, x1);
    }
    void dot(int stave, int cx, int cy, int size, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
        TScoreItem& it = push(TScoreItem::itemDot, stave, owner, colour);
        it.X0 = cx - size / 2, it.Y0 = cy - size / 2, it.X1 = it.X0 + size, it.Y1 = it.Y0 + size;
        widen(it.X0, it.X1);
    }
    // A glyph whose ink starts at x (left) with its baseline at `baseline`.
    void glyphAt(int stave, char32_t code, const TGlyphBox& box, int inkLeft, int baseline,
                 const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
        TScoreItem& it = push(TScoreItem::itemGlyph, stave, owner, colour);
        it.X0 = inkLeft - box.Left, it.Y0 = baseline, it.X1 = static_cast<int>(code), it.Y1 = m_.MusicSize;
        widen(inkLeft, inkLeft + box.Right - box.Left);
    }
    void shape(int stave, const std::vector<TCanvasPointF>& points, const TXTouchMuzSymbol* owner,
               const TMuzNote* colour) {
        TScoreItem& it = push(TScoreItem::itemShape, stave, owner, colour);
        it.X0 = static_cast<int>(out_.Points.size());
        it.X1 = static_cast<int>(points.size());
        for (const auto& p : points) {
            out_.Points.push_back(p);
            widen(static_cast<int>(std::floor(p.x)), static_cast<int>(std::ceil(p.x)));
        }
    }
    // Text centred on cx, its ink centred on cy (or standing on `baseline`).
    TGlyphBox text(int stave, const std::string& s, int size, bool bold, int cx, int cy, bool centreY,
                   const TXTouchMuzSymbol* owner) {
        TCanvasFont font{kSerifFamily, size, bold};
        const TGlyphBox box = canvas_.MeasureText(font, s);
        TScoreItem& it = push(TScoreItem::itemText, stave, owner, nullptr);
        it.Bold = bold;
        it.X0 = cx - (box.Left + box.Right) / 2;
        it.Y0 = centreY ? cy - (box.Top + box.Bottom) / 2 : cy;
        it.X1 = static_cast<int>(out_.Texts.size());
        it.Y1 = size;
        out_.Texts.push_back(s);
        widen(it.X0 + box.Left, it.X0 + box.Right);
        return box;
    }
    void anchor(TPlaced& placed, const TXTouchMuzSymbol* s, int stave, double onset, int x, int y) {
        placed.Anchored = true;
        placed.Anchor = {s, stave, onset, x, y};
    }
    // Flats are drawn as shapes of their own, as heavy as the font's sharps
    // and naturals (the fonts' flats are much thinner).
    int accidentalInk(uint8_t kind) const {
        if (kind == noteShiftMol) return kFlatWidth;
        if (kind == noteShiftDoubleMol) return 2 * kFlatWidth + 1;
        return m_.Accidentals[kind].Right - m_.Accidentals[kind].Left;
    }
    // An accidental whose ink starts at `left`, for a head centred on y.
    void accidental(int stave, uint8_t kind, int left, int y, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
        if (kind == noteShiftMol || kind == noteShiftDoubleMol) {
            flat(stave, left, y, owner, colour);
            if (kind == noteShiftDoubleMol) flat(stave, left + kFlatWidth + 1, y, owner, colour);
            return;
        }
        const TGlyphBox& g = m_.Accidentals[kind];
        glyphAt(stave, AccidentalGlyph(kind), g, left, y - (g.Top + g.Bottom) / 2, owner, colour);
    }
    // The stem from a staff space and a half above the head down to the
    // head's lower edge, and a bowl round the head's place, thick at its
    // right.
    void flat(int stave, int left, int y, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
        rect(stave, left, y - 16, left + 2, y + 5, owner, colour);
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
        shape(stave, pts, owner, colour);
    }
    TPlaced& extent(const TXTouchMuzSymbol* s, int left, int right) {
        auto [it, inserted] = extents_.try_emplace(s, TPlaced{left, right});
        if (!inserted) it->second.Left = std::min(it->second.Left, left), it->second.Right = std::max(it->second.Right, right);
        return it->second;
    }
    void finishSegment() {
        if (out_.Items.size() > segBegin_) {
            out_.Segments.push_back({segBegin_, out_.Items.size(), segMin_, segMax_});
        }
        segBegin_ = out_.Items.size();
        segEmpty_ = true;
    }

    // -- notation -----------------------------------------------------------
    int beatIndex(double t) const { return static_cast<int>(std::floor((t - barStart_) / beat_ + kEps)); }

    void drawHeader();
    int keyWidth(const TKey& key) const;
    bool restates(const TStaveState& st, const TKey& key) const;
    void drawKey(TStaveState& st, const TKey& key, bool partStart = false);
    int shownAccidentals(const TKey* key, std::array<uint8_t, 7>& scale, const std::vector<TMuzNote*>& notes,
                         std::vector<TNoteEntry>& entries, int& columnW) const;
    void planBar();
    void layoutBar();
    void addToSlot(TStaveState& st, TStaveSymbol* s);
    void closeSlot(TStaveState& st);
    void closeAll() {
        for (auto& st : states_) closeSlot(st);
    }
    void flushCollector(TStaveState& st, int k);
    void flushStave(TStaveState& st) {
        for (int k = 0; k < 3; ++k) flushCollector(st, k);
    }
    void alignAll();
    void barLine();
    void addChord(TStaveState& st, TChord chord);
    void emitGroup(TStaveState& st, std::vector<TChord>& chords, bool beamed);
    void emitHeads(TStaveState& st, TChord& c, bool up);
    void emitStemAndFlags(TStaveState& st, const TChord& c, bool up, int& tipY);
    void emitBeams(TStaveState& st, std::vector<TChord>& chords, bool up, std::vector<int>& tips);
    void emitArticulation(TStaveState& st, const TChord& c, bool up, bool hasStem);
    int emitSilence(TStaveState& st, TSilence* s, int x, int lengthKind, int points, bool record, int anchorX);
    void emitPieces(TStaveState& st, TChord proto, double length, double onset, bool lastIsEnd);
    void emitSilencePieces(TStaveState& st, TSilence* s, double length, double onset);
    void emitCarries(TStaveState& st);
    void emitTuplets();
    void noteTuplet(int stave, double position, uint8_t multiOol, int minX, int maxX, int top, int bottom, bool up,
                    bool noteMember, int group);
    void tie(int stave, const TTieStart& from, int toX, const TMuzNote* note);
    // What a chord needs from its heads' x to the next column's room: the
    // heads, the dots and a flag hanging right of the stem.
    int chordWidth(const TChord& c) const {
        return c.Columns() * c.HeadW + (c.Points > 0 ? 4 + 5 * c.Points : 0) + (c.FlagLength >= 8 ? 9 : 0) + 6;
    }
    int headWidth(int flagLength) const {
        const TGlyphBox& b = flagLength <= 1 ? m_.WholeHead : flagLength == 2 ? m_.VoidHead : m_.BlackHead;
        return std::max(b.Right - b.Left, 4);
    }
};

void TBuilder::drawHeader() {
    alignAll();
    const TMuzBar* before = context_.Bar;
    if (before && before->GetCountNotes() == bar_->GetCountNotes() &&
        before->GetNoteLength() == bar_->GetNoteLength()) {
        // The bar goes on as before: no time signature, only its hit area.
        for (auto& st : states_) {
            extent(bar_, st.X, st.X + kCourtesyWidth);
            st.X += kCourtesyWidth;
        }
        return;
    }
    const int w = bar_->DrawnWidth();
    for (auto& st : states_) {
        const int x = st.X;
        text(st.Index, std::to_string(bar_->GetCountNotes()), m_.DigitSize, true, x + w / 2, -10, true, bar_);
        text(st.Index, std::to_string(bar_->GetNoteLength()), m_.DigitSize, true, x + w / 2, 10, true, bar_);
        extent(bar_, x, x + w);
        st.X = x + w + kClearAfterLine;
    }
}

int TBuilder::keyWidth(const TKey& key) const {
    const int8_t kind = key.GetKeyKind();
    const TGlyphBox& box = kind == TKey::keyKindG ? m_.GClef : kind == TKey::keyKindC ? m_.CClef : m_.FClef;
    int w = 5 + (box.Right - box.Left) + 5;
    for (uint8_t family : {uint8_t(noteShiftKruis), uint8_t(noteShiftMol)}) {
        for (int i = 0; i < 7; ++i) {
            const uint8_t entry = key.GetScale()[key.SignatureIndex(i, family)];
            const bool sharpish = entry == noteShiftKruis || entry == noteShiftDoubleKruis;
            const bool flattish = entry == noteShiftMol || entry == noteShiftDoubleMol;
            if (family == noteShiftKruis ? !sharpish : !flattish) continue;
            w += accidentalInk(entry) + 1;
        }
    }
    return w + 4 + kClearAfterLine - 4;
}

bool TBuilder::restates(const TStaveState& st, const TKey& key) const {
    if (static_cast<size_t>(st.Index) >= context_.Keys.size()) return false;
    const TKey* before = context_.Keys[st.Index];
    return before && before->GetKeyKind() == key.GetKeyKind() && before->GetAddOctaves() == key.GetAddOctaves() &&
           before->GetScale() == key.GetScale();
}

void TBuilder::drawKey(TStaveState& st, const TKey& key, bool partStart) {
    if (partStart && restates(st, key)) {
        // What the stave already shows is not repeated; the key can still
        // be clicked where it stands.
        anchor(extent(&key, st.X, st.X + kCourtesyWidth), &key, st.Index, key.GetSymbolPosition(), st.X, 0);
        st.X += kCourtesyWidth;
        st.Key = &key;
        st.Stave->Layout.StartKeyLayout(key);
        return;
    }
    const int left = st.X + 2;
    int x = left + 3;
    const int8_t kind = key.GetKeyKind();
    const TGlyphBox& box = kind == TKey::keyKindG ? m_.GClef : kind == TKey::keyKindC ? m_.CClef : m_.FClef;
    const char32_t code = kind == TKey::keyKindG ? glyph::GClef : kind == TKey::keyKindC ? glyph::CClef : glyph::FClef;
    const int h = box.Bottom - box.Top;
    int inkTop;
    if (kind == TKey::keyKindG)
        inkTop = 10 + h * 3 / 8 - h;  // the curl on the G line
    else if (kind == TKey::keyKindF)
        inkTop = -10 - h * 2 / 7;  // the dots around the F line
    else
        inkTop = -h / 2;  // centred on the C line
    glyphAt(st.Index, code, box, x, inkTop - box.Top, &key, nullptr);
    const int clefW = box.Right - box.Left;
    if (key.GetAddOctaves() != 0) {
        const int a = key.GetAddOctaves();
        const std::string label = (a == 1 || a == -1) ? "8" : "15";
        const TGlyphBox t = canvas_.MeasureText({kSerifFamily, m_.OctaveSize, false}, label);
        const int th = t.Bottom - t.Top;
        const int cy = a > 0 ? inkTop - 2 - th / 2 : inkTop + h + 2 + th / 2;
        text(st.Index, label, m_.OctaveSize, false, x + clefW / 2, cy, true, &key);
    }
    x += clefW + 5;
    // The signature: sharps in their order, then flats in theirs; a
    // non-standard scale shows each accidental at its signature place.
    for (uint8_t family : {uint8_t(noteShiftKruis), uint8_t(noteShiftMol)}) {
        for (int i = 0; i < 7; ++i) {
            const int index = key.SignatureIndex(i, family);
            const uint8_t entry = key.GetScale()[index];
            const bool sharpish = entry == noteShiftKruis || entry == noteShiftDoubleKruis;
            const bool flattish = entry == noteShiftMol || entry == noteShiftDoubleMol;
            if (family == noteShiftKruis ? !sharpish : !flattish) continue;
            const int height = key.SignatureHeight(i, family);
            accidental(st.Index, entry, x, -5 * height, &key, nullptr);
            x += accidentalInk(entry) + 1;
        }
    }
    const int right = x + 4;
    anchor(extent(&key, left, right), &key, st.Index, key.GetSymbolPosition(), left + 3, 0);
    st.X = right + kClearAfterLine - 4;
    st.Key = &key;
    st.Stave->Layout.StartKeyLayout(key);
}

void TBuilder::addToSlot(TStaveState& st, TStaveSymbol* s) {
    const auto* t = static_cast<TStaveTimeSymbol*>(s);
    if (st.Open && (std::fabs(st.Pos - t->GetSymbolPosition()) > kEps || st.PosInOol != t->GetPosInOol()))
        closeSlot(st);
    if (!st.Open) {
        st.Open = true;
        st.Pos = t->GetSymbolPosition();
        st.PosInOol = t->GetPosInOol();
    }
    if (s->GetStaveSymbolKind() == staveSymbolNote)
        st.SlotNotes.push_back(static_cast<TMuzNote*>(s));
    else
        st.SlotSilences.push_back(static_cast<TSilence*>(s));
}

int TBuilder::shownAccidentals(const TKey* key, std::array<uint8_t, 7>& scale, const std::vector<TMuzNote*>& notes,
                               std::vector<TNoteEntry>& entries, int& columnW) const {
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

void TBuilder::closeSlot(TStaveState& st) {
    if (!st.Open) return;
    st.Open = false;
    std::vector<TNoteEntry> entries;
    int accColumnW = 0;
    shownAccidentals(st.Key, st.Stave->Layout.BarScale, st.SlotNotes, entries, accColumnW);
    const TStaveTimeSymbol* first = st.SlotNotes.empty() ? static_cast<TStaveTimeSymbol*>(st.SlotSilences.front())
                                                         : static_cast<TStaveTimeSymbol*>(st.SlotNotes.front());
    const double onset = onsetOf(*first);
    const int headX = grid_.HeadX(onset);

    const bool hasSilence = !st.SlotSilences.empty();
    if (hasSilence) flushStave(st);
    for (TSilence* s : st.SlotSilences) {
        const double end = s->GetSymbolPosition() + s->GetTotalLength();
        if (wholeRests_.count(s)) {
            // Alone in its bar: centred between the lines.
            const int w = SilenceWidth(s->GetFlagLength(), s->GetShownPoints());
            emitSilence(st, s, (barStartX_ + barEndX_ - w) / 2, s->GetFlagLength(), s->GetShownPoints(), true, headX);
        } else if (s->GetMultiOol() == sool && end > barEnd_ + kEps) {
            emitSilencePieces(st, s, barEnd_ - s->GetSymbolPosition(), onset);
            st.Carries.push_back({{}, s, noteStickGroup, end - barEnd_});
        } else {
            emitSilence(st, s, headX, s->GetFlagLength(), s->GetShownPoints(), true, headX);
        }
    }

    // One chord per stick kind.
    for (int k = 0; k < 3; ++k) {
        TChord c;
        for (const auto& e : entries)
            if (e.Note->GetEffectiveStick() == k) c.Notes.push_back(e);
        if (c.Notes.empty()) continue;
        std::sort(c.Notes.begin(), c.Notes.end(), [](const auto& a, const auto& b) { return a.Height < b.Height; });
        const TMuzNote& firstNote = *c.Notes.front().Note;
        c.Stick = static_cast<uint8_t>(k);
        c.HeadX = headX;
        c.AccColumnW = accColumnW;
        c.Art = firstNote.GetNoteArtKind();
        c.MultiOol = firstNote.GetMultiOol();
        c.LengthKind = firstNote.GetNoteLengthKind();
        c.Position = firstNote.GetSymbolPosition();
        c.Start = firstNote.GetStartTime();
        for (size_t i = 1; i < c.Notes.size(); ++i)
            if (c.Notes[i].Height - c.Notes[i - 1].Height == 1) c.Seconds = true;
        const double end = firstNote.GetSymbolPosition() + firstNote.GetTotalLength();
        if (firstNote.GetMultiOol() == sool && end > barEnd_ + kEps) {
            TCarry carry;
            carry.Notes = c.Notes;
            carry.Stick = c.Stick;
            carry.Rest = end - barEnd_;
            emitPieces(st, c, barEnd_ - firstNote.GetSymbolPosition(), onset, false);
            st.Carries.push_back(std::move(carry));
        } else {
            c.FlagLength = firstNote.GetFlagLength();
            c.Points = firstNote.GetShownPoints();
            c.HeadW = headWidth(c.FlagLength);
            addChord(st, std::move(c));
        }
    }
    st.SlotNotes.clear();
    st.SlotSilences.clear();
}

void TBuilder::addChord(TStaveState& st, TChord chord) {
    const bool beamable = st.Stave->drawFlagKind == AllowJoinFlags && chord.FlagLength >= 8 && !chord.Piece;
    const int k = chord.Stick;
    auto& c = st.Collect[k];
    if (!beamable) {
        flushCollector(st, k);
        std::vector<TChord> one{std::move(chord)};
        emitGroup(st, one, false);
        return;
    }
    if (!c.empty()) {
        const TChord& f = c.front();
        bool same = f.MultiOol == chord.MultiOol && f.LengthKind == chord.LengthKind;
        if (same && chord.MultiOol != sool) same = std::fabs(f.Position - chord.Position) < kEps;
        if (same && chord.MultiOol == sool) same = beatIndex(f.Start) == beatIndex(chord.Start);
        if (!same) flushCollector(st, k);
    }
    c.push_back(std::move(chord));
}

void TBuilder::flushCollector(TStaveState& st, int k) {
    auto& c = st.Collect[k];
    if (c.empty()) return;
    emitGroup(st, c, c.size() > 1);
    c.clear();
}

void TBuilder::emitGroup(TStaveState& st, std::vector<TChord>& chords, bool beamed) {
    bool up;
    if (chords.front().Stick == noteStickUp) {
        up = true;
    } else if (chords.front().Stick == noteStickDown) {
        up = false;
    } else {
        // Free sticks point down when the lowest plus the highest head is at
        // least the middle line.
        int lowest = chords.front().MinHeight(), highest = chords.front().MaxHeight();
        for (const auto& c : chords) {
            lowest = std::min(lowest, c.MinHeight());
            highest = std::max(highest, c.MaxHeight());
        }
        up = lowest + highest < 0;
    }
    const int group = beamed ? ++groupCounter_ : -1;
    std::vector<int> tips(chords.size(), 0);
    for (auto& c : chords) emitHeads(st, c, up);
    if (beamed) {
        emitBeams(st, chords, up, tips);
    } else {
        for (size_t i = 0; i < chords.size(); ++i) {
            tips[i] = up ? -5 * chords[i].MaxHeight() : -5 * chords[i].MinHeight();
            if (chords[i].FlagLength >= 2) emitStemAndFlags(st, chords[i], up, tips[i]);
        }
    }
    for (size_t i = 0; i < chords.size(); ++i) {
        const TChord& c = chords[i];
        emitArticulation(st, c, up, c.FlagLength >= 2);
        if (c.MultiOol != sool) {
            const int top = std::min(tips[i], -5 * c.MaxHeight() - 6);
            const int bottom = std::max(tips[i], -5 * c.MinHeight() + 6);
            noteTuplet(st.Index, c.Position, c.MultiOol, c.HeadX, c.HeadX + c.Columns() * c.HeadW, top, bottom, up,
                       true, group);
        }
    }
}

void TBuilder::emitHeads(TStaveState& st, TChord& c, bool up) {
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
    const TGlyphBox& box = c.FlagLength <= 1 ? m_.WholeHead : c.FlagLength == 2 ? m_.VoidHead : m_.BlackHead;
    const char32_t code = c.FlagLength <= 1 ? glyph::WholeNote : c.FlagLength == 2 ? glyph::VoidHead : glyph::BlackHead;
    // Ledger lines above and below the stave, over both head columns.
    const int ledgerL = c.HeadX - 3, ledgerR = c.HeadX + cols * c.HeadW + 3;
    for (int h = 6; h <= c.MaxHeight(); h += 2) rect(st.Index, ledgerL, -5 * h, ledgerR, -5 * h + 1, nullptr, nullptr);
    for (int h = -6; h >= c.MinHeight(); h -= 2) rect(st.Index, ledgerL, -5 * h, ledgerR, -5 * h + 1, nullptr, nullptr);
    // Every dotted head gets its dot in a space: a head in a space there, a
    // head on a line the space above, or the next free one below it.
    std::vector<int> dotHeights(c.Points > 0 ? c.Notes.size() : 0);
    for (size_t i = dotHeights.size(); i-- > 0;) {
        const int h = c.Notes[i].Height;
        int d = (h % 2 != 0) ? h : h + 1;
        while (i + 1 < dotHeights.size() && d >= dotHeights[i + 1]) d -= 2;
        dotHeights[i] = d;
    }
    for (auto& e : c.Notes) {
        TMuzNote* n = e.Note;
        const int x = c.HeadX + e.Column * c.HeadW;
        const int y = -5 * e.Height;
        if (n->GetNoteGroup()->NoteShape == noteShapeRectangle) {
            if (c.FlagLength >= 4)
                rect(st.Index, x, y - 4, x + c.HeadW, y + 5, n, n);
            else
                frame(st.Index, x, y - 4, x + c.HeadW, y + 5, n, n);
        } else {
            glyphAt(st.Index, code, box, x, y - (box.Top + box.Bottom) / 2, n, n);
        }
        if (e.Shown != noteShiftNone && c.FirstPiece) {
            const int right = c.HeadX - 2 - e.AccColumn * c.AccColumnW;
            accidental(st.Index, e.Shown, right - accidentalInk(e.Shown), y, n, n);
        }
        if (c.Points > 0) {
            const int dx = c.HeadX + cols * c.HeadW + 4;
            const int dy = -5 * dotHeights[&e - c.Notes.data()];
            for (int i = 0; i < c.Points; ++i) dot(st.Index, dx + 2 + 5 * i, dy, 5, n, n);
        }
        if (c.FirstPiece) {
            n->NoteLayout.DrawnHeight = e.Height;
            anchor(extent(n, x, x + c.HeadW), n, st.Index, onsetOf(*n), c.HeadX, y);
        }
        if (c.TieIn) {
            auto it = ties_.find(n);
            if (it != ties_.end()) tie(st.Index, it->second, x, n);
        }
        if (c.TieOut)
            ties_[n] = {x + c.HeadW, y, up};
        else
            ties_.erase(n);
    }
}

void TBuilder::tie(int stave, const TTieStart& from, int toX, const TMuzNote* note) {
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
    shape(stave, pts, note, note);
}

void TBuilder::emitStemAndFlags(TStaveState& st, const TChord& c, bool up, int& tipY) {
    const TMuzNote* owner = c.Notes.front().Note;
    const int flags = c.FlagLength >= 8 ? LengthIndex(c.FlagLength) - 2 : 0;
    const int extra = flags > 2 ? 6 * (flags - 2) : 0;
    const int stemX = up ? c.HeadX + c.HeadW - 1 : c.HeadX + (c.Seconds ? c.HeadW : 0);
    if (up) {
        const int start = -5 * c.MinHeight() - 2;
        tipY = std::min(-5 * c.MaxHeight() - kStemLength - extra, 0);
        rect(st.Index, stemX, tipY, stemX + 1, start, owner, owner);
    } else {
        const int start = -5 * c.MaxHeight() + 2;
        tipY = std::max(-5 * c.MinHeight() + kStemLength + extra, 0);
        rect(st.Index, stemX, start, stemX + 1, tipY, owner, owner);
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
        shape(st.Index, pts, owner, owner);
    }
}

void TBuilder::emitBeams(TStaveState& st, std::vector<TChord>& chords, bool up, std::vector<int>& tips) {
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
    slope = std::clamp(slope, -0.2, 0.2);
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
            rect(st.Index, x, tip, x + 1, -5 * c.MinHeight() - 2, note, note);
        else
            rect(st.Index, x, -5 * c.MaxHeight() + 2, x + 1, tip, note, note);
    }
    auto beam = [&](double x0, double x1, int level) {
        const double off = (up ? 1 : -1) * kBeamDistance * level;
        const double t = up ? kBeamThickness : -kBeamThickness;
        const double y0 = lineY(x0) + off, y1 = lineY(x1) + off;
        shape(st.Index, {{x0, y0}, {x1, y1}, {x1, y1 + t}, {x0, y0 + t}}, nullptr, owner);
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

void TBuilder::emitArticulation(TStaveState& st, const TChord& c, bool up, bool hasStem) {
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
            dot(st.Index, cx, y, 5, n, n);
            break;
        case noteArtStaccatissimo: {
            // A wedge pointing at the head.
            const double tipY = y - away * 4.0, baseY = y + away * 4.0;
            shape(st.Index, {{cx - 2.5, baseY}, {cx + 2.5, baseY}, {cx + 0.0, tipY}}, n, n);
            break;
        }
        case noteArtPortato:
            dot(st.Index, cx, y, 4, n, n);
            rect(st.Index, cx - 6, y + away * 5 - 1, cx + 6, y + away * 5 + 1, n, n);
            break;
        case noteArtLegato:
            rect(st.Index, cx - 6, y - 1, cx + 6, y + 1, n, n);
            break;
    }
}

int TBuilder::emitSilence(TStaveState& st, TSilence* s, int x, int lengthKind, int points, bool record,
                          int anchorX) {
    const int li = LengthIndex(lengthKind);
    const TGlyphBox& box = m_.Rests[li];
    const int restW = SilenceWidth(lengthKind, 0);
    const int inkW = box.Right - box.Left;
    int baseline;
    if (li == 0)
        baseline = -10 - box.Top;  // hangs from the fourth line
    else if (li == 1)
        baseline = 0 - box.Bottom;  // stands on the middle line
    else
        baseline = ((li == 4 || li == 6) ? 5 : 0) - (box.Top + box.Bottom) / 2;
    glyphAt(st.Index, glyph::Rest[li], box, x + (restW - inkW) / 2, baseline, s, nullptr);
    for (int i = 0; i < points; ++i) dot(st.Index, x + restW + 1 + 4 * i, -5, 4, s, nullptr);
    const int w = SilenceWidth(lengthKind, points);
    if (record) {
        anchor(extent(s, x, x + w), s, st.Index, onsetOf(*s), anchorX, baseline + (box.Top + box.Bottom) / 2);
        if (s->GetMultiOol() != sool)
            noteTuplet(st.Index, s->GetSymbolPosition(), s->GetMultiOol(), x, x + w, baseline + box.Top,
                       baseline + box.Bottom, true, false, -1);
    }
    return w;
}

void TBuilder::emitSilencePieces(TStaveState& st, TSilence* s, double length, double onset) {
    bool first = extents_.find(s) == extents_.end();
    for (const TDrawnPiece& p : BrokenLengthPieces(length)) {
        const int x = grid_.HeadX(onset);
        emitSilence(st, s, x, p.NoteLengthKind, p.Points, first, x);
        first = false;
        onset += pieceLength(p);
    }
}

void TBuilder::emitPieces(TStaveState& st, TChord proto, double length, double onset, bool lastIsEnd) {
    const std::vector<TDrawnPiece> pieces = BrokenLengthPieces(length);
    for (size_t i = 0; i < pieces.size(); ++i) {
        TChord c = proto;
        c.Piece = true;
        c.FlagLength = pieces[i].NoteLengthKind;
        c.Points = pieces[i].Points;
        c.HeadW = headWidth(c.FlagLength);
        c.HeadX = grid_.HeadX(onset);
        c.TieIn = !proto.FirstPiece || i > 0;
        c.FirstPiece = proto.FirstPiece && i == 0;
        c.TieOut = !(lastIsEnd && i + 1 == pieces.size());
        std::vector<TChord> one{std::move(c)};
        emitGroup(st, one, false);
        onset += pieceLength(pieces[i]);
    }
}

void TBuilder::emitCarries(TStaveState& st) {
    std::vector<TCarry> carries = std::move(st.Carries);
    st.Carries.clear();
    for (TCarry& carry : carries) {
        const double inBar = std::min(carry.Rest, barLength_);
        const bool ends = carry.Rest <= barLength_ + kEps;
        if (carry.Silence) {
            emitSilencePieces(st, carry.Silence, inBar, barStart_);
        } else {
            TChord proto;
            proto.Notes = carry.Notes;
            proto.Stick = carry.Stick;
            proto.FirstPiece = false;
            for (size_t i = 1; i < proto.Notes.size(); ++i)
                if (proto.Notes[i].Height - proto.Notes[i - 1].Height == 1) proto.Seconds = true;
            emitPieces(st, proto, inBar, barStart_, ends);
        }
        if (!ends) {
            carry.Rest -= barLength_;
            st.Carries.push_back(std::move(carry));
        }
    }
}

void TBuilder::noteTuplet(int stave, double position, uint8_t multiOol, int minX, int maxX, int top, int bottom,
                          bool up, bool noteMember, int group) {
    for (auto& t : tuplets_) {
        if (t.Stave == stave && t.MultiOol == multiOol && std::fabs(t.Position - position) < kEps) {
            t.MinX = std::min(t.MinX, minX), t.MaxX = std::max(t.MaxX, maxX);
            t.Top = std::min(t.Top, top), t.Bottom = std::max(t.Bottom, bottom);
            if (noteMember) {
                (up ? t.AnyUp : t.AnyDown) = true;
                if (group != t.Group) t.Mixed = true;
            } else {
                t.Mixed = true;
            }
            return;
        }
    }
    TTuplet t{stave, position, multiOol, minX, maxX, top, bottom, false, false, group, !noteMember || group < 0};
    if (noteMember) (up ? t.AnyUp : t.AnyDown) = true;
    tuplets_.push_back(t);
}

void TBuilder::emitTuplets() {
    for (const TTuplet& t : tuplets_) {
        const std::string label = std::to_string(t.MultiOol);
        const int cx = (t.MinX + t.MaxX) / 2;
        const TGlyphBox box = canvas_.MeasureText({kSerifFamily, m_.TupletSize, false}, label);
        const int th = box.Bottom - box.Top;
        if (!t.Mixed && !(t.AnyUp && t.AnyDown)) {
            // Beamed as one group: the number stands beyond the beam.
            const int cy = t.AnyUp ? t.Top - 3 - th / 2 : t.Bottom + 3 + th / 2;
            text(t.Stave, label, m_.TupletSize, false, cx, cy, true, nullptr);
        } else {
            const int y = std::min(t.Top, -24) - 6;
            const int tw = box.Right - box.Left + 6;
            const int l = t.MinX, r = t.MaxX;
            text(t.Stave, label, m_.TupletSize, false, cx, y, true, nullptr);
            rect(t.Stave, l, y, cx - tw / 2, y + 1, nullptr, nullptr);
            rect(t.Stave, cx + tw / 2, y, r, y + 1, nullptr, nullptr);
            rect(t.Stave, l, y, l + 1, y + 5, nullptr, nullptr);
            rect(t.Stave, r - 1, y, r, y + 5, nullptr, nullptr);
        }
    }
    tuplets_.clear();
}

void TBuilder::alignAll() {
    closeAll();
    for (auto& st : states_) flushStave(st);
    emitTuplets();
    int widest = 0;
    for (const auto& st : states_) widest = std::max(widest, st.X);
    for (auto& st : states_) st.X = widest;
}

void TBuilder::barLine() {
    alignAll();
    const int x = states_.empty() ? 0 : states_.front().X + 3;
    for (auto& st : states_) {
        rect(st.Index, x, -20, x + 1, 21, nullptr, nullptr);
        st.X = x + kClearAfterLine;
        st.Stave->Layout.ResetBarScale();
    }
    const int number = static_cast<int>(std::lround((barEnd_ - bar_->NextBarLine(0)) / barLength_)) + 1;
    out_.BarLines.push_back({number, barEnd_, x});
    finishSegment();
}

void TBuilder::planBar() {
    grid_.Clear();
    wholeRests_.clear();
    std::vector<TPlan>& plans = plans_;
    plans.resize(states_.size());
    for (size_t i = 0; i < states_.size(); ++i) {
        TPlan& m = plans[i];
        m.Key = states_[i].Key;
        m.Scale = states_[i].Stave->Layout.BarScale;
        m.Open = m.KeyPending = false;
        m.Notes.clear();
        m.Silences.clear();
        m.Count = 0;
        m.Only = nullptr;
    }
    auto chordNeed = [&](const std::vector<int>& heights, int flagLength, int points) {
        TChord c;
        for (size_t i = 1; i < heights.size(); ++i)
            if (heights[i] - heights[i - 1] == 1) c.Seconds = true;
        c.FlagLength = flagLength;
        c.Points = points;
        c.HeadW = headWidth(flagLength);
        return chordWidth(c);
    };
    auto pieces = [&](double onset, double length, bool silence, const std::vector<int>& heights) {
        for (const TDrawnPiece& p : BrokenLengthPieces(length)) {
            grid_.Need(onset, 0,
                       silence ? SilenceWidth(p.NoteLengthKind, p.Points) + 5
                               : chordNeed(heights, p.NoteLengthKind, p.Points));
            onset += pieceLength(p);
        }
    };
    // Carried notes and silences from the bar before.
    for (const auto& st : states_)
        for (const TCarry& carry : st.Carries) {
            std::vector<int> heights;
            for (const auto& e : carry.Notes) heights.push_back(e.Height);
            pieces(barStart_, std::min(carry.Rest, barLength_), carry.Silence != nullptr, heights);
        }
    auto flushKey = [&](TPlan& m) {
        if (m.KeyPending) grid_.Need(m.KeyTime, m.KeyW, 0);
        m.KeyPending = false;
    };
    auto close = [&](TPlan& m) {
        if (!m.Open) return;
        m.Open = false;
        std::vector<TNoteEntry>& entries = planEntries_;
        entries.clear();
        int columnW = 0;
        int before = shownAccidentals(m.Key, m.Scale, m.Notes, entries, columnW);
        const TStaveTimeSymbol* first = m.Notes.empty() ? static_cast<TStaveTimeSymbol*>(m.Silences.front())
                                                        : static_cast<TStaveTimeSymbol*>(m.Notes.front());
        const double onset = onsetOf(*first);
        if (m.KeyPending && std::fabs(m.KeyTime - onset) < kEps) {
            before += m.KeyW;
            m.KeyPending = false;
        }
        flushKey(m);
        int after = 8;
        for (TSilence* s : m.Silences) {
            if (s->GetMultiOol() == sool && s->GetSymbolPosition() + s->GetTotalLength() > barEnd_ + kEps)
                pieces(onset, barEnd_ - s->GetSymbolPosition(), true, {});
            else
                after = std::max(after, SilenceWidth(s->GetFlagLength(), s->GetShownPoints()) + 5);
        }
        for (int k = 0; k < 3; ++k) {
            std::vector<int>& heights = planHeights_;
            heights.clear();
            const TMuzNote* note = nullptr;
            for (const auto& e : entries)
                if (e.Note->GetEffectiveStick() == k) heights.push_back(e.Height), note = e.Note;
            if (!note) continue;
            std::sort(heights.begin(), heights.end());
            if (note->GetMultiOol() == sool && note->GetSymbolPosition() + note->GetTotalLength() > barEnd_ + kEps)
                pieces(onset, barEnd_ - note->GetSymbolPosition(), false, heights);
            else
                after = std::max(after, chordNeed(heights, note->GetFlagLength(), note->GetShownPoints()));
        }
        grid_.Need(onset, before, after);
        m.Notes.clear();
        m.Silences.clear();
    };
    for (const auto& [index, sym] : barSymbols_) {
        TPlan& m = plans[index];
        if (sym->GetStaveSymbolKind() == staveSymbolKey) {
            close(m);
            flushKey(m);
            const auto* key = static_cast<const TKey*>(sym);
            m.Key = key;
            m.Scale = key->GetScale();
            m.KeyPending = true;
            m.KeyTime = key->GetSymbolPosition();
            m.KeyW = keyWidth(*key);
            continue;
        }
        const auto* t = static_cast<const TStaveTimeSymbol*>(sym);
        if (m.Open && (std::fabs(m.Pos - t->GetSymbolPosition()) > kEps || m.PosInOol != t->GetPosInOol())) close(m);
        if (!m.Open) {
            m.Open = true;
            m.Pos = t->GetSymbolPosition();
            m.PosInOol = t->GetPosInOol();
        }
        ++m.Count;
        if (sym->GetStaveSymbolKind() == staveSymbolNote) {
            m.Notes.push_back(static_cast<TMuzNote*>(sym));
        } else {
            m.Silences.push_back(static_cast<TSilence*>(sym));
            m.Only = m.Silences.back();
        }
    }
    for (size_t i = 0; i < plans.size(); ++i) {
        close(plans[i]);
        flushKey(plans[i]);
        // A silence alone in its stave's bar, as long as the bar, is centred.
        const TSilence* only = plans[i].Only;
        if (plans[i].Count == 1 && only && states_[i].Carries.empty() && only->GetMultiOol() == sool &&
            std::fabs(only->GetSymbolPosition() - barStart_) < kEps &&
            std::fabs(only->GetTotalLength() - barLength_) < kEps)
            wholeRests_.insert(only);
    }
}

void TBuilder::layoutBar() {
    planBar();
    int startX = 0;
    for (const auto& st : states_) startX = std::max(startX, st.X);
    barStartX_ = startX;
    barEndX_ = grid_.Place(startX, barEnd_, shortest_);
    for (auto& st : states_)
        if (!st.Carries.empty()) emitCarries(st);
    for (const auto& [index, sym] : barSymbols_) {
        TStaveState& st = states_[index];
        if (sym->GetStaveSymbolKind() == staveSymbolKey) {
            closeSlot(st);
            flushStave(st);
            const double p = sym->GetSymbolPosition();
            st.X = grid_.HeadX(p) - grid_.Before(p);
            drawKey(st, *static_cast<TKey*>(sym));
        } else {
            addToSlot(st, sym);
        }
    }
    barSymbols_.clear();
    closeAll();
    for (auto& st : states_) st.X = barEndX_;
    alignAll();
}

void TBuilder::Run() {
    bar_ = part_.GetMuzBar();
    KORVANE_ASSERT(bar_ != NULL);
    barLength_ = bar_->BarLength();
    barEnd_ = bar_->NextBarLine(0);
    barStart_ = barEnd_ - barLength_;
    const int unit = bar_->GetNoteLength();
    beat_ = (unit >= 8 && bar_->GetCountNotes() % 3 == 0) ? 3.0 / unit : 1.0 / unit;
    for (auto& st : states_) st.Stave->Layout.SetLayoutBase(st.Stave->Layout.BaseY, st.Stave->Layout.ReachedX);

    size_t symbols = 0;
    std::vector<double> durations;
    for (TStaveSymbol* s = part_.GetFirstSymbol(); s; s = s->Next) {
        ++symbols;
        if (s->GetStaveSymbolKind() != staveSymbolKey) {
            const auto* t = static_cast<const TStaveTimeSymbol*>(s);
            durations.push_back(t->GetTotalLength() / t->GetMultiOol());
        }
    }
    // The shortest common value: a few very short notes or rests do not
    // stretch all the others.
    double shortest = 1.0 / 8;
    if (!durations.empty()) {
        auto at = durations.begin() + durations.size() / 5;
        std::nth_element(durations.begin(), at, durations.end());
        shortest = *at;
    }
    shortest_ = ClampedShortest(shortest);
    extents_.reserve(symbols + 1);
    out_.Items.reserve(symbols * 4);
    out_.Extents.reserve(symbols + 1);
    out_.Anchors.reserve(symbols);

    bool header = true;
    double lastEnd = 0;
    for (TStaveSymbol* s = part_.GetFirstSymbol(); s; s = s->Next) {
        auto found = index_.find(s->GetNoteStave());
        if (found == index_.end()) continue;
        TStaveState& st = states_[found->second];
        const bool isKey = s->GetStaveSymbolKind() == staveSymbolKey;
        const double p = s->GetSymbolPosition();
        if (header && (!isKey || p > kEps)) {
            drawHeader();
            header = false;
        }
        if (header) {
            // The keys at the start stand before the time signature.
            drawKey(st, *static_cast<TKey*>(s), true);
            continue;
        }
        while (p >= barEnd_ - kEps) {
            layoutBar();
            barLine();
            barStart_ = barEnd_;
            barEnd_ = bar_->NextBarLine(barEnd_);
            bool carries = false;
            for (const auto& other : states_) carries = carries || !other.Carries.empty();
            if (!carries && p >= barEnd_ - kEps) {
                // Bars that hold nothing in any stave get no lines of their
                // own: one line stands for the gap, however long.
                barEnd_ = bar_->NextBarLine(p + kEps);
                barStart_ = barEnd_ - barLength_;
            }
        }
        barSymbols_.emplace_back(found->second, s);
        if (!isKey) lastEnd = std::max(lastEnd, p + static_cast<TStaveTimeSymbol*>(s)->GetTotalLength());
    }
    if (header) drawHeader();
    layoutBar();
    for (;;) {
        bool carries = false;
        for (const auto& st : states_) carries = carries || !st.Carries.empty();
        if (!carries) break;
        barLine();
        barStart_ = barEnd_;
        barEnd_ = bar_->NextBarLine(barEnd_);
        layoutBar();
    }
    alignAll();
    // A part that fills its last bar ends with a bar line.
    const bool onLine = lastEnd > kEps && std::fabs(bar_->NextBarLine(lastEnd - 1e-7) - lastEnd) < 1e-7;
    int x = states_.empty() ? 4 : states_.front().X;
    if (onLine && x > 0) {
        for (auto& st : states_) rect(st.Index, st.X + 3, -20, st.X + 4, 21, nullptr, nullptr);
        const int number = static_cast<int>(std::lround((barEnd_ - bar_->NextBarLine(0)) / barLength_)) + 1;
        out_.BarLines.push_back({number, barEnd_, x + 3});
    }
    finishSegment();
    out_.Width = x + 6;
    for (const TScoreItem& it : out_.Items) {
        if (it.Stave != 0) continue;
        int top = it.Y0;  // rects, dots, frames
        if (it.Kind == TScoreItem::itemText)
            top = it.Y0 - it.Y1;
        else if (it.Kind == TScoreItem::itemGlyph)
            top = it.Y0 - 10;  // heads and rests stand about on their baseline
        else if (it.Kind == TScoreItem::itemShape)
            for (int k = 0; k < it.X1; ++k) top = std::min(top, static_cast<int>(out_.Points[it.X0 + k].y));
        out_.TopY = std::min(out_.TopY, top);
    }

    // The extents in list order, the bar first.
    auto barIt = extents_.find(bar_);
    if (barIt != extents_.end()) out_.Extents.push_back({part_.GetMuzBar(), barIt->second.Left, barIt->second.Right});
    for (TStaveSymbol* s = part_.GetFirstSymbol(); s; s = s->Next) {
        auto it = extents_.find(s);
        if (it == extents_.end()) continue;
        out_.Extents.push_back({s, it->second.Left, it->second.Right});
        if (it->second.Anchored) out_.Anchors.push_back(it->second.Anchor);
    }
}

}  // namespace

void LayoutSinglePart(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& metrics,
                      Canvas& measure, TPartLayout& out, const TPartContext& context) {
    out = TPartLayout();
    out.Revision = part.Revision();
    TBuilder(part, staves, metrics, measure, out, context).Run();
    out.EndKeys.assign(staves.size(), nullptr);
    for (TStaveSymbol* s = part.GetFirstSymbol(); s; s = s->Next)
        if (s->GetStaveSymbolKind() == staveSymbolKey)
            for (size_t i = 0; i < staves.size(); ++i)
                if (staves[i] == s->GetNoteStave()) out.EndKeys[i] = static_cast<const TKey*>(s);
    const size_t n = out.Segments.size();
    out.MaxXUpTo.resize(n);
    out.MinXFrom.resize(n);
    for (size_t i = 0; i < n; ++i)
        out.MaxXUpTo[i] = std::max(out.Segments[i].MaxX, i ? out.MaxXUpTo[i - 1] : out.Segments[i].MaxX);
    for (size_t i = n; i-- > 0;)
        out.MinXFrom[i] = std::min(out.Segments[i].MinX, i + 1 < n ? out.MinXFrom[i + 1] : out.Segments[i].MinX);
}

}  // namespace korvane
