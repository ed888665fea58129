#include "commands/CommandTable.h"

#include <algorithm>

#include "commands/FieldsStep.h"
#include "commands/WaveSteps.h"
#include "core/Sample.h"
#include "music/TUnitMuz.h"
#include "processing/EffectCommands.h"
#include "processing/Echo.h"
#include "processing/MakeCommands.h"
#include "processing/TimeEffects.h"
#include "processing/TWorkspace.h"
#include "values/StringReader.h"

namespace korvane {

std::string ReadFrequencyText(const std::string& text, int32_t& freq) {
    TStringReader reader(text);
    int32_t v = 0;
    if (!reader.ReadIntegerChecked(v, ckPositive) || !reader.ReadIntegerBounded(v, bdAtMost, 1000000))
        return "In Frequency: " + reader.ErrorMessage();
    freq = v;
    return "";
}

bool ReadPositionText(const std::string& text, int32_t freq, int32_t values, int32_t& position) {
    if (text.empty()) return false;
    int64_t v;
    size_t digits = text[0] == '-' ? 1 : 0;
    if (digits < text.size() && text.find_first_not_of("0123456789", digits) == std::string::npos &&
        text.size() - digits <= 12) {
        v = std::stoll(text);
    } else {
        TStringReader reader(text);
        double seconds;
        if (!reader.ReadTime(seconds, ckNone)) return false;
        v = truncToInt32(seconds * freq + 0.5);
    }
    position = static_cast<int32_t>(std::clamp<int64_t>(v, 0, values));
    return true;
}

bool ReadSelectionText(const std::string& text, int32_t freq, int32_t values, int32_t& first, int32_t& second) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    int32_t b, e;
    if (!ReadPositionText(text.substr(0, colon), freq, values, b) ||
        !ReadPositionText(text.substr(colon + 1), freq, values, e))
        return false;
    first = b;
    second = e;
    return true;
}

std::string NotDrawing(const CommandState& s) {
    if (!s.wave) return "no wave window is active";
    if (s.drawing) return "the wave window is drawing";
    return "";
}

std::string NeedsSamples(const CommandState& s) {
    std::string r = NotDrawing(s);
    if (!r.empty()) return r;
    if (s.wave->GetValues() == 0) return "the wave has no samples";
    return "";
}

std::string NeedsMusic(const CommandState& s) { return s.music ? "" : "no music window is active"; }

namespace {

std::string NeedsClip(const CommandState& s) {
    std::string r = NotDrawing(s);
    if (!r.empty()) return r;
    if (!s.space || !s.space->HasClip()) return "the clipboard is empty";
    return "";
}

std::string NeedsSelection(const CommandState& s) {
    std::string r = NeedsSamples(s);
    if (!r.empty()) return r;
    if (!s.wave->HasSelection()) return "the selection is empty";
    return "";
}

// The rules of the commands the window runs itself. They read what the
// window fills in beside the documents; korvane-cli never asks them.
using WindowRule = std::function<std::string(const CommandState&)>;
using WindowCheck = std::function<bool(const CommandState&)>;

std::string needsWave(const CommandState& s) { return s.wave ? "" : "no wave window is active"; }
std::string needsWindow(const CommandState& s) { return s.children > 0 ? "" : "no window is open"; }
std::string needsUndo(const CommandState& s) {
    return s.space && s.space->HasUndo() ? "" : "there is nothing to undo";
}
// Play, Save As and Export take any music, and a wave once it has samples.
std::string musicOrSamples(const CommandState& s) { return s.music ? "" : NeedsSamples(s); }
std::string needsChanges(const CommandState& s) { return s.changed ? "" : "the document has no changes to save"; }
std::string needsPlayer(const CommandState& s) { return s.playAvailable ? "" : "play and record are off"; }
std::string playRule(const CommandState& s) {
    const std::string r = needsPlayer(s);
    return r.empty() ? musicOrSamples(s) : r;
}
// Record goes into an empty wave; pressed again while recording it stops.
std::string recordRule(const CommandState& s) {
    const std::string r = needsPlayer(s);
    if (!r.empty() || s.recording) return r;
    if (!s.wave) return "no wave window is active";
    return s.wave->HasSamples() ? "the wave is not empty" : "";
}
WindowRule stepRule(bool back) {
    return [back](const CommandState& s) -> std::string {
        if (s.drawing) return "the wave window is drawing";
        return (back ? s.canStepBack : s.canStepForward) ? "" : "the history has no state there";
    };
}
std::string noZoomRule(const CommandState& s) {
    const std::string r = NeedsSamples(s);
    return r.empty() && !s.zoomed ? "the whole wave is in view" : r;
}
std::string drawRule(const CommandState& s) { return s.canDraw ? "" : "only an empty mono wave is drawn by hand"; }
WindowCheck drawing(int kind) {
    return [kind](const CommandState& s) { return s.drawing && s.drawKind == kind; };
}

// A command the window runs itself, with its window rule and checked state.
Command ruled(Command c, WindowRule enabled, WindowCheck checked = {}) {
    c.windowEnabled = std::move(enabled);
    c.checked = std::move(checked);
    return c;
}

// The same for a command only there while a window of one kind is active.
Command ruled(DocKind kind, Command c, WindowRule enabled, WindowCheck checked = {}) {
    c.kind = kind;
    return ruled(std::move(c), std::move(enabled), std::move(checked));
}

// A step without values.
class SimpleStep : public CommandStep {
public:
    explicit SimpleStep(std::function<bool(TWorkspace&, TUnitWave&)> op) : op_(std::move(op)) {}
    StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream*) override {
        StepResult r;
        if (!op_(space, wave)) r.kind = StepResult::Failed;
        return r;
    }

private:
    std::function<bool(TWorkspace&, TUnitWave&)> op_;
};

template <class F>
std::function<Step(TWorkspace&, TUnitWave&)> simple(F op) {
    return [op](TWorkspace&, TUnitWave&) -> Step { return std::make_unique<SimpleStep>(op); };
}

// A command the window runs itself, in a menu and perhaps on a tool bar.
Command shell(std::string action, std::string caption, std::string shortcut, std::string hint, std::string menu,
              std::string toolBar = "", std::string icon = "") {
    Command c;
    c.action = std::move(action);
    c.caption = std::move(caption);
    c.shortcut = std::move(shortcut);
    c.hint = std::move(hint);
    c.kind = DocKind::None;
    c.menu = std::move(menu);
    c.toolBar = std::move(toolBar);
    c.icon = std::move(icon);
    c.shellHandled = true;
    c.takesUndo = false;
    return c;
}

// A wave command with its batch step.
Command wave(std::string action, std::string cliName, std::string caption, std::string shortcut, std::string hint,
             std::function<std::string(const CommandState&)> enabled,
             std::function<Step(TWorkspace&, TUnitWave&)> makeStep, std::string menu) {
    Command c;
    c.action = std::move(action);
    c.cliName = std::move(cliName);
    c.caption = std::move(caption);
    c.shortcut = std::move(shortcut);
    c.hint = std::move(hint);
    c.kind = DocKind::Wave;
    c.enabled = std::move(enabled);
    c.makeStep = std::move(makeStep);
    c.menu = std::move(menu);
    return c;
}

// The same with its property dialog.
Command dialog(Command c, std::string caption, int helpContext) {
    c.dialogCaption = std::move(caption);
    c.helpContext = helpContext;
    return c;
}

Command& on(Command& c, std::string toolBar, std::string icon, bool toolBreak = false) {
    c.toolBar = std::move(toolBar);
    c.icon = std::move(icon);
    c.toolBreak = toolBreak;
    return c;
}

}  // namespace

std::string Command::EnabledInWindow(const CommandState& s) const {
    if (windowEnabled) return windowEnabled(s);
    return enabled ? enabled(s) : "";
}

std::string Command::HistoryName() const {
    std::string name = hint.substr(0, hint.find('|'));
    if (name.empty()) name = caption;
    std::string plain;
    for (char c : name)
        if (c != '&') plain += c;
    while (!plain.empty() && plain.back() == '.') plain.pop_back();
    return plain;
}

namespace {

// The player's commands: on the Basic bar, checked as the player stands.
void addPlayCommands(std::vector<Command>& t) {
    const char* file = "File";
    Command play = ruled(shell("FilePlay", "&Play", "P", "Play|Play the wave or the music", file, "Basic",
                               "media-playback-start"),
                         playRule, [](const CommandState& s) { return s.playing; });
    play.menuBreak = play.toolBreak = true;
    t.push_back(play);
    t.push_back(ruled(shell("FileStop", "S&top", "S", "Stop|Stop playing or recording", file, "Basic",
                            "media-playback-stop"),
                      [](const CommandState& s) { return s.canStop ? "" : "nothing plays or records"; }));
    // Pause may be pressed before any Play, so that the next Play opens paused.
    t.push_back(ruled(shell("FilePause", "Pause", "W", "Pause|Pause playing or recording", file, "Basic",
                            "media-playback-pause"),
                      [](const CommandState& s) -> std::string {
                          if (!s.playAvailable) return needsPlayer(s);
                          return s.canPause ? "" : "a recording is under way";
                      },
                      [](const CommandState& s) { return s.paused; }));
    t.push_back(ruled(shell("FileRecord", "&Record", "Alt+R", "Record|Record into the empty wave", file, "Basic",
                            "media-record"),
                      recordRule, [](const CommandState& s) { return s.recording; }));
}

void addFileCommands(std::vector<Command>& t) {
    const char* file = "File";
    t.push_back(shell("FileNewWave", "&New wave...", "Ctrl+N", "New Wave|Create a new empty wave window", file,
                      "Basic", "document-new"));
    t.push_back(shell("FileNewMuz", "New music...", "Shift+Ctrl+N", "New Music|Create a new empty music window", file,
                      "Basic", "music-new"));
    t.push_back(shell("FileOpenWave", "&Open wave...", "Ctrl+O", "Open Wave|Open wave files, each in its own window",
                      file, "Basic", "document-open"));
    t.push_back(shell("FileOpenMuz", "&Open music...", "Shift+Ctrl+O", "Open Music|Open a music file in a new window",
                      file, "Basic", "music-open"));
    t.push_back(ruled(DocKind::Wave,
                      shell("DuplicateWave", "&Duplicate", "", "Duplicate|Copy the selected part into a new wave window",
                            file),
                      NotDrawing));
    t.push_back(ruled(DocKind::Music,
                      shell("DuplicateMuz", "&Duplicate", "", "Duplicate|Copy the music into a new music window", file),
                      NeedsMusic));
    Command save = ruled(shell("FileSave", "&Save", "Ctrl+S", "Save|Save the document to its file", file, "Basic",
                               "document-save"),
                         needsChanges);
    save.menuBreak = true;
    t.push_back(save);
    t.push_back(ruled(shell("FileSaveAs", "Save &As...", "Ctrl+A", "Save As|Save the document to a new file", file),
                      musicOrSamples));
    Command import = shell("FileImport", "&Import...", "Ctrl+Alt+O",
                           "Import|Bring in a sound of any format, a MusicXML score or a MIDI file, each in its own window",
                           file);
    import.menuBreak = true;
    t.push_back(import);
    t.push_back(ruled(shell("FileExport", "&Export...", "Ctrl+Shift+E",
                            "Export|Write the wave, or its selection, as FLAC, Ogg Vorbis, Opus, MP3 or AIFF; "
                            "the music as MusicXML or MIDI",
                            file),
                      musicOrSamples));
    addPlayCommands(t);
    Command undo = ruled(shell("Undo", "&Undo", "Ctrl+Z", "Undo|Take back the last wave action", file, "Basic",
                               "edit-undo"),
                         needsUndo);
    undo.menuBreak = undo.toolBreak = true;
    t.push_back(undo);
    t.push_back(ruled(shell("StepBack", "Step &Back", "Alt+Backspace",
                            "Step Back|Go one state back in the document's history", file),
                      stepRule(true)));
    t.push_back(ruled(shell("StepForward", "Step &Forward", "Shift+Alt+Backspace",
                            "Step Forward|Go one state forward in the document's history", file),
                      stepRule(false)));
    t.push_back(ruled(shell("DeleteUndo", "De&lete Undo", "", "Delete Undo|Forget wave before last wave action", file),
                      needsUndo));
    // Properties is the window's own for both kinds of document, and a step
    // of the batch front end for waves.
    Command properties = shell("FileProperties", "Properties", "",
                               "Properties|Change channels, frequency and bits of the document", file);
    properties.menuBreak = true;
    properties.cliName = "properties";
    properties.enabled = NotDrawing;
    properties.windowEnabled = [](const CommandState& s) { return s.music ? "" : NotDrawing(s); };
    properties.makeStep = MakePropertiesStep;
    properties.takesUndo = true;
    t.push_back(properties);
    t.push_back(ruled(DocKind::Wave, shell("Register", "&Register...", "N", "Register|Give the wave a unique name", file),
                      needsWave));
    // There is nothing to set yet; the item keeps its place in the menu.
    t.push_back(ruled(shell("Options", "Options...", "", "Options|Options", file),
                      [](const CommandState&) { return "there are no options yet"; }));
    Command exit = shell("FileExit", "E&xit", "", "Exit|Close Korvane", file);
    exit.menuBreak = true;
    t.push_back(exit);
}

void addEditCommands(std::vector<Command>& t) {
    const char* edit = "Edit";
    Command del = wave("EditDelete", "edit-delete", "&Delete", "", "Delete|Delete the selection", NeedsSamples,
                       simple([](TWorkspace&, TUnitWave& w) { return w.EditDelete(); }), edit);
    t.push_back(on(del, "Basic", "edit-delete", true));
    t.push_back(wave("EditTrim", "edit-trim", "&Trim", "Shift+Ctrl+Del", "Trim|Keep only the selection", NeedsSelection,
                     simple([](TWorkspace&, TUnitWave& w) { return w.EditTrim(); }), edit));
    Command cut = wave("EditCut", "edit-cut", "Cut", "Ctrl+X", "Cut|Cut the selection to the clipboard", NeedsSamples,
                       simple([](TWorkspace& s, TUnitWave& w) { return w.EditCut(s.Clipboard); }), edit);
    cut.menuBreak = true;
    t.push_back(on(cut, "Basic", "edit-cut"));
    Command copy = wave("EditCopy", "edit-copy", "Copy", "Ctrl+C", "Copy|Copy the selection to the clipboard",
                        NeedsSamples, simple([](TWorkspace& s, TUnitWave& w) { return w.EditCopy(s.Clipboard); }), edit);
    copy.takesUndo = false;
    t.push_back(on(copy, "Basic", "edit-copy"));
    Command paste = wave("EditPaste", "edit-paste", "Paste", "Ctrl+V", "Paste|Paste the clipboard", NeedsClip,
                         simple([](TWorkspace& s, TUnitWave& w) { return w.EditPaste(*s.Clipboard); }), edit);
    t.push_back(on(paste, "Basic", "edit-paste"));
    t.push_back(wave("EditSwap", "edit-swap", "Swap", "X", "Swap|Swap the wave with the contents of the clipboard",
                     [](const CommandState& s) {
                         std::string r = NeedsClip(s);
                         return r.empty() ? NeedsSamples(s) : r;
                     },
                     simple([](TWorkspace& s, TUnitWave& w) { return w.EditSwap(s.Clipboard); }), edit));
    t.push_back(wave("EditExtract", "edit-extract", "Extract", "Shift+X", "Extract|Copy and replace with silence",
                     NeedsSamples, simple([](TWorkspace& s, TUnitWave& w) { return w.EditExtract(s.Clipboard); }),
                     edit));
    t.push_back(dialog(wave("EditMix", "edit-mix", "&Mix...", "M", "Mix|Mix the clipboard into the wave",
                            NeedsClipOnly, MakeMixStep, edit),
                       "Mix", 4));
    Command begin = ruled(DocKind::Wave, shell("Begin", "Go to &Begin", "", "Go to Begin|Go to the begin of the wave", edit),
                          needsWave);
    begin.menuBreak = true;
    t.push_back(begin);
    t.push_back(ruled(DocKind::Wave, shell("End", "Go to &End", "", "Go to End|Go to the end of the wave", edit),
                      needsWave));
    Command clear = wave("EditClearClipboard", "edit-clear-clipboard", "Clear Clipboard", "Shift+Alt+Del",
                         "Clear Clipboard|Release the sound on the clipboard", NeedsClip,
                         simple([](TWorkspace& s, TUnitWave&) {
                             s.ClearClipboard();
                             return true;
                         }),
                         edit);
    clear.takesUndo = false;
    clear.menuBreak = true;
    t.push_back(clear);
}

void addViewCommands(std::vector<Command>& t) {
    const char* view = "View";
    const DocKind wave = DocKind::Wave, music = DocKind::Music;
    t.push_back(ruled(wave,
                      shell("ViewWave", "&Wave...", "Alt+W", "Wave View|Show the wave as a wave", view, "View",
                            "view-wave"),
                      needsWave, [](const CommandState& s) { return s.wave && !s.volumeView; }));
    t.push_back(ruled(wave,
                      shell("ViewVold", "&Volume...", "Alt+V", "Volume Diagram|Show the wave as a volume diagram", view,
                            "View", "view-volume"),
                      NotDrawing, [](const CommandState& s) { return s.wave && s.volumeView; }));
    Command zoom = ruled(wave, shell("ZoomIn", "&Zoom in", "Z", "Zoom in|Show only the selected part", view, "View",
                                     "zoom-in"),
                         NeedsSelection);
    zoom.menuBreak = zoom.toolBreak = true;
    t.push_back(zoom);
    t.push_back(ruled(wave,
                      shell("NoZoom", "&No Zoom", "Shift+Z", "No Zoom|Show the whole wave", view, "View",
                            "zoom-original"),
                      noZoomRule));
    t.push_back(ruled(shell("ViewHistory", "&History", "", "History|Show the document's states since it was opened",
                            view),
                      needsWindow, [](const CommandState& s) { return s.historyShown; }));
    Command select = ruled(wave,
                           shell("SelectWave", "&Dialogbox Select Wave...", "Q",
                                 "Select and Zoom|Set the selection and the zoom by typed times", view, "View",
                                 "select-wave"),
                           needsWave, [](const CommandState& s) { return s.selectWaveShown; });
    select.menuBreak = select.toolBreak = true;
    t.push_back(select);
    t.push_back(ruled(music,
                      shell("MusicDialog", "&Dialogbox Edit Music...", "", "Edit Music|Show the music dialog", view,
                            "Music Bar", "music-dialog"),
                      NeedsMusic, [](const CommandState& s) { return s.musicDialogShown; }));
    t.push_back(ruled(music,
                      shell("MusicParts", "&Dialogbox Music Parts...", "", "Music Parts|Show the music parts", view,
                            "Music Bar", "music-parts"),
                      NeedsMusic, [](const CommandState& s) { return s.musicPartsShown; }));
}

void addMakeCommands(std::vector<Command>& t) {
    const char* make = "Make";
    const char* bar = "Make Waves";
    auto add = [&](Command c, const char* caption, int help, const char* icon) {
        Command& row = t.emplace_back(dialog(std::move(c), caption, help));
        on(row, bar, icon);
    };
    add(wave("MakeSilence", "make-silence", "&Silence...", "", "Silence|Make silence", NotDrawing,
             FieldsStep(&TWaveRecords::Silence, MakeSilence), make),
        "Make Silence", 20, "make-silence");
    add(wave("MakeLine", "make-line", "&Line...", "", "Line|Make a straight or exponential line", NotDrawing,
             MakeLineStep, make),
        "Make Line", 5, "make-line");
    add(wave("MakeBlock", "make-block", "&Block...", "Alt+B", "Block|Make a block wave", NotDrawing, MakeBlockStep,
             make),
        "Make Block", 6, "make-block");
    add(wave("MakeTriangle", "make-triangle", "&Triangle...", "Alt+T", "Triangle|Make a triangle wave", NotDrawing,
             MakeTriangleStep, make),
        "Make Triangle", 6, "make-triangle");
    add(wave("MakeSinus", "make-sinus", "S&inus...", "Shift+Alt+S", "Sinus|Make a sine wave", NotDrawing,
             FieldsStep(&TWaveRecords::Sinus, MakeSinus), make),
        "Make Sinus", 7, "make-sinus");
    add(wave("MakeNoise", "make-noise", "&Noise...", "", "Noise|Make noise", NotDrawing,
             FieldsStep(&TWaveRecords::Noise, MakeNoise), make),
        "Make Noise", 8, "make-noise");
    add(wave("MakeMFreq", "make-mfreq", "Multi &Frequencies...", "Alt+F",
             "Multi Frequencies|Make a mixture of frequencies", NotDrawing, MakeMFreqStep, make),
        "Multi Frequency", 37, "make-mfreq");
    Command drawLinear = ruled(DocKind::Wave,
                               shell("DrawWaveLin", "Dr&aw Wave Linear", "",
                                     "Draw Wave Linear|Draw a wave by hand, straight between the points", make, bar,
                                     "draw-linear"),
                               drawRule, drawing(0));
    drawLinear.menuBreak = drawLinear.toolBreak = true;
    t.push_back(drawLinear);
    t.push_back(ruled(DocKind::Wave,
                      shell("DrawWave3G", "Draw Wave Smooth", "Shift+Alt+D",
                            "Draw Wave Smooth|Draw a wave by hand, smooth between the points", make, bar, "draw-smooth"),
                      drawRule, drawing(1)));
    // Drawing by hand is two window commands; the batch front end draws
    // through points it is given.
    Command draw = wave("DrawWave", "draw-wave", "Dr&aw Wave Linear", "", "Draw Wave|Draw a wave by hand", NotDrawing,
                        MakeDrawStep, "");
    draw.takesUndo = false;
    draw.window = false;
    t.push_back(draw);
}

void addEffectCommands(std::vector<Command>& t) {
    const char* effects = "Effects";
    const char* bar = "Complex Manipulations";
    auto add = [&](Command c, const char* caption, int help, const char* icon, bool toolBreak = false) -> Command& {
        Command& row = t.emplace_back(caption[0] ? dialog(std::move(c), caption, help) : std::move(c));
        if (icon[0]) on(row, bar, icon, toolBreak);
        return row;
    };
    add(wave("Volume", "volume", "&Volume...", "V", "Volume|Change the volume by a factor or an envelope",
             NeedsSamples, FieldsStep(&TWaveRecords::Volume, VolumeCommand, CheckVolume, VolumeCommandStage), effects),
        "Change Volume", 9, "volume");
    add(wave("MaxVolume", "max-volume", "M&aximal Volume", "Shift+V",
             "Maximal Volume|Raise the volume until the loudest sample is at full scale", NeedsSamples,
             MakeMaxVolumeStep, effects),
        "", 0, "max-volume");
    add(wave("Up", "up", "&Up...", "U", "Up|Add a value to every sample", NeedsSamples,
             FieldsStep(&TWaveRecords::Up, UpCommand, RecordStep<TUpProps>::Check(), UpCommandStage), effects),
        "Up / Down", 19, "up");
    add(wave("Distort", "distort", "&Distort...", "Shift+D", "Distort|Map every sample through a wave", NeedsSamples,
             FieldsStep(&TWaveRecords::Distort, DistortCommand, CheckDistort), effects),
        "Distort", 45, "distort");
    add(wave("Block", "block", "&Block...", "", "Block|Quantise the wave into blocks and levels", NeedsSamples,
             MakeBlockEffectStep, effects),
        "Block", 43, "block");
    add(wave("Reverse", "reverse", "&Reverse", "R", "Reverse|Play the wave backwards", NeedsSamples, MakeReverseStep,
             effects),
        "", 0, "reverse");
    add(wave("Length", "length", "&Length...", "", "Length|Change the length of the selection", NeedsSamples,
             FieldsStep(&TWaveRecords::Length, LengthExecute, CheckLength), effects),
        "Change Length", 49, "length", true);
    add(wave("Rotate", "rotate", "R&otate...", "Ctrl+R", "Rotate|Turn the wave around its ends", NeedsSamples,
             MakeRotateStep, effects),
        "Rotate", 21, "rotate");
    add(wave("RollOut", "roll-out", "Roll ou&t...", "O", "Roll out|Play the selection as a loop", NeedsSamples,
             MakeRollOutStep, effects),
        "Roll out", 46, "roll-out");
    add(wave("RollIn", "roll-in", "Roll &in...", "I", "Roll in|Wrap the selection into a loop", NeedsSamples,
             MakeRollInStep, effects),
        "Roll in", 44, "roll-in");
    add(wave("Balance", "balance", "Ba&lance...", "", "Balance|Place a mono wave between left and right", NeedsMono,
             MakeBalanceStep, effects),
        "Balance", 11, "");
    add(wave("MixLeftRight", "mix-left-right", "Mi&x Left and Right...", "Shift+M",
             "Mix Left and Right|Mix the left and right channel into each other", NeedsStereo, MakeMixLeftRightStep,
             effects),
        "Mix Left Right", 36, "");
    add(wave("TempoPitch", "tempo-pitch", "Tem&po and Pitch...", "T",
             "Tempo and Pitch|Change tempo and pitch independently", NeedsSamples, MakeTempoPitchStep, effects),
        "Pitch Tempo", 50, "tempo-pitch")
        .menuCaption = "&Pitch and Tempo...";
    const char* filter = "Effects/Filter";
    add(wave("FilterHigh", "filter-high", "&High...", "Ctrl+Alt+H", "High Filter|Keep the high frequencies",
             NeedsSamples, MakeFilterHighStep, filter),
        "High Filter", 15, "filter-high", true);
    add(wave("FilterLow", "filter-low", "&Low...", "Ctrl+Alt+L", "Low Filter|Keep the low frequencies", NeedsSamples,
             MakeFilterLowStep, filter),
        "Low Filter", 15, "filter-low");
    add(wave("FilterRes", "filter-res", "&Resonant...", "Ctrl+Alt+R", "Resonant Filter|Let one frequency ring",
             NeedsSamples, MakeFilterResStep, filter),
        "Resonant Filter", 16, "filter-resonant");
    add(wave("FilterNotch", "filter-notch", "&Notch...", "Ctrl+Alt+N", "Notch Filter|Take one frequency out",
             NeedsSamples, MakeFilterNotchStep, filter),
        "Notch Filter", 16, "filter-notch");
    add(wave("FilterBlock", "filter-block", "&Block...", "Ctrl+Alt+B",
             "Block Filter|Smooth the wave by a moving average", NeedsSamples, MakeFilterBlockStep, filter),
        "Block Filter", 17, "");
    const char* echo = "Effects/Echo";
    add(wave("PerEcho", "per-echo", "&Period...", "Ctrl+E", "Period Echo|Add echoes at a regular time", NeedsSamples,
             FieldsStep(&TWaveRecords::PerEcho, PerEchoExecute, CheckPerEcho), echo),
        "Period Echo", 12, "echo-period", true);
    add(wave("RndEcho", "rnd-echo", "&Random...", "Alt+E", "Random Echo|Make a new sound of randomly changed echoes",
             NeedsSamples, MakeRndEchoStep, echo),
        "Random Echo", 13, "echo-random");
}

void addWindowCommands(std::vector<Command>& t) {
    const char* window = "Window";
    auto arrange = [&](const char* action, const char* caption, const char* hint) {
        t.push_back(ruled(shell(action, caption, "", hint, window), needsWindow));
    };
    arrange("WindowCascade", "&Cascade", "Cascade|Cascade the windows");
    arrange("WindowTileHorizontal", "Tile &Horizontally", "Tile Horizontally|Windows above each other");
    arrange("WindowTileVertical", "Tile &Vertically", "Tile Vertically|Windows beside each other");
    arrange("WindowMinimizeAll", "&Minimize All", "Minimize All|Minimize every window");
    arrange("WindowArrangeAll", "&Arrange All", "Arrange All|Line up the minimized windows");
    // Split and merge replace windows by new ones, so the window runs them;
    // the batch front end writes their documents to files.
    auto splitMerge = [&](Command c, const char* icon, const char* caption, int help) -> Command& {
        c.takesUndo = false;
        c.shellHandled = true;
        Command& row = t.emplace_back(dialog(std::move(c), caption, help));
        on(row, "Complex Manipulations", icon);
        return row;
    };
    splitMerge(wave("SplitH", "split-h", "&Split Horizontally", "Ctrl+I",
                    "Split Horizontally|Split window into two or three windows sequentially", SplitHEnabled,
                    MakeSplitHStep, window),
               "split-horizontally", "Split Horizontally", 38)
        .menuBreak = true;
    t.back().toolBreak = true;
    splitMerge(wave("SplitV", "split-v", "S&plit Vertically", "Shift+Ctrl+I",
                    "Split Vertically|Split one stereo wave into two mono waves", StereoOnly, MakeSplitVStep, window),
               "split-vertically", "", 0);
    splitMerge(wave("MergeH", "merge-h", "&Merge Horizontally", "Ctrl+M",
                    "Merge Horizontally|Merge two windows into one window as first and last", TwoWindows,
                    MakeMergeHStep, window),
               "merge-horizontally", "Merge Horizontally", 47);
    splitMerge(wave("MergeV", "merge-v", "M&erge Vertically", "Shift+Ctrl+M",
                    "Merge Vertically|Merge two mono waves into one stereo wave", TwoWindows, MakeMergeVStep, window),
               "merge-vertically", "Merge Vertically", 48);
}

void addHelpCommands(std::vector<Command>& t) {
    const char* help = "Help";
    t.push_back(shell("HelpContents", "&Contents", "", "Contents|Help contents", help, "", "help-contents"));
    t.push_back(shell("HelpTopicSearch", "&Topic Search", "", "Topic Search|Search the help", help));
    t.push_back(shell("HelpOnHelp", "&Help on Help", "", "Help on Help|How to use help", help));
    Command about = shell("HelpAbout", "&About...", "Alt+F1", "About|About Korvane", help, "", "help-about");
    about.menuBreak = true;
    t.push_back(about);
}

std::vector<Command> buildTable() {
    std::vector<Command> t;
    addFileCommands(t);
    addEditCommands(t);
    addViewCommands(t);
    addMakeCommands(t);
    addEffectCommands(t);
    AddMusicCommands(t);
    addWindowCommands(t);
    addHelpCommands(t);
    return t;
}

}  // namespace

const std::vector<Command>& Commands() {
    static const std::vector<Command> table = buildTable();
    return table;
}

const std::vector<CommandMenu>& CommandMenus() {
    // The letters: with a wave window Alt+R W V B T F E are short cuts, with a
    // music window Alt+R U D G P M and the music window's Alt+N S L. Menus
    // of one moment differ from each other as well.
    static const std::vector<CommandMenu> menus{
        {"File", "&File", "Fi&le"},
        {"Edit", "E&dit", ""},
        {"View", "V&iew", ""},
        {"Make", "M&ake", ""},
        {"Effects", "Effe&cts", ""},
        {"Effects/Filter", "&Filter", ""},
        {"Effects/Echo", "&Echo", ""},
        {"Music", "Musi&c", ""},
        {"Music/Note", "&Note", ""},
        {"Music/Silence", "&Silence", ""},
        {"Music/Key", "&Key", ""},
        {"Music/Shift", "Note S&hift", ""},
        {"Music/Tuplet", "&Tuplet", ""},
        {"Music/Articulation", "&Articulation", ""},
        {"Music/Move", "M&ove", ""},
        {"Music/Select", "S&elect", ""},
        {"Window", "Wind&ow", ""},
        {"Help", "&Help", ""},
    };
    return menus;
}

const std::vector<CommandToolBar>& CommandToolBars() {
    // The window's own commands first; each kind of document brings its bars.
    static const std::vector<CommandToolBar> bars{
        {"Basic", "Basic", DocKind::None},
        {"View", "View", DocKind::Wave},
        {"Make Waves", "Make Waves", DocKind::Wave},
        {"Complex Manipulations", "Complex Manipulations", DocKind::Wave},
        {"Music Note", "Music Note", DocKind::Music},
        {"Music Silence", "Music Silence", DocKind::Music},
        {"Music Bar", "Music Bar", DocKind::Music},
    };
    return bars;
}

const Command* FindCommand(const std::string& action) {
    for (const auto& c : Commands())
        if (c.action == action) return &c;
    return nullptr;
}

const Command* FindCommandByCliName(const std::string& name) {
    if (name.empty()) return nullptr;
    for (const auto& c : Commands())
        if (c.cliName == name) return &c;
    return nullptr;
}

}  // namespace korvane
