#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace korvane {

// Puts a written file in place so that the old one is never lost: a regular
// file (or a name that is free) gets a complete new file written beside it
// and renamed over it only once every byte is out; a symbolic link stays a
// link to the file it names. A FIFO or a device cannot be replaced without
// losing it, so it is written into as a stream. A directory, a file that is
// read-only (for root too) or a stream nobody reads is refused.
//
// While a new file is being written, SIGINT, SIGTERM and SIGHUP remove it
// before the process ends; new files that a process which is gone left beside
// the same target are removed when the next one is made.
class TFileReplacement {
public:
    TFileReplacement() = default;
    TFileReplacement(const TFileReplacement&) = delete;
    TFileReplacement& operator=(const TFileReplacement&) = delete;
    ~TFileReplacement() { Abandon(); }

    // False when the target is refused or nothing can be created beside it.
    // A durable file reaches the disk before it replaces the old one, and its
    // folder after, so that a power cut leaves the old file or the new one;
    // a scratch file (what Play plays) needs no such wait.
    bool Open(const std::string& fileName, bool durable = true);
    int Fd() const { return fd_; }
    // The target is a FIFO or a device, written into directly.
    bool IsStream() const { return stream_; }
    // Writes every byte, retrying short writes; false on an error. A durable
    // file's data starts on its way to the disk as it comes, so that the
    // wait at the end is for the last part only.
    bool Write(const void* data, std::size_t size);
    // Gives the new file the old one's permissions, closes it and renames it
    // over the target. False when any of that failed: the old file stands
    // and the new one is removed.
    bool Commit();
    // Removes the new file; the target stays as it was.
    void Abandon();

    // Commit for several files that belong together (the outputs of one
    // command): every one is put in place, or none is. Each was opened and
    // written whole, so every target has passed the checks above before the
    // first rename; a rename that still fails puts back what the earlier ones
    // replaced (kept meanwhile as a link to the old file) and removes what
    // they created. A stream target is written as it goes and cannot be
    // taken back.
    static bool CommitAll(TFileReplacement* const* files, std::size_t count);

private:
    // Closes the new file with the old one's permissions, synced when durable.
    bool close();
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool stream_ = false;
    bool hadPrevious_ = false;
    bool durable_ = true;
    mode_t previousMode_ = 0;
    // Bytes written, and how many of them the disk has been asked to take.
    uint64_t written_ = 0;
    uint64_t sent_ = 0;
    int slot_ = -1;  // where the signal handlers find temp_
};

// Open, Write and Commit of one buffer: the whole new file, put in place.
bool ReplaceFileWith(const std::string& fileName, const void* data, std::size_t size, bool durable = true);

// Writes every byte to `fd`, retrying short and interrupted writes.
bool WriteAllToFd(int fd, const void* data, std::size_t size);

}  // namespace korvane
