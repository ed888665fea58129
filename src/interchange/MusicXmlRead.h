#pragma once

#include <string>

#include "interchange/InterchangeReport.h"
#include "interchange/ScoreData.h"

namespace korvane {

// The refusal of our own music file where MusicXML is expected.
inline constexpr const char* kKorvaneFileMessage = "is a Korvane music file: use convert";

// Limits that keep a hostile file from taking the machine.
inline constexpr size_t kMaxImportStaves = 256;
inline constexpr size_t kMaxImportNotes = 2000000;
inline constexpr size_t kMaxImportMeasures = 200000;

// Reads a MusicXML score (score-partwise or score-timewise): parts become
// staves (one per staff), voices note groups, repeats and endings loops and
// turns. What the model cannot say is counted in `report`. False with
// `error` for anything that is not a readable score (`error` is then
// kKorvaneFileMessage for one of our own files).
bool ReadMusicXml(const std::string& text, TXScore& score, TInterchangeReport& report, std::string& error);

}  // namespace korvane
