#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Messages.h"

// Where the fuzz targets that go through files keep them: TMPDIR when set,
// else /dev/shm, whose files never reach a disk (each file operation on a disk
// costs more than the code under test), else /tmp.
inline std::string FuzzScratchFolder() {
    const char* dir = std::getenv("TMPDIR");
    if (dir && *dir) return dir;
    if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    return "/tmp";
}

// A folder of the target's own in the scratch folder, made at the first call
// and removed with what it holds when the process exits, even after a
// finding. Never destroyed, so that the exit handler can use it.
inline const std::string& FuzzScratchDir() {
    static const std::string* path = [] {
        std::string name = FuzzScratchFolder() + "/korvane-fuzz-XXXXXX";
        std::vector<char> buf(name.begin(), name.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data())) std::abort();
        std::atexit([] {
            const std::string& dir = FuzzScratchDir();
            if (DIR* d = ::opendir(dir.c_str())) {
                while (const dirent* e = ::readdir(d))
                    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                        ::unlink((dir + "/" + e->d_name).c_str());
                ::closedir(d);
            }
            ::rmdir(dir.c_str());
        });
        return new std::string(buf.data());
    }();
    return *path;
}

// Boxes go nowhere and every question is answered Cancel, so that nothing a
// target does ever waits for a person.
class SilentMessages : public korvane::Messages {
public:
    void show(const std::string&, const std::string&, korvane::MessageIcon) override {}
    korvane::MessageAnswer askYesNoCancel(const std::string&, const std::string&) override {
        return korvane::MessageAnswer::Cancel;
    }
    korvane::MessageAnswer askOkCancel(const std::string&, const std::string&) override {
        return korvane::MessageAnswer::Cancel;
    }
};

inline SilentMessages silent;
