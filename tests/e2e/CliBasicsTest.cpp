#include <sys/stat.h>

#include <cmath>

#include "CliHarness.h"

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

// Lines of `text` that start with `prefix`, the prefix cut off.
std::vector<std::string> linesAfter(const std::string& text, const std::string& prefix) {
    std::vector<std::string> found;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
    return found;
}

TEST_F(CliBasics, HelpKnowsEveryCallAndTheDefaultsItShowsHold) {
    auto list = cli({"help"});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(cli({"--help"}).out, list.out);
    EXPECT_EQ(cli({"-h"}).out, list.out);
    std::vector<std::string> calls;
    for (const auto& synopsis : linesAfter(list.out, "korvane-cli "))
        calls.push_back(synopsis.substr(0, synopsis.find(' ')));
    EXPECT_EQ(calls, (std::vector<std::string>{"--version", "help", "info", "apply", "new", "render", "check",
                                               "convert", "export", "import", "picture", "picture", "score"}));
    // Each call's own help holds the lines the list shows for it, the first
    // one first.
    auto synopses = linesAfter(list.out, "korvane-cli ");
    for (size_t i = 0; i < calls.size(); ++i) {
        auto r = cli({"help", calls[i]});
        EXPECT_EQ(r.status, 0) << calls[i];
        EXPECT_NE(r.out.find("korvane-cli " + synopses[i] + "\n"), std::string::npos) << synopses[i];
        if (i == 0 || calls[i] != calls[i - 1]) {
            EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "korvane-cli " + synopses[i]);
        }
    }
    EXPECT_EQ(cli({"-h", "picture"}).out, cli({"help", "picture"}).out);
    auto unknown = cli({"help", "frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "usage: unknown command frobnicate\n");

    // Every view option help lists, given at the default it shows, paints
    // the picture the call paints without it.
    std::vector<int16_t> tone(2 * 8000);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int16_t>(9000 * std::sin(i * 0.21) * (i % 2 ? 1 : -0.5));
    writeWav("tone.wav", 2, 44100, tone);
    std::string help = cli({"help", "picture"}).out;
    for (std::string view : {"wave", "volume"}) {
        size_t at = help.find("--view " + view + " ");
        if (at == std::string::npos) at = help.find("--view " + view + ":");
        ASSERT_NE(at, std::string::npos) << view;
        std::string section = help.substr(help.find('\n', at) + 1);
        section = section.substr(0, section.find("\n--view"));
        std::vector<std::string> args{"picture",  path("tone.wav"), path(view + "-all.png"), "--view", view,
                                      "--select", "1000:5000"};
        for (const auto& line : linesAfter(section, "  --")) {
            size_t open = line.rfind("  ("), close = line.rfind(')');
            ASSERT_NE(open, std::string::npos) << line;
            args.push_back("--" + line.substr(0, line.find(' ')));
            args.push_back(line.substr(open + 3, close - open - 3));
        }
        EXPECT_GE(args.size(), 7u + 2 * 12) << view;
        auto all = cli(args);
        ASSERT_EQ(all.status, 0) << all.err;
        auto plain = cli({"picture", path("tone.wav"), path(view + ".png"), "--view", view, "--select", "1000:5000"});
        ASSERT_EQ(plain.status, 0) << plain.err;
        EXPECT_EQ(bytes(view + "-all.png"), bytes(view + ".png")) << view;
    }
    // So do those of new that have a one-word default.
    std::vector<std::string> args{"new", path("defaults.wav")};
    for (const auto& line : linesAfter(cli({"help", "new"}).out, "  --")) {
        size_t open = line.rfind("  (");
        std::string shown = line.substr(open + 3, line.size() - open - 4);
        if (open == std::string::npos || shown.find(' ') != std::string::npos) continue;
        args.push_back("--" + line.substr(0, line.find(' ')));
        args.push_back(shown);
    }
    EXPECT_EQ(args.size(), 2u + 2 * 3);
    ASSERT_EQ(cli(args).status, 0);
    ASSERT_EQ(cli({"new", path("plain.wav")}).status, 0);
    EXPECT_EQ(bytes("defaults.wav"), bytes("plain.wav"));
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

// korvane-cli starts without the libraries most calls never use: libsndfile
// comes in for other sound formats, libzip for .mxl files and Qt for score
// pictures, each only in the call that needs it.
TEST_F(CliBasics, LibrariesAreLoadedOnlyByTheCallsThatNeedThem) {
    writeWav("in.wav", 1, 8000, std::vector<int16_t>(800, 1000));
    const std::string demo = std::string(KORVANE_SOURCE_DIR) + "/examples/music-demo.korvanem";
    // The dynamic loader names every library it starts.
    auto loads = [&](const std::vector<std::string>& args, const std::string& library) {
        ::setenv("LD_DEBUG", "libs", 1);
        CliResult r = cli(args);
        ::unsetenv("LD_DEBUG");
        EXPECT_EQ(r.status, 0) << r.err;
        return r.err.find("calling init: ") != std::string::npos &&
               r.err.find("/" + library) != std::string::npos;
    };
    const std::vector<std::string> wavOnly = {"apply", path("in.wav"), path("out.wav"), "volume"};
    ASSERT_TRUE(loads(wavOnly, "libc.so"));  // the loader does speak
    for (const char* library : {"libsndfile.so", "libzip.so", "libQt6Gui.so"})
        EXPECT_FALSE(loads(wavOnly, library)) << library;
    EXPECT_TRUE(loads({"apply", path("in.wav"), path("out.flac")}, "libsndfile.so"));
    EXPECT_FALSE(loads({"apply", path("in.wav"), path("out.flac")}, "libzip.so"));
    EXPECT_TRUE(loads({"export", demo, path("out.mxl")}, "libzip.so"));
    EXPECT_FALSE(loads({"export", demo, path("out.musicxml")}, "libzip.so"));
#ifdef KORVANE_CLI_HAS_QT
    EXPECT_TRUE(loads({"picture", demo, path("score.png"), "--view", "score"}, "libQt6Gui.so"));
#endif
}

}  // namespace
