#pragma once

#include <string>

#include "interchange/InterchangeReport.h"
#include "music/TUnitMuz.h"

namespace korvane {

// Divisions of a quarter in the MusicXML we write: fine enough for a
// sixty-fourth with three points in a quintuplet.
inline constexpr long kMusicXmlDivisions = 3840;

// The document as MusicXML 4.0, partwise: one part per stave, its note
// groups as voices, the part tree as written music (repeats, endings).
// What MusicXML cannot say is added to `report`.
std::string WriteMusicXml(TUnitMuz& unitMuz, TInterchangeReport& report);

}  // namespace korvane
