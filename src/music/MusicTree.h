#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "music/TUnitMuz.h"

namespace korvane {

// The actions of the music parts dialog, in the order of its menus and of
// `tree enabled` in korvane-cli.
enum TMusTreeAction : uint8_t {
    treeInsertSingle,
    treeAppendSingle,
    treeAddLoop,
    treeAddTurns,
    treeAddTurn,
    treeMoveForward,
    treeMoveBackward,
    treeMoveForwardIn,
    treeMoveBackwardIn,
    treeMoveForwardOut,
    treeMoveBackwardOut,
    treeDelete,
    treeExpand,
    treeExpandAll,
    treeCollapse,
    treeCollapseAll,
    treeGotoBegin,
    treeGotoEnd,
    treeActionCount,
};

// One action as both front ends show it: the window builds its menus and
// tool bar from these, korvane-cli its `tree` steps.
struct TMusTreeActionInfo {
    TMusTreeAction Action;
    const char* Name;         // cmdInsertSingle
    const char* Menu;         // the menu group
    const char* Caption;      // the action's caption
    const char* MenuCaption;  // the menu item's caption when it differs, else nullptr
    const char* Hint;         // "short|long"
    const char* Step;         // the word of the korvane-cli step
};
const std::array<TMusTreeActionInfo, treeActionCount>& MusTreeActions();

// A node of the tree view. Concatenations have no node: their children's
// nodes follow each other at the same level. The root is node 0 of a listing.
struct TMusTreeNode {
    TMusTreeItem* Item;
    int Depth;
    int Parent;  // index of the parent node; -1 for the root
};

// "Play and Draw Subtree" as the check box shows it.
enum TPlayDrawState : uint8_t { playDrawUnchecked, playDrawGreyed, playDrawChecked };
TPlayDrawState PlayDrawState(const TPartMuz& part);

// The item images of the tree view.
enum TMusTreeImage : uint8_t {
    musTreeImageLoop = 0,
    musTreeImageSingle = 1,
    musTreeImageTurn = 2,
    musTreeImageSelect = 3
};
TMusTreeImage MusTreeImage(const TMusTreeItem& item);

// A pitch in semitones written as octaves: "1 1/2" for 18, "-1/2" for -6.
std::string OctaveText(int pitch);

// A text the music file keeps (a label, a sample wave's name) as reading the
// file gives it back: tabs and line breaks as blanks, no blanks at the ends.
std::string MusicFileText(const std::string& text);

// Whether the music file can hold `text` (UTF-8, as the editor keeps it): the
// layer has no escapes, so no '<', '>' or '&', and the file is ISO-8859-1,
// so no character beyond U+00FF and no control character (tabs and line
// breaks excepted, which become blanks). Returns false with the Input Error
// text for `caption`.
bool CheckMusicFileText(const std::string& text, const std::string& caption, std::string& message);

// The file's ISO-8859-1 bytes of a UTF-8 text and back. A byte that does not
// begin a UTF-8 character at most U+00FF is kept as it is, so that writing
// never fails; for every byte string s, Utf8ToLatin1(Latin1ToUtf8(s)) == s.
std::string Latin1ToUtf8(const std::string& latin1);
std::string Utf8ToLatin1(const std::string& utf8);

// What can be done with the selected node.
struct TMusTreeEnabling {
    std::array<bool, treeActionCount> Actions{};
    bool Count = false;
    bool Pitch = false;
    bool PlayDraw = false;
};

// The music parts dialog's operations on a document. The selected node is
// the document's selected tree item; after every structural change the
// parent links are checked, the part the change names becomes the selected
// item and the document is marked changed.
class TMusTree {
public:
    explicit TMusTree(TUnitMuz& doc) : doc_(doc) {}

    // Depth first, children in order, closed nodes' children included; a
    // select part lists its turns before its child's nodes.
    std::vector<TMusTreeNode> Listing() const;
    // The document's selected tree item while it is a node of the tree.
    TMusTreeItem* Selected() const;
    void Select(TMusTreeItem* item) { doc_.SelectedTreeItem = item; }

    TMusTreeEnabling Enabling() const;
    bool Enabled(TMusTreeAction action) const { return Enabling().Actions[action]; }
    // Deleting a single part throws away music: the dialog asks first.
    bool DeleteNeedsConfirmation() const;
    // Runs an action on the selected node; false (nothing done) when it is
    // not enabled.
    bool Run(TMusTreeAction action);

    // Sets the selected node's label; an empty one brings back the default
    // name. False with the Input Error text when the text is refused.
    bool SetLabel(const std::string& text, std::string& message);
    // Leaving Count (a repeat or a turn) and Pitch (a turn): the text is read
    // by the field; a refused text keeps the old value.
    bool CommitCount(const std::string& text, std::string& message);
    bool CommitPitch(const std::string& text, std::string& message);
    // One click on "Play and Draw Subtree".
    void ClickPlayDraw();

    // The structural commands on a given part, as Run calls them, without
    // their enabling checks. Each checks the parent links afterwards, selects
    // the part or turn it names and returns it.
    TMusTreeItem* InsertSingle(TPartMuz* part, bool after);
    TMusTreeItem* AddLoop(TPartMuz* part);
    TMusTreeItem* AddTurns(TPartMuz* part);
    TMusTreeItem* AddTurn(TSelectPartMuz* select);
    TMusTreeItem* MoveSideways(TPartMuz* part, bool forward);
    TMusTreeItem* MoveInto(TPartMuz* part, bool forward);
    TMusTreeItem* MoveOut(TPartMuz* part, bool forward);
    TMusTreeItem* DeleteTurn(TCountSelectPartItem* turn);
    TMusTreeItem* DeleteWrapper(TPartMuz* part);
    // Detaches the single part with every repeat and turns that wraps it up
    // to the nearest concatenation, which gives way to its other child.
    // Nothing happens (nullptr) when no concatenation is above it.
    TMusTreeItem* DeleteSingle(TSinglePartMuz* part);
    // Opens or closes the node, and with `all` every node below it.
    void SetExpanded(TMusTreeItem* item, bool expanded, bool all);
    // The first or last symbol of the part in the stave of the score's
    // selection becomes the selected symbol.
    bool GotoSymbol(TPartMuz* part, bool last);

private:
    TUnitMuz& doc_;

    TMusTreeItem* afterStructuralChange(TMusTreeItem* named);
};

// The neighbours of a part among its node's siblings (the parts of the same
// chain of concatenations), or nullptr.
TPartMuz* NextSiblingPart(TPartMuz* part);
TPartMuz* PrevSiblingPart(TPartMuz* part);
// The part whose node holds this part's node: the nearest ancestor that is
// not a concatenation.
TPartMuz* NodeParent(TPartMuz* part);
// A new single part of 4/4 with a G key at 0 in every stave.
std::unique_ptr<TSinglePartMuz> MakeNewSinglePart(TUnitMuz& doc);

}  // namespace korvane
