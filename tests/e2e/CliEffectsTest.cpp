#include "CliHarness.h"

using namespace korvane::e2e;

namespace {

using Samples = std::vector<int16_t>;

class CliEffects : public CliTest {
protected:
    // Runs `apply in.wav out.wav ARGS...` and gives the output samples.
    Samples applied(const std::vector<std::string>& args) {
        std::vector<std::string> all = {"apply", path("in.wav"), path("out.wav")};
        all.insert(all.end(), args.begin(), args.end());
        auto r = cli(all);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return readSamples("out.wav");
    }
    CliResult refused(const std::vector<std::string>& args) {
        std::filesystem::remove(path("out.wav"));
        std::vector<std::string> all = {"apply", path("in.wav"), path("out.wav")};
        all.insert(all.end(), args.begin(), args.end());
        auto r = cli(all);
        EXPECT_EQ(r.status, 2);
        EXPECT_FALSE(exists("out.wav"));
        return r;
    }
};

TEST_F(CliEffects, VolumeWrapsAndWorksOnTheSelectionOnly) {
    writeWav("in.wav", 1, 8000, {20000, 20000, 20000, -3});
    EXPECT_EQ(applied({"--select", "1:3", "volume", "--constant", "200 %"}), (Samples{20000, -25536, -25536, -3}));
    EXPECT_EQ(applied({"volume", "--constant", "-6 dB"}), (Samples{10023, 10023, 10023, -1}));
    // Stereo: both channels, interleaved in the file.
    writeWav("in.wav", 2, 8000, {1000, -1000, 3, 5});
    EXPECT_EQ(applied({"volume"}), (Samples{500, -500, 1, 2}));
}

TEST_F(CliEffects, TheEnvelopeChoiceCarriesOverToTheNextVolumeStep) {
    writeWav("in.wav", 1, 8000, {1000, 1000, 1000});
    writeWav("env.wav", 1, 8000, {32767, 0, -32767});
    EXPECT_EQ(applied({"--wave", "env=" + path("env.wav"), "volume", "--envelope", "env", "--", "volume"}),
              (Samples{1000, 0, 1000}));
    // Typing a constant selects the constant again.
    EXPECT_EQ(applied({"--wave", "env=" + path("env.wav"), "volume", "--envelope", "env", "--", "volume", "--constant",
                       "50 %"}),
              (Samples{500, 0, -500}));
}

TEST_F(CliEffects, ValueStepsAndTheirSamples) {
    writeWav("in.wav", 1, 8000, {16384, -8192, 30000, 0});
    EXPECT_EQ(applied({"--select", "0:2", "max-volume"}), (Samples{32767, -16383, 30000, 0}));
    EXPECT_EQ(applied({"--select", "1:4", "reverse"}), (Samples{16384, 0, 30000, -8192}));
    EXPECT_EQ(applied({"--select", "2:3", "up"}), (Samples{16384, -8192, -19153, 0}));
    EXPECT_EQ(applied({"up", "--add-value", "-1"}), (Samples{-16383, 24577, -2767, -32767}));
}

TEST_F(CliEffects, BlockAxesWithoutOptionsAreLeftAlone) {
    writeWav("in.wav", 1, 8000, {1, 2, 4, -20000, 100, 20000});
    EXPECT_EQ(applied({"block"}), (Samples{1, 2, 4, -20000, 100, 20000}));
    EXPECT_EQ(applied({"block", "--horizontal-count", "1"}), Samples(6, 17));
    EXPECT_EQ(applied({"block", "--height", "16384 $"}), (Samples{32767, 32767, 32767, -32768, 32767, 32767}));
    EXPECT_EQ(applied({"block", "--time", "0.25 ms", "--vertical-count", "1"}), Samples(6, 0));
}

TEST_F(CliEffects, RotateChoicesCarryOverAndTheTimeIsChecked) {
    writeWav("in.wav", 1, 8000, {0, 1, 2, 3, 4, 5, 6, 7});
    // 8 samples: one millisecond.
    EXPECT_EQ(applied({"rotate", "--factor", "25 %", "--time", "0.5 ms"}), (Samples{4, 5, 6, 7, 0, 1, 2, 3}));
    EXPECT_EQ(applied({"rotate", "--direction", "right", "--time", "0.25 ms", "--", "rotate"}),
              (Samples{4, 5, 6, 7, 0, 1, 2, 3}));
    EXPECT_EQ(applied({"rotate", "--time", "0.25 ms", "--", "rotate", "--factor", "0.25"}),
              (Samples{4, 5, 6, 7, 0, 1, 2, 3}));
    // The default time of 0.1 s is longer than the sound, whichever is chosen.
    auto r = refused({"rotate", "--factor", "0.25"});
    EXPECT_EQ(r.err, "In Time: Time may not be longer than the time of the sound.\n");
    r = refused({"--print-settings", "rotate", "--time", "-2 ms"});
    EXPECT_EQ(r.err, "In Time: Time may not be longer than the time of the sound.\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(CliEffects, BalanceTurnsAMonoFileIntoStereo) {
    writeWav("in.wav", 1, 8000, {1000, -999, 3});
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "balance", "--time-difference", "off"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(static_cast<uint8_t>(bytes("out.wav")[22]), 2);
    EXPECT_EQ(readSamples("out.wav"), (Samples{500, 500, -499, -499, 1, 1}));
    // Fully right with the time difference: the left is silent, the right is
    // the wave and trunc(8000 * 2 / 3400 + 1) = 5 zero samples.
    Samples s = applied({"balance", "--direction-constant", "100 %"});
    EXPECT_EQ(s, (Samples{0, 1000, 0, -999, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    writeWav("in.wav", 2, 8000, {1, 2});
    r = refused({"balance"});
    EXPECT_EQ(r.err, "balance is not available: the wave is not mono\n");
    writeWav("in.wav", 1, 8000, {1, 2});
    r = refused({"balance", "--volume-difference", "loud"});
    EXPECT_NE(r.err.find("none|volume|filter"), std::string::npos);
}

TEST_F(CliEffects, MixExamplesAndExplicitFactors) {
    writeWav("in.wav", 2, 8000, {1000, 10, 2000, 20, 3000, 30});
    EXPECT_EQ(applied({"--select", "1:2", "mix-left-right", "--example", "Swapped"}),
              (Samples{1000, 10, 20, 2000, 3000, 30}));
    // An explicit factor overrides the example's, given before or after it.
    EXPECT_EQ(applied({"mix-left-right", "--from-left-to-left", "50 %", "--example", "Swapped"}),
              (Samples{510, 1000, 1020, 2000, 1530, 3000}));
    auto r = refused({"mix-left-right", "--example", "Wide"});
    EXPECT_NE(r.err.find("Mono at Left, Surround at Right"), std::string::npos);
    writeWav("in.wav", 1, 8000, {1, 2});
    r = refused({"mix-left-right"});
    EXPECT_EQ(r.err, "mix-left-right is not available: the wave is not stereo\n");
}

TEST_F(CliEffects, FilterSettingsAndRefusals) {
    writeWav("in.wav", 1, 8000, {100, 200, 300, 400});
    writeWav("env.wav", 1, 8000, {0, 100});
    auto r = cli({"apply",
                  path("in.wav"),
                  path("out.wav"),
                  "--wave",
                  "env=" + path("env.wav"),
                  "--print-settings",
                  "filter-low",
                  "--frequency",
                  "500 Hz",
                  "--count",
                  "2",
                  "--",
                  "filter-high",
                  "--frequency-envelope",
                  "env",
                  "--volume-factor",
                  "-3 dB",
                  "--maximize-volume",
                  "--",
                  "filter-res",
                  "--",
                  "filter-notch",
                  "--frequency-width-envelope",
                  "env",
                  "--",
                  "filter-block",
                  "--envelope",
                  "env"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Frequency: 500 Hz\nFrequency Envelope: \nVolume Factor: 50 %\nCount: 2\n"
              "Frequency: 1 kHz\nFrequency Envelope: env\nVolume Factor: -3 dB\nCount: 1\n"
              "Frequency Constant: 1 kHz\nFrequency Envelope: \nWidth Constant: 0.25\nFrequency Width Envelope: \n"
              "Frequency Constant: 1 kHz\nFrequency Envelope: \nWidth Constant: 0.25\n"
              "Frequency Width Envelope: env\n"
              "Block Time: 10 ms\nEnvelope: env\n");

    r = refused({"filter-res", "--frequency-constant", "8001 Hz"});
    EXPECT_EQ(r.err, "In Frequency Constant: Frequency may not be higher than the sample Frequency.\n");
    // The frequency of the sample rate itself is one sample per period.
    EXPECT_EQ(cli({"apply", path("in.wav"), path("out.wav"), "filter-notch", "--frequency-constant", "8 kHz"}).status,
              0);
    r = refused({"filter-low", "--volume-factor", "100 %"});
    EXPECT_EQ(r.err, "In Volume Factor: Value must be less than 1.\n");
    r = refused({"filter-high", "--count", "0"});
    EXPECT_EQ(r.err, "In Count: Value must be positive and more than 0.\n");
    r = refused({"filter-low", "--frequency-envelope", "nothing"});
    EXPECT_EQ(r.err, "In Frequency Envelope: You have to select a Wave\n");
    r = refused({"distort"});
    EXPECT_EQ(r.err, "In Distort Envelope: You have to select a Wave\n");
    // The first wrong field in the dialog's order is the one reported.
    r = refused({"filter-res", "--width-constant", "2", "--frequency-constant", "1 x"});
    EXPECT_EQ(r.err, "In Frequency Constant: This unit does not exist, use: 's', 'ms', 'Hz', 'kHz'.\n");
}

TEST_F(CliEffects, TheBlockFilterGrowsTheFileAndTheEnvelopeSwitchIsPerStep) {
    writeWav("in.wav", 1, 1000, {7, 100, 200, 300, 9});
    writeWav("env.wav", 1, 1000, {0});
    EXPECT_EQ(applied({"--select", "1:4", "filter-block", "--block-time", "1 ms"}),
              (Samples{7, 0, 50, 100, 150, 0, 9}));
    // The envelope variant grows by 2 * trunc(x + 1); a second step without
    // --envelope is the constant filter again.
    EXPECT_EQ(applied({"--wave", "e=" + path("env.wav"), "--select", "1:4", "filter-block", "--block-time", "1 ms",
                       "--envelope", "e"}),
              (Samples{7, 0, 0, 50, 100, 150, 0, 0, 9}));
    EXPECT_EQ(applied({"--wave", "e=" + path("env.wav"), "--select", "1:4", "filter-block", "--block-time", "1 ms",
                       "--envelope", "e", "--", "filter-block"})
                  .size(),
              9u + 2u);
}

TEST_F(CliEffects, DistortAndResonantOnStereoUseTheEnvelopesChannels) {
    writeWav("in.wav", 2, 8000, {-32768, 0, 32767, 5});
    writeWav("f.wav", 2, 8000, {100, -100, 200, -200, 300, -300});
    EXPECT_EQ(applied({"--wave", "f=" + path("f.wav"), "distort", "--distort-envelope", "f"}),
              (Samples{100, -200, 299, -200}));
    writeWav("in.wav", 1, 8000, {5, 1000, -2000, 30000, 5});
    EXPECT_EQ(applied({"--select", "1:4", "filter-res", "--width-constant", "1"}), (Samples{5, 1000, -2000, 30000, 5}));
    EXPECT_EQ(applied({"--select", "1:4", "filter-notch", "--width-constant", "1"}), (Samples{5, 0, 0, 0, 5}));
}

}  // namespace

namespace {

TEST_F(CliEffects, MultiFrequencyRefusesAnEmptyWaveForm) {
    writeWav("in.wav", 1, 8000, {1, 2, 3});
    writeWav("empty.wav", 1, 8000, {});
    auto r = refused({"--wave", "form=" + path("empty.wav"), "make-mfreq", "--form", "form"});
    EXPECT_EQ(r.err, "In Wave Form: The wave is empty.\n");
}

// Volume and the low and high filters on a whole WAV go through the file
// block by block, read, changed and written at once. Every such call must
// give what the document gives, which it still does for a selection (here of
// the whole sound): the same bytes, settings lines, messages and status,
// also where only some of the steps could go block by block, or none.
TEST_F(CliEffects, CallsThatGoThroughTheFileGiveWhatTheDocumentGives) {
    std::vector<int16_t> noise;
    uint32_t seed = 12345;
    for (int i = 0; i < 2 * 3 * 8000 * 11; ++i) {  // 3 s of 16-bit stereo at 8 kHz, eleven times over
        seed = seed * 1664525u + 1013904223u;
        noise.push_back(static_cast<int16_t>(seed >> 16));
    }
    writeWav("in.wav", 2, 8000, noise);
    writeWav("mono.wav", 1, 8000, std::vector<int16_t>(noise.begin(), noise.begin() + 300001));
    writeWav("env.wav", 1, 8000, {0, 32767, 100});
    const std::vector<std::vector<std::string>> calls = {
        {},
        {"volume"},
        {"--print-settings", "volume", "--constant", "-6 dB", "--", "filter-low", "--count", "2"},
        {"filter-high", "--frequency", "2 ms", "--volume-factor", "0,3", "--", "volume", "--constant", "170 %", "--",
         "filter-high", "--", "volume"},  // the later steps start from the earlier steps' values
        {"filter-low", "--frequency", "1 s"},
        {"up", "--add-value", "-90 %", "--", "filter-res", "--", "filter-notch", "--frequency-constant", "300 Hz",
         "--width-constant", "0,9"},
        // Not through the file: the document runs them all.
        {"filter-low", "--maximize-volume"},
        {"--wave", "env=" + path("env.wav"), "filter-high", "--frequency-envelope", "env"},
        {"--wave", "env=" + path("env.wav"), "volume", "--envelope", "env"},
        {"volume", "--", "reverse"},
        {"--wave", "env=" + path("env.wav"), "filter-notch", "--frequency-width-envelope", "env"},
        {"filter-res", "--frequency-constant", "20 kHz"},  // a period shorter than a sample at 8 kHz
        // Refused, and nothing written.
        {"--print-settings", "volume", "--", "filter-low", "--count", "0"},
        {"volume", "--constant", "loud"},
        {"filter-low", "--no-such-option"},
    };
    for (const char* in : {"in.wav", "mono.wav"}) {
        for (const auto& call : calls) {
            std::string shown;
            for (const auto& w : call) shown += " " + w;
            SCOPED_TRACE(in + shown);
            std::filesystem::remove(path("a.wav"));
            std::filesystem::remove(path("b.wav"));
            std::vector<std::string> through = {"apply", path(in), path("a.wav")};
            std::vector<std::string> document = {"apply", path(in), path("b.wav"), "--select", "0:0"};
            through.insert(through.end(), call.begin(), call.end());
            document.insert(document.end(), call.begin(), call.end());
            const CliResult a = cli(through), b = cli(document);
            EXPECT_EQ(a.status, b.status);
            EXPECT_EQ(a.out, b.out);
            EXPECT_EQ(a.err, b.err);
            EXPECT_EQ(exists("a.wav"), exists("b.wav"));
            if (exists("a.wav")) {
                EXPECT_TRUE(bytes("a.wav") == bytes("b.wav"));
            }
        }
    }
    // A file rewritten onto itself.
    ASSERT_EQ(cli({"apply", path("in.wav"), path("b.wav"), "--select", "0:0", "filter-low"}).status, 0);
    ASSERT_EQ(cli({"apply", path("in.wav"), path("in.wav"), "filter-low"}).status, 0);
    EXPECT_TRUE(bytes("in.wav") == bytes("b.wav"));
}

}  // namespace
