#include <filesystem>
#include <string>

#include "CliHarness.h"

using korvane::e2e::CliTest;
using korvane::e2e::slurp;

namespace {

const std::string kDemo = std::string(KORVANE_SOURCE_DIR) + "/examples/music-demo.korvanem";

}  // namespace

// Export names what the format cannot say; import writes a music file that
// reads; both go through MusicXML, compressed MusicXML and MIDI.
TEST_F(CliTest, ExportAndImportEveryFormat) {
    const std::string demoReport =
        "dropped: 2 note players\n"
        "dropped: 2 stave settings (room, colours, beams, sound, extra lines)\n"
        "dropped: 5 part labels\n";
    struct Case {
        const char* file;
        std::string exportErr;
        std::string importErr;
    } cases[] = {
        {"demo.musicxml", demoReport, ""},
        {"demo.mxl", demoReport, ""},
        {"demo.mid", "", ""},
    };
    for (const Case& c : cases) {
        auto r = cli({"export", kDemo, path(c.file)});
        EXPECT_EQ(r.status, 0) << c.file << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.exportErr) << c.file;
        r = cli({"import", path(c.file), path("back.xml")});
        EXPECT_EQ(r.status, 0) << c.file << r.err;
        EXPECT_EQ(r.err, c.importErr) << c.file;
        r = cli({"check", path("back.xml")});
        EXPECT_EQ(r.out, "ok\n") << c.file;
    }
    EXPECT_EQ(slurp(path("demo.musicxml")).rfind("<?xml", 0), 0u);
    EXPECT_EQ(slurp(path("demo.mid")).substr(0, 4), "MThd");
    EXPECT_EQ(slurp(path("demo.mxl")).substr(0, 2), "PK");
    // The tempo option replaces the file's, as the Tempo field reads it.
    auto r = cli({"import", "--tempo", "750 ms", path("demo.mid"), path("slow.xml")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(slurp(path("slow.xml")).find("<Tempo>750 ms</Tempo>"), std::string::npos);
}

// Refusals: exit statuses as for convert, nothing written.
TEST_F(CliTest, ExportAndImportRefusals) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"import", kDemo, path("out.xml")}, 1, "\"" + kDemo + "\" is a Korvane music file: use convert\n"},
        {{"import", path("missing.mid"), path("out.xml")}, 1,
         "Cannot read the file: \"" + path("missing.mid") + "\", No such file or directory\n"},
        {{"import", kDemo + "x", path("out.xml"), "--grid", "8"}, 2, "usage: --grid takes 16, 32 or 64\n"},
        {{"import", kDemo, path("out.xml"), "--tempo", "xyz"}, 2, "In Tempo: Input has no value.\n"},
        {{"export", kDemo, path("out.wav")}, 2, "usage: export writes OUT.musicxml, OUT.mxl or OUT.mid\n"},
        {{"export", kDemo, path("out.xml")}, 2, "usage: export writes OUT.musicxml, OUT.mxl or OUT.mid\n"},
        {{"export", kDemo, path("out.mid"), "--midi-program", "128"}, 2, "usage: --midi-program takes 0 to 127\n"},
        {{"export", kDemo, path("out.mid"), "--grid", "16"}, 2, "usage: unknown option --grid\n"},
        {{"export", kDemo}, 2, "usage: korvane-cli export MUSIC OUT.musicxml|OUT.mxl|OUT.mid [--midi-program N]\n"},
    };
    for (const Case& c : cases) {
        auto r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        EXPECT_EQ(r.err, c.err);
        EXPECT_FALSE(std::filesystem::exists(path("out.xml")));
        EXPECT_FALSE(std::filesystem::exists(path("out.mid")));
    }
}
