#include "cli/ScoreCommand.h"

#include <climits>
#include <memory>
#include <unordered_map>

#include "cli/Cli.h"
#include "cli/ScoreDialogSteps.h"
#include "commands/CommandTable.h"
#include "music/MusicEdit.h"
#include "music/MusicKeys.h"
#include "music/NotePlayers.h"
#include "musicfile/MuzFile.h"
#include "values/ValueWriters.h"

namespace korvane::cli {

namespace {

const char* const kScoreUsage = "score MUSIC OUT.xml [--wave NAME=FILE.wav[@B:E]]... STEP [-- STEP]...";

struct ScoreUsage {
    std::string text;
};

// A whole number as the step numbers are written (from 1, or 0 where "before
// the first" is meant); false for anything else.
bool readCount(const std::string& text, int low, int& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return value >= low;
}

bool readHeight(const std::string& text, int& value) {
    size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() <= digits || text.size() > 9 || text.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    value = std::stoi(text);
    return true;
}

std::vector<TSinglePartMuz*> singleParts(const TUnitMuz& doc) {
    std::vector<TSinglePartMuz*> parts;
    for (TSinglePartMuz* p = doc.FirstSinglePart(); p; p = p->NextSinglePart()) parts.push_back(p);
    return parts;
}

std::vector<TNoteStave*> staves(const TUnitMuz& doc) {
    std::vector<TNoteStave*> list;
    for (TStave* s = doc.GetFirstStave(); s; s = s->GetNext()) list.push_back(static_cast<TNoteStave*>(s));
    return list;
}

// The symbols of one stave in list order over the single parts in their
// in-order: what `select S N` and `print` number from 1.
std::vector<TStaveSymbol*> staveSymbols(const TUnitMuz& doc, const TNoteStave* stave) {
    std::vector<TStaveSymbol*> symbols;
    for (TSinglePartMuz* p : singleParts(doc))
        for (TStaveSymbol* s = p->GetFirstSymbol(); s; s = s->Next)
            if (s->GetNoteStave() == stave) symbols.push_back(s);
    return symbols;
}

void collectLoops(TPartMuz* part, std::vector<TLoopPartMuz*>& loops) {
    if (!part) return;
    switch (part->GetPartMuzKind()) {
        case partMuzConcat:
            collectLoops(static_cast<TConcatPartMuz*>(part)->GetFirstPart(), loops);
            collectLoops(static_cast<TConcatPartMuz*>(part)->GetSecondPart(), loops);
            break;
        case partMuzLoop:
            loops.push_back(static_cast<TLoopPartMuz*>(part));
            collectLoops(static_cast<TLoopPartMuz*>(part)->GetLoopPart(), loops);
            break;
        case partMuzSelect: collectLoops(static_cast<TSelectPartMuz*>(part)->GetSelectPart(), loops); break;
        case partMuzStart: collectLoops(static_cast<TStartPartMuz*>(part)->GetPartMuz(), loops); break;
        default: break;
    }
}

std::vector<TLoopPartMuz*> loops(const TUnitMuz& doc) {
    std::vector<TLoopPartMuz*> list;
    collectLoops(doc.GetStartPart(), list);
    return list;
}

template <class T>
int numberOf(const std::vector<T*>& list, const void* item) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == item) return static_cast<int>(i) + 1;
    return 0;
}

// The music commands that only open windows (Duplicate, the two dialogs): the
// window alone knows when they may run, so they have no enable rule and no
// batch step. `score` names them in a usage line instead of running them.
bool WindowOnly(const Command& command) { return !command.enabled; }

// A music command as a step or in `enabled`: unknown and window-only names are
// usage errors.
const Command& musicCommand(const std::string& name, const char* what) {
    const Command* command = FindCommand(name);
    if (!command || command->kind != DocKind::Music) throw ScoreUsage{std::string(what) + " " + name};
    if (WindowOnly(*command)) throw ScoreUsage{name + " opens a window: the music window only, not a batch step"};
    return *command;
}

const char* keyKindName(int8_t kind) { return kind == TKey::keyKindC ? "C" : kind == TKey::keyKindF ? "F" : "G"; }

std::string position(double x) { return WritePrecision(x, 7, true); }

class ScoreRun {
public:
    ScoreRun(TUnitMuz& doc, std::ostream& out, std::ostream& err) : doc_(doc), out_(out), err_(err) {}

    // Runs one step; 0, or the exit status after the message went to stderr.
    int Step(const std::vector<std::string>& w) {
        const std::string& first = w[0];
        if (IsScoreDialogStep(first)) return RunScoreDialogStep(doc_, w, out_, err_);
        if (first == "print") {
            if (w.size() != 1) throw ScoreUsage{"print takes no words"};
            PrintScore(doc_, out_);
            return exitOk;
        }
        if (first == "enabled") return Enabled(w);
        if (first == "key") return Key(w);
        if (first == "select") return Select(w);
        if (first == "click") return Click(w);
        const Command& command = musicCommand(first, "unknown step");
        if (w.size() != 1) throw ScoreUsage{first + " takes no words"};
        if (!command.enabled(state()).empty()) return unavailable(first);
        if (command.runMusic) command.runMusic(doc_);
        return exitOk;
    }

private:
    TUnitMuz& doc_;
    std::ostream& out_;
    std::ostream& err_;

    CommandState state() const {
        CommandState s;
        s.music = &doc_;
        return s;
    }

    int unavailable(const std::string& name) {
        err_ << name << " is not available\n";
        return exitUsage;
    }

    TNoteStave* staveNumber(const std::string& text) const {
        std::vector<TNoteStave*> list = staves(doc_);
        int n = 0;
        if (!readCount(text, 1, n) || n > static_cast<int>(list.size()))
            throw ScoreUsage{"stave " + text + ": the music has " + std::to_string(list.size()) + " staves"};
        return list[n - 1];
    }

    // Symbol N of a stave; 0 gives none when `zero` allows it.
    TStaveSymbol* symbolNumber(const TNoteStave* stave, const std::string& text, bool zero) const {
        std::vector<TStaveSymbol*> list = staveSymbols(doc_, stave);
        int n = 0;
        if (!readCount(text, zero ? 0 : 1, n) || n > static_cast<int>(list.size()))
            throw ScoreUsage{"symbol " + text + ": the stave has " + std::to_string(list.size()) + " symbols"};
        return n == 0 ? nullptr : list[n - 1];
    }

    int Enabled(const std::vector<std::string>& w) {
        if (w.size() < 2) throw ScoreUsage{"enabled NAME..."};
        CommandState s = state();
        for (size_t i = 1; i < w.size(); ++i) {
            const Command& command = musicCommand(w[i], "unknown command");
            out_ << w[i] << ": " << (command.enabled(s).empty() ? "on" : "off");
            if (command.checked && command.checked(s)) out_ << " checked";
            out_ << "\n";
        }
        return exitOk;
    }

    int Key(const std::vector<std::string>& w) {
        TMusicKey key;
        if (w.size() != 2 || !MusicKeyByName(w[1], key)) throw ScoreUsage{"unknown key " + (w.size() > 1 ? w[1] : "")};
        PressMusicKey(doc_, key);
        return exitOk;
    }

    int Select(const std::vector<std::string>& w) {
        if (w.size() == 2 && w[1] == "none") {
            SelectSymbol(doc_, nullptr);
            return exitOk;
        }
        if (w.size() == 3 && w[1] == "bar") {
            std::vector<TSinglePartMuz*> parts = singleParts(doc_);
            int p = 0;
            if (!readCount(w[2], 1, p) || p > static_cast<int>(parts.size()))
                throw ScoreUsage{"part " + w[2] + ": the music has " + std::to_string(parts.size()) + " single parts"};
            SelectSymbol(doc_, parts[p - 1]->GetMuzBar());
            return exitOk;
        }
        if (w.size() == 4 && w[1] == "loop") {
            std::vector<TLoopPartMuz*> list = loops(doc_);
            int p = 0;
            if (!readCount(w[2], 1, p) || p > static_cast<int>(list.size()))
                throw ScoreUsage{"loop " + w[2] + ": the music has " + std::to_string(list.size()) + " repeats"};
            if (w[3] != "left" && w[3] != "right") throw ScoreUsage{"select loop P left|right"};
            TLoopPartMuz* loop = list[p - 1];
            SelectSymbol(doc_, w[3] == "left" ? loop->GetLeftLoopSymbol() : loop->GetRightLoopSymbol());
            return exitOk;
        }
        if (w.size() == 3) {
            TNoteStave* stave = staveNumber(w[1]);
            SelectSymbol(doc_, symbolNumber(stave, w[2], false));
            return exitOk;
        }
        throw ScoreUsage{"select S N | select bar P | select loop P left|right | select none"};
    }

    int Click(const std::vector<std::string>& w) {
        if (w.size() != 5 || (w[3] != "after" && w[3] != "on")) throw ScoreUsage{"click S HEIGHT after|on N"};
        TScoreClick click;
        click.Stave = staveNumber(w[1]);
        if (!readHeight(w[2], click.Height)) throw ScoreUsage{"click height " + w[2]};
        const bool on = w[3] == "on";
        TStaveSymbol* symbol = symbolNumber(click.Stave, w[4], !on);
        if (symbol) {
            click.After = symbol;
            click.Part = symbol->GetSinglePartMuz();
        } else {
            // Before the first symbol: the start of the first drawn part.
            for (TSinglePartMuz* p : singleParts(doc_))
                if (!click.Part && IsDrawnPart(*p)) click.Part = p;
            if (!click.Part) throw ScoreUsage{"click after 0: no single part is drawn"};
        }
        if (on) {
            click.Nearest = symbol;
            if (symbol->GetStaveSymbolKind() == staveSymbolNote) click.NoteHit = static_cast<TMuzNote*>(symbol);
            if (symbol->GetStaveSymbolKind() == staveSymbolSilence) click.SilenceHit = static_cast<TSilence*>(symbol);
        }
        ClickScore(doc_, click);
        return exitOk;
    }
};

}  // namespace

int RunScoreStep(TUnitMuz& doc, const std::vector<std::string>& step, std::ostream& out, std::ostream& err) {
    if (step.empty()) {
        err << "usage: empty step\n";
        return exitUsage;
    }
    try {
        return ScoreRun(doc, out, err).Step(step);
    } catch (const ScoreUsage& e) {
        err << "usage: " << e.text << "\n";
        return exitUsage;
    }
}

void PrintScore(const TUnitMuz& doc, std::ostream& out) {
    static const char* const modes[] = {"add", "edit", "delete"};
    out << "mode: " << (doc.UnitMuzMode <= unitMuzDel ? modes[doc.UnitMuzMode] : "?") << "\n";
    out << "insert: kind=" << int(doc.InsertModeKind) << " length=" << int(doc.InsertLengthKind)
        << " points=" << doc.InsertPoints << " art=" << int(doc.InsertArtKind) << " shift=" << int(doc.InsertNoteShift)
        << " key=" << int(doc.InsertKeyKind) << " stick=" << int(doc.InsertStickKind) << "\n";
    const std::vector<TNoteStave*> list = staves(doc);
    const std::vector<TSinglePartMuz*> parts = singleParts(doc);
    out << "selected: ";
    switch (doc.GetSelMuzSymbolKind()) {
        case muzSymbolStave: {
            auto* s = static_cast<TStaveSymbol*>(doc.SelectedSymbol);
            out << numberOf(list, s->GetNoteStave()) << " " << numberOf(staveSymbols(doc, s->GetNoteStave()), s);
            break;
        }
        case muzSymbolBar:
            out << "bar " << numberOf(parts, static_cast<TMuzBar*>(doc.SelectedSymbol)->GetSinglePartMuz());
            break;
        case muzSymbolLoop: {
            auto* mark = static_cast<TLoopPartSymbol*>(doc.SelectedSymbol);
            out << "loop " << numberOf(loops(doc), mark->GetLoopPart()) << " "
                << (mark->GetSide() == TLoopPartSymbol::loopSideLeft ? "left" : "right");
            break;
        }
        default: out << "NONE"; break;
    }
    out << "\n";
    // Every stave's symbols from one walk over the parts: a score of many
    // staves prints in the time it reads.
    std::unordered_map<const TNoteStave*, std::vector<TStaveSymbol*>> symbolsOf;
    for (TSinglePartMuz* p : parts)
        for (TStaveSymbol* s = p->GetFirstSymbol(); s; s = s->Next) symbolsOf[s->GetNoteStave()].push_back(s);
    for (size_t si = 0; si < list.size(); ++si) {
        const TNoteStave* stave = list[si];
        int n = 0;
        for (TStaveSymbol* s : symbolsOf[stave]) {
            out << si + 1 << " " << ++n << " ";
            if (s->GetStaveSymbolKind() == staveSymbolKey) {
                auto* key = static_cast<TKey*>(s);
                out << "KEY pos=" << position(key->GetSymbolPosition()) << " kind=" << keyKindName(key->GetKeyKind())
                    << " oct=" << key->GetAddOctaves() << " scale=";
                for (uint8_t entry : key->GetScale()) out << int(entry);
                out << " no=" << key->GetKeyNumber() << "\n";
                continue;
            }
            auto* t = static_cast<TStaveTimeSymbol*>(s);
            const bool note = s->GetStaveSymbolKind() == staveSymbolNote;
            out << (note ? "NOTE" : "SIL") << " pos=" << position(t->GetSymbolPosition())
                << " len=" << int(t->GetNoteLengthKind()) << " pts=" << t->GetPoints() << " ool=" << int(t->GetMultiOol())
                << "/" << t->GetPosInOol();
            if (note) {
                auto* m = static_cast<TMuzNote*>(t);
                int group = 0, g = 0;
                for (TNoteGroup* ng = stave->GetStartNoteGroup(); ng; ng = ng->GetNext()) {
                    ++g;
                    if (ng == m->GetNoteGroup()) group = g;
                }
                out << " pitch=" << m->GetPitch() << " shift=" << int(m->GetNoteShiftKind())
                    << " art=" << int(m->GetNoteArtKind()) << " stick=" << int(m->GetDrawStickKind())
                    << " group=" << group;
            }
            out << "\n";
        }
    }
    for (size_t p = 0; p < parts.size(); ++p) {
        const TMuzBar* bar = parts[p]->GetMuzBar();
        out << "bar " << p + 1 << " count=" << bar->GetCountNotes() << " length=" << int(bar->GetNoteLength())
            << " extra=" << bar->GetExtraCount() << "\n";
    }
}

void ScoreHelp(std::ostream& out) {
    out << "korvane-cli " << kScoreUsage << "\n"
        << "Steps of the music window and the music commands:\n"
        << "  an action name of the music command table:";
    int column = 0;
    for (const Command& c : Commands()) {
        if (c.kind != DocKind::Music || WindowOnly(c)) continue;
        out << (column++ % 6 == 0 ? "\n    " : " ") << c.action;
    }
    out << "\n"
        << "  key KEY             Left Right Up Down Home End PageUp PageDown Shift+PageUp Shift+PageDown\n"
        << "                      Ctrl+Left Ctrl+Right Ctrl+Up Ctrl+Down Ctrl+Shift+Up Ctrl+Shift+Down\n"
        << "                      Alt+N Alt+S L Shift+L Alt+L Shift+Alt+L\n"
        << "  select S N | select bar P | select loop P left|right | select none\n"
        << "  click S HEIGHT after N   (N = 0: before the first symbol)\n"
        << "  click S HEIGHT on N\n"
        << "  enabled NAME...\n"
        << "  print\n"
        << "Steps of the music parts dialog:\n"
        << "  tree print | tree select N | tree ACTION | tree label TEXT | tree count TEXT | tree pitch TEXT\n"
        << "  tree play-draw | tree enabled\n"
        << "  ACTION: insert-single append-single repeat turns turn forward backward forward-in backward-in\n"
        << "          forward-out backward-out delete expand expand-all collapse collapse-all goto-begin goto-end\n"
        << "Steps of the music dialog:\n"
        << "  music tempo TEXT | music print | music enabled\n"
        << "  stave|group|player first|previous|next|last|insert|append|delete|move-prev|move-next\n"
        << "  stave room-up TEXT | stave room-down TEXT | stave foreground RRGGBB | stave background RRGGBB\n"
        << "  stave join on|off | stave sound on|off | stave extra-lines on|off\n"
        << "  group color RRGGBB | group shape normal|rectangle | group sticks-up on|off | group sticks-down on|off\n"
        << "  player volume TEXT | player freq-up TEXT | player kind 0..4 | player sample-wave NAME\n"
        << "  player basic-freq TEXT | player resonant-factor TEXT\n";
}

int MusicScore(const std::vector<std::string>& args, const RenderContext& context) {
    std::ostream& err = context.err;
    std::vector<std::string> positional, waves, words;
    size_t i = 0;
    for (; i < args.size() && positional.size() < 2; ++i) {
        if (args[i] == "--wave") {
            if (i + 1 >= args.size()) {
                err << "usage: missing value for --wave\n";
                return exitUsage;
            }
            waves.push_back(args[++i]);
        } else if (args[i].size() > 1 && args[i][0] == '-' && args[i] != "-") {
            err << "usage: unknown option " << args[i] << "\n";
            return exitUsage;
        } else {
            positional.push_back(args[i]);
        }
    }
    while (i < args.size() && args[i] == "--wave") {
        if (i + 1 >= args.size()) {
            err << "usage: missing value for --wave\n";
            return exitUsage;
        }
        waves.push_back(args[i + 1]);
        i += 2;
    }
    words.assign(args.begin() + static_cast<long>(i), args.end());
    if (positional.size() != 2 || words.empty()) {
        err << "usage: " << kScoreUsage << "\n";
        return exitUsage;
    }
    std::vector<std::vector<std::string>> steps(1);
    for (const std::string& w : words) {
        if (w == "--") steps.emplace_back();
        else steps.back().push_back(w);
    }
    for (const auto& s : steps) {
        if (s.empty()) {
            err << "usage: empty step\n";
            return exitUsage;
        }
    }

    TUnitMuz doc;
    std::string message;
    if (!OpenMuz(doc, positional[0], message)) {
        err << "Cannot read the file: \"" << positional[0] << "\", " << message << "\n";
        return context.memoryOr(exitFile);
    }
    // The document as a music window starts it.
    if (!doc.SelectedTreeItem) doc.SelectedTreeItem = doc.GetStartPart();
    if (int status = context.openWaves(waves)) return status;

    for (const auto& step : steps)
        if (int status = RunScoreStep(doc, step, context.out, err)) return status;
    if (positional[1] == "-") return exitOk;
    if (!SaveMuz(doc, positional[1], message)) {
        err << "Cannot save Music: " << message << "\n";
        return context.memoryOr(exitFile);
    }
    return exitOk;
}

}  // namespace korvane::cli
