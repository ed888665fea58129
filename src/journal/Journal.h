#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/Sound.h"
#include "core/TUnit.h"

namespace korvane {

// The recovery journal keeps a copy of every unsaved document of a running
// window on disk, so that a crash, a kill or a power cut loses nothing that
// was not saved: the next start offers the copies back.
//
// Journals live under one root folder, one folder of their own per running
// window ("window-XXXXXX"), which that window keeps locked while it runs. A
// folder whose lock is free belongs to a window that is gone.
//
// In a window's folder each document has an entry: "N.entry", a few lines of
// text with its kind, name, file name, state, selection (or the music's sound
// format) and the name of its data file, "N-G.wav" for a wave (written by our
// own WAV writer, so it can also be opened by hand) or "N-G.korvanem" for
// music (its 7.1 file). The data file is complete before the entry names it,
// and the older data file goes only after, so whatever moment the process dies
// in, each entry names a complete copy. A recording goes to "record.wav" as it
// comes in, and the entry of the wave it goes into says so.

// One state of a document's edit history, as the journal keeps it: its
// content is the sound or text, or, when the window keeps it only on disk,
// a file in the journal's folder that the journal links to. The state the
// document shows is the document's own copy.
struct TJournalState {
    uint64_t Id = 0;  // unique in its document
    std::string Name;
    std::shared_ptr<const Sound> TheSound;
    std::shared_ptr<const std::string> Text;
    std::string File;
    int32_t FirstSel = 0, SecondSel = 0;
};
struct TJournalHistory {
    std::vector<TJournalState> States;
    int Current = -1;
};

// A document's entry in a journal folder, and its text: the first line
// "korvane journal entry 1", one "key value" line per field (a backslash and
// line breaks escaped, so every value stays on its line) and "end ." last,
// which tells a whole entry from one a crash cut off.
struct TJournalEntry {
    // One state of the document's history: its file in the folder ("-": the
    // document's own copy, "empty": an empty wave), its selection and name.
    struct State {
        std::string file, name;
        long long first = 0, second = 0;
        bool operator==(const State&) const = default;
    };
    std::string kind;                             // "wave" or "music"
    long long first = 0, second = 0;              // a wave's selection
    long long freq = 0, channels = 0, bytes = 0;  // the sound format of music
    std::string name, file;
    int state = unitStateChanged;
    std::string data = "-";  // the copy's file, "-" for none
    std::string recording;   // the file a recording goes to, if any
    std::vector<State> history;
    bool operator==(const TJournalEntry&) const = default;

    std::string Text() const;
    // False with `reason` when `text` is not a whole entry, or names a file
    // outside its folder. A state other than new or changed reads as changed.
    static bool Parse(const std::string& text, TJournalEntry& entry, std::string& reason);
};

// $XDG_STATE_HOME/korvane, else ~/.local/state/korvane; empty when
// KORVANE_JOURNAL is "off" (or "0") or there is no home to put it in.
std::string DefaultJournalRoot();

// One window's journal.
class TJournal {
public:
    TJournal() = default;
    TJournal(const TJournal&) = delete;
    TJournal& operator=(const TJournal&) = delete;
    // Writes what is still waiting and stops the writer; the folder stays, as
    // after a crash. Finish is what removes it.
    ~TJournal();

    // Makes and locks this window's folder under `root` (made if missing).
    bool Start(const std::string& root, std::string& error);
    bool Active() const { return !folder_.empty(); }
    const std::string& Folder() const { return folder_; }
    // The file recordings are made in.
    std::string RecordFile() const;

    // Brings the journal up to date with the documents, at once for what is
    // cheap and in the background for the rest: a document that needs saving
    // gets its entry (re)written when anything of it changed since, a saved
    // or closed one loses its entry. `recording` is the wave a recording goes
    // into, if any. A wave's sound never changes in place, so the writer
    // shares it and the window goes on; music is put in text here.
    // A large score costs the window milliseconds to put in text, so its
    // copies are spaced out to at most a tenth of the window's time; Deferred
    // says the last Update left such a change for a later one.
    void Update(const std::vector<std::unique_ptr<TUnit>>& units, const TUnit* recording);
    // Where the journal finds a document's edit history, which it keeps
    // beside the document's copy. Update asks every document for the
    // generation of its history (0: none), so that must be cheap; the
    // history itself only when the generation moved.
    struct HistorySource {
        std::function<uint64_t(const TUnit&)> generation;
        std::function<void(const TUnit&, TJournalHistory&)> fill;
    };
    void SetHistorySource(HistorySource source) { history_ = std::move(source); }
    bool Deferred() const { return deferred_; }
    // Returns when everything handed to the writer is on disk.
    void WaitIdle();
    // A clean end: stops the writer and removes the folder.
    void Finish();
    // The first failure to write, once: empty when there was none or it was
    // already taken.
    std::string TakeError();

    // Where the journal reads the time: the wait before a failed copy is
    // written again and the spacing of music copies follow it. The steady
    // clock unless set (a test sets a clock it moves itself).
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void SetClock(Clock clock) { clock_ = clock ? std::move(clock) : Clock(std::chrono::steady_clock::now); }

    // One write or removal for the writer (public for the helpers that make them).
    struct Job {
        bool remove = false;
        std::string entryText;
        std::string dataName;     // the data file the entry names ("-" for none)
        std::shared_ptr<const Sound> sound;
        std::string musicText;
        bool hasData = false;  // sound or musicText holds new data to write
        // History states written beside the copy, before the entry names them.
        struct State {
            std::string dataName;
            std::shared_ptr<const Sound> sound;
            std::shared_ptr<const std::string> text;
            std::string linkFrom;
        };
        std::vector<State> states;
        std::vector<std::string> keepStates;  // every state file the entry names
    };

private:
    // What was handed to the writer last for one document.
    struct Seen {
        uint64_t id = 0;
        uint64_t pass = 0;  // the last Update that found the document open
        // What the entry was made from: Update runs whenever the window is
        // idle, and most of the time nothing of this has changed.
        std::weak_ptr<Sound> sound;
        uint64_t revision = 0;
        int32_t first = 0, second = 0;
        uint8_t state = 0;
        bool records = false;
        int32_t freq = 0;
        int16_t channels = 0, bytes = 0;
        std::string name, file;
        bool SameAs(const TUnit& unit, bool records) const;
        void Remember(const TUnit& unit, bool records);
        std::string dataName = "-";
        uint64_t generation = 0;
        bool written = false;
        std::chrono::steady_clock::time_point nextMusic{};  // no text before this
        // A write of this entry failed: its data is written again, whole,
        // but not before retryAt.
        bool retry = false;
        std::chrono::steady_clock::time_point retryAt{};
        // The history as last written: its generation and the file of each
        // state by id.
        uint64_t historyGeneration = 0;
        bool hasHistory = false;
        std::map<uint64_t, std::string> stateFiles;
    };

    void addHistory(TJournalEntry& entry, Job& job, Seen& seen, const TJournalHistory& history, bool wave,
                    bool again, const Sound* soundBefore, const std::string& copyBefore);
    void markFailed(std::chrono::steady_clock::time_point now);
    void updateEntry(TUnit& unit, Seen& seen, bool records, std::chrono::steady_clock::time_point now);
    void waveCopy(const TUnit& unit, Seen& seen, bool retrying, Job& job, TJournalEntry& entry);
    bool musicCopy(TUnit& unit, Seen& seen, bool retrying, Job& job, TJournalEntry& entry);
    void post(uint64_t id, Job job);
    void run();
    // False when nothing was put in place (failed or superseded).
    bool write(uint64_t id, const Job& job);
    // Keeps the first failure for TakeError; `id` names the entry to write again.
    void fail(const std::string& text, uint64_t id = 0);

    std::string folder_;
    int lockFd_ = -1;
    uint64_t nextId_ = 0;
    uint64_t pass_ = 0;
    bool deferred_ = false;
    Clock clock_ = std::chrono::steady_clock::now;
    std::map<uint64_t, Seen> seen_;  // by the document's serial

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::map<uint64_t, Job> pending_;  // by entry id; a newer job replaces a waiting one
    std::deque<uint64_t> order_;
    bool busy_ = false;
    // The entry whose wave is being written now, and the flag that stops
    // that write when a newer sound of the same document comes.
    uint64_t writingId_ = 0;
    bool writingStop_ = false;
    bool stopping_ = false;
    std::string error_;
    bool errorTaken_ = false;
    std::set<uint64_t> failedIds_;  // entries whose last write failed
    // The writer's own: the data file each entry on disk names.
    std::map<uint64_t, std::string> onDisk_;
    std::map<uint64_t, std::vector<std::string>> statesOnDisk_;
    std::thread writer_;
    HistorySource history_;
};

// One state of a recovered document's history: the document itself, or a
// wave file in the journal's folder (Path), or a music text.
struct TRecoveredState {
    std::string Name;
    bool IsDocument = false;
    std::string Path;
    std::string Text;
    int32_t FirstSel = 0, SecondSel = 0;
};

// A document read back from a journal.
struct TRecoveredDocument {
    std::unique_ptr<TUnit> Unit;
    int32_t FirstSel = 0, SecondSel = 0;
    // Its edit history, oldest first; empty when it had none. A state whose
    // copy cannot be read is left out.
    std::vector<TRecoveredState> History;
    int Current = -1;
};

// The journals of windows that are gone, held locked so that no other window
// starting now offers them too.
//
// The folder is taken as it is found, not trusted: no symbolic link is
// followed, only regular files are read (a FIFO never holds the start), and a
// window folder that is not the user's own or that others may write in is
// passed by and named in Skipped. A folder holding no entry (its window had
// nothing unsaved) is removed at once.
class TJournalRecovery {
public:
    explicit TJournalRecovery(const std::string& root);
    TJournalRecovery(const TJournalRecovery&) = delete;
    TJournalRecovery& operator=(const TJournalRecovery&) = delete;
    // Lets the folders go as they are, for a later start.
    ~TJournalRecovery();

    // One line per document found: its name, and its file or "new".
    const std::vector<std::string>& Listing() const { return listing_; }
    int Count() const { return static_cast<int>(listing_.size()); }
    // One line per folder passed by: "FOLDER: REASON".
    const std::vector<std::string>& Skipped() const { return skipped_; }
    // Reads every entry; one that cannot be read is left out and named in
    // `damaged` with the reason.
    std::vector<TRecoveredDocument> Read(std::vector<std::string>& damaged);
    // Removes what Read brought back; what it could not read stays, and a
    // folder goes only once nothing of it is left.
    void RemoveRecovered();
    // Removes the folders whole, what could not be read too.
    void Discard();

private:
    struct EntryFile {
        std::string name;               // "N.entry"
        std::vector<std::string> data;  // the files it names
        bool recovered = false;
    };
    struct Folder {
        std::string path;
        int fd = -1;  // the folder itself, opened without following a link
        int lockFd = -1;
        std::vector<EntryFile> entries;  // oldest first
    };
    void release(Folder& folder);
    std::vector<Folder> folders_;
    std::vector<std::string> listing_;
    std::vector<std::string> skipped_;
};

}  // namespace korvane
