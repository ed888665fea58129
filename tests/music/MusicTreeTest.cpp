#include <climits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "music/MusicTree.h"

using namespace korvane;
using korvane::testing::CoreFixture;

namespace {

class MusicTreeTest : public CoreFixture {
protected:
    TUnitMuz doc;
    TMusTree tree{doc};

    void SetUp() override {
        CoreFixture::SetUp();
        doc.InitNew();
        doc.MarkSaved();
    }

    // The listing as "root,.A,.repeat 2,..B": one dot per level.
    std::string listing() {
        std::string text;
        for (const TMusTreeNode& node : tree.Listing()) {
            if (!text.empty()) text += ",";
            text += std::string(node.Depth, '.') + node.Item->GetShownName();
        }
        return text;
    }

    TMusTreeItem* node(const std::string& name) {
        for (const TMusTreeNode& n : tree.Listing())
            if (n.Item->GetShownName() == name) return n.Item;
        ADD_FAILURE() << "no node " << name;
        return nullptr;
    }

    void select(const std::string& name) { tree.Select(node(name)); }

    void run(TMusTreeAction action) {
        ASSERT_TRUE(tree.Run(action)) << MusTreeActions()[action].Step;
        doc.GetStartPart()->CheckParentLinks(nullptr);
    }

    void label(const std::string& text) {
        std::string message;
        ASSERT_TRUE(tree.SetLabel(text, message)) << message;
    }

    // root -> A, repeat 2 (B), C, made through the dialog's own commands.
    void buildABC() {
        tree.Select(doc.FirstSinglePart());
        label("A");
        run(treeAppendSingle);
        label("B");
        run(treeAppendSingle);
        label("C");
        select("B");
        run(treeAddLoop);
        ASSERT_EQ(listing(), "root,.A,.repeat 2,..B,.C");
    }

    std::string enabledSteps() {
        std::string text;
        const TMusTreeEnabling e = tree.Enabling();
        for (const TMusTreeActionInfo& info : MusTreeActions())
            if (e.Actions[info.Action]) text += std::string(text.empty() ? "" : " ") + info.Step;
        if (e.Count) text += " count";
        if (e.Pitch) text += " pitch";
        if (e.PlayDraw) text += " play-draw";
        return text;
    }
};

}  // namespace

TEST_F(MusicTreeTest, OneSinglePartCannotBeDeletedAndAppendGivesTwoParts) {
    EXPECT_EQ(listing(), "root,.part");
    tree.Select(doc.GetStartPart());
    // The root only opens, closes and jumps: detaching it would leave no tree.
    EXPECT_EQ(enabledSteps(), "expand expand-all collapse collapse-all goto-begin goto-end play-draw");
    EXPECT_FALSE(tree.Run(treeInsertSingle));

    TSinglePartMuz* first = doc.FirstSinglePart();
    tree.Select(first);
    EXPECT_EQ(enabledSteps(), "insert-single append-single repeat turns goto-begin goto-end play-draw");
    EXPECT_FALSE(tree.Run(treeDelete));
    EXPECT_EQ(doc.State, unitStateSaved);

    run(treeAppendSingle);
    EXPECT_EQ(listing(), "root,.part,.part");
    EXPECT_EQ(doc.State, unitStateChanged);
    // The new part is selected, comes second and has the bar and a key per stave.
    auto* made = static_cast<TSinglePartMuz*>(tree.Selected());
    EXPECT_NE(made, first);
    EXPECT_EQ(first->NextSinglePart(), made);
    EXPECT_EQ(made->GetMuzBar()->GetCountNotes(), 4);
    ASSERT_NE(made->GetFirstSymbol(), nullptr);
    EXPECT_EQ(made->GetFirstSymbol()->GetStaveSymbolKind(), staveSymbolKey);
    EXPECT_TRUE(tree.DeleteNeedsConfirmation());
    EXPECT_TRUE(tree.Enabled(treeDelete));

    tree.Select(first);
    run(treeInsertSingle);
    EXPECT_EQ(doc.FirstSinglePart(), tree.Selected());
    EXPECT_EQ(listing(), "root,.part,.part,.part");
}

TEST_F(MusicTreeTest, RepeatAndTurnsWrapThePart) {
    tree.Select(doc.FirstSinglePart());
    run(treeAddLoop);
    EXPECT_EQ(listing(), "root,.repeat 2,..part");
    EXPECT_EQ(tree.Selected()->GetShownName(), "repeat 2");
    EXPECT_EQ(enabledSteps(),
              "insert-single append-single repeat turns delete expand expand-all collapse collapse-all goto-begin "
              "goto-end count play-draw");

    select("part");
    run(treeAddTurns);
    EXPECT_EQ(listing(), "root,.repeat 2,..turns,...turn 1,...part");
    EXPECT_EQ(tree.Selected()->GetShownName(), "turns");
    EXPECT_TRUE(tree.Enabled(treeAddTurn));
    run(treeAddTurn);
    EXPECT_EQ(listing(), "root,.repeat 2,..turns,...turn 1,...turn 2,...part");
    EXPECT_EQ(tree.Selected()->GetShownName(), "turn 2");
    // A turn is edited and deleted, nothing else.
    EXPECT_EQ(enabledSteps(), "delete count pitch");
    EXPECT_FALSE(tree.DeleteNeedsConfirmation());
}

TEST_F(MusicTreeTest, OctaveTexts) {
    const std::vector<std::pair<int, std::string>> cases = {
        {18, "1 1/2"},
        {4, "1/3"},
        {24, "2"},
        {-6, "-1/2"},
        {0, "0"},
        {-18, "-1 1/2"},
        {7, "7/12"},
        {-24, "-2"},
        {13, "1 1/12"},
        {-1, "-1/12"},
        {-9, "-3/4"},
        {30, "2 1/2"},
        {INT_MIN, "-178956970 2/3"},
    };
    for (const auto& [pitch, text] : cases) EXPECT_EQ(OctaveText(pitch), text) << pitch;
}

TEST_F(MusicTreeTest, CountAndPitchEdits) {
    tree.Select(doc.FirstSinglePart());
    run(treeAddTurns);
    run(treeAddTurn);
    auto* second = static_cast<TCountSelectPartItem*>(tree.Selected());
    doc.MarkSaved();

    std::string message;
    EXPECT_FALSE(tree.CommitCount("1", message));
    EXPECT_EQ(message, "In Count: 1 already exist");
    EXPECT_EQ(second->Count.GetValue(), 2);
    EXPECT_EQ(doc.State, unitStateSaved);
    EXPECT_FALSE(tree.CommitCount("xyz", message));
    EXPECT_EQ(message, "In Count: Value must be positive and more than 0.");
    EXPECT_TRUE(tree.CommitCount("2", message));  // its own count is no duplicate
    // A unit typed after the number would leave the file's Count empty.
    EXPECT_TRUE(tree.CommitCount("3 ms", message));
    EXPECT_EQ(second->GetShownName(), "turn 3");
    EXPECT_TRUE(tree.CommitPitch("-6", message));
    EXPECT_EQ(second->Pitch.GetValue(), -6);
    EXPECT_EQ(doc.State, unitStateChanged);

    select("turns");
    EXPECT_FALSE(tree.CommitPitch("1", message));  // no pitch on a part
    run(treeAddLoop);
    EXPECT_TRUE(tree.CommitCount("5", message));
    EXPECT_EQ(tree.Selected()->GetShownName(), "repeat 5");
    EXPECT_FALSE(tree.CommitCount("0", message));
    EXPECT_EQ(message, "In Count: Value must be positive and more than 0.");
    EXPECT_EQ(tree.Selected()->GetShownName(), "repeat 5");
}

namespace {

// Moves from the tree root -> A, repeat 2 (B), C: the nodes moved in order,
// and the listing afterwards. The last part moved stays selected.
struct MoveCase {
    std::vector<std::pair<std::string, TMusTreeAction>> steps;
    std::string listing;
};

class MusicTreeMoveTest : public MusicTreeTest, public ::testing::WithParamInterface<MoveCase> {};

}  // namespace

TEST_P(MusicTreeMoveTest, MovesSidewaysIntoAndOutOfRepeats) {
    buildABC();
    std::string moved;
    for (const auto& [name, action] : GetParam().steps) {
        select(name);
        run(action);
        moved = name;
    }
    EXPECT_EQ(listing(), GetParam().listing);
    EXPECT_EQ(tree.Selected()->GetShownName(), moved);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MusicTreeMoveTest,
    ::testing::Values(MoveCase{{{"A", treeMoveForward}}, "root,.repeat 2,..B,.A,.C"},
                      MoveCase{{{"C", treeMoveBackward}}, "root,.A,.C,.repeat 2,..B"},
                      MoveCase{{{"repeat 2", treeMoveBackward}}, "root,.repeat 2,..B,.A,.C"},
                      MoveCase{{{"A", treeMoveForwardIn}}, "root,.repeat 2,..A,..B,.C"},
                      MoveCase{{{"C", treeMoveBackwardIn}}, "root,.A,.repeat 2,..B,..C"},
                      MoveCase{{{"A", treeMoveForwardIn}, {"A", treeMoveForwardOut}}, "root,.repeat 2,..B,.A,.C"},
                      MoveCase{{{"A", treeMoveForwardIn}, {"A", treeMoveBackwardOut}}, "root,.A,.repeat 2,..B,.C"},
                      MoveCase{{{"C", treeMoveBackwardIn}, {"B", treeMoveForward}}, "root,.A,.repeat 2,..C,..B"},
                      MoveCase{{{"A", treeMoveForwardIn}, {"C", treeMoveBackwardIn}, {"B", treeMoveBackwardOut}},
                               "root,.B,.repeat 2,..A,..C"},
                      MoveCase{{{"A", treeMoveForwardIn}, {"C", treeMoveBackwardIn}, {"B", treeMoveForwardOut}},
                               "root,.repeat 2,..A,..C,.B"}));

TEST_F(MusicTreeTest, MoveEnablingFollowsTheSiblings) {
    buildABC();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"A", "insert-single append-single repeat turns forward forward-in delete goto-begin goto-end play-draw"},
        {"C", "insert-single append-single repeat turns backward backward-in delete goto-begin goto-end play-draw"},
        // Alone in its repeat: neither out nor deleted.
        {"B", "insert-single append-single repeat turns goto-begin goto-end play-draw"},
        {"repeat 2",
         "insert-single append-single repeat turns forward backward delete expand expand-all collapse collapse-all "
         "goto-begin goto-end count play-draw"},
    };
    for (const auto& [name, steps] : cases) {
        select(name);
        EXPECT_EQ(enabledSteps(), steps) << name;
    }
    doc.SelectedSymbol = nullptr;
    select("A");
    EXPECT_FALSE(tree.Enabled(treeGotoBegin));
    tree.Select(nullptr);
    EXPECT_EQ(enabledSteps(), "");
    TSinglePartMuz stray(&doc);  // a selection that is no node of the tree is none
    tree.Select(&stray);
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_EQ(enabledSteps(), "");
}

TEST_F(MusicTreeTest, DeletingPartsRepeatsAndTurns) {
    buildABC();
    auto* b = static_cast<TSinglePartMuz*>(node("B"));
    // B's key is selected in the score; it goes with B.
    doc.SetSelectedSymbol(b->GetFirstSymbol());
    select("B");
    EXPECT_FALSE(tree.Enabled(treeDelete));
    // The operation itself takes the wrapping repeat along, up to the
    // concatenation, which gives way to its other child.
    TMusTreeItem* named = tree.DeleteSingle(b);
    doc.GetStartPart()->CheckParentLinks(nullptr);
    EXPECT_EQ(listing(), "root,.A,.C");
    EXPECT_EQ(named->GetShownName(), "C");
    EXPECT_EQ(doc.SelectedSymbol, nullptr);

    select("C");
    run(treeDelete);
    EXPECT_EQ(listing(), "root,.A");
    EXPECT_EQ(tree.Selected()->GetShownName(), "A");
    EXPECT_EQ(tree.DeleteSingle(static_cast<TSinglePartMuz*>(node("A"))), nullptr);
    EXPECT_EQ(listing(), "root,.A");
}

TEST_F(MusicTreeTest, DeletingAWrapperKeepsItsChild) {
    buildABC();
    select("A");
    run(treeMoveForwardIn);  // repeat 2 (A, B)
    auto* loop = static_cast<TLoopPartMuz*>(node("repeat 2"));
    doc.SetSelectedSymbol(loop->GetRightLoopSymbol());
    select("repeat 2");
    run(treeDelete);
    EXPECT_EQ(listing(), "root,.A,.B,.C");
    EXPECT_EQ(tree.Selected()->GetShownName(), "A");  // the first node of the child's chain
    EXPECT_EQ(doc.SelectedSymbol, nullptr);

    select("B");
    run(treeAddLoop);
    TStaveSymbol* keyOfB = static_cast<TSinglePartMuz*>(node("B"))->GetFirstSymbol();
    doc.SetSelectedSymbol(keyOfB);
    select("repeat 2");
    run(treeDelete);
    EXPECT_EQ(doc.SelectedSymbol, keyOfB);  // it stays with the child

    select("A");
    run(treeAddTurns);
    run(treeAddTurn);
    run(treeDelete);  // turn 2
    EXPECT_EQ(listing(), "root,.turns,..turn 1,..A,.B,.C");
    EXPECT_EQ(tree.Selected()->GetShownName(), "turns");
    run(treeDelete);
    EXPECT_EQ(listing(), "root,.A,.B,.C");

    select("A");
    doc.SetSelectedSymbol(static_cast<TSinglePartMuz*>(node("B"))->GetFirstSymbol());
    run(treeDelete);  // a single part with siblings: after it, its next sibling is selected
    EXPECT_EQ(listing(), "root,.B,.C");
    EXPECT_EQ(tree.Selected()->GetShownName(), "B");
    EXPECT_NE(doc.SelectedSymbol, nullptr);  // not in A, so it stays
}

TEST_F(MusicTreeTest, PlayAndDrawClicksPassOverStatesThatDoNotFit) {
    buildABC();
    auto* loop = static_cast<TPartMuz*>(node("repeat 2"));
    auto* b = static_cast<TPartMuz*>(node("B"));
    struct Click {
        TPartMuz* part;
        TPlayDrawState loopAfter, bAfter;
    };
    const std::vector<Click> clicks = {
        {loop, playDrawUnchecked, playDrawGreyed},  // checked -> unchecked
        {b, playDrawUnchecked, playDrawUnchecked},  // greyed -> (checked) -> unchecked
        {b, playDrawUnchecked, playDrawGreyed},     // unchecked -> greyed
        {loop, playDrawChecked, playDrawChecked},   // unchecked -> (greyed) -> checked
        {b, playDrawChecked, playDrawUnchecked},    // checked -> unchecked
        {b, playDrawChecked, playDrawChecked},      // unchecked -> (greyed) -> checked
    };
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        tree.Select(clicks[i].part);
        tree.ClickPlayDraw();
        EXPECT_EQ(PlayDrawState(*loop), clicks[i].loopAfter) << "click " << i;
        EXPECT_EQ(PlayDrawState(*b), clicks[i].bAfter) << "click " << i;
    }
    EXPECT_EQ(doc.State, unitStateChanged);  // from building, not from the clicks
}

TEST_F(MusicTreeTest, ExpandAndCollapseSetTheFlags) {
    buildABC();
    select("B");
    run(treeAddTurns);
    auto* loop = static_cast<TLoopPartMuz*>(node("repeat 2"));
    auto* select = static_cast<TSelectPartMuz*>(node("turns"));
    doc.MarkSaved();
    tree.Select(doc.GetStartPart());
    run(treeCollapseAll);
    EXPECT_FALSE(loop->Expanded);
    EXPECT_FALSE(select->Expanded);
    EXPECT_EQ(doc.State, unitStateChanged);
    // Closed nodes still list their children.
    EXPECT_EQ(listing(), "root,.A,.repeat 2,..turns,...turn 1,...B,.C");
    tree.Select(loop);
    run(treeExpand);
    EXPECT_TRUE(loop->Expanded);
    EXPECT_FALSE(select->Expanded);
    run(treeExpandAll);
    EXPECT_TRUE(select->Expanded);
    doc.MarkSaved();
    run(treeExpand);  // already open: nothing changes
    EXPECT_EQ(doc.State, unitStateSaved);
}

TEST_F(MusicTreeTest, GotoBeginAndEndOfThePartInTheSelectedStave) {
    buildABC();
    auto* a = static_cast<TSinglePartMuz*>(node("A"));
    auto* b = static_cast<TSinglePartMuz*>(node("B"));
    auto* c = static_cast<TSinglePartMuz*>(node("C"));
    TNoteStave* stave = static_cast<TNoteStave*>(doc.GetFirstStave());
    auto note = [&](TSinglePartMuz* part, double at) {
        auto n = std::make_unique<TMuzNote>(stave->GetStartNoteGroup(), &doc, stave, at, part, 4, 0, sool, 0, 0,
                                            noteShiftNormal, noteArtNormal, noteStickGroup);
        TMuzNote* raw = n.get();
        part->InsertSorted(std::move(n));
        return raw;
    };
    note(b, 0);
    TMuzNote* lastOfB = note(b, 0.25);
    TMuzNote* lastOfC = note(c, 0.5);
    doc.SetSelectedSymbol(a->GetFirstSymbol());

    select("repeat 2");
    run(treeGotoEnd);
    EXPECT_EQ(doc.SelectedSymbol, lastOfB);
    tree.Select(doc.GetStartPart());
    run(treeGotoBegin);
    EXPECT_EQ(doc.SelectedSymbol, a->GetFirstSymbol());
    run(treeGotoEnd);
    EXPECT_EQ(doc.SelectedSymbol, lastOfC);
    select("C");
    run(treeGotoBegin);
    EXPECT_EQ(doc.SelectedSymbol, c->GetFirstSymbol());
}

TEST_F(MusicTreeTest, LabelsThatTheFileCannotHoldAreRefused) {
    tree.Select(doc.FirstSinglePart());
    std::string message;
    for (const char* bad : {"<b>", "a > b", "rock & roll"}) {
        EXPECT_FALSE(tree.SetLabel(bad, message)) << bad;
        EXPECT_EQ(message, "In Label: The characters '<', '>' and '&' are not allowed.");
    }
    EXPECT_EQ(listing(), "root,.part");
    EXPECT_EQ(doc.State, unitStateSaved);
    label("intro");
    EXPECT_EQ(listing(), "root,.intro");
    label("");
    EXPECT_EQ(listing(), "root,.part");
}
