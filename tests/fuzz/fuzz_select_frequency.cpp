// Feeds text to the readers of korvane-cli's `--select B:E` and of the sample
// frequency. Whatever the text, a selection that reads lies within the sound,
// a frequency that reads lies in 1 .. 1000000, and a refused frequency says
// why and leaves the old value.
//
// Input layout:
//   bytes 0-2    the sound's sample frequency, modulo 1000000, plus 1
//   bytes 3-6    the sound's length in samples (31 bits)
//   the rest     the text, given to both readers
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands/CommandStep.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "%s for \"%s\"\n", what, text.c_str());
    std::abort();
}

// The number a plain decimal text of at most 7 digits stands for; -1 for any
// other text.
int64_t plainNumber(const std::string& text) {
    if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoll(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 7) return 0;
    const int32_t freq = static_cast<int32_t>((data[0] | (data[1] << 8) | (data[2] << 16)) % 1000000) + 1;
    const int32_t values =
        static_cast<int32_t>((data[3] | (data[4] << 8) | (data[5] << 16) | (uint32_t{data[6]} << 24)) & 0x7FFFFFFF);
    const std::string text(reinterpret_cast<const char*>(data + 7), size - 7);

    int32_t first = -7, second = -7;
    if (korvane::ReadSelectionText(text, freq, values, first, second)) {
        if (first < 0 || first > values || second < 0 || second > values) fail("a selection outside the sound", text);
        if (text.find(':') == std::string::npos) fail("a selection without a colon", text);
        // Plain sample indices are taken as they are, limited to the sound.
        const size_t colon = text.find(':');
        const int64_t b = plainNumber(text.substr(0, colon));
        const int64_t e = plainNumber(text.substr(colon + 1));
        if (b >= 0 && first != std::min<int64_t>(b, values)) fail("a plain first end read wrong", text);
        if (e >= 0 && second != std::min<int64_t>(e, values)) fail("a plain second end read wrong", text);
    } else if (first != -7 || second != -7) {
        fail("a refused selection changed the ends", text);
    }

    int32_t position = -7;
    if (korvane::ReadPositionText(text, freq, values, position)) {
        if (position < 0 || position > values) fail("a position outside the sound", text);
    } else if (position != -7) {
        fail("a refused position changed", text);
    }

    int32_t frequency = -7;
    const std::string refusal = korvane::ReadFrequencyText(text, frequency);
    if (refusal.empty()) {
        if (frequency < 1 || frequency > 1000000) fail("a frequency out of range", text);
    } else {
        if (frequency != -7) fail("a refused frequency changed the value", text);
        if (refusal.rfind("In Frequency: ", 0) != 0 || refusal.size() <= 14) fail("a refusal without a reason", text);
    }
    const int64_t plain = plainNumber(text);
    if (plain >= 1 && plain <= 1000000 && !(refusal.empty() && frequency == plain))
        fail("a plain frequency read wrong", text);
    return 0;
}
