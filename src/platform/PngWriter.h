#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace korvane {

// The PNG file image of an RGB picture (8 bits per component, no
// interlace). The image data goes into stored deflate blocks: pictures of
// the wave are written once and looked at, so size matters less than
// needing no compression library.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<TColor>& pixels);

// Writes the picture to `fileName`, replacing it only by a complete new file
// (a temporary file beside it, renamed over it at the end). On failure any
// previous file is left as it was, the temporary file is removed and
// `error` says what went wrong.
bool WritePngFile(const std::string& fileName, int width, int height, const std::vector<TColor>& pixels,
                  std::string& error);

// The checksums of the format, exposed for tests.
uint32_t PngCrc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t PngAdler32(const uint8_t* data, size_t size);

}  // namespace korvane
