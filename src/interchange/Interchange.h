#pragma once

#include <string>

#include "interchange/InterchangeReport.h"
#include "interchange/MidiRead.h"
#include "music/TUnitMuz.h"

namespace korvane {

enum class TMusicFormat { none, musicXml, mxl, midi };

// The format a file name's extension names (any letter case): .musicxml and
// .xml MusicXML, .mxl compressed MusicXML, .mid and .midi MIDI.
TMusicFormat MusicFormatOfPath(const std::string& path);

// Writes the document in the format of `path`'s extension (.musicxml, .mxl,
// .mid), whole or not at all. `midiProgram` (0 to 127) is every MIDI
// track's instrument.
bool ExportMusicFile(TUnitMuz& unitMuz, const std::string& path, int midiProgram, TInterchangeReport& report,
                     std::string& error);

// Reads a MIDI file or a MusicXML score into an empty document (from
// TUnitMuz()). On failure the document is half built: the caller discards it.
bool ImportMusicFile(const std::string& path, TUnitMuz& unitMuz, const TMidiImportOptions& options,
                     TInterchangeReport& report, std::string& error);
// The same from the file's bytes; `format` none tells by the bytes.
bool ImportMusicBytes(const std::string& bytes, TMusicFormat format, TUnitMuz& unitMuz,
                      const TMidiImportOptions& options, TInterchangeReport& report, std::string& error);

}  // namespace korvane
