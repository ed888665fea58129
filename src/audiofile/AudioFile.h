#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/Sound.h"

namespace korvane {

// The formats a sound is written in. WAV is our own writer; the others go
// through libsndfile. New formats are added here, to the extension table and
// to the writer's settings in AudioFile.cpp.
enum class AudioFormat { Wav, Flac, OggVorbis, Opus, Mp3, Aiff };

// The format a file name's extension names, in any letter case: .flac, .ogg,
// .opus, .mp3, .aif and .aiff; WAV for .wav and for any other or no extension.
AudioFormat AudioFormatForName(const std::string& fileName);
// "WAV", "FLAC", "Ogg Vorbis", "Opus", "MP3", "AIFF".
const char* AudioFormatName(AudioFormat format);

// How the lossy and the compressing writers work. One record serves the
// export dialog and korvane-cli's --out-quality, --out-bitrate and --out-vbr.
struct AudioWriteSettings {
    int flacLevel = 5;         // FLAC compression level 0..8
    double vorbisQuality = 5;  // Ogg Vorbis quality 0..10
    int opusKbps = 128;        // Opus bit rate of the whole stream
    int mp3Kbps = 192;         // MP3 bit rate (the target when variable)
    bool mp3Variable = false;  // MP3 variable bit rate
};
inline constexpr int kFlacLevelMax = 8;
inline constexpr double kVorbisQualityMax = 10;
inline constexpr int kOpusKbpsMin = 6, kOpusKbpsMax = 512;
inline constexpr int kMp3KbpsMin = 8, kMp3KbpsMax = 320;

// True when Open reads the file with our own WAV reader: its name ends in
// ".wav" in any letter case, or its first bytes are "RIFF".
bool IsOwnWaveFile(const std::string& fileName);

// Reads any file libsndfile reads (WAV of every kind too) into a mono or
// stereo sound at the file's rate. 8-bit files give 8-bit sounds; every other
// gives a 16-bit sound: integer samples keep their high 16 bits, as our WAV
// reader keeps them of 24- and 32-bit files, and floating-point samples (the
// lossy formats decode to them) are scaled by 32768, truncated and clamped.
// On failure `sound` is untouched and `reason` is libsndfile's reason, or
// says how many channels the file has when it has more than two.
// `formatName` (when given) receives the file's format, "FLAC", "MP3", ...
bool ReadAudioFile(const std::string& fileName, std::unique_ptr<Sound>& sound, std::string& reason,
                   std::string* formatName = nullptr);
// The same over a file image in memory.
bool ReadAudioMemory(const uint8_t* data, std::size_t size, std::unique_ptr<Sound>& sound, std::string& reason,
                     std::string* formatName = nullptr);

// What Open reads with: our WAV reader for the files IsOwnWaveFile names (its
// messages unchanged), libsndfile for every other. `formatName` is left
// empty when our reader read the file.
bool ReadSoundFile(const std::string& fileName, std::unique_ptr<Sound>& sound, std::string& reason,
                   std::string& formatName);

// `The file has N channels; only mono and stereo sounds can be opened.`
std::string ChannelCountText(int channels);

// Writes samples [begin, end) of `sound` in `format`: WAV through our own
// writer, the others through libsndfile into the program's file replacement
// (complete new file or nothing; durable). 8-bit sounds are written as 8-bit
// FLAC and AIFF, reduced as our WAV writer reduces them. Opus takes only
// 8, 12, 16, 24 and 48 kHz: other rates are resampled to 48 kHz first. A
// failure shows the "FileError" box and returns false; a failure flag set on
// entry or by another thread while it writes stops it without one.
bool WriteAudioFile(bool& failed, const std::string& fileName, AudioFormat format, const Sound& sound, int32_t begin,
                    int32_t end, const AudioWriteSettings& settings = {});

// `Cannot write the file: "NAME", REASON`
std::string AudioWriteErrorText(const std::string& fileName, const std::string& reason);

}  // namespace korvane
