#include "shell/History.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

#include "core/WavFile.h"
#include "platform/Messages.h"
#include "processing/TUnitWave.h"

namespace korvane {

namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;

std::string timeOfDay() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

// What a document's first state is called.
std::string firstName(const TUnit& unit) {
    if (!unit.EditName.empty()) return unit.EditName;
    return unit.HasNoFile() ? "New" : "Open";
}

// A state's file in the history's folder.
std::string statePath(const std::string& folder, uint64_t serial, uint64_t id) {
    return folder + "/history-" + std::to_string(serial) + "-" + std::to_string(id) + ".wav";
}

uint64_t soundBytes(const Sound& sound) {
    return static_cast<uint64_t>(sound.GetValues()) * static_cast<uint64_t>(sound.Channels()) * 2;
}

}  // namespace

THistoryFile::~THistoryFile() {
    if (!Path.empty()) std::remove(Path.c_str());
}

THistoryBook::THistoryBook() = default;

THistoryBook::~THistoryBook() {
    collectSpills(true);
    histories_.clear();
    std::error_code ignored;
    if (ownFolder_) std::filesystem::remove_all(folder_, ignored);
}

void THistoryBook::SetBudgets(uint64_t memoryBytes, uint64_t diskBytes) {
    memoryBudget_ = memoryBytes;
    diskBudget_ = diskBytes;
    budgetsMoved_ = true;
}

uint64_t THistoryBook::MemoryBudget() const {
    if (memoryBudget_) return memoryBudget_;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long size = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return kGiB;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(size) / 4;
}

uint64_t THistoryBook::DiskBudget() const {
    if (diskBudget_) return diskBudget_;
    uint64_t budget = 4 * kGiB;
    struct statvfs fs{};
    if (!folder_.empty() && statvfs(folder_.c_str(), &fs) == 0)
        budget = std::min(budget, static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize / 2);
    return budget;
}

void THistoryBook::SetFolder(const std::string& folder) {
    if (folder == folder_ || folder.empty()) return;
    // States already on disk stay where they are; new ones go to the new folder.
    if (ownFolder_) {
        bool used = false;
        for (const THistory& h : histories_)
            for (const THistoryState& s : h.States) used = used || s.File;
        if (!used) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
            ownFolder_ = false;
        } else {
            return;
        }
    }
    folder_ = folder;
}

const std::string& THistoryBook::folder() {
    if (!folder_.empty()) return folder_;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvane-history.XXXXXX";
    if (mkdtemp(pattern.data())) {
        folder_ = pattern;
        ownFolder_ = true;
    }
    return folder_;
}

THistory* THistoryBook::Find(const TUnit& unit) {
    for (THistory& h : histories_)
        if (h.Serial == unit.Serial) return &h;
    return nullptr;
}

const THistory* THistoryBook::Find(const TUnit& unit) const {
    for (const THistory& h : histories_)
        if (h.Serial == unit.Serial) return &h;
    return nullptr;
}

void THistoryBook::Adopt(THistory history) {
    for (THistoryState& s : history.States) s.Made = ++made_;
    touch(history);
    for (THistory& h : histories_)
        if (h.Serial == history.Serial) {
            h = std::move(history);
            return;
        }
    histories_.push_back(std::move(history));
}

std::shared_ptr<THistoryFile> THistoryBook::AdoptFile(const std::string& from, uint64_t serial, uint64_t id) {
    const std::string& dir = folder();
    if (dir.empty()) return nullptr;
    const std::string to = statePath(dir, serial, id);
    std::error_code ec;
    std::filesystem::remove(to, ec);
    if (::link(from.c_str(), to.c_str()) != 0 && !std::filesystem::copy_file(from, to, ec)) return nullptr;
    const auto bytes = std::filesystem::file_size(to, ec);
    return std::make_shared<THistoryFile>(to, ec ? 0 : static_cast<uint64_t>(bytes));
}

void THistoryBook::Watch(const std::vector<std::unique_ptr<TUnit>>& units, const Sources& sources) {
    // Closed documents take their histories with them.
    for (auto it = histories_.begin(); it != histories_.end();) {
        const bool open = std::any_of(units.begin(), units.end(), [&](const auto& u) { return u->Serial == it->Serial; });
        if (open) {
            ++it;
            continue;
        }
        it = histories_.erase(it);
        ++generation_;
    }
    for (const auto& unit : units) {
        THistory* history = Find(*unit);
        if (history && history->Revision == unit->Revision) continue;
        if (sources.busy && sources.busy(*unit)) continue;
        THistoryState state;
        if (unit->Kind == unitKindWave) {
            const auto& wave = static_cast<const TUnitWave&>(*unit);
            state.TheSound = wave.TheSound;
            state.FirstSel = wave.FirstSel;
            state.SecondSel = wave.SecondSel;
        } else {
            const TMusicUndoWatch::TKept* kept = sources.music ? sources.music(*unit) : nullptr;
            if (!kept) continue;
            state.Text = kept->Text;
            state.Place = kept->Place;
            state.Props = kept->Props;
        }
        const std::string time = timeOfDay();
        if (!history) {
            THistory fresh;
            fresh.Serial = unit->Serial;
            fresh.Music = unit->Kind != unitKindWave;
            histories_.push_back(std::move(fresh));
            history = &histories_.back();
            state.Name = firstName(*unit) + ", " + time;
        } else {
            state.Name = (unit->EditName.empty() ? std::string("Change") : unit->EditName) + ", " + time;
            // A change after a step back starts a new line of states.
            history->States.resize(static_cast<size_t>(history->Current + 1));
        }
        unit->EditName.clear();
        state.Id = history->NextId++;
        state.Made = ++made_;
        history->States.push_back(std::move(state));
        history->Current = static_cast<int>(history->States.size()) - 1;
        history->Revision = unit->Revision;
        touch(*history);
    }
    // The budgets change only with the states or with a write that ended;
    // most idle moments have neither.
    if (generation_ != keptAt_ || !spills_.empty() || budgetsMoved_) keepBudgets(units);
}

void THistoryBook::Moved(const TUnit& unit, int index) {
    THistory* h = Find(unit);
    if (!h || index < 0 || index >= static_cast<int>(h->States.size())) return;
    h->Current = index;
    h->Revision = unit.Revision;
    touch(*h);
}

uint64_t THistoryBook::MemoryHeld(const std::vector<std::unique_ptr<TUnit>>& units) const {
    // The documents hold their own sounds whatever the history does.
    std::set<const Sound*> counted;
    for (const auto& u : units)
        if (u->Kind == unitKindWave)
            if (const Sound* s = static_cast<const TUnitWave&>(*u).TheSound.get()) counted.insert(s);
    uint64_t bytes = 0;
    for (const THistory& h : histories_)
        for (const THistoryState& s : h.States) {
            if (s.TheSound && counted.insert(s.TheSound.get()).second) bytes += soundBytes(*s.TheSound);
            if (s.Text) bytes += s.Text->size();
        }
    return bytes;
}

uint64_t THistoryBook::DiskHeld(const THistory& history) const {
    std::set<const THistoryFile*> counted;
    uint64_t bytes = 0;
    for (const THistoryState& s : history.States)
        if (s.File && counted.insert(s.File.get()).second) bytes += s.File->Bytes;
    return bytes;
}

void THistoryBook::keepBudgets(const std::vector<std::unique_ptr<TUnit>>& units) {
    collectSpills(false);
    budgetsMoved_ = false;
    const uint64_t memoryBudget = MemoryBudget();
    uint64_t held = MemoryHeld(units);
    // Wave states go to disk oldest first until the rest fit. A state of a
    // sound a document shows now is not one (that sound is in memory
    // anyway), nor one on its way to disk.
    std::set<const Sound*> passed;
    for (const auto& u : units)
        if (u->Kind == unitKindWave) passed.insert(static_cast<const TUnitWave&>(*u).TheSound.get());
    for (const Spill& s : spills_) {
        passed.insert(s.TheSound.get());
        held -= std::min(held, soundBytes(*s.TheSound));
    }
    while (held > memoryBudget) {
        THistory* oldestHistory = nullptr;
        THistoryState* oldest = nullptr;
        for (THistory& h : histories_)
            for (THistoryState& s : h.States) {
                if (!s.TheSound || passed.count(s.TheSound.get())) continue;
                if (!oldest || s.Made < oldest->Made) {
                    oldest = &s;
                    oldestHistory = &h;
                }
            }
        if (!oldest) break;
        passed.insert(oldest->TheSound.get());
        if (spill(*oldestHistory, *oldest)) held -= std::min(held, soundBytes(*oldest->TheSound));
    }
    // Beyond a document's disk budget its oldest states go for good.
    const uint64_t diskBudget = DiskBudget();
    for (THistory& h : histories_) {
        int dropped = 0;
        uint64_t disk = DiskHeld(h);
        while (disk > diskBudget && h.Current > 0) {
            h.States.erase(h.States.begin());
            --h.Current;
            ++dropped;
            disk = DiskHeld(h);
        }
        if (dropped) {
            h.Dropped += dropped;
            touch(h);
        }
    }
    keptAt_ = generation_;
}

bool THistoryBook::spill(THistory& history, THistoryState& state) {
    if (state.File) {
        spilled(history, state.TheSound, state.File);
        return true;
    }
    const std::string& dir = folder();
    if (dir.empty()) return false;
    Spill job;
    job.Serial = history.Serial;
    job.TheSound = state.TheSound;
    job.Path = statePath(dir, history.Serial, state.Id);
    const Sound& sound = *state.TheSound;
    job.Bytes = static_cast<uint64_t>(sound.GetValues()) * static_cast<uint64_t>(sound.Channels()) *
                    static_cast<uint64_t>(sound.BytesPSample) + 44;
    job.Done = std::async(std::launch::async, [sound = job.TheSound, path = job.Path] {
        // A failed write keeps the state in memory; no box is shown for it.
        CollectedMessages quiet;
        setThreadMessages(&quiet);
        bool failed = false;
        const bool ok = WriteWaveFile(failed, path, *sound, 0, sound->GetValues(), true);
        setThreadMessages(nullptr);
        return ok;
    });
    spills_.push_back(std::move(job));
    return true;
}

void THistoryBook::collectSpills(bool wait) {
    for (auto it = spills_.begin(); it != spills_.end();) {
        if (!wait && it->Done.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            ++it;
            continue;
        }
        const bool ok = it->Done.get();
        auto file = std::make_shared<THistoryFile>(it->Path, it->Bytes);
        THistory* history = nullptr;
        for (THistory& h : histories_)
            if (h.Serial == it->Serial) history = &h;
        // A failed write keeps the states in memory; a closed document's file goes.
        if (!ok) file->Keep();
        else if (history) spilled(*history, it->TheSound, file);
        it = spills_.erase(it);
        budgetsMoved_ = true;  // the disk holds more now
    }
}

void THistoryBook::WaitSpills() { collectSpills(true); }

void THistoryBook::spilled(THistory& history, const std::shared_ptr<Sound>& sound,
                           const std::shared_ptr<THistoryFile>& file) {
    // Every state of the sound is on disk with it now; the one the document
    // shows keeps its sound too.
    const Sound* shown = history.Current >= 0 ? history.States[history.Current].TheSound.get() : nullptr;
    for (THistoryState& s : history.States) {
        if (s.TheSound != sound) continue;
        if (!s.File) s.File = file;
        if (s.TheSound.get() != shown) s.TheSound.reset();
    }
    touch(history);
}

bool THistoryBook::LoadSound(const THistoryState& state, std::shared_ptr<Sound>& sound, std::string& error) {
    if (state.TheSound) {
        sound = state.TheSound;
        return true;
    }
    std::unique_ptr<Sound> read;
    if (!state.File || !ReadWaveFile(state.File->Path, read, error)) {
        if (error.empty()) error = "The state is not on disk.";
        return false;
    }
    sound = std::shared_ptr<Sound>(std::move(read));
    return true;
}

}  // namespace korvane
