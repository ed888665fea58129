#include "score/ScoreHit.h"

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
