#include "processing/CommandTable.h"

#include "processing/EffectCommands.h"
#include "processing/MakeCommands.h"
#include "processing/TWorkspace.h"
#include "processing/TimeEchoCommands.h"
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
std::function<std::unique_ptr<CommandStep>(TWorkspace&, TUnitWave&)> simple(F op) {
    return [op](TWorkspace&, TUnitWave&) -> std::unique_ptr<CommandStep> { return std::make_unique<SimpleStep>(op); };
}

std::vector<WaveCommand> buildTable() {
    std::vector<WaveCommand> t;
    auto add = [&](WaveCommand c) { t.push_back(std::move(c)); };
    add({"EditDelete", "edit-delete", "&Delete", "", "Delete|Delete the selection", true, NeedsSamples,
         simple([](TWorkspace&, TUnitWave& w) { return w.EditDelete(); })});
    add({"EditTrim", "edit-trim", "&Trim", "Shift+Ctrl+Del", "Trim|Keep only the selection", true, NeedsSelection,
         simple([](TWorkspace&, TUnitWave& w) { return w.EditTrim(); })});
    add({"EditCut", "edit-cut", "Cut", "Ctrl+X", "Cut|Cut the selection to the clipboard", true, NeedsSamples,
         simple([](TWorkspace& s, TUnitWave& w) { return w.EditCut(s.Clipboard); })});
    add({"EditCopy", "edit-copy", "Copy", "Ctrl+C", "Copy|Copy the selection to the clipboard", false,
         NeedsSamples, simple([](TWorkspace& s, TUnitWave& w) { return w.EditCopy(s.Clipboard); })});
    add({"EditPaste", "edit-paste", "Paste", "Ctrl+V", "Paste|Paste the clipboard", true, NeedsClip,
         simple([](TWorkspace& s, TUnitWave& w) { return w.EditPaste(*s.Clipboard); })});
    add({"EditSwap", "edit-swap", "Swap", "X", "Swap|Swap the wave with the contents of the clipboard", true,
         [](const CommandState& s) {
             std::string r = NeedsClip(s);
             return r.empty() ? NeedsSamples(s) : r;
         },
         simple([](TWorkspace& s, TUnitWave& w) { return w.EditSwap(s.Clipboard); })});
    add({"EditExtract", "edit-extract", "Extract", "Shift+X", "Extract|Copy and replace with silence", true,
         NeedsSamples, simple([](TWorkspace& s, TUnitWave& w) { return w.EditExtract(s.Clipboard); })});
    add({"EditClearClipboard", "edit-clear-clipboard", "Clear Clipboard", "Shift+Alt+Del",
         "Clear Clipboard|Release the sound on the clipboard", false, NeedsClip,
         simple([](TWorkspace& s, TUnitWave&) {
             s.ClearClipboard();
             return true;
         })});
    AddEditAndMakeCommands(t);
    AddEffectAndFilterCommands(t);
    AddTimeAndEchoCommands(t);
    return t;
}

}  // namespace

const std::vector<WaveCommand>& WaveCommands() {
    static const std::vector<WaveCommand> table = buildTable();
    return table;
}

const WaveCommand* FindCommandByCliName(const std::string& name) {
    for (const auto& c : WaveCommands())
        if (c.cliName == name) return &c;
    return nullptr;
}

}  // namespace korvane
