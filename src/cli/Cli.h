#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvane::cli {

// Exit statuses of korvane-cli.
enum Exit { exitOk = 0, exitFile = 1, exitUsage = 2, exitMemory = 3 };

// Runs one call with its arguments (without the program name), writing to
// the given streams. Used by main() and by the end-to-end tests.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Main(int argc, char** argv);

// Splits a `--wave NAME=FILE.wav[@B:E]` text; false when it has no name.
// `range` is "B:E", or empty when none is given.
bool SplitWaveOption(const std::string& option, std::string& name, std::string& file, std::string& range);

}  // namespace korvane::cli
