#include <gtest/gtest.h>

#include "CliHarness.h"

using namespace korvane::e2e;

namespace {

using S = std::vector<int16_t>;

class CliTimeEchoTest : public CliTest {
protected:
    static S ramp(int count, int step, int from = 0) {
        S v;
        for (int i = 0; i < count; ++i) v.push_back(static_cast<int16_t>(from + i * step));
        return v;
    }
    // Samples per channel of a file our writer made.
    size_t frames(const std::string& name, int channels = 1) const { return (bytes(name).size() - 44) / 2 / channels; }
};

TEST_F(CliTimeEchoTest, TempoPitchWithUnitFactorsGivesTheSoundBack) {
    S in{7, -3, 1200, 5, -9000, 31, 2, 8, -1, 4, 32767, -32768};
    writeWav("in.wav", 1, 8000, in);
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "tempo-pitch", "--frequency-factor", "1", "--length-factor",
                  "100 %", "--block-size", "1 ms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), in);
}

TEST_F(CliTimeEchoTest, PrintSettingsShowsTheRecordsInTheirUnits) {
    writeWav("in.wav", 1, 8000, ramp(10, 1));
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "--print-settings", "tempo-pitch", "--", "per-echo"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Frequency Factor: 200 %\nFrequency Envelope: \nSpeed Factor: 100 %\nSpeed Envelope: \n"
              "Length Factor: 50 %\nNew Length: 2 s\nSame Length as: \nCount: 3\nStart Position: 0 %\n"
              "Block Size: 40 ms\n"
              "Time: 10 ms\nEcho Time Envelope: \nVolume Constant: 100 %\nEcho Volume Envelope: \nCount: 1\n");
    r = cli({"apply", path("in.wav"), path("out.wav"), "--print-settings", "rnd-echo", "--count", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Time Difference: 1000 ms\n"), std::string::npos) << r.out;
}

TEST_F(CliTimeEchoTest, RefusalsNameTheField) {
    writeWav("in.wav", 1, 8000, ramp(100, 1));
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "tempo-pitch", "--block-size", "0.1 ms"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Block Size: Block Size must be at least one sample.\n");
    EXPECT_FALSE(exists("out.wav"));
    r = cli({"apply", path("in.wav"), path("out.wav"), "roll-out", "--speed-factor", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Speed Factor: Value must be not 0.\n");
    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "5:6", "per-echo"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "An echo needs a range of at least two samples.\n");
    r = cli({"apply", path("in.wav"), path("out.wav"), "length", "--same-length-as", "nothing"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Same Length as: You have to select a Wave\n");
    EXPECT_FALSE(exists("out.wav"));
}

TEST_F(CliTimeEchoTest, PeriodEchoAndLengthChangeTheFile) {
    writeWav("in.wav", 1, 1000, {1, 2, 3, 4});
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "per-echo", "--time", "2 ms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (S{1, 2, 4, 6, 3, 4, 0}));
    // Length leaves its new range selected; an earlier echo from it pads the start.
    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "1:3", "length", "--length-factor", "-100%", "--",
             "per-echo", "--time", "-1 ms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (S{0, 4, 5, 2, 4}));
}

TEST_F(CliTimeEchoTest, RollInReadsItsPositionsAgainstTheNewLoop) {
    writeWav("in.wav", 1, 1000, {1, 2, 3, 4, 5});
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "roll-in", "--end-at", "0 %", "--length", "3 ms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (S{3, 5, 7}));
    writeWav("abc.wav", 1, 1000, {1, 2, 3});
    r = cli({"apply", path("abc.wav"), path("out.wav"), "roll-in", "--start-at", "2 ms", "--length", "3 ms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (S{2, 3, 1}));
    r = cli({"apply", path("abc.wav"), path("out2.wav"), "roll-in", "--length", "3 ms", "--start-at", "5 ms"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Start at: Position must be before the end of the wave\n");
}

TEST_F(CliTimeEchoTest, RandomEchoRepeatsWithItsSeed) {
    writeWav("in.wav", 2, 8000, ramp(400, 37, -7000));
    std::vector<std::string> args{"rnd-echo", "--count",       "5",      "--random-seed",  "11",    "--time-difference",
                                  "20 ms",    "--volume-kind", "linear", "--balance-kind", "linear"};
    auto run = [&](const std::string& out, const std::string& seed) {
        std::vector<std::string> a{"apply", path("in.wav"), path(out)};
        a.insert(a.end(), args.begin(), args.end());
        a[7] = seed;
        return cli(a);
    };
    ASSERT_EQ(run("a.wav", "11").status, 0);
    ASSERT_EQ(run("b.wav", "11").status, 0);
    ASSERT_EQ(run("c.wav", "12").status, 0);
    EXPECT_EQ(bytes("a.wav"), bytes("b.wav"));
    EXPECT_NE(bytes("a.wav"), bytes("c.wav"));
    auto r = cli({"apply", path("in.wav"), path("d.wav"), "rnd-echo", "--pitch-kind", "random-envelope"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "In Pitch - Random Envelope: You have to select a Wave\n");
    r = cli({"apply", path("in.wav"), path("d.wav"), "rnd-echo", "--time-source", "7"});
    EXPECT_EQ(r.status, 2);
}

TEST_F(CliTimeEchoTest, SplitHorizontallyWritesThePartsAndEndsTheChain) {
    writeWav("in.wav", 1, 1000, ramp(1000, 1));
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "100:200", "split-h", path("part")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(exists("out.wav"));
    EXPECT_EQ(frames("part1.wav"), 100u);
    EXPECT_EQ(frames("part2.wav"), 100u);
    EXPECT_EQ(frames("part3.wav"), 800u);
    EXPECT_EQ(readSamples("part3.wav").front(), 200);

    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "100:200", "split-h", "--result", "inclusive",
             path("inc")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(frames("inc1.wav"), 200u);
    EXPECT_EQ(frames("inc2.wav"), 900u);
    EXPECT_FALSE(exists("inc3.wav"));

    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "300:300", "split-h", path("cut")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(frames("cut1.wav"), 300u);
    EXPECT_EQ(frames("cut2.wav"), 700u);

    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "100:200", "split-h", path("x"), "--", "reverse"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "usage: split-h ends the chain; no step may follow it\n");
    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "100:200", "split-h"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "usage: split-h OUT_PREFIX\n");
    r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "0:200", "split-h", path("y")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "split-h is not available: the selection does not lie strictly inside the wave\n");
    EXPECT_FALSE(exists("x1.wav"));
    EXPECT_FALSE(exists("y1.wav"));
}

TEST_F(CliTimeEchoTest, SplitVerticallyGivesTheTwoChannels) {
    writeWav("st.wav", 2, 1000, {1, 10, 2, 20, 3, 30});
    auto r = cli({"apply", path("st.wav"), path("out.wav"), "split-v", path("l.wav"), path("r.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("l.wav"), (S{1, 2, 3}));
    EXPECT_EQ(readSamples("r.wav"), (S{10, 20, 30}));
    EXPECT_FALSE(exists("out.wav"));
    writeWav("mo.wav", 1, 1000, {1, 2});
    r = cli({"apply", path("mo.wav"), path("out.wav"), "split-v", path("l2.wav"), path("r2.wav")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "split-v is not available: the wave is not stereo\n");
}

TEST_F(CliTimeEchoTest, MergeHorizontallyGoesOnWithTheMergedDocument) {
    writeWav("a.wav", 1, 1000, {1, 2, 3});
    writeWav("b.wav", 1, 1000, {7, 8});
    auto r = cli(
        {"apply", path("a.wav"), path("out.wav"), "--wave", "b=" + path("b.wav"), "merge-h", "b", "--channels", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (S{1, 2, 3, 7, 8}));
    r = cli({"apply", path("a.wav"), path("out.wav"), "--wave", "b=" + path("b.wav"), "merge-h", "b", "--", "length",
             "--length-factor", "-100 %"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readSamples("out.wav"), (S{8, 7, 3, 2, 1}));

    r = cli({"apply", path("a.wav"), path("out2.wav"), "--wave", "b=" + path("b.wav"), "merge-h", "b", "--frequency",
             "8000"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "usage: --frequency takes 5512|11025|22050|44100|88200|176128\n");
    r = cli({"apply", path("a.wav"), path("out2.wav"), "--name", "a", "--wave", "b=" + path("b.wav"), "merge-h", "a"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "The chosen Waves must be different\n");
    r = cli({"apply", path("a.wav"), path("out2.wav"), "merge-h", "b"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "merge-h is not available: there is no second wave window\n");
    EXPECT_FALSE(exists("out2.wav"));
}

TEST_F(CliTimeEchoTest, MergeVerticallyPadsTheShorterChannel) {
    writeWav("a.wav", 1, 1000, ramp(1000, 1, 1));
    writeWav("b.wav", 1, 1000, ramp(600, 1, 1));
    auto r = cli({"apply", path("a.wav"), path("out.wav"), "--wave", "b=" + path("b.wav"), "merge-v", "b",
                  "--length-rule", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    S s = readSamples("out.wav");
    ASSERT_EQ(s.size(), 2000u);
    EXPECT_EQ(s[2 * 599], 600);
    EXPECT_EQ(s[2 * 599 + 1], 600);
    EXPECT_EQ(s[2 * 600 + 1], 0);
    EXPECT_EQ(s[2 * 999], 1000);
    EXPECT_EQ(s[2 * 999 + 1], 0);
}

}  // namespace

// A split writes all its parts or none: a folder where a part goes, or a
// part that may not be replaced, leaves no part written and the old ones as
// they were.
TEST_F(CliTimeEchoTest, ASplitThatCannotWriteEveryPartWritesNone) {
    writeWav("in.wav", 1, 1000, ramp(1000, 1));
    writeWav("st.wav", 2, 100, ramp(200, 1));
    std::filesystem::create_directories(path("part2.wav"));
    auto r = cli({"apply", path("in.wav"), path("out.wav"), "--select", "100:200", "split-h", path("part")});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(exists("part1.wav"));
    EXPECT_FALSE(exists("part3.wav"));

    writeWav("R.wav", 1, 3, ramp(3, 1));
    const std::string right = bytes("R.wav");
    std::filesystem::permissions(path("R.wav"), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    r = cli({"apply", path("st.wav"), path("out.wav"), "split-v", path("L.wav"), path("R.wav")});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(exists("L.wav"));
    EXPECT_EQ(bytes("R.wav"), right);
    for (const auto& item : std::filesystem::directory_iterator(dir))
        EXPECT_NE(item.path().filename().string()[0], '.') << item.path();
}
