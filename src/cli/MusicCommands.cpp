#include "cli/MusicCommands.h"

#include "cli/CliCommon.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "platform/Messages.h"

namespace korvane::cli {

namespace {

bool hasOption(const std::vector<std::string>& args, std::ostream& err) {
    for (const auto& a : args) {
        if (a.size() > 1 && a[0] == '-') {
            err << "usage: unknown option " << a << "\n";
            return true;
        }
    }
    return false;
}

// exitOk, or the exit of a file that cannot be read (out of memory is its own).
int readMusic(const std::string& path, TUnitMuz& doc, std::ostream& err) {
    std::string message;
    if (OpenMuz(doc, path, message)) return exitOk;
    err << "Cannot read the file: \"" << path << "\", " << message << "\n";
    return message == kMemoryMessage ? exitMemory : exitFile;
}

}  // namespace

int MusicCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (hasOption(args, err)) return exitUsage;
    if (args.size() != 1) {
        err << "usage: korvane-cli check MUSIC\n";
        return exitUsage;
    }
    TUnitMuz doc;
    if (int status = readMusic(args[0], doc, err)) return status;
    out << "ok\n";
    return exitOk;
}

int MusicConvert(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    if (hasOption(args, err)) return exitUsage;
    if (args.size() != 2) {
        err << "usage: korvane-cli convert MUSIC OUT.xml\n";
        return exitUsage;
    }
    TUnitMuz doc;
    if (int status = readMusic(args[0], doc, err)) return status;
    std::string message;
    if (!SaveMuz(doc, args[1], message)) {
        err << "Cannot save Music: " << message << "\n";
        return exitFile;
    }
    return exitOk;
}

}  // namespace korvane::cli
