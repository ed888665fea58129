#include "journal/Journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/Allocation.h"
#include "core/WavFile.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "platform/FileReplace.h"
#include "platform/Messages.h"
#include "processing/TUnitWave.h"

namespace korvane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFirstLine = "korvane journal entry 1";
constexpr const char* kRecordFileName = "record.wav";
constexpr const char* kLockFileName = "lock";
// A copy that could not be written (a full disk) is tried again this much later.
constexpr auto kRetryDelay = std::chrono::seconds(2);

// Values stand on one line each: a backslash and a line break are escaped.
std::string escape(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

bool unescape(const std::string& value, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size()) return false;
        if (value[i] == '\\') out += '\\';
        else if (value[i] == 'n') out += '\n';
        else if (value[i] == 'r') out += '\r';
        else return false;
    }
    return true;
}

// Opens `name` in the folder `dir` (a path for AT_FDCWD) only when it is a
// regular file: a symbolic link is not followed, and a FIFO or a device is
// opened without waiting and let go. -1 with `reason` otherwise.
int openRegular(int dir, const std::string& name, int flags, std::string& reason) {
    int fd;
    do {
        fd = ::openat(dir, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        reason = "it is not a regular file";
        return -1;
    }
    const int mode = ::fcntl(fd, F_GETFL);
    if (mode != -1) (void)::fcntl(fd, F_SETFL, mode & ~O_NONBLOCK);
    return fd;
}

// A lock on `name` in `dir`, taken without waiting; -1 when another process
// holds it or it is not a regular file of its own.
int tryLock(int dir, const std::string& name, bool& held) {
    std::string reason;
    held = false;
    const int fd = openRegular(dir, name, O_RDWR | O_CREAT, reason);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        held = true;
        ::close(fd);
        return -1;
    }
    return fd;
}

// Journal copies are scratch: a crash keeps them, a power cut may not.
bool writeWhole(const std::string& path, const std::string& text) {
    return ReplaceFileWith(path, text.data(), text.size(), false);
}

// The whole of an open file, up to `limit` bytes; false past it or on an
// error, with `reason`.
bool readFd(int fd, std::string& text, uint64_t limit, std::string& reason) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > limit) {
        reason = "it is too large";
        return false;
    }
    text.clear();
    try {
        text.reserve(static_cast<std::size_t>(st.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                reason = std::strerror(errno);
                return false;
            }
            if (n == 0) return true;
            if (text.size() + static_cast<std::size_t>(n) > limit) {
                reason = "it is too large";
                return false;
            }
            text.append(buffer, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
        reason = kMemoryMessage;
        return false;
    }
}

bool readRegular(int dir, const std::string& name, std::string& text, uint64_t limit, std::string& reason) {
    const int fd = openRegular(dir, name, O_RDONLY, reason);
    if (fd < 0) return false;
    const bool ok = readFd(fd, text, limit, reason);
    ::close(fd);
    return ok;
}

// An entry is a few short lines; anything much larger is not one.
constexpr uint64_t kEntryLimit = 1 << 20;
// Far above any real score's text.
constexpr uint64_t kMusicLimit = uint64_t{256} << 20;

// Removes the files of a window's folder and the folder itself. A folder
// inside it (not ours) keeps it in place.
void removeFolder(int fd, const std::string& path) {
    const int listFd = ::dup(fd);
    if (listFd < 0) return;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return;
    }
    ::rewinddir(dir);  // a duplicate shares its offset with what listed the folder before
    std::vector<std::string> names;
    while (const dirent* item = ::readdir(dir))
        if (std::strcmp(item->d_name, ".") != 0 && std::strcmp(item->d_name, "..") != 0) names.push_back(item->d_name);
    ::closedir(dir);
    for (const std::string& name : names) ::unlinkat(fd, name.c_str(), 0);
    ::rmdir(path.c_str());
}


}  // namespace

std::string TJournalEntry::Text() const {
    std::ostringstream out;
    out << kFirstLine << "\n";
    out << "kind " << escape(kind) << "\n";
    if (kind == "wave") out << "selection " << first << " " << second << "\n";
    else out << "format " << freq << " " << channels << " " << bytes << "\n";
    out << "name " << escape(name) << "\n";
    out << "file " << escape(file) << "\n";
    out << "state " << state << "\n";
    out << "data " << escape(data) << "\n";
    if (!recording.empty()) out << "recording " << escape(recording) << "\n";
    for (const State& s : history)
        out << "history " << escape(s.file) << " " << s.first << " " << s.second << " " << escape(s.name) << "\n";
    out << "end .\n";
    return out.str();
}

bool TJournalEntry::Parse(const std::string& text, TJournalEntry& entry, std::string& reason) {
    entry = TJournalEntry{};

    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kFirstLine) {
        reason = "it is not a journal entry";
        return false;
    }
    // The last line is written last: an entry without it was cut off.
    const std::string last = "\nend .\n";
    if (text.size() < last.size() || text.compare(text.size() - last.size(), last.size(), last) != 0) {
        reason = "it is incomplete";
        return false;
    }
    std::set<std::string> keys;
    while (std::getline(in, line)) {
        const std::size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        std::string value;
        if (space == std::string::npos || !unescape(line.substr(space + 1), value)) {
            reason = "its line \"" + line + "\" cannot be read";
            return false;
        }
        std::istringstream numbers(value);
        bool ok = true;
        if (key == "kind") entry.kind = value;
        else if (key == "name") entry.name = value;
        else if (key == "file") entry.file = value;
        else if (key == "data") entry.data = value;
        else if (key == "recording") entry.recording = value;
        else if (key == "state") ok = static_cast<bool>(numbers >> entry.state);
        else if (key == "selection") ok = static_cast<bool>(numbers >> entry.first >> entry.second);
        else if (key == "format") ok = static_cast<bool>(numbers >> entry.freq >> entry.channels >> entry.bytes);
        else if (key == "history") {
            State state;
            ok = static_cast<bool>(numbers >> state.file >> state.first >> state.second);
            if (ok) {
                // The name is the rest of the value, line breaks and all.
                const auto at = numbers.tellg();
                const std::string rest = at < 0 ? std::string() : value.substr(static_cast<std::size_t>(at));
                state.name = rest.empty() ? rest : rest.substr(1);
                entry.history.push_back(std::move(state));
            }
        } else if (key == "end") ok = true;
        if (!ok) {
            reason = "its line \"" + line + "\" cannot be read";
            return false;
        }
        keys.insert(key);
    }
    if (!keys.count("end") || !keys.count("kind") || !keys.count("data") ||
        (entry.kind != "wave" && entry.kind != "music")) {
        reason = "it is incomplete";
        return false;
    }
    if (entry.state != unitStateNew && entry.state != unitStateChanged) entry.state = unitStateChanged;
    // Data file names are our own; anything with a folder in it is not.
    std::vector<const std::string*> names{&entry.data, &entry.recording};
    for (const State& state : entry.history) names.push_back(&state.file);
    for (const std::string* name : names)
        if (name->find('/') != std::string::npos || *name == "." || *name == "..") {
            reason = "it names a file outside its folder";
            return false;
        }
    return true;
}


namespace {

// The states of a recovered document's history that can be read; one whose
// copy is gone or damaged is left out, the document still comes back.
void readHistory(int folderFd, const fs::path& dir, const TJournalEntry& entry, TRecoveredDocument& doc,
                 std::vector<std::string>& data) {
    const bool wave = entry.kind == "wave";
    std::vector<TRecoveredState> states;
    int current = -1;
    for (const TJournalEntry::State& line : entry.history) {
        TRecoveredState state;
        state.Name = line.name;
        state.FirstSel = static_cast<int32_t>(std::clamp<long long>(line.first, 0, INT32_MAX));
        state.SecondSel = static_cast<int32_t>(std::clamp<long long>(line.second, 0, INT32_MAX));
        std::string reason;
        if (line.file == "-") {
            state.IsDocument = true;
            current = static_cast<int>(states.size());
        } else if (line.file == "empty") {
            if (!wave) continue;
        } else if (wave) {
            const int fd = openRegular(folderFd, line.file, O_RDONLY, reason);
            if (fd < 0) continue;
            ::close(fd);
            state.Path = (dir / line.file).string();
            data.push_back(line.file);
        } else {
            if (!readRegular(folderFd, line.file, state.Text, kMusicLimit, reason)) continue;
            data.push_back(line.file);
        }
        states.push_back(std::move(state));
    }
    if (current < 0) return;
    doc.History = std::move(states);
    doc.Current = current;
}

TJournal::Job removal() {
    TJournal::Job job;
    job.remove = true;
    return job;
}

std::string listingLine(const TJournalEntry& entry) {
    const bool hasFile = !entry.file.empty() && entry.state != unitStateNew;
    const std::string kind = entry.kind == "wave" ? "wave" : "music";
    if (!hasFile) return (entry.name.empty() ? "a " : entry.name + ", a ") + "new " + kind;
    return entry.name.empty() ? entry.file : entry.name + ": " + entry.file;
}

}  // namespace

std::string DefaultJournalRoot() {
    const char* off = std::getenv("KORVANE_JOURNAL");
    if (off && (std::strcmp(off, "off") == 0 || std::strcmp(off, "0") == 0)) return "";
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/') return (fs::path(state) / "korvane").string();
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return (fs::path(home) / ".local" / "state" / "korvane").string();
    return "";
}

// ---------------------------------------------------------------------------

TJournal::~TJournal() {
    if (!writer_.joinable()) return;
    WaitIdle();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    writer_.join();
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool TJournal::Start(const std::string& root, std::string& error) {
    std::error_code ec;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root, ec)) {
        error = "Could not create directory \"" + root + "\".";
        return false;
    }
    // Made under a name others pass by, and given its real name only once it
    // is locked, so that no starting window takes it for one that is gone.
    std::string made = (fs::path(root) / ".window-XXXXXX").string();
    if (!::mkdtemp(made.data())) {
        error = "Could not create a folder in \"" + root + "\": " + std::strerror(errno);
        return false;
    }
    bool held = false;
    const int fd = tryLock(AT_FDCWD, (fs::path(made) / kLockFileName).string(), held);
    const std::string folder = (fs::path(root) / fs::path(made).filename().string().substr(1)).string();
    if (fd < 0 || ::rename(made.c_str(), folder.c_str()) != 0) {
        error = "Could not lock the folder \"" + made + "\".";
        if (fd >= 0) ::close(fd);
        fs::remove_all(made, ec);
        return false;
    }
    lockFd_ = fd;
    folder_ = folder;
    writer_ = std::thread([this] { run(); });
    return true;
}

std::string TJournal::RecordFile() const { return (fs::path(folder_) / kRecordFileName).string(); }

bool TJournal::Seen::SameAs(const TUnit& unit, bool recordsNow) const {
    if (revision != unit.Revision || state != unit.State || records != recordsNow || freq != unit.GetFreq() ||
        channels != unit.GetMoSt() || bytes != unit.GetBytesPSample() || name != unit.Name || file != unit.FileName)
        return false;
    if (unit.Kind != unitKindWave) return true;
    auto& wave = static_cast<const TUnitWave&>(unit);
    return first == wave.FirstSel && second == wave.SecondSel && sound.lock() == wave.TheSound;
}

void TJournal::Seen::Remember(const TUnit& unit, bool recordsNow) {
    revision = unit.Revision;
    state = unit.State;
    records = recordsNow;
    freq = unit.GetFreq();
    channels = unit.GetMoSt();
    bytes = unit.GetBytesPSample();
    name = unit.Name;
    file = unit.FileName;
    if (unit.Kind != unitKindWave) return;
    auto& wave = static_cast<const TUnitWave&>(unit);
    first = wave.FirstSel;
    second = wave.SecondSel;
    sound = wave.TheSound;
}

// The history's lines of an entry, oldest state first: "history FILE FIRST
// SECOND NAME", where FILE is "-" for the state the document shows (its copy
// is the entry's data) and "empty" for an empty wave. A state's file is
// handed to the writer once; the entry is written after it.
void TJournal::addHistory(TJournalEntry& entry, Job& job, Seen& seen, const TJournalHistory& history, bool wave,
                          bool again, const Sound* soundBefore, const std::string& copyBefore) {
    std::map<uint64_t, std::string> files;
    for (int i = 0; i < static_cast<int>(history.States.size()); ++i) {
        const TJournalState& state = history.States[i];
        std::string file;
        if (i == history.Current) {
            file = "-";
        } else if (auto known = seen.stateFiles.find(state.Id); known != seen.stateFiles.end() && !again) {
            file = known->second;
        } else if (wave && !state.TheSound && state.File.empty()) {
            file = "empty";
        } else if (state.TheSound || state.Text || !state.File.empty()) {
            file = std::to_string(seen.id) + "-s" + std::to_string(state.Id) + (wave ? ".wav" : ".korvanem");
            std::string linkFrom = state.File;
            if (linkFrom.empty() && state.TheSound && state.TheSound.get() == soundBefore) linkFrom = copyBefore;
            job.states.push_back({file, state.TheSound, state.Text, linkFrom});
        } else {
            continue;  // nothing to keep it from
        }
        if (file != "-" && file != "empty") {
            files[state.Id] = file;
            job.keepStates.push_back(file);
        }
        entry.history.push_back({file, state.Name, state.FirstSel, state.SecondSel});
    }
    seen.stateFiles = std::move(files);
}

// The entries whose last write failed are written again after a wait.
void TJournal::markFailed(std::chrono::steady_clock::time_point now) {
    std::set<uint64_t> failed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        failed.swap(failedIds_);
    }
    for (auto& [serial, seen] : seen_)
        if (failed.count(seen.id)) {
            seen.retry = true;
            seen.retryAt = now + kRetryDelay;
        }
}

// A wave's copy: its sound, written only when it is another sound than the
// one written last.
void TJournal::waveCopy(const TUnit& unit, Seen& seen, bool retrying, Job& job, TJournalEntry& entry) {
    auto& wave = static_cast<const TUnitWave&>(unit);
    entry.kind = "wave";
    const bool newSound = !seen.written || retrying || seen.sound.lock() != wave.TheSound;
    if (newSound && wave.HasSamples()) {
        job.sound = wave.TheSound;
        job.hasData = true;
        job.dataName = std::to_string(seen.id) + "-" + std::to_string(++seen.generation) + ".wav";
    } else {
        job.dataName = newSound ? "-" : seen.dataName;
    }
    entry.first = wave.FirstSel;
    entry.second = wave.SecondSel;
}

// A music's copy, put in text when its revision moved; false when there is
// none this time (spaced out for later, or failed).
bool TJournal::musicCopy(TUnit& unit, Seen& seen, bool retrying, Job& job, TJournalEntry& entry) {
    auto& music = static_cast<TUnitMuz&>(unit);
    entry.kind = "music";
    entry.freq = music.SampleFreq;
    entry.channels = music.Channels;
    entry.bytes = music.BytesPSample;
    if (seen.written && !retrying && seen.revision == unit.Revision) {
        job.dataName = seen.dataName;
        return true;
    }
    const auto start = clock_();
    if (seen.written && !retrying && start < seen.nextMusic) {
        deferred_ = true;
        return false;
    }
    std::string message;
    const bool made = MuzText(music, job.musicText, message);
    const auto cost = clock_() - start;
    if (cost > std::chrono::milliseconds(2)) seen.nextMusic = start + 10 * cost;
    if (!made) {
        fail("The music \"" + unit.Name + "\" could not be put in the recovery journal: " + message);
        return false;
    }
    job.hasData = true;
    job.dataName = std::to_string(seen.id) + "-" + std::to_string(++seen.generation) + ".korvanem";
    return true;
}

// Hands the writer a document's entry when anything of it changed since the
// last one.
void TJournal::updateEntry(TUnit& unit, Seen& seen, bool records, std::chrono::steady_clock::time_point now) {
    // What failed to be written goes again, whole, now and then.
    // Until then the entry on disk, which names the copy before, stays.
    const bool retrying = seen.retry && now >= seen.retryAt;
    if (seen.retry && !retrying) {
        deferred_ = true;
        return;
    }
    const uint64_t historyGeneration = history_.generation ? history_.generation(unit) : 0;
    const bool hasHistory = historyGeneration != 0;
    const bool historyMoved = hasHistory != seen.hasHistory || historyGeneration != seen.historyGeneration;
    if (seen.written && !retrying && !historyMoved && seen.SameAs(unit, records)) return;
    Job job;
    TJournalEntry entry;
    // The copy on disk before this update: a history state of the same
    // sound is a second name for it rather than a second write.
    const std::shared_ptr<const Sound> soundBefore = seen.written ? seen.sound.lock() : nullptr;
    const std::string dataBefore = seen.dataName;
    if (unit.Kind == unitKindWave)
        waveCopy(unit, seen, retrying, job, entry);
    else if (!musicCopy(unit, seen, retrying, job, entry))
        return;
    seen.retry = false;
    seen.Remember(unit, records);
    entry.name = unit.Name;
    // A file name as typed is relative to this window's folder; the
    // window that recovers it may start in another.
    std::error_code ec;
    const std::string file =
        unit.FileName.empty() ? std::string() : fs::absolute(unit.FileName, ec).lexically_normal().string();
    entry.file = ec ? unit.FileName : file;
    entry.state = unit.State;
    entry.data = job.dataName;
    if (records) entry.recording = kRecordFileName;
    if (hasHistory) {
        TJournalHistory history;
        history_.fill(unit, history);
        std::string copyBefore;
        if (soundBefore && dataBefore != "-") copyBefore = (fs::path(folder_) / dataBefore).string();
        addHistory(entry, job, seen, history, unit.Kind == unitKindWave, retrying, soundBefore.get(), copyBefore);
    }
    seen.hasHistory = hasHistory;
    seen.historyGeneration = historyGeneration;
    job.entryText = entry.Text();
    seen.dataName = job.dataName;
    seen.written = true;
    post(seen.id, std::move(job));
}

void TJournal::Update(const std::vector<std::unique_ptr<TUnit>>& units, const TUnit* recording) {
    if (!Active()) return;
    deferred_ = false;
    ++pass_;
    const auto now = clock_();
    markFailed(now);
    for (const auto& unit : units) {
        const bool records = unit.get() == recording;
        auto found = seen_.find(unit->Serial);
        if (!unit->NeedsSaving() && !records) {
            if (found != seen_.end()) {
                if (found->second.written) post(found->second.id, removal());
                seen_.erase(found);
            }
            continue;
        }
        Seen& seen = found != seen_.end() ? found->second : seen_[unit->Serial];
        if (found == seen_.end()) seen.id = ++nextId_;
        seen.pass = pass_;
        updateEntry(*unit, seen, records, now);
    }
    // The documents not met above are closed.
    for (auto it = seen_.begin(); it != seen_.end();) {
        if (it->second.pass == pass_) {
            ++it;
            continue;
        }
        if (it->second.written) post(it->second.id, removal());
        it = seen_.erase(it);
    }
}

void TJournal::post(uint64_t id, Job job) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto waiting = pending_.find(id);
        if (waiting == pending_.end()) {
            order_.push_back(id);
            pending_.emplace(id, std::move(job));
        } else {
            // The waiting job was never written: its data is what the new
            // entry names when the new job brings none.
            Job& old = waiting->second;
            // States the waiting job would have written are named by the new
            // entry too.
            for (Job::State& state : old.states)
                if (std::find(job.keepStates.begin(), job.keepStates.end(), state.dataName) != job.keepStates.end() &&
                    std::none_of(job.states.begin(), job.states.end(),
                                 [&](const Job::State& s) { return s.dataName == state.dataName; }))
                    job.states.push_back(std::move(state));
            if (!job.remove && !job.hasData && old.hasData) {
                job.sound = std::move(old.sound);
                job.musicText = std::move(old.musicText);
                job.hasData = true;
            }
            old = std::move(job);
        }
        // The copy being written now is already out of date.
        if (busy_ && writingId_ == id && (pending_[id].remove || pending_[id].sound))
            std::atomic_ref<bool>(writingStop_).store(true, std::memory_order_relaxed);
    }
    wake_.notify_all();
}

void TJournal::run() {
    // What the writers would show is reported once, by the window.
    CollectedMessages collected;
    setThreadMessages(&collected);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !order_.empty(); });
        if (order_.empty()) break;
        const uint64_t id = order_.front();
        order_.pop_front();
        Job job = std::move(pending_[id]);
        pending_.erase(id);
        busy_ = true;
        writingId_ = id;
        writingStop_ = false;
        lock.unlock();
        write(id, job);
        lock.lock();
        writingId_ = 0;
        lock.unlock();
        job = Job{};  // the sound goes before the lock is taken again
        if (!collected.text.empty()) {
            fail(collected.text);
            collected.text.clear();
        }
        lock.lock();
        busy_ = false;
        if (order_.empty()) idle_.notify_all();
    }
    setThreadMessages(nullptr);
}

bool TJournal::write(uint64_t id, const Job& job) {
    const fs::path folder(folder_);
    const std::string entryFile = (folder / (std::to_string(id) + ".entry")).string();
    std::error_code ec;
    if (job.remove) {
        fs::remove(entryFile, ec);
        // Every data file of this entry, whatever generation.
        const std::string prefix = std::to_string(id) + "-";
        for (const auto& item : fs::directory_iterator(folder, ec))
            if (item.path().filename().string().rfind(prefix, 0) == 0) fs::remove(item.path(), ec);
        onDisk_.erase(id);
        statesOnDisk_.erase(id);
        return true;
    }
    // The history's states first: they stay valid whatever comes after.
    for (const Job::State& state : job.states) {
        const std::string data = (folder / state.dataName).string();
        // Kept on disk already (by the window, or as this entry's copy
        // before): a second name for it. A copy that has gone since (a
        // dropped state, a superseded write) is written from memory; with
        // nothing in memory either the entry names a copy recovery leaves
        // out, nothing worse.
        bool ok = false;
        if (!state.linkFrom.empty()) {
            fs::remove(data, ec);
            ok = ::link(state.linkFrom.c_str(), data.c_str()) == 0 || fs::copy_file(state.linkFrom, data, ec);
        }
        if (!ok && state.sound) {
            bool stop = false;
            ok = WriteWaveFile(stop, data, *state.sound, 0, state.sound->GetValues(), true);
        } else if (!ok && state.text) {
            ok = writeWhole(data, *state.text);
        } else if (!ok) {
            ok = true;
        }
        if (!ok) {
            fail("The recovery journal could not write \"" + data + "\".", id);
            return false;
        }
        statesOnDisk_[id].push_back(state.dataName);
    }
    if (job.hasData) {
        const std::string data = (folder / job.dataName).string();
        bool ok;
        if (job.sound) {
            ok = WriteWaveFile(writingStop_, data, *job.sound, 0, job.sound->GetValues(), true);
            if (!ok && flagSet(writingStop_)) return false;  // superseded
        } else {
            ok = writeWhole(data, job.musicText);
        }
        if (!ok) {
            fail("The recovery journal could not write \"" + data + "\".", id);
            return false;
        }
    }
    if (!writeWhole(entryFile, job.entryText)) {
        fail("The recovery journal could not write \"" + entryFile + "\".", id);
        return false;
    }
    // The entry names the new copy now; the one it named before can go.
    std::string& before = onDisk_[id];
    if (!before.empty() && before != "-" && before != job.dataName) fs::remove(folder / before, ec);
    before = job.dataName;
    // So do the states it no longer names.
    std::vector<std::string>& states = statesOnDisk_[id];
    for (const std::string& state : states)
        if (std::find(job.keepStates.begin(), job.keepStates.end(), state) == job.keepStates.end())
            fs::remove(folder / state, ec);
    states = job.keepStates;
    return true;
}

void TJournal::fail(const std::string& text, uint64_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (error_.empty()) error_ = text;
    if (id) failedIds_.insert(id);
}

std::string TJournal::TakeError() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (errorTaken_ || error_.empty()) return "";
    errorTaken_ = true;
    return error_;
}

void TJournal::WaitIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return order_.empty() && !busy_; });
}

void TJournal::Finish() {
    if (!Active()) return;
    if (writer_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            // Nothing waiting matters any more: every document is saved or
            // given up by now.
            order_.clear();
            pending_.clear();
            stopping_ = true;
        }
        wake_.notify_all();
        writer_.join();
    }
    std::error_code ec;
    fs::remove_all(folder_, ec);
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    folder_.clear();
    seen_.clear();
}

// ---------------------------------------------------------------------------

TJournalRecovery::TJournalRecovery(const std::string& root) {
    if (root.empty()) return;
    const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0) return;
    std::vector<std::string> candidates;
    if (DIR* dir = ::fdopendir(::dup(rootFd))) {
        while (const dirent* item = ::readdir(dir))
            if (std::strncmp(item->d_name, "window-", 7) == 0) candidates.push_back(item->d_name);
        ::closedir(dir);
    }
    std::sort(candidates.begin(), candidates.end());
    const uid_t user = ::geteuid();
    for (const std::string& name : candidates) {
        Folder folder;
        folder.path = (fs::path(root) / name).string();
        struct stat st;
        if (::fstatat(rootFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            skipped_.push_back(folder.path + ": it is a symbolic link");
            continue;
        }
        if (!S_ISDIR(st.st_mode)) continue;
        folder.fd = ::openat(rootFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (folder.fd < 0 || ::fstat(folder.fd, &st) != 0) {
            if (folder.fd >= 0) ::close(folder.fd);
            continue;
        }
        // Copies someone else could have put there are not opened as the
        // user's work.
        const char* distrust = st.st_uid != user                  ? "it belongs to another user"
                               : (st.st_mode & (S_IWGRP | S_IWOTH)) ? "others may write in it"
                                                                    : nullptr;
        if (distrust) {
            skipped_.push_back(folder.path + ": " + distrust);
            ::close(folder.fd);
            continue;
        }
        // A free lock: the window that held it is gone.
        bool held = false;
        folder.lockFd = tryLock(folder.fd, kLockFileName, held);
        if (folder.lockFd < 0) {
            if (!held) skipped_.push_back(folder.path + ": its lock is not a regular file");
            ::close(folder.fd);
            continue;
        }
        std::vector<std::pair<unsigned long long, std::string>> entries;
        if (DIR* dir = ::fdopendir(::dup(folder.fd))) {
            ::rewinddir(dir);
            while (const dirent* item = ::readdir(dir)) {
                const std::string file = item->d_name;
                if (file.size() <= 6 || file.compare(file.size() - 6, 6, ".entry") != 0 || file[0] == '.') continue;
                entries.emplace_back(std::strtoull(file.c_str(), nullptr, 10), file);
            }
            ::closedir(dir);
        }
        // Its window had nothing unsaved: there is nothing to offer.
        if (entries.empty()) {
            removeFolder(folder.fd, folder.path);
            release(folder);
            continue;
        }
        std::sort(entries.begin(), entries.end());
        for (auto& entry : entries) {
            EntryFile file;
            file.name = entry.second;
            folder.entries.push_back(file);
            std::string text, reason;
            TJournalEntry fields;
            if (readRegular(folder.fd, entry.second, text, kEntryLimit, reason) &&
                TJournalEntry::Parse(text, fields, reason))
                listing_.push_back(listingLine(fields));
            else
                listing_.push_back(entry.second + " (damaged)");
        }
        folders_.push_back(std::move(folder));
    }
    ::close(rootFd);
}

TJournalRecovery::~TJournalRecovery() {
    for (Folder& folder : folders_) release(folder);
}

void TJournalRecovery::release(Folder& folder) {
    if (folder.lockFd >= 0) ::close(folder.lockFd);
    if (folder.fd >= 0) ::close(folder.fd);
    folder.lockFd = folder.fd = -1;
}

namespace {

// Reads and parses an entry file; false (named in `damaged`) when it cannot be.
bool readEntry(int folderFd, const fs::path& dir, const std::string& entryName, TJournalEntry& entry,
               std::string& reason, std::vector<std::string>& damaged) {
    std::string text;
    if (!readRegular(folderFd, entryName, text, kEntryLimit, reason)) {
        damaged.push_back((dir / entryName).string() + ": " + reason);
        return false;
    }
    if (!TJournalEntry::Parse(text, entry, reason)) {
        damaged.push_back((dir / entryName).string() + ": " + reason);
        return false;
    }
    return true;
}

enum class TWaveCopy { damaged, empty, read };

// The wave of an entry, from its copy or from the recording that was going
// on when the window went (what reached its file is the wave).
TWaveCopy readWaveCopy(int folderFd, const fs::path& dir, const TJournalEntry& entry, const std::string& label,
                       std::string& reason, TRecoveredDocument& doc, std::vector<std::string>& data,
                       std::vector<std::string>& damaged) {
    std::unique_ptr<Sound> sound;
    std::string source = entry.data == "-" ? std::string() : entry.data;
    if (!source.empty()) data.push_back(source);
    int fd = -1;
    if (!entry.recording.empty()) {
        source = entry.recording;
        data.push_back(source);
        fd = openRegular(folderFd, source, O_RDWR, reason);
        if (fd < 0 || !RepairWaveSizesFd(fd, reason)) {
            if (fd >= 0) ::close(fd);
            damaged.push_back(label + ": its recording " + (dir / source).string() + " " + reason);
            return TWaveCopy::damaged;
        }
    } else if (!source.empty()) {
        fd = openRegular(folderFd, source, O_RDONLY, reason);
        if (fd < 0) {
            damaged.push_back(label + ": " + (dir / source).string() + ": " + reason);
            return TWaveCopy::damaged;
        }
    }
    if (fd < 0) return TWaveCopy::empty;
    const bool read = ReadWaveFd(fd, sound, reason);
    ::close(fd);
    if (!read) {
        damaged.push_back(label + ": " + (dir / source).string() + ": " + reason);
        return TWaveCopy::damaged;
    }
    auto wave = std::make_unique<TUnitWave>(std::move(sound), entry.file);
    doc.FirstSel = static_cast<int32_t>(std::clamp<long long>(entry.first, 0, wave->GetValues()));
    doc.SecondSel = static_cast<int32_t>(std::clamp<long long>(entry.second, 0, wave->GetValues()));
    doc.Unit = std::move(wave);
    return TWaveCopy::read;
}

// The music of an entry, with the sound settings the entry keeps beside it.
bool readMusicCopy(int folderFd, const fs::path& dir, const TJournalEntry& entry, const std::string& label,
                   TRecoveredDocument& doc, std::vector<std::string>& data, std::vector<std::string>& damaged) {
    auto music = std::make_unique<TUnitMuz>();
    const std::string source = (dir / entry.data).string();
    std::string message, musicText;
    bool read = false;
    if (entry.data == "-")
        message = "it holds no copy";
    else if (readRegular(folderFd, entry.data, musicText, kMusicLimit, message))
        read = ReadMuzText(*music, musicText, message);
    if (!read) {
        damaged.push_back(label + ": " + source + ": " + message);
        return false;
    }
    data.push_back(entry.data);
    if (entry.freq > 0 && entry.freq <= 1000000) music->SampleFreq = static_cast<int32_t>(entry.freq);
    if (entry.channels == 1 || entry.channels == 2) music->Channels = static_cast<int16_t>(entry.channels);
    if (entry.bytes == 1 || entry.bytes == 2) music->BytesPSample = static_cast<int16_t>(entry.bytes);
    music->FileName = entry.file;
    doc.Unit = std::move(music);
    return true;
}

}  // namespace

std::vector<TRecoveredDocument> TJournalRecovery::Read(std::vector<std::string>& damaged) {
    std::vector<TRecoveredDocument> documents;
    for (Folder& folder : folders_) {
        const fs::path dir(folder.path);
        for (EntryFile& entryFile : folder.entries) {
            const std::string& entryName = entryFile.name;
            std::string reason;
            TJournalEntry entry;
            if (!readEntry(folder.fd, dir, entryName, entry, reason, damaged)) continue;
            // Named as the user knows the document: its name, else its file.
            const std::string label = !entry.name.empty()   ? "\"" + entry.name + "\""
                                      : !entry.file.empty() ? "\"" + entry.file + "\""
                                                            : (dir / entryName).string();
            TRecoveredDocument doc;
            std::vector<std::string> data;
            if (entry.kind == "wave") {
                const TWaveCopy copy = readWaveCopy(folder.fd, dir, entry, label, reason, doc, data, damaged);
                if (copy == TWaveCopy::empty) {
                    entryFile.recovered = true;  // an empty wave: nothing to lose
                    entryFile.data = std::move(data);
                }
                if (copy != TWaveCopy::read) continue;
            } else if (!readMusicCopy(folder.fd, dir, entry, label, doc, data, damaged)) {
                continue;
            }
            readHistory(folder.fd, dir, entry, doc, data);
            doc.Unit->Name = entry.name;
            doc.Unit->State = static_cast<uint8_t>(entry.state);
            entryFile.recovered = true;
            entryFile.data = std::move(data);
            documents.push_back(std::move(doc));
        }
    }
    return documents;
}

void TJournalRecovery::RemoveRecovered() {
    for (Folder& folder : folders_) {
        bool left = false;
        for (const EntryFile& entry : folder.entries) {
            if (!entry.recovered) {
                left = true;
                continue;
            }
            // The entry first: a crash on the way leaves no entry naming a
            // copy that is gone.
            ::unlinkat(folder.fd, entry.name.c_str(), 0);
            for (const std::string& data : entry.data) ::unlinkat(folder.fd, data.c_str(), 0);
        }
        if (!left) removeFolder(folder.fd, folder.path);
        release(folder);
    }
    folders_.clear();
    listing_.clear();
}

void TJournalRecovery::Discard() {
    for (Folder& folder : folders_) {
        removeFolder(folder.fd, folder.path);
        release(folder);
    }
    folders_.clear();
    listing_.clear();
}

}  // namespace korvane
