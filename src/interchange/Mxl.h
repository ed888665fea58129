#pragma once

#include <string>

namespace korvane {

// The most a compressed score may unpack to; a zip bomb stops here.
inline constexpr size_t kMaxUnpackedScore = 64u << 20;

// A compressed MusicXML file (.mxl): the score as score.musicxml beside the
// container that names it.
bool PackMxl(const std::string& musicXml, std::string& archive, std::string& error);
// The score that the container names (or the first MusicXML file in the
// archive), unpacked to at most kMaxUnpackedScore bytes.
bool UnpackMxl(const std::string& archive, std::string& musicXml, std::string& error);

}  // namespace korvane
