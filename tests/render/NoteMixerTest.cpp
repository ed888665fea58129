#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "core/Sample.h"
#include "core/ScaledAdd.h"
#include "core/Sound.h"
#include "render/NoteMixer.h"

namespace korvane::testing {
namespace {

std::unique_ptr<Wave> randomWave(std::mt19937& rng, int32_t values) {
    bool failed = false;
    auto w = Wave::create(failed, values);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    for (int32_t i = 0; i < values; ++i) w->wave[i] = static_cast<int16_t>(sample(rng));
    return w;
}

std::unique_ptr<Sound> randomSound(std::mt19937& rng, int channels, int32_t freq, int32_t values) {
    if (channels == 1) return std::make_unique<MonoSound>(randomWave(rng, values), freq, 2);
    return std::make_unique<StereoSound>(randomWave(rng, values), randomWave(rng, values), freq, 2);
}

bool sameSamples(const Sound& a, const Sound& b) {
    for (int c = 0; c < a.Channels(); ++c) {
        const Wave& x = a.Channel(c);
        const Wave& y = b.Channel(c);
        if (x.values != y.values) return false;
        for (int32_t i = 0; i < x.values; ++i)
            if (x.wave[i] != y.wave[i]) return false;
    }
    return true;
}

// The fast addition gives what the sample-by-sample formula gives, over the
// factors that keep the sums in 32 bits and those that do not.
TEST(NoteMixerTest, ScaledAdditionMatchesTheFormulaForEveryFactor) {
    std::mt19937 rng(7);
    auto from = randomWave(rng, 4099);
    const double inf = std::numeric_limits<double>::infinity();
    for (double factor : {0.0, -0.0, 0.5, -1.0, 1.7, 3.14159, 64999.9, -64999.9, 65000.0, -65001.0, 70000.0, 1e9,
                          -1e12, inf, -inf, std::nan("")}) {
        auto to = randomWave(rng, 4099);
        std::vector<int16_t> expected(to->wave, to->wave + to->values);
        for (int32_t k = 0; k < to->values; ++k) expected[k] = toSample(expected[k] + from->wave[k] * factor);
        addScaledSamples(to->wave, from->wave, to->values, factor);
        EXPECT_EQ(std::vector<int16_t>(to->wave, to->wave + to->values), expected) << "factor " << factor;
    }
}

struct MixCase {
    int resultChannels;
    int threads;
    int notes;
    int distinct;  // different note sounds
    int32_t noteValues;
};

// Notes added through the mixer (shared sounds, batches cut into time
// slices, sounds let go when they hold too much memory) leave the same
// samples as adding one note after the other. Notes overlap heavily and
// run past the end, so that the order of the additions matters.
TEST(NoteMixerTest, BatchesGiveTheSamplesOfOneNoteAfterTheOther) {
    const MixCase cases[] = {
        {2, 1, 300, 5, 20000},      // one thread, every sound kept
        {2, 3, 600, 8, 30000},      // three slices
        {1, 2, 400, 6, 25000},      // a mono result takes the middle of stereo notes
        {2, 4, 500, 200, 40000},    // far more sounds than may be held: let go and made again
        {2, 2, 3, 2, 3000000},      // a note longer than a slice's share of the memory
    };
    for (const MixCase& c : cases) {
        std::mt19937 rng(static_cast<unsigned>(c.notes * 31 + c.distinct));
        const int32_t freq = 44100, values = 2'000'000;
        bool failed = false;
        auto silence = c.resultChannels == 1 ? std::unique_ptr<Sound>(new MonoSound(freq, 2))
                                             : std::unique_ptr<Sound>(new StereoSound(freq, 2));
        auto reference = silence->MakeSilence(failed, values);
        auto mixed = silence->MakeSilence(failed, values);
        ASSERT_FALSE(failed);
        // The note sounds, mono and stereo, one at another frequency.
        std::vector<std::unique_ptr<Sound>> sounds;
        std::vector<double> volumes;
        for (int d = 0; d < c.distinct; ++d) {
            sounds.push_back(randomSound(rng, 1 + d % 2, d == 1 ? freq / 2 : freq, c.noteValues / (1 + d % 3)));
            volumes.push_back(d == 2 ? 100000.0 : 0.05 * (d % 7 + 1));
        }
        TNoteMixer mixer(*mixed, failed);
        mixer.SetThreads(c.threads);
        std::uniform_int_distribution<int> pick(0, c.distinct - 1), at(-10, values + 10);
        for (int n = 0; n < c.notes; ++n) {
            const int d = pick(rng);
            const int32_t position = std::max(at(rng), 0);
            if (position < values) reference->AddScaledAfter(failed, *sounds[d], position, volumes[d]);
            const auto key = TNoteMixer::MakeKey(nullptr, d, 1, 1);
            auto note = mixer.Find(key);
            if (!note) {
                bool copyFailed = false;
                auto copy = sounds[d]->MakeLike(copyFailed, Wave::copy(copyFailed, sounds[d]->Channel(0)),
                                                sounds[d]->Channels() == 2
                                                    ? Wave::copy(copyFailed, sounds[d]->Channel(1))
                                                    : nullptr);
                note = mixer.Keep(key, std::move(copy), volumes[d], 0);
            }
            ASSERT_TRUE(note);
            ASSERT_TRUE(mixer.Add(note, position, note->Volume));
        }
        ASSERT_TRUE(mixer.Flush());
        ASSERT_FALSE(failed);
        EXPECT_TRUE(sameSamples(*mixed, *reference))
            << c.resultChannels << " channels, " << c.threads << " threads, " << c.distinct << " sounds";
    }
}

// Silence and empty sounds add nothing; a set stop flag ends the mixing
// with a failure.
TEST(NoteMixerTest, SilenceAddsNothingAndTheStopFlagEndsTheBatch) {
    std::mt19937 rng(3);
    bool failed = false;
    StereoSound empty(44100, 2);
    auto result = empty.MakeSilence(failed, 100000);
    TNoteMixer mixer(*result, failed);
    auto none = mixer.Keep(TNoteMixer::MakeKey(nullptr, 2, 1, 1), nullptr, 1, 0);
    auto hollow = mixer.Keep(TNoteMixer::MakeKey(nullptr, 3, 1, 1), empty.MakeSilence(failed, 0), 1, 0);
    ASSERT_TRUE(none && hollow);
    EXPECT_TRUE(mixer.Add(none, 5, 1));
    EXPECT_TRUE(mixer.Add(hollow, 5, 1));
    EXPECT_TRUE(mixer.Flush());
    EXPECT_EQ(result->GetLeft().peak(failed, 0, 100000), 0);
    auto note = mixer.Keep(TNoteMixer::MakeKey(nullptr, 1, 1, 1), randomSound(rng, 1, 44100, 1000), 1, 0);
    ASSERT_TRUE(mixer.Add(note, 10, 1));
    failed = true;
    EXPECT_FALSE(mixer.Add(note, 20, 1));
    EXPECT_FALSE(mixer.Flush());
}

}  // namespace
}  // namespace korvane::testing
