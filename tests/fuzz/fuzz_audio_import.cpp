// Feeds arbitrary bytes to Import's reader through libsndfile's virtual I/O.
// Whatever the bytes, the reader must return with a reason, hand out a sound
// only on success, and a sound it hands out must be consistent with itself.
// Sample buffers above the limit the other targets use fail as memory
// shortage, so a header that declares a huge length is refused, not obeyed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "audiofile/AudioFile.h"
#include "core/Allocation.h"
#include "core/Sound.h"
#include "core/WavFile.h"
#include "platform/Messages.h"

namespace {
constexpr long long kLargestBuffer = 16LL << 20;
}

// libsndfile 1.2.0 of Debian 12 leaves the Vorbis decoder's state behind when
// an Ogg stream turns out broken after its headers (a leak in its error path,
// reported in the closing note, not ours). Leaks whose allocation comes
// through these libraries are not findings of this target; ours still are.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libvorbis.so\nleak:libsndfile.so\nleak:libogg.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvane::setMessages(&silent);
    korvane::allocation_testing::failAllocationsAbove(kLargestBuffer);
    std::unique_ptr<korvane::Sound> sound;
    std::string reason, format;
    const bool ok = korvane::ReadAudioMemory(data, size, sound, reason, &format);
    if (reason.empty()) std::abort();
    if (!ok) {
        if (sound) std::abort();
        return 0;
    }
    if (!sound || reason != korvane::kWaveReadOk || format.empty()) std::abort();
    if (sound->MoSt != 1 && sound->MoSt != 2) std::abort();
    if (sound->BytesPSample != 1 && sound->BytesPSample != 2) std::abort();
    if (sound->Freq <= 0) std::abort();
    const int32_t frames = sound->GetValues();
    if (frames < 0 || sound->GetRight().values != frames) std::abort();
    // Touch every sample so that a short buffer shows up under the sanitizers.
    int sum = 0;
    for (int c = 0; c < sound->MoSt; ++c)
        for (int32_t i = 0; i < frames; ++i) sum += sound->Channel(c).wave[i];
    volatile int sink = sum;
    (void)sink;
    return 0;
}
