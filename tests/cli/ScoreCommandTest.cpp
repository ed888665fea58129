#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "cli/Cli.h"
#include "cli/ScoreCommand.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

// Runs `score` on a new document holding four quarter notes B C D E in its
// G stave (built by clicks, so the insertion is tested by every case) and
// returns what it printed.
class ScoreCommandTest : public CoreFixture {
protected:
    std::filesystem::path dir;
    std::string base, output;

    void SetUp() override {
        CoreFixture::SetUp();
        dir = std::filesystem::temp_directory_path() /
              ("korvane-score-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        TUnitMuz doc;
        doc.InitNew();
        std::string message;
        const std::string empty = (dir / "new.xml").string();
        ASSERT_TRUE(SaveMuz(doc, empty, message)) << message;
        base = (dir / "base.xml").string();
        output = (dir / "out.xml").string();
        Outcome made = run(empty, base, "click 1 0 after 1 -- click 1 1 after 2 -- click 1 2 after 3 -- click 1 3 after 4");
        ASSERT_EQ(made.status, 0) << made.err;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    static std::vector<std::string> words(const std::string& text) {
        std::vector<std::string> list;
        std::istringstream in(text);
        for (std::string w; in >> w;) list.push_back(w);
        return list;
    }

    Outcome run(const std::string& in, const std::string& out, const std::string& steps) {
        std::vector<std::string> args{"score", in, out};
        for (const auto& w : words(steps)) args.push_back(w);
        std::ostringstream o, e;
        const int status = cli::Run(args, o, e);
        return {status, o.str(), e.str()};
    }

    // The printed lines that start with `prefix` ("1 " for stave 1).
    std::string lines(const std::string& steps, const std::string& prefix = "1 ") {
        Outcome o = run(base, "-", steps + " -- print");
        EXPECT_EQ(o.status, 0) << steps << ": " << o.err;
        std::istringstream in(o.out);
        std::string kept;
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) kept += line + "\n";
        return kept;
    }
};

const std::string kKey = "1 1 KEY pos=0 kind=G oct=0 scale=2222222 no=1\n";
std::string note(int n, const char* pos, int pitch, const char* rest = "len=4 pts=0 ool=1/0", int shift = 2) {
    return "1 " + std::to_string(n) + " NOTE pos=" + pos + " " + rest + " pitch=" + std::to_string(pitch) +
           " shift=" + std::to_string(shift) + " art=0 stick=2 group=1\n";
}

}  // namespace

TEST_F(ScoreCommandTest, ClicksInsertNotesSilencesAndKeysAndShiftTheRestOfTheStave) {
    struct Case {
        const char* steps;
        std::string expected;
    };
    const Case cases[] = {
        // Before the first note: time 0, after the key; everything moves on.
        {"click 1 -6 after 0",
         kKey + note(2, "0", 0) + note(3, "0.25", 6) + note(4, "0.5", 7) + note(5, "0.75", 8) + note(6, "1", 9)},
        // On a note: a chord member, nothing moves; after the chord's upper
        // note the new one follows the whole chord.
        {"click 1 5 on 2 -- click 1 0 after 2",
         kKey + note(2, "0", 11) + note(3, "0", 6) + note(4, "0.25", 6) + note(5, "0.5", 7) + note(6, "0.75", 8) +
             note(7, "1", 9)},
        // A pitch the chord holds already adds nothing; a height beyond the
        // pitches inserts nothing either.
        {"click 1 0 on 2 -- click 1 38 after 5", kKey + note(2, "0", 6) + note(3, "0.25", 7) + note(4, "0.5", 8) +
                                                     note(5, "0.75", 9)},
        // A silence pushes the rest by its length; a key goes at the end of
        // the note before it, never at time 0.
        {"MusicSilence8 -- click 1 0 after 3 -- MusicKeyF -- click 1 0 after 3 -- click 1 0 after 1",
         kKey + note(2, "0", 6) + note(3, "0.25", 7) + "1 4 KEY pos=0.5 kind=F oct=0 scale=2222222 no=1\n" +
             "1 5 SIL pos=0.5 len=8 pts=0 ool=1/0\n" + note(6, "0.625", 8) + note(7, "0.875", 9)},
        // Keys at one time: one after a key takes its number + 1, one put
        // before it pushes its number up.
        {"MusicKeyC -- click 1 0 after 3 -- click 1 0 after 4 -- click 1 0 after 3",
         kKey + note(2, "0", 6) + note(3, "0.25", 7) + "1 4 KEY pos=0.5 kind=C oct=0 scale=2222222 no=1\n" +
             "1 5 KEY pos=0.5 kind=C oct=0 scale=2222222 no=2\n" +
             "1 6 KEY pos=0.5 kind=C oct=0 scale=2222222 no=3\n" + note(7, "0.5", 8) + note(8, "0.75", 9)},
        // A note on a silence takes its place; an F later in the bar takes
        // the sharp in effect, in the next bar the key's natural.
        {"MusicSilence4 -- click 1 0 after 5 -- MusicNote4 -- click 1 4 on 6 -- MusicNSCross -- click 1 4 on 6 -- "
         "MusicNote8 -- click 1 4 after 6 -- MusicNote1 -- click 1 4 after 7 -- click 1 4 after 8",
         kKey + note(2, "0", 6) + note(3, "0.25", 7) + note(4, "0.5", 8) + note(5, "0.75", 9) +
             note(6, "1", 10, "len=4 pts=0 ool=1/0", 1) + note(7, "1.25", 10, "len=8 pts=0 ool=1/0", 1) +
             note(8, "1.375", 10, "len=1 pts=0 ool=1/0", 1) + note(9, "2.375", 10, "len=1 pts=0 ool=1/0", 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(lines(c.steps), c.expected) << c.steps;
}

TEST_F(ScoreCommandTest, InsertSettingsFollowTheLengthAndPointRules) {
    struct Case {
        const char* steps;
        const char* expected;
    };
    const Case cases[] = {
        // L on a whole note and Shift+L on a sixty-fourth do nothing.
        {"MusicNote1 -- key L -- key Shift+L", "insert: kind=1 length=2 points=0 art=0 shift=2 key=6 stick=2\n"},
        {"MusicSilence64 -- key Shift+L -- key L", "insert: kind=3 length=32 points=0 art=0 shift=2 key=6 stick=2\n"},
        {"key Shift+Alt+L -- key Shift+Alt+L -- key Shift+Alt+L -- key Alt+L",
         "insert: kind=1 length=4 points=0 art=1 shift=2 key=6 stick=2\n"},
        {"MusicKeyF -- key Ctrl+Up -- key Ctrl+Up -- key Ctrl+Up -- MusicNSDMol -- MusicStaccato",
         "insert: kind=2 length=4 points=0 art=1 shift=4 key=6 stick=2\n"},
        {"NoteStickDown -- NoteStickUp -- NoteStickUp", "insert: kind=1 length=4 points=0 art=0 shift=2 key=6 stick=2\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(lines(c.steps, "insert:"), c.expected) << c.steps;

    Outcome o = run(base, "-",
                    "MusicPointAdd -- MusicPointAdd -- MusicPointAdd -- enabled MusicNote16 MusicNote8 MusicPointAdd "
                    "-- MusicPointDelete -- enabled MusicNote16 MusicNote32 -- MusicModeEdit -- enabled "
                    "MusicModeAdd MusicModeEdit MusicAutoPlay MusicPlayNote -- MusicAutoPlay -- enabled MusicAutoPlay");
    EXPECT_EQ(o.out,
              "MusicNote16: off\nMusicNote8: on\nMusicPointAdd: off\n"
              "MusicNote16: on\nMusicNote32: off\n"
              "MusicModeAdd: on\nMusicModeEdit: on checked\nMusicAutoPlay: on checked\nMusicPlayNote: off\n"
              "MusicAutoPlay: on\n");
}

TEST_F(ScoreCommandTest, SelectModeChangesLengthsPointsAndTuplets) {
    struct Case {
        const char* steps;
        std::string expected;
    };
    const Case cases[] = {
        // A longer note pushes the rest of its stave; a dot adds half.
        {"MusicModeEdit -- select 1 3 -- MusicNote2 -- MusicPointAdd",
         kKey + note(2, "0", 6) + note(3, "0.25", 7, "len=2 pts=1 ool=1/0") + note(4, "1", 8) + note(5, "1.25", 9)},
        // A triplet of a quarter keeps the time: nothing moves.
        {"MusicModeEdit -- select 1 3 -- MusicTriplet",
         kKey + note(2, "0", 6) + note(3, "0.25", 7, "len=4 pts=0 ool=3/0") + note(4, "0.25", 7, "len=4 pts=0 ool=3/1") +
             note(5, "0.25", 7, "len=4 pts=0 ool=3/2") + note(6, "0.5", 8) + note(7, "0.75", 9)},
        // An eighth head in a triplet is a quarter group.
        {"MusicModeEdit -- select 1 3 -- MusicTriplet -- MusicNote16",
         kKey + note(2, "0", 6) + note(3, "0.25", 7, "len=8 pts=0 ool=3/0") + note(4, "0.25", 7, "len=8 pts=0 ool=3/1") +
             note(5, "0.25", 7, "len=8 pts=0 ool=3/2") + note(6, "0.375", 8) + note(7, "0.625", 9)},
        // A silence length on a note: the chord goes, a silence stands in.
        {"MusicModeEdit -- select 1 3 -- MusicSilence8",
         kKey + note(2, "0", 6) + "1 3 SIL pos=0.25 len=8 pts=0 ool=1/0\n" + note(4, "0.375", 8) + note(5, "0.625", 9)},
        // A note length on a silence: a note on the middle line, selected.
        {"MusicModeEdit -- select 1 3 -- MusicSilence4 -- MusicNote4", kKey + note(2, "0", 6) + note(3, "0.25", 6) +
                                                                         note(4, "0.5", 8) + note(5, "0.75", 9)},
        // Articulation and stick on a note; a dotted duplet needs its dot.
        {"MusicModeEdit -- select 1 2 -- MusicPointAdd -- MusicTwin -- MusicLegato -- NoteStickDown -- MusicNSMol",
         kKey + "1 2 NOTE pos=0 len=4 pts=1 ool=2/0 pitch=6 shift=3 art=4 stick=1 group=1\n" +
             "1 3 NOTE pos=0 len=4 pts=1 ool=2/1 pitch=6 shift=2 art=0 stick=2 group=1\n" + note(4, "0.375", 7) +
             note(5, "0.625", 8) + note(6, "0.875", 9)},
    };
    for (const Case& c : cases) EXPECT_EQ(lines(c.steps), c.expected) << c.steps;

    // Tuplet preconditions: a duplet needs a dotted note, a quintuplet a
    // sixteenth or longer, a tuplet member takes none.
    Outcome o = run(base, "-",
                    "MusicModeEdit -- select 1 2 -- enabled MusicTwin MusicTriplet MusicQuadruplet MusicQuintuplet -- "
                    "MusicNote64 -- enabled MusicTriplet MusicQuintuplet -- MusicNote32 -- MusicTriplet -- enabled "
                    "MusicTriplet MusicPointDelete MusicPointAdd");
    EXPECT_EQ(o.out,
              "MusicTwin: off\nMusicTriplet: on\nMusicQuadruplet: off\nMusicQuintuplet: on\n"
              "MusicTriplet: off\nMusicQuintuplet: off\n"
              "MusicTriplet: off\nMusicPointDelete: off\nMusicPointAdd: on\n");
}

TEST_F(ScoreCommandTest, BarsTakeLengthPointsAndUpbeat) {
    struct Case {
        const char* steps;
        const char* expected;
    };
    const Case cases[] = {
        {"MusicPointDelete -- MusicNote8", "bar 1 count=6 length=8 extra=0\n"},  // 3/4 becomes 6/8
        {"MusicPointDelete -- MusicPointDelete -- MusicNote1", "bar 1 count=1 length=1 extra=0\n"},  // 0.5 rounds up
        {"MusicNote64 -- MusicNote64", "bar 1 count=64 length=64 extra=0\n"},
        {"MusicMovePrev", "bar 1 count=4 length=4 extra=3\n"},
        {"MusicMovePrev -- MusicMoveNext -- MusicMoveNext", "bar 1 count=4 length=4 extra=1\n"},
        // A shorter bar keeps its upbeat below a bar, so the file reads back.
        {"MusicMovePrev -- MusicNote1", "bar 1 count=1 length=1 extra=0\n"},
        {"MusicMovePrev -- MusicPointDelete", "bar 1 count=3 length=4 extra=2\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lines(std::string("MusicModeEdit -- select bar 1 -- ") + c.steps, "bar "), c.expected) << c.steps;
    // 99 beats at most, 1 at least.
    std::string steps = "MusicModeEdit -- select bar 1 -- MusicNote64 -- MusicNote64 -- MusicNote64";
    for (int i = 0; i < 35; ++i) steps += " -- MusicPointAdd";
    Outcome o = run(base, "-", steps + " -- enabled MusicPointAdd -- print");
    EXPECT_NE(o.out.find("MusicPointAdd: off\n"), std::string::npos);
    EXPECT_NE(o.out.find("bar 1 count=99 length=64 extra=0\n"), std::string::npos);
}

TEST_F(ScoreCommandTest, DeleteKeepsTheTimeOrderAndSelectsTheNextSymbol) {
    struct Case {
        const char* steps;
        std::string expected;
    };
    const Case cases[] = {
        // A lone quarter: the rest moves back, the next note is selected.
        {"MusicModeEdit -- select 1 3 -- MusicDelete",
         "selected: 1 3\n" + kKey + note(2, "0", 6) + note(3, "0.25", 8) + note(4, "0.5", 9)},
        // The middle note of a chord of three: nothing moves.
        {"click 1 2 on 2 -- click 1 4 on 2 -- MusicModeEdit -- select 1 3 -- MusicDelete",
         "selected: 1 3\n" + kKey + note(2, "0", 10) + note(3, "0", 6) + note(4, "0.25", 7) +
             note(5, "0.5", 8) + note(6, "0.75", 9)},
        // A tuplet member leaves its silence; the last note of the tuplet
        // takes the whole tuplet with it.
        {"MusicModeEdit -- select 1 3 -- MusicTriplet -- select 1 4 -- MusicDelete -- select 1 3 -- MusicDelete",
         "selected: 1 3\n" + kKey + note(2, "0", 6) + "1 3 SIL pos=0.25 len=4 pts=0 ool=3/0\n" +
             "1 4 SIL pos=0.25 len=4 pts=0 ool=3/1\n" + note(5, "0.25", 7, "len=4 pts=0 ool=3/2") + note(6, "0.5", 8) +
             note(7, "0.75", 9)},
        {"MusicModeEdit -- select 1 3 -- MusicTriplet -- select 1 4 -- MusicDelete -- select 1 3 -- MusicDelete -- "
         "select 1 5 -- MusicDelete",
         "selected: 1 3\n" + kKey + note(2, "0", 6) + note(3, "0.25", 8) + note(4, "0.5", 9)},
        // In delete mode a click deletes; the stave's only key at 0 stays.
        {"MusicModeDelete -- click 1 0 on 1 -- click 1 0 on 5",
         "selected: 1 4\n" + kKey + note(2, "0", 6) + note(3, "0.25", 7) + note(4, "0.5", 8)},
    };
    for (const Case& c : cases) {
        Outcome o = run(base, "-", std::string(c.steps) + " -- print");
        std::istringstream in(o.out);
        std::string kept;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("1 ", 0) == 0 || line.rfind("selected:", 0) == 0) kept += line + "\n";
        EXPECT_EQ(kept, c.expected) << c.steps;
    }
    // A silence inside a tuplet and the lone key at 0 cannot be deleted.
    Outcome o = run(base, "-",
                    "MusicModeEdit -- select 1 3 -- MusicTriplet -- select 1 4 -- MusicDelete -- enabled MusicDelete "
                    "-- select 1 1 -- enabled MusicDelete -- select 1 2 -- enabled MusicDelete");
    EXPECT_EQ(o.out, "MusicDelete: off\nMusicDelete: off\nMusicDelete: on\n");
}

TEST_F(ScoreCommandTest, MovesChangePitchOctaveAndPlace) {
    struct Case {
        const char* steps;
        std::string expected;
    };
    const Case cases[] = {
        // Up skips the pitches its chord holds.
        {"click 1 1 on 2 -- click 1 3 on 2 -- MusicModeEdit -- select 1 4 -- MusicMoveUp -- MusicMoveUp",
         kKey + note(2, "0", 10) + note(3, "0", 9) + note(4, "0", 7) + note(5, "0.25", 7) + note(6, "0.5", 8) +
             note(7, "0.75", 9)},
        {"MusicModeEdit -- select 1 2 -- MusicMoveOctDown -- key Ctrl+Shift+Down",
         kKey + note(2, "0", -8) + note(3, "0.25", 7) + note(4, "0.5", 8) + note(5, "0.75", 9)},
        // Right exchanges the note with the next, left past the key stops.
        {"MusicModeEdit -- select 1 3 -- MusicMoveNext",
         kKey + note(2, "0", 6) + note(3, "0.25", 8) + note(4, "0.5", 7) + note(5, "0.75", 9)},
        {"MusicModeEdit -- select 1 3 -- key Ctrl+Left -- key Ctrl+Left",
         kKey + note(2, "0", 7) + note(3, "0.25", 6) + note(4, "0.5", 8) + note(5, "0.75", 9)},
        // A key moves with the notes' time: to the end of the note it passes.
        {"MusicKeyF -- click 1 0 after 3 -- MusicModeEdit -- select 1 4 -- MusicMoveNext",
         kKey + note(2, "0", 6) + note(3, "0.25", 7) + note(4, "0.5", 8) +
             "1 5 KEY pos=0.75 kind=F oct=0 scale=2222222 no=1\n" + note(6, "0.75", 9)},
        {"MusicKeyF -- click 1 0 after 3 -- MusicModeEdit -- select 1 4 -- MusicMovePrev -- key Ctrl+Up",
         kKey + note(2, "0", 6) + "1 3 KEY pos=0.25 kind=C oct=0 scale=2222222 no=1\n" + note(4, "0.25", 7) +
             note(5, "0.5", 8) + note(6, "0.75", 9)},
        // A key's octave and its signature: a sharp, then a flat takes it away.
        {"MusicModeEdit -- select 1 1 -- MusicMoveOctUp -- MusicNSCross -- MusicNSCross -- MusicNSMol",
         "1 1 KEY pos=0 kind=G oct=1 scale=2222122 no=1\n" + note(2, "0", 6) + note(3, "0.25", 7) + note(4, "0.5", 8) +
             note(5, "0.75", 9)},
    };
    for (const Case& c : cases) EXPECT_EQ(lines(c.steps), c.expected) << c.steps;

    Outcome o = run(base, "-",
                    "MusicModeEdit -- select 1 1 -- MusicMoveOctUp -- MusicMoveOctUp -- enabled MusicMoveOctUp "
                    "MusicMoveOctDown MusicMovePrev MusicMoveNext -- MusicNSCross -- MusicNSCross -- MusicNSCross -- "
                    "MusicNSCross -- MusicNSCross -- MusicNSCross -- MusicNSCross -- enabled MusicNSCross MusicNSMol "
                    "MusicNSNormal -- select 1 2 -- MusicMoveOctUp -- MusicMoveOctUp -- MusicMoveOctUp -- "
                    "MusicMoveOctUp -- MusicMoveOctUp -- MusicMoveUp -- MusicMoveUp -- enabled MusicMoveUp "
                    "MusicMoveOctUp MusicMoveDown");
    // The key at 2 octaves, seven sharps; the note at pitch 43.
    EXPECT_EQ(o.out,
              "MusicMoveOctUp: off\nMusicMoveOctDown: on\nMusicMovePrev: off\nMusicMoveNext: off\n"
              "MusicNSCross: off\nMusicNSMol: on\nMusicNSNormal: off\n"
              "MusicMoveUp: off\nMusicMoveOctUp: off\nMusicMoveDown: on\n");
}

TEST_F(ScoreCommandTest, KeysSelectAcrossTheScore) {
    struct Case {
        const char* steps;
        const char* expected;
    };
    const Case cases[] = {
        {"MusicModeEdit -- key End", "selected: 1 5\n"},
        {"MusicModeEdit -- key End -- key Home -- key Right -- key Right", "selected: 1 3\n"},
        {"MusicModeEdit -- key Left", "selected: 1 1\n"},
        {"click 1 4 on 2 -- MusicModeEdit -- select 1 2 -- key Down", "selected: 1 3\n"},
        {"click 1 4 on 2 -- MusicModeEdit -- select 1 3 -- key Up -- key Up", "selected: 1 2\n"},
        {"MusicModeEdit -- select 1 3 -- key PageDown -- key Shift+PageUp", "selected: 1 3\n"},
        {"MusicModeEdit -- select bar 1 -- key Right -- key End", "selected: 1 5\n"},
        {"MusicModeEdit -- select 1 2 -- click 1 0 on 2", "selected: NONE\n"},
        {"MusicModeDelete -- key Right", "selected: NONE\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(lines(c.steps, "selected:"), c.expected) << c.steps;
}

TEST_F(ScoreCommandTest, RefusalsAreReportedAndWriteNothing) {
    struct Case {
        const char* steps;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"MusicModeEdit -- MusicTwin", 2, "MusicTwin is not available\n"},
        {"select 2 1", 2, "usage: stave 2: the music has 1 staves\n"},
        {"select 1 6", 2, "usage: symbol 6: the stave has 5 symbols\n"},
        {"click 1 0 on 0", 2, "usage: symbol 0: the stave has 5 symbols\n"},
        {"frob", 2, "usage: unknown step frob\n"},
        {"key Alt+Q", 2, "usage: unknown key Alt+Q\n"},
        {"enabled EditCut", 2, "usage: unknown command EditCut\n"},
        {"MusicDelete --", 2, "usage: empty step\n"},
        // The commands that open windows have no batch step.
        {"DuplicateMuz", 2, "usage: DuplicateMuz opens a window: the music window only, not a batch step\n"},
        {"MusicDialog", 2, "usage: MusicDialog opens a window: the music window only, not a batch step\n"},
        {"MusicParts", 2, "usage: MusicParts opens a window: the music window only, not a batch step\n"},
        {"enabled MusicDelete DuplicateMuz", 2,
         "usage: DuplicateMuz opens a window: the music window only, not a batch step\n"},
    };
    for (const Case& c : cases) {
        Outcome o = run(base, output, c.steps);
        EXPECT_EQ(o.status, c.status) << c.steps;
        EXPECT_EQ(o.err, c.err) << c.steps;
        EXPECT_FALSE(std::filesystem::exists(output)) << c.steps;
    }
    // What printed before the refusal stays.
    Outcome o = run(base, output, "enabled MusicDelete -- MusicDelete");
    EXPECT_EQ(o.out, "MusicDelete: off\n");
    EXPECT_EQ(o.err, "MusicDelete is not available\n");
    // and help lists only the steps that run.
    std::ostringstream help;
    cli::ScoreHelp(help);
    for (const char* name : {"DuplicateMuz", "MusicDialog", "MusicParts"})
        EXPECT_EQ(help.str().find(name), std::string::npos) << name;
    EXPECT_NE(help.str().find("MusicGenerate"), std::string::npos);
}

TEST_F(ScoreCommandTest, TheWrittenDocumentReadsBackAsPrinted) {
    const std::string steps = "MusicModeEdit -- select 1 3 -- MusicTriplet -- MusicStaccato -- select bar 1 -- "
                              "MusicMoveNext -- MusicModeAdd -- MusicKeyC -- click 1 0 after 5";
    Outcome written = run(base, output, steps + " -- print");
    ASSERT_EQ(written.status, 0) << written.err;
    Outcome back = run(output, "-", "print");
    // The document is the same; only the selection starts afresh, and key
    // numbers, which the file does not hold, count up in file order again.
    auto symbols = [](const std::string& text) {
        std::istringstream in(text);
        std::string kept;
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("1 ", 0) != 0 && line.rfind("bar ", 0) != 0) continue;
            if (size_t no = line.find(" no="); no != std::string::npos) line.erase(no);
            kept += line + "\n";
        }
        return kept;
    };
    EXPECT_EQ(symbols(back.out), symbols(written.out));
    EXPECT_NE(symbols(written.out).find("1 6 KEY pos=0.5 kind=C"), std::string::npos);
}
