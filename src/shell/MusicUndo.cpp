#include "shell/MusicUndo.h"

#include <algorithm>

#include "musicfile/MuzFile.h"
#include "platform/Messages.h"

namespace korvane {

namespace {

int partIndex(const TUnitMuz& doc, const TSinglePartMuz* part) {
    int i = 0;
    for (TSinglePartMuz* p = doc.FirstSinglePart(); p; p = p->NextSinglePart(), ++i)
        if (p == part) return i;
    return -1;
}

TSinglePartMuz* partAt(const TUnitMuz& doc, int index) {
    if (index < 0) return nullptr;
    TSinglePartMuz* p = doc.FirstSinglePart();
    for (int i = 0; p && i < index; ++i) p = p->NextSinglePart();
    return p;
}

int staveIndex(const TUnitMuz& doc, const TStave* stave) {
    int i = 0;
    for (TStave* s = doc.GetFirstStave(); s; s = s->Next, ++i)
        if (s == stave) return i;
    return -1;
}

TNoteStave* staveAt(const TUnitMuz& doc, int index) {
    if (index < 0) return nullptr;
    TStave* s = doc.GetFirstStave();
    for (int i = 0; s && i < index; ++i) s = s->Next;
    return static_cast<TNoteStave*>(s);
}

int groupIndex(const TStave& stave, const TNoteGroup* group) {
    int i = 0;
    for (TNoteGroup* g = stave.GetStartNoteGroup(); g; g = g->GetNext(), ++i)
        if (g == group) return i;
    return -1;
}

TNoteGroup* groupAt(const TStave& stave, int index) {
    if (index < 0) return nullptr;
    TNoteGroup* g = stave.GetStartNoteGroup();
    for (int i = 0; g && i < index; ++i) g = g->GetNext();
    return g;
}

WaveFileProps propsOf(const TUnitMuz& doc) { return {doc.SampleFreq, doc.Channels, doc.BytesPSample}; }

void setProps(TUnitMuz& doc, const WaveFileProps& props) {
    doc.SampleFreq = props.SampleFreq;
    doc.Channels = props.MonoStereo;
    doc.BytesPSample = props.BytesPSample;
}

// The selection's part of a place; the staves' part is filled apart, as the
// window's idle call refreshes it more often.
void symbolPlace(const TUnitMuz& doc, TMuzPlace& place) {
    place.Kind = TMuzPlace::none;
    place.Part = place.Index = place.Depth = -1;
    place.Side = 0;
    const TXTouchMuzSymbol* symbol = doc.SelectedSymbol;
    if (!symbol) return;
    switch (symbol->GetSelMuzSymbolKind()) {
        case muzSymbolStave: {
            auto* s = static_cast<const TStaveSymbol*>(symbol);
            place.Part = partIndex(doc, s->GetSinglePartMuz());
            int i = 0;
            for (const TStaveSymbol* t = s->GetSinglePartMuz()->GetFirstSymbol(); t && t != s; t = t->Next) ++i;
            place.Index = i;
            place.Kind = TMuzPlace::staveSymbol;
            break;
        }
        case muzSymbolBar:
            place.Part = partIndex(doc, static_cast<const TMuzBar*>(symbol)->GetSinglePartMuz());
            place.Kind = TMuzPlace::bar;
            break;
        case muzSymbolLoop: {
            auto* mark = static_cast<const TLoopPartSymbol*>(symbol);
            TLoopPartMuz* loop = mark->GetLoopPart();
            TSinglePartMuz* first = loop->FirstSinglePart();
            int depth = 0;
            for (TPartMuz* p = first->GetParent(); p && p != loop; p = p->GetParent())
                if (p->GetPartMuzKind() == partMuzLoop) ++depth;
            place.Part = partIndex(doc, first);
            place.Depth = depth;
            place.Side = mark->GetSide();
            place.Kind = TMuzPlace::loopMark;
            break;
        }
    }
}

void stavePlace(const TUnitMuz& doc, TMuzPlace& place) {
    place.InStave = staveIndex(doc, doc.SelectedInStave);
    place.CurrentStave = staveIndex(doc, doc.CurrentStave);
    place.Groups.clear();
    for (TStave* s = doc.GetFirstStave(); s; s = s->Next)
        place.Groups.emplace_back(groupIndex(*s, static_cast<TNoteStave*>(s)->SelectedNoteGroup),
                                  groupIndex(*s, s->DialogNoteGroup));
}

}  // namespace

TMuzPlace PlaceOf(const TUnitMuz& doc) {
    TMuzPlace place;
    symbolPlace(doc, place);
    stavePlace(doc, place);
    return place;
}

void ApplyPlace(TUnitMuz& doc, const TMuzPlace& place) {
    TNoteStave* stave = doc.GetFirstStave();
    for (std::size_t i = 0; stave && i < place.Groups.size(); ++i, stave = static_cast<TNoteStave*>(stave->Next)) {
        if (TNoteGroup* g = groupAt(*stave, place.Groups[i].first)) stave->SelectedNoteGroup = g;
        if (TNoteGroup* g = groupAt(*stave, place.Groups[i].second)) stave->DialogNoteGroup = g;
    }
    if (TNoteStave* s = staveAt(doc, place.CurrentStave)) doc.CurrentStave = s;
    TSinglePartMuz* part = partAt(doc, place.Part);
    switch (place.Kind) {
        case TMuzPlace::none:
            doc.SelectedSymbol = nullptr;
            break;
        case TMuzPlace::staveSymbol: {
            TStaveSymbol* s = part ? part->GetFirstSymbol() : nullptr;
            for (int i = 0; s && i < place.Index; ++i) s = s->Next;
            if (s) doc.SetSelectedSymbol(s);
            break;
        }
        case TMuzPlace::bar:
            if (part && part->GetMuzBar()) doc.SetSelectedSymbol(part->GetMuzBar());
            break;
        case TMuzPlace::loopMark: {
            int depth = 0;
            for (TPartMuz* p = part ? part->GetParent() : nullptr; p; p = p->GetParent()) {
                if (p->GetPartMuzKind() != partMuzLoop) continue;
                if (depth++ != place.Depth) continue;
                auto* loop = static_cast<TLoopPartMuz*>(p);
                if (loop->FirstSinglePart() == part)
                    doc.SetSelectedSymbol(place.Side == TLoopPartSymbol::loopSideLeft ? loop->GetLeftLoopSymbol()
                                                                                      : loop->GetRightLoopSymbol());
                break;
            }
            break;
        }
    }
    // The stave of the last stave symbol stays selected when a bar or a loop
    // mark is; a stave symbol sets it itself.
    if (place.Kind != TMuzPlace::staveSymbol)
        if (TNoteStave* s = staveAt(doc, place.InStave)) doc.SelectedInStave = s;
}

TMuzUndoUnit::TMuzUndoUnit(TUnitMuz& doc, std::shared_ptr<const std::string> text, TMuzPlace place,
                           WaveFileProps props)
    : TUndoUnit(doc), Text(std::move(text)), Place(std::move(place)), Props(props) {}

bool TMuzUndoUnit::RestoreChecked() {
    TUnitMuz& doc = Doc();
    std::string now;
    std::string message;
    if (!MuzText(doc, now, message)) {
        messages().show("Error", message, MessageIcon::Error);
        return false;
    }
    TMuzPlace placeNow = PlaceOf(doc);
    doc.ClearContent();
    if (!Text || !ReadMuzText(doc, *Text, message)) {
        // The document's own text of a moment ago reads back as it was.
        doc.ClearContent();
        std::string again;
        ReadMuzText(doc, now, again);
        ApplyPlace(doc, placeNow);
        messages().show("Error", message, MessageIcon::Error);
        return false;
    }
    ApplyPlace(doc, Place);
    const WaveFileProps propsNow = propsOf(doc);
    setProps(doc, Props);
    Text = std::make_shared<const std::string>(std::move(now));
    Place = std::move(placeNow);
    Props = propsNow;
    doc.MarkChanged();
    return true;
}

bool TMusicUndoWatch::take(TUnitMuz& doc, TSeen& seen) {
    std::string message;
    std::string text;
    const auto start = clock_();
    if (!MuzText(doc, text, message)) return false;
    const auto cost = clock_() - start;
    seen.Next = cost > std::chrono::milliseconds(2) ? start + 10 * cost : start;
    seen.Text = std::make_shared<const std::string>(std::move(text));
    seen.Serial = doc.Serial;
    seen.Revision = doc.Revision;
    seen.Place = PlaceOf(doc);
    seen.Props = propsOf(doc);
    seen.Selected = doc.SelectedSymbol;
    seen.Stave = doc.SelectedInStave;
    return true;
}

void TMusicUndoWatch::Idle(TWorkspace& space, const TUnitMuz* busy, bool force) {
    deferred_ = false;
    // Closed documents leave.
    seen_.erase(std::remove_if(seen_.begin(), seen_.end(),
                               [&](const TSeen& s) {
                                   return std::none_of(space.Units().begin(), space.Units().end(),
                                                       [&](const auto& u) { return u->Serial == s.Serial; });
                               }),
                seen_.end());
    for (const auto& unit : space.Units()) {
        if (unit->Kind != unitKindMuz || unit.get() == busy) continue;
        auto& doc = static_cast<TUnitMuz&>(*unit);
        auto it = std::find_if(seen_.begin(), seen_.end(), [&](const TSeen& s) { return s.Serial == doc.Serial; });
        if (it == seen_.end()) {
            TSeen seen;
            if (take(doc, seen)) seen_.push_back(std::move(seen));
            continue;
        }
        if (it->Revision != doc.Revision) {
            if (!force && clock_() < it->Next) {
                deferred_ = true;
                continue;
            }
            space.NewUndo(std::make_unique<TMuzUndoUnit>(doc, std::move(it->Text), std::move(it->Place), it->Props));
            if (!take(doc, *it)) seen_.erase(it);
            continue;
        }
        // Between edits only the selection moves: kept by position for the
        // next step. The symbol's place costs a walk of its part, so it is
        // looked up only when the symbol changed.
        if (doc.SelectedSymbol != it->Selected || doc.SelectedInStave != it->Stave) {
            symbolPlace(doc, it->Place);
            it->Selected = doc.SelectedSymbol;
            it->Stave = doc.SelectedInStave;
        }
        stavePlace(doc, it->Place);
    }
}

const TMusicUndoWatch::TKept* TMusicUndoWatch::Kept(const TUnit& doc) const {
    for (const TSeen& s : seen_)
        if (s.Serial == doc.Serial) return s.Revision == doc.Revision ? &s : nullptr;
    return nullptr;
}

void TMusicUndoWatch::Reset(TUnitMuz& doc) {
    auto it = std::find_if(seen_.begin(), seen_.end(), [&](const TSeen& s) { return s.Serial == doc.Serial; });
    if (it == seen_.end()) {
        TSeen seen;
        if (take(doc, seen)) seen_.push_back(std::move(seen));
    } else if (!take(doc, *it)) {
        seen_.erase(it);
    }
}

}  // namespace korvane
