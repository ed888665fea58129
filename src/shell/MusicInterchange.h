#pragma once

#include <string>

#include "music/TUnitMuz.h"

namespace korvane {

// Writes the document as MusicXML, compressed MusicXML or MIDI by the
// extension of `path`; what the format cannot say is shown in one box.
// False after the error's box.
bool ExportMusicFile(TUnitMuz& doc, const std::string& path);

}  // namespace korvane
