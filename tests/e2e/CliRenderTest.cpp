#include "CliHarness.h"

using namespace korvane::e2e;

namespace {

class CliRender : public CliTest {
protected:
    // A music file of one stave and one note group whose simple sampler
    // plays "sample" at 440 Hz (or the given player); `notes` go into the
    // group, `staveFlags` and `silences` into the stave.
    void writeMusic(const std::string& name, const std::string& notes, const std::string& staveFlags = "",
                    const std::string& silences = "", const std::string& player = "SimpleOneSampler") const {
        std::ofstream(path(name)) << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                     "<!DOCTYPE UnitMuz SYSTEM \"UnitMuz.dtd\">\n"
                                     "<UnitMuz><Version>7.1</Version><Tempo>1 s</Tempo>"
                                     "<SingleMuzPart><Bar><Count>4</Count><Length>4</Length></Bar><PartNode />"
                                     "</SingleMuzPart>"
                                     "<Stave><RoomUp>80</RoomUp><RoomDown>80</RoomDown>"
                                  << staveFlags
                                  << "<ForegroundColor>000000</ForegroundColor>"
                                     "<BackgroundColor>FFFFFF</BackgroundColor>"
                                     "<KeyPart><Key><Position>0</Position><KeyKind>G</KeyKind></Key>"
                                  << silences
                                  << "</KeyPart>"
                                     "<NoteGroup><NoteColor>000000</NoteColor><NoteShapeNormal /><CompoundPlayer>"
                                  << "<" << player
                                  << "><BasicFreq>440 Hz</BasicFreq><SampleWave>sample</SampleWave>"
                                     "<VolumeFactor>0.5</VolumeFactor></"
                                  << player << "></CompoundPlayer>"
                                     "<NotePart>"
                                  << notes << "</NotePart></NoteGroup></Stave></UnitMuz>\n";
    }
    static std::string note(const std::string& position) {
        return "<Note><Position>" + position + "</Position><Length>4</Length><Height>5</Height></Note>";
    }
    std::vector<int16_t> samples4() const { return {1000, 2000, 3000, 4000}; }
};

TEST_F(CliRender, RendersTheNotesWithTheirSampleAtTheirTimes) {
    writeWav("s.wav", 1, 1024, samples4());
    writeMusic("m.xml", note("0") + note("0.25"));
    auto r = cli({"render", path("m.xml"), path("out.wav"), "--wave", "sample=" + path("s.wav"), "--frequency",
                  "1024"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<int16_t> expected(256 + 5, 0);
    for (int k = 0; k < 4; ++k) expected[k] = expected[256 + k] = static_cast<int16_t>(500 * (k + 1));
    EXPECT_EQ(readSamples("out.wav"), expected);

    // Defaults: mono, 22050 Hz, 16 bits; the sample is converted.
    r = cli({"render", path("m.xml"), path("default.wav"), "--wave", "sample=" + path("s.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli({"info", path("default.wav")});
    EXPECT_NE(r.out.find("frequency: 22.050 kHz\nbits: 16\nchannels: MO\n"), std::string::npos) << r.out;
    r = cli({"render", path("m.xml"), path("st8.wav"), "--channels", "2", "--bits", "8", "--wave",
             "sample=" + path("s.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli({"info", path("st8.wav")});
    EXPECT_NE(r.out.find("bits: 8\nchannels: ST\n"), std::string::npos) << r.out;
}

TEST_F(CliRender, RollOutSamplerUsesTheSelectionOfItsWave) {
    // The selection [1, 3) is the middle piece: 2 samples, repeated
    // trunc(0.25 s / 2 samples + 0.5) = 128 times; the attack sample comes
    // before the music's start.
    writeWav("s.wav", 1, 1024, samples4());
    writeMusic("m.xml", note("0"), "", "", "RollOutSampler");
    auto r = cli({"render", path("m.xml"), path("out.wav"), "--frequency", "1024", "--wave",
                  "sample=" + path("s.wav") + "@1:3"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int16_t> expected{500};
    for (int k = 0; k < 128; ++k) {
        expected.push_back(1000);
        expected.push_back(1250);
    }
    expected.push_back(2000);
    expected.push_back(0);
    EXPECT_EQ(readSamples("out.wav"), expected);
}

TEST_F(CliRender, MutedStavePlaysOnlyWhenChosen) {
    writeWav("s.wav", 1, 1024, samples4());
    writeMusic("m.xml", note("0"), "<Mute />");
    std::vector<std::string> common{"--frequency", "1024", "--wave", "sample=" + path("s.wav")};
    auto run = [&](const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args{"render", path("m.xml"), path(out)};
        args.insert(args.end(), common.begin(), common.end());
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args);
    };
    auto r = run("all.wav", {});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("all.wav").size(), 44u);  // a valid file without samples
    EXPECT_EQ(readSamples("all.wav"), std::vector<int16_t>{});
    r = run("stave.wav", {"--stave", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("stave.wav"), (std::vector<int16_t>{500, 1000, 1500, 2000, 0}));
    r = run("group.wav", {"--group", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("group.wav"), readSamples("stave.wav"));
    r = run("none.wav", {"--stave", "2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(exists("none.wav"));
    r = run("none.wav", {"--group", "0"});
    EXPECT_EQ(r.status, 2);
}

TEST_F(CliRender, SilencesOnlyWriteAnEmptyWave) {
    writeMusic("m.xml", "", "", "<Silence><Position>0</Position><Length>1</Length></Silence>");
    auto r = cli({"render", path("m.xml"), path("out.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli({"info", path("out.wav")});
    EXPECT_NE(r.out.find("samples: 0\n"), std::string::npos) << r.out;
}

TEST_F(CliRender, RefusalsWriteNothing) {
    writeWav("s.wav", 1, 1024, samples4());
    writeMusic("m.xml", note("0"));
    std::ofstream(path("out.wav")) << "old";

    auto r = cli({"render", path("m.xml"), path("out.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot create music: Cannot find window \"sample\".\n");

    r = cli({"render", path("m.xml"), path("out.wav"), "--wave", "sample=" + path("s.wav"), "--wave",
             "sample=" + path("s.wav")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "A wave with name \"sample\" already exists.\n");

    r = cli({"render", path("m.xml"), path("out.wav"), "--frequency", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Frequency: Value must be positive and more than 0.\n");
    r = cli({"render", path("m.xml"), path("out.wav"), "--frequency", "1000001"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Frequency: Value must be less or equal of 1000000.\n");

    r = cli({"render", path("m.xml"), path("out.wav"), "--channels", "3"});
    EXPECT_EQ(r.status, 2);
    r = cli({"render", path("m.xml"), path("out.wav"), "--loud"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "usage: unknown option --loud\n");
    r = cli({"render", path("m.xml")});
    EXPECT_EQ(r.status, 2);

    std::ofstream(path("bad.xml")) << "<UnitMuz>";
    r = cli({"render", path("bad.xml"), path("out.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Cannot read the file: \"" + path("bad.xml") + "\", ", 0), 0u) << r.err;

    r = cli({"render", path("m.xml"), path("out.wav"), "--wave", "sample=" + path("missing.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(bytes("out.wav"), "old");
}

TEST_F(CliRender, DemoMusicRendersWithTheExampleSample) {
    const std::string examples = std::string(KORVANE_SOURCE_DIR) + "/examples/";
    auto r = cli({"render", examples + "music-demo.korvanem", path("demo.wav"), "--wave",
                  "sample=" + examples + "sample.wav"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(readSamples("demo.wav").size(), 22050u);
}

}  // namespace

namespace {

// An instrument no --wave names is looked for as NAME.wav beside the music;
// a --wave wins over the file there, and a name that would leave the folder
// is never looked up.
TEST_F(CliRender, InstrumentBesideTheMusicFileIsFound) {
    writeWav("s.wav", 1, 1024, samples4());
    writeMusic("m.xml", note("0") + note("0.25"));
    auto r = cli({"render", path("m.xml"), path("given.wav"), "--frequency", "1024", "--wave",
                  "sample=" + path("s.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    writeWav("sample.wav", 1, 1024, samples4());
    r = cli({"render", path("m.xml"), path("beside.wav"), "--frequency", "1024"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("beside.wav"), bytes("given.wav"));

    writeWav("other.wav", 1, 1024, {100, 100, 100, 100});
    r = cli({"render", path("m.xml"), path("other-out.wav"), "--frequency", "1024", "--wave",
             "sample=" + path("other.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(bytes("other-out.wav"), bytes("given.wav"));

    // "../sample" would be the file one folder up: not looked for.
    std::string music;
    {
        std::ifstream in(path("m.xml"));
        music.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string from = "<SampleWave>sample</SampleWave>";
    music.replace(music.find(from), from.size(), "<SampleWave>..</SampleWave>");
    std::ofstream(path("dots.xml")) << music;
    writeWav("...wav", 1, 1024, samples4());
    r = cli({"render", path("dots.xml"), path("dots.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot create music: Cannot find window \"..\".\n");
}

}  // namespace
