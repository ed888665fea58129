#pragma once

#include <string>

#include "interchange/InterchangeReport.h"
#include "interchange/ScoreData.h"

namespace korvane {

struct TMidiImportOptions {
    // Onsets and lengths snap to 1/Grid of a whole note (or to triplets of
    // it where they fit better).
    int Grid = 64;
    // Seconds a whole note; 0 takes the file's first tempo.
    double Tempo = 0;
};

// Reads a Standard MIDI File: tracks (or the channels of a type 0 file)
// become staves with one note group each, time-signature changes start new
// parts. False with `error` for a file that is not a readable MIDI file.
bool ReadMidi(const std::string& bytes, const TMidiImportOptions& options, TXScore& score, TInterchangeReport& report,
              std::string& error);

}  // namespace korvane
