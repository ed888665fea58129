#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "cli/ScoreDialogSteps.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

class ScoreDialogStepsTest : public CoreFixture {
protected:
    TUnitMuz doc;

    void SetUp() override {
        CoreFixture::SetUp();
        doc.InitNew();
        // As `score` starts a document read from a file without a selection.
        doc.SelectedTreeItem = doc.GetStartPart();
    }

    Outcome step(const std::vector<std::string>& words) {
        std::ostringstream out, err;
        const int status = cli::RunScoreDialogStep(doc, words, out, err);
        return {status, out.str(), err.str()};
    }

    // Runs a step that must succeed and returns what it printed.
    std::string ok(const std::vector<std::string>& words) {
        Outcome o = step(words);
        EXPECT_EQ(o.status, 0) << words[0] << " " << (words.size() > 1 ? words[1] : "") << ": " << o.err;
        EXPECT_EQ(o.err, "");
        return o.out;
    }

    // Runs a step that must be refused and returns its message.
    std::string refused(const std::vector<std::string>& words) {
        Outcome o = step(words);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.out, "");
        return o.err;
    }
};

}  // namespace

TEST_F(ScoreDialogStepsTest, TheFirstWordsOfBothDialogs) {
    for (const char* word : {"tree", "music", "stave", "group", "player"}) EXPECT_TRUE(cli::IsScoreDialogStep(word));
    for (const char* word : {"print", "select", "Tree", ""}) EXPECT_FALSE(cli::IsScoreDialogStep(word));
}

TEST_F(ScoreDialogStepsTest, TreeStepsPrintEditAndRefuse) {
    EXPECT_EQ(ok({"tree", "print"}), "1 0 root \"root\" play=on\n2 1 part \"part\" play=on\nselected: 1\n");
    EXPECT_EQ(refused({"tree", "insert-single"}), "tree insert-single is not available\n");
    ok({"tree", "select", "2"});
    EXPECT_EQ(refused({"tree", "delete"}), "tree delete is not available\n");
    EXPECT_EQ(refused({"tree", "count", "3"}), "tree count is not available\n");
    ok({"tree", "append-single"});
    ok({"tree", "turns"});
    ok({"tree", "turn"});
    EXPECT_EQ(refused({"tree", "count", "1"}), "In Count: 1 already exist\n");
    ok({"tree", "pitch", "18"});
    ok({"tree", "select", "3"});
    ok({"tree", "play-draw"});
    ok({"tree", "collapse"});
    ok({"tree", "select", "6"});
    ok({"tree", "label", "coda"});
    EXPECT_EQ(ok({"tree", "print"}),
              "1 0 root \"root\" play=on\n"
              "2 1 part \"part\" play=on\n"
              "3 1 turns \"turns\" play=off open=no\n"
              "4 2 turn \"turn 1\" count=1 pitch=0 octave=\"0\"\n"
              "5 2 turn \"turn 2\" count=2 pitch=18 octave=\"1 1/2\"\n"
              "6 2 part \"coda\" play=grey\n"
              "selected: 6\n");
    ok({"tree", "label", ""});
    EXPECT_EQ(refused({"tree", "label", "a<b"}), "In Label: The characters '<', '>' and '&' are not allowed.\n");
    ok({"tree", "select", "5"});
    EXPECT_EQ(ok({"tree", "enabled"}),
              "insert-single: off\nappend-single: off\nrepeat: off\nturns: off\nturn: off\nforward: off\n"
              "backward: off\nforward-in: off\nbackward-in: off\nforward-out: off\nbackward-out: off\ndelete: on\n"
              "expand: off\nexpand-all: off\ncollapse: off\ncollapse-all: off\ngoto-begin: off\ngoto-end: off\n"
              "count: on\npitch: on\nplay-draw: off\n");
    ok({"tree", "delete"});
    ok({"tree", "select", "2"});
    ok({"tree", "delete"});  // a single part with a sibling: batch answers the confirmation with OK
    EXPECT_EQ(ok({"tree", "print"}),
              "1 0 root \"root\" play=on\n"
              "2 1 turns \"turns\" play=off open=no\n"
              "3 2 turn \"turn 1\" count=1 pitch=0 octave=\"0\"\n"
              "4 2 part \"part\" play=grey\n"
              "selected: 2\n");

    ok({"tree", "select", "1"});
    EXPECT_EQ(refused({"tree", "label", "x"}), "tree label is not available\n");
    EXPECT_EQ(refused({"tree", "select", "5"}), "usage: tree select 5: the tree has nodes 1 to 4\n");
    EXPECT_EQ(refused({"tree", "select", "0"}), "usage: tree select 0: the tree has nodes 1 to 4\n");
    EXPECT_EQ(refused({"tree", "forward", "2"}), "usage: tree forward takes no value\n");
    EXPECT_NE(refused({"tree", "sideways"}).find("usage: unknown step tree sideways"), std::string::npos);
}

TEST_F(ScoreDialogStepsTest, MusicStepsPrintEditAndRefuse) {
    EXPECT_EQ(ok({"music", "print"}),
              "tempo: 1 s\n"
              "stave: 1/1 room-up=80 room-down=80 fg=000000 bg=FFFFFF join=on sound=on extra-lines=off\n"
              "group: 1/1 color=000000 shape=normal sticks-up=off sticks-down=off\n"
              "player: 1/1 kind=0 volume=1 freq-up=0 Hz sample-wave=sample basic-freq=440 Hz\n");
    EXPECT_EQ(ok({"music", "enabled"}), "stave: insert append\ngroup: insert append\nplayer: insert append\n");
    EXPECT_EQ(refused({"stave", "delete"}), "stave delete is not available\n");
    EXPECT_EQ(refused({"player", "move-next"}), "player move-next is not available\n");
    EXPECT_EQ(refused({"music", "tempo", "xyz"}), "In Tempo: Input has no value.\n");

    ok({"stave", "foreground", "FF0000"});
    EXPECT_EQ(doc.GetFirstStave()->ForegroundColor, 0x0000FF);
    ok({"stave", "sound", "off"});
    ok({"stave", "room-up", "40"});
    ok({"group", "color", "00ff80"});
    ok({"group", "sticks-up", "on"});
    ok({"group", "sticks-down", "on"});
    ok({"group", "shape", "rectangle"});
    ok({"player", "append"});
    ok({"player", "kind", "2"});
    EXPECT_EQ(refused({"player", "basic-freq", "1 kHz"}),
              "usage: player basic-freq: the page of kind 2 has no such field\n");
    ok({"player", "kind", "1"});
    ok({"player", "resonant-factor", "0.2"});
    EXPECT_EQ(refused({"player", "sample-wave", ""}), "In Sample Wave: Field should not be empty.\n");
    ok({"music", "tempo", "500 ms"});
    EXPECT_EQ(ok({"music", "print"}),
              "tempo: 500 ms\n"
              "stave: 1/1 room-up=40 room-down=80 fg=FF0000 bg=FFFFFF join=on sound=off extra-lines=off\n"
              "group: 1/1 color=00FF80 shape=rectangle sticks-up=off sticks-down=on\n"
              "player: 2/2 kind=1 volume=50 % freq-up=0 Hz sample-wave=sample resonant-factor=0.2\n");
    EXPECT_EQ(ok({"music", "enabled"}),
              "stave: insert append\ngroup: insert append\nplayer: first previous insert append delete move-prev\n");

    EXPECT_EQ(refused({"player", "kind", "5"}), "usage: player kind takes 0 to 4\n");
    EXPECT_EQ(refused({"stave", "join", "yes"}), "usage: stave join takes on or off\n");
    EXPECT_EQ(refused({"group", "color", "red"}), "usage: group color takes a colour RRGGBB\n");
    EXPECT_EQ(refused({"music", "tempo"}), "usage: music tempo TEXT|print|enabled\n");
    EXPECT_NE(refused({"stave", "wobble", "1"}).find("usage: stave first|previous"), std::string::npos);
}
