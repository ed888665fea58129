#include "journal/Journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

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

// A lock on `path`, taken without waiting; -1 when another process holds it.
int tryLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Journal copies are scratch: a crash keeps them, a power cut may not.
bool writeWhole(const std::string& path, const std::string& text) {
    return ReplaceFileWith(path, text.data(), text.size(), false);
}

bool readWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return !in.bad();
}

// Collects what the writers would show, for the journal to report once.
class Collected : public Messages {
public:
    std::string text;
    void show(const std::string&, const std::string& t, MessageIcon) override {
        if (text.empty()) text = t;
    }
    MessageAnswer askYesNoCancel(const std::string&, const std::string&) override { return MessageAnswer::Cancel; }
    MessageAnswer askOkCancel(const std::string&, const std::string&) override { return MessageAnswer::Cancel; }
};

// The fields of an entry file.
struct Entry {
    std::string kind, name, file, data, recording;
    int state = unitStateChanged;
    long long first = 0, second = 0;
    long long freq = 0, channels = 0, bytes = 0;
};

bool parseEntry(const std::string& text, Entry& entry, std::string& reason) {
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
        else if (key == "end") ok = true;
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
    for (const std::string* name : {&entry.data, &entry.recording})
        if (name->find('/') != std::string::npos || *name == "." || *name == "..") {
            reason = "it names a file outside its folder";
            return false;
        }
    return true;
}

TJournal::Job removal() {
    TJournal::Job job;
    job.remove = true;
    return job;
}

std::string listingLine(const Entry& entry) {
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
    const int fd = tryLock((fs::path(made) / kLockFileName).string());
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

void TJournal::Update(const std::vector<std::unique_ptr<TUnit>>& units, const TUnit* recording) {
    if (!Active()) return;
    deferred_ = false;
    ++pass_;
    const auto now = std::chrono::steady_clock::now();
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

        // What failed to be written goes again, whole, now and then.
        // Until then the entry on disk, which names the copy before, stays.
        const bool retrying = seen.retry && now >= seen.retryAt;
        if (seen.retry && !retrying) {
            deferred_ = true;
            continue;
        }
        if (seen.written && !retrying && seen.SameAs(*unit, records)) continue;
        Job job;
        std::ostringstream entry;
        entry << kFirstLine << "\n";
        if (unit->Kind == unitKindWave) {
            auto& wave = static_cast<const TUnitWave&>(*unit);
            entry << "kind wave\n";
            const bool newSound = !seen.written || retrying || seen.sound.lock() != wave.TheSound;
            if (newSound && wave.HasSamples()) {
                job.sound = wave.TheSound;
                job.hasData = true;
                job.dataName = std::to_string(seen.id) + "-" + std::to_string(++seen.generation) + ".wav";
            } else {
                job.dataName = newSound ? "-" : seen.dataName;
            }
            entry << "selection " << wave.FirstSel << " " << wave.SecondSel << "\n";
        } else {
            auto& music = static_cast<TUnitMuz&>(*unit);
            entry << "kind music\n";
            entry << "format " << music.SampleFreq << " " << music.Channels << " " << music.BytesPSample << "\n";
            if (!seen.written || retrying || seen.revision != unit->Revision) {
                const auto start = std::chrono::steady_clock::now();
                if (seen.written && !retrying && start < seen.nextMusic) {
                    deferred_ = true;
                    continue;
                }
                std::string message;
                const bool made = MuzText(music, job.musicText, message);
                const auto cost = std::chrono::steady_clock::now() - start;
                if (cost > std::chrono::milliseconds(2)) seen.nextMusic = start + 10 * cost;
                if (!made) {
                    fail("The music \"" + unit->Name + "\" could not be put in the recovery journal: " + message);
                    continue;
                }
                job.hasData = true;
                job.dataName = std::to_string(seen.id) + "-" + std::to_string(++seen.generation) + ".korvanem";
            } else {
                job.dataName = seen.dataName;
            }
        }
        seen.retry = false;
        seen.Remember(*unit, records);
        entry << "name " << escape(unit->Name) << "\n";
        // A file name as typed is relative to this window's folder; the
        // window that recovers it may start in another.
        std::error_code ec;
        const std::string file =
            unit->FileName.empty() ? std::string() : fs::absolute(unit->FileName, ec).lexically_normal().string();
        entry << "file " << escape(ec ? unit->FileName : file) << "\n";
        entry << "state " << static_cast<int>(unit->State) << "\n";
        entry << "data " << job.dataName << "\n";
        if (records) entry << "recording " << kRecordFileName << "\n";
        entry << "end .\n";
        job.entryText = entry.str();
        seen.dataName = job.dataName;
        seen.written = true;
        post(seen.id, std::move(job));
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
            if (!job.remove && !job.hasData && old.hasData) {
                job.sound = std::move(old.sound);
                job.musicText = std::move(old.musicText);
                job.hasData = true;
            }
            old = std::move(job);
        }
        // The copy being written now is already out of date.
        if (busy_ && writingId_ == id && (pending_[id].remove || pending_[id].sound))
            __atomic_store_n(&writingStop_, true, __ATOMIC_RELAXED);
    }
    wake_.notify_all();
}

void TJournal::run() {
    Collected collected;
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
        return true;
    }
    if (job.hasData) {
        const std::string data = (folder / job.dataName).string();
        bool ok;
        if (job.sound) {
            ok = WriteWaveFile(writingStop_, data, *job.sound, 0, job.sound->GetValues(), true);
            if (!ok && __atomic_load_n(&writingStop_, __ATOMIC_RELAXED)) return false;  // superseded
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
    std::error_code ec;
    if (root.empty() || !fs::is_directory(root, ec)) return;
    std::vector<fs::path> candidates;
    for (const auto& item : fs::directory_iterator(root, ec))
        if (item.is_directory(ec) && item.path().filename().string().rfind("window-", 0) == 0)
            candidates.push_back(item.path());
    std::sort(candidates.begin(), candidates.end());
    for (const fs::path& path : candidates) {
        Folder folder;
        folder.path = path.string();
        // A free lock: the window that held it is gone.
        folder.lockFd = tryLock((path / kLockFileName).string());
        if (folder.lockFd < 0) continue;
        std::vector<std::pair<unsigned long long, std::string>> entries;
        for (const auto& item : fs::directory_iterator(path, ec)) {
            const std::string name = item.path().filename().string();
            if (name.size() <= 6 || name.compare(name.size() - 6, 6, ".entry") != 0) continue;
            entries.emplace_back(std::strtoull(name.c_str(), nullptr, 10), name);
        }
        std::sort(entries.begin(), entries.end());
        for (auto& entry : entries) {
            folder.entries.push_back(entry.second);
            std::string text, reason;
            Entry fields;
            if (readWhole((path / entry.second).string(), text) && parseEntry(text, fields, reason))
                listing_.push_back(listingLine(fields));
            else
                listing_.push_back(entry.second + " (damaged)");
        }
        folders_.push_back(std::move(folder));
    }
}

TJournalRecovery::~TJournalRecovery() {
    for (Folder& folder : folders_)
        if (folder.lockFd >= 0) ::close(folder.lockFd);
}

std::vector<TRecoveredDocument> TJournalRecovery::Read(std::vector<std::string>& damaged) {
    std::vector<TRecoveredDocument> documents;
    for (const Folder& folder : folders_) {
        for (const std::string& entryName : folder.entries) {
            const fs::path dir(folder.path);
            std::string text, reason;
            Entry entry;
            if (!readWhole((dir / entryName).string(), text)) {
                damaged.push_back(entryName + ": it cannot be read");
                continue;
            }
            if (!parseEntry(text, entry, reason)) {
                damaged.push_back((dir / entryName).string() + ": " + reason);
                continue;
            }
            // Named as the user knows the document: its name, else its file.
            const std::string label = !entry.name.empty()   ? "\"" + entry.name + "\""
                                      : !entry.file.empty() ? "\"" + entry.file + "\""
                                                            : (dir / entryName).string();
            TRecoveredDocument doc;
            if (entry.kind == "wave") {
                std::unique_ptr<Sound> sound;
                std::string source = entry.data == "-" ? std::string() : (dir / entry.data).string();
                // A recording that was going on when the window went: what
                // reached its file is the wave.
                if (!entry.recording.empty()) {
                    source = (dir / entry.recording).string();
                    if (!RepairWaveSizes(source, reason)) {
                        damaged.push_back(label + ": its recording " + source + " " + reason);
                        continue;
                    }
                }
                if (source.empty()) continue;  // an empty wave: nothing to lose
                if (!ReadWaveFile(source, sound, reason)) {
                    damaged.push_back(label + ": " + source + ": " + reason);
                    continue;
                }
                auto wave = std::make_unique<TUnitWave>(std::move(sound), entry.file);
                doc.FirstSel = static_cast<int32_t>(std::clamp<long long>(entry.first, 0, wave->GetValues()));
                doc.SecondSel = static_cast<int32_t>(std::clamp<long long>(entry.second, 0, wave->GetValues()));
                doc.Unit = std::move(wave);
            } else {
                auto music = std::make_unique<TUnitMuz>();
                const std::string source = (dir / entry.data).string();
                std::string message;
                if (entry.data == "-" || !OpenMuz(*music, source, message)) {
                    damaged.push_back(label + ": " + source + ": " + message);
                    continue;
                }
                if (entry.freq > 0 && entry.freq <= 1000000) music->SampleFreq = static_cast<int32_t>(entry.freq);
                if (entry.channels == 1 || entry.channels == 2) music->Channels = static_cast<int16_t>(entry.channels);
                if (entry.bytes == 1 || entry.bytes == 2) music->BytesPSample = static_cast<int16_t>(entry.bytes);
                music->FileName = entry.file;
                doc.Unit = std::move(music);
            }
            doc.Unit->Name = entry.name;
            doc.Unit->State = static_cast<uint8_t>(entry.state);
            documents.push_back(std::move(doc));
        }
    }
    return documents;
}

void TJournalRecovery::Discard() {
    std::error_code ec;
    for (Folder& folder : folders_) {
        fs::remove_all(folder.path, ec);
        if (folder.lockFd >= 0) ::close(folder.lockFd);
        folder.lockFd = -1;
    }
    folders_.clear();
    listing_.clear();
}

}  // namespace korvane
