#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "commands/CommandTable.h"
#include "music/TUnitMuz.h"
#include "processing/TWorkspace.h"

namespace korvane {
namespace {

using namespace testing;

class CommandTableTest : public CoreFixture {
protected:
    TWorkspace space;

    TUnitWave& monoDoc(const std::vector<int>& samples) {
        return space.AddWave(
            std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), 44100, 2), "m.wav"));
    }
    TUnitWave& stereoDoc(const std::vector<int>& samples) {
        return space.AddWave(std::make_unique<TUnitWave>(
            std::make_unique<StereoSound>(makeWave(samples), makeWave(samples), 44100, 2), "s.wav"));
    }
};

TEST_F(CommandTableTest, EveryCommandIsFoundByItsOwnKeyAndCliName) {
    std::set<std::string> actions, cliNames;
    for (const Command& c : Commands()) {
        SCOPED_TRACE(c.action);
        EXPECT_FALSE(c.action.empty());
        EXPECT_TRUE(actions.insert(c.action).second) << "the key is used twice";
        EXPECT_FALSE(c.caption.empty());
        // The status line shows the part before the bar, the tip the part after.
        const size_t bar = c.hint.find('|');
        ASSERT_NE(bar, std::string::npos) << c.hint;
        EXPECT_GT(bar, 0u) << c.hint;
        EXPECT_LT(bar + 1, c.hint.size()) << c.hint;
        EXPECT_EQ(FindCommand(c.action), &c);
        if (!c.cliName.empty()) {
            EXPECT_TRUE(cliNames.insert(c.cliName).second) << "the CLI name is used twice";
            EXPECT_EQ(FindCommandByCliName(c.cliName), &c);
        }
        // A dialog has its help page.
        if (c.HasDialog()) {
            EXPECT_GT(c.helpContext, 0);
        }
        // A command the window has no action for is a batch step.
        if (!c.window) {
            EXPECT_FALSE(c.cliName.empty());
        }
    }
    EXPECT_EQ(FindCommand("NoSuchCommand"), nullptr);
    EXPECT_EQ(FindCommand(""), nullptr);
    EXPECT_EQ(FindCommandByCliName("no-such-step"), nullptr);
    // Most commands have no CLI name: the empty name finds none of them.
    EXPECT_EQ(FindCommandByCliName(""), nullptr);
}

TEST_F(CommandTableTest, EveryMenuPathIsADeclaredMenuAndShortCutsOfOneMomentDiffer) {
    std::set<std::string> menus;
    for (const CommandMenu& m : CommandMenus()) {
        EXPECT_TRUE(menus.insert(m.key).second) << m.key;
        // A submenu comes after its parent.
        const size_t slash = m.key.rfind('/');
        if (slash != std::string::npos) {
            EXPECT_EQ(menus.count(m.key.substr(0, slash)), 1u) << m.key;
        }
    }
    // The short cuts that work at one moment: the window's own and those of
    // the active document's kind.
    std::map<std::string, std::string> taken[3];  // by DocKind
    for (const Command& c : Commands()) {
        SCOPED_TRACE(c.action);
        if (!c.menu.empty()) {
            EXPECT_EQ(menus.count(c.menu), 1u) << c.menu;
        }
        if (c.shortcut.empty() || !c.window) continue;
        for (int kind : {1, 2}) {
            if (c.kind != DocKind::None && static_cast<int>(c.kind) != kind) continue;
            auto [at, added] = taken[kind].emplace(c.shortcut, c.action);
            EXPECT_TRUE(added) << c.shortcut << " is also " << at->second;
        }
    }
    // The window's own keys are there with either kind, a music key only
    // with music.
    EXPECT_EQ(taken[1].count("Ctrl+S"), 1u);
    EXPECT_EQ(taken[2].count("Ctrl+S"), 1u);
    EXPECT_EQ(taken[1].count("Alt+Ins"), 0u);
    EXPECT_EQ(taken[2].count("Alt+Ins"), 1u);
    EXPECT_GT(taken[1].size(), 20u);
}

TEST_F(CommandTableTest, EveryWaveCommandWithACliNameMakesItsStep) {
    TUnitWave& doc = monoDoc({1, 2, 3, 4});
    int steps = 0;
    for (const Command& c : Commands()) {
        if (c.cliName.empty()) continue;
        SCOPED_TRACE(c.action);
        EXPECT_NE(c.kind, DocKind::Music);
        ASSERT_TRUE(c.makeStep);
        ASSERT_TRUE(c.enabled);
        std::unique_ptr<CommandStep> step = c.makeStep(space, doc);
        ASSERT_NE(step, nullptr);
        std::set<std::string> names;
        for (const CommandOption& o : step->Options()) {
            EXPECT_EQ(o.name.rfind("--", 0), 0u) << o.name;
            EXPECT_TRUE(names.insert(o.name).second) << o.name << " twice";
            EXPECT_TRUE(o.set) << o.name;
        }
        ++steps;
    }
    EXPECT_GE(steps, 40);
    // The music commands run on the document, never as wave steps.
    for (const Command& c : Commands())
        if (c.kind == DocKind::Music && !c.shellHandled) {
            EXPECT_FALSE(c.makeStep) << c.action;
        }
}

TEST_F(CommandTableTest, EnableRulesGiveTheirReasons) {
    TUnitWave& empty = monoDoc({});
    TUnitWave& mono = monoDoc({1, 2, 3, 4, 5});
    TUnitWave& stereo = stereoDoc({1, 2, 3, 4, 5});
    TUnitWave& selected = monoDoc({1, 2, 3, 4, 5});
    selected.SetRange(1, 3);
    TUnitWave& fromStart = monoDoc({1, 2, 3, 4, 5});
    fromStart.SetRange(0, 3);
    TUnitMuz music;
    music.InitNew();
    music.UnitMuzMode = unitMuzSel;  // nothing selected

    const auto wave = [](TUnitWave& w) { return CommandState{nullptr, &w, nullptr, false, 1}; };
    const CommandState nothing{};
    CommandState drawing = wave(mono);
    drawing.drawing = true;
    CommandState withClip = wave(empty);
    withClip.space = &space;
    CommandState clipAndSamples = wave(mono);
    clipAndSamples.space = &space;
    CommandState twoWindows = wave(mono);
    twoWindows.children = 2;
    const CommandState musicOnly{nullptr, nullptr, &music, false, 1};

    const std::string noWave = "no wave window is active", noSamples = "the wave has no samples";
    const std::string noClip = "the clipboard is empty", noMusic = "no music window is active";
    struct Case {
        const char* action;
        CommandState state;
        std::string reason;
        bool clip;  // the clipboard holds a sound
    } cases[] = {
        {"EditDelete", nothing, noWave, false},
        {"EditDelete", musicOnly, noWave, false},
        {"EditDelete", drawing, "the wave window is drawing", false},
        {"EditDelete", wave(empty), noSamples, false},
        {"EditDelete", wave(mono), "", false},
        {"EditTrim", wave(mono), "the selection is empty", false},
        {"EditTrim", wave(selected), "", false},
        {"EditPaste", withClip, noClip, false},
        {"EditPaste", withClip, "", true},
        // Swap asks for the clipboard first, then for samples.
        {"EditSwap", wave(empty), noClip, false},
        {"EditSwap", withClip, noSamples, true},
        {"EditSwap", clipAndSamples, "", true},
        {"EditMix", withClip, "", true},
        {"EditClearClipboard", clipAndSamples, noClip, false},
        {"FileProperties", drawing, "the wave window is drawing", false},
        {"FileProperties", wave(empty), "", false},
        {"MakeSilence", wave(empty), "", false},
        {"Balance", wave(stereo), "the wave is not mono", false},
        {"Balance", wave(mono), "", false},
        {"MixLeftRight", wave(mono), "the wave is not stereo", false},
        {"MixLeftRight", wave(empty), noSamples, false},
        {"SplitV", wave(mono), "the wave is not stereo", false},
        {"SplitV", wave(stereo), "", false},
        {"SplitV", nothing, noWave, false},
        {"SplitH", wave(fromStart), "the selection does not lie strictly inside the wave", false},
        {"SplitH", wave(selected), "", false},
        {"MergeH", wave(mono), "there is no second wave window", false},
        {"MergeV", twoWindows, "", false},
        {"MusicModeAdd", wave(mono), noMusic, false},
        {"MusicModeAdd", musicOnly, "", false},
        {"MusicNote4", musicOnly, "the selection does not allow it", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " -> \"" + c.reason + "\"");
        const Command* command = FindCommand(c.action);
        ASSERT_NE(command, nullptr);
        ASSERT_TRUE(command->enabled);
        if (c.clip)
            space.Clipboard = std::make_unique<MonoSound>(makeWave({7, 8}), 44100, 2);
        else
            space.ClearClipboard();
        EXPECT_EQ(command->enabled(c.state), c.reason);
    }
    // In add mode a note length is an insert setting, always there to set.
    music.UnitMuzMode = unitMuzAdd;
    EXPECT_EQ(FindCommand("MusicNote4")->enabled(musicOnly), "");
}

}  // namespace
}  // namespace korvane
