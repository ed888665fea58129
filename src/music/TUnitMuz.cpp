#include "music/TUnitMuz.h"

#include "core/Assert.h"

namespace korvane {

TUnitMuz::TUnitMuz() : TUnit(unitKindMuz), StartPart(std::make_unique<TStartPartMuz>(this)) {}

TUnitMuz::~TUnitMuz() {
    // The symbols point at staves and groups, so the tree goes first.
    StartPart.reset();
    while (FirstStave) {
        TStave* next = FirstStave->Next;
        delete FirstStave;
        FirstStave = static_cast<TNoteStave*>(next);
    }
}

void TUnitMuz::ClearContent() {
    SelectedSymbol = nullptr;
    SelectedInStave = nullptr;
    SelectedTreeItem = nullptr;
    CurrentStave = nullptr;
    StartPart.reset();
    while (FirstStave) {
        TStave* next = FirstStave->Next;
        delete FirstStave;
        FirstStave = static_cast<TNoteStave*>(next);
    }
    StartPart = std::make_unique<TStartPartMuz>(this);
    TouchStaves();
}

std::unique_ptr<TNoteGroup> MakeDefaultNoteGroup(TUnitMuz* unitMuz, TNoteStave* stave) {
    auto player = std::make_unique<TCompoundPlayer>(unitMuz);
    auto onePlayer = std::make_unique<TOnePlayer>(TOnePlayerProps(unitFreq(0), unitVolumeFactor(1)));
    onePlayer->OnePlayerProps.NotePlayerKind = notePlayerSimpleSampler;
    player->AppendOnePlayer(std::move(onePlayer));
    return std::make_unique<TNoteGroup>(stave, 0, std::move(player), noteShapeNormal, noteStickGroup);
}

void TUnitMuz::InitNew() {
    auto part = std::make_unique<TSinglePartMuz>(this);
    new TMuzBar(part.get(), 4, 4, 0);  // the part owns its bar
    StartPart->SetPartMuz(std::move(part));
    auto stave = std::make_unique<TNoteStave>(this, 0, 0xFFFFFF, 80, 80, AllowJoinFlags, false, false);
    stave->AppendNoteGroup(MakeDefaultNoteGroup(this, stave.get()));
    stave->SelectedNoteGroup = stave->DialogNoteGroup = stave->GetStartNoteGroup();
    TNoteStave* added = InsertStave(nullptr, std::move(stave));
    CurrentStave = added;
    SetSelectedSymbol(StartPart->GetFirstSymbol());
}

void TUnitMuz::ChangeProperties(const WaveFileProps&, const WaveFileProps& newProps) {
    SampleFreq = newProps.SampleFreq;
    Channels = newProps.MonoStereo;
    BytesPSample = newProps.BytesPSample;
}

TNoteStave* TUnitMuz::InsertStave(TNoteStave* afterStave, std::unique_ptr<TNoteStave> stave) {
    TNoteStave* newStave = stave.release();
    if (!afterStave) {
        newStave->Next = FirstStave;
        if (FirstStave) FirstStave->Prev = newStave;
        FirstStave = newStave;
    } else {
        TStave* prevStave = FirstStave;
        KORVANE_ASSERT(prevStave != NULL);
        while (prevStave != afterStave) {
            KORVANE_ASSERT(prevStave->GetNext() != NULL || prevStave == afterStave);
            prevStave = prevStave->Next;
        }
        newStave->Prev = prevStave;
        newStave->Next = prevStave->Next;
        if (prevStave->Next) prevStave->Next->Prev = newStave;
        prevStave->Next = newStave;
    }
    StartPart->AddStave(newStave);
    TouchStaves();
    return newStave;
}

TNoteStave* TUnitMuz::AppendStave(std::unique_ptr<TNoteStave> stave, TStave* last) {
    TNoteStave* newStave = stave.release();
    if (!last || last->Next) last = FirstStave;
    while (last && last->Next) last = last->Next;
    newStave->Prev = last;
    if (last)
        last->Next = newStave;
    else
        FirstStave = newStave;
    TouchStaves();
    return newStave;
}

std::unique_ptr<TNoteStave> TUnitMuz::RemoveStave(TNoteStave* stave) {
    KORVANE_ASSERT(stave != NULL);
    if (stave->Prev)
        stave->Prev->Next = stave->Next;
    else
        FirstStave = static_cast<TNoteStave*>(stave->Next);
    if (stave->Next) stave->Next->Prev = stave->Prev;
    stave->Next = stave->Prev = nullptr;
    if (CurrentStave == stave) CurrentStave = FirstStave;
    if (SelectedInStave == stave) SelectedInStave = nullptr;
    return std::unique_ptr<TNoteStave>(stave);
}

void TUnitMuz::ExchangeStaveWithNext(TNoteStave* stave) {
    TStave* nextNoteStave = stave->Next;
    KORVANE_ASSERT(nextNoteStave != NULL);
    TStave* before = stave->Prev;
    TStave* after = nextNoteStave->Next;
    if (before)
        before->Next = nextNoteStave;
    else
        FirstStave = static_cast<TNoteStave*>(nextNoteStave);
    nextNoteStave->Prev = before;
    nextNoteStave->Next = stave;
    stave->Prev = nextNoteStave;
    stave->Next = after;
    if (after) after->Prev = stave;
}

int TUnitMuz::CountStaves() const {
    int n = 0;
    for (TStave* s = FirstStave; s; s = s->Next) ++n;
    return n;
}

TSinglePartMuz* TUnitMuz::FirstSinglePart() const { return StartPart->FirstSinglePart(); }
TSinglePartMuz* TUnitMuz::LastSinglePart() const { return StartPart->LastSinglePart(); }

uint8_t TUnitMuz::GetSelMuzSymbolKind() const { return SelectedSymbol ? SelectedSymbol->GetSelMuzSymbolKind() : 3; }

void TUnitMuz::SetSelectedSymbol(TXTouchMuzSymbol* symbol) {
    SelectedSymbol = symbol;
    if (symbol && symbol->GetSelMuzSymbolKind() == muzSymbolStave)
        SelectedInStave = static_cast<TStaveSymbol*>(symbol)->GetNoteStave();
}

}  // namespace korvane
