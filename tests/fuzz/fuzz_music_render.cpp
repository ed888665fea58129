// Reads a music document from the input and renders it. The render must end
// (a watchdog sets the stop flag after two seconds), and a sound it gives must
// have the length, channels and frequency the measuring pass promises; no
// sound comes only with an error text or the stop flag. Documents that measure
// over two million samples are only measured, to keep each run short. A note's
// own sound is made at its instrument wave's rate, which may be far above the
// document's, so the output budget does not bound it: sample buffers over
// sixteen million samples fail here as a full memory would, and the render
// must take that path (stop flag, memory message) like any other.
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/Allocation.h"
#include "core/Sample.h"
#include "core/Sound.h"
#include "core/Wave.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "FuzzSupport.h"
#include "platform/Messages.h"
#include "platform/WaveRegistry.h"
#include "processing/TUnitWave.h"
#include "render/MusicRender.h"

namespace {

constexpr double kSampleBudget = 2000000;
constexpr long long kLargestBuffer = 16LL << 20;

// A short wave of a few periods of a rising and falling line.
std::unique_ptr<korvane::Wave> shortWave(int32_t count, int period) {
    bool failed = false;
    auto wave = korvane::Wave::create(failed, count);
    if (!wave || failed) std::abort();
    for (int32_t i = 0; i < count; ++i) {
        const int phase = i % period;
        wave->wave[i] = static_cast<int16_t>((phase < period / 2 ? phase : period - phase) * 60000 / period - 15000);
    }
    return wave;
}

// Every name finds a wave, so that every player that plays a sample has one:
// names of even length a mono wave, of odd length a stereo one.
class Samples : public korvane::WaveRegistry {
public:
    Samples()
        : mono_(std::make_unique<korvane::MonoSound>(shortWave(300, 40), 8000, 2), ""),
          stereo_(std::make_unique<korvane::StereoSound>(shortWave(257, 30), shortWave(257, 17), 11025, 2), "") {}
    korvane::TUnitWave* FindWave(const std::string& name) const override {
        if (name.empty()) return nullptr;
        return const_cast<korvane::TUnitWave*>(name.size() % 2 ? &stereo_ : &mono_);
    }

private:
    korvane::TUnitWave mono_;
    korvane::TUnitWave stereo_;
};

// Sets `stop` when the render takes longer than it may.
class Watchdog {
public:
    explicit Watchdog(bool& stop) : thread_([this, &stop] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_.wait_for(lock, std::chrono::seconds(2), [this] { return finished_; })) stop = true;
      }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

[[noreturn]] void fail(const char* what, double S, double E, int64_t expected, int64_t got) {
    std::fprintf(stderr, "%s: S %.17g, E %.17g, measured %lld samples, rendered %lld\n", what, S, E,
                 static_cast<long long>(expected), static_cast<long long>(got));
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvane::setMessages(&silent);
    korvane::allocation_testing::failAllocationsAbove(kLargestBuffer);
    static const Samples samples;
    const std::string text(reinterpret_cast<const char*>(data), size);
    korvane::TUnitMuz doc;
    std::string message;
    if (!korvane::ReadMuzText(doc, text, message)) return 0;

    double S = 0, E = 0, clock = 0;
    std::string error;
    doc.GetStartPart()->ResetPasses();
    const bool measured = korvane::TMusicRenderer(doc, samples).GetOffsets(*doc.GetStartPart(), S, E, clock, error, {}, 0);
    const double length = doc.SampleFreq * (S + E);
    if (!measured || !std::isfinite(length) || length > kSampleBudget) return 0;
    // As the render makes its silence: one sample more than the time holds,
    // and nothing at all for music without sound.
    const int64_t expected = S == 0 && E == 0 ? 0 : korvane::truncToInt32(doc.SampleFreq * (S + E) + 1);

    doc.GetStartPart()->ResetPasses();
    bool stop = false;
    error.clear();
    std::unique_ptr<korvane::Sound> sound;
    {
        Watchdog watchdog(stop);
        sound = korvane::RenderMusic(doc, samples, {}, stop, error);
    }
    if (!sound) {
        if (!stop && error.empty()) fail("no sound, no error and no stop", S, E, expected, -1);
        return 0;
    }
    if (sound->GetValues() != expected) fail("the rendered length is not the measured one", S, E, expected,
                                             sound->GetValues());
    if (sound->MoSt != (doc.Channels == 1 ? 1 : 2) || sound->Freq != doc.SampleFreq ||
        sound->BytesPSample != doc.BytesPSample)
        fail("the rendered format is not the document's", S, E, expected, sound->GetValues());
    for (int c = 0; c < sound->MoSt; ++c)
        if (sound->Channel(c).values != expected) fail("a channel's length", S, E, expected, sound->Channel(c).values);
    return 0;
}
