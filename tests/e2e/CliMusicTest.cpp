#include <filesystem>
#include <fstream>
#include <string>

#include "CliHarness.h"

using korvane::e2e::CliTest;
using korvane::e2e::slurp;

namespace {

const std::string kSource = KORVANE_SOURCE_DIR;

std::string source(const std::string& relative) { return slurp(kSource + "/" + relative); }

class CliMusicTest : public CliTest {
protected:
    void put(const std::string& name, const std::string& text) const {
        std::ofstream out(path(name), std::ios::binary);
        out << text;
    }
};

}  // namespace

TEST_F(CliMusicTest, CheckPrintsOkForReadableFiles) {
    for (const char* file : {"examples/music-demo.korvanem", "tests/musicfile/data/every-element.xml",
                             "tests/fuzz/corpus/music_reader/old-70.xml"}) {
        auto r = cli({"check", kSource + "/" + file});
        EXPECT_EQ(r.status, 0) << file << r.err;
        EXPECT_EQ(r.out, "ok\n");
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(CliMusicTest, CheckNamesTheFileAndTheReadersMessage) {
    std::string text = source("tests/musicfile/data/small.xml");
    text.replace(text.find("<KeyKind>G"), 10, "<KeyKind>D");
    put("bad.xml", text);
    auto r = cli({"check", path("bad.xml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("bad.xml") +
                         "\", Key Kind \"D\" is not a valid Key Kind. At line 22, column 18.\n");

    r = cli({"check", path("missing.xml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("missing.xml") +
                         "\", Operating System cannot open file for reading.\n");
    EXPECT_EQ(cli({"check"}).status, 2);
    EXPECT_EQ(cli({"check", path("bad.xml"), "--frequency"}).status, 2);

    // Reading stops at 256 MiB: a device that never ends (it reports size 0)
    // and a file one byte over (sparse, so the test writes nothing).
    put("huge.xml", "");
    std::filesystem::resize_file(path("huge.xml"), (std::uintmax_t{256} << 20) + 1);
    for (const std::string& big : {std::string("/dev/zero"), path("huge.xml")}) {
        r = cli({"check", big});
        EXPECT_EQ(r.status, 1) << big;
        EXPECT_EQ(r.err, "Cannot read the file: \"" + big + "\", the file is larger than 256 MiB, which no music file is.\n");
    }
}

TEST_F(CliMusicTest, ConvertWritesVersion71AndReplacesOnlyOnSuccess) {
    auto r = cli({"convert", kSource + "/tests/fuzz/corpus/music_reader/old-70.xml", path("new.xml")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string converted = bytes("new.xml");
    EXPECT_NE(converted.find("<Version>7.1</Version>"), std::string::npos);
    // 7.0 heights become pitches; the F without an accidental takes the
    // natural of the F before it in the bar, not the key's sharp.
    EXPECT_NE(converted.find("<Height>3</Height>\n        </Note>"), std::string::npos);
    EXPECT_NE(converted.find("<Height>10</Height>\n        </Note>"), std::string::npos);
    EXPECT_EQ(converted.find("ShiftNormal"), std::string::npos);

    // Converting the converted file changes nothing.
    r = cli({"convert", path("new.xml"), path("again.xml")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("again.xml"), converted);
    const std::string demo = kSource + "/examples/music-demo.korvanem";
    ASSERT_EQ(cli({"convert", demo, path("demo.xml")}).status, 0);
    EXPECT_EQ(bytes("demo.xml"), slurp(demo));

    // A file that does not read leaves the output as it was.
    put("broken.xml", "<?xml?>\n<!DOCTYPE>\n<UnitMuz><Version>7.1</Version>");
    r = cli({"convert", path("broken.xml"), path("again.xml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read the file: \"" + path("broken.xml") +
                         "\", unexpected end-of-file, expect begin of element \"Tempo\". at line 3, column 27.\n");
    EXPECT_EQ(bytes("again.xml"), converted);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 6);

    r = cli({"convert", path("new.xml"), path("no-such-folder/out.xml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot save Music: Operating System cannot open file for writing, maybe the file is readonly.\n");
}
