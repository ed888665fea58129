#include <string>

#include "commands/CommandTable.h"
#include "music/MusicEdit.h"

namespace korvane {

namespace {

const char* const kLengthWords[7] = {"Whole", "Half", "Quarter", "Eighth", "Sixteenth", "Thirty-second",
                                     "Sixty-fourth"};
// The menu captions, each with its own accelerator.
const char* const kLengthCaptions[7] = {"&Whole", "&Half", "&Quarter", "&Eighth", "&Sixteenth", "&Thirty-second",
                                        "Si&xty-fourth"};

// A music command: enabled while a music window is active and its query
// allows it; running it is one editing operation on the document.
Command music(std::string action, std::string caption, std::string shortcut, std::string hint, std::string menu,
              std::function<bool(const TUnitMuz&)> can, std::function<void(TUnitMuz&)> run) {
    Command c;
    c.action = std::move(action);
    c.caption = std::move(caption);
    c.shortcut = std::move(shortcut);
    c.hint = std::move(hint);
    c.kind = DocKind::Music;
    c.menu = std::move(menu);
    c.takesUndo = false;
    c.enabled = [can = std::move(can)](const CommandState& s) -> std::string {
        if (!s.music) return "no music window is active";
        if (can && !can(*s.music)) return "the selection does not allow it";
        return "";
    };
    c.runMusic = std::move(run);
    return c;
}

Command& place(Command& c, std::string toolBar, std::string icon, bool menuBreak = false, bool toolBreak = false) {
    c.toolBar = std::move(toolBar);
    c.icon = std::move(icon);
    c.menuBreak = menuBreak;
    c.toolBreak = toolBreak;
    return c;
}

void addModes(std::vector<Command>& t) {
    struct Mode {
        const char* action;
        const char* caption;
        const char* key;
        const char* hint;
        uint8_t mode;
        const char* icon;
    };
    static const Mode modes[] = {
        {"MusicModeAdd", "&Add", "Alt+Ins", "Add|Clicks add keys, notes and silences", unitMuzAdd, "music-mode-add"},
        {"MusicModeEdit", "&Select and Edit", "Alt+Home", "Select and Edit|Clicks select the symbol to change",
         unitMuzSel, "music-mode-edit"},
        {"MusicModeDelete", "&Delete", "Alt+Del", "Delete|Clicks delete symbols", unitMuzDel, "music-mode-delete"},
    };
    for (const Mode& m : modes) {
        const uint8_t mode = m.mode;
        Command c = music(m.action, m.caption, m.key, m.hint, "Music", {}, [mode](TUnitMuz& d) { SetMode(d, mode); });
        c.checked = [mode](const CommandState& s) { return s.music && s.music->UnitMuzMode == mode; };
        t.push_back(place(c, "Music Note", m.icon));
    }
}

std::function<bool(const CommandState&)> settingShown(TMusicSetting setting, int value) {
    return [setting, value](const CommandState& s) { return s.music && ShowsSetting(*s.music, setting, value); };
}

void addLengths(std::vector<Command>& t, bool silence) {
    for (int i = 0; i < 7; ++i) {
        const int length = 1 << i;
        const std::string word = kLengthWords[i];
        const std::string thing = silence ? "Silence" : "Note";
        Command c = music((silence ? "MusicSilence" : "MusicNote") + std::to_string(length),
                          std::string(kLengthCaptions[i]) + " " + thing, "",
                          word + " " + thing + "|" + (silence ? "Insert a " : "Insert or set a ") +
                              (i == 0 ? "whole" : "1/" + std::to_string(length)) + " " + (silence ? "silence" : "note"),
                          silence ? "Music/Silence" : "Music/Note",
                          [length, silence](const TUnitMuz& d) { return CanSetLength(d, length, silence); },
                          [length, silence](TUnitMuz& d) { SetLength(d, length, silence); });
        c.shows = settingShown(silence ? TMusicSetting::SilenceLength : TMusicSetting::NoteLength, length);
        t.push_back(place(c, silence ? "Music Silence" : "Music Note",
                          std::string(silence ? "music-silence-" : "music-note-") + std::to_string(length), false,
                          i == 0));
    }
}

void addKeysAndShifts(std::vector<Command>& t) {
    struct Key {
        const char* action;
        const char* caption;
        const char* key;
        int8_t kind;
        const char* icon;
    };
    static const Key keys[] = {{"MusicKeyG", "&G Key", "G", TKey::keyKindG, "music-key-g"},
                               {"MusicKeyC", "&C Key", "C", TKey::keyKindC, "music-key-c"},
                               {"MusicKeyF", "&F Key", "F", TKey::keyKindF, "music-key-f"}};
    for (const Key& k : keys) {
        const int8_t kind = k.kind;
        const std::string name = std::string(k.caption).substr(1);
        Command c = music(k.action, k.caption, k.key, name + "|Insert a " + name + " or make the selected key one",
                          "Music/Key", [kind](const TUnitMuz& d) { return CanSetKeyKind(d, kind); },
                          [kind](TUnitMuz& d) { SetKeyKind(d, kind); });
        c.shows = settingShown(TMusicSetting::Key, kind);
        t.push_back(place(c, "Music Bar", k.icon, false, kind == TKey::keyKindG));
    }
    struct Shift {
        const char* action;
        const char* caption;
        const char* key;
        const char* hint;
        uint8_t shift;
        const char* icon;
    };
    static const Shift shifts[] = {
        {"MusicNSDCross", "&Double Sharp", "Shift+H", "Double Sharp|Two semitones up", noteShiftDoubleKruis,
         "music-double-sharp"},
        {"MusicNSCross", "&Sharp", "H", "Sharp|One semitone up; on a key one sharp more", noteShiftKruis,
         "music-sharp"},
        {"MusicNSNormal", "&Natural", "E", "Natural|No semitone shift", noteShiftNormal, "music-natural"},
        {"MusicNSMol", "&Flat", "B", "Flat|One semitone down; on a key one flat more", noteShiftMol, "music-flat"},
        {"MusicNSDMol", "D&ouble Flat", "Shift+B", "Double Flat|Two semitones down", noteShiftDoubleMol,
         "music-double-flat"},
    };
    for (const Shift& n : shifts) {
        const uint8_t shift = n.shift;
        Command c = music(n.action, n.caption, n.key, n.hint, "Music/Shift",
                          [shift](const TUnitMuz& d) { return CanSetNoteShift(d, shift); },
                          [shift](TUnitMuz& d) { SetNoteShift(d, shift); });
        c.shows = settingShown(TMusicSetting::Shift, shift);
        t.push_back(place(c, "Music Bar", n.icon, false, shift == noteShiftDoubleKruis));
    }
}

void addPointsAndTuplets(std::vector<Command>& t) {
    Command add = music("MusicPointAdd", "Add &Point", ".", "Add Point|One point (dot) more", "Music",
                        [](const TUnitMuz& d) { return CanChangePoints(d, 1); },
                        [](TUnitMuz& d) { ChangePoints(d, 1); });
    t.push_back(place(add, "Music Note", "music-point-add", true, true));
    Command del = music("MusicPointDelete", "Delete P&oint", "Shift+.", "Delete Point|One point (dot) less", "Music",
                        [](const TUnitMuz& d) { return CanChangePoints(d, -1); },
                        [](TUnitMuz& d) { ChangePoints(d, -1); });
    t.push_back(place(del, "Music Note", "music-point-delete"));
    struct Tuplet {
        const char* action;
        const char* caption;
        const char* word;
        int n;
    };
    static const Tuplet tuplets[] = {{"MusicTwin", "&Duplet", "Duplet", 2},
                                     {"MusicTriplet", "&Triplet", "Triplet", 3},
                                     {"MusicQuadruplet", "&Quadruplet", "Quadruplet", 4},
                                     {"MusicQuintuplet", "Q&uintuplet", "Quintuplet", 5}};
    for (const Tuplet& tu : tuplets) {
        const int n = tu.n;
        Command c = music(tu.action, tu.caption, "Ctrl+" + std::to_string(n),
                          std::string(tu.word) + "|Make " + std::to_string(n) + " notes in the time of the selected one",
                          "Music/Tuplet", [n](const TUnitMuz& d) { return CanMakeTuplet(d, n); },
                          [n](TUnitMuz& d) { MakeTuplet(d, n); });
        t.push_back(place(c, "Music Note", "music-tuplet-" + std::to_string(n), false, n == 2));
    }
}

void addArticulationsAndSticks(std::vector<Command>& t) {
    struct Art {
        const char* action;
        const char* caption;
        uint8_t art;
        const char* icon;
    };
    static const Art arts[] = {{"MusicArtNormal", "&Normal", noteArtNormal, "music-art-normal"},
                               {"MusicStaccato", "&Staccato", noteArtStaccato, "music-staccato"},
                               {"MusicStaccatissimo", "Staccat&issimo", noteArtStaccatissimo, "music-staccatissimo"},
                               {"MusicPortato", "&Portato", noteArtPortato, "music-portato"},
                               {"MusicLegato", "&Legato", noteArtLegato, "music-legato"}};
    for (const Art& a : arts) {
        const uint8_t art = a.art;
        std::string hint = NoteArtHint(art);
        hint.replace(hint.find(';'), 2, "|");
        Command c = music(a.action, a.caption, "", hint, "Music/Articulation",
                          [art](const TUnitMuz& d) { return CanSetArticulation(d, art); },
                          [art](TUnitMuz& d) { SetArticulation(d, art); });
        c.shows = settingShown(TMusicSetting::Articulation, art);
        t.push_back(place(c, "Music Bar", a.icon, false, art == noteArtNormal));
    }
    Command up = music("NoteStickUp", "Stick &Up", "Alt+U", "Stick Up|Draw the stick up, or free again", "Music",
                       [](const TUnitMuz& d) { return CanToggleStick(d, noteStickUp); },
                       [](TUnitMuz& d) { ToggleStick(d, noteStickUp); });
    up.shows = settingShown(TMusicSetting::Stick, noteStickUp);
    t.push_back(place(up, "Music Bar", "music-stick-up", true, true));
    Command down = music("NoteStickDown", "Stick &Down", "Alt+D", "Stick Down|Draw the stick down, or free again",
                         "Music", [](const TUnitMuz& d) { return CanToggleStick(d, noteStickDown); },
                         [](TUnitMuz& d) { ToggleStick(d, noteStickDown); });
    down.shows = settingShown(TMusicSetting::Stick, noteStickDown);
    t.push_back(place(down, "Music Bar", "music-stick-down"));
}

void addMovesAndSelection(std::vector<Command>& t) {
    Command del = music("MusicDelete", "&Delete Symbol", "Ctrl+Del", "Delete Symbol|Delete the selected symbol",
                        "Music", CanDeleteSelected, DeleteSelected);
    del.menuBreak = true;
    t.push_back(del);
    const char* move = "Music/Move";
    t.push_back(music("MusicMoveUp", "&Up", "", "Move Up|The next free pitch up", move,
                      [](const TUnitMuz& d) { return CanMovePitch(d, 1); }, [](TUnitMuz& d) { MovePitch(d, 1); }));
    t.push_back(music("MusicMoveDown", "&Down", "", "Move Down|The next free pitch down", move,
                      [](const TUnitMuz& d) { return CanMovePitch(d, -1); }, [](TUnitMuz& d) { MovePitch(d, -1); }));
    t.push_back(music("MusicMoveOctUp", "Octave U&p", "", "Octave Up|An octave up", move,
                      [](const TUnitMuz& d) { return CanMoveOctave(d, 1); }, [](TUnitMuz& d) { MoveOctave(d, 1); }));
    t.push_back(music("MusicMoveOctDown", "Octave Do&wn", "", "Octave Down|An octave down", move,
                      [](const TUnitMuz& d) { return CanMoveOctave(d, -1); }, [](TUnitMuz& d) { MoveOctave(d, -1); }));
    t.push_back(music("MusicMovePrev", "&Left", "", "Move Left|Exchange with the neighbour on the left", move,
                      [](const TUnitMuz& d) { return CanMoveSide(d, true); }, [](TUnitMuz& d) { MoveSide(d, true); }));
    t.push_back(music("MusicMoveNext", "&Right", "", "Move Right|Exchange with the neighbour on the right", move,
                      [](const TUnitMuz& d) { return CanMoveSide(d, false); },
                      [](TUnitMuz& d) { MoveSide(d, false); }));
    const char* select = "Music/Select";
    t.push_back(music("MusicSelectPrev", "&Left", "", "Select Left|Select the symbol on the left", select,
                      [](const TUnitMuz& d) { return CanSelectSide(d, true); },
                      [](TUnitMuz& d) { SelectSide(d, true); }));
    t.push_back(music("MusicSelectNext", "&Right", "", "Select Right|Select the symbol on the right", select,
                      [](const TUnitMuz& d) { return CanSelectSide(d, false); },
                      [](TUnitMuz& d) { SelectSide(d, false); }));
    t.push_back(music("MusicSelectUp", "&Up", "", "Select Up|Select the chord note above", select,
                      [](const TUnitMuz& d) { return CanSelectInChord(d, true); },
                      [](TUnitMuz& d) { SelectInChord(d, true); }));
    t.push_back(music("MusicSelectDown", "&Down", "", "Select Down|Select the chord note below", select,
                      [](const TUnitMuz& d) { return CanSelectInChord(d, false); },
                      [](TUnitMuz& d) { SelectInChord(d, false); }));
    Command prev = music("MusicNoteGroupPrev", "Pre&vious Note Group", "Shift+Alt+G",
                         "Previous Note Group|Move the note to the previous note group", "Music",
                         [](const TUnitMuz& d) { return CanChangeNoteGroup(d, false); },
                         [](TUnitMuz& d) { ChangeNoteGroup(d, false); });
    prev.menuBreak = true;
    t.push_back(prev);
    t.push_back(music("MusicNoteGroupNext", "Ne&xt Note Group", "Alt+G",
                      "Next Note Group|Move the note to the next note group", "Music",
                      [](const TUnitMuz& d) { return CanChangeNoteGroup(d, true); },
                      [](TUnitMuz& d) { ChangeNoteGroup(d, true); }));
}

void addPlayAndGenerate(std::vector<Command>& t) {
    Command note = music("MusicPlayNote", "Play &Note", "Shift+P", "Play Note|Play the selected note", "Music",
                         CanPlayNote, PlayNote);
    t.push_back(place(note, "Music Bar", "music-play-note", true, true));
    Command autoPlay = music("MusicAutoPlay", "Auto Pla&y", "Alt+P", "Auto Play|Play every note that is edited",
                             "Music", {}, ToggleAutoPlay);
    autoPlay.checked = [](const CommandState& s) { return s.music && s.music->AutoPlay; };
    t.push_back(place(autoPlay, "Music Bar", "music-auto-play"));
    // The window renders into a new wave window; batch has no window to open.
    Command generate = music("MusicGenerate", "&Generate", "Alt+M", "Generate|Render the music into a new wave",
                             "Music", {}, {});
    generate.shellHandled = true;
    generate.menuBreak = true;
    t.push_back(place(generate, "Music Bar", "music-generate", true));
}

}  // namespace

void AddMusicCommands(std::vector<Command>& t) {
    addModes(t);
    addLengths(t, false);
    addLengths(t, true);
    addKeysAndShifts(t);
    addPointsAndTuplets(t);
    addArticulationsAndSticks(t);
    addMovesAndSelection(t);
    addPlayAndGenerate(t);
}

}  // namespace korvane
