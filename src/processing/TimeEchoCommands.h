#pragma once

#include <vector>

#include "processing/CommandTable.h"

namespace korvane {

// The time effects (length, roll out, roll in, tempo and pitch), the two
// echoes and the split and merge window commands, with their korvane-cli
// steps.
void AddTimeAndEchoCommands(std::vector<WaveCommand>& table);

}  // namespace korvane
