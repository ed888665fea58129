// Reads the same bytes as a file and from memory: the file reader must come to
// exactly what the memory reader does (success, reason text, format and every
// sample), also when the file system hands out short reads and an EINTR.
//
// Input layout:
//   byte 0       flags: bit 0 grows the file beyond one read block (over
//                300 KiB) by repeating its tail; bit 1 reads through short
//                reads; bits 2-7 the read call that fails once with EINTR
//                (0: none)
//   byte 1       L, the length of the read pattern (at most what follows)
//   L bytes      the read pattern, one byte per read call, cycled
//   the rest     the file
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/Sound.h"
#include "core/WavFile.h"
#include "platform/Messages.h"

namespace {

// The bigger files reach past the reader's 256 KiB block.
constexpr std::size_t kBigSize = 300 * 1024;

// The state of the short-read function for one input.
std::vector<uint8_t> pattern;
std::size_t calls = 0;
std::size_t eintrAt = 0;  // 1-based call number; 0 for none

// Returns fewer bytes than asked as the pattern says: a byte's top two bits
// choose 1..64 bytes, about half, all but a few, or all that was asked.
ssize_t shortRead(int fd, void* buffer, std::size_t count) {
    const std::size_t call = ++calls;
    if (call == eintrAt) {
        errno = EINTR;
        return -1;
    }
    std::size_t n = count;
    if (!pattern.empty() && count > 0) {
        const uint8_t v = pattern[(call - 1) % pattern.size()];
        const std::size_t low = v & 63;
        switch (v >> 6) {
            case 0: n = low + 1; break;
            case 1: n = count / 2 + low; break;
            case 2: n = count > low ? count - low : 1; break;
            default: break;
        }
        if (n > count) n = count;
        if (n == 0) n = 1;
    }
    return ::read(fd, buffer, n);
}

const std::string& tempPath() {
    static const std::string path = FuzzScratchDir() + "/input.wav";
    return path;
}

void writeFile(const std::vector<uint8_t>& bytes) {
    // A new file each time: truncating one that holds data makes ext4 write
    // the new data out at close, which would make the runs wait on the disk.
    ::unlink(tempPath().c_str());
    const int fd = ::open(tempPath().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (put <= 0) std::abort();
        done += static_cast<std::size_t>(put);
    }
    if (::close(fd) != 0) std::abort();
}

[[noreturn]] void differ(const char* what, const std::string& memoryReason, const std::string& fileReason) {
    std::fprintf(stderr, "file and memory readers differ in %s (memory: \"%s\", file: \"%s\")\n", what,
                 memoryReason.c_str(), fileReason.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvane::setMessages(&silent);
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const std::size_t patternSize = std::min<std::size_t>(data[1], size - 2);
    pattern.assign(data + 2, data + 2 + patternSize);
    std::vector<uint8_t> file(data + 2 + patternSize, data + size);
    if ((flags & 1) && !file.empty()) {
        // Repeat the last bytes (up to 4 KiB) until the file passes one block;
        // data chunks that claim a large size then find samples to read.
        const std::size_t tail = std::min<std::size_t>(file.size(), 4096);
        const std::size_t from = file.size() - tail;
        const std::size_t target = kBigSize + (flags >> 2);  // odd sizes too
        file.reserve(target + tail);
        while (file.size() < target) {
            const std::size_t n = std::min(tail, target - file.size());
            file.insert(file.end(), file.begin() + static_cast<std::ptrdiff_t>(from),
                        file.begin() + static_cast<std::ptrdiff_t>(from + n));
        }
    }
    writeFile(file);

    std::unique_ptr<korvane::Sound> fromMemory, fromFile;
    std::string memoryReason, fileReason;
    const bool memoryOk = korvane::ReadWaveMemory(file.data(), file.size(), fromMemory, memoryReason);

    calls = 0;
    eintrAt = flags >> 2;
    if (flags & 2) korvane::SetWaveReadFunctionForTesting(shortRead);
    const bool fileOk = korvane::ReadWaveFile(tempPath(), fromFile, fileReason);
    korvane::SetWaveReadFunctionForTesting(nullptr);

    if (memoryReason.empty() || fileReason.empty()) differ("an empty reason", memoryReason, fileReason);
    if (memoryOk != fileOk) differ("success", memoryReason, fileReason);
    if (memoryReason != fileReason) differ("the reason", memoryReason, fileReason);
    if (!memoryOk) {
        if (fromMemory || fromFile) differ("a sound given on failure", memoryReason, fileReason);
        return 0;
    }
    if (!fromMemory || !fromFile) differ("a sound missing on success", memoryReason, fileReason);
    const korvane::Sound& m = *fromMemory;
    const korvane::Sound& f = *fromFile;
    if (m.MoSt != f.MoSt || m.Freq != f.Freq || m.BytesPSample != f.BytesPSample)
        differ("the format", memoryReason, fileReason);
    if (m.GetValues() != f.GetValues()) differ("the sample count", memoryReason, fileReason);
    for (int c = 0; c < m.MoSt; ++c) {
        const korvane::Wave& a = m.Channel(c);
        const korvane::Wave& b = f.Channel(c);
        if (a.values != b.values) differ("a channel's sample count", memoryReason, fileReason);
        if (a.values > 0 &&
            std::memcmp(a.wave, b.wave, static_cast<std::size_t>(a.values) * sizeof(int16_t)) != 0)
            differ("the samples", memoryReason, fileReason);
    }
    return 0;
}
