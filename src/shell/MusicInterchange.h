#pragma once

#include <memory>
#include <string>

#include "music/TUnitMuz.h"

namespace korvane {

// The file dialogs' filters of the music formats of other programs.
extern const char* const kMusicImportFilter;
extern const char* const kMusicExportFilter;

// Reads a MIDI file or a MusicXML score into a new document; what the file
// held that the score cannot is shown in one box. Null after the File Error
// box of a file that cannot be read.
std::unique_ptr<TUnitMuz> ImportMusicFile(const std::string& path);
// Writes the document as MusicXML, compressed MusicXML or MIDI by the
// extension of `path`; what the format cannot say is shown in one box.
// False after the error's box.
bool ExportMusicFile(TUnitMuz& doc, const std::string& path);

}  // namespace korvane
