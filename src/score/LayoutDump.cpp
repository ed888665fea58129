#include "score/LayoutDump.h"

#include <unordered_map>

#include "music/NotePlayers.h"
#include "values/ValueWriters.h"

namespace korvane {

namespace {

struct TNumbers {
    int Part = 0;
    int Stave = 0;
    int N = 0;
};

void line(std::string& out, int part, int stave, int n, const char* kind, double onset, int x, int left, int right,
          int y) {
    out += std::to_string(part) + '\t' + std::to_string(stave) + '\t' + std::to_string(n) + '\t' + kind + '\t' +
           WritePrecision(onset, 7, true) + '\t' + std::to_string(x) + '\t' + std::to_string(left) + '\t' +
           std::to_string(right) + '\t' + std::to_string(y) + '\n';
}

}  // namespace

std::string ScoreLayoutDump(const TScoreLayout& layout) {
    const TUnitMuz& unitMuz = layout.GetUnitMuz();
    const int dx = 5 - layout.OriginX(), dy = -layout.OriginY();
    // The numbers `select S N` gives: per stave over all single parts.
    std::unordered_map<const TNoteStave*, int> staveNumber, counted;
    int staves = 0;
    for (TStave* s = unitMuz.GetFirstStave(); s; s = s->GetNext())
        staveNumber[static_cast<TNoteStave*>(s)] = ++staves;
    std::unordered_map<const TXTouchMuzSymbol*, TNumbers> numbers;
    std::unordered_map<const TSinglePartMuz*, int> partNumber;
    int parts = 0;
    for (TSinglePartMuz* part = unitMuz.FirstSinglePart(); part; part = part->NextSinglePart()) {
        partNumber[part] = ++parts;
        for (TStaveSymbol* sym = part->GetFirstSymbol(); sym; sym = sym->Next)
            numbers[sym] = {parts, staveNumber[sym->GetNoteStave()], ++counted[sym->GetNoteStave()]};
    }
    std::vector<const TNoteStave*> byIndex(staves + 1, nullptr);
    for (const auto& [s, i] : staveNumber) byIndex[i] = s;

    const int firstBase = byIndex.size() > 1 ? byIndex[1]->Layout.BaseY + dy : 0;
    std::string out;
    int lastPart = 0, loops = 0;
    for (const TScorePiece& piece : layout.Pieces()) {
        if (piece.Kind == TScorePiece::pieceLoopLeft || piece.Kind == TScorePiece::pieceLoopRight ||
            piece.Kind == TScorePiece::pieceRepeatEnd) {
            line(out, lastPart, 0, ++loops, "loop", 0, piece.Left + dx, piece.Left + dx, piece.Right + dx, firstBase);
            continue;
        }
        if (piece.Kind != TScorePiece::pieceSingle || !piece.Layout) continue;
        const TPartLayout& pl = *piece.Layout;
        lastPart = partNumber[piece.Single];
        const int x0 = piece.Left + dx;
        size_t bar = 0;
        auto barsUpTo = [&](double time) {
            for (; bar < pl.BarLines.size() && pl.BarLines[bar].Time <= time + 1e-9; ++bar) {
                const auto& b = pl.BarLines[bar];
                line(out, lastPart, 0, b.Number, "bar", b.Time, x0 + b.X, x0 + b.X, x0 + b.X + 1, firstBase);
            }
        };
        for (const TPartLayout::TAnchor& a : pl.Anchors) {
            barsUpTo(a.Onset);
            const auto* sym = static_cast<const TStaveSymbol*>(a.Symbol);
            const TNumbers& n = numbers[sym];
            const char* kind = sym->GetStaveSymbolKind() == staveSymbolKey    ? "key"
                               : sym->GetStaveSymbolKind() == staveSymbolNote ? "note"
                                                                              : "silence";
            const int base = sym->GetNoteStave()->Layout.BaseY + dy;
            line(out, n.Part, n.Stave, n.N, kind, a.Onset, x0 + a.X, sym->Layout.LeftX + dx, sym->Layout.RightX + dx,
                 base + a.Y);
        }
        barsUpTo(1e300);
    }
    return out;
}

}  // namespace korvane
