// The bar plan: what every onset of a bar needs before and after its heads,
// in all staves, read before the bar is drawn, and the bar's layout on the
// columns it gives.
#include <algorithm>
#include <cmath>

#include "score/LayoutBuilder.h"
#include "score/ScoreMeasures.h"

namespace korvane::engraving {

int ChordWidth(const TChord& c) {
    return c.Columns() * c.HeadW + (c.Points > 0 ? 4 + 5 * c.Points : 0) + (c.FlagLength >= 8 ? 9 : 0) + 6;
}

int TBuilder::chordNeed(const std::vector<int>& heights, int flagLength, int points) const {
    TChord c;
    for (size_t i = 1; i < heights.size(); ++i)
        if (heights[i] - heights[i - 1] == 1) c.Seconds = true;
    c.FlagLength = flagLength;
    c.Points = points;
    c.HeadW = HeadWidth(m_, flagLength);
    return ChordWidth(c);
}

// A note or silence reaching across the bar line is drawn as pieces, each
// on the column of its own onset.
void TBuilder::needPieces(double onset, double length, bool silence, const std::vector<int>& heights) {
    const std::vector<TDrawnPiece> drawn =
        silence ? BrokenLengthPieces(length) : TiedPieces(onset, length, barStart_, barLength_, halves_);
    for (const TDrawnPiece& p : drawn) {
        grid_.Need(onset, 0,
                   silence ? SilenceWidth(p.NoteLengthKind, p.Points) + 5
                           : chordNeed(heights, p.NoteLengthKind, p.Points));
        onset += pieceLength(p);
    }
}

void TBuilder::resetPlans() {
    plans_.resize(states_.size());
    for (size_t i = 0; i < states_.size(); ++i) {
        TPlan& m = plans_[i];
        m.Key = states_[i].Key;
        m.Scale = states_[i].Stave->Layout.BarScale;
        m.Open = m.KeyPending = false;
        m.Notes.clear();
        m.Silences.clear();
        m.Count = 0;
        m.Only = nullptr;
    }
}

void TBuilder::flushKey(TPlan& m) {
    if (m.KeyPending) grid_.Need(m.KeyTime, m.KeyW, 0);
    m.KeyPending = false;
}

// What the open slot of a stave needs: its accidentals (and a key at its
// time) before the heads, its widest chord or silence after them.
void TBuilder::closePlan(TPlan& m) {
    if (!m.Open) return;
    m.Open = false;
    std::vector<TNoteEntry>& entries = planEntries_;
    entries.clear();
    int columnW = 0;
    int before = ShownAccidentals(m.Key, m.Scale, m.Notes, entries, columnW);
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
            needPieces(onset, barEnd_ - s->GetSymbolPosition(), true, {});
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
            needPieces(onset, barEnd_ - note->GetSymbolPosition(), false, heights);
        else
            after = std::max(after, chordNeed(heights, note->GetFlagLength(), note->GetShownPoints()));
    }
    grid_.Need(onset, before, after);
    m.Notes.clear();
    m.Silences.clear();
}

void TBuilder::planSymbol(TPlan& m, TStaveSymbol* sym) {
    if (sym->GetStaveSymbolKind() == staveSymbolKey) {
        closePlan(m);
        flushKey(m);
        const auto* key = static_cast<const TKey*>(sym);
        m.Key = key;
        m.Scale = key->GetScale();
        m.KeyPending = true;
        m.KeyTime = key->GetSymbolPosition();
        m.KeyW = KeyWidth(m_, *key);
        return;
    }
    const auto* t = static_cast<const TStaveTimeSymbol*>(sym);
    if (m.Open && (std::fabs(m.Pos - t->GetSymbolPosition()) > kEps || m.PosInOol != t->GetPosInOol())) closePlan(m);
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

void TBuilder::planBar() {
    grid_.Clear();
    wholeRests_.clear();
    resetPlans();
    // Carried notes and silences from the bar before.
    for (const auto& st : states_)
        for (const TCarry& carry : st.Carries) {
            std::vector<int> heights;
            for (const auto& e : carry.Notes) heights.push_back(e.Height);
            needPieces(barStart_, std::min(carry.Rest, barLength_), carry.Silence != nullptr, heights);
        }
    for (const auto& [index, sym] : barSymbols_) planSymbol(plans_[index], sym);
    for (size_t i = 0; i < plans_.size(); ++i) {
        closePlan(plans_[i]);
        flushKey(plans_[i]);
        // A silence alone in its stave's bar, as long as the bar, is centred.
        const TSilence* only = plans_[i].Only;
        if (plans_[i].Count == 1 && only && states_[i].Carries.empty() && only->GetMultiOol() == sool &&
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

}  // namespace korvane::engraving
