#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "core/Sound.h"

namespace korvane {

// The format of a new wave, or the format a wave is converted to by the
// Properties command.
struct WaveFileProps {
    int32_t SampleFreq = 44100;
    int16_t MonoStereo = 2;    // 1 mono, 2 stereo
    int16_t BytesPSample = 2;  // 1 for 8-bit, 2 for 16-bit samples
};

// The choices of the properties dialog, in list order: rising frequencies.
struct SampleFreqChoice {
    const char* label;
    int32_t freq;
};
inline constexpr std::array<SampleFreqChoice, 8> kSampleFreqChoices{{
    {"5 kHz", 5512},
    {"11 kHz", 11025},
    {"22 kHz", 22050},
    {"44 kHz", 44100},
    {"48 kHz", 48000},
    {"88 kHz", 88200},
    {"96 kHz", 96000},
    {"176 kHz", 176128},
}};

struct FormatChoice {
    const char* label;
    int16_t value;
};
inline constexpr std::array<FormatChoice, 2> kBitsChoices{{{"8 Bits", 1}, {"16 Bits", 2}}};
inline constexpr std::array<FormatChoice, 2> kChannelChoices{{{"Mono", 1}, {"Stereo", 2}}};

// The list entry that shows `freq`; a frequency not in the list shows as the
// first entry.
int SampleFreqIndex(int32_t freq);

// Texts of the reader.
inline constexpr const char* kWaveReadOk = "No errors occurred.";
inline constexpr const char* kWaveCannotOpen = "Cannot open File.";
inline constexpr const char* kWaveCannotRead = "Cannot read File.";
inline constexpr const char* kWaveNoRiff = "\"RIFF\" not found.";
inline constexpr const char* kWaveNoWaveFmt = "\"WAVEfmt \" not found.";
inline constexpr const char* kWaveChunkTooSmall = "chunk too small.";
inline constexpr const char* kWaveNotPcm = "A value must be 1.";
inline constexpr const char* kWaveBadChannels = "MonoStereo must be 1 or 2.";
inline constexpr const char* kWaveBadBits = "Bits per sample must be 8, 16, 24 or 32.";
inline constexpr const char* kWaveBadFrequency = "Sample frequency must be above 0.";
inline constexpr const char* kWaveNoData = "\"data\" not found.";

// Texts of a failed save and of a failed read shown to the user.
inline constexpr const char* kWaveWriteErrorTitle = "FileError";
// A WAV header holds the bytes per second in 32 bits; a frequency whose byte
// rate does not fit would be written wrong, so it is not written at all.
inline constexpr const char* kWaveByteRateText =
    "Cannot save Wave: the sample frequency is too high for a WAV file.";
inline constexpr const char* kWaveWriteErrorText =
    "Cannot save Music: Operating System cannot open file for writing, maybe the file is readonly.";
inline constexpr const char* kWaveReadErrorTitle = "File Error";

// Reads a RIFF WAVE file of 8-, 16-, 24- or 32-bit integer PCM (or 4 bits,
// read as 16-bit samples), mono or stereo. 24- and 32-bit samples keep their
// high 16 bits. On success `sound` holds a new MonoSound or StereoSound and
// `reason` is "No errors occurred."; on failure `sound` is left untouched and
// `reason` says why. A data chunk longer than the file gives the whole sample
// frames the file holds. When memory is short the memory message is shown once
// and the reason is the memory text.
bool ReadWaveFile(const std::string& fileName, std::unique_ptr<Sound>& sound, std::string& reason);
// The same over a regular file the caller opened (and closes).
bool ReadWaveFd(int fd, std::unique_ptr<Sound>& sound, std::string& reason);

// The same reader over a file image in memory.
bool ReadWaveMemory(const uint8_t* data, std::size_t size, std::unique_ptr<Sound>& sound, std::string& reason);

// Where the samples of a WAV file are and what they are, as the reader finds
// them in its header.
struct WaveFileLayout {
    int channels = 0;
    int fileBytes = 0;         // bytes a sample takes in the file (2 for 4-bit files)
    int16_t bytesPSample = 0;  // ... and in the sound read from it (1 or 2)
    int32_t freq = 0;
    int64_t frames = 0;        // the whole frames the data chunk holds, as far as the file goes
    uint64_t dataOffset = 0;   // where the first sample starts
};
// Reads the header of the regular file `fd` (from its start) as ReadWaveFd
// does; false with its reason where ReadWaveFd would fail before the samples.
bool ReadWaveLayout(int fd, WaveFileLayout& layout, std::string& reason);

// Changes a block of samples in place: `right` is null for a mono sound.
using WaveBlockProcess = std::function<void(int16_t* left, int16_t* right, int64_t count)>;
enum class RewriteResult {
    Done,     // the new file is in place
    Failed,   // nothing was put in place; the box was shown
    NotRead,  // the samples were not all there to read (a read error, or the file changed meanwhile), or
              // memory for the blocks was short: nothing was written and nothing shown
};
// Writes to `fileName` the file WriteWaveFile writes of the sound ReadWaveFd
// reads from `fd`, after `process` (when given) has run over its samples in
// order, block after block, as one call over the whole sound would. The sound
// is never held whole: reading, processing and writing go on at once, on
// three threads, a few blocks apart. The target is replaced as WriteWaveFile
// replaces it, durably.
//
// `everySampleAlone` says that `process` changes each sample by itself, the
// same way in every channel: it may then be handed a 16-bit file's frames as
// they are, both channels one after the other, as one channel.
RewriteResult RewriteWaveFile(bool& failed, int fd, const WaveFileLayout& layout, const std::string& fileName,
                              const WaveBlockProcess& process, bool everySampleAlone = false);

// Test seam: the call ReadWaveFile reads the file's bytes with, ::read by
// default. The fuzz targets install one that returns short counts and fails
// with EINTR, to show that the file reader stands what a real file system may
// do; nullptr restores ::read. Not for the program itself; not thread-safe.
using WaveReadFunction = ssize_t (*)(int fd, void* buffer, std::size_t count);
void SetWaveReadFunctionForTesting(WaveReadFunction function);

// `Cannot read the file: "NAME", REASON`
std::string WaveReadErrorText(const std::string& fileName, const std::string& reason);
// Shows that text in a box titled "File Error" with the error icon.
void ShowWaveReadError(const std::string& fileName, const std::string& reason);

// Writes samples [begin, end) of `sound` (the whole sound: 0 and GetValues())
// as a 44-byte-header PCM file of the sound's channels, frequency and width.
// The file is replaced only by a complete new file: the data goes to a
// temporary file in the same folder that is renamed over `fileName` at the
// end. If anything fails on the way (create, write, close, rename, or an
// existing file we may not write) the temporary file is removed, any previous
// file is left as it was, the "FileError" box is shown and the result is
// false. A failure flag set on entry writes nothing and returns false; one
// that another thread sets while it writes stops it the same way, without a
// box; a failed buffer allocation sets it and shows the memory message.
// A previous file keeps its permissions; one marked read-only (no write
// permission for anyone, or none for us) is not replaced; a FIFO or a device
// is written into as a stream. A file that is not `temporary` reaches the
// disk before it replaces the old one; `temporary` marks the play file,
// which needs no such wait.
bool WriteWaveFile(bool& failed, const std::string& fileName, const Sound& sound, int32_t begin, int32_t end,
                   bool temporary);

// Writes each sound whole to its file, as WriteWaveFile does, for the
// outputs of one command: every file is put in place, or none is.
bool WriteWaveFiles(bool& failed, const std::vector<std::string>& fileNames, const std::vector<const Sound*>& sounds);

// The 44-byte header of a PCM file of `dataBytes` bytes of samples (at most
// what a WAV file can hold, UINT32_MAX - 36).
std::array<uint8_t, 44> WaveHeader(int channels, int bytesPerSample, int32_t freq, uint64_t dataBytes);

// A WAV file written while its samples come in (a recording): the 44-byte
// header first, with both sizes at 0xFFFFFFFF as streams mark an open end,
// then the bytes as they arrive, and the true sizes on Finish. What a crash
// leaves behind holds every byte written so far; the reader takes it as it is
// (a data chunk longer than the file gives the frames the file holds) and
// RepairWaveSizes gives it its true sizes.
class TWaveStream {
public:
    TWaveStream() = default;
    TWaveStream(const TWaveStream&) = delete;
    TWaveStream& operator=(const TWaveStream&) = delete;
    ~TWaveStream() { Close(); }

    // Creates (or empties) the file and writes the header.
    bool Open(const std::string& fileName, int channels, int bytesPerSample, int32_t freq);
    bool IsOpen() const { return fd_ >= 0; }
    // Appends sample bytes; past what a WAV file can hold nothing more is
    // written and the result is false.
    bool Append(const void* data, std::size_t size);
    // Writes the sizes of the whole frames written, cuts off a partial last
    // frame and closes the file.
    bool Finish();
    // Closes without touching the sizes.
    void Close();
    uint64_t DataBytes() const { return bytes_; }

private:
    int fd_ = -1;
    int frame_ = 1;
    uint64_t bytes_ = 0;
};

// Gives a file a TWaveStream left open-ended (or with sizes that no longer
// match its length) the sizes of the whole frames it holds. Only a file with
// the 44-byte header that stream writes is touched; `reason` says why not.
bool RepairWaveSizes(const std::string& fileName, std::string& reason);
// The same over a file the caller opened for reading and writing (and closes).
bool RepairWaveSizesFd(int fd, std::string& reason);

}  // namespace korvane
