#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "processing/SampleStage.h"

namespace korvane {

class TUnitWave;
class TWorkspace;

// An option of one step of the batch front end. `set` gets the text after a
// value option (empty for a flag) and returns a usage error, or empty.
struct CommandOption {
    std::string name;  // "--align"
    bool takesValue = true;
    std::string help;  // "begin|end|stretch (begin)"
    std::function<std::string(const std::string& value)> set;
};

struct StepResult {
    enum Kind { Done, Refused, Failed } kind = Done;
    std::string text;  // the refusal (an Input Error text) for Refused
    // Files the step wrote itself (a split writes its parts).
    std::vector<std::string> written;
    // The document the chain goes on with (a merge); owned by the workspace,
    // which no longer holds the one the step started on.
    TUnitWave* replacement = nullptr;
};

// One use of a wave command: it starts from the document's record for the
// command, takes the options, then reads its values and runs.
class CommandStep {
public:
    virtual ~CommandStep() = default;
    // The options, bound to this step.
    virtual std::vector<CommandOption> Options() { return {}; }
    // The words the step takes besides its options, in order, by the names
    // a usage line shows ("OUT_PREFIX"); each is handed to SetPositional.
    virtual std::vector<std::string> Positionals() const { return {}; }
    virtual void SetPositional(size_t /*index*/, const std::string& /*value*/) {}
    // A step whose results are files of its own ends the chain: no step may
    // follow it and the front end writes no OUT.
    virtual bool EndsChain() const { return false; }
    // Reads the values (a refusal leaves the document as it was), prints the
    // settings when `settings` is given, and runs the document operation.
    virtual StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream* settings) = 0;
    // For a step whose work can go through the sound block by block while it
    // is read (TSampleStage): reads the values as Run does and, where the work
    // with these values is such a stage, prints the settings, stores the
    // record as Run does and returns the stage instead of running. Null when
    // it is not, or the values are refused, with nothing stored: Run then
    // does what it always does.
    virtual std::unique_ptr<TSampleStage> Stage(TWorkspace& /*space*/, TUnitWave& /*wave*/,
                                                std::ostream* /*settings*/) {
        return nullptr;
    }
};

// Reads a sample frequency typed as a whole number from 1 to 1000000, as the
// frequency field of a dialog does; returns the Input Error text, or empty.
std::string ReadFrequencyText(const std::string& text, int32_t& freq);

// One end of a selection typed for the batch front end: a sample index, or a
// time converted as time * freq + 0.5 (truncated), limited to 0 .. values as
// the window's selection is. False when the text is neither.
bool ReadPositionText(const std::string& text, int32_t freq, int32_t values, int32_t& position);
// "B:E", the ends of a selection; B is the first end and may be larger than E.
bool ReadSelectionText(const std::string& text, int32_t freq, int32_t values, int32_t& first, int32_t& second);

}  // namespace korvane
