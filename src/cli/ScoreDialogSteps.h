#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "music/TUnitMuz.h"

namespace korvane::cli {

// True for the first word of a step of the music dialog or the music parts dialog.
bool IsScoreDialogStep(const std::string& firstWord);
// Runs one such step on the document: 0 when done; otherwise writes the message
// to err (the "NAME is not available" text, the Input Error text, or a usage line)
// and returns the exit status (2). Printing steps write to out.
int RunScoreDialogStep(TUnitMuz& doc, const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace korvane::cli
