#include "music/PartMuz.h"

#include <algorithm>

#include "core/Assert.h"
#include "music/NotePlayers.h"
#include "music/TUnitMuz.h"

namespace korvane {

std::unique_ptr<TPartMuz> TPartMuz::Detach(TPartMuz*& oldParent) {
    KORVANE_ASSERT(Parent != NULL);
    std::unique_ptr<TPartMuz> mine = std::move(Parent->ChildSlot(this));
    oldParent = Parent;
    Parent = nullptr;
    return mine;
}

TSinglePartMuz* TPartMuz::NextSinglePart() { return Parent ? Parent->NextSingleAfter(this) : nullptr; }
TSinglePartMuz* TPartMuz::PrevSinglePart() { return Parent ? Parent->PrevSingleBefore(this) : nullptr; }

TSinglePartMuz* TPartMuz::NextSingleAfter(const TPartMuz*) {
    KORVANE_ASSERT(Parent != NULL);
    return Parent->NextSingleAfter(this);
}

TSinglePartMuz* TPartMuz::PrevSingleBefore(const TPartMuz*) {
    KORVANE_ASSERT(Parent != NULL);
    return Parent->PrevSingleBefore(this);
}

TPartMuz* TPartMuz::GetStartPart() {
    KORVANE_ASSERT(Parent != NULL);
    return Parent->GetStartPart();
}

int TPartMuz::GetCurrentPass() const {
    KORVANE_ASSERT(Parent != NULL);
    return Parent->GetCurrentPass();
}

std::unique_ptr<TPartMuz>& TPartMuz::ChildSlot(const TPartMuz*) {
    KORVANE_ASSERT(false);
    __builtin_unreachable();
}

// ---------------------------------------------------------------------------

// One counter for all parts: a part made where a deleted one was never
// shows a revision that the old one had.
static uint64_t revisionCounter = 0;

TSinglePartMuz::TSinglePartMuz(TUnitMuz* unitMuz) : TPartMuz(unitMuz), Revision_(++revisionCounter) {}

void TSinglePartMuz::Touch() { Revision_ = ++revisionCounter; }

TSinglePartMuz::~TSinglePartMuz() {
    while (FirstSymbol) {
        TStaveSymbol* next = FirstSymbol->Next;
        delete FirstSymbol;
        FirstSymbol = next;
    }
}

void TSinglePartMuz::SetMuzBar(TMuzBar* muzBar) {
    KORVANE_ASSERT(MuzBar == NULL);
    KORVANE_ASSERT(muzBar->GetSinglePartMuz() == this);
    MuzBar.reset(muzBar);
    Touch();
}

namespace {

// Whether two symbols stand at one time: the same position, rank and place
// in the tuplet. IsPrevOf orders only notes among such symbols (by pitch); a
// silence ties with every one of them.
bool tiesInTime(const TStaveSymbol& a, const TStaveSymbol& b) {
    if (a.GetSymbolPosition() != b.GetSymbolPosition()) return false;
    const bool aKey = a.GetStaveSymbolKind() == staveSymbolKey, bKey = b.GetStaveSymbolKind() == staveSymbolKey;
    // Keys tie only with keys of the same number, which neither precedes.
    if (aKey || bKey) return aKey && bKey && !a.IsPrevOf(b) && !b.IsPrevOf(a);
    return static_cast<const TStaveTimeSymbol&>(a).GetPosInOol() == static_cast<const TStaveTimeSymbol&>(b).GetPosInOol();
}

// Where a note goes among the symbols of its time: after the higher notes and
// before the others (a new note before its equals), past any silence of that
// time. A walk that stops at
// the first symbol not standing before it (the sorted insert, a move by its
// neighbours) stops at such a silence and can leave a chord out of pitch
// order, which the file would not give back. True, with the symbol to put it
// after, when the note must move.
bool placeAmongTies(TStaveSymbol* note, TStaveSymbol*& after) {
    if (note->GetStaveSymbolKind() != staveSymbolNote) return false;
    TStaveSymbol* begin = note;
    while (begin->Prev && tiesInTime(*begin->Prev, *note)) begin = begin->Prev;
    TStaveSymbol* end = note;
    while (end->Next && tiesInTime(*end->Next, *note)) end = end->Next;
    if (begin == end) return false;
    TStaveSymbol* lower = nullptr;
    for (TStaveSymbol* s = begin;; s = s->Next) {
        if (s != note && s->GetStaveSymbolKind() == staveSymbolNote && !s->IsPrevOf(*note)) {
            lower = s;
            break;
        }
        if (s == end) break;
    }
    if (lower) {
        if (lower->Prev == note) return false;
        after = lower->Prev;
        return true;
    }
    if (end == note) return false;
    after = end;
    return true;
}

}  // namespace

void TSinglePartMuz::unlink(TStaveSymbol* symbol) {
    lastInserted_ = nullptr;
    if (symbol->Prev)
        symbol->Prev->SetNext(symbol->Next);
    else
        FirstSymbol = symbol->Next;
    if (symbol->Next) symbol->Next->Prev = symbol->Prev;
    symbol->Next = symbol->Prev = nullptr;
}

void TSinglePartMuz::linkAfter(TStaveSymbol* prev, TStaveSymbol* symbol) {
    symbol->Prev = prev;
    if (prev) {
        symbol->SetNext(prev->Next);
        prev->SetNext(symbol);
    } else {
        symbol->SetNext(FirstSymbol);
        FirstSymbol = symbol;
    }
    if (symbol->Next) symbol->Next->Prev = symbol;
}

void TSinglePartMuz::InsertSorted(std::unique_ptr<TStaveSymbol> owned) {
    Touch();
    if (bulk_) {
        pending_.push_back(std::move(owned));
        return;
    }
    TStaveSymbol* hint = lastInserted_;
    TStaveSymbol* symbol = owned.release();
    lastInserted_ = nullptr;
    if (!FirstSymbol || !FirstSymbol->IsPrevOf(*symbol)) {
        linkAfter(nullptr, symbol);
        lastInserted_ = symbol;
        return;
    }
    // The list is sorted, so the symbols before the new one form a prefix: it
    // goes after the last of them. A hint that ends that prefix saves the walk.
    TStaveSymbol* p = FirstSymbol;
    if (hint && hint->IsPrevOf(*symbol) && !(hint->Next && hint->Next->IsPrevOf(*symbol))) p = hint;
    while (p->Next && p->Next->IsPrevOf(*symbol)) p = p->Next;
    linkAfter(p, symbol);
    TStaveSymbol* after = nullptr;
    if (placeAmongTies(symbol, after)) {
        unlink(symbol);
        linkAfter(after, symbol);
    }
    lastInserted_ = symbol;
}

void TSinglePartMuz::EndBulkInsert() {
    bulk_ = false;
    if (pending_.empty()) return;
    // Equal symbols keep the order they came in, after the equal ones already
    // in: a file reads back as it was written, however often it is saved.
    // A silence ties with notes that do not tie with each other, so the sort
    // takes the silences of one time before its notes: an order (which
    // IsPrevOf alone is not) that keeps every "stands before" of IsPrevOf.
    std::stable_sort(pending_.begin(), pending_.end(), [](const auto& a, const auto& b) {
        if (!tiesInTime(*a, *b)) return a->IsPrevOf(*b);
        const bool aNote = a->GetStaveSymbolKind() == staveSymbolNote;
        const bool bNote = b->GetStaveSymbolKind() == staveSymbolNote;
        if (aNote != bNote) return bNote;
        return aNote && a->IsPrevOf(*b);
    });
    std::vector<TStaveSymbol*> merged;
    merged.reserve(pending_.size());
    TStaveSymbol* old = FirstSymbol;
    for (auto& fresh : pending_) {
        while (old && !fresh->IsPrevOf(*old)) {
            merged.push_back(old);
            old = old->Next;
        }
        merged.push_back(fresh.release());
    }
    for (; old; old = old->Next) merged.push_back(old);
    pending_.clear();
    TStaveSymbol* prev = nullptr;
    for (TStaveSymbol* s : merged) {
        s->Prev = prev;
        if (prev)
            prev->SetNext(s);
        else
            FirstSymbol = s;
        prev = s;
    }
    prev->SetNext(nullptr);
    lastInserted_ = nullptr;
}

bool TSinglePartMuz::InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) {
    if (symbol->GetSinglePartMuz() != this) return false;
    InsertSorted(std::move(symbol));
    return true;
}

bool TSinglePartMuz::DeleteSymbol(TStaveSymbol* deleteSymbol) {
    KORVANE_ASSERT(deleteSymbol != NULL);
    if (deleteSymbol->GetSinglePartMuz() != this) return false;
    Touch();
    unlink(deleteSymbol);
    if (UnitMuz && UnitMuz->SelectedSymbol == deleteSymbol) UnitMuz->SelectedSymbol = nullptr;
    delete deleteSymbol;
    return true;
}

bool TSinglePartMuz::ReplaceSymbol(TStaveSymbol* moveSymbol) {
    KORVANE_ASSERT(moveSymbol != NULL);
    if (moveSymbol->GetSinglePartMuz() != this) return false;
    Touch();
    const bool toLeft = moveSymbol->Prev && moveSymbol->IsPrevOf(*moveSymbol->Prev);
    const bool toRight = moveSymbol->Next && moveSymbol->Next->IsPrevOf(*moveSymbol);
    KORVANE_ASSERT(!toLeft || !toRight);
    if (toLeft) {
        TStaveSymbol* before = moveSymbol->Prev;
        while (before && moveSymbol->IsPrevOf(*before)) before = before->Prev;
        unlink(moveSymbol);
        linkAfter(before, moveSymbol);
    } else if (toRight) {
        TStaveSymbol* after = moveSymbol->Next;
        while (after->Next && after->Next->IsPrevOf(*moveSymbol)) after = after->Next;
        unlink(moveSymbol);
        linkAfter(after, moveSymbol);
    }
    TStaveSymbol* after = nullptr;
    if (placeAmongTies(moveSymbol, after)) {
        unlink(moveSymbol);
        linkAfter(after, moveSymbol);
    }
    return true;
}

void TSinglePartMuz::RemoveStaveSymbols(const TNoteStave* noteStave) {
    KORVANE_ASSERT(noteStave != NULL);
    for (TStaveSymbol* s = FirstSymbol; s;) {
        TStaveSymbol* next = s->Next;
        if (s->GetNoteStave() == noteStave) DeleteSymbol(s);
        s = next;
    }
}

void TSinglePartMuz::RemoveNoteGroupNotes(const TNoteGroup* noteGroup) {
    KORVANE_ASSERT(noteGroup != NULL);
    for (TStaveSymbol* s = FirstSymbol; s;) {
        TStaveSymbol* next = s->Next;
        if (s->GetStaveSymbolKind() == staveSymbolNote && static_cast<TMuzNote*>(s)->GetNoteGroup() == noteGroup)
            DeleteSymbol(s);
        s = next;
    }
}

void TSinglePartMuz::FillStaveWithSilences(TNoteStave* noteStave) {
    KORVANE_ASSERT(noteStave != NULL);
    KORVANE_ASSERT(MuzBar != NULL);
    double a = 0;
    for (TStaveSymbol* s = FirstSymbol; s; s = s->Next) {
        if (s->GetNoteStave() != noteStave) continue;
        const double p = s->GetSymbolPosition();
        while (a < p) {
            const double end = std::min(p, MuzBar->NextBarLine(a));
            while (a < end) {
                int length = 0;
                for (int l = 1; l <= 32; l *= 2) {
                    if (1.0 / l <= end - a) {
                        length = l;
                        break;
                    }
                }
                if (length == 0) break;  // less than a thirty-second remains
                InsertSorted(std::make_unique<TSilence>(noteStave, a, this, static_cast<int8_t>(length), 0, sool, 0));
                a += 1.0 / length;
            }
            a = std::max(a, end);
        }
        double end = p;
        if (s->GetStaveSymbolKind() != staveSymbolKey) end += static_cast<TStaveTimeSymbol*>(s)->GetTotalLength();
        a = std::max(a, end);
    }
}

void TSinglePartMuz::AddStave(TNoteStave* newStave) {
    KORVANE_ASSERT(newStave != NULL);
    InsertSorted(std::make_unique<TKey>(UnitMuz, TKey::keyKindG, 0, 0.0, newStave, 1, this));
}

void TSinglePartMuz::CheckParentLinks(const TPartMuz* caller) const { KORVANE_ASSERT(Parent == caller); }

TSinglePartMuz* TSinglePartMuz::NextSingleAfter(const TPartMuz*) {
    KORVANE_ASSERT(false);
    return nullptr;
}

TSinglePartMuz* TSinglePartMuz::PrevSingleBefore(const TPartMuz*) {
    KORVANE_ASSERT(false);
    return nullptr;
}

double TSinglePartMuz::PartLength() const {
    double length = 0;
    for (TStaveSymbol* s = FirstSymbol; s; s = s->Next) {
        if (s->GetStaveSymbolKind() != staveSymbolNote) continue;
        const TMuzNote* note = static_cast<TMuzNote*>(s);
        length = std::max(length, note->GetPosition() + note->GetTotalLength());
    }
    return length;
}

TStaveSymbol* TSinglePartMuz::FirstSymbolOfStave(const TNoteStave* noteStave) const {
    for (TStaveSymbol* s = FirstSymbol; s; s = s->Next)
        if (s->GetNoteStave() == noteStave) return s;
    return nullptr;
}

// ---------------------------------------------------------------------------

TConcatPartMuz::TConcatPartMuz(TUnitMuz* unitMuz, std::unique_ptr<TPartMuz> firstPart,
                               std::unique_ptr<TPartMuz> secondPart)
    : TPartMuz(unitMuz), FirstPart(std::move(firstPart)), SecondPart(std::move(secondPart)) {
    if (FirstPart) Adopt(*FirstPart);
    if (SecondPart) Adopt(*SecondPart);
}

void TConcatPartMuz::RemoveStaveSymbols(const TNoteStave* noteStave) {
    FirstPart->RemoveStaveSymbols(noteStave);
    SecondPart->RemoveStaveSymbols(noteStave);
}

void TConcatPartMuz::RemoveNoteGroupNotes(const TNoteGroup* noteGroup) {
    FirstPart->RemoveNoteGroupNotes(noteGroup);
    SecondPart->RemoveNoteGroupNotes(noteGroup);
}

void TConcatPartMuz::FillStaveWithSilences(TNoteStave* noteStave) {
    FirstPart->FillStaveWithSilences(noteStave);
    SecondPart->FillStaveWithSilences(noteStave);
}

void TConcatPartMuz::AddStave(TNoteStave* newStave) {
    FirstPart->AddStave(newStave);
    SecondPart->AddStave(newStave);
}

TStaveSymbol* TConcatPartMuz::GetFirstSymbol() const { return FirstPart->GetFirstSymbol(); }

bool TConcatPartMuz::InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) {
    return FirstPart->InsertSymbol(symbol) || SecondPart->InsertSymbol(symbol);
}

bool TConcatPartMuz::DeleteSymbol(TStaveSymbol* deleteSymbol) {
    return FirstPart->DeleteSymbol(deleteSymbol) || SecondPart->DeleteSymbol(deleteSymbol);
}

bool TConcatPartMuz::ReplaceSymbol(TStaveSymbol* moveSymbol) {
    return FirstPart->ReplaceSymbol(moveSymbol) || SecondPart->ReplaceSymbol(moveSymbol);
}

void TConcatPartMuz::CheckParentLinks(const TPartMuz* caller) const {
    KORVANE_ASSERT(Parent == caller);
    FirstPart->CheckParentLinks(this);
    SecondPart->CheckParentLinks(this);
}

TSinglePartMuz* TConcatPartMuz::FirstSinglePart() { return FirstPart->FirstSinglePart(); }
TSinglePartMuz* TConcatPartMuz::LastSinglePart() { return SecondPart->LastSinglePart(); }

TSinglePartMuz* TConcatPartMuz::NextSingleAfter(const TPartMuz* child) {
    if (child == FirstPart.get()) return SecondPart->FirstSinglePart();
    return TPartMuz::NextSingleAfter(child);
}

TSinglePartMuz* TConcatPartMuz::PrevSingleBefore(const TPartMuz* child) {
    if (child == SecondPart.get()) return FirstPart->LastSinglePart();
    return TPartMuz::PrevSingleBefore(child);
}

void TConcatPartMuz::ResetPasses() {
    FirstPart->ResetPasses();
    SecondPart->ResetPasses();
}

std::unique_ptr<TPartMuz>& TConcatPartMuz::ChildSlot(const TPartMuz* me) {
    const TPartMuz* FirstPart = this->FirstPart.get();
    const TPartMuz* SecondPart = this->SecondPart.get();
    KORVANE_ASSERT(FirstPart == me || SecondPart == me);
    return FirstPart == me ? this->FirstPart : this->SecondPart;
}

std::unique_ptr<TPartMuz> TConcatPartMuz::TakeApart() {
    KORVANE_ASSERT(FirstPart == NULL || SecondPart == NULL);
    KORVANE_ASSERT(FirstPart != NULL || SecondPart != NULL);
    KORVANE_ASSERT(Parent != NULL);
    std::unique_ptr<TPartMuz> remaining = FirstPart ? std::move(FirstPart) : std::move(SecondPart);
    TPartMuz* parent = Parent;
    std::unique_ptr<TPartMuz>& slot = parent->ChildSlot(this);
    std::unique_ptr<TPartMuz> self = std::move(slot);
    slot = std::move(remaining);
    parent->Adopt(*slot);
    Parent = nullptr;
    return self;
}

// ---------------------------------------------------------------------------

TLoopPartMuz::TLoopPartMuz(TUnitMuz* unitMuz, std::unique_ptr<TPartMuz> loopPart, int count)
    : TPartMuz(unitMuz),
      Count(count),
      LoopPart(std::move(loopPart)),
      LeftLoopSymbol(this, TLoopPartSymbol::loopSideLeft),
      RightLoopSymbol(this, TLoopPartSymbol::loopSideRight) {
    if (LoopPart) Adopt(*LoopPart);
}

void TLoopPartMuz::CheckParentLinks(const TPartMuz* caller) const {
    KORVANE_ASSERT(Parent == caller);
    LoopPart->CheckParentLinks(this);
}

void TLoopPartMuz::ResetPasses() {
    CurrentPass = 1;
    LoopPart->ResetPasses();
}

std::unique_ptr<TPartMuz>& TLoopPartMuz::ChildSlot(const TPartMuz* me) {
    const TPartMuz* LoopPart = this->LoopPart.get();
    KORVANE_ASSERT(LoopPart == me);
    return this->LoopPart;
}

// ---------------------------------------------------------------------------

TSelectPartMuz::TSelectPartMuz(TUnitMuz* unitMuz, std::unique_ptr<TPartMuz> selectPart)
    : TPartMuz(unitMuz), SelectPart(std::move(selectPart)) {
    if (SelectPart) Adopt(*SelectPart);
}

void TSelectPartMuz::CheckParentLinks(const TPartMuz* caller) const {
    KORVANE_ASSERT(Parent == caller);
    SelectPart->CheckParentLinks(this);
}

std::unique_ptr<TPartMuz>& TSelectPartMuz::ChildSlot(const TPartMuz* me) {
    const TPartMuz* SelectPart = this->SelectPart.get();
    KORVANE_ASSERT(SelectPart == me);
    return this->SelectPart;
}

TCountSelectPartItem* TSelectPartMuz::AppendTurn(int count, int pitch) {
    Turns.push_back(std::make_unique<TCountSelectPartItem>(this, count, pitch));
    return Turns.back().get();
}

bool TSelectPartMuz::RemoveTurn(int count) {
    auto end = std::remove_if(Turns.begin(), Turns.end(), [&](const auto& t) {
        if (t->Count.GetValue() != count) return false;
        if (UnitMuz && UnitMuz->SelectedTreeItem == t.get()) UnitMuz->SelectedTreeItem = nullptr;
        return true;
    });
    const bool removed = end != Turns.end();
    Turns.erase(end, Turns.end());
    return removed;
}

void TSelectPartMuz::RemoveTurnItem(const TCountSelectPartItem* turn) {
    auto found = std::find_if(Turns.begin(), Turns.end(), [&](const auto& t) { return t.get() == turn; });
    KORVANE_ASSERT(found != Turns.end());
    if (UnitMuz && UnitMuz->SelectedTreeItem == turn) UnitMuz->SelectedTreeItem = nullptr;
    Turns.erase(found);
}

int TSelectPartMuz::HighestCount() const {
    int highest = 0;
    for (const auto& t : Turns) highest = std::max(highest, t->Count.GetValue());
    return highest;
}

int TSelectPartMuz::CountTurns(int count) const {
    return static_cast<int>(
        std::count_if(Turns.begin(), Turns.end(), [&](const auto& t) { return t->Count.GetValue() == count; }));
}

bool TSelectPartMuz::TurnPitch(int count, int& pitch) const {
    for (const auto& t : Turns) {
        if (t->Count.GetValue() == count) {
            pitch = t->Pitch.GetValue();
            return true;
        }
    }
    return false;
}

TCountSelectPartItem* TSelectPartMuz::CurrentTurn() const {
    const int pass = GetCurrentPass();
    for (const auto& t : Turns)
        if (t->Count.GetValue() == pass) return t.get();
    return nullptr;
}

// ---------------------------------------------------------------------------

void TStartPartMuz::SetPartMuz(std::unique_ptr<TPartMuz> partMuz) {
    PartMuz = std::move(partMuz);
    if (PartMuz) Adopt(*PartMuz);
}

void TStartPartMuz::RemoveStaveSymbols(const TNoteStave* noteStave) {
    if (PartMuz) PartMuz->RemoveStaveSymbols(noteStave);
}

void TStartPartMuz::RemoveNoteGroupNotes(const TNoteGroup* noteGroup) {
    if (PartMuz) PartMuz->RemoveNoteGroupNotes(noteGroup);
}

void TStartPartMuz::FillStaveWithSilences(TNoteStave* noteStave) {
    if (PartMuz) PartMuz->FillStaveWithSilences(noteStave);
}

void TStartPartMuz::AddStave(TNoteStave* newStave) {
    if (PartMuz) PartMuz->AddStave(newStave);
}

TStaveSymbol* TStartPartMuz::GetFirstSymbol() const { return PartMuz ? PartMuz->GetFirstSymbol() : nullptr; }

bool TStartPartMuz::InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) {
    return PartMuz && PartMuz->InsertSymbol(symbol);
}

bool TStartPartMuz::DeleteSymbol(TStaveSymbol* deleteSymbol) { return PartMuz && PartMuz->DeleteSymbol(deleteSymbol); }

bool TStartPartMuz::ReplaceSymbol(TStaveSymbol* moveSymbol) { return PartMuz && PartMuz->ReplaceSymbol(moveSymbol); }

void TStartPartMuz::CheckParentLinks(const TPartMuz* caller) const {
    KORVANE_ASSERT(Parent == caller);
    if (PartMuz) PartMuz->CheckParentLinks(this);
}

TSinglePartMuz* TStartPartMuz::FirstSinglePart() { return PartMuz ? PartMuz->FirstSinglePart() : nullptr; }
TSinglePartMuz* TStartPartMuz::LastSinglePart() { return PartMuz ? PartMuz->LastSinglePart() : nullptr; }

TPartMuz* TStartPartMuz::GetStartPart() {
    KORVANE_ASSERT(Parent == NULL);
    return this;
}

void TStartPartMuz::ResetPasses() {
    if (PartMuz) PartMuz->ResetPasses();
}

std::unique_ptr<TPartMuz>& TStartPartMuz::ChildSlot(const TPartMuz* me) {
    const TPartMuz* PartMuz = this->PartMuz.get();
    KORVANE_ASSERT(PartMuz == me);
    return this->PartMuz;
}

}  // namespace korvane
