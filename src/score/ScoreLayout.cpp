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

// One pass over the part tree that lays out the drawn parts in order, from
// left to right, and lists the pieces of the drawing.
struct TScoreLayout::TWalk {
    TScoreLayout& Owner;
    Canvas& TheCanvas;
    const std::vector<TNoteStave*>& Staves;
    int X;
    TPartContext Context;
    std::unordered_set<const TSinglePartMuz*> Seen;
    std::unordered_map<const TSelectPartMuz*, TLoopPartMuz*> RepeatAfter;

    // A part whose flag is off hides its subtree.
    void Part(TPartMuz* p) {
        if (!p || !p->PlayAndDraw) return;
        switch (p->GetPartMuzKind()) {
            case partMuzSingle:
                layoutSingle(static_cast<TSinglePartMuz*>(p));
                break;
            case partMuzConcat: {
                auto* concat = static_cast<TConcatPartMuz*>(p);
                Part(concat->GetFirstPart());
                Part(concat->GetSecondPart());
                break;
            }
            case partMuzLoop:
                layoutLoop(static_cast<TLoopPartMuz*>(p));
                break;
            case partMuzSelect:
                layoutSelect(static_cast<TSelectPartMuz*>(p));
                break;
            case partMuzStart:
                Part(static_cast<TStartPartMuz*>(p)->GetPartMuz());
                break;
        }
    }

private:
    // A loop mark right after a part that closes with a bar line stands
    // for that line.
    void markAfter() {
        std::vector<TScorePiece>& pieces = Owner.Pieces_;
        if (!pieces.empty() && pieces.back().Kind == TScorePiece::pieceSingle &&
            pieces.back().Layout->ClosingEnd > pieces.back().Layout->ClosingBegin)
            pieces.back().MarkAfter = true;
    }

    // Lays the part out again when it or what comes before it changed, and
    // writes its extents into the model when they moved.
    void layoutSingle(TSinglePartMuz* single) {
        Seen.insert(single);
        TPartLayout& pl = Owner.Cache_[single];
        const uint64_t contextHash = Context.Hash();
        if (pl.Revision != single->Revision() || pl.Context != contextHash) {
            LayoutSinglePart(*single, Staves, Owner.Metrics_, TheCanvas, pl, Context);
            pl.Context = contextHash;
            ++Owner.PartsLaidOut_;
        }
        for (size_t i = 0; i < pl.EndKeys.size() && i < Context.Keys.size(); ++i)
            if (pl.EndKeys[i]) Context.Keys[i] = pl.EndKeys[i];
        Context.Bar = single->GetMuzBar();
        TWritten& w = Owner.Written_[single];
        if (w.Layout != &pl || w.Revision != pl.Revision || w.Context != pl.Context || w.Left != X) {
            for (const auto& e : pl.Extents) e.Symbol->Layout = {X + e.Left, X + e.Right};
            w = {&pl, pl.Revision, pl.Context, X};
        }
        TScorePiece piece;
        piece.Single = single;
        piece.Layout = &pl;
        piece.Left = X;
        X += pl.Width;
        piece.Right = X;
        Owner.Pieces_.push_back(piece);
    }

    // The turns the loop's body ends in: all but the last close with an end
    // repeat, as first and second endings do. Returns how many there are.
    size_t endingTurns(TLoopPartMuz* loop) {
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
            RepeatAfter[static_cast<TSelectPartMuz*>(leaves[leaves.size() - 1 - i])] = loop;
        return turns;
    }

    void layoutLoop(TLoopPartMuz* loop) {
        const size_t turns = endingTurns(loop);
        for (uint8_t side : {uint8_t(TLoopPartSymbol::loopSideLeft), uint8_t(TLoopPartSymbol::loopSideRight)}) {
            if (side == TLoopPartSymbol::loopSideRight) Part(loop->GetLoopPart());
            TScorePiece piece;
            piece.Kind =
                side == TLoopPartSymbol::loopSideLeft ? TScorePiece::pieceLoopLeft : TScorePiece::pieceLoopRight;
            piece.Loop = loop;
            piece.Plain = side == TLoopPartSymbol::loopSideRight && turns > 0;
            piece.Left = X;
            X += LoopSymbolWidth(*loop, side);
            piece.Right = X;
            TLoopPartSymbol* mark =
                side == TLoopPartSymbol::loopSideLeft ? loop->GetLeftLoopSymbol() : loop->GetRightLoopSymbol();
            mark->Layout = {piece.Left, piece.Right};
            markAfter();
            Owner.Pieces_.push_back(piece);
        }
    }

    void layoutSelect(TSelectPartMuz* select) {
        std::vector<TScorePiece>& pieces = Owner.Pieces_;
        const size_t at = pieces.size();
        TScorePiece piece;
        piece.Kind = TScorePiece::pieceTurns;
        piece.Select = select;
        piece.Left = X;
        pieces.push_back(piece);
        Part(select->GetSelectPart());
        pieces[at].Right = X;
        auto repeat = RepeatAfter.find(select);
        if (repeat != RepeatAfter.end()) {
            TScorePiece end;
            end.Kind = TScorePiece::pieceRepeatEnd;
            end.Loop = repeat->second;
            end.Left = X;
            X += LoopSymbolWidth(*repeat->second, TLoopPartSymbol::loopSideRight);
            end.Right = X;
            markAfter();
            pieces.push_back(end);
        }
    }
};

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
    TWalk walk{*this, canvas, staves, originX, {}, {}, {}};
    walk.Context.Keys.assign(staves.size(), nullptr);
    walk.Part(UnitMuz.GetStartPart());
    const int x = walk.X;
    LargestX_ = x;
    for (TNoteStave* s : staves) s->Layout.ReachedX = x;
    // Forget the parts that went out of the drawing.
    const auto& seen = walk.Seen;
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
