// The layout of one single part. The symbols come in list order; each
// stave keeps its own x. Notes and silences at one position and tuplet
// member form a slot (one x); the notes of a slot go, by stick kind, into
// one of three beam collectors, which a different tuplet, length or beat
// ends. Before a symbol beyond the next bar line every stave is flushed, the
// staves meet at the widest x and the bar line is drawn. A note or silence
// that reaches across a bar line is drawn as a run of standard values up to
// the line and carried over into the next bar (notes tied).
#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

#include "core/Assert.h"
#include "music/NotePlayers.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreLayout.h"
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

// The room after a head, by the value it shows: longer values breathe more.
int spacingAfter(int flagLength) {
    static const int after[7] = {30, 24, 17, 12, 9, 7, 6};
    return after[LengthIndex(flagLength)];
}

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

class TBuilder {
public:
    TBuilder(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& m, Canvas& canvas,
             TPartLayout& out)
        : part_(part), m_(m), canvas_(canvas), out_(out) {
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
    std::vector<TStaveState> states_;
    std::unordered_map<const TNoteStave*, int> index_;
    std::unordered_map<const TXTouchMuzSymbol*, std::pair<int, int>> extents_;
    std::unordered_map<const TMuzNote*, TTieStart> ties_;
    std::vector<TTuplet> tuplets_;
    const TMuzBar* bar_ = nullptr;
    double barLength_ = 1;
    double barStart_ = 0;
    double barEnd_ = 1;
    double beat_ = 0.25;
    int groupCounter_ = 0;
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
    void extent(const TXTouchMuzSymbol* s, int left, int right) {
        auto it = extents_.find(s);
        if (it == extents_.end())
            extents_[s] = {left, right};
        else
            it->second = {std::min(it->second.first, left), std::max(it->second.second, right)};
    }
    void finishSegment() {
        if (out_.Items.size() > segBegin_) {
            out_.Segments.push_back({segBegin_, out_.Items.size(), segMin_, segMax_});
        }
        segBegin_ = out_.Items.size();
        segEmpty_ = true;
    }

    // -- notation -----------------------------------------------------------
    int heightOf(const TStaveState& st, const TMuzNote& n) const {
        return st.Key ? st.Key->PitchToHeight(n.GetPitch()) : n.GetPitch() - TKey::keyKindG;
    }
    int beatIndex(double t) const { return static_cast<int>(std::floor((t - barStart_) / beat_ + kEps)); }

    void drawHeader();
    void drawKey(TStaveState& st, const TKey& key);
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
    void barLine(bool withCarries);
    void addChord(TStaveState& st, TChord chord);
    void emitGroup(TStaveState& st, std::vector<TChord>& chords, bool beamed);
    void emitHeads(TStaveState& st, TChord& c, bool up);
    void emitStemAndFlags(TStaveState& st, const TChord& c, bool up, int& tipY);
    void emitBeams(TStaveState& st, std::vector<TChord>& chords, bool up, std::vector<int>& tips);
    void emitArticulation(TStaveState& st, const TChord& c, bool up, bool hasStem);
    int emitSilence(TStaveState& st, TSilence* s, int x, int lengthKind, int points, bool record);
    int emitPieces(TStaveState& st, TChord proto, double length, int x, bool lastIsEnd);
    int emitSilencePieces(TStaveState& st, TSilence* s, double length, int x);
    void emitCarries(TStaveState& st);
    void emitTuplets();
    void noteTuplet(int stave, double position, uint8_t multiOol, int minX, int maxX, int top, int bottom, bool up,
                    bool noteMember, int group);
    void tie(int stave, const TTieStart& from, int toX, const TMuzNote* note);
    // A flag may hang right of the head: short values keep room for it.
    int chordWidth(const TChord& c) const {
        return c.Columns() * c.HeadW + (c.Points > 0 ? 3 + 5 * c.Points : 0) + spacingAfter(c.FlagLength) +
               (c.FlagLength >= 8 ? 5 : 0);
    }
    int headWidth(int flagLength) const {
        const TGlyphBox& b = flagLength <= 1 ? m_.WholeHead : flagLength == 2 ? m_.VoidHead : m_.BlackHead;
        return std::max(b.Right - b.Left, 4);
    }
};

void TBuilder::drawHeader() {
    alignAll();
    const int w = bar_->DrawnWidth();
    for (auto& st : states_) {
        const int x = st.X;
        text(st.Index, std::to_string(bar_->GetCountNotes()), m_.DigitSize, true, x + w / 2, -10, true, bar_);
        text(st.Index, std::to_string(bar_->GetNoteLength()), m_.DigitSize, true, x + w / 2, 10, true, bar_);
        extent(bar_, x, x + w);
        st.X = x + w + 6;
    }
}

void TBuilder::drawKey(TStaveState& st, const TKey& key) {
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
            const TGlyphBox& g = m_.Accidentals[entry];
            const int y = -5 * height;
            const int baseline = flattish ? y + 5 - g.Bottom : y - (g.Top + g.Bottom) / 2;
            glyphAt(st.Index, AccidentalGlyph(entry), g, x, baseline, &key, nullptr);
            x += g.Right - g.Left + 1;
        }
    }
    const int right = x + 4;
    extent(&key, left, right);
    st.X = right + 4;
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

void TBuilder::closeSlot(TStaveState& st) {
    if (!st.Open) return;
    st.Open = false;
    auto& layout = st.Stave->Layout;
    // The accidentals the notes show, against those in effect in this bar.
    std::vector<TNoteEntry> entries;
    for (TMuzNote* n : st.SlotNotes) {
        TNoteEntry e;
        e.Note = n;
        e.Height = heightOf(st, *n);
        const int index = TKey::wrapHeight(e.Height);
        e.Shown = layout.BarScale[index] == n->GetNoteShiftKind() ? uint8_t(noteShiftNone) : n->GetNoteShiftKind();
        layout.BarScale[index] = n->GetNoteShiftKind();
        entries.push_back(e);
    }
    // Accidentals closer than six steps stand in separate columns.
    int accColumnW = 0, accColumns = 0;
    {
        std::vector<TNoteEntry*> shown;
        for (auto& e : entries)
            if (e.Shown != noteShiftNone) {
                shown.push_back(&e);
                accColumnW = std::max(accColumnW, AccidentalWidth(e.Shown));
            }
        std::sort(shown.begin(), shown.end(), [](auto* a, auto* b) { return a->Height > b->Height; });
        std::vector<int> lastInColumn;
        for (TNoteEntry* e : shown) {
            size_t c = 0;
            while (c < lastInColumn.size() && lastInColumn[c] - e->Height < 6) ++c;
            if (c == lastInColumn.size()) lastInColumn.push_back(e->Height);
            lastInColumn[c] = e->Height;
            e->AccColumn = static_cast<int>(c);
        }
        accColumns = static_cast<int>(lastInColumn.size());
    }
    const int accW = accColumns * accColumnW + (accColumns > 0 ? 2 : 0);
    const int slotX = st.X;
    const int headX = slotX + accW;
    int width = 0;

    const bool hasSilence = !st.SlotSilences.empty();
    if (hasSilence) flushStave(st);
    for (TSilence* s : st.SlotSilences) {
        const double end = s->GetSymbolPosition() + s->GetTotalLength();
        if (s->GetMultiOol() == sool && end > barEnd_ + kEps) {
            width = std::max(width, emitSilencePieces(st, s, barEnd_ - s->GetSymbolPosition(), slotX));
            st.Carries.push_back({{}, s, noteStickGroup, end - barEnd_});
        } else {
            width = std::max(width, emitSilence(st, s, slotX, s->GetFlagLength(), s->GetShownPoints(), true) + 5);
        }
    }

    // One chord per stick kind.
    for (int k = 0; k < 3; ++k) {
        TChord c;
        for (const auto& e : entries)
            if (e.Note->GetEffectiveStick() == k) c.Notes.push_back(e);
        if (c.Notes.empty()) continue;
        std::sort(c.Notes.begin(), c.Notes.end(), [](const auto& a, const auto& b) { return a.Height < b.Height; });
        const TMuzNote& first = *c.Notes.front().Note;
        c.Stick = static_cast<uint8_t>(k);
        c.HeadX = headX;
        c.AccColumnW = accColumnW;
        c.Art = first.GetNoteArtKind();
        c.MultiOol = first.GetMultiOol();
        c.LengthKind = first.GetNoteLengthKind();
        c.Position = first.GetSymbolPosition();
        c.Start = first.GetStartTime();
        for (size_t i = 1; i < c.Notes.size(); ++i)
            if (c.Notes[i].Height - c.Notes[i - 1].Height == 1) c.Seconds = true;
        const double end = first.GetSymbolPosition() + first.GetTotalLength();
        if (first.GetMultiOol() == sool && end > barEnd_ + kEps) {
            TCarry carry;
            carry.Notes = c.Notes;
            carry.Stick = c.Stick;
            carry.Rest = end - barEnd_;
            width = std::max(width, emitPieces(st, c, barEnd_ - first.GetSymbolPosition(), headX, false) + accW);
            st.Carries.push_back(std::move(carry));
        } else {
            c.FlagLength = first.GetFlagLength();
            c.Points = first.GetShownPoints();
            c.HeadW = headWidth(c.FlagLength);
            width = std::max(width, accW + chordWidth(c));
            addChord(st, std::move(c));
        }
    }
    st.X = slotX + std::max(width, 8);
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
            const TGlyphBox& g = m_.Accidentals[e.Shown];
            const int right = c.HeadX - 2 - e.AccColumn * c.AccColumnW;
            const int inkW = g.Right - g.Left;
            const bool flattish = e.Shown == noteShiftMol || e.Shown == noteShiftDoubleMol;
            const int baseline = flattish ? y + 5 - g.Bottom : y - (g.Top + g.Bottom) / 2;
            glyphAt(st.Index, AccidentalGlyph(e.Shown), g, right - inkW, baseline, n, n);
        }
        if (c.Points > 0) {
            const int dx = c.HeadX + cols * c.HeadW + 4;
            const int dy = (e.Height % 2 == 0) ? y - 5 : y;
            for (int i = 0; i < c.Points; ++i) dot(st.Index, dx + 2 + 5 * i, dy, 5, n, n);
        }
        if (c.FirstPiece) {
            n->NoteLayout.DrawnHeight = e.Height;
            extent(n, x, x + c.HeadW);
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
    int y = below ? -5 * c.MinHeight() + 11 : -5 * c.MaxHeight() - 11;
    if (y >= -20 && y <= 20 && y % 10 == 0) y += below ? 5 : -5;
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

int TBuilder::emitSilence(TStaveState& st, TSilence* s, int x, int lengthKind, int points, bool record) {
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
        extent(s, x, x + w);
        if (s->GetMultiOol() != sool)
            noteTuplet(st.Index, s->GetSymbolPosition(), s->GetMultiOol(), x, x + w, baseline + box.Top,
                       baseline + box.Bottom, true, false, -1);
    }
    return w;
}

int TBuilder::emitSilencePieces(TStaveState& st, TSilence* s, double length, int x) {
    const int start = x;
    bool first = extents_.find(s) == extents_.end();
    for (const TDrawnPiece& p : BrokenLengthPieces(length)) {
        const int w = emitSilence(st, s, x, p.NoteLengthKind, p.Points, first);
        first = false;
        x += w + 5;
    }
    return x - start;
}

int TBuilder::emitPieces(TStaveState& st, TChord proto, double length, int x, bool lastIsEnd) {
    const int start = x;
    const std::vector<TDrawnPiece> pieces = BrokenLengthPieces(length);
    for (size_t i = 0; i < pieces.size(); ++i) {
        TChord c = proto;
        c.Piece = true;
        c.FlagLength = pieces[i].NoteLengthKind;
        c.Points = pieces[i].Points;
        c.HeadW = headWidth(c.FlagLength);
        c.HeadX = x;
        c.TieIn = !proto.FirstPiece || i > 0;
        c.FirstPiece = proto.FirstPiece && i == 0;
        c.TieOut = !(lastIsEnd && i + 1 == pieces.size());
        const int w = chordWidth(c);
        std::vector<TChord> one{std::move(c)};
        emitGroup(st, one, false);
        x += w;
    }
    return x - start;
}

void TBuilder::emitCarries(TStaveState& st) {
    std::vector<TCarry> carries = std::move(st.Carries);
    st.Carries.clear();
    int width = 0;
    for (TCarry& carry : carries) {
        const double inBar = std::min(carry.Rest, barLength_);
        const bool ends = carry.Rest <= barLength_ + kEps;
        if (carry.Silence) {
            width = std::max(width, emitSilencePieces(st, carry.Silence, inBar, st.X));
        } else {
            TChord proto;
            proto.Notes = carry.Notes;
            proto.Stick = carry.Stick;
            proto.FirstPiece = false;
            for (size_t i = 1; i < proto.Notes.size(); ++i)
                if (proto.Notes[i].Height - proto.Notes[i - 1].Height == 1) proto.Seconds = true;
            width = std::max(width, emitPieces(st, proto, inBar, st.X, ends));
        }
        if (!ends) {
            carry.Rest -= barLength_;
            st.Carries.push_back(std::move(carry));
        }
    }
    st.X += width;
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

void TBuilder::barLine(bool withCarries) {
    alignAll();
    for (auto& st : states_) {
        rect(st.Index, st.X + 3, -20, st.X + 4, 21, nullptr, nullptr);
        st.X += 10;
        st.Stave->Layout.ResetBarScale();
    }
    finishSegment();
    if (!withCarries) return;
    for (auto& st : states_)
        if (!st.Carries.empty()) emitCarries(st);
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
    for (TStaveSymbol* s = part_.GetFirstSymbol(); s; s = s->Next) ++symbols;
    extents_.reserve(symbols + 1);
    out_.Items.reserve(symbols * 4);
    out_.Extents.reserve(symbols + 1);

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
        while (p >= barEnd_ - kEps) {
            barLine(true);
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
        if (isKey) {
            closeSlot(st);
            flushStave(st);
            drawKey(st, *static_cast<TKey*>(s));
        } else {
            addToSlot(st, s);
            lastEnd = std::max(lastEnd, p + static_cast<TStaveTimeSymbol*>(s)->GetTotalLength());
        }
    }
    if (header) drawHeader();
    closeAll();
    for (;;) {
        bool carries = false;
        for (const auto& st : states_) carries = carries || !st.Carries.empty();
        if (!carries) break;
        barLine(true);
        barStart_ = barEnd_;
        barEnd_ = bar_->NextBarLine(barEnd_);
    }
    alignAll();
    // A part that fills its last bar ends with a bar line.
    const bool onLine = lastEnd > kEps && std::fabs(bar_->NextBarLine(lastEnd - 1e-7) - lastEnd) < 1e-7;
    int x = states_.empty() ? 4 : states_.front().X;
    if (onLine && x > 0)
        for (auto& st : states_) rect(st.Index, st.X + 3, -20, st.X + 4, 21, nullptr, nullptr);
    finishSegment();
    out_.Width = x + 6;

    // The extents in list order, the bar first.
    auto barIt = extents_.find(bar_);
    if (barIt != extents_.end()) out_.Extents.push_back({part_.GetMuzBar(), barIt->second.first, barIt->second.second});
    for (TStaveSymbol* s = part_.GetFirstSymbol(); s; s = s->Next) {
        auto it = extents_.find(s);
        if (it != extents_.end()) out_.Extents.push_back({s, it->second.first, it->second.second});
    }
}

}  // namespace

void LayoutSinglePart(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& metrics,
                      Canvas& measure, TPartLayout& out) {
    out = TPartLayout();
    out.Revision = part.Revision();
    TBuilder(part, staves, metrics, measure, out).Run();
    const size_t n = out.Segments.size();
    out.MaxXUpTo.resize(n);
    out.MinXFrom.resize(n);
    for (size_t i = 0; i < n; ++i)
        out.MaxXUpTo[i] = std::max(out.Segments[i].MaxX, i ? out.MaxXUpTo[i - 1] : out.Segments[i].MaxX);
    for (size_t i = n; i-- > 0;)
        out.MinXFrom[i] = std::min(out.Segments[i].MinX, i + 1 < n ? out.MinXFrom[i + 1] : out.Segments[i].MinX);
}

}  // namespace korvane
