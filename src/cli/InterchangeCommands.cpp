#include "cli/InterchangeCommands.h"

#include <cctype>
#include <map>

#include "cli/Cli.h"
#include "interchange/Interchange.h"
#include "interchange/MusicXmlRead.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "platform/Messages.h"

namespace korvane::cli {

namespace {

// Splits the words into positional arguments and the values of the options
// `names`; false after printing a usage line.
bool splitOptions(const std::vector<std::string>& args, const std::vector<std::string>& names,
                  std::vector<std::string>& positional, std::map<std::string, std::string>& options,
                  std::ostream& err) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            bool known = false;
            for (const auto& n : names) known = known || n == a;
            if (!known) {
                err << "usage: unknown option " << a << "\n";
                return false;
            }
            if (i + 1 >= args.size()) {
                err << "usage: missing value for " << a << "\n";
                return false;
            }
            options[a] = args[++i];
        } else {
            positional.push_back(a);
        }
    }
    return true;
}

void printReport(const TInterchangeReport& report, std::ostream& err) {
    for (const std::string& line : report.Lines()) err << line << "\n";
}

}  // namespace

void MusicExportHelp(std::ostream& out) {
    out << "korvane-cli export MUSIC OUT.musicxml|OUT.mxl|OUT.mid [--midi-program N]\n"
        << "  writes the music as MusicXML (.musicxml plain, .mxl compressed) or as a type 1 MIDI file (.mid)\n"
        << "  --midi-program N  the General MIDI program of every track, 0 to 127  (0)\n";
}

void MusicImportHelp(std::ostream& out) {
    out << "korvane-cli import IN.mid|IN.midi|IN.musicxml|IN.mxl|IN.xml OUT.xml [--grid 16|32|64] [--tempo TIME]\n"
        << "  reads a MIDI file or a MusicXML score and writes it as a 7.1 music file\n"
        << "  --grid 16|32|64  MIDI onsets and lengths snap to this part of a whole note, or its triplets  (64)\n"
        << "  --tempo TIME  the tempo, as the music dialog's Tempo reads it, instead of the file's  (the file's)\n";
}

int MusicExport(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    if (!splitOptions(args, {"--midi-program"}, positional, options, err)) return exitUsage;
    if (positional.size() != 2) {
        err << "usage: korvane-cli export MUSIC OUT.musicxml|OUT.mxl|OUT.mid [--midi-program N]\n";
        return exitUsage;
    }
    // A plain .xml would pass for one of our own music files.
    std::string lower = positional[1];
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (MusicFormatOfPath(lower) == TMusicFormat::none || (lower.ends_with(".xml") && !lower.ends_with(".musicxml"))) {
        err << "usage: export writes OUT.musicxml, OUT.mxl or OUT.mid\n";
        return exitUsage;
    }
    int program = 0;
    if (auto it = options.find("--midi-program"); it != options.end()) {
        const std::string& v = it->second;
        if (v.empty() || v.size() > 3 || v.find_first_not_of("0123456789") != std::string::npos || std::stoi(v) > 127) {
            err << "usage: --midi-program takes 0 to 127\n";
            return exitUsage;
        }
        program = std::stoi(v);
    }
    TUnitMuz doc;
    std::string message;
    if (!OpenMuz(doc, positional[0], message)) {
        err << "Cannot read the file: \"" << positional[0] << "\", " << message << "\n";
        return message == kMemoryMessage ? exitMemory : exitFile;
    }
    TInterchangeReport report;
    if (!ExportMusicFile(doc, positional[1], program, report, message)) {
        err << "Cannot write the file: \"" << positional[1] << "\", " << message << "\n";
        return exitFile;
    }
    printReport(report, err);
    return exitOk;
}

int MusicImport(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    if (!splitOptions(args, {"--grid", "--tempo"}, positional, options, err)) return exitUsage;
    if (positional.size() != 2) {
        err << "usage: korvane-cli import IN.mid|IN.midi|IN.musicxml|IN.mxl|IN.xml OUT.xml [--grid 16|32|64] "
               "[--tempo TIME]\n";
        return exitUsage;
    }
    TMidiImportOptions midi;
    if (auto it = options.find("--grid"); it != options.end()) {
        if (it->second != "16" && it->second != "32" && it->second != "64") {
            err << "usage: --grid takes 16, 32 or 64\n";
            return exitUsage;
        }
        midi.Grid = std::stoi(it->second);
    }
    unitTimePosMore tempo(1.0, ucSecond);
    const bool hasTempo = options.count("--tempo") > 0;
    std::string message;
    if (hasTempo) {
        if (!tempo.FromText(options["--tempo"], "Tempo", message)) {
            err << message << "\n";
            return exitUsage;
        }
        midi.Tempo = tempo.GetValue();
    }
    TUnitMuz doc;
    TInterchangeReport report;
    if (!ImportMusicFile(positional[0], doc, midi, report, message)) {
        if (message == kKorvaneFileMessage)
            err << "\"" << positional[0] << "\" " << message << "\n";
        else
            err << "Cannot read the file: \"" << positional[0] << "\", " << message << "\n";
        return message == kMemoryMessage ? exitMemory : exitFile;
    }
    if (hasTempo) doc.Tempo = tempo;
    if (!SaveMuz(doc, positional[1], message)) {
        err << "Cannot save Music: " << message << "\n";
        return exitFile;
    }
    printReport(report, err);
    return exitOk;
}

}  // namespace korvane::cli
