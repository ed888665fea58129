// The layout of one single part, bar by bar. The symbols of a bar are first
// read for what they need (a time grid over all staves: every onset is a
// column, see TimeGrid.h and LayoutSpacing.cpp), then drawn in list order
// with their heads on the columns. Notes and silences at one position and
// tuplet member form a slot; the notes of a slot go, by stick kind, into one
// of three beam collectors, which a different tuplet, length or beat ends. A
// note or silence that reaches across a bar line is drawn as a run of
// standard values up to the line and carried over into the next bar (notes
// tied); every piece stands on the column of its own onset.
#include <algorithm>
#include <cmath>

#include "core/Assert.h"
#include "music/NotePlayers.h"
#include "score/LayoutBuilder.h"
#include "score/ScoreMeasures.h"

namespace korvane {
namespace engraving {

TBuilder::TBuilder(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& m,
                   Canvas& canvas, TPartLayout& out, const TPartContext& context)
    : TLayoutSink(m, canvas, out), part_(part), context_(context) {
    for (size_t i = 0; i < staves.size(); ++i) {
        TStaveState st;
        st.Stave = staves[i];
        st.Index = static_cast<int>(i);
        st.X = 4;
        index_[staves[i]] = static_cast<int>(i);
        states_.push_back(std::move(st));
    }
}

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
    for (auto& st : states_) st.X = DrawTimeSignature(*this, st.Index, *bar_, st.X);
}

bool TBuilder::restates(const TStaveState& st, const TKey& key) const {
    if (static_cast<size_t>(st.Index) >= context_.Keys.size()) return false;
    const TKey* before = context_.Keys[st.Index];
    return before && before->GetKeyKind() == key.GetKeyKind() && before->GetAddOctaves() == key.GetAddOctaves() &&
           before->GetScale() == key.GetScale();
}

void TBuilder::drawKey(TStaveState& st, const TKey& key, bool partStart) {
    // What the stave already shows is not repeated at a part's start; the
    // key can still be clicked where it stands.
    st.X = partStart && restates(st, key) ? DrawCourtesyKey(*this, st.Index, key, st.X)
                                          : DrawKey(*this, st.Index, key, st.X);
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
    std::vector<TNoteEntry> entries;
    int accColumnW = 0;
    ShownAccidentals(st.Key, st.Stave->Layout.BarScale, st.SlotNotes, entries, accColumnW);
    const TStaveTimeSymbol* first = st.SlotNotes.empty() ? static_cast<TStaveTimeSymbol*>(st.SlotSilences.front())
                                                         : static_cast<TStaveTimeSymbol*>(st.SlotNotes.front());
    const double onset = onsetOf(*first);
    const int headX = grid_.HeadX(onset);

    const bool hasSilence = !st.SlotSilences.empty();
    if (hasSilence) flushStave(st);
    for (TSilence* s : st.SlotSilences) {
        const double end = s->GetSymbolPosition() + s->GetTotalLength();
        if (wholeRests_.count(s)) {
            // Alone in its bar: a whole rest, whatever the bar's length, as
            // musicians write a bar's rest, centred between the lines.
            const int w = SilenceWidth(1, 0);
            emitSilence(st, s, (barStartX_ + barEndX_ - w) / 2, 1, 0, true, headX);
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
            c.HeadW = HeadWidth(m_, c.FlagLength);
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
    const bool up = StemsUp(chords);
    const int group = beamed ? ++groupCounter_ : -1;
    std::vector<int> tips(chords.size(), 0);
    for (auto& c : chords) DrawHeads(*this, ties_, st.Index, c, up);
    if (beamed) {
        DrawBeams(*this, st.Index, chords, up, tips);
    } else {
        for (size_t i = 0; i < chords.size(); ++i) {
            tips[i] = up ? -5 * chords[i].MaxHeight() : -5 * chords[i].MinHeight();
            if (chords[i].FlagLength >= 2) DrawStemAndFlags(*this, st.Index, chords[i], up, tips[i]);
        }
    }
    for (size_t i = 0; i < chords.size(); ++i) {
        const TChord& c = chords[i];
        DrawArticulation(*this, st.Index, c, up, c.FlagLength >= 2);
        if (c.MultiOol != sool) {
            const int top = std::min(tips[i], -5 * c.MaxHeight() - 6);
            tuplets_.Note(st.Index, c.Position, c.MultiOol, c.HeadX, c.HeadX + c.Columns() * c.HeadW, top,
                          up, true, group);
        }
    }
}

int TBuilder::emitSilence(TStaveState& st, TSilence* s, int x, int lengthKind, int points, bool record,
                          int anchorX) {
    const TRestInk ink = DrawRest(*this, st.Index, s, x, lengthKind, points, record, anchorX);
    if (record && s->GetMultiOol() != sool)
        tuplets_.Note(st.Index, s->GetSymbolPosition(), s->GetMultiOol(), x, x + ink.Width, ink.Top, true,
                      false, -1);
    return ink.Width;
}

void TBuilder::emitSilencePieces(TStaveState& st, TSilence* s, double length, double onset) {
    bool first = !placed(s);
    for (const TDrawnPiece& p : BrokenLengthPieces(length)) {
        const int x = grid_.HeadX(onset);
        emitSilence(st, s, x, p.NoteLengthKind, p.Points, first, x);
        first = false;
        onset += pieceLength(p);
    }
}

void TBuilder::emitPieces(TStaveState& st, TChord proto, double length, double onset, bool lastIsEnd) {
    const std::vector<TDrawnPiece> pieces = TiedPieces(onset, length, barStart_, barLength_, halves_);
    for (size_t i = 0; i < pieces.size(); ++i) {
        TChord c = proto;
        c.Piece = true;
        c.FlagLength = pieces[i].NoteLengthKind;
        c.Points = pieces[i].Points;
        c.HeadW = HeadWidth(m_, c.FlagLength);
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

void TBuilder::alignAll() {
    closeAll();
    for (auto& st : states_) flushStave(st);
    tuplets_.Draw(*this);
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

void TBuilder::startBars() {
    bar_ = part_.GetMuzBar();
    KORVANE_ASSERT(bar_ != NULL);
    barLength_ = bar_->BarLength();
    barEnd_ = bar_->NextBarLine(0);
    barStart_ = barEnd_ - barLength_;
    const int unit = bar_->GetNoteLength();
    beat_ = (unit >= 8 && bar_->GetCountNotes() % 3 == 0) ? 3.0 / unit : 1.0 / unit;
    halves_ = bar_->GetCountNotes() % 2 == 0;
    for (auto& st : states_) st.Stave->Layout.SetLayoutBase(st.Stave->Layout.BaseY, st.Stave->Layout.ReachedX);
}

void TBuilder::chooseShortest() {
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
    reserve(symbols);
}

bool TBuilder::anyCarries() const {
    bool carries = false;
    for (const auto& st : states_) carries = carries || !st.Carries.empty();
    return carries;
}

// Lays out and closes the bars before the one time `p` falls in.
void TBuilder::advanceTo(double p) {
    while (p >= barEnd_ - kEps) {
        layoutBar();
        barLine();
        barStart_ = barEnd_;
        barEnd_ = bar_->NextBarLine(barEnd_);
        if (!anyCarries() && p >= barEnd_ - kEps) {
            // Bars that hold nothing in any stave get no lines of their
            // own: one line stands for the gap, however long.
            barEnd_ = bar_->NextBarLine(p + kEps);
            barStart_ = barEnd_ - barLength_;
        }
    }
}

// The part's symbols in list order, bar by bar; returns where the last note
// or silence ends.
double TBuilder::readSymbols() {
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
        advanceTo(p);
        barSymbols_.emplace_back(found->second, s);
        if (!isKey) lastEnd = std::max(lastEnd, p + static_cast<TStaveTimeSymbol*>(s)->GetTotalLength());
    }
    if (header) drawHeader();
    return lastEnd;
}

// A part that fills its last bar ends with a bar line; returns the x the
// staves reached.
int TBuilder::closingLine(double lastEnd) {
    const bool onLine = lastEnd > kEps && std::fabs(bar_->NextBarLine(lastEnd - 1e-7) - lastEnd) < 1e-7;
    int x = states_.empty() ? 4 : states_.front().X;
    if (onLine && x > 0) {
        out_.ClosingBegin = out_.Items.size();
        for (auto& st : states_) rect(st.Index, st.X + 3, -20, st.X + 4, 21, nullptr, nullptr);
        out_.ClosingEnd = out_.Items.size();
        const int number = static_cast<int>(std::lround((barEnd_ - bar_->NextBarLine(0)) / barLength_)) + 1;
        out_.BarLines.push_back({number, barEnd_, x + 3});
    }
    return x;
}

// The highest y the first stave's drawing reaches.
void TBuilder::findTopY() {
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
}

void TBuilder::Run() {
    startBars();
    chooseShortest();
    const double lastEnd = readSymbols();
    layoutBar();
    // What reaches past the last symbol's bar gets bars of its own.
    while (anyCarries()) {
        barLine();
        barStart_ = barEnd_;
        barEnd_ = bar_->NextBarLine(barEnd_);
        layoutBar();
    }
    alignAll();
    const int x = closingLine(lastEnd);
    finishSegment();
    out_.Width = x + 6;
    findTopY();

    finishExtents(part_);
}

}  // namespace engraving

void LayoutSinglePart(TSinglePartMuz& part, const std::vector<TNoteStave*>& staves, const TScoreMetrics& metrics,
                      Canvas& measure, TPartLayout& out, const TPartContext& context) {
    out = TPartLayout();
    out.Revision = part.Revision();
    engraving::TBuilder(part, staves, metrics, measure, out, context).Run();
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
