#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/CommandStep.h"

namespace korvane {

class TUnitMuz;
class TUnitWave;
class TWorkspace;

// The kind of document a command works on; the values are the documents'
// own kinds (unitKindWave, unitKindMuz).
enum class DocKind : uint8_t { None = 0, Wave = 1, Music = 2 };

// The situation a command is enabled in.
struct CommandState {
    const TWorkspace* space = nullptr;
    const TUnitWave* wave = nullptr;   // the active wave document, if any
    const TUnitMuz* music = nullptr;   // the active music document, if any
    bool drawing = false;              // the wave window is in hand-drawing mode
    int children = 0;                  // open child windows

    // What only the window knows, for the rules of the commands it runs
    // itself; the batch front end leaves these as they are.
    bool changed = false;         // the active document has changes to save
    bool canDraw = false;         // the wave window may draw by hand (or draws)
    int drawKind = -1;            // while drawing by hand: 0 straight, 1 smooth
    bool volumeView = false;      // the wave window shows the volume diagram
    bool zoomed = false;          // the wave window shows a part of the wave
    bool canStepBack = false;     // the active document's history has a state before
    bool canStepForward = false;  // ... or after the current one
    // The player, as its commands stand.
    bool playAvailable = false;
    bool playing = false;
    bool canStop = false;
    bool canPause = false;
    bool paused = false;
    bool recording = false;
    // The panels the window shows beside the documents.
    bool historyShown = false;
    bool selectWaveShown = false;
    bool musicDialogShown = false;
    bool musicPartsShown = false;
};

// One command, declared once for the window and the batch front end: what it
// is called, where the window shows it, when it may run and what it runs.
struct Command {
    std::string action;   // "EditDelete"
    std::string cliName;  // "edit-delete"; empty when the batch front end has no step for it
    std::string caption;  // "&Delete"
    std::string shortcut;
    std::string hint;  // "short|long"
    DocKind kind = DocKind::Wave;

    // Where the window puts it. A menu is a path of menu keys ("Effects/Filter");
    // the order is the table's. Empty: in no menu, on no tool bar.
    std::string menu;
    bool menuBreak = false;   // a separator before it in its menu
    std::string menuCaption;  // the menu's text when it is not the caption
    std::string toolBar;      // "Basic"
    bool toolBreak = false;   // a separator before its button
    std::string icon;         // the name of its picture
    // A command with a dialog: the dialog's caption and its help page.
    std::string dialogCaption;
    int helpContext = 0;

    bool takesUndo = true;
    bool window = true;         // false: a batch step the window has no action for
    bool shellHandled = false;  // the window runs it itself (files, windows, help, views)

    // Empty when the command may run; otherwise a short reason why not.
    std::function<std::string(const CommandState&)> enabled;
    // The rule the window goes by for a command it runs itself, where the
    // batch front end has none or a narrower one (Properties of music); it
    // reads what only the window knows. Empty: `enabled` is the window's too.
    // Kept apart so that korvane-cli still sees which commands are the
    // window's alone (no `enabled`).
    std::function<std::string(const CommandState&)> windowEnabled;
    // Empty for a command that is not checkable.
    std::function<bool(const CommandState&)> checked;
    // A music setting the window shows checked while it holds (the insert
    // setting, or the selected symbol's value); korvane-cli leaves it out.
    std::function<bool(const CommandState&)> shows;
    // A wave command's step, for the dialog and for korvane-cli.
    std::function<std::unique_ptr<CommandStep>(TWorkspace& space, TUnitWave& wave)> makeStep;
    // A music command's operation on the document; empty for the ones the
    // window runs (Generate) and that do nothing in batch.
    std::function<void(TUnitMuz&)> runMusic;

    bool HasDialog() const { return !dialogCaption.empty(); }
    // Empty when the window may run the command; otherwise why not.
    std::string EnabledInWindow(const CommandState& s) const;
    // What the edit history calls a change it made: the short hint ("Low
    // Filter"), or the caption without its marks when there is none.
    std::string HistoryName() const;
};

// A menu of the main window: its key (what `Command::menu` names) and title.
// Alt and the underlined letter opens a menu, so the letter must be one no
// short cut of the same moment uses (Alt+F is Multi Frequencies while a wave
// window is active): `waveTitle`, when given, is the title then.
struct CommandMenu {
    std::string key;    // "Effects/Filter"
    std::string title;  // "&Filter"
    std::string waveTitle;
};

// A tool bar of the main window: its key (what `Command::toolBar` names), its
// title, and the kind of document whose windows show it (None: always shown).
struct CommandToolBar {
    std::string key;    // "Make Waves"
    std::string title;  // "Make Waves"
    DocKind kind = DocKind::None;
};

// Every command in menu order: the window's, the waves', the music's.
const std::vector<Command>& Commands();
// The menus in the order they appear, submenus after their parent.
const std::vector<CommandMenu>& CommandMenus();
// The tool bars from the top down, each on a row of its own.
const std::vector<CommandToolBar>& CommandToolBars();
const Command* FindCommand(const std::string& action);
const Command* FindCommandByCliName(const std::string& name);

// Shared enable rules; each returns empty or the reason.
std::string NeedsSamples(const CommandState& s);
std::string NotDrawing(const CommandState& s);
std::string NeedsMusic(const CommandState& s);

// The rows of the table, by the folder of operations they reach.
void AddShellCommands(std::vector<Command>& table);
void AddEditAndMakeCommands(std::vector<Command>& table);
void AddEffectAndFilterCommands(std::vector<Command>& table);
void AddTimeAndEchoCommands(std::vector<Command>& table);
void AddMusicCommands(std::vector<Command>& table);

}  // namespace korvane
