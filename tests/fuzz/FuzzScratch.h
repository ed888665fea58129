#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

// Where the fuzz targets that go through files keep them: TMPDIR when set,
// else /dev/shm, whose files never reach a disk (each file operation on a disk
// costs more than the code under test), else /tmp.
inline std::string FuzzScratchFolder() {
    const char* dir = std::getenv("TMPDIR");
    if (dir && *dir) return dir;
    if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    return "/tmp";
}
