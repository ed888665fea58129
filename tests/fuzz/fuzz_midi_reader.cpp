// Feeds arbitrary bytes to the MIDI reader at every grid. Reading must end
// with a message or a document; a document that was read must save as a
// music file that reads again, and must export to MIDI without fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "interchange/Interchange.h"
#include "interchange/MidiWrite.h"
#include "musicfile/MuzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the grid, the rest is the file.
    korvane::TMidiImportOptions options;
    options.Grid = data[0] % 3 == 0 ? 16 : data[0] % 3 == 1 ? 32 : 64;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    korvane::TUnitMuz doc;
    korvane::TInterchangeReport report;
    std::string error;
    if (!korvane::ImportMusicBytes(bytes, korvane::TMusicFormat::midi, doc, options, report, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    std::string text, message;
    if (!korvane::MuzText(doc, text, message)) std::abort();
    korvane::TUnitMuz again;
    if (!korvane::ReadMuzText(again, text, message)) {
        std::fprintf(stderr, "imported MIDI does not read: %s\n%s", message.c_str(), text.c_str());
        std::abort();
    }
    std::string midi;
    korvane::WriteMidi(doc, 0, midi, report, error);
    return 0;
}
