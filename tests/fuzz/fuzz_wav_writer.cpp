// Writes a sound made from the input as a WAV file and reads it back: the
// sound read must be the one written, in format and in every sample (8-bit
// files keep each sample's high byte, truncated toward zero), for the whole
// sound and for a sub-range of it.
//
// Input layout:
//   byte 0       bit 0 stereo, bit 1 8-bit; bits 2-4 all set repeat the
//                samples to more frames than one write block holds
//   bytes 1-3    the sample frequency, taken modulo 1000000, plus 1
//   bytes 4-7    two 16-bit numbers that choose the sub-range's ends
//   the rest     the samples, 16-bit little-endian, channel after channel
//                frame by frame
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "core/Sound.h"
#include "core/WavFile.h"
#include "core/Wave.h"
#include "platform/Messages.h"

namespace {

// A folder of our own: the writer puts its temporary file next to the target.
const std::string& tempFile() {
    static const std::string path = FuzzScratchDir() + "/sound.wav";
    return path;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "written and read sounds differ: %s\n", what);
    std::abort();
}

// What a sample reads back as from a file of `bytes` bytes per sample.
int16_t stored(int16_t s, int bytes) {
    if (bytes == 2) return s;
    return static_cast<int16_t>(s / 256 * 256);
}

// Writes [begin, end) of `sound` and checks what reads back.
void roundTrip(const korvane::Sound& sound, int32_t begin, int32_t end) {
    bool failed = false;
    // A rename over an existing file makes ext4 write the new data out at
    // once, which would make the runs wait on the disk.
    ::unlink(tempFile().c_str());
    if (!korvane::WriteWaveFile(failed, tempFile(), sound, begin, end, false) || failed) fail("the write failed");
    struct stat st;
    const int64_t frameBytes = int64_t{sound.MoSt} * sound.BytesPSample;
    if (::stat(tempFile().c_str(), &st) != 0 || st.st_size != 44 + frameBytes * (end - begin))
        fail("the file size");
    std::unique_ptr<korvane::Sound> back;
    std::string reason;
    if (!korvane::ReadWaveFile(tempFile(), back, reason) || !back) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        fail("the file does not read");
    }
    if (reason != korvane::kWaveReadOk) fail("the reason");
    if (back->MoSt != sound.MoSt || back->Freq != sound.Freq || back->BytesPSample != sound.BytesPSample)
        fail("the format");
    if (back->GetValues() != end - begin) fail("the sample count");
    for (int c = 0; c < sound.MoSt; ++c) {
        const korvane::Wave& in = sound.Channel(c);
        const korvane::Wave& out = back->Channel(c);
        if (out.values != end - begin) fail("a channel's sample count");
        for (int32_t i = 0; i < out.values; ++i)
            if (out.wave[i] != stored(in.wave[begin + i], sound.BytesPSample)) {
                std::fprintf(stderr, "channel %d sample %d: wrote %d, read %d\n", c, begin + i, in.wave[begin + i],
                             out.wave[i]);
                fail("a sample");
            }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvane::setMessages(&silent);
    if (size < 8) return 0;
    const int16_t channels = (data[0] & 1) ? 2 : 1;
    const int16_t bytes = (data[0] & 2) ? 1 : 2;
    const int32_t freq = static_cast<int32_t>((data[1] | (data[2] << 8) | (data[3] << 16)) % 1000000) + 1;
    const uint16_t pickA = static_cast<uint16_t>(data[4] | (data[5] << 8));
    const uint16_t pickB = static_cast<uint16_t>(data[6] | (data[7] << 8));
    const uint8_t* samples = data + 8;
    const int32_t given = static_cast<int32_t>((size - 8) / (2 * static_cast<std::size_t>(channels)));
    // The writer stores 256 KiB blocks. Sounds longer than one are slow to
    // check, so only one input in eight of the others asks for one.
    const int32_t blockFrames = 256 * 1024 / (channels * bytes);
    const bool big = (data[0] & 0x1C) == 0x1C && given > 0;
    const int32_t frames = big ? blockFrames + 1 + pickA % 3000 : given;

    bool failed = false;
    std::unique_ptr<korvane::Wave> waves[2];
    for (int c = 0; c < channels; ++c) {
        waves[c] = korvane::Wave::create(failed, frames);
        if (!waves[c] || failed) std::abort();
        for (int32_t i = 0; i < frames; ++i) {
            const uint8_t* p = samples + (static_cast<std::size_t>(i % given) * channels + c) * 2;
            waves[c]->wave[i] = static_cast<int16_t>(p[0] | (p[1] << 8));
        }
    }
    std::unique_ptr<korvane::Sound> sound;
    if (channels == 1)
        sound = std::make_unique<korvane::MonoSound>(std::move(waves[0]), freq, bytes);
    else
        sound = std::make_unique<korvane::StereoSound>(std::move(waves[0]), std::move(waves[1]), freq, bytes);
    if (sound->GetValues() != frames) std::abort();

    roundTrip(*sound, 0, frames);
    int32_t begin = pickA % (frames + 1);
    int32_t end = pickB % (frames + 1);
    if (begin > end) std::swap(begin, end);
    roundTrip(*sound, begin, end);
    return 0;
}
