#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "ScoreChains.h"
#include "TestSupport.h"
#include "cli/ScoreCommand.h"
#include "music/MusicTree.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"

using namespace korvane;
using korvane::testing::CoreFixture;
using korvane::testing::ScoreRoundTripFault;

namespace {

class ScoreRoundTripTest : public CoreFixture {
protected:
    std::unique_ptr<TUnitMuz> doc;

    void SetUp() override {
        CoreFixture::SetUp();
        fresh();
    }
    // A new document with one single part, as `score` starts it.
    void fresh() {
        doc = std::make_unique<TUnitMuz>();
        doc->InitNew();
        doc->SelectedTreeItem = doc->GetStartPart();
    }

    struct Outcome {
        int status;
        std::string out, err;
    };
    Outcome step(std::vector<std::string> words) {
        std::ostringstream out, err;
        const int status = cli::RunScoreStep(*doc, words, out, err);
        return {status, out.str(), err.str()};
    }
};

std::string demoText() {
    std::ifstream in(std::filesystem::path(KORVANE_SOURCE_DIR) / "examples" / "music-demo.korvanem", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

// Labels and sample waves are kept as the file gives them back, and what the
// file cannot hold is refused, both with the field's Input Error.
TEST_F(ScoreRoundTripTest, TextsAreKeptAsTheFileReadsThem) {
    struct Case {
        std::vector<std::string> set;
        const char* err;     // "" when the step is taken
        const char* shown;   // what `tree print` line 2 or `music print` shows after it
    };
    const std::string latin = "In Label: The character U+20AC cannot be stored: a music file holds ISO-8859-1 "
                              "characters only.\n";
    const Case cases[] = {
        {{"tree", "label", " "}, "", "2 1 part \"part\" play=on"},
        {{"tree", "label", "\t"}, "", "2 1 part \"part\" play=on"},
        {{"tree", "label", "\r\n \t"}, "", "2 1 part \"part\" play=on"},
        {{"tree", "label", "  Intro\tA \n B  "}, "", "2 1 part \"Intro A   B\" play=on"},
        {{"tree", "label", "Caf\xC3\xA9 \xC3\xBF"}, "", "2 1 part \"Caf\xC3\xA9 \xC3\xBF\" play=on"},
        {{"tree", "label", "5 \xE2\x82\xAC"}, latin.c_str(), "2 1 part \"part\" play=on"},
        {{"tree", "label", "a\x01"},
         "In Label: The character U+0001 cannot be stored: a music file holds ISO-8859-1 characters only.\n",
         "2 1 part \"part\" play=on"},
        {{"tree", "label", "a\xC2\x85"},
         "In Label: The character U+0085 cannot be stored: a music file holds ISO-8859-1 characters only.\n",
         "2 1 part \"part\" play=on"},
        {{"tree", "label", "caf\xE9"}, "In Label: The text is not valid UTF-8.\n", "2 1 part \"part\" play=on"},
        {{"player", "sample-wave", " "}, "In Sample Wave: Field should not be empty.\n", "sample-wave=sample"},
        {{"player", "sample-wave", "\t\n"}, "In Sample Wave: Field should not be empty.\n", "sample-wave=sample"},
        {{"player", "sample-wave", " piano\t2 "}, "", "sample-wave=piano 2"},
        {{"player", "sample-wave", "\xC3\xA9t\xC3\xA9"}, "", "sample-wave=\xC3\xA9t\xC3\xA9"},
        {{"player", "sample-wave", "\xE2\x82\xAC"},
         "In Sample Wave: The character U+20AC cannot be stored: a music file holds ISO-8859-1 characters only.\n",
         "sample-wave=sample"},
    };
    for (const Case& c : cases) {
        fresh();
        step({"tree", "select", "2"});
        step({"tree", "label", "part"});
        step({"group", "append"});
        const Outcome o = step(c.set);
        const std::string what = c.set[1] + " [" + c.set[2] + "]";
        EXPECT_EQ(o.err, c.err) << what;
        EXPECT_EQ(o.status, *c.err ? 2 : 0) << what;
        const std::string shown = step({c.set[0] == "tree" ? "tree" : "music", "print"}).out;
        EXPECT_NE(shown.find(c.shown), std::string::npos) << what << "\n" << shown;
        EXPECT_EQ(ScoreRoundTripFault(*doc), "") << what;
    }
    // ISO-8859-1 characters are single bytes in the file.
    fresh();
    step({"tree", "select", "2"});
    step({"tree", "label", "\xC3\xA9"});
    std::string text, message;
    ASSERT_TRUE(MuzText(*doc, text, message));
    EXPECT_NE(text.find("<PartLabel>\xE9</PartLabel>"), std::string::npos) << text;
}

TEST(MusicFileTextTest, Latin1AndUtf8ConvertBothWays) {
    std::string every;
    for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(every)), every);
    EXPECT_EQ(Latin1ToUtf8("\xE9\xFF"), "\xC3\xA9\xC3\xBF");
    // A byte that is not UTF-8 and a character beyond U+00FF stay as they are.
    EXPECT_EQ(Utf8ToLatin1("a\xE9\xE2\x82\xAC"), "a\xE9\xE2\x82\xAC");
    EXPECT_EQ(MusicFileText("\t a\r\n\tb  \n"), "a   b");
    EXPECT_EQ(MusicFileText(" \t\n"), "");
}

// Random chains of steps over a new document and over the demo: whatever the
// chain did, the file written reads back as the same document and writes as
// the same bytes.
TEST_F(ScoreRoundTripTest, RandomEditChainsComeBackFromTheFile) {
    const std::string demo = demoText();
    ASSERT_FALSE(demo.empty());
    std::mt19937 random(27);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int taken = 0;
    const int chains = 3000;
    for (int chain = 0; chain < chains; ++chain) {
        TUnitMuz edited;
        if (chain % 2 == 0) {
            edited.InitNew();
        } else {
            std::string message;
            ASSERT_TRUE(ReadMuzText(edited, demo, message)) << message;
        }
        if (!edited.SelectedTreeItem) edited.SelectedTreeItem = edited.GetStartPart();
        std::vector<std::vector<std::string>> steps;
        for (int n = 1 + pick(24); n > 0; --n) {
            steps.push_back(korvane::testing::MakeScoreStep(pick));
            std::ostringstream out, err;
            if (cli::RunScoreStep(edited, steps.back(), out, err) == 0) ++taken;
        }
        const std::string fault = ScoreRoundTripFault(edited);
        ASSERT_EQ(fault, "") << "chain " << chain << ":" << korvane::testing::ScoreChainText(steps);
    }
    // Most steps do something: the chains are not all refusals.
    EXPECT_GT(taken, chains * 5);
}
