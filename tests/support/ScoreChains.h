#pragma once

// Chains of `score` steps made from a source of choices (a random generator
// in the round-trip test, the input bytes in the fuzz target), and the check
// that a document comes back from its music file as it was edited.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ScoreCommand.h"
#include "commands/CommandTable.h"
#include "music/MusicDialogModel.h"
#include "music/MusicTree.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"

namespace korvane::testing {

// Texts for labels and sample waves: blanks at the ends and inside, tabs and
// line breaks, characters of ISO-8859-1 (UTF-8 é, ÿ, a no-break space) and
// beyond it (€), control characters, the three the file cannot escape, a
// byte that is not UTF-8.
inline const std::vector<std::string>& ScoreTextPieces() {
    static const std::vector<std::string> pieces = {"a",  "Bass", " ",    "  ",  "\t",    "\n",       "\r\n",
                                                    "x y", "\xC3\xA9", "\xC3\xBF", "\xC2\xA0", "\xE2\x82\xAC", "\x01",
                                                    "<",  "&",    ">",    "\xE9", "1",     "%s"};
    return pieces;
}

// One step; `pick(n)` answers a whole number from 0 to n - 1.
template <class Pick>
std::vector<std::string> MakeScoreStep(Pick&& pick) {
    const auto number = [&](int low, int high) { return std::to_string(low + pick(high - low + 1)); };
    const auto one = [&](const std::vector<std::string>& words) { return words[pick(static_cast<int>(words.size()))]; };
    const auto text = [&] {
        std::string t;
        for (int n = pick(5); n > 0; --n) t += one(ScoreTextPieces());
        return t;
    };
    const auto colour = [&] {
        static const char* const digits = "0123456789ABCDEF";
        std::string c;
        for (int i = 0; i < 6; ++i) c += digits[pick(16)];
        return c;
    };
    static const std::vector<std::string> keys = {
        "Left",         "Right",          "Up",        "Down",       "Home",       "End",
        "PageUp",       "PageDown",       "Shift+PageUp", "Shift+PageDown", "Ctrl+Left", "Ctrl+Right",
        "Ctrl+Up",      "Ctrl+Down",      "Ctrl+Shift+Up", "Ctrl+Shift+Down", "Alt+N",  "Alt+S",
        "L",            "Shift+L",        "Alt+L",     "Shift+Alt+L"};
    static const std::vector<std::string> commands = [] {
        std::vector<std::string> list;
        for (const Command& c : Commands())
            if (c.kind == DocKind::Music && c.enabled) list.push_back(c.action);
        return list;
    }();
    static const std::vector<std::string> treeActions = [] {
        std::vector<std::string> list;
        for (const TMusTreeActionInfo& info : MusTreeActions()) list.push_back(info.Step);
        return list;
    }();
    static const std::vector<std::string> buttons = [] {
        std::vector<std::string> list;
        for (const TMusicButtonInfo& info : MusicButtons()) list.push_back(info.Step);
        return list;
    }();
    static const std::vector<std::string> values = {"0", "1", "3", "12", "-1", "1/2", "2 1/2", "x", "", "100000",
                                                    "440 Hz", "0.5", "50 %", "120", "1 ms"};
    const std::vector<std::string> onOff = {"on", "off"};
    switch (pick(16)) {
        case 0:
        case 1:
        case 2: return {one(commands)};
        case 3: return {"key", one(keys)};
        case 4:
            switch (pick(4)) {
                case 0: return {"select", number(1, 3), number(1, 8)};
                case 1: return {"select", "bar", number(1, 4)};
                case 2: return {"select", "loop", number(1, 2), one({"left", "right"})};
                default: return {"select", "none"};
            }
        case 5:
        case 6: return {"click", number(1, 2), number(-6, 14), one({"after", "on"}), number(0, 8)};
        case 7: return {"tree", "select", number(1, 8)};
        case 8: return {"tree", one(treeActions)};
        case 9:
            switch (pick(4)) {
                case 0: return {"tree", "label", text()};
                case 1: return {"tree", "count", one(values)};
                case 2: return {"tree", "pitch", one(values)};
                default: return {"tree", "play-draw"};
            }
        case 10: return {"music", "tempo", one(values)};
        case 11: return {one({"stave", "group", "player"}), one(buttons)};
        case 12:
            switch (pick(5)) {
                case 0: return {"stave", one({"room-up", "room-down"}), one(values)};
                case 1: return {"stave", one({"foreground", "background"}), colour()};
                case 2: return {"stave", one({"join", "sound", "extra-lines"}), one(onOff)};
                case 3: return {"group", "color", colour()};
                default: return {"group", one({"sticks-up", "sticks-down"}), one(onOff)};
            }
        case 13: return {"group", "shape", one({"normal", "rectangle"})};
        case 14: return {"player", "kind", number(0, 4)};
        default:
            switch (pick(3)) {
                case 0: return {"player", "sample-wave", text()};
                case 1: return {"player", one({"volume", "freq-up"}), one(values)};
                default: return {"player", one({"basic-freq", "resonant-factor"}), one(values)};
            }
    }
}

inline std::string ScoreChainText(const std::vector<std::vector<std::string>>& chain) {
    std::string text;
    for (const auto& step : chain) {
        if (!text.empty()) text += " --";
        for (const std::string& w : step) text += " [" + w + "]";
    }
    return text;
}

// What the file keeps of a document, as the printing steps show it: the
// symbols and bars of `print` (key numbers, which the file does not hold,
// left out), `tree print` (without the play-and-draw states, which the file
// does not hold either), and `music print` at the staves, note groups and
// players the dialog browses to. Browsing moves the dialog's cursors only.
inline std::string ScoreDump(TUnitMuz& doc) {
    std::ostringstream out, err;
    std::ostringstream printed;
    cli::PrintScore(doc, printed);
    std::istringstream lines(printed.str());
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("mode:", 0) == 0 || line.rfind("insert:", 0) == 0 || line.rfind("selected:", 0) == 0) continue;
        if (size_t no = line.find(" no="); no != std::string::npos) line.erase(no);
        out << line << "\n";
    }
    const auto step = [&](std::vector<std::string> words) { return cli::RunScoreStep(doc, words, out, err) == 0; };
    // The play-and-draw flags are not kept in the file.
    std::ostringstream tree;
    cli::RunScoreStep(doc, {"tree", "print"}, tree, err);
    std::istringstream nodes(tree.str());
    for (std::string line; std::getline(nodes, line);) {
        if (size_t play = line.find(" play="); play != std::string::npos)
            line.erase(play, line.find(' ', play + 1) == std::string::npos ? std::string::npos
                                                                           : line.find(' ', play + 1) - play);
        out << line << "\n";
    }
    // From the first item of each level (a refused `first` is one already
    // there); only the first few of each, or a document the fuzzer made
    // large would print for long.
    step({"stave", "first"});
    for (int s = 0; s < 12; ++s) {
        step({"group", "first"});
        for (int g = 0; g < 6; ++g) {
            step({"player", "first"});
            for (int p = 0; p < 6; ++p) {
                step({"music", "print"});
                if (!step({"player", "next"})) break;
            }
            if (!step({"group", "next"})) break;
        }
        if (!step({"stave", "next"})) break;
    }
    return out.str();
}

// The bytes of a file; "" when it cannot be read.
inline std::string ScoreFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Writes the document, reads it back, and compares: the same dump, and
// writing the read document gives the same bytes. With a path, through that
// file (saved, its bytes the written text, opened), else in memory. "" when
// it all holds, else what went wrong with both sides.
inline std::string ScoreRoundTripFault(TUnitMuz& doc, const std::string& path = "") {
    std::string first, message;
    if (!MuzText(doc, first, message)) return "the first write failed: " + message;
    TUnitMuz again;
    if (path.empty()) {
        if (!ReadMuzText(again, first, message)) return "the written file does not read: " + message + "\n" + first;
    } else {
        if (!SaveMuz(doc, path, message)) return "the save failed: " + message;
        if (ScoreFileBytes(path) != first) return "the saved file is not the written text";
        if (!OpenMuz(again, path, message)) return "the saved file does not open: " + message + "\n" + first;
    }
    if (!again.SelectedTreeItem) again.SelectedTreeItem = again.GetStartPart();
    std::string second;
    if (!MuzText(again, second, message)) return "the second write failed: " + message;
    if (second != first) return "the second write differs:\n" + first + "----\n" + second;
    const std::string before = ScoreDump(doc), after = ScoreDump(again);
    if (before != after) return "the document read back differs:\n" + before + "----\n" + after;
    return "";
}

}  // namespace korvane::testing
