#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "TestSupport.h"
#include "processing/AmplitudeEffects.h"
#include "processing/Filters.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// Noise with loud stretches and silences, mono or stereo.
std::unique_ptr<Sound> noise(int channels, int32_t n, int32_t freq, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> any(-32768, 32767);
    std::vector<int> samples[2];
    for (auto& channel : samples)
        for (int32_t i = 0; i < n; ++i) channel.push_back((i / 5000) % 4 == 3 ? 0 : any(random));
    if (channels == 1) return std::make_unique<MonoSound>(makeWave(samples[0]), freq, 2);
    return std::make_unique<StereoSound>(makeWave(samples[0]), makeWave(samples[1]), freq, 2);
}

// The stage over copies of the sound's channels, in blocks of lengths drawn
// from `seed`, as a rewrite hands them over.
std::vector<std::vector<int>> staged(TSampleStage& stage, const Sound& sound, unsigned seed) {
    std::vector<int16_t> channels[2];
    for (int c = 0; c < sound.MoSt; ++c) channels[c].assign(sound.Channel(c).wave, sound.Channel(c).wave + sound.GetValues());
    const int64_t lengths[] = {1, 333, 4096, 20000, 65536, 262144};
    std::mt19937 random(seed);
    for (int64_t at = 0, n = sound.GetValues(); at < n;) {
        const int64_t count = std::min(n - at, lengths[random() % std::size(lengths)]);
        stage.Run(channels[0].data() + at, sound.MoSt == 2 ? channels[1].data() + at : nullptr, count);
        at += count;
    }
    std::vector<std::vector<int>> out;
    for (int c = 0; c < sound.MoSt; ++c) out.emplace_back(channels[c].begin(), channels[c].end());
    return out;
}

std::vector<std::vector<int>> channelsOf(const Sound& sound) {
    std::vector<std::vector<int>> out;
    for (int c = 0; c < sound.MoSt; ++c) out.push_back(samplesOf(sound.Channel(c)));
    return out;
}

// Each stage, cut into blocks any way, gives the samples of its effect on the
// whole sound: volume by factors on both sides of the vector path's limit, up
// with wrapping, the oscillators, and the low and high filters at
// coefficients from none to so near 1 that a block is too short to be cut,
// one to three passes.
// The stage's blocks against `effect` over the whole sound, given the range
// as the document commands give it.
template <class Effect>
void expectTheWholeEffect(const Sound& sound, std::unique_ptr<TSampleStage> stage, Effect effect, unsigned seed) {
    bool failed = false;
    int32_t begin = 0, end = sound.GetValues();
    std::unique_ptr<Sound> whole = effect(failed, begin, end);
    ASSERT_TRUE(whole);
    EXPECT_EQ(staged(*stage, sound, seed), channelsOf(*whole));
}

TEST(SampleStage, BlocksGiveTheEffectOnTheWholeSound) {
    const int32_t n = 600000;
    for (int channels : {1, 2}) {
        auto sound = noise(channels, n, 44100, static_cast<unsigned>(channels));
        const Sound& s = *sound;
        for (double factor : {0.0, 0.5, -1.7, 3.0, 65535.5, 70000.0}) {
            SCOPED_TRACE(::testing::Message() << channels << " channels, volume " << factor);
            expectTheWholeEffect(s, VolumeStage(factor),
                                 [&](bool& f, int32_t& b, int32_t& e) { return Volume(s, f, factor, b, e); }, 1);
        }
        for (int16_t value : {int16_t{0}, int16_t{1}, int16_t{-20000}, int16_t{32767}}) {
            SCOPED_TRACE(::testing::Message() << channels << " channels, up " << value);
            expectTheWholeEffect(s, UpStage(value), [&](bool& f, int32_t& b, int32_t& e) { return Up(s, f, value, b, e); },
                                 2);
        }
        // The oscillators from one sample's period to a second's, from no width to all.
        for (double seconds : {1.0 / 44100, 0.0005, 0.02, 1.0}) {
            for (double width : {0.0, 0.25, 1.0}) {
                SCOPED_TRACE(::testing::Message() << channels << " channels, period " << seconds << " s, width "
                                                  << width);
                expectTheWholeEffect(s, FilterResonantStage(seconds, 44100, width),
                                     [&](bool& f, int32_t& b, int32_t& e) {
                                         return FilterResonant(s, f, seconds, nullptr, width, nullptr, b, e);
                                     },
                                     3);
                expectTheWholeEffect(s, FilterNotchStage(seconds, 44100, width), [&](bool& f, int32_t& b, int32_t& e) {
                    return FilterNotch(s, f, seconds, nullptr, width, nullptr, b, e);
                }, 4);
            }
        }
        // Periods in seconds: shorter than a sample, a millisecond, a tenth
        // of a second (a warm-up longer than a block's stretches), a second.
        for (double seconds : {1.0 / 88200, 0.001, 0.1, 1.0}) {
            for (double factor : {0.5, 0.05}) {
                for (int32_t count : {1, 3}) {
                    SCOPED_TRACE(::testing::Message() << channels << " channels, period " << seconds << " s, factor "
                                                      << factor << ", count " << count);
                    expectTheWholeEffect(s, FilterLowStage(seconds, 44100, factor, count),
                                         [&](bool& f, int32_t& b, int32_t& e) {
                                             return FilterLow(s, f, seconds, nullptr, factor, count, false, b, e);
                                         },
                                         static_cast<unsigned>(count));
                    expectTheWholeEffect(s, FilterHighStage(seconds, 44100, factor, count),
                                         [&](bool& f, int32_t& b, int32_t& e) {
                                             return FilterHigh(s, f, seconds, nullptr, factor, count, false, b, e);
                                         },
                                         static_cast<unsigned>(count + 5));
                }
            }
        }
    }
}

}  // namespace
