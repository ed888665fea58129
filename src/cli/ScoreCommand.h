#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/RenderCommand.h"

namespace korvane {
class TUnitMuz;
}

namespace korvane::cli {

// `score MUSIC OUT.xml [--wave NAME=FILE.wav[@B:E]]... STEP [-- STEP]...`:
// runs the steps on the music document as the music window, the music
// commands and the two music dialogs would, then writes it as 7.1 (`-` as
// OUT writes nothing). Returns the exit status.
int MusicScore(const std::vector<std::string>& args, const RenderContext& context);

// Runs one step of `score` (its words, without `--`) on the document as
// `score` does; 0, or the exit status after the message went to `err`.
// The document is as `score` starts it: its selected tree item set.
int RunScoreStep(TUnitMuz& doc, const std::vector<std::string>& step, std::ostream& out, std::ostream& err);

// The `print` lines of a document.
void PrintScore(const TUnitMuz& doc, std::ostream& out);

// The steps of `score` for `help score`.
void ScoreHelp(std::ostream& out);

}  // namespace korvane::cli
