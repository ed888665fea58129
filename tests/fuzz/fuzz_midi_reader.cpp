// Feeds arbitrary bytes to the MIDI reader at every grid. Reading must end
// with a message or a document, and a document that was read must hold what
// every imported score holds (ImportedScore.h).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ImportedScore.h"
#include "interchange/Interchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the grid, the rest is the file.
    korvane::TMidiImportOptions options;
    options.Grid = data[0] % 3 == 0 ? 16 : data[0] % 3 == 1 ? 32 : 64;
    // Scores of millions of rests cost seconds each under the sanitizers;
    // the limit itself is what is tested here.
    options.MaxSymbols = 20000;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    korvane::TUnitMuz doc;
    korvane::TInterchangeReport report;
    std::string error;
    if (!korvane::ImportMusicBytes(bytes, korvane::TMusicFormat::midi, doc, options, report, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    CheckImportedScore(doc, "MIDI");
    return 0;
}
