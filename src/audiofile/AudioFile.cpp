#include "audiofile/AudioFile.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

#include "core/Allocation.h"
#include "core/WavFile.h"
#include "platform/FileReplace.h"
#include "platform/Messages.h"

namespace korvane {

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string& text, const char* end) {
    const std::size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

struct Extension {
    const char* suffix;
    AudioFormat format;
};
constexpr Extension kExtensions[] = {
    {".flac", AudioFormat::Flac}, {".ogg", AudioFormat::OggVorbis}, {".opus", AudioFormat::Opus},
    {".mp3", AudioFormat::Mp3},   {".aif", AudioFormat::Aiff},      {".aiff", AudioFormat::Aiff},
};

// The failure flag is shared with the thread that may cancel.
bool stopped(bool& failed) { return std::atomic_ref<bool>(failed).load(std::memory_order_relaxed); }

}  // namespace

AudioFormat AudioFormatForName(const std::string& fileName) {
    const std::string name = lowerCase(fileName);
    for (const Extension& e : kExtensions)
        if (endsWith(name, e.suffix)) return e.format;
    return AudioFormat::Wav;
}

const char* AudioFormatName(AudioFormat format) {
    switch (format) {
        case AudioFormat::Wav: return "WAV";
        case AudioFormat::Flac: return "FLAC";
        case AudioFormat::OggVorbis: return "Ogg Vorbis";
        case AudioFormat::Opus: return "Opus";
        case AudioFormat::Mp3: return "MP3";
        case AudioFormat::Aiff: return "AIFF";
    }
    return "WAV";
}

std::string ChannelCountText(int channels) {
    return "The file has " + std::to_string(channels) + " channels; only mono and stereo sounds can be opened.";
}

std::string AudioWriteErrorText(const std::string& fileName, const std::string& reason) {
    return "Cannot write the file: \"" + fileName + "\", " + reason;
}

bool IsOwnWaveFile(const std::string& fileName) {
    if (endsWith(lowerCase(fileName), ".wav")) return true;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    char head[4] = {};
    ssize_t got;
    do got = ::read(fd, head, sizeof head);
    while (got < 0 && errno == EINTR);
    ::close(fd);
    return got == 4 && std::memcmp(head, "RIFF", 4) == 0;
}

// ---------------------------------------------------------------------------
// Reading

namespace {

// The name a user knows the file's format by.
std::string formatNameOf(SNDFILE* file, const SF_INFO& info) {
    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    switch (major) {
        case SF_FORMAT_FLAC: return "FLAC";
        case SF_FORMAT_OGG: return sub == SF_FORMAT_OPUS ? "Opus" : "Ogg Vorbis";
        case SF_FORMAT_MPEG:
            if (sub == SF_FORMAT_MPEG_LAYER_I) return "MPEG Layer I";
            if (sub == SF_FORMAT_MPEG_LAYER_II) return "MPEG Layer II";
            return "MP3";
        case SF_FORMAT_AIFF: return "AIFF";
        case SF_FORMAT_CAF: return "CAF";
        case SF_FORMAT_W64: return "W64";
        case SF_FORMAT_RF64: return "RF64";
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX: return "WAV";
        default: break;
    }
    SF_FORMAT_INFO described{};
    described.format = major;
    if (sf_command(file, SFC_GET_FORMAT_INFO, &described, sizeof described) == 0 && described.name)
        return described.name;
    return "unknown";
}

bool isFloatingPoint(int sub) {
    switch (sub) {
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
        case SF_FORMAT_MPEG_LAYER_I:
        case SF_FORMAT_MPEG_LAYER_II:
        case SF_FORMAT_MPEG_LAYER_III: return true;
        default: return false;
    }
}

int16_t fromFloat(float value) {
    const float scaled = value * 32768.0f;
    if (!(scaled == scaled)) return 0;  // NaN
    if (scaled <= -32768.0f) return -32768;
    if (scaled >= 32767.0f) return 32767;
    return static_cast<int16_t>(scaled);  // toward zero
}

// 16-bit channels that grow as frames come in. They start at the frame count
// the file declares, which is only believed as far as memory allows (the
// allocation fails cleanly when it is absurd); a file that holds more (or
// whose length is unknown) makes them grow.
class GrowingChannels {
public:
    explicit GrowingChannels(int channels) : channels_(channels) {}
    ~GrowingChannels() {
        for (int16_t* b : buffers_) freeSamples(b);
    }
    bool reserve(int64_t frames) {
        if (frames <= capacity_) return true;
        if (frames > INT32_MAX) return false;
        for (int c = 0; c < channels_; ++c) {
            int16_t* bigger = allocateSamples(static_cast<std::size_t>(frames));
            if (!bigger) return false;
            if (count_ > 0) std::memcpy(bigger, buffers_[c], static_cast<std::size_t>(count_) * sizeof(int16_t));
            freeSamples(buffers_[c]);
            buffers_[c] = bigger;
        }
        capacity_ = frames;
        return true;
    }
    bool fits(int64_t frames) const { return frames <= capacity_; }
    int16_t* channel(int c) { return buffers_[c] + count_; }
    int64_t count() const { return count_; }
    void added(int64_t frames) { count_ += frames; }
    std::unique_ptr<Sound> sound(int32_t freq, int16_t bytesPSample) {
        std::unique_ptr<Wave> waves[2];
        for (int c = 0; c < channels_; ++c) {
            waves[c].reset(new (std::nothrow) Wave(buffers_[c], static_cast<int32_t>(count_)));
            if (!waves[c]) return nullptr;
            buffers_[c] = nullptr;
        }
        if (channels_ == 1) return std::unique_ptr<Sound>(new (std::nothrow) MonoSound(std::move(waves[0]), freq, bytesPSample));
        return std::unique_ptr<Sound>(
            new (std::nothrow) StereoSound(std::move(waves[0]), std::move(waves[1]), freq, bytesPSample));
    }

private:
    int channels_;
    int16_t* buffers_[2] = {nullptr, nullptr};
    int64_t capacity_ = 0;
    int64_t count_ = 0;
};

// A frame count nobody would mean: unknown lengths start from this many.
constexpr int64_t kUnknownLengthStart = 1 << 20;

bool readOpened(SNDFILE* file, const SF_INFO& info, std::unique_ptr<Sound>& sound, std::string& reason,
                std::string* formatName) {
    if (info.channels != 1 && info.channels != 2) {
        reason = ChannelCountText(info.channels);
        return false;
    }
    if (info.samplerate <= 0) {
        reason = kWaveBadFrequency;
        return false;
    }
    const int sub = info.format & SF_FORMAT_SUBMASK;
    const bool floating = isFloatingPoint(sub);
    const int16_t bytesPSample = sub == SF_FORMAT_PCM_S8 || sub == SF_FORMAT_PCM_U8 ? 1 : 2;
    const int channels = info.channels;

    GrowingChannels out(channels);
    const bool lengthKnown = info.frames > 0 && info.frames < SF_COUNT_MAX;
    if (!out.reserve(lengthKnown ? std::min<int64_t>(info.frames, INT32_MAX) : kUnknownLengthStart)) {
        reportOutOfMemory();
        reason = kMemoryMessage;
        return false;
    }
    constexpr int kBlock = 4096;
    std::vector<int> ints(floating ? 0 : kBlock * channels);
    std::vector<float> floats(floating ? kBlock * channels : 0);
    for (;;) {
        const sf_count_t got =
            floating ? sf_readf_float(file, floats.data(), kBlock) : sf_readf_int(file, ints.data(), kBlock);
        if (got <= 0) break;
        // Doubling keeps the copies of a file longer than it said linear in its length.
        const int64_t need = out.count() + got;
        if (!out.fits(need) && !out.reserve(std::min<int64_t>(INT32_MAX, std::max(out.count() * 2, need))) &&
            !out.reserve(need)) {
            reportOutOfMemory();
            reason = kMemoryMessage;
            return false;
        }
        for (int c = 0; c < channels; ++c) {
            int16_t* to = out.channel(c);
            if (floating)
                for (sf_count_t i = 0; i < got; ++i) to[i] = fromFloat(floats[i * channels + c]);
            else
                for (sf_count_t i = 0; i < got; ++i) to[i] = static_cast<int16_t>(ints[i * channels + c] >> 16);
        }
        out.added(got);
    }
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        reason = sf_strerror(file);
        return false;
    }
    std::unique_ptr<Sound> result = out.sound(info.samplerate, bytesPSample);
    if (!result) {
        reportOutOfMemory();
        reason = kMemoryMessage;
        return false;
    }
    if (formatName) *formatName = formatNameOf(file, info);
    sound = std::move(result);
    reason = kWaveReadOk;
    return true;
}

struct SndFileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

// A file image in memory, as libsndfile's virtual I/O reads it.
struct MemoryImage {
    const uint8_t* data;
    sf_count_t size;
    sf_count_t pos = 0;
};

sf_count_t memoryLength(void* user) { return static_cast<MemoryImage*>(user)->size; }
sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<MemoryImage*>(user);
    sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : m->size;
    if (offset < -base || offset > m->size - base) return -1;
    m->pos = base + offset;
    return m->pos;
}
sf_count_t memoryRead(void* to, sf_count_t count, void* user) {
    auto* m = static_cast<MemoryImage*>(user);
    const sf_count_t n = std::max<sf_count_t>(0, std::min(count, m->size - m->pos));
    if (n > 0) std::memcpy(to, m->data + m->pos, static_cast<std::size_t>(n));
    m->pos += n;
    return n;
}
sf_count_t memoryWriteNothing(const void*, sf_count_t, void*) { return 0; }
sf_count_t memoryTell(void* user) { return static_cast<MemoryImage*>(user)->pos; }

}  // namespace

bool ReadAudioFile(const std::string& fileName, std::unique_ptr<Sound>& sound, std::string& reason,
                   std::string* formatName) {
    SF_INFO info{};
    SndFilePtr file(sf_open(fileName.c_str(), SFM_READ, &info));
    if (!file) {
        reason = sf_strerror(nullptr);
        return false;
    }
    return readOpened(file.get(), info, sound, reason, formatName);
}

bool ReadAudioMemory(const uint8_t* data, std::size_t size, std::unique_ptr<Sound>& sound, std::string& reason,
                     std::string* formatName) {
    static const uint8_t empty = 0;
    MemoryImage image{data ? data : &empty, static_cast<sf_count_t>(size)};
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWriteNothing, memoryTell};
    SF_INFO info{};
    SndFilePtr file(sf_open_virtual(&io, SFM_READ, &info, &image));
    if (!file) {
        reason = sf_strerror(nullptr);
        return false;
    }
    return readOpened(file.get(), info, sound, reason, formatName);
}

bool ReadSoundFile(const std::string& fileName, std::unique_ptr<Sound>& sound, std::string& reason,
                   std::string& formatName) {
    formatName.clear();
    if (IsOwnWaveFile(fileName)) return ReadWaveFile(fileName, sound, reason);
    return ReadAudioFile(fileName, sound, reason, &formatName);
}

// ---------------------------------------------------------------------------
// Writing

namespace {

// Where libsndfile writes: the new file of a replacement, or, for a target
// that is a stream and cannot seek, memory that is written out whole at the
// end (the encoders go back to their headers once the samples are in).
class WriteTarget {
public:
    explicit WriteTarget(TFileReplacement& file) : file_(file), memory_(file.IsStream()) {}

    static sf_count_t length(void* user) {
        auto* t = static_cast<WriteTarget*>(user);
        if (t->memory_) return static_cast<sf_count_t>(t->bytes_.size());
        struct stat st {};
        return ::fstat(t->file_.Fd(), &st) == 0 ? st.st_size : -1;
    }
    static sf_count_t seek(sf_count_t offset, int whence, void* user) {
        auto* t = static_cast<WriteTarget*>(user);
        if (!t->memory_) return ::lseek(t->file_.Fd(), offset, whence);
        const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? t->pos_ : length(user);
        if (base + offset < 0) return -1;
        t->pos_ = base + offset;
        return t->pos_;
    }
    static sf_count_t read(void* to, sf_count_t count, void* user) {
        auto* t = static_cast<WriteTarget*>(user);
        if (!t->memory_) {
            ssize_t got;
            do got = ::read(t->file_.Fd(), to, static_cast<std::size_t>(count));
            while (got < 0 && errno == EINTR);
            return got < 0 ? 0 : got;
        }
        const sf_count_t size = length(user);
        const sf_count_t n = std::max<sf_count_t>(0, std::min(count, size - t->pos_));
        if (n > 0) std::memcpy(to, t->bytes_.data() + t->pos_, static_cast<std::size_t>(n));
        t->pos_ += n;
        return n;
    }
    static sf_count_t write(const void* from, sf_count_t count, void* user) {
        auto* t = static_cast<WriteTarget*>(user);
        if (!t->memory_) {
            if (!WriteAllToFd(t->file_.Fd(), from, static_cast<std::size_t>(count))) {
                t->failed_ = true;
                return 0;
            }
            return count;
        }
        const auto end = static_cast<std::size_t>(t->pos_ + count);
        if (end > t->bytes_.size()) t->bytes_.resize(end);
        std::memcpy(t->bytes_.data() + t->pos_, from, static_cast<std::size_t>(count));
        t->pos_ += count;
        return count;
    }
    static sf_count_t tell(void* user) { return seek(0, SEEK_CUR, user); }

    // Writes what was kept in memory to the stream.
    bool flush() { return !failed_ && (!memory_ || file_.Write(bytes_.data(), bytes_.size())); }
    bool failed() const { return failed_; }

private:
    TFileReplacement& file_;
    bool memory_;
    bool failed_ = false;
    std::vector<uint8_t> bytes_;
    sf_count_t pos_ = 0;
};

bool isOpusRate(int32_t freq) {
    return freq == 8000 || freq == 12000 || freq == 16000 || freq == 24000 || freq == 48000;
}

int majorFormat(AudioFormat format, int16_t bytesPSample) {
    const int width = bytesPSample == 1 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16;
    switch (format) {
        case AudioFormat::Flac: return SF_FORMAT_FLAC | width;
        case AudioFormat::OggVorbis: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        case AudioFormat::Opus: return SF_FORMAT_OGG | SF_FORMAT_OPUS;
        case AudioFormat::Mp3: return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
        case AudioFormat::Aiff: return SF_FORMAT_AIFF | width;
        case AudioFormat::Wav: break;
    }
    return SF_FORMAT_WAV | width;
}

// The highest MP3 bit rate at a sample rate (MPEG-1, 2 and 2.5 layer III).
double mp3Highest(int32_t freq) { return freq >= 32000 ? 320 : freq >= 16000 ? 160 : 64; }
double mp3Lowest(int32_t freq) { return freq >= 32000 ? 32 : 8; }

// libsndfile takes every codec's setting as one compression level from 0
// (best) to 1 (smallest); these map the user's settings onto it.
bool applySettings(SNDFILE* file, AudioFormat format, const AudioWriteSettings& s, int channels, int32_t freq) {
    double level = -1;
    switch (format) {
        case AudioFormat::Flac: level = std::clamp(s.flacLevel, 0, kFlacLevelMax) / double(kFlacLevelMax); break;
        case AudioFormat::OggVorbis: level = 1 - std::clamp(s.vorbisQuality, 0.0, kVorbisQualityMax) / kVorbisQualityMax; break;
        case AudioFormat::Opus:
            // The encoder's rate per channel is 6 kbit/s plus 250 kbit/s times (1 - level).
            level = 1 - (s.opusKbps * 1000.0 / channels - 6000.0) / 250000.0;
            break;
        case AudioFormat::Mp3: {
            int mode = s.mp3Variable ? SF_BITRATE_MODE_VARIABLE : SF_BITRATE_MODE_CONSTANT;
            // This command answers 0 when it worked; its failure is in the file's error.
            sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
            if (sf_error(file) != SF_ERR_NO_ERROR) return false;
            const double hi = mp3Highest(freq), lo = mp3Lowest(freq);
            level = (hi - std::clamp<double>(s.mp3Kbps, lo, hi)) / (hi - lo);
            break;
        }
        case AudioFormat::Aiff:
        case AudioFormat::Wav: return true;
    }
    level = std::clamp(level, 0.0, 1.0);
    return sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level) == SF_TRUE;
}

// Interleaves the samples and hands them to the encoder, a block at a time,
// testing the failure flag before each. The lossy encoders take floats (their
// own input; libsndfile's MP3 writer loses level on 16-bit input).
template <class T>
bool encodeBlocks(bool& failed, SNDFILE* file, const Sound& sound, int32_t begin, int32_t end) {
    const int channels = sound.Channels();
    const bool eightBit = sound.BytesPSample == 1;
    std::vector<T> block(static_cast<std::size_t>(Wave::kChunk) * channels);
    for (int32_t at = begin; at < end; at += Wave::kChunk) {
        if (stopped(failed)) return false;
        const int32_t n = std::min(Wave::kChunk, end - at);
        for (int c = 0; c < channels; ++c) {
            const int16_t* from = sound.Channel(c).wave + at;
            T* to = block.data() + c;
            for (int32_t i = 0; i < n; ++i, to += channels) {
                if constexpr (std::is_same_v<T, float>)
                    *to = from[i] / 32768.0f;
                else  // libsndfile keeps the high byte; our WAV writer divides by 256 (toward zero)
                    *to = eightBit ? static_cast<short>(from[i] / 256 * 256) : from[i];
            }
        }
        const sf_count_t written =
            std::is_same_v<T, float> ? sf_writef_float(file, reinterpret_cast<const float*>(block.data()), n)
                                     : sf_writef_short(file, reinterpret_cast<const short*>(block.data()), n);
        if (written != n) return false;
    }
    return true;
}

bool encodeSamples(bool& failed, SNDFILE* file, AudioFormat format, const Sound& sound, int32_t begin,
                   int32_t end) {
    const bool lossy = format == AudioFormat::OggVorbis || format == AudioFormat::Opus || format == AudioFormat::Mp3;
    return lossy ? encodeBlocks<float>(failed, file, sound, begin, end)
                 : encodeBlocks<short>(failed, file, sound, begin, end);
}

bool writeThroughSndfile(bool& failed, const std::string& fileName, AudioFormat format, const Sound& sound,
                         int32_t begin, int32_t end, const AudioWriteSettings& settings, std::string& reason) {
    TFileReplacement replacement;
    if (!replacement.Open(fileName)) {
        reason.clear();  // the replacement's own box says it
        return false;
    }
    WriteTarget target(replacement);
    SF_VIRTUAL_IO io{WriteTarget::length, WriteTarget::seek, WriteTarget::read, WriteTarget::write,
                     WriteTarget::tell};
    SF_INFO info{};
    info.samplerate = sound.Freq;
    info.channels = sound.Channels();
    info.format = majorFormat(format, sound.BytesPSample);
    SndFilePtr file(sf_open_virtual(&io, SFM_WRITE, &info, &target));
    if (!file) {
        reason = sf_strerror(nullptr);
        return false;
    }
    if (!applySettings(file.get(), format, settings, info.channels, info.samplerate)) {
        reason = sf_strerror(file.get());
        return false;
    }
    const bool encoded = encodeSamples(failed, file.get(), format, sound, begin, end);
    if (!encoded && !stopped(failed)) reason = target.failed() ? "" : sf_strerror(file.get());
    const bool closed = sf_close(file.release()) == 0;
    if (!encoded || stopped(failed)) return false;
    if (!closed && !target.failed()) {
        reason = "the encoder could not finish the file.";
        return false;
    }
    if (target.failed() || !target.flush() || !replacement.Commit()) {
        reason.clear();
        return false;
    }
    return true;
}

}  // namespace

bool WriteAudioFile(bool& failed, const std::string& fileName, AudioFormat format, const Sound& sound, int32_t begin,
                    int32_t end, const AudioWriteSettings& settings) {
    if (format == AudioFormat::Wav) return WriteWaveFile(failed, fileName, sound, begin, end, false);
    if (stopped(failed)) return false;
    if (format == AudioFormat::Opus && !isOpusRate(sound.Freq)) {
        // The codec runs at these rates only; 48 kHz loses nothing of any other.
        std::unique_ptr<Sound> part = sound.Extract(failed, begin, end);
        std::unique_ptr<Sound> resampled = part ? part->ChangeFreq(failed, 48000) : nullptr;
        if (!resampled) return false;
        return WriteAudioFile(failed, fileName, format, *resampled, 0, resampled->GetValues(), settings);
    }
    std::string reason;
    if (writeThroughSndfile(failed, fileName, format, sound, begin, end, settings, reason)) return true;
    if (stopped(failed)) return false;
    if (reason.empty())
        messages().show(kWaveWriteErrorTitle, kWaveWriteErrorText, MessageIcon::Error);
    else
        messages().show(kWaveWriteErrorTitle, AudioWriteErrorText(fileName, reason), MessageIcon::Error);
    return false;
}

}  // namespace korvane
