#include "platform/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace korvane {

namespace {

// The new files being written, for the signal handlers: plain C strings in
// atomic slots, because a handler may only read memory and call unlink.
constexpr int kSlots = 64;
std::atomic<char*> pendingTemps[kSlots];

extern "C" void removeTempsAndEnd(int sig) {
    for (auto& slot : pendingTemps)
        if (char* name = slot.load()) ::unlink(name);
    // End as the signal would have ended the process without us.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// Only where no one else handles the signal: a program with handlers of its
// own, or started to ignore hang-ups, keeps them.
void installSignalCleanup() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction old {};
            if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
                (old.sa_flags & SA_SIGINFO))
                continue;
            struct sigaction action {};
            action.sa_handler = removeTempsAndEnd;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESTART;
            ::sigaction(sig, &action, nullptr);
        }
    });
}

int holdTemp(const std::string& name) {
    char* copy = ::strdup(name.c_str());
    if (!copy) return -1;
    for (int i = 0; i < kSlots; ++i) {
        char* expected = nullptr;
        if (pendingTemps[i].compare_exchange_strong(expected, copy)) return i;
    }
    std::free(copy);
    return -1;
}

void releaseTemp(int slot) {
    if (slot < 0) return;
    char* name = pendingTemps[slot].exchange(nullptr);
    std::free(name);
}

// ".BASE.korvane-PID-N.tmp" of a process that no longer runs.
bool isStaleTemp(const char* entry, const std::string& prefix) {
    if (std::strncmp(entry, prefix.c_str(), prefix.size()) != 0) return false;
    const char* p = entry + prefix.size();
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(p, &end, 10);
    if (end == p || errno != 0 || pid <= 0 || *end != '-') return false;
    const char* q = end + 1;
    std::strtoul(q, &end, 10);
    // ".old" is the link CommitAll keeps to a replaced file until all are in place.
    if (end == q || (std::strcmp(end, ".tmp") != 0 && std::strcmp(end, ".tmp.old") != 0)) return false;
    if (pid == static_cast<long>(::getpid())) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

void removeStaleTemps(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir))
        if (isStaleTemp(entry->d_name, prefix)) ::unlink((folder + entry->d_name).c_str());
    ::closedir(dir);
}

// The rename is kept only once the folder's entry is on the disk too. A file
// system that cannot sync a folder has it written by then anyway.
void syncFolderOf(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

bool WriteAllToFd(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, std::min<std::size_t>(size - done, 1u << 30));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TFileReplacement::Open(const std::string& fileName, bool durable) {
    Abandon();
    target_ = fileName;
    durable_ = durable;
    written_ = sent_ = 0;
    struct stat st;
    if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(fileName.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    }
    hadPrevious_ = ::stat(target_.c_str(), &st) == 0;
    if (hadPrevious_) {
        if (S_ISDIR(st.st_mode)) return false;
        if (!S_ISREG(st.st_mode)) {
            // Without a reader a FIFO would hold the write for ever.
            fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
            if (fd_ < 0) return false;
            const int flags = ::fcntl(fd_, F_GETFL);
            if (flags != -1) (void)::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
            stream_ = true;
            return true;
        }
        // Root may write anything; a file nobody may write is still kept.
        if ((st.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0) return false;
        previousMode_ = st.st_mode & 07777;
    }

    installSignalCleanup();
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (base.size() > 180) base.resize(180);  // room for the suffix within a name's length limit
    const std::string prefix = "." + base + ".korvane-";
    removeStaleTemps(folder, prefix);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = folder + prefix + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        // Held for the handlers before it exists, so that no moment has a file they miss.
        slot_ = holdTemp(temp_);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return true;
        releaseTemp(slot_);
        slot_ = -1;
        if (errno != EEXIST && errno != EINTR) break;
    }
    temp_.clear();
    return false;
}

bool TFileReplacement::Write(const void* data, std::size_t size) {
    if (fd_ < 0 || !WriteAllToFd(fd_, data, size)) return false;
    written_ += size;
#ifdef SYNC_FILE_RANGE_WRITE
    // Without this the whole file waits in memory until the fsync of Commit,
    // and only then goes to the disk while the program does nothing. Only a
    // start: Commit's fsync still waits for every byte.
    constexpr uint64_t kWriteBackStep = 8u << 20;
    if (durable_ && !stream_ && written_ - sent_ >= kWriteBackStep) {
        (void)::sync_file_range(fd_, static_cast<off_t>(sent_), static_cast<off_t>(written_ - sent_),
                                SYNC_FILE_RANGE_WRITE);
        sent_ = written_;
    }
#endif
    return true;
}

bool TFileReplacement::close() {
    if (fd_ < 0) return false;
    bool ok = true;
    if (stream_) {
        ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }
    if (hadPrevious_) ok = ::fchmod(fd_, previousMode_) == 0;
    if (ok && durable_) ok = ::fsync(fd_) == 0;
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    return ok;
}

bool TFileReplacement::Commit() {
    if (fd_ < 0) return false;
    if (stream_) {
        const bool ok = close();
        stream_ = false;
        return ok;
    }
    bool ok = close();
    if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) ::unlink(temp_.c_str());
    if (ok && durable_) syncFolderOf(target_);
    releaseTemp(slot_);
    slot_ = -1;
    temp_.clear();
    return ok;
}

void TFileReplacement::Abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!stream_ && !temp_.empty()) ::unlink(temp_.c_str());
    stream_ = false;
    releaseTemp(slot_);
    slot_ = -1;
    temp_.clear();
}

bool TFileReplacement::CommitAll(TFileReplacement* const* files, std::size_t count) {
    // Closing and syncing can fail too: all of it before any target changes.
    bool ok = true;
    for (std::size_t i = 0; i < count && ok; ++i) ok = files[i]->close() || files[i]->stream_;
    std::vector<std::string> kept(count);  // a link to the old file each rename replaced
    std::size_t done = 0;
    for (; ok && done < count; ++done) {
        TFileReplacement& file = *files[done];
        if (file.stream_) continue;
        if (file.hadPrevious_) {
            kept[done] = file.temp_ + ".old";
            if (::link(file.target_.c_str(), kept[done].c_str()) != 0) kept[done].clear();
        }
        if (::rename(file.temp_.c_str(), file.target_.c_str()) != 0) {
            if (!kept[done].empty()) ::unlink(kept[done].c_str());
            ok = false;
            break;
        }
        file.temp_.clear();  // in place now: Abandon leaves it
    }
    if (!ok) {
        for (std::size_t i = done; i-- > 0;) {
            const TFileReplacement& file = *files[i];
            if (file.stream_) continue;
            if (!kept[i].empty()) ::rename(kept[i].c_str(), file.target_.c_str());
            else if (!file.hadPrevious_) ::unlink(file.target_.c_str());
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        TFileReplacement& file = *files[i];
        if (ok && !kept[i].empty()) ::unlink(kept[i].c_str());
        if (ok && !file.stream_ && file.durable_) syncFolderOf(file.target_);
        file.stream_ = false;
        file.Abandon();
    }
    return ok;
}

bool ReplaceFileWith(const std::string& fileName, const void* data, std::size_t size, bool durable) {
    TFileReplacement file;
    return file.Open(fileName, durable) && file.Write(data, size) && file.Commit();
}

}  // namespace korvane
