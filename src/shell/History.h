#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "core/Sound.h"
#include "core/TUnit.h"
#include "shell/MusicUndo.h"

namespace korvane {

// A state's copy on disk, shared by the states of the same sound; the file
// goes with the last of them.
struct THistoryFile {
    std::string Path;
    uint64_t Bytes = 0;
    explicit THistoryFile(std::string path, uint64_t bytes) : Path(std::move(path)), Bytes(bytes) {}
    THistoryFile(const THistoryFile&) = delete;
    THistoryFile& operator=(const THistoryFile&) = delete;
    ~THistoryFile();
    // Leaves the file on disk when the copy goes (it is another's now).
    void Keep() { Path.clear(); }
};

// One state of a document: what it held after one command.
struct THistoryState {
    std::string Name;  // the command's caption and the time: "Low Filter, 10:42:13"
    uint64_t Id = 0;   // unique in its document; names its copy on disk
    // A wave: its sound (shared with the document and the undo step, as
    // sounds never change once made) and selection. The sound is null while
    // the state is only on disk.
    std::shared_ptr<Sound> TheSound;
    int32_t FirstSel = 0, SecondSel = 0;
    // Music: its file text, selection and the properties the file does not hold.
    std::shared_ptr<const std::string> Text;
    TMuzPlace Place;
    WaveFileProps Props;
    // The state's copy on disk, if it has one.
    std::shared_ptr<THistoryFile> File;
    // When it was made, for the memory budget: the oldest go to disk first.
    uint64_t Made = 0;
};

// The states of one document since it was opened or created, oldest first.
struct THistory {
    uint64_t Serial = 0;  // the document's
    bool Music = false;
    std::vector<THistoryState> States;
    int Current = -1;
    // The document's revision the current state shows: a document whose
    // revision moved has a change the history has not recorded yet.
    uint64_t Revision = 0;
    uint64_t NextId = 1;
    // How many of the oldest states the disk budget dropped.
    int Dropped = 0;
    // Moves with every change of this history (the journal rewrites its lines then).
    uint64_t Generation = 0;
    bool CanStepBack() const { return Current > 0; }
    bool CanStepForward() const { return Current >= 0 && Current + 1 < static_cast<int>(States.size()); }
};

// The histories of every open document, with where older states are kept.
//
// The newest wave states stay in memory up to the memory budget (all
// documents together, counted by the samples the history alone keeps, so a
// sound a document or another state also holds is not counted twice); older
// ones are written as WAV files into the history's folder (the window's
// recovery journal, or a private temporary folder removed at the end) and
// read back when the user goes there. Beyond the disk budget of a document
// its oldest states are dropped, and its history says how many.
class THistoryBook {
public:
    THistoryBook();
    ~THistoryBook();
    THistoryBook(const THistoryBook&) = delete;
    THistoryBook& operator=(const THistoryBook&) = delete;

    // Zero takes the default: a quarter of the physical memory; on disk 4 GiB
    // per document or half the free space of the folder, whichever is less.
    void SetBudgets(uint64_t memoryBytes, uint64_t diskBytes);
    uint64_t MemoryBudget() const;
    uint64_t DiskBudget() const;
    // Where states go on disk: the journal's folder, or "" for a private one.
    void SetFolder(const std::string& folder);
    const std::string& Folder() const { return folder_; }

    // What the history needs of the window: the music text of a document as
    // the music undo watch keeps it (null when it has none yet), and whether
    // a document is in the middle of a gesture that is one change (drawing,
    // a border drag), whose states wait until it ends.
    struct Sources {
        std::function<const TMusicUndoWatch::TKept*(const TUnit&)> music;
        std::function<bool(const TUnit&)> busy;
    };
    // Catches up with the documents: a new one gets its first state, one
    // whose revision moved gets a state after its current one (the states
    // forward of it are dropped), a closed one loses its history. Then the
    // budgets are kept.
    void Watch(const std::vector<std::unique_ptr<TUnit>>& units, const Sources& sources);

    THistory* Find(const TUnit& unit);
    const THistory* Find(const TUnit& unit) const;
    const std::vector<THistory>& Histories() const { return histories_; }
    // A history that came back from the journal becomes the document's.
    void Adopt(THistory history);
    // A wave state's file of a journal being recovered, kept under a name of
    // this book's folder (a second link to it, or a copy).
    std::shared_ptr<THistoryFile> AdoptFile(const std::string& from, uint64_t serial, uint64_t id);

    // The sound of a wave state, read back from its file when it is only on
    // disk. False with `error` set when the file cannot be read.
    static bool LoadSound(const THistoryState& state, std::shared_ptr<Sound>& sound, std::string& error);
    // The document now shows state `index` (a step back or forward): no new
    // state is recorded for that change.
    void Moved(const TUnit& unit, int index);

    // Counts for the budgets and tests.
    uint64_t MemoryHeld(const std::vector<std::unique_ptr<TUnit>>& units) const;
    uint64_t DiskHeld(const THistory& history) const;
    // Bumped on every change of any history, so a view can tell it is stale.
    uint64_t Generation() const { return generation_; }
    // Waits until the states being written to disk are written (the next
    // Watch lets their sounds go).
    void WaitSpills();

private:
    void keepBudgets(const std::vector<std::unique_ptr<TUnit>>& units);
    bool spill(THistory& history, THistoryState& state);
    void spilled(THistory& history, const std::shared_ptr<Sound>& sound, const std::shared_ptr<THistoryFile>& file);
    const std::string& folder();
    void touch(THistory& history) { history.Generation = ++generation_; }

    // Finished writes let their sounds go.
    void collectSpills(bool wait);

    // A sound being written to disk by a worker, so the window never waits
    // for a long wave's file.
    struct Spill {
        uint64_t Serial = 0;
        std::shared_ptr<Sound> TheSound;
        std::string Path;
        uint64_t Bytes = 0;
        std::future<bool> Done;
    };
    std::vector<Spill> spills_;
    std::vector<THistory> histories_;
    uint64_t memoryBudget_ = 0;
    uint64_t diskBudget_ = 0;
    uint64_t keptAt_ = 0;  // the generation the budgets were last kept at
    bool budgetsMoved_ = false;  // a budget or the disk held moved: kept again at the next Watch
    std::string folder_;
    bool ownFolder_ = false;  // made by the book, removed with it
    uint64_t made_ = 0;
    uint64_t generation_ = 0;
};

}  // namespace korvane
