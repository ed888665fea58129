#include <algorithm>

#include "CliHarness.h"

namespace korvane::e2e {
namespace {

uint32_t be32(const std::string& b, size_t at) {
    return (static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8) | static_cast<uint8_t>(b[at + 3]);
}

class CliScorePicture : public CliTest {
protected:
    const std::string demo = std::string(KORVANE_SOURCE_DIR) + "/examples/music-demo.korvanem";
};

#ifdef KORVANE_CLI_HAS_QT

TEST_F(CliScorePicture, DemoScoreIsAPngOfTheAskedSize) {
    CliResult r = cli({"picture", demo, path("score.png"), "--view", "score"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string png = bytes("score.png");
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(be32(png, 16), 1600u);
    EXPECT_EQ(be32(png, 20), 800u);

    r = cli({"picture", demo, path("small.png"), "--view", "score", "--width", "300", "--height", "200"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(be32(bytes("small.png"), 16), 300u);
    EXPECT_EQ(be32(bytes("small.png"), 20), 200u);
    // A selection and a scroll change the picture.
    r = cli({"picture", demo, path("selected.png"), "--view", "score", "--width", "300", "--height", "200", "--select",
             "1", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(bytes("selected.png"), bytes("small.png"));
    r = cli({"picture", demo, path("scrolled.png"), "--view", "score", "--width", "300", "--height", "200", "--scroll",
             "100"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(bytes("scrolled.png"), bytes("small.png"));
}

TEST_F(CliScorePicture, TheLayoutDumpIsTheUnscrolledScore) {
    CliResult r = cli({"picture", demo, path("a.png"), "--view", "score", "--layout", path("a.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli({"picture", demo, path("b.png"), "--view", "score", "--width", "300", "--scroll", "250", "--layout",
             path("b.txt")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string dump = bytes("a.txt");
    EXPECT_EQ(dump, bytes("b.txt"));
    // The demo starts with its loop's left mark at the origin, then stave 1's
    // key of part 1; every line has its nine fields.
    EXPECT_EQ(dump.rfind("0\t0\t1\tloop\t0\t5\t5\t", 0), 0u) << dump.substr(0, 80);
    EXPECT_NE(dump.find("\n1\t1\t1\tkey\t0\t"), std::string::npos) << dump.substr(0, 80);
    size_t lines = 0, notes = 0, bars = 0;
    for (size_t at = 0; at < dump.size(); at = dump.find('\n', at) + 1) {
        const std::string line = dump.substr(at, dump.find('\n', at) - at);
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 8) << line;
        ++lines;
        notes += line.find("\tnote\t") != std::string::npos;
        bars += line.find("\tbar\t") != std::string::npos;
    }
    EXPECT_GT(notes, 20u);
    EXPECT_GE(bars, 4u);
    // A dump that cannot be written fails the call.
    r = cli({"picture", demo, path("c.png"), "--view", "score", "--layout", path("no/such/dir/c.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot write the file \"" + path("no/such/dir/c.txt") + "\".\n");
}

#endif

TEST_F(CliScorePicture, RefusalsWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"--select", "1", "999"}, 2, "usage: --select: stave 1 has no symbol 999\n"},
        {{"--select", "1"}, 2, "usage: missing value for --select\n"},
        {{"--scroll", "-4"}, 2, "usage: --scroll takes a whole number from 0\n"},
        {{"--zoom", "2"}, 2, "usage: unknown option --zoom of --view score\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"picture", demo, path("out.png"), "--view", "score"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliResult r = cli(args);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(exists("out.png"));
    }
    CliResult r = cli({"picture", path("missing.korvanem"), path("out.png"), "--view", "score"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Cannot read the file: \"" + path("missing.korvanem") + "\", ", 0), 0u) << r.err;
    EXPECT_FALSE(exists("out.png"));
}

}  // namespace
}  // namespace korvane::e2e
