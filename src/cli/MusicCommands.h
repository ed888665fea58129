#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvane::cli {

// `check MUSIC` and `convert MUSIC OUT.xml`: reads a music file and prints
// "ok", or writes it again as version 7.1. Returns the exit status.
int MusicCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int MusicConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvane::cli
