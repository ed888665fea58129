// Runs a chain of `score` steps on a music document and takes it through its
// file: write, read back, compare. The input is a music file, a zero byte and
// the choices of the chain; without a zero byte, or when the file does not
// read, the chain works on a new document. Each choice takes one byte (two for
// more than 256 answers); the chain ends with the input, after 48 steps at
// most. Whatever the steps did, the saved file must open as the same document
// (the same `print`, `tree print` and `music print`) and write the same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ScoreChains.h"
#include "cli/ScoreCommand.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "platform/Messages.h"

namespace {

// The choices of the chain, taken from the input's bytes.
class Choices {
public:
    Choices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Left() const { return pos_ < size_; }
    int operator()(int n) {
        unsigned value = next();
        if (n > 256) value = value << 8 | next();
        return static_cast<int>(value % static_cast<unsigned>(n));
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    unsigned next() { return pos_ < size_ ? data_[pos_++] : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvane::setMessages(&silent);
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    korvane::TUnitMuz doc;
    bool read = false;
    if (zero) {
        std::string message;
        const std::string text(reinterpret_cast<const char*>(data), static_cast<size_t>(zero - data));
        read = korvane::ReadMuzText(doc, text, message);
    }
    korvane::TUnitMuz fresh;
    korvane::TUnitMuz& edited = read ? doc : fresh;
    if (!read) edited.InitNew();
    // As `score` starts a document.
    if (!edited.SelectedTreeItem) edited.SelectedTreeItem = edited.GetStartPart();

    Choices choices(zero ? zero + 1 : data, zero ? size - static_cast<size_t>(zero + 1 - data) : size);
    std::vector<std::vector<std::string>> chain;
    for (int n = 0; n < 48 && choices.Left(); ++n) {
        chain.push_back(korvane::testing::MakeScoreStep(choices));
        std::ostringstream out, err;
        const int status = korvane::cli::RunScoreStep(edited, chain.back(), out, err);
        // A refusal always says why.
        if (status != 0 && err.str().empty()) std::abort();
    }

    const std::string path = FuzzScratchDir() + "/score.korvanem";
    // Saving replaces a file by renaming a new one over it: start without it.
    ::unlink(path.c_str());
    const std::string fault = korvane::testing::ScoreRoundTripFault(edited, path);
    if (!fault.empty()) {
        std::fprintf(stderr, "steps:%s\n%s\n", korvane::testing::ScoreChainText(chain).c_str(), fault.c_str());
        std::abort();
    }
    return 0;
}
