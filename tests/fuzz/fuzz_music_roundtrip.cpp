// Reads a music document from the input and takes it through files: save,
// open, save again. Both saved files must be the same bytes, and the same as
// the text the document writes in memory; reading, writing and reading again
// gives the very same document.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "platform/Messages.h"

namespace {


std::string fileText(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0) std::abort();
        if (got == 0) break;
        text.append(buf, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

[[noreturn]] void differ(const char* what, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "%s:\n%s\n----\n%s\n", what, a.c_str(), b.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvane::setMessages(&silent);
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string message;
    korvane::TUnitMuz doc;
    if (!korvane::ReadMuzText(doc, text, message)) {
        if (message.empty()) std::abort();
        return 0;
    }
    const std::string inMemory = korvane::XMLDocumentText(*korvane::MuzToXML(doc));

    const std::string first = FuzzScratchDir() + "/first.korvanem";
    const std::string second = FuzzScratchDir() + "/second.korvanem";
    // Saving replaces a file by renaming a new one over it, which makes ext4
    // write the data out at once: start without the old files.
    ::unlink(first.c_str());
    ::unlink(second.c_str());
    if (!korvane::SaveMuz(doc, first, message)) differ("the first save failed", message, inMemory);
    const std::string firstText = fileText(first);
    if (firstText != inMemory) differ("the saved file is not the written text", inMemory, firstText);

    korvane::TUnitMuz again;
    if (!korvane::OpenMuz(again, first, message)) differ("the saved file does not open", message, firstText);
    if (!korvane::SaveMuz(again, second, message)) differ("the second save failed", message, firstText);
    const std::string secondText = fileText(second);
    if (secondText != firstText) differ("saving the opened file changes it", firstText, secondText);
    return 0;
}
