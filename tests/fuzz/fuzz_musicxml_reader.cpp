// Feeds arbitrary bytes to the MusicXML reader (plain, or unpacked from an
// .mxl when the bytes are a zip). Reading must end with a message or a
// document, and a document that was read must hold what every imported score
// holds (ImportedScore.h).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ImportedScore.h"
#include "interchange/Interchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    korvane::TUnitMuz doc;
    korvane::TInterchangeReport report;
    std::string error;
    if (!korvane::ImportMusicBytes(bytes, korvane::TMusicFormat::musicXml, doc, {}, report, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    CheckImportedScore(doc, "score");
    return 0;
}
