// Feeds arbitrary bytes to the MusicXML reader (plain, or unpacked from an
// .mxl when the bytes are a zip). Reading must end with a message or a
// document; a document that was read must save as a music file that reads
// again, and must export to MusicXML and MIDI without fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "interchange/Interchange.h"
#include "interchange/MidiWrite.h"
#include "interchange/MusicXmlWrite.h"
#include "musicfile/MuzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    korvane::TUnitMuz doc;
    korvane::TInterchangeReport report;
    std::string error;
    if (!korvane::ImportMusicBytes(bytes, korvane::TMusicFormat::musicXml, doc, {}, report, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    std::string text, message;
    if (!korvane::MuzText(doc, text, message)) std::abort();
    korvane::TUnitMuz again;
    if (!korvane::ReadMuzText(again, text, message)) {
        std::fprintf(stderr, "imported score does not read: %s\n%s", message.c_str(), text.c_str());
        std::abort();
    }
    korvane::WriteMusicXml(doc, report);
    std::string midi;
    korvane::WriteMidi(doc, 0, midi, report, error);
    return 0;
}
