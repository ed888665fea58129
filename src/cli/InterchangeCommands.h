#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvane::cli {

// `export MUSIC OUT.musicxml|OUT.mxl|OUT.mid [--midi-program N]` and
// `import IN OUT.xml [--grid 16|32|64] [--tempo TIME]`. What the target
// format cannot say goes to `err`, one line per kind. Return the exit status.
int MusicExport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int MusicImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
void MusicExportHelp(std::ostream& out);
void MusicImportHelp(std::ostream& out);

}  // namespace korvane::cli
