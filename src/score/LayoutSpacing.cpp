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
        c.HeadW = HeadWidth(m_, flagLength);
        return ChordWidth(c);
    };
    auto pieces = [&](double onset, double length, bool silence, const std::vector<int>& heights) {
        const std::vector<TDrawnPiece> drawn =
            silence ? BrokenLengthPieces(length) : TiedPieces(onset, length, barStart_, barLength_, halves_);
        for (const TDrawnPiece& p : drawn) {
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
            m.KeyW = KeyWidth(m_, *key);
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

}  // namespace korvane::engraving
