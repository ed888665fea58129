#pragma once

#include <string>

namespace korvane::cli {

// Exit statuses of korvane-cli.
enum Exit { exitOk = 0, exitFile = 1, exitUsage = 2, exitMemory = 3 };

// Splits a `--wave NAME=FILE.wav[@B:E]` text; false when it has no name.
// `range` is "B:E", or empty when none is given.
bool SplitWaveOption(const std::string& option, std::string& name, std::string& file, std::string& range);

}  // namespace korvane::cli
