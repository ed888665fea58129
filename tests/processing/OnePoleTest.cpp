#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "TestSupport.h"
#include "processing/Filters.h"
#include "processing/OnePole.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using Channel = std::vector<int16_t>;

bool sameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The stage over [begin, end) in one go, as the plain filter runs it.
Channel plainPass(const Channel& in, int64_t begin, int64_t end, double x, bool high) {
    Channel out = in;
    double y = 0;
    y = high ? onePoleRun<true>(in.data() + begin, out.data() + begin, end - begin, 1 - x, x, y)
             : onePoleRun<false>(in.data() + begin, out.data() + begin, end - begin, 1 - x, x, y);
    return out;
}

// Sounds that make a guessed start hard to settle: noise; a loud stretch
// followed by silence, where the exact value fades through the tiniest
// doubles while a guess sits at 0; a constant, where the recursion can rest
// on neighbouring values that never meet; full-scale square waves.
Channel signal(int kind, int64_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> any(-32768, 32767);
    Channel s(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) {
        int v = 0;
        switch (kind) {
            case 0: v = any(random); break;
            case 1: v = (i / 700) % 3 == 0 ? any(random) : 0; break;
            case 2: v = 12345; break;
            default: v = (i / 37) % 2 ? 32767 : -32768; break;
        }
        s[static_cast<size_t>(i)] = static_cast<int16_t>(v);
    }
    return s;
}

TEST(OnePoleSplit, EveryPlanGivesThePlainPassSampleForSample) {
    const double xs[] = {0, 0.3, 0.87, 0.999, 0.99999, 1 - std::ldexp(1.0, -40)};
    const OnePoleSplitPlan plans[] = {
        {2, 0, 0, 2},     // no warm-up, nothing recorded: every later part is computed again
        {3, 0, 1, 2},     // a guess from 0 checked on one sample only
        {4, 7, 3, 2},     // a short warm-up
        {5, 200, 64, 2},  // long enough for the quick coefficients
        {2, 1000, 1000, 2},
        {4, 0, 0, 4},  // four parts in one loop, in the lanes of a vector where there are
        {3, 5, 2, 4},  // loops that take parts of both channels, and a shorter last loop
        {8, 50, 20, 4},
        {9, 300, 300, 4},
    };
    const int64_t n = 6000, begin = 150, end = 5900;
    for (int kind = 0; kind < 4; ++kind) {
        for (double x : xs) {
            for (const auto& plan : plans) {
                for (bool high : {false, true}) {
                    for (int channels : {1, 2}) {
                        SCOPED_TRACE(::testing::Message() << "kind " << kind << " x " << x << " parts " << plan.parts
                                                          << " warm-up " << plan.warmUp << " recorded "
                                                          << plan.recorded << " high " << high << " channels "
                                                          << channels);
                        Channel in[2] = {signal(kind, n, 1), signal(kind, n, 2)};
                        Channel out[2] = {Channel(n, 77), Channel(n, 77)};
                        const int16_t* from[2] = {in[0].data(), in[1].data()};
                        int16_t* to[2] = {out[0].data(), out[1].data()};
                        bool failed = false;
                        ASSERT_TRUE(onePoleSplitPass(failed, high, channels, from, to, begin, end, x, plan));
                        for (int c = 0; c < channels; ++c) {
                            Channel expected = plainPass(in[c], begin, end, x, high);
                            ASSERT_TRUE(std::equal(out[c].begin() + begin, out[c].begin() + end,
                                                   expected.begin() + begin));
                            // Nothing outside the range is written.
                            EXPECT_EQ(out[c][begin - 1], 77);
                            EXPECT_EQ(out[c][end], 77);
                        }
                    }
                }
            }
        }
    }
}

TEST(OnePoleSplit, ASetFlagStopsThePass) {
    Channel in = signal(0, 4000, 3), out(4000);
    const int16_t* from[1] = {in.data()};
    int16_t* to[1] = {out.data()};
    bool failed = true;
    EXPECT_FALSE(onePoleSplitPass(failed, false, 1, from, to, 0, 4000, 0.5, {2, 10, 10, 2}));
}

TEST(OnePoleSplit, PlansCutOnlyLongSoundsAtUsableCoefficients) {
    const int64_t minute = 60 * 44100;
    EXPECT_EQ(planOnePoleSplit(2, 10000, 0.87).parts, 1);
    EXPECT_EQ(planOnePoleSplit(2, minute, 1.0).parts, 1);
    EXPECT_EQ(planOnePoleSplit(2, minute, -0.5).parts, 1);
    EXPECT_EQ(planOnePoleSplit(2, minute, std::nan("")).parts, 1);
    // A coefficient so near 1 that the warm-up would outgrow the parts.
    EXPECT_EQ(planOnePoleSplit(1, minute, 1 - 1e-9).parts, 1);
    OnePoleSplitPlan quick = planOnePoleSplit(1, 10 * minute, 0.87);
    EXPECT_GE(quick.parts, 1);
    EXPECT_LE(quick.parts, 8);
    // After the warm-up a start guessed 0 is off by less than 2^-64 of the sample range.
    EXPECT_LT(std::pow(0.87, static_cast<double>(quick.warmUp)), std::ldexp(1.0, -63));
    EXPECT_GE(quick.recorded, 4096);
    EXPECT_TRUE(quick.perLoop == 2 || quick.perLoop == 4);
    EXPECT_EQ(planOnePoleSplit(1, 10 * minute, 0).warmUp, 0);
}

std::unique_ptr<Wave> waveOf(const Channel& samples) {
    bool failed = false;
    auto w = Wave::create(failed, static_cast<int32_t>(samples.size()));
    if (w) std::copy(samples.begin(), samples.end(), w->wave);
    return w;
}

// Long enough for the filters to cut the first pass on a machine with two
// cores; the second pass runs in place, each channel on a thread of its own.
TEST(OnePoleSplit, LongFiltersGiveTheSamplesOfThePlainPasses) {
    const int64_t n = 3 << 20;
    const Channel in[2] = {signal(0, n, 4), signal(1, n, 5)};
    // 2^-8 s at 8000 Hz is exactly 31.25 samples.
    const double seconds = 1.0 / 256, time = 31.25, factor = 0.5;
    const double a = std::pow(factor, 1.0 / 2), x = 1 - a * kTwoPi / (time * std::sqrt(1 - a * a));
    for (bool high : {false, true}) {
        for (int channels : {1, 2}) {
            SCOPED_TRACE(::testing::Message() << "high " << high << " channels " << channels);
            std::unique_ptr<Sound> sound;
            if (channels == 1)
                sound = std::make_unique<MonoSound>(waveOf(in[0]), 8000, 2);
            else
                sound = std::make_unique<StereoSound>(waveOf(in[0]), waveOf(in[1]), 8000, 2);
            bool failed = false;
            int32_t begin = 1000, end = static_cast<int32_t>(n) - 1000;
            auto r = high ? FilterHigh(*sound, failed, seconds, nullptr, factor, 2, false, begin, end)
                          : FilterLow(*sound, failed, seconds, nullptr, factor, 2, false, begin, end);
            ASSERT_TRUE(r);
            for (int c = 0; c < channels; ++c) {
                Channel expected = plainPass(plainPass(in[c], begin, end, x, high), begin, end, x, high);
                const Wave& got = c == 0 ? r->GetLeft() : r->GetRight();
                EXPECT_TRUE(std::equal(got.wave, got.wave + n, expected.begin())) << "channel " << c;
            }
        }
    }
}

// A long sound cut into blocks of any length, each block pass starting from
// the running value the one before left: the plain pass over the whole sound.
// Long blocks are cut into stretches and settled; short ones, and those whose
// coefficient needs a warm-up longer than their stretches, run plainly.
TEST(OnePoleBlock, BlocksOfAnyLengthGiveThePlainPass) {
    const double xs[] = {0, 0.3, 0.87, 0.999, 0.99999};
    const int64_t blocks[] = {1, 5, 4095, 16384, 16387, 70001, 131072};
    const int64_t n = 400000;
    for (int kind = 0; kind < 4; ++kind) {
        for (double x : xs) {
            for (bool high : {false, true}) {
                for (int channels : {1, 2}) {
                    SCOPED_TRACE(::testing::Message()
                                 << "kind " << kind << " x " << x << " high " << high << " channels " << channels);
                    const Channel in[2] = {signal(kind, n, 6), signal(kind, n, 7)};
                    Channel out[2] = {Channel(n), Channel(n)};
                    double y[2] = {0, 0};
                    OnePoleBlockRecords records;
                    std::mt19937 random(static_cast<unsigned>(kind * 31 + channels));
                    for (int64_t at = 0; at < n;) {
                        const int64_t count = std::min(n - at, blocks[random() % std::size(blocks)]);
                        const int16_t* from[2] = {in[0].data() + at, in[1].data() + at};
                        int16_t* to[2] = {out[0].data() + at, out[1].data() + at};
                        onePoleBlockPass(high, channels, from, to, count, x, y, records);
                        at += count;
                    }
                    for (int c = 0; c < channels; ++c) {
                        ASSERT_EQ(out[c], plainPass(in[c], 0, n, x, high)) << "channel " << c;
                        // The running value after the last block is the plain pass's too.
                        double plain = 0;
                        Channel scratch(n);
                        plain = high ? onePoleRun<true>(in[c].data(), scratch.data(), n, 1 - x, x, plain)
                                     : onePoleRun<false>(in[c].data(), scratch.data(), n, 1 - x, x, plain);
                        EXPECT_TRUE(sameDouble(y[c], plain));
                    }
                }
            }
        }
    }
}

}  // namespace
