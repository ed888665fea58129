#include "core/WavFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/Allocation.h"
#include "core/Assert.h"
#include "platform/FileReplace.h"
#include "platform/Messages.h"

namespace korvane {

int SampleFreqIndex(int32_t freq) {
    for (std::size_t i = 0; i < kSampleFreqChoices.size(); ++i)
        if (kSampleFreqChoices[i].freq == freq) return static_cast<int>(i);
    return 0;
}

std::string WaveReadErrorText(const std::string& fileName, const std::string& reason) {
    return "Cannot read the file: \"" + fileName + "\", " + reason;
}

void ShowWaveReadError(const std::string& fileName, const std::string& reason) {
    messages().show(kWaveReadErrorTitle, WaveReadErrorText(fileName, reason), MessageIcon::Error);
}

namespace {

// Sample data moves through buffers of this size: large enough that system
// calls cost nothing next to the conversion, small enough to stay in cache.
constexpr std::size_t kBlockBytes = 256 * 1024;

constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

void fillHeader(uint8_t* header, int channels, int bytes, int32_t freq, uint32_t riffSize, uint32_t dataSize) {
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, riffSize);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);
    put16(header + 20, 1);
    put16(header + 22, static_cast<uint32_t>(channels));
    put32(header + 24, static_cast<uint32_t>(freq));
    put32(header + 28, static_cast<uint32_t>(freq) * static_cast<uint32_t>(channels * bytes));
    put16(header + 32, static_cast<uint32_t>(channels * bytes));
    put16(header + 34, static_cast<uint32_t>(bytes * 8));
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, dataSize);
}

// ---------------------------------------------------------------------------
// Reading

// Where the reader takes its bytes from. The number of bytes left is known in
// advance, so no allocation ever trusts a size written in the file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes; fewer only at the end of the data. -1 on a read error.
    virtual int64_t read(uint8_t* to, std::size_t n) = 0;
    // Moves forward; false when that passes the end.
    virtual bool skip(uint64_t n) = 0;
    virtual uint64_t remaining() const = 0;
    // The file read from, for reads at given places (-1 for memory), and the
    // place the next read starts at.
    virtual int fd() const { return -1; }
    virtual uint64_t position() const { return 0; }
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    int64_t read(uint8_t* to, std::size_t n) override {
        std::size_t count = std::min<std::size_t>(n, size_ - pos_);
        if (count > 0) std::memcpy(to, data_ + pos_, count);
        pos_ += count;
        return static_cast<int64_t>(count);
    }
    bool skip(uint64_t n) override {
        if (n > size_ - pos_) {
            pos_ = size_;
            return false;
        }
        pos_ += static_cast<std::size_t>(n);
        return true;
    }
    uint64_t remaining() const override { return size_ - pos_; }

private:
    const uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

WaveReadFunction waveRead = ::read;

class FileSource : public ByteSource {
public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    int64_t read(uint8_t* to, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            ssize_t got = waveRead(fd_, to + done, std::min<std::size_t>(n - done, 1u << 30));
            if (got < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        pos_ += done;
        return static_cast<int64_t>(done);
    }
    bool skip(uint64_t n) override {
        if (n > remaining()) {
            // Past the end, as the memory reader stands: what follows reads
            // nothing, not the bytes the skip should have passed over.
            pos_ = size_;
            (void)::lseek(fd_, 0, SEEK_END);
            return false;
        }
        pos_ += n;
        return ::lseek(fd_, static_cast<off_t>(pos_), SEEK_SET) != static_cast<off_t>(-1);
    }
    uint64_t remaining() const override { return pos_ < size_ ? size_ - pos_ : 0; }
    int fd() const override { return fd_; }
    uint64_t position() const override { return pos_; }

private:
    int fd_;
    uint64_t size_;
    uint64_t pos_ = 0;
};

// 16-bit stereo frames (left, right, left, ...) into two channels and back:
// the common case of reading and writing, and without vectors (the compiler
// does not make them of a loop with a stride of two) it is most of a re-save's
// own work. Eight frames a step: each 32-bit frame's low half is the left
// sample, its high half the right one, so shifts give both sign-extended and
// a saturating pack gives them back unchanged.
void splitStereo16(const int16_t* frames, std::size_t count, int16_t* left, int16_t* right) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frames + 2 * i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(frames + 2 * i + 8));
        const __m128i l = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16),
                                          _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
        const __m128i r = _mm_packs_epi32(_mm_srai_epi32(a, 16), _mm_srai_epi32(b, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(left + i), l);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(right + i), r);
    }
#endif
    for (; i < count; ++i) {
        left[i] = frames[2 * i];
        right[i] = frames[2 * i + 1];
    }
}

void joinStereo16(const int16_t* left, const int16_t* right, std::size_t count, int16_t* frames) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= count; i += 8) {
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left + i));
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(right + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(frames + 2 * i), _mm_unpacklo_epi16(l, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(frames + 2 * i + 8), _mm_unpackhi_epi16(l, r));
    }
#endif
    for (; i < count; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
}

// Converts whole frames of file data into 16-bit channels. `Bytes` is the
// width of one stored sample; wider samples keep their high 16 bits.
template <int Channels, int Bytes>
void convertFrames(const uint8_t* in, std::size_t frames, int16_t* left, int16_t* right) {
    if constexpr (Bytes == 2 && kLittleEndianHost) {
        // The block is an int16_t array holding the file's bytes.
        const int16_t* s = reinterpret_cast<const int16_t*>(in);
        if constexpr (Channels == 2) {
            splitStereo16(s, frames, left, right);
            return;
        }
        for (std::size_t i = 0; i < frames; ++i) {
            left[i] = s[i * Channels];
            if constexpr (Channels == 2) right[i] = s[i * 2 + 1];
        }
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < Channels; ++c) {
            const uint8_t* p = in + (i * Channels + c) * Bytes;
            int16_t v;
            if constexpr (Bytes == 1) {
                v = static_cast<int16_t>((p[0] - 128) * 256);
            } else {
                v = static_cast<int16_t>(get16(p + Bytes - 2));
            }
            if (c == 0)
                left[i] = v;
            else
                right[i] = v;
        }
    }
}

using Converter = void (*)(const uint8_t*, std::size_t, int16_t*, int16_t*);

Converter converterFor(int channels, int bytes) {
    static constexpr Converter table[2][4] = {
        {convertFrames<1, 1>, convertFrames<1, 2>, convertFrames<1, 3>, convertFrames<1, 4>},
        {convertFrames<2, 1>, convertFrames<2, 2>, convertFrames<2, 3>, convertFrames<2, 4>},
    };
    return table[channels - 1][bytes - 1];
}

class WaveReader {
public:
    explicit WaveReader(ByteSource& source) : source_(source) {}

    bool read(std::unique_ptr<Sound>& sound, std::string& reason);
    // The header alone, up to the first sample.
    bool readLayout(WaveFileLayout& layout, std::string& reason);

private:
    // Reads a whole field; false when the data ends first or on a read error.
    bool field(uint8_t* to, std::size_t n) {
        int64_t got = source_.read(to, n);
        if (got < 0) readError_ = true;
        return got == static_cast<int64_t>(n);
    }
    bool fail(std::string& reason, const char* text) {
        reason = readError_ ? kWaveCannotRead : text;
        return false;
    }
    bool outOfMemory(std::string& reason) {
        reportOutOfMemory();
        reason = kMemoryMessage;
        return false;
    }
    // Fills the channels with up to `frames` frames; returns the frames read.
    int64_t readSamples(int channels, int bytes, int64_t frames, int16_t* left, int16_t* right);
    // The same, the file cut into parts read side by side; -1 when that
    // cannot be done here (the caller reads it in one go then).
    int64_t readSamplesSideBySide(int channels, int bytes, int64_t frames, int16_t* left, int16_t* right);

    ByteSource& source_;
    bool readError_ = false;
    bool memoryShort_ = false;
};

bool WaveReader::readLayout(WaveFileLayout& layout, std::string& reason) {
    uint8_t b[8];
    if (!field(b, 4) || std::memcmp(b, "RIFF", 4) != 0) return fail(reason, kWaveNoRiff);
    (void)field(b, 4);  // the RIFF size says nothing the chunks do not
    if (!field(b, 8) || std::memcmp(b, "WAVEfmt ", 8) != 0) return fail(reason, kWaveNoWaveFmt);
    if (!field(b, 4)) return fail(reason, kWaveChunkTooSmall);
    const int32_t formatSize = static_cast<int32_t>(get32(b));
    if (formatSize < 16) return fail(reason, kWaveChunkTooSmall);
    if (!field(b, 2) || get16(b) != 1) return fail(reason, kWaveNotPcm);
    if (!field(b, 2)) return fail(reason, kWaveBadChannels);
    const int16_t channels = static_cast<int16_t>(get16(b));
    if (channels != 1 && channels != 2) return fail(reason, kWaveBadChannels);
    // A file that ends within the frequency ends before the bits too.
    const int32_t freq = field(b, 4) ? static_cast<int32_t>(get32(b)) : 0;
    (void)source_.skip(6);  // bytes per second and block alignment follow from the rest
    if (!field(b, 2)) return fail(reason, kWaveBadBits);
    const int bits = get16(b);
    if (bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return fail(reason, kWaveBadBits);
    // Every time and frequency of the program divides by it.
    if (freq <= 0) return fail(reason, kWaveBadFrequency);
    // 4-bit files are taken as 16-bit samples.
    const int bytes = bits == 4 ? 2 : bits / 8;

    (void)source_.skip(static_cast<uint64_t>(formatSize) - 16);
    if (!field(b, 4)) return fail(reason, kWaveNoData);
    if (std::memcmp(b, "fact", 4) == 0) {
        (void)source_.skip(8);
        if (!field(b, 4)) return fail(reason, kWaveNoData);
    }
    if (std::memcmp(b, "data", 4) != 0 || !field(b, 4)) return fail(reason, kWaveNoData);
    const uint32_t dataSize = get32(b);

    // The declared size counts only as far as the file really goes.
    const int64_t frameBytes = int64_t{channels} * bytes;
    layout.channels = channels;
    layout.fileBytes = bytes;
    layout.bytesPSample = static_cast<int16_t>(bytes == 1 ? 1 : 2);
    layout.freq = freq;
    layout.frames =
        static_cast<int64_t>(std::min<uint64_t>(dataSize, source_.remaining()) / static_cast<uint64_t>(frameBytes));
    layout.dataOffset = source_.position();
    return true;
}

bool WaveReader::read(std::unique_ptr<Sound>& sound, std::string& reason) {
    WaveFileLayout layout;
    if (!readLayout(layout, reason)) return false;
    const int16_t channels = static_cast<int16_t>(layout.channels);
    const int bytes = layout.fileBytes;
    const int32_t freq = layout.freq;
    const int16_t bytesPSample = layout.bytesPSample;
    const int64_t frames = layout.frames;
    if (frames > INT32_MAX) return outOfMemory(reason);

    int16_t* buffers[2] = {nullptr, nullptr};
    if (frames > 0) {
        for (int c = 0; c < channels; ++c) {
            buffers[c] = allocateSamples(static_cast<std::size_t>(frames));
            if (!buffers[c]) {
                freeSamples(buffers[0]);
                return outOfMemory(reason);
            }
        }
    }
    const int64_t got = frames > 0 ? readSamples(channels, bytes, frames, buffers[0], buffers[1]) : 0;
    if (readError_ || memoryShort_) {
        freeSamples(buffers[0]);
        freeSamples(buffers[1]);
        return memoryShort_ ? outOfMemory(reason) : fail(reason, kWaveCannotRead);
    }

    // The waves take the buffers over, even when the file ended early and they
    // hold fewer samples than were allocated.
    const int32_t count = static_cast<int32_t>(got);
    std::unique_ptr<Wave> waves[2];
    for (int c = 0; c < channels; ++c) {
        waves[c].reset(new (std::nothrow) Wave(buffers[c], count));
        if (!waves[c]) {
            for (int k = c; k < channels; ++k) freeSamples(buffers[k]);
            return outOfMemory(reason);
        }
    }
    std::unique_ptr<Sound> result;
    if (channels == 1)
        result.reset(new (std::nothrow) MonoSound(std::move(waves[0]), freq, bytesPSample));
    else
        result.reset(new (std::nothrow) StereoSound(std::move(waves[0]), std::move(waves[1]), freq, bytesPSample));
    if (!result) return outOfMemory(reason);
    sound = std::move(result);
    reason = kWaveReadOk;
    return true;
}

namespace {

// Below this many bytes of samples a file is read in one go.
constexpr int64_t kSideBySideBytes = 16 << 20;

// Reads n bytes at `offset`; fewer only where the file ends. -1 on an error.
int64_t readAllAt(int fd, uint8_t* to, std::size_t n, uint64_t offset) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got =
            ::pread(fd, to + done, std::min<std::size_t>(n - done, 1u << 30), static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<int64_t>(done);
}

}  // namespace

int64_t WaveReader::readSamplesSideBySide(int channels, int bytes, int64_t frames, int16_t* left, int16_t* right) {
    const int fd = source_.fd();
    const int64_t frameBytes = int64_t{channels} * bytes;
    const int cores = static_cast<int>(std::min(4u, std::thread::hardware_concurrency()));
    // A test's own read function must see every read.
    if (fd < 0 || waveRead != ::read || cores < 2 || frames * frameBytes < kSideBySideBytes) return -1;
    // Each part copies its bytes out of the file, converts them and touches
    // its share of the new channels for the first time (page faults): all
    // work that cores can share.
    const uint64_t base = source_.position();
    const bool direct = channels == 1 && bytes == 2 && kLittleEndianHost;
    const Converter convert = converterFor(channels, bytes);
    std::vector<int64_t> got(static_cast<std::size_t>(cores), 0);
    std::atomic<bool> error{false}, memory{false};
    auto part = [&](int k) {
        const int64_t first = frames * k / cores, last = frames * (k + 1) / cores;
        if (direct) {
            const int64_t n = readAllAt(fd, reinterpret_cast<uint8_t*>(left + first),
                                        static_cast<std::size_t>((last - first) * 2), base + first * 2);
            if (n < 0) error = true;
            got[k] = n < 0 ? 0 : n / 2;
            return;
        }
        const int64_t blockFrames = static_cast<int64_t>(kBlockBytes) / frameBytes;
        std::unique_ptr<int16_t[]> block(new (std::nothrow) int16_t[kBlockBytes / 2]);
        if (!block) {
            memory = true;
            return;
        }
        auto* in = reinterpret_cast<uint8_t*>(block.get());
        int64_t at = first;
        while (at < last) {
            const int64_t want = std::min(blockFrames, last - at);
            const int64_t n =
                readAllAt(fd, in, static_cast<std::size_t>(want * frameBytes), base + static_cast<uint64_t>(at * frameBytes));
            if (n < 0) {
                error = true;
                break;
            }
            const int64_t whole = n / frameBytes;
            convert(in, static_cast<std::size_t>(whole), left + at, right ? right + at : nullptr);
            at += whole;
            if (whole < want) break;
        }
        got[k] = at - first;
    };
    runPartsSideBySide(cores, part);
    if (error) readError_ = true;
    if (memory) memoryShort_ = true;
    // A file cut short while it was read ends with the first part that came
    // up short, as a read in one go would.
    int64_t done = 0;
    for (int k = 0; k < cores; ++k) {
        done += got[k];
        if (got[k] < frames * (k + 1) / cores - frames * k / cores) break;
    }
    (void)source_.skip(static_cast<uint64_t>(done * frameBytes));
    return done;
}

int64_t WaveReader::readSamples(int channels, int bytes, int64_t frames, int16_t* left, int16_t* right) {
    const int64_t sideBySide = readSamplesSideBySide(channels, bytes, frames, left, right);
    if (sideBySide >= 0) return sideBySide;
    if (channels == 1 && bytes == 2) {
        // 16-bit mono is the file's byte image of the wave: read it in place.
        auto* to = reinterpret_cast<uint8_t*>(left);
        int64_t got = source_.read(to, static_cast<std::size_t>(frames) * 2);
        if (got < 0) {
            readError_ = true;
            return 0;
        }
        int64_t done = got / 2;
        if constexpr (!kLittleEndianHost) {
            for (int64_t i = 0; i < done; ++i) left[i] = static_cast<int16_t>(get16(to + 2 * i));
        }
        return done;
    }

    const int64_t frameBytes = int64_t{channels} * bytes;
    const int64_t blockFrames = std::min<int64_t>(frames, static_cast<int64_t>(kBlockBytes) / frameBytes);
    // An int16_t array, so that 16-bit data can be read from it as samples.
    std::unique_ptr<int16_t[]> block(
        new (std::nothrow) int16_t[static_cast<std::size_t>(blockFrames * frameBytes + 1) / 2]);
    if (!block) {
        memoryShort_ = true;
        return 0;
    }
    const Converter convert = converterFor(channels, bytes);
    int64_t done = 0;
    while (done < frames) {
        const int64_t want = std::min(blockFrames, frames - done);
        uint8_t* bytesIn = reinterpret_cast<uint8_t*>(block.get());
        const int64_t got = source_.read(bytesIn, static_cast<std::size_t>(want * frameBytes));
        if (got < 0) {
            readError_ = true;
            return done;
        }
        const int64_t whole = got / frameBytes;
        convert(bytesIn, static_cast<std::size_t>(whole), left + done, right ? right + done : nullptr);
        done += whole;
        if (whole < want) break;
    }
    return done;
}

}  // namespace

bool ReadWaveMemory(const uint8_t* data, std::size_t size, std::unique_ptr<Sound>& sound, std::string& reason) {
    MemorySource source(data, data ? size : 0);
    return WaveReader(source).read(sound, reason);
}

void SetWaveReadFunctionForTesting(WaveReadFunction function) { waveRead = function ? function : ::read; }

bool ReadWaveFile(const std::string& fileName, std::unique_ptr<Sound>& sound, std::string& reason) {
    int fd;
    do {
        fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = kWaveCannotOpen;
        return false;
    }
    const bool ok = ReadWaveFd(fd, sound, reason);
    ::close(fd);
    return ok;
}

bool ReadWaveFd(int fd, std::unique_ptr<Sound>& sound, std::string& reason) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = kWaveCannotOpen;
        return false;
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        reason = kWaveCannotOpen;
        return false;
    }
    (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    FileSource source(fd, static_cast<uint64_t>(st.st_size));
    return WaveReader(source).read(sound, reason);
}

bool ReadWaveLayout(int fd, WaveFileLayout& layout, std::string& reason) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::lseek(fd, 0, SEEK_SET) != 0) {
        reason = kWaveCannotOpen;
        return false;
    }
    FileSource source(fd, static_cast<uint64_t>(st.st_size));
    return WaveReader(source).readLayout(layout, reason);
}

// ---------------------------------------------------------------------------
// Writing

namespace {

// Fills `out` with frames [from, to) in the file's layout.
template <int Channels, int Bytes>
void storeFrames(const int16_t* left, const int16_t* right, int64_t from, int64_t to, uint8_t* out) {
    if constexpr (Bytes == 2 && kLittleEndianHost) {
        int16_t* d = reinterpret_cast<int16_t*>(out);
        const int16_t* l = left + from;
        const int16_t* r = Channels == 2 ? right + from : nullptr;
        if constexpr (Channels == 2) {
            joinStereo16(l, r, static_cast<std::size_t>(to - from), d);
            return;
        }
        for (int64_t i = 0; i < to - from; ++i) {
            d[i * Channels] = l[i];
            if constexpr (Channels == 2) d[i * 2 + 1] = r[i];
        }
        return;
    }
    for (int64_t i = from; i < to; ++i) {
        for (int c = 0; c < Channels; ++c) {
            const int32_t s = c == 0 ? left[i] : right[i];
            if constexpr (Bytes == 1) {
                *out++ = static_cast<uint8_t>((s / 256 + 128) & 0xFF);
            } else {
                const uint16_t u = static_cast<uint16_t>(s);
                *out++ = static_cast<uint8_t>(u);
                *out++ = static_cast<uint8_t>(u >> 8);
            }
        }
    }
}

using Storer = void (*)(const int16_t*, const int16_t*, int64_t, int64_t, uint8_t*);

Storer storerFor(int channels, int bytes) {
    static constexpr Storer table[2][2] = {
        {storeFrames<1, 1>, storeFrames<1, 2>},
        {storeFrames<2, 1>, storeFrames<2, 2>},
    };
    return table[channels - 1][bytes - 1];
}

bool writeFailed() {
    messages().show(kWaveWriteErrorTitle, kWaveWriteErrorText, MessageIcon::Information);
    return false;
}

}  // namespace

std::array<uint8_t, 44> WaveHeader(int channels, int bytesPerSample, int32_t freq, uint64_t dataBytes) {
    std::array<uint8_t, 44> header{};
    fillHeader(header.data(), channels, bytesPerSample, freq, static_cast<uint32_t>(dataBytes + 36),
               static_cast<uint32_t>(dataBytes));
    return header;
}

namespace {

// Checks that a WAV file can say `frames` frames of this format, opens `file`
// for `fileName` and writes the header. False with the box shown.
bool openWaveOut(TFileReplacement& file, const std::string& fileName, int channels, int bytes, int32_t freq,
                 int64_t frames, bool temporary) {
    const int64_t frameBytes = int64_t{channels} * bytes;
    const uint64_t dataSize = static_cast<uint64_t>(frameBytes) * static_cast<uint64_t>(frames);
    // The header cannot express more; a cut-off size would make a broken file.
    if (dataSize > UINT32_MAX - 36) return writeFailed();
    const uint64_t byteRate = static_cast<uint64_t>(frameBytes) * static_cast<uint64_t>(freq);
    if (freq <= 0 || byteRate > UINT32_MAX) {
        messages().show(kWaveWriteErrorTitle, kWaveByteRateText, MessageIcon::Information);
        return false;
    }
    if (!file.Open(fileName, !temporary)) return writeFailed();
    const int fd = file.Fd();
    if (!file.IsStream()) {
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        // The whole file's blocks at once, rather than one page at a time as
        // the data comes. Only where the file system does it itself; it
        // changes no byte, and a failure here leaves the writes to fail or
        // succeed.
        (void)::fallocate(fd, 0, 0, static_cast<off_t>(44 + dataSize));
    }
    const std::array<uint8_t, 44> header = WaveHeader(channels, bytes, freq, dataSize);
    if (file.Write(header.data(), header.size())) return true;
    file.Abandon();
    return writeFailed();
}

// Opens `file` for `fileName` and writes the whole new file into it, not yet
// in place. False with the box shown (or, when `failed` was set, without).
bool writeWaveInto(TFileReplacement& file, bool& failed, const std::string& fileName, const Sound& sound,
                   int32_t begin, int32_t end, bool temporary) {
    if (failed) return false;
    const int channels = sound.MoSt;
    const int bytes = sound.BytesPSample;
    if (channels != 1 && channels != 2) return false;
    const Wave& leftWave = sound.Channel(0);
    const Wave& rightWave = sound.Channel(channels - 1);
    if ((begin < end && !leftWave.wave) || (channels == 2 && begin < end && !rightWave.wave)) return false;
    const int32_t values = sound.GetValues();
    KORVANE_ASSERT_RANGE(begin, end, values);
    KORVANE_ASSERT(begin <= end);
    KORVANE_ASSERT(bytes == 1 || bytes == 2);

    const int64_t frameBytes = int64_t{channels} * bytes;
    const uint64_t dataSize = static_cast<uint64_t>(frameBytes) * static_cast<uint64_t>(end - begin);

    // 16-bit mono goes out straight from the wave; everything else through a buffer.
    const bool direct = channels == 1 && bytes == 2 && kLittleEndianHost;
    const int64_t blockFrames = static_cast<int64_t>(kBlockBytes) / frameBytes;
    std::unique_ptr<int16_t[]> block;  // int16_t, so that 16-bit data can be stored as samples
    if (!direct && end > begin) {
        block.reset(new (std::nothrow) int16_t[kBlockBytes / 2]);
        if (!block) {
            failed = true;
            reportOutOfMemory();
            return false;
        }
    }

    if (!openWaveOut(file, fileName, channels, bytes, sound.Freq, end - begin, temporary)) return false;
    bool ok = true;
    // The flag is read between blocks too: another thread may set it to stop
    // a write that is no longer wanted (a newer copy of the same sound).
    if (direct) {
        const auto* data = reinterpret_cast<const uint8_t*>(leftWave.wave + begin);
        constexpr uint64_t kDirectBlock = 32 * kBlockBytes;
        for (uint64_t at = 0; ok && at < dataSize && !flagSet(failed); at += kDirectBlock)
            ok = file.Write(data + at, static_cast<std::size_t>(std::min(kDirectBlock, dataSize - at)));
    } else {
        const Storer store = storerFor(channels, bytes);
        for (int64_t i = begin; ok && i < end && !flagSet(failed); i += blockFrames) {
            const int64_t stop = std::min<int64_t>(end, i + blockFrames);
            auto* bytesOut = reinterpret_cast<uint8_t*>(block.get());
            store(leftWave.wave, rightWave.wave, i, stop, bytesOut);
            ok = file.Write(bytesOut, static_cast<std::size_t>((stop - i) * frameBytes));
        }
    }
    if (flagSet(failed)) {
        file.Abandon();
        return false;
    }
    if (!ok) {
        file.Abandon();
        return writeFailed();
    }
    return true;
}

}  // namespace

bool WriteWaveFile(bool& failed, const std::string& fileName, const Sound& sound, int32_t begin, int32_t end,
                   bool temporary) {
    TFileReplacement file;
    if (!writeWaveInto(file, failed, fileName, sound, begin, end, temporary)) return false;
    if (!file.Commit()) return writeFailed();
    return true;
}

bool WriteWaveFiles(bool& failed, const std::vector<std::string>& fileNames, const std::vector<const Sound*>& sounds) {
    if (fileNames.size() != sounds.size()) return false;
    std::vector<std::unique_ptr<TFileReplacement>> files;
    std::vector<TFileReplacement*> all;
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        files.push_back(std::make_unique<TFileReplacement>());
        all.push_back(files.back().get());
        if (!writeWaveInto(*files.back(), failed, fileNames[i], *sounds[i], 0, sounds[i]->GetValues(), false))
            return false;
    }
    if (!TFileReplacement::CommitAll(all.data(), all.size())) return writeFailed();
    return true;
}

namespace {

// A rewrite moves the samples in blocks of this many bytes of the input
// file: each hand-over between the threads costs a wake-up, so fewer and
// larger than the reader's blocks.
constexpr int64_t kRewriteBlockBytes = 1 << 20;
constexpr int kRewriteSlots = 4;

// One block on its way through a rewrite: the file's bytes, the channels,
// and the bytes to write.
struct RewriteSlot {
    int16_t* in = nullptr;  // int16_t, so that 16-bit data can be read from it as samples
    int16_t* left = nullptr;
    int16_t* right = nullptr;
    int16_t* out = nullptr;
    int64_t count = 0;
    enum Stage { Free, Read, Processed } stage = Free;
};

// The blocks' buffers, all in one mapping whose pages are there from the
// start: touching thousands of fresh pages one fault at a time costs more
// than the copies into them where page faults are dear (virtual machines).
class RewriteBuffers {
public:
    explicit RewriteBuffers(std::size_t bytes) : bytes_(bytes) {
        void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        base_ = p == MAP_FAILED ? nullptr : static_cast<int16_t*>(p);
    }
    ~RewriteBuffers() {
        if (base_) ::munmap(base_, bytes_);
    }
    RewriteBuffers(const RewriteBuffers&) = delete;
    RewriteBuffers& operator=(const RewriteBuffers&) = delete;
    // Room for `samples` samples, rounded up to whole 64-byte lines, so
    // that no two buffers share a line.
    static std::size_t rounded(std::size_t samples) { return (samples + 31) / 32 * 32; }
    // The next `samples` samples of the mapping.
    int16_t* take(std::size_t samples) {
        int16_t* at = base_ + used_;
        used_ += rounded(samples);
        return at;
    }
    bool ok() const { return base_ != nullptr; }

private:
    std::size_t bytes_;
    int16_t* base_ = nullptr;
    std::size_t used_ = 0;
};

}  // namespace

RewriteResult RewriteWaveFile(bool& failed, int fd, const WaveFileLayout& layout, const std::string& fileName,
                              const WaveBlockProcess& process, bool everySampleAlone) {
    if (flagSet(failed)) return RewriteResult::Failed;
    const int channels = layout.channels;
    const int64_t frames = layout.frames;
    if ((channels != 1 && channels != 2) || frames < 0) return RewriteResult::NotRead;
    const int64_t inFrameBytes = int64_t{channels} * layout.fileBytes;
    const int64_t outFrameBytes = int64_t{channels} * layout.bytesPSample;
    const int64_t blockFrames = kRewriteBlockBytes / inFrameBytes;
    // Where the file's samples are what its new file holds (8- or 16-bit,
    // and the reader's conversion and the writer's undo each other), they go
    // out as they came in, through `process` where that may see them so:
    // no channels, no second buffer.
    const bool asTheyAre = layout.fileBytes == layout.bytesPSample && kLittleEndianHost &&
                           (!process || (everySampleAlone && layout.fileBytes == 2));

    // Each slot: the file's bytes, and unless they go out as they came, a
    // channel or two and the new file's bytes (at most two per sample).
    const auto samples = static_cast<std::size_t>(blockFrames);
    const std::size_t inSamples = static_cast<std::size_t>(blockFrames * inFrameBytes + 1) / 2;
    const std::size_t perSlot =
        RewriteBuffers::rounded(inSamples) +
        (asTheyAre ? 0 : channels * RewriteBuffers::rounded(samples) + RewriteBuffers::rounded(channels * samples));
    RewriteBuffers buffers(perSlot * kRewriteSlots * sizeof(int16_t));
    if (!buffers.ok()) return RewriteResult::NotRead;
    std::vector<RewriteSlot> slots(kRewriteSlots);
    for (RewriteSlot& slot : slots) {
        slot.in = buffers.take(inSamples);
        if (asTheyAre) continue;
        slot.left = buffers.take(samples);
        if (channels == 2) slot.right = buffers.take(samples);
        slot.out = buffers.take(channels * samples);
    }

    TFileReplacement file;
    if (!openWaveOut(file, fileName, channels, layout.bytesPSample, layout.freq, frames, false))
        return RewriteResult::Failed;

    const Converter convert = converterFor(channels, layout.fileBytes);
    const Storer store = storerFor(channels, layout.bytesPSample);
    const int64_t blocks = (frames + blockFrames - 1) / blockFrames;
    std::mutex mutex;
    std::condition_variable changed;
    bool halted = false, unread = false;
    // Block b goes through slot b % kRewriteSlots: read (the file's bytes),
    // processed (made into channels and changed), written (laid out as the
    // new file's bytes and written), free again. Each thread waits for the
    // stage it takes a slot at.
    auto await = [&](RewriteSlot& slot, RewriteSlot::Stage stage) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return halted || slot.stage == stage; });
        return !halted;
    };
    auto pass = [&](RewriteSlot& slot, RewriteSlot::Stage next) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            slot.stage = next;
        }
        changed.notify_all();
    };
    auto halt = [&](bool notRead) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            halted = true;
            if (notRead) unread = true;
        }
        changed.notify_all();
    };
    auto readBlocks = [&] {
        for (int64_t b = 0; b < blocks; ++b) {
            RewriteSlot& slot = slots[static_cast<std::size_t>(b % kRewriteSlots)];
            if (!await(slot, RewriteSlot::Free)) return;
            const int64_t first = b * blockFrames;
            const int64_t count = std::min(blockFrames, frames - first);
            auto* bytes = reinterpret_cast<uint8_t*>(slot.in);
            const int64_t want = count * inFrameBytes;
            if (readAllAt(fd, bytes, static_cast<std::size_t>(want),
                          layout.dataOffset + static_cast<uint64_t>(first * inFrameBytes)) != want) {
                halt(true);
                return;
            }
            slot.count = count;
            pass(slot, RewriteSlot::Read);
        }
    };
    auto processBlocks = [&] {
        for (int64_t b = 0; b < blocks; ++b) {
            RewriteSlot& slot = slots[static_cast<std::size_t>(b % kRewriteSlots)];
            if (!await(slot, RewriteSlot::Read)) return;
            // The channels are made on the thread that changes them next, so
            // that they are in its cache: made by the reader, they came over
            // from another core's cache line by line.
            if (!asTheyAre)
                convert(reinterpret_cast<uint8_t*>(slot.in), static_cast<std::size_t>(slot.count), slot.left, slot.right);
            if (process && asTheyAre)
                process(slot.in, nullptr, slot.count * channels);
            else if (process)
                process(slot.left, slot.right, slot.count);
            pass(slot, RewriteSlot::Processed);
        }
    };

    bool ok = true;
    std::thread reader, worker;
    try {
        reader = std::thread(readBlocks);
        worker = std::thread(processBlocks);
    } catch (const std::system_error&) {
        halt(true);
    }
    for (int64_t b = 0; b < blocks; ++b) {
        RewriteSlot& slot = slots[static_cast<std::size_t>(b % kRewriteSlots)];
        if (!await(slot, RewriteSlot::Processed)) break;
        auto* bytes = reinterpret_cast<uint8_t*>(asTheyAre ? slot.in : slot.out);
        if (!asTheyAre) store(slot.left, slot.right ? slot.right : slot.left, 0, slot.count, bytes);
        ok = file.Write(bytes, static_cast<std::size_t>(slot.count * outFrameBytes));
        if (!ok || flagSet(failed)) {
            halt(false);
            break;
        }
        pass(slot, RewriteSlot::Free);
    }
    if (reader.joinable()) reader.join();
    if (worker.joinable()) worker.join();
    if (unread) {
        file.Abandon();
        return RewriteResult::NotRead;
    }
    if (flagSet(failed)) {
        file.Abandon();
        return RewriteResult::Failed;
    }
    if (!ok) {
        file.Abandon();
        writeFailed();
        return RewriteResult::Failed;
    }
    if (!file.Commit()) {
        writeFailed();
        return RewriteResult::Failed;
    }
    return RewriteResult::Done;
}

namespace {
// The sizes at offsets 4 and 40 for `data` bytes of sample data.
bool writeSizes(int fd, uint64_t data) {
    uint8_t riff[4], chunk[4];
    put32(riff, static_cast<uint32_t>(data + 36));
    put32(chunk, static_cast<uint32_t>(data));
    return ::pwrite(fd, riff, 4, 4) == 4 && ::pwrite(fd, chunk, 4, 40) == 4;
}

constexpr uint64_t kMaxStreamData = UINT32_MAX - 36;
}  // namespace

bool TWaveStream::Open(const std::string& fileName, int channels, int bytesPerSample, int32_t freq) {
    Close();
    if ((channels != 1 && channels != 2) || (bytesPerSample != 1 && bytesPerSample != 2) || freq <= 0) return false;
    fd_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    frame_ = channels * bytesPerSample;
    bytes_ = 0;
    uint8_t header[44];
    fillHeader(header, channels, bytesPerSample, freq, UINT32_MAX, UINT32_MAX);
    if (!WriteAllToFd(fd_, header, sizeof header)) {
        Close();
        return false;
    }
    return true;
}

bool TWaveStream::Append(const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    if (bytes_ + size > kMaxStreamData) return false;
    if (!WriteAllToFd(fd_, data, size)) return false;
    bytes_ += size;
    return true;
}

bool TWaveStream::Finish() {
    if (fd_ < 0) return false;
    const uint64_t whole = bytes_ / frame_ * frame_;
    bool ok = writeSizes(fd_, whole);
    if (whole != bytes_) ok = ::ftruncate(fd_, static_cast<off_t>(44 + whole)) == 0 && ok;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    return ok;
}

void TWaveStream::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RepairWaveSizes(const std::string& fileName, std::string& reason) {
    const int fd = ::open(fileName.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    const bool ok = RepairWaveSizesFd(fd, reason);
    ::close(fd);
    return ok;
}

bool RepairWaveSizesFd(int fd, std::string& reason) {
    uint8_t header[44];
    struct stat st {};
    bool ok = ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) && ::fstat(fd, &st) == 0;
    const int frame = ok ? get16(header + 32) : 0;
    ok = ok && std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVEfmt ", 8) == 0 &&
         get32(header + 16) == 16 && std::memcmp(header + 36, "data", 4) == 0 && frame > 0;
    if (!ok || !S_ISREG(st.st_mode)) {
        reason = "not a recording's WAV file";
        return false;
    }
    const uint64_t held = static_cast<uint64_t>(st.st_size) - 44;
    const uint64_t whole = std::min<uint64_t>(held, kMaxStreamData) / frame * frame;
    ok = writeSizes(fd, whole);
    if (whole != held) ok = ::ftruncate(fd, static_cast<off_t>(44 + whole)) == 0 && ok;
    if (!ok) reason = std::strerror(errno);
    return ok;
}

}  // namespace korvane
