// Feeds arbitrary bytes to the WAV reader. Whatever the bytes, the reader must
// return with a reason text, hand out a sound only on success, and a sound it
// hands out must be consistent with itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/Sound.h"
#include "core/WavFile.h"
#include "FuzzSupport.h"
#include "platform/Messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvane::setMessages(&silent);
    std::unique_ptr<korvane::Sound> sound;
    std::string reason;
    const bool ok = korvane::ReadWaveMemory(data, size, sound, reason);
    if (reason.empty()) std::abort();
    if (!ok) {
        if (sound) std::abort();
        return 0;
    }
    if (!sound || reason != korvane::kWaveReadOk) std::abort();
    if (sound->MoSt != 1 && sound->MoSt != 2) std::abort();
    if (sound->BytesPSample != 1 && sound->BytesPSample != 2) std::abort();
    // Never more samples than the input could hold.
    const int64_t frames = sound->GetValues();
    if (frames < 0 || static_cast<uint64_t>(frames) * sound->MoSt > size) std::abort();
    if (sound->GetRight().values != frames) std::abort();
    // Touch every sample so that a short buffer shows up under the sanitizers.
    int sum = 0;
    for (int c = 0; c < sound->MoSt; ++c)
        for (int32_t i = 0; i < frames; ++i) sum += sound->Channel(c).wave[i];
    volatile int sink = sum;
    (void)sink;
    return 0;
}
