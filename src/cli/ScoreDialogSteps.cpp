#include "cli/ScoreDialogSteps.h"

#include <cstdio>

#include "music/MusicDialogModel.h"
#include "music/MusicTree.h"

namespace korvane::cli {

namespace {

// Every refusal of these steps is a usage-class exit.
constexpr int kRefused = 2;

int notAvailable(std::ostream& err, const std::string& name) {
    err << name << " is not available\n";
    return kRefused;
}

int usage(std::ostream& err, const std::string& text) {
    err << "usage: " << text << "\n";
    return kRefused;
}

int refused(std::ostream& err, const std::string& message) {
    err << message << "\n";
    return kRefused;
}

const char* onOff(bool on) { return on ? "on" : "off"; }

// "on" or "off"; false for anything else.
bool readOnOff(const std::string& word, bool& on) {
    if (word != "on" && word != "off") return false;
    on = word == "on";
    return true;
}

// Colours are typed and printed red first; the document keeps the platform
// value with red in the low byte.
bool readColour(const std::string& word, int& colour) {
    if (word.size() != 6) return false;
    unsigned rgb = 0;
    for (char c : word) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (digit < 0) return false;
        rgb = rgb * 16 + static_cast<unsigned>(digit);
    }
    colour = static_cast<int>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return true;
}

std::string colourText(int colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}

// A number from 1; false for anything else.
bool readIndex(const std::string& word, int& index) {
    if (word.empty() || word.size() > 9) return false;
    index = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return false;
        index = index * 10 + (c - '0');
    }
    return index >= 1;
}

// --- the music parts dialog ------------------------------------------------

const char* kTreeUsage = "tree print|select N|ACTION|label TEXT|count TEXT|pitch TEXT|play-draw|enabled";

const char* playText(const TPartMuz& part) {
    switch (PlayDrawState(part)) {
        case playDrawChecked:
            return "on";
        case playDrawGreyed:
            return "grey";
        default:
            return "off";
    }
}

void printNode(std::ostream& out, int number, const TMusTreeNode& node) {
    const TMusTreeItem& item = *node.Item;
    out << number << " " << node.Depth << " ";
    if (item.GetItemKind() != musTreeItemPartMuz) {
        const auto& turn = static_cast<const TCountSelectPartItem&>(item);
        out << "turn \"" << item.GetShownName() << "\" count=" << turn.Count.GetValue()
            << " pitch=" << turn.Pitch.GetValue() << " octave=\"" << OctaveText(turn.Pitch.GetValue()) << "\"\n";
        return;
    }
    const auto& part = static_cast<const TPartMuz&>(item);
    switch (part.GetPartMuzKind()) {
        case partMuzLoop: {
            const auto& loop = static_cast<const TLoopPartMuz&>(part);
            out << "repeat \"" << item.GetShownName() << "\" count=" << loop.Count.GetValue()
                << " play=" << playText(part) << " open=" << (loop.Expanded ? "yes" : "no") << "\n";
            return;
        }
        case partMuzSelect:
            out << "turns \"" << item.GetShownName() << "\" play=" << playText(part)
                << " open=" << (static_cast<const TSelectPartMuz&>(part).Expanded ? "yes" : "no") << "\n";
            return;
        default:
            out << (part.GetPartMuzKind() == partMuzStart ? "root" : "part") << " \"" << item.GetShownName()
                << "\" play=" << playText(part) << "\n";
    }
}

int treePrint(TMusTree& tree, std::ostream& out) {
    const std::vector<TMusTreeNode> nodes = tree.Listing();
    int selected = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        printNode(out, static_cast<int>(i) + 1, nodes[i]);
        if (nodes[i].Item == tree.Selected()) selected = static_cast<int>(i) + 1;
    }
    if (selected)
        out << "selected: " << selected << "\n";
    else
        out << "selected: none\n";
    return 0;
}

int treeEnabled(TMusTree& tree, std::ostream& out) {
    const TMusTreeEnabling enabling = tree.Enabling();
    for (const TMusTreeActionInfo& info : MusTreeActions())
        out << info.Step << ": " << onOff(enabling.Actions[info.Action]) << "\n";
    out << "count: " << onOff(enabling.Count) << "\n";
    out << "pitch: " << onOff(enabling.Pitch) << "\n";
    out << "play-draw: " << onOff(enabling.PlayDraw) << "\n";
    return 0;
}

int treeStep(TUnitMuz& doc, const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    TMusTree tree(doc);
    if (words.size() < 2) return usage(err, kTreeUsage);
    const std::string& what = words[1];
    const std::string name = "tree " + what;
    const bool valued = what == "select" || what == "label" || what == "count" || what == "pitch";
    if (words.size() != (valued ? 3u : 2u))
        return usage(err, valued ? name + " takes one value" : name + " takes no value");

    if (what == "print") return treePrint(tree, out);
    if (what == "enabled") return treeEnabled(tree, out);
    if (what == "select") {
        const std::vector<TMusTreeNode> nodes = tree.Listing();
        int index = 0;
        if (!readIndex(words[2], index) || index > static_cast<int>(nodes.size()))
            return usage(err, "tree select " + words[2] + ": the tree has nodes 1 to " + std::to_string(nodes.size()));
        tree.Select(nodes[index - 1].Item);
        return 0;
    }
    std::string message;
    const TMusTreeEnabling enabling = tree.Enabling();
    if (what == "label") {
        // The root is not kept in the music file, so neither would its label be.
        const TMusTreeItem* item = tree.Selected();
        if (!item || item == doc.GetStartPart()) return notAvailable(err, name);
        return tree.SetLabel(words[2], message) ? 0 : refused(err, message);
    }
    if (what == "count") {
        if (!enabling.Count) return notAvailable(err, name);
        return tree.CommitCount(words[2], message) ? 0 : refused(err, message);
    }
    if (what == "pitch") {
        if (!enabling.Pitch) return notAvailable(err, name);
        return tree.CommitPitch(words[2], message) ? 0 : refused(err, message);
    }
    if (what == "play-draw") {
        if (!enabling.PlayDraw) return notAvailable(err, name);
        tree.ClickPlayDraw();
        return 0;
    }
    for (const TMusTreeActionInfo& info : MusTreeActions()) {
        if (what != info.Step) continue;
        // Batch answers the confirmation of deleting a single part with OK.
        return tree.Run(info.Action) ? 0 : notAvailable(err, name);
    }
    return usage(err, "unknown step " + name + "; " + kTreeUsage);
}

// --- the music dialog --------------------------------------------------------

int musicPrint(TMusicDialogModel& model, std::ostream& out) {
    out << "tempo: " << model.TempoText() << "\n";
    if (TNoteStave* stave = model.Stave()) {
        out << "stave: " << model.Position(musicLevelStave) << "/" << model.Count(musicLevelStave)
            << " room-up=" << model.RoomUpText() << " room-down=" << model.RoomDownText()
            << " fg=" << colourText(stave->ForegroundColor) << " bg=" << colourText(stave->BackgroundColor)
            << " join=" << onOff(stave->drawFlagKind == AllowJoinFlags) << " sound=" << onOff(!stave->Mute)
            << " extra-lines=" << onOff(stave->ExtraLines) << "\n";
    } else {
        out << "stave: none\n";
    }
    if (TNoteGroup* group = model.Group()) {
        out << "group: " << model.Position(musicLevelGroup) << "/" << model.Count(musicLevelGroup)
            << " color=" << colourText(group->NoteColor)
            << " shape=" << (group->NoteShape == noteShapeRectangle ? "rectangle" : "normal")
            << " sticks-up=" << onOff(model.SticksUp()) << " sticks-down=" << onOff(model.SticksDown()) << "\n";
    } else {
        out << "group: none\n";
    }
    TOnePlayer* onePlayer = model.OnePlayer();
    if (!onePlayer) {
        out << "player: none\n";
        return 0;
    }
    out << "player: " << model.Position(musicLevelPlayer) << "/" << model.Count(musicLevelPlayer)
        << " kind=" << static_cast<int>(onePlayer->OnePlayerProps.NotePlayerKind)
        << " volume=" << model.VolumeFactorText() << " freq-up=" << model.FreqUpText();
    const int page = model.ShownPage();
    if (page >= 0) out << " sample-wave=" << model.SampleWaveText();
    if (TMusicDialogModel::PageHasBasicFreq(page)) out << " basic-freq=" << model.BasicFreqText();
    if (TMusicDialogModel::PageHasResonantFactor(page)) out << " resonant-factor=" << model.ResonantFactorText();
    out << "\n";
    return 0;
}

int musicEnabled(TMusicDialogModel& model, std::ostream& out) {
    for (const TMusicLevelInfo& level : MusicLevels()) {
        out << level.Step << ":";
        for (const TMusicButtonInfo& button : MusicButtons())
            if (model.Enabled(level.Level, button.Button)) out << " " << button.Step;
        out << "\n";
    }
    return 0;
}

int musicStep(TMusicDialogModel& model, const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const std::string what = words.size() > 1 ? words[1] : "";
    if (what == "print" && words.size() == 2) return musicPrint(model, out);
    if (what == "enabled" && words.size() == 2) return musicEnabled(model, out);
    if (what == "tempo" && words.size() == 3) {
        std::string message;
        return model.SetTempo(words[2], message) ? 0 : refused(err, message);
    }
    return usage(err, "music tempo TEXT|print|enabled");
}

// A browse, insert, delete or move button of a level; false when the word is
// not one.
bool findButton(const std::string& word, TMusicButton& button) {
    for (const TMusicButtonInfo& info : MusicButtons()) {
        if (word == info.Step) {
            button = info.Button;
            return true;
        }
    }
    return false;
}

int pressButton(TMusicDialogModel& model, TMusicLevel level, const std::vector<std::string>& words, std::ostream& err) {
    TMusicButton button = musicFirst;
    if (words.size() != 2 || !findButton(words[1], button)) return -1;
    return model.Press(level, button) ? 0 : notAvailable(err, words[0] + " " + words[1]);
}

const char* kStaveUsage =
    "stave first|previous|next|last|insert|append|delete|move-prev|move-next, stave room-up|room-down TEXT, stave "
    "foreground|background RRGGBB, stave join|sound|extra-lines on|off";

int staveStep(TMusicDialogModel& model, const std::vector<std::string>& words, std::ostream& err) {
    if (int done = pressButton(model, musicLevelStave, words, err); done >= 0) return done;
    if (words.size() != 3) return usage(err, kStaveUsage);
    const std::string& what = words[1];
    const std::string& value = words[2];
    if (!model.Stave()) return notAvailable(err, "stave " + what);
    std::string message;
    if (what == "room-up") return model.SetRoomUp(value, message) ? 0 : refused(err, message);
    if (what == "room-down") return model.SetRoomDown(value, message) ? 0 : refused(err, message);
    if (what == "foreground" || what == "background") {
        int colour = 0;
        if (!readColour(value, colour)) return usage(err, "stave " + what + " takes a colour RRGGBB");
        what == "foreground" ? model.SetStaveForeground(colour) : model.SetStaveBackground(colour);
        return 0;
    }
    bool on = false;
    if (what == "join" || what == "sound" || what == "extra-lines") {
        if (!readOnOff(value, on)) return usage(err, "stave " + what + " takes on or off");
        if (what == "join") model.SetAllowJoinFlags(on);
        if (what == "sound") model.SetEnableSound(on);
        if (what == "extra-lines") model.SetExtraLines(on);
        return 0;
    }
    return usage(err, kStaveUsage);
}

const char* kGroupUsage =
    "group first|previous|next|last|insert|append|delete|move-prev|move-next, group color RRGGBB, group shape "
    "normal|rectangle, group sticks-up|sticks-down on|off";

int groupStep(TMusicDialogModel& model, const std::vector<std::string>& words, std::ostream& err) {
    if (int done = pressButton(model, musicLevelGroup, words, err); done >= 0) return done;
    if (words.size() != 3) return usage(err, kGroupUsage);
    const std::string& what = words[1];
    const std::string& value = words[2];
    if (!model.Group()) return notAvailable(err, "group " + what);
    if (what == "color") {
        int colour = 0;
        if (!readColour(value, colour)) return usage(err, "group color takes a colour RRGGBB");
        model.SetNoteColor(colour);
        return 0;
    }
    if (what == "shape") {
        if (value != "normal" && value != "rectangle") return usage(err, "group shape takes normal or rectangle");
        model.SetNoteShape(value == "normal" ? noteShapeNormal : noteShapeRectangle);
        return 0;
    }
    bool on = false;
    if (what == "sticks-up" || what == "sticks-down") {
        if (!readOnOff(value, on)) return usage(err, "group " + what + " takes on or off");
        what == "sticks-up" ? model.SetSticksUp(on) : model.SetSticksDown(on);
        return 0;
    }
    return usage(err, kGroupUsage);
}

const char* kPlayerUsage =
    "player first|previous|next|last|insert|append|delete|move-prev|move-next, player volume|freq-up TEXT, player "
    "kind 0..4, player sample-wave NAME, player basic-freq|resonant-factor TEXT";

int playerStep(TMusicDialogModel& model, const std::vector<std::string>& words, std::ostream& err) {
    if (int done = pressButton(model, musicLevelPlayer, words, err); done >= 0) return done;
    if (words.size() != 3) return usage(err, kPlayerUsage);
    const std::string& what = words[1];
    const std::string& value = words[2];
    const bool known = what == "volume" || what == "freq-up" || what == "kind" || what == "sample-wave" ||
                       what == "basic-freq" || what == "resonant-factor";
    if (!known) return usage(err, kPlayerUsage);
    if (!model.OnePlayer()) return notAvailable(err, "player " + what);
    std::string message;
    if (what == "volume") return model.SetVolumeFactor(value, message) ? 0 : refused(err, message);
    if (what == "freq-up") return model.SetFreqUp(value, message) ? 0 : refused(err, message);
    if (what == "kind") {
        if (value.size() != 1 || value[0] < '0' || value[0] > '4') return usage(err, "player kind takes 0 to 4");
        model.ChoosePage(static_cast<uint8_t>(value[0] - '0'));
        return 0;
    }
    const int page = model.ShownPage();
    const bool onPage = what == "sample-wave"  ? page >= 0
                        : what == "basic-freq" ? TMusicDialogModel::PageHasBasicFreq(page)
                                               : TMusicDialogModel::PageHasResonantFactor(page);
    if (!onPage)
        return usage(err, "player " + what + ": the page of kind " + std::to_string(page) + " has no such field");
    if (what == "sample-wave") return model.SetSampleWave(value, message) ? 0 : refused(err, message);
    if (what == "basic-freq") return model.SetBasicFreq(value, message) ? 0 : refused(err, message);
    return model.SetResonantFactor(value, message) ? 0 : refused(err, message);
}

}  // namespace

bool IsScoreDialogStep(const std::string& firstWord) {
    return firstWord == "tree" || firstWord == "music" || firstWord == "stave" || firstWord == "group" ||
           firstWord == "player";
}

int RunScoreDialogStep(TUnitMuz& doc, const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    if (words.empty() || !IsScoreDialogStep(words[0])) return usage(err, "a tree, music, stave, group or player step");
    if (words[0] == "tree") return treeStep(doc, words, out, err);
    TMusicDialogModel model(doc);
    if (words[0] == "music") return musicStep(model, words, out, err);
    if (words[0] == "stave") return staveStep(model, words, err);
    if (words[0] == "group") return groupStep(model, words, err);
    return playerStep(model, words, err);
}

}  // namespace korvane::cli
