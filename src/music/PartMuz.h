#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "music/MuzSymbol.h"
#include "music/NoteStave.h"
#include "values/ValueField.h"

namespace korvane {

class TUnitMuz;
class TNoteGroup;
class TSinglePartMuz;
class TSelectPartMuz;

enum TMusTreeItemKind : uint8_t { musTreeItemPartMuz = 0, musTreeItemSelectPart = 1 };
enum TPartMuzKind : uint8_t {
    partMuzSingle = 0,
    partMuzConcat = 1,
    partMuzLoop = 2,
    partMuzSelect = 3,
    partMuzStart = 4,
};

// A node of the part tree as the tree dialog shows it.
class TMusTreeItem {
public:
    std::string Label;

    virtual ~TMusTreeItem() = default;
    virtual uint8_t GetItemKind() const = 0;
    // The label, or the default name when the label is empty.
    std::string GetShownName() const { return Label.empty() ? DefaultName() : Label; }
    virtual std::string DefaultName() const = 0;
};

class TPartMuz : public TMusTreeItem {
public:
    TPartMuz(TUnitMuz* unitMuz) : UnitMuz(unitMuz) {}
    TPartMuz(const TPartMuz&) = delete;
    TPartMuz& operator=(const TPartMuz&) = delete;

    uint8_t GetItemKind() const override { return musTreeItemPartMuz; }
    virtual uint8_t GetPartMuzKind() const = 0;

    TPartMuz* GetParent() const { return Parent; }
    TUnitMuz* GetUnitMuz() const { return UnitMuz; }
    bool PlayAndDraw = true;

    // Takes this part out of its parent: the parent's pointer is emptied and
    // this part comes back owned by the caller, with the old parent.
    std::unique_ptr<TPartMuz> Detach(TPartMuz*& oldParent);

    virtual void RemoveStaveSymbols(const TNoteStave* noteStave) = 0;
    virtual void RemoveNoteGroupNotes(const TNoteGroup* noteGroup) = 0;
    virtual void FillStaveWithSilences(TNoteStave* noteStave) = 0;
    virtual void AddStave(TNoteStave* newStave) = 0;
    virtual TStaveSymbol* GetFirstSymbol() const = 0;
    // Puts the symbol into the single part it names; false when that part is
    // not in this subtree (the symbol then stays with the caller).
    virtual bool InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) = 0;
    virtual bool DeleteSymbol(TStaveSymbol* deleteSymbol) = 0;
    virtual bool ReplaceSymbol(TStaveSymbol* moveSymbol) = 0;
    virtual void CheckParentLinks(const TPartMuz* caller) const = 0;

    // In-order walk over the single parts.
    virtual TSinglePartMuz* FirstSinglePart() = 0;
    virtual TSinglePartMuz* LastSinglePart() = 0;
    TSinglePartMuz* NextSinglePart();
    TSinglePartMuz* PrevSinglePart();
    // Asked by a child whose subtree has been walked.
    virtual TSinglePartMuz* NextSingleAfter(const TPartMuz* child);
    virtual TSinglePartMuz* PrevSingleBefore(const TPartMuz* child);

    virtual TPartMuz* GetStartPart();
    virtual int GetCurrentPass() const;
    virtual void ResetPasses() = 0;
    // The owning pointer that holds `child`.
    virtual std::unique_ptr<TPartMuz>& ChildSlot(const TPartMuz* child);

    // Sets the parent of a part that is put under this one.
    void Adopt(TPartMuz& child) { child.Parent = this; }

protected:
    TPartMuz* Parent = nullptr;
    TUnitMuz* UnitMuz;
};

// A leaf: the symbols of all staves over a stretch of time with one bar.
class TSinglePartMuz : public TPartMuz {
public:
    explicit TSinglePartMuz(TUnitMuz* unitMuz);
    ~TSinglePartMuz() override;

    uint8_t GetPartMuzKind() const override { return partMuzSingle; }
    std::string DefaultName() const override { return "part"; }

    TMuzBar* GetMuzBar() const { return MuzBar.get(); }
    void SetMuzBar(TMuzBar* muzBar);

    void RemoveStaveSymbols(const TNoteStave* noteStave) override;
    void RemoveNoteGroupNotes(const TNoteGroup* noteGroup) override;
    void FillStaveWithSilences(TNoteStave* noteStave) override;
    void AddStave(TNoteStave* newStave) override;
    TStaveSymbol* GetFirstSymbol() const override { return FirstSymbol; }
    bool InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) override;
    bool DeleteSymbol(TStaveSymbol* deleteSymbol) override;
    bool ReplaceSymbol(TStaveSymbol* moveSymbol) override;
    void CheckParentLinks(const TPartMuz* caller) const override;
    TSinglePartMuz* FirstSinglePart() override { return this; }
    TSinglePartMuz* LastSinglePart() override { return this; }
    TSinglePartMuz* NextSingleAfter(const TPartMuz*) override;
    TSinglePartMuz* PrevSingleBefore(const TPartMuz*) override;
    void ResetPasses() override {}

    // Sorted insert of a symbol that names this part.
    void InsertSorted(std::unique_ptr<TStaveSymbol> symbol);

    // What the score layout keeps per part is valid while the revision
    // stands. Inserting, deleting and re-placing symbols, the bar and the
    // symbols' own setters bump it; Touch is for any other change of what
    // the part draws.
    void Touch();
    uint64_t Revision() const { return Revision_; }
    // While a bulk insert is open, InsertSorted only collects; EndBulkInsert
    // links them all at once, in the order one-by-one inserts would give
    // (a symbol goes after every symbol that comes before it, so before its
    // equals). A reader of many symbols at one time, a chord of thousands of
    // notes, then takes n log n instead of a walk per symbol. Nothing may
    // read the list while the insert is open.
    void BeginBulkInsert() { bulk_ = true; }
    void EndBulkInsert();
    // The largest end of its notes; 0 without notes.
    double PartLength() const;
    // The first symbol of a stave in the list, or none.
    TStaveSymbol* FirstSymbolOfStave(const TNoteStave* noteStave) const;

private:
    std::unique_ptr<TMuzBar> MuzBar;
    TStaveSymbol* FirstSymbol = nullptr;
    // The symbol the last sorted insert placed; symbols read from a file come
    // in order, so the next one usually goes right after it. Cleared when
    // any symbol leaves the list.
    TStaveSymbol* lastInserted_ = nullptr;
    bool bulk_ = false;
    std::vector<std::unique_ptr<TStaveSymbol>> pending_;
    uint64_t Revision_;

    void unlink(TStaveSymbol* symbol);
    void linkAfter(TStaveSymbol* prev, TStaveSymbol* symbol);
};

class TConcatPartMuz : public TPartMuz {
public:
    TConcatPartMuz(TUnitMuz* unitMuz, std::unique_ptr<TPartMuz> firstPart, std::unique_ptr<TPartMuz> secondPart);

    uint8_t GetPartMuzKind() const override { return partMuzConcat; }
    std::string DefaultName() const override { return "<concat>"; }
    TPartMuz* GetFirstPart() const { return FirstPart.get(); }
    TPartMuz* GetSecondPart() const { return SecondPart.get(); }

    void RemoveStaveSymbols(const TNoteStave* noteStave) override;
    void RemoveNoteGroupNotes(const TNoteGroup* noteGroup) override;
    void FillStaveWithSilences(TNoteStave* noteStave) override;
    void AddStave(TNoteStave* newStave) override;
    TStaveSymbol* GetFirstSymbol() const override;
    bool InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) override;
    bool DeleteSymbol(TStaveSymbol* deleteSymbol) override;
    bool ReplaceSymbol(TStaveSymbol* moveSymbol) override;
    void CheckParentLinks(const TPartMuz* caller) const override;
    TSinglePartMuz* FirstSinglePart() override;
    TSinglePartMuz* LastSinglePart() override;
    TSinglePartMuz* NextSingleAfter(const TPartMuz* child) override;
    TSinglePartMuz* PrevSingleBefore(const TPartMuz* child) override;
    void ResetPasses() override;
    std::unique_ptr<TPartMuz>& ChildSlot(const TPartMuz* child) override;

    // After one child was detached, puts the remaining child in this
    // concatenation's place; returns this concatenation, now owned by the caller.
    std::unique_ptr<TPartMuz> TakeApart();

private:
    std::unique_ptr<TPartMuz> FirstPart;
    std::unique_ptr<TPartMuz> SecondPart;
};

class TLoopPartMuz : public TPartMuz {
public:
    TLoopPartMuz(TUnitMuz* unitMuz, std::unique_ptr<TPartMuz> loopPart, int count);

    uint8_t GetPartMuzKind() const override { return partMuzLoop; }
    std::string DefaultName() const override { return "repeat " + Count.ToText(); }
    TPartMuz* GetLoopPart() const { return LoopPart.get(); }
    TLoopPartSymbol* GetLeftLoopSymbol() { return &LeftLoopSymbol; }
    TLoopPartSymbol* GetRightLoopSymbol() { return &RightLoopSymbol; }

    void RemoveStaveSymbols(const TNoteStave* noteStave) override { LoopPart->RemoveStaveSymbols(noteStave); }
    void RemoveNoteGroupNotes(const TNoteGroup* noteGroup) override { LoopPart->RemoveNoteGroupNotes(noteGroup); }
    void FillStaveWithSilences(TNoteStave* noteStave) override { LoopPart->FillStaveWithSilences(noteStave); }
    void AddStave(TNoteStave* newStave) override { LoopPart->AddStave(newStave); }
    TStaveSymbol* GetFirstSymbol() const override { return LoopPart->GetFirstSymbol(); }
    bool InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) override { return LoopPart->InsertSymbol(symbol); }
    bool DeleteSymbol(TStaveSymbol* deleteSymbol) override { return LoopPart->DeleteSymbol(deleteSymbol); }
    bool ReplaceSymbol(TStaveSymbol* moveSymbol) override { return LoopPart->ReplaceSymbol(moveSymbol); }
    void CheckParentLinks(const TPartMuz* caller) const override;
    TSinglePartMuz* FirstSinglePart() override { return LoopPart->FirstSinglePart(); }
    TSinglePartMuz* LastSinglePart() override { return LoopPart->LastSinglePart(); }
    int GetCurrentPass() const override { return CurrentPass; }
    void ResetPasses() override;
    std::unique_ptr<TPartMuz>& ChildSlot(const TPartMuz* child) override;

    unitIntegerPosMore Count;
    int CurrentPass = 1;
    bool Expanded = true;

private:
    std::unique_ptr<TPartMuz> LoopPart;
    TLoopPartSymbol LeftLoopSymbol;
    TLoopPartSymbol RightLoopSymbol;
};

// A turn of a select part as the tree shows it.
class TSelectPartItem : public TMusTreeItem {
public:
    explicit TSelectPartItem(TSelectPartMuz* selectPart) : SelectPart(selectPart) {}
    uint8_t GetItemKind() const override { return musTreeItemSelectPart; }
    TSelectPartMuz* GetSelectPart() const { return SelectPart; }

private:
    TSelectPartMuz* SelectPart;
};

class TStartSelectPartItem : public TSelectPartItem {
public:
    using TSelectPartItem::TSelectPartItem;
    std::string DefaultName() const override { return "root turn"; }
};

class TCountSelectPartItem : public TSelectPartItem {
public:
    TCountSelectPartItem(TSelectPartMuz* selectPart, int count, int pitch)
        : TSelectPartItem(selectPart), Count(count), Pitch(pitch) {}
    std::string DefaultName() const override { return "turn " + Count.ToText(); }

    // The pass of the nearest enclosing loop in which the child plays.
    unitIntegerPosMore Count;
    // Transposition in semitones.
    unitInteger Pitch;
};

class TSelectPartMuz : public TPartMuz {
public:
    TSelectPartMuz(TUnitMuz* unitMuz, std::unique_ptr<TPartMuz> selectPart);

    uint8_t GetPartMuzKind() const override { return partMuzSelect; }
    std::string DefaultName() const override { return "turns"; }
    TPartMuz* GetSelectPart() const { return SelectPart.get(); }

    void RemoveStaveSymbols(const TNoteStave* noteStave) override { SelectPart->RemoveStaveSymbols(noteStave); }
    void RemoveNoteGroupNotes(const TNoteGroup* noteGroup) override { SelectPart->RemoveNoteGroupNotes(noteGroup); }
    void FillStaveWithSilences(TNoteStave* noteStave) override { SelectPart->FillStaveWithSilences(noteStave); }
    void AddStave(TNoteStave* newStave) override { SelectPart->AddStave(newStave); }
    TStaveSymbol* GetFirstSymbol() const override { return SelectPart->GetFirstSymbol(); }
    bool InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) override { return SelectPart->InsertSymbol(symbol); }
    bool DeleteSymbol(TStaveSymbol* deleteSymbol) override { return SelectPart->DeleteSymbol(deleteSymbol); }
    bool ReplaceSymbol(TStaveSymbol* moveSymbol) override { return SelectPart->ReplaceSymbol(moveSymbol); }
    void CheckParentLinks(const TPartMuz* caller) const override;
    TSinglePartMuz* FirstSinglePart() override { return SelectPart->FirstSinglePart(); }
    TSinglePartMuz* LastSinglePart() override { return SelectPart->LastSinglePart(); }
    void ResetPasses() override { SelectPart->ResetPasses(); }
    std::unique_ptr<TPartMuz>& ChildSlot(const TPartMuz* child) override;

    // The head item; the turns follow it in list order.
    TStartSelectPartItem* GetStartItem() { return &StartItem; }
    const std::vector<std::unique_ptr<TCountSelectPartItem>>& GetTurns() const { return Turns; }
    TCountSelectPartItem* AppendTurn(int count, int pitch);
    // Removes the turns with this count; false when there was none.
    bool RemoveTurn(int count);
    // Removes and frees this one turn.
    void RemoveTurnItem(const TCountSelectPartItem* turn);
    int HighestCount() const;
    int CountTurns(int count) const;
    // The transposition of the turn for `count`, if there is one.
    bool TurnPitch(int count, int& pitch) const;
    // The turn for the current pass of the nearest enclosing loop.
    TCountSelectPartItem* CurrentTurn() const;

    bool Expanded = true;

private:
    std::unique_ptr<TPartMuz> SelectPart;
    TStartSelectPartItem StartItem{this};
    std::vector<std::unique_ptr<TCountSelectPartItem>> Turns;
};

// The root of the tree; the document owns it.
class TStartPartMuz : public TPartMuz {
public:
    explicit TStartPartMuz(TUnitMuz* unitMuz) : TPartMuz(unitMuz) {}

    uint8_t GetPartMuzKind() const override { return partMuzStart; }
    std::string DefaultName() const override { return "root"; }
    TPartMuz* GetPartMuz() const { return PartMuz.get(); }
    void SetPartMuz(std::unique_ptr<TPartMuz> partMuz);

    void RemoveStaveSymbols(const TNoteStave* noteStave) override;
    void RemoveNoteGroupNotes(const TNoteGroup* noteGroup) override;
    void FillStaveWithSilences(TNoteStave* noteStave) override;
    void AddStave(TNoteStave* newStave) override;
    TStaveSymbol* GetFirstSymbol() const override;
    bool InsertSymbol(std::unique_ptr<TStaveSymbol>& symbol) override;
    bool DeleteSymbol(TStaveSymbol* deleteSymbol) override;
    bool ReplaceSymbol(TStaveSymbol* moveSymbol) override;
    void CheckParentLinks(const TPartMuz* caller) const override;
    TSinglePartMuz* FirstSinglePart() override;
    TSinglePartMuz* LastSinglePart() override;
    TSinglePartMuz* NextSingleAfter(const TPartMuz*) override { return nullptr; }
    TSinglePartMuz* PrevSingleBefore(const TPartMuz*) override { return nullptr; }
    TPartMuz* GetStartPart() override;
    int GetCurrentPass() const override { return 1; }
    void ResetPasses() override;
    std::unique_ptr<TPartMuz>& ChildSlot(const TPartMuz* child) override;

private:
    std::unique_ptr<TPartMuz> PartMuz;
};

}  // namespace korvane
