#include <gtest/gtest.h>

#include "TestSupport.h"
#include "processing/ShapeEffects.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using Samples = std::vector<int>;

class ShapeEffects : public CoreFixture {
protected:
    bool failed = false;
};

TEST_F(ShapeEffects, ReverseMirrorsTheRangeOnly) {
    auto w = makeWave({1, 2, 3, 4, 5});
    EXPECT_EQ(samplesOf(*reverse(*w, failed, 1, 4)), (Samples{1, 4, 3, 2, 5}));
    EXPECT_EQ(samplesOf(*reverse(*w, failed, 2, 3)), (Samples{1, 2, 3, 4, 5}));
    // Across chunk borders.
    Samples many;
    for (int i = 0; i < 2500; ++i) many.push_back(i);
    auto m = makeWave(many);
    auto r = reverse(*m, failed, 1, 2499);
    EXPECT_EQ(r->wave[0], 0);
    EXPECT_EQ(r->wave[1], 2498);
    EXPECT_EQ(r->wave[1001], 1498);
    EXPECT_EQ(r->wave[2498], 1);
    EXPECT_EQ(r->wave[2499], 2499);
}

TEST_F(ShapeEffects, BlockQuantizeTakesBlockMeansAndLevels) {
    auto w = makeWave({9, 1, 2, 4, -1, -2, -4, 9});
    // One block over the range: its mean, truncated toward zero.
    EXPECT_EQ(samplesOf(*blockQuantize(*w, failed, 100, 0, 1, 4)), (Samples{9, 2, 2, 2, -1, -2, -4, 9}));
    EXPECT_EQ(samplesOf(*blockQuantize(*w, failed, 100, 0, 4, 7)), (Samples{9, 1, 2, 4, -2, -2, -2, 9}));
    // Blocks of 1.5 samples end at trunc(1.5), trunc(3), trunc(4.5), ...
    auto v = makeWave({10, 20, 40, 7, 100, 300});
    EXPECT_EQ(samplesOf(*blockQuantize(*v, failed, 1.5, 0, 0, 6)), (Samples{10, 30, 30, 7, 200, 200}));
    // A length below one sample counts as one.
    EXPECT_EQ(samplesOf(*blockQuantize(*v, failed, 0.2, 0, 0, 6)), (Samples{10, 20, 40, 7, 100, 300}));
    // Two levels: only the extremes; one level: silence.
    auto x = makeWave({-1, 0, 1, -30000, 30000});
    EXPECT_EQ(samplesOf(*blockQuantize(*x, failed, 1, 2, 0, 5)), (Samples{-32768, 32767, 32767, -32768, 32767}));
    EXPECT_EQ(samplesOf(*blockQuantize(*x, failed, 1, 1, 1, 4)), (Samples{-1, 0, 0, 0, 30000}));
    // Three levels: -32768, 0 (trunc of -0.5) and 32767.
    EXPECT_EQ(samplesOf(*blockQuantize(*x, failed, 1, 3, 0, 5)), (Samples{0, 0, 0, -32768, 32767}));
}

TEST_F(ShapeEffects, RotateLeftMovesTheFrontOfTheRangeToItsEnd) {
    auto w = makeWave({0, 1, 2, 3, 4, 5});
    EXPECT_EQ(samplesOf(*rotateLeft(*w, failed, 1, 1, 5)), (Samples{0, 2, 3, 4, 1, 5}));
    EXPECT_EQ(samplesOf(*rotateLeft(*w, failed, 0, 1, 5)), (Samples{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(samplesOf(*rotateLeft(*w, failed, 4, 1, 5)), (Samples{0, 1, 2, 3, 4, 5}));
    EXPECT_CONTRACT(rotateLeft(*w, failed, 5, 1, 5), "leftShift <= values");
    EXPECT_CONTRACT(rotateLeft(*w, failed, -1, 1, 5), "leftShift >= 0");
    // Across chunk borders.
    Samples many;
    for (int i = 0; i < 2100; ++i) many.push_back(i);
    auto m = makeWave(many);
    auto r = rotateLeft(*m, failed, 1500, 0, 2100);
    EXPECT_EQ(r->wave[0], 1500);
    EXPECT_EQ(r->wave[599], 2099);
    EXPECT_EQ(r->wave[600], 0);
    EXPECT_EQ(r->wave[2099], 1499);
}

TEST_F(ShapeEffects, RotateWrapsTheTimeIntoTheRange) {
    // 8 samples at 8 Hz: a range of one second.
    MonoSound s(makeWave({0, 1, 2, 3, 4, 5, 6, 7}), 8, 2);
    auto rotated = [&](double seconds) {
        int32_t b = 0, e = 8;
        return samplesOf(Rotate(s, failed, seconds, b, e)->GetLeft());
    };
    EXPECT_EQ(rotated(0.25), (Samples{2, 3, 4, 5, 6, 7, 0, 1}));
    EXPECT_EQ(rotated(1.25), (Samples{2, 3, 4, 5, 6, 7, 0, 1}));
    EXPECT_EQ(rotated(-0.25), (Samples{6, 7, 0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(rotated(1), (Samples{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(rotated(-1), (Samples{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(ShapeEffects, DistortReadsTheFunctionAtTheSampleValue) {
    auto w = makeWave({-32768, 0, 32767, 5});
    auto f = makeWave({100, 200, 300});
    EXPECT_EQ(samplesOf(*distortBy(*w, failed, *f, 0, 3)), (Samples{100, 200, 299, 5}));
    // A two-sample ramp over the whole range gives s - 0.5, truncated toward zero.
    auto ramp = makeWave({-32768, 32767});
    auto v = makeWave({-32768, -1000, 0, 1000, 32767});
    EXPECT_EQ(samplesOf(*distortBy(*v, failed, *ramp, 0, 5)), (Samples{-32768, -1000, 0, 999, 32766}));
}

}  // namespace
