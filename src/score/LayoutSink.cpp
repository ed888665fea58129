#include <algorithm>
#include <cmath>

#include "score/Engraving.h"
#include "score/ScoreMeasures.h"

namespace korvane::engraving {

void TLayoutSink::widen(int a, int b) {
    if (segEmpty_) {
        segMin_ = std::min(a, b), segMax_ = std::max(a, b);
        segEmpty_ = false;
    } else {
        segMin_ = std::min({segMin_, a, b});
        segMax_ = std::max({segMax_, a, b});
    }
}

TScoreItem& TLayoutSink::push(uint8_t kind, int stave, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
    out_.Items.emplace_back();
    TScoreItem& it = out_.Items.back();
    it.Kind = kind;
    it.Stave = static_cast<int16_t>(stave);
    it.Owner = owner;
    it.ColourNote = colour;
    it.NoteColour = colour != nullptr;
    return it;
}

void TLayoutSink::rect(int stave, int x0, int y0, int x1, int y1, const TXTouchMuzSymbol* owner,
                       const TMuzNote* colour) {
    TScoreItem& it = push(TScoreItem::itemRect, stave, owner, colour);
    it.X0 = x0, it.Y0 = y0, it.X1 = x1, it.Y1 = y1;
    widen(x0, x1);
    ink(stave, x0, x1, y0);
}

void TLayoutSink::frame(int stave, int x0, int y0, int x1, int y1, const TXTouchMuzSymbol* owner,
                        const TMuzNote* colour) {
    TScoreItem& it = push(TScoreItem::itemFrame, stave, owner, colour);
    it.X0 = x0, it.Y0 = y0, it.X1 = x1, it.Y1 = y1;
    widen(x0, x1);
    ink(stave, x0, x1, y0);
}

void TLayoutSink::dot(int stave, int cx, int cy, int size, const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
    TScoreItem& it = push(TScoreItem::itemDot, stave, owner, colour);
    it.X0 = cx - size / 2, it.Y0 = cy - size / 2, it.X1 = it.X0 + size, it.Y1 = it.Y0 + size;
    widen(it.X0, it.X1);
    ink(stave, it.X0, it.X1, it.Y0);
}

void TLayoutSink::glyphAt(int stave, char32_t code, const TGlyphBox& box, int inkLeft, int baseline,
                          const TXTouchMuzSymbol* owner, const TMuzNote* colour) {
    TScoreItem& it = push(TScoreItem::itemGlyph, stave, owner, colour);
    it.X0 = inkLeft - box.Left, it.Y0 = baseline, it.X1 = static_cast<int>(code), it.Y1 = m_.MusicSize;
    widen(inkLeft, inkLeft + box.Right - box.Left);
    ink(stave, inkLeft, inkLeft + box.Right - box.Left, baseline + box.Top);
}

void TLayoutSink::shape(int stave, const std::vector<TCanvasPointF>& points, const TXTouchMuzSymbol* owner,
                        const TMuzNote* colour) {
    TScoreItem& it = push(TScoreItem::itemShape, stave, owner, colour);
    it.X0 = static_cast<int>(out_.Points.size());
    it.X1 = static_cast<int>(points.size());
    double left = 1e9, right = -1e9, top = 1e9;
    for (const auto& p : points) {
        out_.Points.push_back(p);
        widen(static_cast<int>(std::floor(p.x)), static_cast<int>(std::ceil(p.x)));
        left = std::min(left, p.x), right = std::max(right, p.x), top = std::min(top, p.y);
    }
    if (!points.empty())
        ink(stave, static_cast<int>(std::floor(left)), static_cast<int>(std::ceil(right)),
            static_cast<int>(std::floor(top)));
}

TGlyphBox TLayoutSink::text(int stave, const std::string& s, int size, bool bold, int cx, int cy, bool centreY,
                            const TXTouchMuzSymbol* owner) {
    TCanvasFont font{kSerifFamily, size, bold};
    const TGlyphBox box = canvas_.MeasureText(font, s);
    TScoreItem& it = push(TScoreItem::itemText, stave, owner, nullptr);
    it.Bold = bold;
    it.X0 = cx - (box.Left + box.Right) / 2;
    it.Y0 = centreY ? cy - (box.Top + box.Bottom) / 2 : cy;
    it.X1 = static_cast<int>(out_.Texts.size());
    it.Y1 = size;
    out_.Texts.push_back(s);
    widen(it.X0 + box.Left, it.X0 + box.Right);
    ink(stave, it.X0 + box.Left, it.X0 + box.Right, it.Y0 + box.Top);
    return box;
}

TLayoutSink::TPlaced& TLayoutSink::extent(const TXTouchMuzSymbol* s, int left, int right) {
    auto [it, inserted] = extents_.try_emplace(s, TPlaced{left, right});
    if (!inserted)
        it->second.Left = std::min(it->second.Left, left), it->second.Right = std::max(it->second.Right, right);
    return it->second;
}

void TLayoutSink::finishSegment() {
    if (out_.Items.size() > segBegin_) out_.Segments.push_back({segBegin_, out_.Items.size(), segMin_, segMax_});
    segBegin_ = out_.Items.size();
    segEmpty_ = true;
    inks_.clear();
}

int TLayoutSink::inkTop(int stave, int left, int right, int top) const {
    for (const TInk& i : inks_)
        if (i.Stave == stave && i.Right >= left && i.Left <= right) top = std::min(top, i.Top);
    return top;
}

void TLayoutSink::reserve(size_t symbols) {
    extents_.reserve(symbols + 1);
    out_.Items.reserve(symbols * 4);
    out_.Extents.reserve(symbols + 1);
    out_.Anchors.reserve(symbols);
}

void TLayoutSink::finishExtents(TSinglePartMuz& part) {
    auto barIt = extents_.find(part.GetMuzBar());
    if (barIt != extents_.end()) out_.Extents.push_back({part.GetMuzBar(), barIt->second.Left, barIt->second.Right});
    for (TStaveSymbol* s = part.GetFirstSymbol(); s; s = s->Next) {
        auto it = extents_.find(s);
        if (it == extents_.end()) continue;
        out_.Extents.push_back({s, it->second.Left, it->second.Right});
        if (it->second.Anchored) out_.Anchors.push_back(it->second.Anchor);
    }
}

}  // namespace korvane::engraving
