#include "score/ScoreHit.h"

#include <algorithm>
#include <cstdlib>

#include "score/Engraving.h"

namespace korvane {

TNoteStave* StaveAtY(const TUnitMuz& unitMuz, int y) {
    for (TStave* s = unitMuz.GetFirstStave(); s; s = s->GetNext()) {
        auto* stave = static_cast<TNoteStave*>(s);
        if (y >= stave->Layout.BaseY - stave->RoomUp && y <= stave->Layout.BaseY + stave->RoomDown) return stave;
    }
    return nullptr;
}

int ClickedHeight(int baseY, int y) { return y < baseY ? (baseY - y + 2) / 5 : (baseY - y - 2) / 5; }

TNoteStave* StaveBorderAtY(const TUnitMuz& unitMuz, int y) {
    for (TStave* s = unitMuz.GetFirstStave(); s; s = s->GetNext()) {
        auto* stave = static_cast<TNoteStave*>(s);
        const int border = stave->Layout.BaseY + stave->RoomDown;
        if (y >= border - 3 && y <= border + 2) return stave;
    }
    return nullptr;
}

TStaveSymbol* InsertionPoint(const TScoreLayout& layout, const TNoteStave* stave, int x) {
    TStaveSymbol* passed = nullptr;
    engraving::ForStaveSymbols(layout, stave, [&](TStaveSymbol* s) {
        // The middle in half pixels, so that odd widths stay exact.
        if (s->Layout.LeftX + s->Layout.RightX > 2 * x) return false;
        passed = s;
        return true;
    });
    return passed;
}

int HorizontalDistance(const TXTouchMuzSymbol& symbol, int x) {
    if (x < symbol.Layout.LeftX) return symbol.Layout.LeftX - x;
    if (x > symbol.Layout.RightX) return x - symbol.Layout.RightX;
    return 0;
}

int VerticalDistance(const TStaveSymbol& symbol, int y) {
    const int base = symbol.GetNoteStave()->Layout.BaseY;
    switch (symbol.GetStaveSymbolKind()) {
        case staveSymbolNote:
            return std::abs(base - 5 * static_cast<const TMuzNote&>(symbol).NoteLayout.DrawnHeight - y);
        case staveSymbolSilence: return std::max(std::abs(base - y) - 10, 0);  // around the middle line
        default: return std::max(std::abs(base - y) - 15, 0);                 // a key
    }
}

void TNearestSymbol::Offer(TXTouchMuzSymbol* symbol, double score) {
    if (!Symbol || score < Score) {
        Symbol = symbol;
        Score = score;
    }
}

namespace {

double staveScore(const TStaveSymbol& s, int x, int y) {
    const double dx = 2.5 * HorizontalDistance(s, x);
    const double dy = VerticalDistance(s, y);
    return dx * dx + dy * dy;
}

double markScore(const TXTouchMuzSymbol& s, int x) {
    const double dx = 12.0 * HorizontalDistance(s, x);
    return dx * dx;
}

void offerPart(TPartMuz* part, int x, int y, TNearestSymbol& nearest) {
    switch (part->GetPartMuzKind()) {
        case partMuzStart:
            // The root's own flag draws nothing away.
            if (TPartMuz* child = static_cast<TStartPartMuz*>(part)->GetPartMuz()) offerPart(child, x, y, nearest);
            return;
        case partMuzSingle: {
            if (!part->PlayAndDraw) return;
            auto* single = static_cast<TSinglePartMuz*>(part);
            if (TMuzBar* bar = single->GetMuzBar()) nearest.Offer(bar, markScore(*bar, x));
            for (TStaveSymbol* s = single->GetFirstSymbol(); s; s = s->Next) nearest.Offer(s, staveScore(*s, x, y));
            return;
        }
        case partMuzConcat: {
            if (!part->PlayAndDraw) return;
            auto* concat = static_cast<TConcatPartMuz*>(part);
            offerPart(concat->GetFirstPart(), x, y, nearest);
            offerPart(concat->GetSecondPart(), x, y, nearest);
            return;
        }
        case partMuzLoop: {
            if (!part->PlayAndDraw) return;
            auto* loop = static_cast<TLoopPartMuz*>(part);
            nearest.Offer(loop->GetLeftLoopSymbol(), markScore(*loop->GetLeftLoopSymbol(), x));
            offerPart(loop->GetLoopPart(), x, y, nearest);
            nearest.Offer(loop->GetRightLoopSymbol(), markScore(*loop->GetRightLoopSymbol(), x));
            return;
        }
        case partMuzSelect:
            if (part->PlayAndDraw) offerPart(static_cast<TSelectPartMuz*>(part)->GetSelectPart(), x, y, nearest);
            return;
        default: return;
    }
}

}  // namespace

TNearestSymbol NearestSymbol(const TUnitMuz& unitMuz, int x, int y) {
    TNearestSymbol nearest;
    if (TStartPartMuz* start = unitMuz.GetStartPart()) offerPart(start, x, y, nearest);
    return nearest;
}

TXTouchMuzSymbol* SymbolNear(const TUnitMuz& unitMuz, int x, int y) {
    const TNearestSymbol nearest = NearestSymbol(unitMuz, x, y);
    return nearest.Symbol && nearest.Score <= kNearestLimit ? nearest.Symbol : nullptr;
}

TPressHit ResolveClick(const TScoreLayout& layout, const TScorePress& press) {
    TPressHit hit;
    if (press.Button == TPressButton::Other) return hit;
    TUnitMuz& doc = layout.GetUnitMuz();
    const int x = press.X, y = press.Y;
    if (TNoteStave* border = StaveBorderAtY(doc, y)) {
        hit.Kind = TPressHit::TKind::StaveBorder;
        hit.Border = border;
        return hit;
    }
    if (press.Button != TPressButton::Left) return hit;
    TScoreClick& click = hit.Click;
    if (doc.UnitMuzMode == unitMuzAdd && doc.InsertModeKind != insertModeNoteShift) {
        click.Stave = StaveAtY(doc, y);
        if (!click.Stave) return hit;  // below the last stave: nothing to insert into
        click.Height = ClickedHeight(click.Stave->Layout.BaseY, y);
        click.NoteHit = NoteHit(layout, click.Stave, x);
        click.SilenceHit = SilenceHit(layout, click.Stave, x);
        click.After = InsertionPoint(layout, click.Stave, x);
        for (TSinglePartMuz* p = doc.FirstSinglePart(); p && !click.Part; p = p->NextSinglePart())
            if (IsDrawnPart(*p)) click.Part = p;
    } else {
        click.Nearest = SymbolNear(doc, x, y);
        if (click.Nearest && click.Nearest->GetSelMuzSymbolKind() == muzSymbolStave) {
            auto* s = static_cast<TStaveSymbol*>(click.Nearest);
            click.Stave = s->GetNoteStave();
            click.Height = ClickedHeight(click.Stave->Layout.BaseY, y);
        }
    }
    hit.Kind = TPressHit::TKind::Click;
    return hit;
}

TVerticalExtent SymbolVerticalExtent(const TXTouchMuzSymbol& symbol) {
    if (symbol.GetSelMuzSymbolKind() != muzSymbolStave) return {};
    const auto& s = static_cast<const TStaveSymbol&>(symbol);
    const int base = s.GetNoteStave()->Layout.BaseY;
    if (s.GetStaveSymbolKind() == staveSymbolNote) {
        const int head = base - 5 * static_cast<const TMuzNote&>(s).NoteLayout.DrawnHeight;
        return {head - 10, head + 10, true};
    }
    return {base - 25, base + 25, true};
}

TStaveSymbol* NthSymbolOfStave(const TUnitMuz& unitMuz, int s, int n) {
    TStave* stave = unitMuz.GetFirstStave();
    for (int i = 1; stave && i < s; ++i) stave = stave->GetNext();
    if (!stave || s < 1 || n < 1) return nullptr;
    int count = 0;
    for (TSinglePartMuz* part = unitMuz.FirstSinglePart(); part; part = part->NextSinglePart())
        for (TStaveSymbol* sym = part->GetFirstSymbol(); sym; sym = sym->Next)
            if (sym->GetNoteStave() == stave && ++count == n) return sym;
    return nullptr;
}

}  // namespace korvane
