#include "music/MusicReadout.h"

#include <cmath>
#include <numeric>

#include "music/TUnitMuz.h"

namespace korvane {

namespace {

const char* const kDot = " \xC2\xB7 ";  // " · "

// A fraction of a beat as a sign where there is one.
std::string fractionText(long long n, long long d) {
    struct Sign {
        int n, d;
        const char* text;
    };
    static const Sign signs[] = {{1, 2, "½"}, {1, 4, "¼"}, {3, 4, "¾"}, {1, 3, "⅓"}, {2, 3, "⅔"},
                                 {1, 8, "⅛"}, {3, 8, "⅜"}, {5, 8, "⅝"}, {7, 8, "⅞"}, {1, 6, "⅙"},
                                 {5, 6, "⅚"}, {1, 5, "⅕"}, {2, 5, "⅖"}, {3, 5, "⅗"}, {4, 5, "⅘"}};
    for (const Sign& s : signs)
        if (s.n == n && s.d == d) return s.text;
    return " " + std::to_string(n) + "/" + std::to_string(d);
}

}  // namespace

TBarBeat BarBeatOf(const TStaveSymbol& symbol) {
    TBarBeat place;
    const TSinglePartMuz* part = symbol.GetSinglePartMuz();
    const TMuzBar* bar = part ? part->GetMuzBar() : nullptr;
    double p = symbol.GetSymbolPosition();
    // The members of a tuplet share the tuplet's position; each sounds its
    // share of the tuplet's length after it.
    if (symbol.GetStaveSymbolKind() != staveSymbolKey) {
        const auto& t = static_cast<const TStaveTimeSymbol&>(symbol);
        if (t.GetMultiOol() > 1) p += t.GetTotalLength() * t.GetPosInOol() / t.GetMultiOol();
    }
    if (!bar || bar->GetNoteLength() <= 0 || bar->GetCountNotes() <= 0) {
        place.Beat = 1 + p * 4;  // no bars: quarter beats from the start
        return place;
    }
    const double L = bar->BarLength();
    const double start = bar->FirstBarLine() - L;  // where the bar holding the start begins
    // A hair of tolerance: positions are sums of binary fractions and thirds.
    const double k = std::floor((p - start) / L + 1e-9);
    place.Bar = static_cast<int>(k) + (bar->GetExtraCount() > 0 ? 0 : 1);
    place.Beat = 1 + (p - start - k * L) * bar->GetNoteLength();
    return place;
}

std::string BarBeatText(const TBarBeat& place) {
    // Beats to the 3840th: every tuplet of up to five on a sixty-fourth grid.
    const long long unit = 3840;
    const long long total = std::llround(place.Beat * unit);
    const long long whole = total / unit;
    long long n = total % unit, d = unit;
    std::string text = "bar " + std::to_string(place.Bar) + ", beat " + std::to_string(whole);
    if (n == 0) return text;
    const long long g = std::gcd(n, d);
    n /= g;
    d /= g;
    return text + fractionText(n, d);
}

std::string NoteValueText(int flagLength, int points, uint8_t multiOol) {
    static const char* const dots[] = {"", "dotted ", "double dotted ", "triple dotted "};
    static const char* const tuplets[] = {"", "", " duplet", " triplet", " quadruplet", " quintuplet"};
    std::string text = points >= 0 && points <= 3 ? dots[points] : std::to_string(points) + " dots ";
    text += flagLength == 1 ? "1" : "1/" + std::to_string(flagLength);
    if (multiOol < 6) text += tuplets[multiOol];
    return text;
}

std::string QuarterRateText(double secondsPerWhole) {
    if (!(secondsPerWhole > 0) || !std::isfinite(secondsPerWhole)) return "";
    const long long tenths = std::llround(2400 / secondsPerWhole);
    std::string text = "♩ = " + std::to_string(tenths / 10);
    if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
    return text;
}

std::string AccidentalSign(uint8_t noteShift) {
    switch (noteShift) {
        case noteShiftDoubleKruis: return "𝄪";
        case noteShiftKruis: return "♯";
        case noteShiftNormal: return "♮";
        case noteShiftMol: return "♭";
        case noteShiftDoubleMol: return "𝄫";
        default: return "";
    }
}

std::string MusicReadout(const TUnitMuz& doc) {
    if (doc.UnitMuzMode == unitMuzAdd) {
        const std::string value = NoteValueText(doc.InsertLengthKind, doc.InsertPoints, sool);
        switch (doc.InsertModeKind) {
            case insertModeNote: return "insert: " + value + " note";
            case insertModeSilence: return "insert: " + value + " rest";
            case insertModeKey:
                return std::string("insert: ") +
                       (doc.InsertKeyKind == TKey::keyKindG ? "G" : doc.InsertKeyKind == TKey::keyKindF ? "F" : "C") +
                       " key";
            default: return "insert: " + AccidentalSign(doc.InsertNoteShift);
        }
    }
    switch (doc.GetSelMuzSymbolKind()) {
        case muzSymbolStave: {
            auto* s = static_cast<const TStaveSymbol*>(doc.SelectedSymbol);
            const uint8_t kind = s->GetStaveSymbolKind();
            std::string text = kind == staveSymbolKey ? "Key" : kind == staveSymbolNote ? "Note" : "Silence";
            text += kDot + BarBeatText(BarBeatOf(*s));
            if (kind != staveSymbolKey) {
                auto* t = static_cast<const TStaveTimeSymbol*>(s);
                text += kDot + NoteValueText(t->GetFlagLength(), t->GetShownPoints(), t->GetMultiOol());
            }
            return text;
        }
        case muzSymbolBar: return "Bar";
        case muzSymbolLoop: return "Loop";
        default: return "";
    }
}

}  // namespace korvane
