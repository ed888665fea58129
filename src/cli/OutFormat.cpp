#include "cli/OutFormat.h"

#include <cmath>
#include <cstdlib>

namespace korvane::cli {

namespace {

bool readNumber(const std::string& text, double low, double high, bool whole, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < low || value > high) return false;
    return !whole || value == std::floor(value);
}

}  // namespace

bool TakeOutOption(const std::vector<std::string>& args, std::size_t& i, OutOptions& options, std::string& problem) {
    const std::string& w = args[i];
    if (w == "--out-vbr") {
        options.vbr = true;
        return true;
    }
    if (w != "--out-quality" && w != "--out-bitrate") return false;
    if (i + 1 >= args.size()) {
        problem = "missing value for " + w;
        return true;
    }
    (w == "--out-quality" ? options.quality : options.bitrate) = args[++i];
    return true;
}

std::string OutSettings(const OutOptions& options, const std::string& outFile, AudioWriteSettings& settings) {
    const AudioFormat format = AudioFormatForName(outFile);
    const bool quality = format == AudioFormat::Flac || format == AudioFormat::OggVorbis;
    const bool bitrate = format == AudioFormat::Opus || format == AudioFormat::Mp3;
    const std::string kind = AudioFormatName(format);
    if (options.quality && !quality) return "--out-quality is not an option of " + kind + " files";
    if (options.bitrate && !bitrate) return "--out-bitrate is not an option of " + kind + " files";
    if (options.vbr && format != AudioFormat::Mp3) return "--out-vbr is not an option of " + kind + " files";
    double value = 0;
    if (options.quality && format == AudioFormat::Flac) {
        if (!readNumber(*options.quality, 0, kFlacLevelMax, true, value)) return "--out-quality takes 0 to 8 for FLAC";
        settings.flacLevel = static_cast<int>(value);
    }
    if (options.quality && format == AudioFormat::OggVorbis) {
        if (!readNumber(*options.quality, 0, kVorbisQualityMax, false, value))
            return "--out-quality takes 0 to 10 for Ogg Vorbis";
        settings.vorbisQuality = value;
    }
    if (options.bitrate && format == AudioFormat::Opus) {
        if (!readNumber(*options.bitrate, kOpusKbpsMin, kOpusKbpsMax, true, value))
            return "--out-bitrate takes 6 to 512 for Opus";
        settings.opusKbps = static_cast<int>(value);
    }
    if (options.bitrate && format == AudioFormat::Mp3) {
        if (!readNumber(*options.bitrate, kMp3KbpsMin, kMp3KbpsMax, true, value))
            return "--out-bitrate takes 8 to 320 for MP3";
        settings.mp3Kbps = static_cast<int>(value);
    }
    settings.mp3Variable = options.vbr;
    return {};
}

}  // namespace korvane::cli
