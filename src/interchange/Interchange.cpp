#include "interchange/Interchange.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "interchange/MidiWrite.h"
#include "interchange/MusicXmlRead.h"
#include "interchange/MusicXmlWrite.h"
#include "interchange/Mxl.h"
#include "platform/FileReplace.h"

namespace korvane {

namespace {

constexpr size_t kMaxImportFile = 256u << 20;

bool endsWith(const std::string& path, const char* ext) {
    const size_t n = std::strlen(ext);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != ext[i]) return false;
    return true;
}

bool readWhole(const std::string& path, std::string& bytes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) {
        error = "The file cannot be read.";
        return false;
    }
    if (static_cast<unsigned long long>(size) > kMaxImportFile) {
        error = "The file is larger than " + std::to_string(kMaxImportFile >> 20) + " MB.";
        return false;
    }
    in.seekg(0);
    bytes.resize(static_cast<size_t>(size));
    if (!in.read(bytes.data(), size)) {
        error = "The file cannot be read.";
        return false;
    }
    return true;
}

}  // namespace

TMusicFormat MusicFormatOfPath(const std::string& path) {
    if (endsWith(path, ".musicxml") || endsWith(path, ".xml")) return TMusicFormat::musicXml;
    if (endsWith(path, ".mxl")) return TMusicFormat::mxl;
    if (endsWith(path, ".mid") || endsWith(path, ".midi")) return TMusicFormat::midi;
    return TMusicFormat::none;
}

bool ExportMusicFile(TUnitMuz& unitMuz, const std::string& path, int midiProgram, TInterchangeReport& report,
                     std::string& error) {
    const TMusicFormat format = MusicFormatOfPath(path);
    std::string bytes;
    switch (format) {
        case TMusicFormat::musicXml: bytes = WriteMusicXml(unitMuz, report); break;
        case TMusicFormat::mxl:
            if (!PackMxl(WriteMusicXml(unitMuz, report), bytes, error)) return false;
            break;
        case TMusicFormat::midi:
            if (!WriteMidi(unitMuz, std::clamp(midiProgram, 0, 127), bytes, report, error)) return false;
            break;
        case TMusicFormat::none:
            error = "The file name must end in .musicxml, .mxl or .mid.";
            return false;
    }
    if (!ReplaceFileWith(path, bytes.data(), bytes.size())) {
        error = std::string("The file cannot be written: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool ImportMusicBytes(const std::string& bytes, TMusicFormat format, TUnitMuz& unitMuz,
                      const TMidiImportOptions& options, TInterchangeReport& report, std::string& error) {
    // What the bytes say wins over the name: a zip is an .mxl, MThd a MIDI file.
    if (bytes.compare(0, 4, "MThd") == 0) format = TMusicFormat::midi;
    else if (bytes.compare(0, 2, "PK") == 0) format = TMusicFormat::mxl;
    else if (format == TMusicFormat::none || format == TMusicFormat::mxl || format == TMusicFormat::midi) {
        if (format == TMusicFormat::midi) {
            error = "The file is not a MIDI file (no MThd header).";
            return false;
        }
        format = TMusicFormat::musicXml;
    }
    TXScore score;
    if (format == TMusicFormat::midi) {
        if (!ReadMidi(bytes, options, score, report, error)) return false;
    } else {
        std::string text;
        if (format == TMusicFormat::mxl && !UnpackMxl(bytes, text, error)) return false;
        if (!ReadMusicXml(format == TMusicFormat::mxl ? text : bytes, score, report, error)) return false;
    }
    return BuildMuz(score, unitMuz, report, error);
}

bool ImportMusicFile(const std::string& path, TUnitMuz& unitMuz, const TMidiImportOptions& options,
                     TInterchangeReport& report, std::string& error) {
    std::string bytes;
    if (!readWhole(path, bytes, error)) return false;
    return ImportMusicBytes(bytes, MusicFormatOfPath(path), unitMuz, options, report, error);
}

}  // namespace korvane
