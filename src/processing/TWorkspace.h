#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Sound.h"
#include "platform/WaveRegistry.h"
#include "processing/TUnitWave.h"

namespace korvane {

// The one undo step: the document it belongs to, and its state of before the
// last command. Restoring exchanges that state with the document's, so a
// second restore is a redo. This one holds a wave's sound and selection; a
// music step derives from it and holds the score instead.
class TUndoUnit {
public:
    TUnit* Unit;
    TUnitWave* UnitWave;  // none for a music step
    std::shared_ptr<Sound> TheSound;
    int32_t FirstSel = 0;
    int32_t SecondSel = 0;

    explicit TUndoUnit(TUnitWave& unit)
        : Unit(&unit), UnitWave(&unit), TheSound(unit.TheSound), FirstSel(unit.FirstSel), SecondSel(unit.SecondSel) {}
    virtual ~TUndoUnit() = default;
    virtual void Restore();

protected:
    explicit TUndoUnit(TUnit& unit) : Unit(&unit), UnitWave(nullptr) {}
};

// What the main window keeps besides its windows: the open documents in
// window order, the one undo step, the sound clipboard and the counter for
// new names. The window and the batch front end each own one.
class TWorkspace : public WaveRegistry {
public:
    TWorkspace();
    ~TWorkspace() override;

    // Documents. Add takes ownership; Close releases an undo step that
    // belongs to the document.
    TUnitWave& AddWave(std::unique_ptr<TUnitWave> unit);
    void AddUnit(std::unique_ptr<TUnit> unit);
    void Close(TUnit& unit);
    const std::vector<std::unique_ptr<TUnit>>& Units() const { return units_; }

    // "NONAME" followed by the next number; wave and music share the counter.
    std::string NextNewName();
    // A document came back with a name of that form: new names go past it.
    void NoteName(const std::string& name);

    // Accepts an empty name, or one no other open document has; otherwise
    // shows "A wave with name "X" already exists." titled "Error" and refuses.
    bool NameAvailable(const TUnit& unit, const std::string& name) const;
    bool SetName(TUnit& unit, const std::string& name);

    TUnitWave* FindWave(const std::string& name) const override;

    // Undo.
    void NewUndo(TUnitWave& unit);
    // A step made elsewhere (a music edit's) replaces the current one.
    void NewUndo(std::unique_ptr<TUndoUnit> step) { undo_ = std::move(step); }
    bool HasUndo() const { return undo_ != nullptr; }
    const TUndoUnit* UndoStep() const { return undo_.get(); }
    void Undo();
    void DeleteUndo() { undo_.reset(); }
    // For a command that may change nothing: the step before it is taken
    // out, and put back when the command did not change the document.
    std::unique_ptr<TUndoUnit> TakeUndo() { return std::move(undo_); }
    void PutUndo(std::unique_ptr<TUndoUnit> undo) { undo_ = std::move(undo); }

    // The records last confirmed in any document; new documents copy them.
    TWaveRecords Records;

    // Clipboard.
    std::unique_ptr<Sound> Clipboard;
    bool HasClip() const { return Clipboard != nullptr; }
    void ClearClipboard() { Clipboard.reset(); }

private:
    std::vector<std::unique_ptr<TUnit>> units_;
    std::unique_ptr<TUndoUnit> undo_;
    int counter_ = 0;
};

}  // namespace korvane
