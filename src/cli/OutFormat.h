#pragma once

#include <optional>
#include <string>
#include <vector>

#include "audiofile/AudioFile.h"

namespace korvane::cli {

// The options that say how OUT is encoded when its extension names a format
// other than WAV: --out-quality, --out-bitrate, --out-vbr.
struct OutOptions {
    std::optional<std::string> quality, bitrate;
    bool vbr = false;
};

// Takes args[i] (and its value) when it is one of the OUT options; false
// when it is not one. A missing value is reported in `problem`.
bool TakeOutOption(const std::vector<std::string>& args, std::size_t& i, OutOptions& options, std::string& problem);

// The settings for writing `outFile`; a usage problem (an option the format
// has not, a value out of range) when they cannot be made.
std::string OutSettings(const OutOptions& options, const std::string& outFile, AudioWriteSettings& settings);

// The OUT options as `help` lists them.
inline constexpr const char* kOutOptionsHelp =
    "  --out-quality Q  OUT.ogg: Ogg Vorbis quality 0 to 10 (5); OUT.flac: compression 0 to 8 (5)\n"
    "  --out-bitrate KBPS  OUT.opus: 6 to 512 (128); OUT.mp3: 8 to 320 (192)\n"
    "  --out-vbr  OUT.mp3: variable bit rate around --out-bitrate\n";

}  // namespace korvane::cli
