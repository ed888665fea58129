#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "TestSupport.h"
#include "core/Sound.h"
#include "core/WavFile.h"

using namespace korvane;
using namespace korvane::testing;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void add(Bytes& b, const char* text) { b.insert(b.end(), text, text + std::strlen(text)); }
void add16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void add32(Bytes& b, uint32_t v) {
    add16(b, v);
    add16(b, v >> 16);
}

// A file image as other programs write them; the fields default to a valid
// 16-bit stereo header without samples.
struct WavImage {
    uint32_t formatSize = 16;
    int tag = 1;
    int channels = 2;
    uint32_t freq = 22050;
    int bits = 16;
    Bytes beforeData;  // whole chunks between the format chunk and "data"
    uint32_t dataSize = 0;
    Bytes samples;

    Bytes bytes() const {
        Bytes b;
        add(b, "RIFF");
        add32(b, 0);
        add(b, "WAVEfmt ");
        add32(b, formatSize);
        add16(b, static_cast<uint32_t>(tag));
        add16(b, static_cast<uint32_t>(channels));
        add32(b, freq);
        add32(b, freq * static_cast<uint32_t>(channels * bits / 8));
        add16(b, static_cast<uint32_t>(channels * bits / 8));
        add16(b, static_cast<uint32_t>(bits));
        for (uint32_t i = 16; i < formatSize && i < 64; ++i) b.push_back(0xEE);
        b.insert(b.end(), beforeData.begin(), beforeData.end());
        add(b, "data");
        add32(b, dataSize);
        b.insert(b.end(), samples.begin(), samples.end());
        return b;
    }
};

struct ReadResult {
    bool ok;
    std::string reason;
    std::unique_ptr<Sound> sound;
};

class WavFileTest : public CoreFixture {
protected:
    fs::path dir;
    bool failed = false;

    void SetUp() override {
        CoreFixture::SetUp();
        dir = fs::path(::testing::TempDir()) /
              ("korvane_wav_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        CoreFixture::TearDown();
    }

    std::string path(const char* name) const { return (dir / name).string(); }

    static Bytes load(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void save(const std::string& file, const Bytes& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    ReadResult read(const std::string& file) {
        ReadResult r;
        r.ok = ReadWaveFile(file, r.sound, r.reason);
        return r;
    }
    // Reads an image both from a file and from memory; both must agree.
    ReadResult readImage(const Bytes& image) {
        save(path("in.wav"), image);
        ReadResult r = read(path("in.wav"));
        std::unique_ptr<Sound> fromMemory;
        std::string reason;
        EXPECT_EQ(ReadWaveMemory(image.data(), image.size(), fromMemory, reason), r.ok);
        EXPECT_EQ(reason, r.reason);
        EXPECT_EQ(fromMemory != nullptr, r.sound != nullptr);
        if (fromMemory && r.sound) {
            EXPECT_EQ(samplesOf(fromMemory->GetLeft()), samplesOf(r.sound->GetLeft()));
        }
        return r;
    }

    static std::unique_ptr<Sound> mono(const std::vector<int>& s, int32_t freq, int16_t bytes) {
        return std::make_unique<MonoSound>(makeWave(s), freq, bytes);
    }
    static std::unique_ptr<Sound> stereo(const std::vector<int>& l, const std::vector<int>& r, int32_t freq,
                                         int16_t bytes) {
        return std::make_unique<StereoSound>(makeWave(l), makeWave(r), freq, bytes);
    }
    bool write(const std::string& file, const Sound& sound) {
        return WriteWaveFile(failed, file, sound, 0, sound.GetValues(), false);
    }
    int fileErrorBoxes() const {
        int n = 0;
        for (const auto& m : boxes.shown)
            n += m.title == "FileError" && m.icon == MessageIcon::Information &&
                 m.text ==
                     "Cannot save Music: Operating System cannot open file for writing, maybe the file is readonly.";
        return n;
    }
    std::vector<std::string> filesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::vector<int> ramp(int n, int from, int step) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<int16_t>(from + i * step));
    return v;
}

TEST(WaveFileProps, DefaultsAndFrequencyList) {
    WaveFileProps props;
    EXPECT_EQ(props.SampleFreq, 44100);
    EXPECT_EQ(props.MonoStereo, 2);
    EXPECT_EQ(props.BytesPSample, 2);
    EXPECT_STREQ(kSampleFreqChoices[7].label, "176 kHz");
    EXPECT_EQ(kSampleFreqChoices[7].freq, 176128);
    EXPECT_EQ(SampleFreqIndex(5512), 0);
    EXPECT_EQ(SampleFreqIndex(48000), 4);
    EXPECT_EQ(SampleFreqIndex(88200), 5);
    EXPECT_EQ(SampleFreqIndex(96000), 6);
    EXPECT_EQ(SampleFreqIndex(176400), 0);
}

TEST_F(WavFileTest, WritesTheHeaderFieldByFieldAndOnlyTheRange) {
    auto s = stereo(ramp(300, 0, 1), ramp(300, 1000, -1), 44100, 2);
    ASSERT_TRUE(WriteWaveFile(failed, path("range.wav"), *s, 100, 200, false));
    Bytes b = load(path("range.wav"));
    ASSERT_EQ(b.size(), 444u);
    Bytes expected;
    add(expected, "RIFF");
    add32(expected, 436);
    add(expected, "WAVEfmt ");
    add32(expected, 16);
    add16(expected, 1);
    add16(expected, 2);
    add32(expected, 44100);
    add32(expected, 176400);
    add16(expected, 4);
    add16(expected, 16);
    add(expected, "data");
    add32(expected, 400);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 44), expected);
    // Left first: sample 100 of the left (100) then of the right (900).
    EXPECT_EQ(Bytes(b.begin() + 44, b.begin() + 48), (Bytes{100, 0, 0x84, 0x03}));
    EXPECT_EQ(Bytes(b.end() - 4, b.end()), (Bytes{199, 0, 0x21, 0x03}));
    EXPECT_TRUE(boxes.shown.empty());
}

// The bytes per second of the header are exact up to the largest rate the
// field holds; a frequency beyond it is refused, not written with a wrapped rate.
TEST_F(WavFileTest, ByteRateIsExactOrTheFrequencyIsRefused) {
    struct Case {
        int32_t freq;
        bool stereo;
        int16_t bytes;
        uint32_t rate;  // 0: refused
    } cases[] = {{2147483647, false, 1, 2147483647u}, {2147483647, false, 2, 4294967294u},
                 {1073741823, true, 2, 4294967292u},  {1073741824, true, 2, 0},
                 {2147483647, true, 2, 0},            {2147483647, true, 1, 4294967294u}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.freq) + (c.stereo ? " stereo " : " mono ") + std::to_string(c.bytes));
        boxes.shown.clear();
        fs::remove(path("rate.wav"));
        auto s = c.stereo ? stereo({1, 2}, {3, 4}, c.freq, c.bytes) : mono({1, 2}, c.freq, c.bytes);
        EXPECT_EQ(write(path("rate.wav"), *s), c.rate != 0);
        if (c.rate == 0) {
            EXPECT_FALSE(fs::exists(path("rate.wav")));
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].text, "Cannot save Wave: the sample frequency is too high for a WAV file.");
            continue;
        }
        const Bytes b = load(path("rate.wav"));
        ASSERT_GE(b.size(), 44u);
        EXPECT_EQ(uint32_t{b[28]} | uint32_t{b[29]} << 8 | uint32_t{b[30]} << 16 | uint32_t{b[31]} << 24, c.rate);
        EXPECT_EQ(read(path("rate.wav")).sound->Freq, c.freq);
    }
}

TEST_F(WavFileTest, EightBitSamplesMapBothWays) {
    auto s = mono({-32768, -256, -255, 0, 255, 256, 32767}, 11025, 1);
    ASSERT_TRUE(write(path("8.wav"), *s));
    Bytes b = load(path("8.wav"));
    ASSERT_EQ(b.size(), 51u);
    EXPECT_EQ(b[32], 1);   // block alignment
    EXPECT_EQ(b[34], 8);   // bits
    EXPECT_EQ(Bytes(b.begin() + 44, b.end()), (Bytes{0, 127, 128, 128, 128, 129, 255}));
    ReadResult r = read(path("8.wav"));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.reason, "No errors occurred.");
    EXPECT_EQ(r.sound->BytesPSample, 1);
    EXPECT_EQ(r.sound->Freq, 11025);
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{-32768, -256, 0, 0, 0, 256, 32512}));
}

TEST_F(WavFileTest, EveryLayoutRoundTripsByteForByte) {
    // Not a multiple of 8 frames, so that the frames after the last whole
    // vector step go through the plain loop too.
    std::vector<int> left = ramp(70003, -32768, 937), right = ramp(70003, 32767, -611);
    const std::unique_ptr<Sound> sounds[] = {mono(left, 5512, 1), mono(left, 44100, 2), stereo(left, right, 22050, 1),
                                             stereo(left, right, 176128, 2)};
    for (const auto& s : sounds) {
        SCOPED_TRACE(std::to_string(s->MoSt) + " channels, " + std::to_string(s->BytesPSample) + " bytes");
        ASSERT_TRUE(write(path("a.wav"), *s));
        ReadResult r = read(path("a.wav"));
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(r.sound->MoSt, s->MoSt);
        EXPECT_EQ(r.sound->Freq, s->Freq);
        EXPECT_EQ(r.sound->BytesPSample, s->BytesPSample);
        ASSERT_EQ(r.sound->GetValues(), 70003);
        if (s->BytesPSample == 2) {
            EXPECT_EQ(samplesOf(r.sound->GetLeft()), left);
            EXPECT_EQ(samplesOf(r.sound->GetRight()), s->MoSt == 2 ? right : left);
            // Little-endian samples, left before right in every frame.
            Bytes expected(44);
            for (std::size_t i = 0; i < left.size(); ++i)
                for (int v : s->MoSt == 2 ? std::vector<int>{left[i], right[i]} : std::vector<int>{left[i]})
                    add16(expected, static_cast<uint16_t>(v));
            Bytes written = load(path("a.wav"));
            ASSERT_EQ(written.size(), expected.size());
            EXPECT_TRUE(std::equal(written.begin() + 44, written.end(), expected.begin() + 44));
        }
        ASSERT_TRUE(write(path("b.wav"), *r.sound));
        EXPECT_EQ(load(path("a.wav")), load(path("b.wav")));
    }
}

// Files large enough to be read in parts side by side give what a read in
// one go (from memory) gives, in every layout the parts handle differently.
TEST_F(WavFileTest, LargeFilesReadInPartsGiveTheSamplesOfOneRead) {
    struct Case {
        int channels;
        int16_t bytes;
        int32_t frames;
    };
    // 16-bit mono is read straight into the channel; the others are converted.
    for (const Case c : {Case{1, 2, 9'000'017}, Case{2, 2, 4'500'007}, Case{2, 1, 9'000'011}}) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.bytes) + " bytes");
        std::unique_ptr<Wave> waves[2];
        for (int k = 0; k < c.channels; ++k) {
            waves[k] = Wave::create(failed, c.frames);
            for (int32_t i = 0; i < c.frames; ++i)
                waves[k]->wave[i] = static_cast<int16_t>(static_cast<uint32_t>(i) * (2654435761u + k) >> 16);
        }
        std::unique_ptr<Sound> s;
        if (c.channels == 1)
            s = std::make_unique<MonoSound>(std::move(waves[0]), 44100, c.bytes);
        else
            s = std::make_unique<StereoSound>(std::move(waves[0]), std::move(waves[1]), 44100, c.bytes);
        ASSERT_TRUE(write(path("big.wav"), *s));
        ReadResult r = read(path("big.wav"));
        ASSERT_TRUE(r.ok) << r.reason;
        const Bytes image = load(path("big.wav"));
        std::unique_ptr<Sound> fromMemory;
        std::string reason;
        ASSERT_TRUE(ReadWaveMemory(image.data(), image.size(), fromMemory, reason));
        ASSERT_EQ(r.sound->GetValues(), c.frames);
        for (int k = 0; k < c.channels; ++k) {
            const Wave& a = r.sound->Channel(k);
            const Wave& b = fromMemory->Channel(k);
            EXPECT_EQ(std::memcmp(a.wave, b.wave, static_cast<std::size_t>(c.frames) * 2), 0) << "channel " << k;
        }
    }
}

Bytes chunk(const char* id, const Bytes& payload, uint32_t size) {
    Bytes b;
    add(b, id);
    add32(b, size);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

TEST_F(WavFileTest, ReadsTheVariantsOtherProgramsWrite) {
    WavImage longFormat;  // 18-byte format chunk: the extra bytes are skipped
    longFormat.formatSize = 18;
    longFormat.channels = 1;
    longFormat.dataSize = 4;
    longFormat.samples = {0x01, 0x02, 0xFF, 0xFF};
    ReadResult r = readImage(longFormat.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.sound->MoSt, 1);
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{0x0201, -1}));

    WavImage fact;  // the fact chunk is skipped as 8 bytes, whatever its size says
    fact.channels = 1;
    fact.bits = 8;
    fact.beforeData = chunk("fact", {9, 9, 9, 9}, 100);
    fact.dataSize = 2;
    fact.samples = {0, 255};
    r = readImage(fact.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{-32768, 32512}));

    WavImage empty;  // no samples: an empty sound of the file's format
    empty.freq = 8000;
    empty.bits = 8;
    r = readImage(empty.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.sound->MoSt, 2);
    EXPECT_EQ(r.sound->Freq, 8000);
    EXPECT_EQ(r.sound->BytesPSample, 1);
    EXPECT_EQ(r.sound->GetValues(), 0);
    EXPECT_EQ(r.sound->GetRight().values, 0);

    WavImage nibbles;  // 4 bits are taken as 16-bit samples
    nibbles.channels = 1;
    nibbles.bits = 4;
    nibbles.dataSize = 2;
    nibbles.samples = {0x34, 0x12};
    r = readImage(nibbles.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.sound->BytesPSample, 2);
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{0x1234}));
}

TEST_F(WavFileTest, WideSamplesKeepTheirHigh16Bits) {
    WavImage wide;
    wide.bits = 24;
    wide.dataSize = 12;
    wide.samples = {0x12, 0x34, 0x56, 0xFF, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00};
    ReadResult r = readImage(wide.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.sound->BytesPSample, 2);
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{0x5634, -1}));
    EXPECT_EQ(samplesOf(r.sound->GetRight()), (std::vector<int>{-32768, 1}));

    wide.channels = 1;
    wide.bits = 32;
    wide.dataSize = 8;
    wide.samples = {0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF, 0x00, 0x80};
    r = readImage(wide.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{0x4433, -32768}));
    ASSERT_TRUE(write(path("out.wav"), *r.sound));
    Bytes out = load(path("out.wav"));
    EXPECT_EQ(out[34], 16);
    EXPECT_EQ(Bytes(out.begin() + 44, out.end()), (Bytes{0x33, 0x44, 0x00, 0x80}));
}

TEST_F(WavFileTest, DataBeyondTheEndOfTheFileGivesOnlyTheWholeFramesItHolds) {
    WavImage cut;
    cut.dataSize = 1000;
    cut.samples = {1, 0, 2, 0, 3, 0, 4};
    ReadResult r = readImage(cut.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{1}));
    EXPECT_EQ(samplesOf(r.sound->GetRight()), (std::vector<int>{2}));

    cut.channels = 1;
    cut.bits = 8;
    cut.dataSize = 0xFFFFFFFF;
    cut.samples = {128, 129, 127};
    r = readImage(cut.bytes());
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(samplesOf(r.sound->GetLeft()), (std::vector<int>{0, 256, -256}));
}

TEST_F(WavFileTest, RejectsWhatItCannotReadAndLeavesTheSoundAlone) {
    struct Case {
        const char* what;
        WavImage image;
        const char* reason;
    };
    std::vector<Case> cases;
    auto add_case = [&](const char* what, const char* reason, auto change) {
        WavImage image;
        image.dataSize = 4;
        image.samples = {1, 2, 3, 4};
        change(image);
        cases.push_back({what, image, reason});
    };
    add_case("LIST chunk", "\"data\" not found.", [](WavImage& i) { i.beforeData = chunk("LIST", {1, 2}, 2); });
    add_case("fact then LIST", "\"data\" not found.",
             [](WavImage& i) { i.beforeData = chunk("fact", {0, 0, 0, 0}, 4), i.beforeData.push_back('L'); });
    add_case("float", "A value must be 1.", [](WavImage& i) { i.tag = 3; });
    add_case("3 channels", "MonoStereo must be 1 or 2.", [](WavImage& i) { i.channels = 3; });
    add_case("0 channels", "MonoStereo must be 1 or 2.", [](WavImage& i) { i.channels = 0; });
    add_case("short format", "chunk too small.", [](WavImage& i) { i.formatSize = 14; });
    add_case("negative format", "chunk too small.", [](WavImage& i) { i.formatSize = 0x80000000u; });
    add_case("huge format", "\"data\" not found.", [](WavImage& i) { i.formatSize = 0x7FFFFFFF; });
    add_case("12 bits", "Bits per sample must be 8, 16, 24 or 32.", [](WavImage& i) { i.bits = 12; });
    add_case("0 bits", "Bits per sample must be 8, 16, 24 or 32.", [](WavImage& i) { i.bits = 0; });
    add_case("0 Hz", "Sample frequency must be above 0.", [](WavImage& i) { i.freq = 0; });
    add_case("negative Hz", "Sample frequency must be above 0.", [](WavImage& i) { i.freq = 0x80000000u; });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReadResult r = readImage(c.image.bytes());
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.reason, c.reason);
        EXPECT_EQ(r.sound, nullptr);
    }

    Bytes before = WavImage().bytes();  // a chunk between the form type and the format chunk
    Bytes list = chunk("LIST", {}, 0);
    before.insert(before.begin() + 12, list.begin(), list.end());
    EXPECT_EQ(readImage(before).reason, "\"WAVEfmt \" not found.");
    Bytes rifx = WavImage().bytes();
    rifx[3] = 'X';
    EXPECT_EQ(readImage(rifx).reason, "\"RIFF\" not found.");

    auto kept = mono({5}, 8000, 2);
    Sound* keptSound = kept.get();
    std::string reason;
    EXPECT_FALSE(ReadWaveFile(path("missing.wav"), kept, reason));
    EXPECT_EQ(reason, "Cannot open File.");
    EXPECT_EQ(kept.get(), keptSound);
    EXPECT_FALSE(ReadWaveFile(dir.string(), kept, reason));
    EXPECT_EQ(reason, "Cannot open File.");
    EXPECT_TRUE(boxes.shown.empty());
}

// The fuzzing seeds are the broken and odd files collected so far: the file
// reader and the memory reader give the same sound or the same reason for
// each, also with the file grown past one read block.
TEST_F(WavFileTest, FileAndMemoryReadersAgreeOnEverySeed) {
    const fs::path seeds = fs::path(KORVANE_SOURCE_DIR) / "tests/fuzz/corpus/wav_reader";
    int count = 0;
    for (const auto& e : fs::directory_iterator(seeds)) {
        SCOPED_TRACE(e.path().filename().string());
        Bytes image = load(e.path().string());
        readImage(image);
        image.resize(image.size() + (300 << 10), 0x5A);
        readImage(image);
        ++count;
    }
    EXPECT_GE(count, 15);
    const ReadResult huge = readImage(load((seeds / "huge_fmt_size").string()));
    EXPECT_FALSE(huge.ok);
    EXPECT_EQ(huge.reason, "\"data\" not found.");
}

TEST_F(WavFileTest, TruncatedHeadersFailWithTheReasonOfTheMissingField) {
    WavImage whole;
    whole.dataSize = 8;
    const Bytes image = whole.bytes();
    auto expected = [](std::size_t length) -> std::string {
        if (length < 4) return "\"RIFF\" not found.";
        if (length < 16) return "\"WAVEfmt \" not found.";
        if (length < 20) return "chunk too small.";
        if (length < 22) return "A value must be 1.";
        if (length < 24) return "MonoStereo must be 1 or 2.";
        if (length < 36) return "Bits per sample must be 8, 16, 24 or 32.";
        return "\"data\" not found.";
    };
    for (std::size_t length = 0; length < 44; ++length) {
        SCOPED_TRACE(length);
        std::unique_ptr<Sound> sound;
        std::string reason;
        EXPECT_FALSE(ReadWaveMemory(image.data(), length, sound, reason));
        EXPECT_EQ(reason, expected(length));
        EXPECT_EQ(sound, nullptr);
    }
    // The header is whole, the samples are missing: an empty sound.
    ReadResult r = readImage(image);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.sound->GetValues(), 0);
}

TEST_F(WavFileTest, AllocationFailureShowsTheMemoryMessageOnce) {
    ASSERT_TRUE(write(path("s.wav"), *stereo(ramp(50, 0, 3), ramp(50, 7, 1), 44100, 2)));
    auto kept = mono({5}, 8000, 2);
    Sound* keptSound = kept.get();
    allocation_testing::failNextAllocations(1);
    std::string reason;
    EXPECT_FALSE(ReadWaveFile(path("s.wav"), kept, reason));
    EXPECT_EQ(kept.get(), keptSound);
    EXPECT_EQ(reason, kMemoryMessage);
    EXPECT_EQ(memoryMessages(), 1);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(WavFileTest, ReadFailureReportNamesTheFileAndTheReason) {
    EXPECT_EQ(WaveReadErrorText("a b.wav", "chunk too small."), "Cannot read the file: \"a b.wav\", chunk too small.");
    ShowWaveReadError("x.wav", "\"RIFF\" not found.");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "File Error");
    EXPECT_EQ(boxes.shown[0].text, "Cannot read the file: \"x.wav\", \"RIFF\" not found.");
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Error);
}

TEST_F(WavFileTest, ReplacesAPreviousFileKeepingItsPermissionsAndLinks) {
    ASSERT_TRUE(write(path("real.wav"), *mono(ramp(1000, 0, 1), 44100, 2)));
    ::chmod(path("real.wav").c_str(), 0640);
    fs::create_symlink("real.wav", path("link.wav"));
    auto small = mono({1, 2}, 8000, 1);
    ASSERT_TRUE(write(path("link.wav"), *small));
    EXPECT_TRUE(fs::is_symlink(path("link.wav")));
    EXPECT_EQ(load(path("real.wav")).size(), 46u);
    struct stat st;
    ASSERT_EQ(::stat(path("real.wav").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"link.wav", "real.wav"}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WavFileTest, FailedSaveKeepsThePreviousFileAndSaysSo) {
    auto sound = stereo(ramp(100, 0, 1), ramp(100, 0, 2), 44100, 1);
    EXPECT_FALSE(write(path("no/such/folder.wav"), *sound));
    EXPECT_EQ(fileErrorBoxes(), 1);

    ASSERT_TRUE(write(path("old.wav"), *mono({1, 2, 3}, 44100, 2)));
    const Bytes old = load(path("old.wav"));
    ::chmod(path("old.wav").c_str(), 0444);
    EXPECT_FALSE(write(path("old.wav"), *sound));
    EXPECT_EQ(fileErrorBoxes(), 2);
    EXPECT_EQ(load(path("old.wav")), old);

    fs::create_directory(path("folder.wav"));
    EXPECT_FALSE(write(path("folder.wav"), *sound));
    EXPECT_EQ(fileErrorBoxes(), 3);
    EXPECT_TRUE(fs::is_directory(path("folder.wav")));
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"folder.wav", "old.wav"}));
    EXPECT_EQ(boxes.shown.size(), 3u);

    failed = true;  // a document that has failed already writes nothing
    EXPECT_FALSE(write(path("new.wav"), *sound));
    EXPECT_FALSE(fs::exists(path("new.wav")));
    EXPECT_EQ(boxes.shown.size(), 3u);
}

TEST_F(WavFileTest, ShortWriteKeepsThePreviousFileAndSaysSo) {
    ASSERT_TRUE(write(path("old.wav"), *mono({1, 2, 3}, 44100, 2)));
    const Bytes old = load(path("old.wav"));
    // A file size limit makes the system cut the writes short, as a full disk would.
    auto saveBeyondTheLimit = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 4096;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        bool ok = !write(path("old.wav"), *mono(ramp(5000, 0, 7), 44100, 2)) &&
                  !write(path("old.wav"), *stereo(ramp(200000, 0, 7), ramp(200000, 0, 3), 44100, 1)) &&
                  fileErrorBoxes() == 2 && boxes.shown.size() == 2;
        std::_Exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(saveBeyondTheLimit(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(load(path("old.wav")), old);
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"old.wav"}));
}

// Rewriting a file block by block writes what reading it whole, changing the
// sound and writing it whole writes: in every layout the reader takes, for
// lengths around the rewrite's blocks (a mebibyte of the input each), and
// with the blocks changed on the way.
TEST_F(WavFileTest, RewritingGivesTheBytesOfReadingAndWritingWhole) {
    struct Case {
        int channels, bits;
    };
    const Case layouts[] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}, {2, 24}, {1, 32}, {2, 4}};
    // A change that mixes the channels, and one that changes each sample by
    // itself (which may see a 16-bit file's frames as they are).
    auto mix = [](int16_t* left, int16_t* right, int64_t count) {
        for (int64_t i = 0; i < count; ++i) {
            left[i] = static_cast<int16_t>(~left[i]);
            if (right) right[i] = static_cast<int16_t>(left[i] ^ right[i]);
        }
    };
    auto alone = [](int16_t* left, int16_t* right, int64_t count) {
        for (int16_t* channel : {left, right})
            for (int64_t i = 0; channel && i < count; ++i) channel[i] = static_cast<int16_t>(channel[i] * 3 + 1);
    };
    for (const Case c : layouts) {
        const int frameBytes = c.channels * (c.bits == 4 ? 2 : c.bits / 8);
        const int64_t block = (1 << 20) / frameBytes;
        for (int64_t frames : {int64_t{1}, block - 1, block, 2 * block + 3}) {
            for (int change : {0, 1, 2}) {  // none, mixed, each sample alone
                SCOPED_TRACE(::testing::Message() << c.channels << " channels, " << c.bits << " bits, " << frames
                                                  << " frames, change " << change);
                WavImage image;
                image.channels = c.channels;
                image.bits = c.bits;
                image.freq = 32000;
                // and a part of a frame more, which neither way reads
                image.samples.resize(static_cast<std::size_t>(frames * frameBytes + frameBytes - 1));
                for (std::size_t i = 0; i < image.samples.size(); ++i)
                    image.samples[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
                image.dataSize = static_cast<uint32_t>(image.samples.size());
                save(path("in.wav"), image.bytes());

                ReadResult whole = read(path("in.wav"));
                ASSERT_TRUE(whole.ok) << whole.reason;
                const WaveBlockProcess process = change == 0 ? WaveBlockProcess() : change == 1 ? mix : alone;
                if (process) {
                    Sound& s = *whole.sound;
                    process(s.Channel(0).wave, s.MoSt == 2 ? s.Channel(1).wave : nullptr, s.GetValues());
                }
                ASSERT_TRUE(write(path("whole.wav"), *whole.sound));

                const int fd = ::open(path("in.wav").c_str(), O_RDONLY);
                ASSERT_GE(fd, 0);
                WaveFileLayout layout;
                std::string reason;
                ASSERT_TRUE(ReadWaveLayout(fd, layout, reason)) << reason;
                EXPECT_EQ(layout.frames, frames);
                EXPECT_EQ(RewriteWaveFile(failed, fd, layout, path("blocks.wav"), process, change == 2),
                          RewriteResult::Done);
                ::close(fd);
                ASSERT_EQ(load(path("blocks.wav")), load(path("whole.wav")));
            }
        }
    }
    EXPECT_TRUE(boxes.shown.empty());
}

// The header is read as the whole-file reader reads it, with its reasons.
TEST_F(WavFileTest, TheLayoutIsRefusedForTheReasonsOfTheReader) {
    WavImage wrongTag;
    wrongTag.tag = 3;
    for (auto& [image, reason] : std::vector<std::pair<Bytes, std::string>>{
             {wrongTag.bytes(), "A value must be 1."}, {Bytes{'R', 'I', 'F'}, "\"RIFF\" not found."}}) {
        save(path("in.wav"), image);
        const int fd = ::open(path("in.wav").c_str(), O_RDONLY);
        WaveFileLayout layout;
        std::string got;
        EXPECT_FALSE(ReadWaveLayout(fd, layout, got));
        EXPECT_EQ(got, reason);
        EXPECT_EQ(got, read(path("in.wav")).reason);
        ::close(fd);
    }
}

// A file that is not all there when its samples are read (it was cut short
// meanwhile) writes nothing and says nothing: the caller reads it the usual
// way, which tells what is wrong. A target that cannot be written is refused
// as WriteWaveFile refuses it.
TEST_F(WavFileTest, ARewriteThatCannotFinishLeavesTheTargetAsItWas) {
    WavImage image;
    image.samples.assign(3 << 20, 7);
    image.dataSize = static_cast<uint32_t>(image.samples.size());
    save(path("in.wav"), image.bytes());
    ASSERT_TRUE(write(path("old.wav"), *mono({1, 2, 3}, 44100, 2)));
    const Bytes old = load(path("old.wav"));

    const int fd = ::open(path("in.wav").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    WaveFileLayout layout;
    std::string reason;
    ASSERT_TRUE(ReadWaveLayout(fd, layout, reason));
    ASSERT_EQ(::ftruncate(fd, 2 << 20), 0);
    EXPECT_EQ(RewriteWaveFile(failed, fd, layout, path("old.wav"), {}), RewriteResult::NotRead);
    EXPECT_EQ(load(path("old.wav")), old);
    EXPECT_TRUE(boxes.shown.empty());

    EXPECT_EQ(RewriteWaveFile(failed, fd, layout, path("no/such/folder.wav"), {}), RewriteResult::Failed);
    EXPECT_EQ(fileErrorBoxes(), 1);
    failed = true;  // a failure flag set on entry writes nothing, without a box
    EXPECT_EQ(RewriteWaveFile(failed, fd, layout, path("new.wav"), {}), RewriteResult::Failed);
    EXPECT_EQ(boxes.shown.size(), 1u);
    ::close(fd);
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"in.wav", "old.wav"}));
}

}  // namespace
