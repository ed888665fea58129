// Reading and writing the other sound formats, checked against sox: files sox
// writes are read sample for sample, files we write are read by sox sample for
// sample (lossless) or to the right length and level (lossy).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "TestSupport.h"
#include "audiofile/AudioFile.h"
#include "core/WavFile.h"

namespace korvane {
namespace {

using testing::CoreFixture;

std::vector<int> channelSamples(const Sound& s, int c) { return testing::samplesOf(s.Channel(c)); }

std::unique_ptr<Sound> makeSound(int channels, int32_t freq, int16_t bytes, const std::vector<int>& left,
                                 const std::vector<int>& right = {}) {
    if (channels == 1) return std::make_unique<MonoSound>(testing::makeWave(left), freq, bytes);
    return std::make_unique<StereoSound>(testing::makeWave(left), testing::makeWave(right), freq, bytes);
}

std::vector<int> noise(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<int> out(n);
    for (int& v : out) v = value(random);
    return out;
}

class AudioFileTest : public CoreFixture {
protected:
    std::string dir;
    void SetUp() override {
        CoreFixture::SetUp();
        char name[] = "/tmp/korvane-audiofile-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override {
        (void)!std::system(("rm -rf '" + dir + "'").c_str());
        CoreFixture::TearDown();
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    // Runs sox quietly; its status.
    int sox(const std::string& arguments) const { return std::system(("sox -q " + arguments + " 2>&1").c_str()); }
    std::unique_ptr<Sound> readOwn(const std::string& file) {
        std::unique_ptr<Sound> s;
        std::string reason;
        EXPECT_TRUE(ReadWaveFile(file, s, reason)) << file << ": " << reason;
        return s;
    }
    std::unique_ptr<Sound> readOther(const std::string& file, std::string* format = nullptr) {
        std::unique_ptr<Sound> s;
        std::string reason;
        EXPECT_TRUE(ReadAudioFile(file, s, reason, format)) << file << ": " << reason;
        return s;
    }
    void writeBytes(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
};

void expectSameSamples(const Sound& a, const Sound& b) {
    ASSERT_EQ(a.Channels(), b.Channels());
    EXPECT_EQ(a.Freq, b.Freq);
    EXPECT_EQ(a.BytesPSample, b.BytesPSample);
    for (int c = 0; c < a.Channels(); ++c) EXPECT_EQ(channelSamples(a, c), channelSamples(b, c)) << "channel " << c;
}

TEST_F(AudioFileTest, FormatsAreNamedByTheExtensionInAnyCase) {
    const std::pair<const char*, AudioFormat> cases[] = {
        {"a.flac", AudioFormat::Flac}, {"A.FLAC", AudioFormat::Flac},     {"b.ogg", AudioFormat::OggVorbis},
        {"c.Opus", AudioFormat::Opus}, {"d.mp3", AudioFormat::Mp3},       {"e.aif", AudioFormat::Aiff},
        {"f.AIFF", AudioFormat::Aiff}, {"g.wav", AudioFormat::Wav},       {"h", AudioFormat::Wav},
        {"i.txt", AudioFormat::Wav},   {"flac", AudioFormat::Wav},        {"dir.mp3/x", AudioFormat::Wav},
    };
    for (const auto& [name, format] : cases) EXPECT_EQ(AudioFormatForName(name), format) << name;
}

TEST_F(AudioFileTest, OpenTakesOurReaderByNameOrByTheFirstBytes) {
    writeBytes(path("riff.dat"), "RIFFxxxx");
    writeBytes(path("other.dat"), "fLaC");
    writeBytes(path("named.WAV"), "fLaC");
    EXPECT_TRUE(IsOwnWaveFile(path("riff.dat")));
    EXPECT_FALSE(IsOwnWaveFile(path("other.dat")));
    EXPECT_TRUE(IsOwnWaveFile(path("named.WAV")));
    EXPECT_FALSE(IsOwnWaveFile(path("missing.flac")));
    // So a .wav keeps our reader's message, and another file gets libsndfile's.
    std::unique_ptr<Sound> s;
    std::string reason, format;
    EXPECT_FALSE(ReadSoundFile(path("named.WAV"), s, reason, format));
    EXPECT_EQ(reason, kWaveNoRiff);
    EXPECT_FALSE(ReadSoundFile(path("other.dat"), s, reason, format));
    EXPECT_NE(reason, kWaveNoRiff);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(s, nullptr);
}

// Files sox writes from one of our WAV files hold the very samples our reader
// reads from it: 16 bits, 24 bits (high 16 bits kept) and 8 bits (kept 8-bit).
TEST_F(AudioFileTest, LosslessFilesSoxWritesAreReadSampleForSample) {
    auto stereo = makeSound(2, 44100, 2, noise(5000, 1), noise(5000, 2));
    bool failed = false;
    ASSERT_TRUE(WriteWaveFile(failed, path("s16.wav"), *stereo, 0, 5000, false));
    // wavpcm: the plain header our reader takes (sox writes 24 bits as extensible otherwise).
    ASSERT_EQ(sox("-n -r 48000 -c 2 -b 24 -t wavpcm " + path("s24.wav") + " synth 0.1 whitenoise"), 0);
    ASSERT_EQ(sox("-n -r 22050 -c 1 -b 8 " + path("s8.wav") + " synth 0.1 sine 300"), 0);
    for (const char* source : {"s16", "s24", "s8"}) {
        auto own = readOwn(path(std::string(source) + ".wav"));
        ASSERT_TRUE(own);
        for (const char* type : {"flac", "aiff", "w64"}) {
            const std::string copy = path(std::string(source) + "." + type);
            ASSERT_EQ(sox(path(std::string(source) + ".wav") + " " + copy), 0);
            std::string format;
            auto other = readOther(copy, &format);
            ASSERT_TRUE(other) << copy;
            SCOPED_TRACE(copy);
            expectSameSamples(*own, *other);
        }
    }
    auto flac = readOther(path("s16.flac"));
    std::string format;
    readOther(path("s16.aiff"), &format);
    EXPECT_EQ(format, "AIFF");
    readOther(path("s16.w64"), &format);
    EXPECT_EQ(format, "W64");
}

// What we write as FLAC and AIFF, sox reads back to the samples we wrote; an
// 8-bit sound is reduced as our WAV writer reduces it.
TEST_F(AudioFileTest, OurLosslessFilesAreReadBySoxSampleForSample) {
    auto stereo = makeSound(2, 44100, 2, noise(4000, 3), noise(4000, 4));
    std::vector<int> odd = {-32768, -300, -257, -256, -255, -1, 0, 1, 255, 256, 300, 32767};
    auto eight = makeSound(1, 11025, 1, odd);
    bool failed = false;
    ASSERT_TRUE(WriteWaveFile(failed, path("eight.wav"), *eight, 0, eight->GetValues(), false));
    auto eightAsWav = readOwn(path("eight.wav"));
    for (AudioFormat format : {AudioFormat::Flac, AudioFormat::Aiff}) {
        const std::string ext = format == AudioFormat::Flac ? ".flac" : ".aiff";
        for (auto* sound : {stereo.get(), eight.get()}) {
            const std::string name = path((sound == eight.get() ? "eight" : "stereo") + ext);
            ASSERT_TRUE(WriteAudioFile(failed, name, format, *sound, 0, sound->GetValues())) << name;
            ASSERT_EQ(sox(name + " " + name + ".wav"), 0);
            auto back = readOwn(name + ".wav");
            ASSERT_TRUE(back);
            SCOPED_TRACE(name);
            expectSameSamples(sound == eight.get() ? *eightAsWav : *sound, *back);
            expectSameSamples(*back, *readOther(name));
        }
    }
    // Only the range is written.
    ASSERT_TRUE(WriteAudioFile(failed, path("part.flac"), AudioFormat::Flac, *stereo, 1000, 1500));
    auto part = readOther(path("part.flac"));
    ASSERT_EQ(part->GetValues(), 500);
    const std::vector<int> right = noise(4000, 4);
    EXPECT_EQ(channelSamples(*part, 1), std::vector<int>(right.begin() + 1000, right.begin() + 1500));
    EXPECT_TRUE(boxes.shown.empty());
}

double rmsDb(const Sound& s, int32_t from, int32_t to) {
    double sum = 0;
    for (int c = 0; c < s.Channels(); ++c)
        for (int32_t i = from; i < to; ++i) sum += double(s.Channel(c).wave[i]) * s.Channel(c).wave[i];
    return 10 * std::log10(sum / (double(to - from) * s.Channels()));
}

// Lossy files keep the length (within one codec frame, once the encoder's
// delay and padding are taken off) and the level of a sine (within 0.5 dB),
// read by sox and by us.
TEST_F(AudioFileTest, LossyFilesKeepLengthAndLevel) {
    const int32_t n = 44100;
    std::vector<int> sine(n);
    for (int32_t i = 0; i < n; ++i) sine[i] = int(16384 * std::sin(2 * 3.14159265358979 * 440 * i / 44100.0));
    auto sound = makeSound(2, 44100, 2, sine, sine);
    const double level = rmsDb(*sound, 4410, n - 4410);
    struct Case {
        AudioFormat format;
        const char* name;
        int32_t rate;   // the rate the file holds
        int32_t frame;  // samples of one codec frame at that rate
        // Debian's sox reads no Opus (nor through its libsndfile handler): that one we check alone.
        bool soxReads;
    } cases[] = {
        {AudioFormat::OggVorbis, "x.ogg", 44100, 2048, true},
        {AudioFormat::Opus, "x.opus", 48000, 960, false},
        {AudioFormat::Mp3, "x.mp3", 44100, 1152, true},
    };
    AudioWriteSettings settings;
    bool failed = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteAudioFile(failed, path(c.name), c.format, *sound, 0, n, settings));
        std::unique_ptr<Sound> bySox;
        if (c.soxReads) {
            ASSERT_EQ(sox(path(c.name) + " -b 16 " + path(c.name) + ".wav"), 0);
            bySox = readOwn(path(std::string(c.name) + ".wav"));
            ASSERT_TRUE(bySox);
        }
        auto byUs = readOther(path(c.name));
        ASSERT_TRUE(byUs);
        const int32_t expected = int32_t(int64_t(n) * c.rate / 44100);
        for (const Sound* s : {bySox.get(), byUs.get()}) {
            if (!s) continue;
            EXPECT_EQ(s->Freq, c.rate);
            EXPECT_EQ(s->BytesPSample, 2);
            // Debian's sox decodes MP3 with libmad, which does not take the
            // encoder's delay and padding off as the LAME header gives them:
            // those are under two frames more. Ours must be within one frame.
            if (s == bySox.get() && c.format == AudioFormat::Mp3) {
                EXPECT_GE(s->GetValues(), expected);
                EXPECT_LT(s->GetValues(), expected + 2 * c.frame);
            } else {
                EXPECT_NEAR(s->GetValues(), expected, c.frame);
            }
            const int32_t margin = c.rate / 10;
            EXPECT_NEAR(rmsDb(*s, margin, s->GetValues() - margin), level, 0.5);
        }
    }
    // The MP3's bit rate follows the setting: a lower one makes a smaller file.
    settings.mp3Kbps = 64;
    ASSERT_TRUE(WriteAudioFile(failed, path("low.mp3"), AudioFormat::Mp3, *sound, 0, n, settings));
    struct stat high {}, low {};
    ASSERT_EQ(::stat(path("x.mp3").c_str(), &high), 0);
    ASSERT_EQ(::stat(path("low.mp3").c_str(), &low), 0);
    EXPECT_LT(low.st_size * 2, high.st_size);
}

std::string le(uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
    return s;
}
std::string chunk(const std::string& id, const std::string& body) {
    return id + le(uint32_t(body.size()), 4) + body + (body.size() % 2 ? std::string(1, '\0') : "");
}
std::string riff(const std::string& chunks) { return "RIFF" + le(uint32_t(4 + chunks.size()), 4) + "WAVE" + chunks; }

// Open's reader refuses these with its messages; Import reads them, with
// floats scaled by 32768, truncated and clamped.
TEST_F(AudioFileTest, WavFilesOurReaderRefusesAreImported) {
    const float values[] = {0.5f, -0.5f, 1.5f, -1.5f, 0.99999f, -0.00001f, 1.0f, -1.0f};
    std::string data;
    for (float f : values) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        data += le(bits, 4);
    }
    const std::string floatFmt = le(3, 2) + le(1, 2) + le(8000, 4) + le(32000, 4) + le(4, 2) + le(32, 2);
    writeBytes(path("float.wav"), riff(chunk("fmt ", floatFmt) + chunk("fact", le(8, 4)) + chunk("data", data)));

    const std::vector<int> pcm = {1, -2, 32767, -32768, 1234, -4321};
    std::string pcmData;
    for (int v : pcm) pcmData += le(uint32_t(v), 2);
    const std::string pcmFmt = le(1, 2) + le(2, 2) + le(44100, 4) + le(176400, 4) + le(4, 2) + le(16, 2);
    writeBytes(path("chunks.wav"), riff(chunk("fmt ", pcmFmt) + chunk("LIST", "INFOISFT" + le(6, 4) + "maker\0") +
                                        chunk("bext", std::string(602, '\0')) + chunk("data", pcmData)));

    std::unique_ptr<Sound> s;
    std::string reason, format;
    EXPECT_FALSE(ReadSoundFile(path("float.wav"), s, reason, format));
    EXPECT_EQ(reason, kWaveNotPcm);
    EXPECT_FALSE(ReadSoundFile(path("chunks.wav"), s, reason, format));
    EXPECT_EQ(reason, kWaveNoData);

    auto floats = readOther(path("float.wav"), &format);
    ASSERT_TRUE(floats);
    EXPECT_EQ(format, "WAV");
    EXPECT_EQ(floats->BytesPSample, 2);
    EXPECT_EQ(channelSamples(*floats, 0), (std::vector<int>{16384, -16384, 32767, -32768, 32767, 0, 32767, -32768}));
    auto chunks = readOther(path("chunks.wav"));
    ASSERT_TRUE(chunks);
    EXPECT_EQ(channelSamples(*chunks, 0), (std::vector<int>{1, 32767, 1234}));
    EXPECT_EQ(channelSamples(*chunks, 1), (std::vector<int>{-2, -32768, -4321}));
}

TEST_F(AudioFileTest, RefusalsSayWhyAndLeaveTheSoundAlone) {
    ASSERT_EQ(sox("-n -r 8000 -c 3 " + path("three.flac") + " synth 0.01 sine 300"), 0);
    writeBytes(path("broken.flac"), "fLaC\0\0\0\x22garbage that is no stream info");
    writeBytes(path("empty.mp3"), "");
    auto keep = makeSound(1, 8000, 2, {7});
    std::unique_ptr<Sound> s = makeSound(1, 8000, 2, {7});
    std::string reason;
    EXPECT_FALSE(ReadAudioFile(path("three.flac"), s, reason));
    EXPECT_EQ(reason, "The file has 3 channels; only mono and stereo sounds can be opened.");
    for (const char* name : {"broken.flac", "empty.mp3", "missing.ogg"}) {
        reason.clear();
        EXPECT_FALSE(ReadAudioFile(path(name), s, reason)) << name;
        EXPECT_FALSE(reason.empty()) << name;
    }
    EXPECT_EQ(channelSamples(*s, 0), std::vector<int>{7});
}

// A file that cannot be put in place leaves the old one and shows the box; a
// set failure flag writes nothing at all.
TEST_F(AudioFileTest, FailedWritesKeepThePreviousFile) {
    auto sound = makeSound(1, 44100, 2, noise(1000, 5));
    writeBytes(path("old.flac"), "old");
    ::chmod(path("old.flac").c_str(), 0444);
    bool failed = false;
    EXPECT_FALSE(WriteAudioFile(failed, path("old.flac"), AudioFormat::Flac, *sound, 0, 1000));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, kWaveWriteErrorTitle);
    EXPECT_EQ(testing::readFileBytes(path("old.flac")), "old");
    ::mkdir(path("folder.mp3").c_str(), 0755);
    EXPECT_FALSE(WriteAudioFile(failed, path("folder.mp3"), AudioFormat::Mp3, *sound, 0, 1000));
    EXPECT_EQ(boxes.shown.size(), 2u);
    // MP3 has no 96 kHz: libsndfile's reason is shown, and nothing is left behind.
    auto fast = makeSound(1, 96000, 2, noise(1000, 6));
    EXPECT_FALSE(WriteAudioFile(failed, path("fast.mp3"), AudioFormat::Mp3, *fast, 0, 1000));
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[2].text.rfind("Cannot write the file: \"" + path("fast.mp3") + "\", ", 0), 0u);
    EXPECT_NE(::access(path("fast.mp3").c_str(), F_OK), 0);
    failed = true;
    EXPECT_FALSE(WriteAudioFile(failed, path("new.ogg"), AudioFormat::OggVorbis, *sound, 0, 1000));
    EXPECT_NE(::access(path("new.ogg").c_str(), F_OK), 0);
    EXPECT_EQ(boxes.shown.size(), 3u);
}

// The memory reader is what the fuzz target drives; it must agree with the file reader.
TEST_F(AudioFileTest, MemoryImagesReadAsTheirFiles) {
    auto sound = makeSound(2, 32000, 2, noise(3000, 7), noise(3000, 8));
    bool failed = false;
    ASSERT_TRUE(WriteAudioFile(failed, path("m.flac"), AudioFormat::Flac, *sound, 0, 3000));
    const std::string bytes = testing::readFileBytes(path("m.flac"));
    std::unique_ptr<Sound> fromMemory;
    std::string reason, format;
    ASSERT_TRUE(ReadAudioMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), fromMemory, reason,
                                &format));
    EXPECT_EQ(format, "FLAC");
    expectSameSamples(*sound, *fromMemory);
    EXPECT_FALSE(ReadAudioMemory(reinterpret_cast<const uint8_t*>(bytes.data()), 10, fromMemory, reason));
}

}  // namespace
}  // namespace korvane
