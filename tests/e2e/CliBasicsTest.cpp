#include "CliHarness.h"

#include <sys/stat.h>

using namespace korvane::e2e;

namespace {

class CliBasics : public CliTest {};
}  // namespace
namespace {

TEST_F(CliBasics, VersionAndUsage) {
    auto r = cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "korvane-cli 7.1\n");
    r = cli({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);
    r = cli({"help", "make-sinus"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--start-angle"), std::string::npos);
    EXPECT_NE(r.out.find("(440 Hz)"), std::string::npos);
}

TEST_F(CliBasics, InfoPrintsTheStatusTextsAndGoesOnAfterABadFile) {
    writeWav("a.wav", 2, 44100, std::vector<int16_t>(2 * 44100 * 3 / 2, 0));
    std::ofstream(path("bad.wav")) << "RIFX";
    auto r = cli({"info", path("a.wav"), path("bad.wav"), path("a.wav")});
    EXPECT_EQ(r.status, 1);
    std::string block = "file: " + path("a.wav") +
                        "\nsamples: 66150\nduration: 1.50000 s\nfrequency: 44.100 kHz\nbits: 16\nchannels: ST\n"
                        "size: 258 kb\n";
    EXPECT_EQ(r.out, block + block);
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("bad.wav") + "\", \"RIFF\" not found.\n");
}

TEST_F(CliBasics, ApplyWithoutStepsRewritesTheSameBytes) {
    std::vector<int16_t> s;
    for (int i = 0; i < 2000; ++i) s.push_back(static_cast<int16_t>(i * 37 - 30000));
    writeWav("in.wav", 2, 22050, s);
    auto r = cli({"apply", path("in.wav"), path("out.wav")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("out.wav"), bytes("in.wav"));
}

TEST_F(CliBasics, NewMakesAnEmptyWaveOfTheAskedFormat) {
    auto r = cli({"new", path("n.wav"), "--channels", "1", "--bits", "8", "--frequency", "8000"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string b = bytes("n.wav");
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(static_cast<uint8_t>(b[22]), 1);   // channels
    EXPECT_EQ(static_cast<uint8_t>(b[34]), 8);   // bits
    EXPECT_EQ(static_cast<uint8_t>(b[24]) | (static_cast<uint8_t>(b[25]) << 8), 8000);
    r = cli({"new", path("x.wav"), "--frequency", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Frequency: Value must be positive and more than 0.\n");
    r = cli({"new", path("x.wav"), "--frequency", "1000001"});
    EXPECT_EQ(r.err, "In Frequency: Value must be less or equal of 1000000.\n");
    EXPECT_FALSE(exists("x.wav"));
}

TEST_F(CliBasics, AFailedCallLeavesTheOldOutputFileAlone) {
    writeWav("in.wav", 1, 44100, {1, 2, 3});
    std::ofstream(path("out.wav")) << "precious";
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "make-line", "--exponential"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Exponential Line may not contain value 0.\n");
    EXPECT_EQ(bytes("out.wav"), "precious");
    r = cli({"apply", path("missing.wav"), path("out.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("missing.wav") + "\", Cannot open File.\n");
    EXPECT_EQ(bytes("out.wav"), "precious");
}

TEST_F(CliBasics, EditStepsWorkOnTheSelectionAndKeepTheClipboardAcrossSteps) {
    writeWav("in.wav", 1, 1000, {10, 20, 30, 40, 50});
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "1:3", "edit-cut", "--", "edit-paste"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (std::vector<int16_t>{10, 20, 30, 40, 50}));
    // Times are converted as time * frequency + 0.5: 2.5 ms at 1000 Hz is sample 3.
    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "2.5 ms:1", "edit-trim"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (std::vector<int16_t>{20, 30}));
    r = cli({"apply", path("in.wav"), path("out.wav"), "edit-trim"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("edit-trim is not available: ", 0), 0u) << r.err;
    r = cli({"apply", path("in.wav"), path("out.wav"), "edit-paste"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("edit-paste is not available: ", 0), 0u) << r.err;
}

TEST_F(CliBasics, GeneratorsInsertAtTheCursorAndSelectTheirMaterial) {
    writeWav("in.wav", 1, 1000, {7, 7});
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "1:1", "make-line", "--first", "0 $",
                  "--last", "1000 $", "--length", "10 ms", "--", "make-silence", "--length", "0 s"});
    EXPECT_EQ(r.status, 0) << r.err;
    // The silence replaces the line that the first step selected.
    EXPECT_EQ(readSamples("out.wav"), (std::vector<int16_t>{7, 0, 7}));
    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "1:1", "make-line", "--first", "0 $",
             "--last", "1000 $", "--length", "10 ms"});
    EXPECT_EQ(readSamples("out.wav"),
              (std::vector<int16_t>{7, 0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000, 7}));
}

TEST_F(CliBasics, PrintSettingsShowsEveryFieldAsTheDialogWould) {
    auto r = cli({"new", path("n.wav"), "--print-settings", "make-block", "--middle", "25 %", "--", "make-block"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string block = "Height 1: 50 %\nHeight 2: -50 %\nPeriod: 440 Hz\nMiddle: 25 %\nMiddle Envelope: \n"
                        "Length: 1 s\nStart: 0\n";
    // The second step starts from the record the first one left.
    EXPECT_EQ(r.out, block + block);
}

TEST_F(CliBasics, WaveOptionsRegisterNamesOnce) {
    writeWav("e.wav", 1, 1000, {0, 32767});
    auto r = cli({"new", path("n.wav"), "--wave", "env=" + path("e.wav"), "--wave", "env=" + path("e.wav")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "A wave with name \"env\" already exists.\n");
    r = cli({"new", path("n.wav"), "--wave", "env=" + path("nothere.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("nothere.wav") + "\", Cannot open File.\n");
}

}  // namespace

namespace {

TEST_F(CliBasics, PropertiesConvertsTheFormat) {
    writeWav("in.wav", 2, 22050, {100, 300, 300, 500, 500, 700});
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "properties", "--channels", "1", "--frequency", "44100"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (std::vector<int16_t>{200, 300, 400, 500, 600, 600}));
    r = cli({"apply", path("in.wav"), path("out.wav"), "properties", "--frequency", "-5"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Frequency: Value must be positive and more than 0.\n");
    r = cli({"apply", path("in.wav"), path("out.wav"), "properties", "--bits", "12"});
    EXPECT_EQ(r.status, 2);
}

}  // namespace
