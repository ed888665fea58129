// Feeds arbitrary bytes to the music file reader. Whatever the bytes, reading
// must end with a message or a document; a document that was read must write
// a file that reads again and writes the very same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    korvane::TUnitMuz doc;
    std::string message;
    if (!korvane::ReadMuzText(doc, text, message)) {
        if (message.empty()) std::abort();
        return 0;
    }
    const std::string first = korvane::XMLDocumentText(*korvane::MuzToXML(doc));
    korvane::TUnitMuz again;
    if (!korvane::ReadMuzText(again, first, message)) {
        std::fprintf(stderr, "written file does not read: %s\n%s", message.c_str(), first.c_str());
        std::abort();
    }
    const std::string second = korvane::XMLDocumentText(*korvane::MuzToXML(again));
    if (second != first) {
        std::fprintf(stderr, "round trip differs:\n%s\n----\n%s", first.c_str(), second.c_str());
        std::abort();
    }
    korvane::TUnitMuz copy;
    if (!korvane::DuplicateMuz(doc, copy, message)) std::abort();
    return 0;
}
