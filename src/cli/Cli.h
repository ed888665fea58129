#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommon.h"

namespace korvane::cli {

// Runs one call with its arguments (without the program name), writing to
// the given streams. Used by main() and by the end-to-end tests.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int Main(int argc, char** argv);

}  // namespace korvane::cli
