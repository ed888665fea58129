#include "TestSupport.h"

#include <fstream>
#include <sstream>

namespace korvane::testing {

namespace {
[[noreturn]] void throwingHandler(const char* condition, const char*, int) { throw AssertionFailure(condition); }
}  // namespace

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void CoreFixture::SetUp() {
    setMessages(&boxes);
    setAssertionHandler(&throwingHandler);
    allocation_testing::reset();
}

void CoreFixture::TearDown() {
    allocation_testing::reset();
    setAssertionHandler(nullptr);
    setMessages(nullptr);
}

int CoreFixture::memoryMessages() const {
    int n = 0;
    for (const auto& m : boxes.shown)
        if (m.text == kMemoryMessage && m.title == kSystemErrorTitle) ++n;
    return n;
}

std::unique_ptr<Wave> makeWave(const std::vector<int>& samples) {
    bool failed = false;
    auto w = Wave::create(failed, static_cast<int32_t>(samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) w->wave[i] = static_cast<int16_t>(samples[i]);
    return w;
}

std::vector<int> samplesOf(const Wave& w) {
    std::vector<int> out;
    for (int32_t i = 0; i < w.values; ++i) out.push_back(w.wave[i]);
    return out;
}

}  // namespace korvane::testing
