#pragma once

// The score documents the layout tests build, and what they read back of a
// laid-out part.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "music/NotePlayers.h"
#include "music/TUnitMuz.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreLayout.h"

namespace korvane::scoretest {

// A document laid out on an image canvas, whose glyphs all have the same
// fixed box: what is measured here is the layout, not a font.
struct Score {
    TUnitMuz doc;
    TSinglePartMuz* part = nullptr;
    std::vector<TNoteStave*> staves;
    ImageCanvas canvas{1600, 800};
    TScoreLayout layout{doc};

    explicit Score(int staveCount = 1, int roomUp = 80, int roomDown = 80) {
        doc.InitNew();
        part = doc.FirstSinglePart();
        staves.push_back(doc.GetFirstStave());
        staves[0]->RoomUp = roomUp, staves[0]->RoomDown = roomDown;
        while (static_cast<int>(staves.size()) < staveCount) {
            auto s = std::make_unique<TNoteStave>(&doc, 0, 0xFFFFFF, roomUp, roomDown, AllowJoinFlags, false, false);
            s->AppendNoteGroup(MakeDefaultNoteGroup(&doc, s.get()));
            s->SelectedNoteGroup = s->GetStartNoteGroup();
            staves.push_back(doc.InsertStave(staves.back(), std::move(s)));
        }
    }
    TMuzNote* note(int stave, double pos, int len, int pitch, uint8_t shift = noteShiftNormal, int points = 0,
                   uint8_t ool = sool, int posInOol = 0, uint8_t stick = noteStickGroup, TSinglePartMuz* in = nullptr) {
        TSinglePartMuz* p = in ? in : part;
        TNoteStave* s = staves[stave];
        auto n = std::make_unique<TMuzNote>(s->SelectedNoteGroup, &doc, s, pos, p, static_cast<int8_t>(len), points,
                                            ool, posInOol, pitch, shift, noteArtNormal, stick);
        TMuzNote* raw = n.get();
        std::unique_ptr<TStaveSymbol> sym = std::move(n);
        EXPECT_TRUE(p->InsertSymbol(sym));
        return raw;
    }
    TSilence* silence(int stave, double pos, int len, int points = 0) {
        auto n = std::make_unique<TSilence>(staves[stave], pos, part, static_cast<int8_t>(len), points, sool, 0);
        TSilence* raw = n.get();
        std::unique_ptr<TStaveSymbol> sym = std::move(n);
        EXPECT_TRUE(part->InsertSymbol(sym));
        return raw;
    }
    void lay(int originX = 5, int originY = 0) { layout.Layout(canvas, originX, originY); }
    const TPartLayout& laid(size_t piece = 0) const { return *layout.Pieces()[piece].Layout; }
    TKey* key(int stave) const { return static_cast<TKey*>(part->FirstSymbolOfStave(staves[stave])); }
};

// The bar lines of a stave: one pixel wide, from 20 above to 20 below.
inline std::vector<int> barLinesOf(const TPartLayout& pl, int stave) {
    std::vector<int> xs;
    for (const auto& it : pl.Items)
        if (it.Kind == TScoreItem::itemRect && it.Stave == stave && it.Y0 == -20 && it.Y1 == 21 && it.X1 == it.X0 + 1)
            xs.push_back(it.X0);
    return xs;
}

inline std::vector<const TScoreItem*> itemsOf(const TPartLayout& pl, const TXTouchMuzSymbol* owner, uint8_t kind) {
    std::vector<const TScoreItem*> found;
    for (const auto& it : pl.Items)
        if (it.Owner == owner && it.Kind == kind) found.push_back(&it);
    return found;
}

inline bool showsAccidental(const TPartLayout& pl, const TMuzNote* n) {
    const uint8_t shift = n->GetNoteShiftKind();
    if (shift == noteShiftMol || shift == noteShiftDoubleMol) {
        // Flats are drawn as shapes on a stem two pixels wide.
        for (const TScoreItem* it : itemsOf(pl, n, TScoreItem::itemRect))
            if (it->X1 - it->X0 == 2 && it->Y1 - it->Y0 == 21) return true;
        return false;
    }
    for (const TScoreItem* it : itemsOf(pl, n, TScoreItem::itemGlyph))
        if (static_cast<char32_t>(it->X1) == AccidentalGlyph(shift)) return true;
    return false;
}

// Up or down, from the note's stem: a one pixel wide rectangle.
inline int stemDirection(const TPartLayout& pl, const TMuzNote* n) {
    const int head = -5 * n->NoteLayout.DrawnHeight;
    for (const TScoreItem* it : itemsOf(pl, n, TScoreItem::itemRect))
        if (it->X1 == it->X0 + 1 && it->Y1 - it->Y0 > 20) return it->Y0 < head - 10 ? noteStickUp : noteStickDown;
    return -1;
}

}  // namespace korvane::scoretest
