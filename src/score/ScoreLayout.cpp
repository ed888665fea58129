#include "score/ScoreLayout.h"

#include <cmath>
#include <unordered_set>

#include "music/NotePlayers.h"
#include "score/MusicGlyphs.h"
#include "score/ScoreMeasures.h"

namespace korvane {

namespace {

constexpr int kReferenceSize = 100;

// The size at which `box` (measured at the reference size) is `pixels` high.
int sizeFor(const TGlyphBox& box, double pixels, int fallback) {
    const int h = box.Bottom - box.Top;
    if (h <= 0) return fallback;
    return std::max(1, static_cast<int>(std::lround(kReferenceSize * pixels / h)));
}

std::vector<TNoteStave*> stavesOf(const TUnitMuz& unitMuz) {
    std::vector<TNoteStave*> staves;
    for (TStave* s = unitMuz.GetFirstStave(); s; s = s->GetNext()) staves.push_back(static_cast<TNoteStave*>(s));
    return staves;
}

uint64_t mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

}  // namespace

uint64_t TPartContext::Hash() const {
    uint64_t h = mix(0, Bar ? 1 : 0);
    if (Bar) h = mix(mix(h, Bar->GetCountNotes()), Bar->GetNoteLength());
    for (const TKey* k : Keys) {
        h = mix(h, k ? 1 : 0);
        if (!k) continue;
        h = mix(mix(h, static_cast<uint64_t>(k->GetKeyKind() + 128)), static_cast<uint64_t>(k->GetAddOctaves() + 128));
        for (uint8_t v : k->GetScale()) h = mix(h, v);
    }
    return h;
}

void TScoreLayout::measure(Canvas& canvas) {
    const TGlyphBox probe = canvas.MeasureMusicGlyph(glyph::BlackHead, kReferenceSize);
    if (Metrics_.MusicSize > 0 && probe.Left == Metrics_.Probe.Left && probe.Top == Metrics_.Probe.Top &&
        probe.Right == Metrics_.Probe.Right && probe.Bottom == Metrics_.Probe.Bottom)
        return;
    Cache_.clear();
    Written_.clear();
    TScoreMetrics m;
    m.Probe = probe;
    // A black head fills one space between two lines.
    m.MusicSize = sizeFor(probe, 10.0, 40);
    auto g = [&](char32_t code) { return canvas.MeasureMusicGlyph(code, m.MusicSize); };
    m.BlackHead = g(glyph::BlackHead);
    m.VoidHead = g(glyph::VoidHead);
    m.WholeHead = g(glyph::WholeNote);
    m.GClef = g(glyph::GClef);
    m.CClef = g(glyph::CClef);
    m.FClef = g(glyph::FClef);
    for (int i = 0; i < 7; ++i) m.Rests[i] = g(glyph::Rest[i]);
    for (uint8_t k = noteShiftDoubleKruis; k <= noteShiftDoubleMol; ++k) m.Accidentals[k] = g(AccidentalGlyph(k));
    m.DigitSize = sizeFor(canvas.MeasureText({kSerifFamily, kReferenceSize, true}, "4"), 19.0, 26);
    m.TupletSize = sizeFor(canvas.MeasureText({kSerifFamily, kReferenceSize, false}, "3"), 9.0, 13);
    m.OctaveSize = sizeFor(canvas.MeasureText({kSerifFamily, kReferenceSize, false}, "8"), 7.0, 10);
    Metrics_ = m;
}

uint64_t TScoreLayout::stavesKey() const {
    // What a part's layout reads of the staves besides its own symbols.
    uint64_t h = mix(0, UnitMuz.StavesRevision());
    for (TNoteStave* s : stavesOf(UnitMuz)) {
        h = mix(h, reinterpret_cast<uintptr_t>(s));
        h = mix(h, s->drawFlagKind);
        for (TNoteGroup* g = s->GetStartNoteGroup(); g; g = g->GetNext()) {
            h = mix(h, reinterpret_cast<uintptr_t>(g));
            h = mix(h, g->StickDirection);
            h = mix(h, g->NoteShape);
        }
    }
    return h;
}

void TScoreLayout::Layout(Canvas& canvas, int originX, int originY) {
    measure(canvas);
    const uint64_t key = stavesKey();
    if (key != StavesKey_) {
        Cache_.clear();
        Written_.clear();
        StavesKey_ = key;
    }
    OriginX_ = originX;
    OriginY_ = originY;
    const std::vector<TNoteStave*> staves = stavesOf(UnitMuz);
    int y = originY;
    bool first = true;
    for (TNoteStave* s : staves) {
        y += s->RoomUp + (first ? 40 : 0);
        first = false;
        s->Layout.BaseY = y;
        y += s->RoomDown;
    }
    TotalHeight_ = y + 40;

    Pieces_.clear();
    PartsLaidOut_ = 0;
    std::unordered_set<const TSinglePartMuz*> seen;
    std::unordered_map<const TSelectPartMuz*, TLoopPartMuz*> repeatAfter;
    int x = originX;
    TPartContext context;
    context.Keys.assign(staves.size(), nullptr);
    // A loop mark right after a part that closes with a bar line stands
    // for that line.
    auto markAfter = [&] {
        if (!Pieces_.empty() && Pieces_.back().Kind == TScorePiece::pieceSingle &&
            Pieces_.back().Layout->ClosingEnd > Pieces_.back().Layout->ClosingBegin)
            Pieces_.back().MarkAfter = true;
    };
    // The drawn parts in order; a part whose flag is off hides its subtree.
    auto walk = [&](auto&& self, TPartMuz* p) -> void {
        if (!p || !p->PlayAndDraw) return;
        switch (p->GetPartMuzKind()) {
            case partMuzSingle: {
                auto* single = static_cast<TSinglePartMuz*>(p);
                seen.insert(single);
                TPartLayout& pl = Cache_[single];
                const uint64_t contextHash = context.Hash();
                if (pl.Revision != single->Revision() || pl.Context != contextHash) {
                    LayoutSinglePart(*single, staves, Metrics_, canvas, pl, context);
                    pl.Context = contextHash;
                    ++PartsLaidOut_;
                }
                for (size_t i = 0; i < pl.EndKeys.size() && i < context.Keys.size(); ++i)
                    if (pl.EndKeys[i]) context.Keys[i] = pl.EndKeys[i];
                context.Bar = single->GetMuzBar();
                TWritten& w = Written_[single];
                if (w.Layout != &pl || w.Revision != pl.Revision || w.Context != pl.Context || w.Left != x) {
                    for (const auto& e : pl.Extents) e.Symbol->Layout = {x + e.Left, x + e.Right};
                    w = {&pl, pl.Revision, pl.Context, x};
                }
                TScorePiece piece;
                piece.Single = single;
                piece.Layout = &pl;
                piece.Left = x;
                x += pl.Width;
                piece.Right = x;
                Pieces_.push_back(piece);
                break;
            }
            case partMuzConcat: {
                auto* concat = static_cast<TConcatPartMuz*>(p);
                self(self, concat->GetFirstPart());
                self(self, concat->GetSecondPart());
                break;
            }
            case partMuzLoop: {
                auto* loop = static_cast<TLoopPartMuz*>(p);
                // The turns the loop's body ends in: all but the last close
                // with an end repeat, as first and second endings do.
                std::vector<TPartMuz*> leaves;
                auto flatten = [&](auto&& again, TPartMuz* q) -> void {
                    if (!q) return;
                    if (q->GetPartMuzKind() == partMuzConcat) {
                        again(again, static_cast<TConcatPartMuz*>(q)->GetFirstPart());
                        again(again, static_cast<TConcatPartMuz*>(q)->GetSecondPart());
                    } else {
                        leaves.push_back(q);
                    }
                };
                flatten(flatten, loop->GetLoopPart());
                size_t turns = 0;
                while (turns < leaves.size() && leaves[leaves.size() - 1 - turns]->PlayAndDraw &&
                       leaves[leaves.size() - 1 - turns]->GetPartMuzKind() == partMuzSelect)
                    ++turns;
                for (size_t i = 1; i < turns; ++i)
                    repeatAfter[static_cast<TSelectPartMuz*>(leaves[leaves.size() - 1 - i])] = loop;
                for (uint8_t side : {uint8_t(TLoopPartSymbol::loopSideLeft), uint8_t(TLoopPartSymbol::loopSideRight)}) {
                    if (side == TLoopPartSymbol::loopSideRight) self(self, loop->GetLoopPart());
                    TScorePiece piece;
                    piece.Kind = side == TLoopPartSymbol::loopSideLeft ? TScorePiece::pieceLoopLeft
                                                                       : TScorePiece::pieceLoopRight;
                    piece.Loop = loop;
                    piece.Plain = side == TLoopPartSymbol::loopSideRight && turns > 0;
                    piece.Left = x;
                    x += LoopSymbolWidth(*loop, side);
                    piece.Right = x;
                    TLoopPartSymbol* mark =
                        side == TLoopPartSymbol::loopSideLeft ? loop->GetLeftLoopSymbol() : loop->GetRightLoopSymbol();
                    mark->Layout = {piece.Left, piece.Right};
                    markAfter();
                    Pieces_.push_back(piece);
                }
                break;
            }
            case partMuzSelect: {
                auto* select = static_cast<TSelectPartMuz*>(p);
                const size_t at = Pieces_.size();
                TScorePiece piece;
                piece.Kind = TScorePiece::pieceTurns;
                piece.Select = select;
                piece.Left = x;
                Pieces_.push_back(piece);
                self(self, select->GetSelectPart());
                Pieces_[at].Right = x;
                auto repeat = repeatAfter.find(select);
                if (repeat != repeatAfter.end()) {
                    TScorePiece end;
                    end.Kind = TScorePiece::pieceRepeatEnd;
                    end.Loop = repeat->second;
                    end.Left = x;
                    x += LoopSymbolWidth(*repeat->second, TLoopPartSymbol::loopSideRight);
                    end.Right = x;
                    markAfter();
                    Pieces_.push_back(end);
                }
                break;
            }
            case partMuzStart:
                self(self, static_cast<TStartPartMuz*>(p)->GetPartMuz());
                break;
        }
    };
    walk(walk, UnitMuz.GetStartPart());
    LargestX_ = x;
    for (TNoteStave* s : staves) s->Layout.ReachedX = x;
    // Forget the parts that went out of the drawing.
    for (auto it = Cache_.begin(); it != Cache_.end();) it = seen.count(it->first) ? std::next(it) : Cache_.erase(it);
    for (auto it = Written_.begin(); it != Written_.end();)
        it = seen.count(it->first) ? std::next(it) : Written_.erase(it);
}

void LayoutAndPaintScore(Canvas& canvas, TScoreLayout& layout, int originX, int originY,
                         const TXTouchMuzSymbol* selected) {
    layout.Layout(canvas, originX, originY);
    PaintScore(canvas, layout, selected);
}

}  // namespace korvane
