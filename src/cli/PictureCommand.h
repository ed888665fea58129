#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvane::cli {

// `picture IN.wav OUT.png --view wave|volume [options]`: paints the wave as
// its window would, with the view settings given as options, into a PNG
// file. Returns the exit status.
int Picture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The synopsis of `picture` and the options of each view with their defaults.
void PictureHelp(std::ostream& out);

}  // namespace korvane::cli
