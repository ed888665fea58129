#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "TestSupport.h"
#include "core/DrawnWave.h"
#include "core/Random.h"
#include "core/Sound.h"
#include "core/Wave.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

using Samples = std::vector<int>;

class GeneratorsTest : public CoreFixture {
protected:
    bool failed = false;
    int32_t b = 0, e = -1;
    std::unique_ptr<Wave> empty = makeWave({});

    void SetUp() override {
        CoreFixture::SetUp();
        ASSERT_TRUE(createSinus());
    }
    void TearDown() override {
        destroySinus();
        CoreFixture::TearDown();
    }
    // Sets the range to the whole wave and hands out its begin, for the
    // next generator call.
    int32_t& whole() {
        e = -1;
        return b = 0;
    }
    std::unique_ptr<MonoSound> mono(const Samples& m, int freq) {
        return std::make_unique<MonoSound>(makeWave(m), freq, 2);
    }
    std::unique_ptr<StereoSound> stereo(const Samples& l, const Samples& r, int freq) {
        return std::make_unique<StereoSound>(makeWave(l), makeWave(r), freq, 2);
    }
};

TEST(RandomTest, ClassicSequenceForSeedsZeroAndOne) {
    // Seed 0: next becomes 12345, whose upper half is 0; then 12345 * 1103515245 + 12345 ...
    Random::seed(0);
    Samples zero, one;
    for (int i = 0; i < 4; ++i) zero.push_back(Random::next());
    EXPECT_EQ(zero, (Samples{0, 21468, 9988, 22117}));
    Random::seed(1);
    for (int i = 0; i < 4; ++i) one.push_back(Random::next());
    EXPECT_EQ(one, (Samples{16838, 5758, 10113, 17515}));
}

TEST_F(GeneratorsTest, LinesOfZeroSecondsAndStraightAndExponentialSteps) {
    auto s = mono({7, 7}, 10);
    b = 1, e = 1;
    EXPECT_EQ(samplesOf(s->InsertSilence(failed, 0, b, e)->GetLeft()), (Samples{7, 0, 7}));
    EXPECT_EQ(e, 2);
    b = 1, e = 1;
    EXPECT_EQ(samplesOf(s->InsertLine(failed, -300, 500, 0, false, b, e)->GetLeft()), (Samples{7, -300, 500, 7}));
    EXPECT_EQ(e, 3);
    // One second at 10 Hz is 11 samples.
    auto ramp = s->InsertLine(failed, 0, 1000, 1, false, whole(), e);
    EXPECT_EQ(samplesOf(ramp->GetLeft()), (Samples{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}));
    EXPECT_EQ(e, 11);
    auto exp2 = mono({}, 1)->InsertLine(failed, 1000, 16000, 1, true, whole(), e);
    EXPECT_EQ(samplesOf(exp2->GetLeft()), (Samples{1000, 4000}));
    // The root is over the length, so the last sample stops one factor short.
    EXPECT_EQ(samplesOf(*empty->expLine(failed, -1000, -16000, 4, whole(), e)), (Samples{-1000, -2000, -4000, -8000}));
}

TEST_F(GeneratorsTest, GeneratorOnASelectionReplacesItAndReportsTheNewRange) {
    Samples source(200);
    for (int i = 0; i < 200; ++i) source[i] = i;
    auto w = makeWave(source);
    b = 50, e = 150;
    auto r = w->line(failed, 0, 490, 50, b, e);
    ASSERT_EQ(r->values, 150);
    EXPECT_EQ(b, 50);
    EXPECT_EQ(e, 100);
    Samples expected(source.begin(), source.begin() + 50);
    for (int i = 0; i < 50; ++i) expected.push_back(10 * i);
    expected.insert(expected.end(), source.begin() + 150, source.end());
    EXPECT_EQ(samplesOf(*r), expected);
    EXPECT_EQ(samplesOf(*w), source);
}

TEST_F(GeneratorsTest, BlocksAndTriangles) {
    // A period of 1 s at 4 Hz is 4 samples; 2 s are 8 samples. The second height comes first.
    auto block = mono({}, 4)->InsertBlockTriangle(failed, -100, 100, 1, 0.5, 2, 0, false, b, e);
    EXPECT_EQ(samplesOf(block->GetLeft()), (Samples{100, 100, -100, -100, 100, 100, -100, -100}));
    EXPECT_EQ(e, 8);
    // A negative start gains a whole period.
    EXPECT_EQ(samplesOf(*empty->blockTriangle(failed, 1, 2, 4, 0.5, 4, -0.25, false, whole(), e)),
              (Samples{2, 1, 1, 2}));
    EXPECT_EQ(samplesOf(*empty->blockTriangle(failed, 0, 1000, 4, 0.5, 5, 0, true, whole(), e)),
              (Samples{0, 500, 1000, 500, 0}));
    // Middle 0 falls from levelMiddle to level0 in every period; middle 1 rises.
    EXPECT_EQ(samplesOf(*empty->blockTriangle(failed, 0, 400, 4, 0, 5, 0, true, whole(), e)),
              (Samples{400, 300, 200, 100, 400}));
    EXPECT_EQ(samplesOf(*empty->blockTriangle(failed, 0, 400, 4, 1, 5, 0, true, whole(), e)),
              (Samples{0, 100, 200, 300, 0}));
}

TEST_F(GeneratorsTest, EnvelopeMiddleSpansThePhaseAndFollowsTheChannels) {
    // From just below 0 to just below 1 over the eight samples.
    auto rising = makeWave({-32768, 32767});
    EXPECT_EQ(samplesOf(*empty->blockTriangleEnvelope(failed, 1, 2, 4, *rising, 8, 0, false, b, e)),
              (Samples{2, 2, 2, 2, 1, 1, 1, 1}));
    // 16384 / 65535 + 0.5 lies just above 0.75: phase 0.75 is still before the middle.
    auto level = makeWave({16384});
    EXPECT_EQ(samplesOf(*empty->blockTriangleEnvelope(failed, 1, 2, 4, *level, 4, 0, false, whole(), e)),
              (Samples{1, 1, 1, 1}));
    // Stereo: the envelope's left for the left, its right for the right; mono: its middle (0, so 0.5).
    auto envelope = stereo({-32768, -32768}, {32767, 32767}, 8000);
    auto both = stereo({}, {}, 4)->InsertBlockTriangleEnvelope(failed, 7, 3, 1, *envelope, 1, 0, false, whole(), e);
    EXPECT_EQ(samplesOf(both->GetLeft()), (Samples{7, 7, 7, 7}));
    EXPECT_EQ(samplesOf(both->GetRight()), (Samples{3, 3, 3, 3}));
    auto one = mono({}, 4)->InsertBlockTriangleEnvelope(failed, 7, 3, 1, *envelope, 1, 0, false, whole(), e);
    EXPECT_EQ(samplesOf(one->GetLeft()), (Samples{3, 3, 7, 7}));
}

TEST_F(GeneratorsTest, SineStartsAtItsAngleAndAddsATruncatedCentre) {
    Samples s = samplesOf(*empty->sinusWave(failed, 1000, -1000, 100, 1, 0.25, b, e));
    ASSERT_EQ(s.size(), 100u);
    EXPECT_EQ(s[0], 999);
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 999);
    // -500.48 + trunc(499.5) gives -1, where the untruncated centre would give 0.
    EXPECT_EQ(empty->sinusWave(failed, 1000, -1, 4, 1, 0.75, whole(), e)->wave[0], -1);
    EXPECT_EQ(empty->sinusWave(failed, 1, -1, 10, 2.55, 0, whole(), e)->values, 25);
    EXPECT_EQ(samplesOf(*empty->sinusWave(failed, 1000, 0, 10, 0.01, 0, whole(), e)), (Samples{500}));
    // 8 samples per period, 3 periods, inserted into both channels alike.
    b = 1, e = 1;
    auto made = stereo({5}, {6}, 8000)->InsertSinus(failed, 20000, -20000, 0.001, 3, 0, b, e);
    ASSERT_EQ(made->GetValues(), 25);
    EXPECT_EQ(e, 25);
    EXPECT_EQ(made->GetRight().wave[0], 6);
    EXPECT_TRUE(std::equal(made->GetLeft().wave + 1, made->GetLeft().wave + 25, made->GetRight().wave + 1));
    EXPECT_EQ(made->GetLeft().wave[3], 19999);
}

TEST_F(GeneratorsTest, NoiseScalesRandomValuesAndFillsLeftBeforeRight) {
    Random::seed(1);
    // 8192 * 2^-14 * (r - 16384): -6271 / 2 truncates toward zero.
    EXPECT_EQ(samplesOf(*empty->noise(failed, 8192, 3, b, e)), (Samples{227, -5313, -3135}));
    Random::seed(1);
    auto made = stereo({}, {}, 2)->InsertNoise(failed, 16384, 1, whole(), e);
    EXPECT_EQ(samplesOf(made->GetLeft()), (Samples{454, -10626}));
    EXPECT_EQ(samplesOf(made->GetRight()), (Samples{-6271, 1131}));
    // Less than one sample removes the range.
    b = 0, e = 1;
    EXPECT_EQ(samplesOf(made->InsertNoise(failed, 16384, 0.4, b, e)->GetRight()), (Samples{1131}));
    EXPECT_EQ(e, 0);
}

TEST_F(GeneratorsTest, MultiFreqAmplitudesAndRowSums) {
    // A period of two samples over a two-sample form reads sample 0 every time.
    auto form = mono({1001, 1001}, 100);
    MultiFreqSoundRow halving{1, 0.02, 0, 0.5, 1};
    auto made = mono({}, 100)->InsertMultiFreqForm(failed, 2, *form, std::span(&halving, 1), b, e);
    ASSERT_EQ(made->GetValues(), 200);
    EXPECT_EQ(made->GetLeft().wave[0], 1001);
    EXPECT_EQ(made->GetLeft().wave[50], 707);
    EXPECT_EQ(made->GetLeft().wave[100], 500);
    // Each row's addition is truncated and kept in 16 bits before the next.
    auto ones = makeWave({1, 1});
    MultiFreqRow small[] = {{0.6, 2, 0, 1}, {0.6, 2, 0, 1}};
    EXPECT_EQ(samplesOf(*empty->multiFreq(failed, 2, *ones, small, whole(), e)), (Samples{0, 0}));
    MultiFreqRow loud[] = {{30000, 2, 0, 1}, {30000, 2, 0, 1}};
    EXPECT_EQ(samplesOf(*empty->multiFreq(failed, 1, *ones, loud, whole(), e)), (Samples{-5536}));
    // Stereo takes the form's left and right, mono its middle.
    auto pair = stereo({1000, 1000}, {-3000, -3000}, 44100);
    MultiFreqSoundRow steady{1, 0.02, 0, 1, 1};
    auto both = stereo({}, {}, 100)->InsertMultiFreqForm(failed, 0.02, *pair, std::span(&steady, 1), whole(), e);
    EXPECT_EQ(samplesOf(both->GetLeft()), (Samples{1000, 1000}));
    EXPECT_EQ(samplesOf(both->GetRight()), (Samples{-3000, -3000}));
    auto one = mono({}, 100)->InsertMultiFreqForm(failed, 0.02, *pair, std::span(&steady, 1), whole(), e);
    EXPECT_EQ(samplesOf(one->GetLeft()), (Samples{-1000, -1000}));
}

TEST_F(GeneratorsTest, MultiFreqWrapsBeforeTheLastSourceSampleAndReadsZeroOutside) {
    const Wave& table = *sinus();
    ASSERT_NE(table.wave[8999], 0);
    // One table sample per output sample at 9000 Hz and a period of 1 s.
    MultiFreqSoundRow row{1, 1, 0, 1, 1};
    auto s = stereo({}, {}, 9000);
    auto made = s->InsertMultiFreq(failed, 1.5, std::span(&row, 1), b, e);
    const Wave& left = made->GetLeft();
    EXPECT_EQ(left.wave[8998], table.wave[8998]);
    EXPECT_EQ(left.wave[8999], table.wave[0]);
    EXPECT_EQ(left.wave[9000], table.wave[1]);
    EXPECT_EQ(samplesOf(left), samplesOf(made->GetRight()));
    // A start beyond the last sample reads silence, then wraps into the table.
    row.startAngle = 0.99995;
    made = s->InsertMultiFreq(failed, 0.001, std::span(&row, 1), whole(), e);
    EXPECT_EQ(made->GetLeft().wave[0], 0);
    EXPECT_GT(made->GetLeft().wave[1], table.wave[1]);
    EXPECT_LT(made->GetLeft().wave[1], table.wave[2]);
}

TEST_F(GeneratorsTest, DrawnWavesMeetThePointsInBothModes) {
    // Sample i lies at x = 10 i; y 0 is 32767, 100 is -32767.
    std::vector<DrawnPoint> points{{0, 50}, {20, 0}, {40, 100}, {80, 50}};
    EXPECT_EQ(samplesOf(*drawnWave(failed, points, 0, 0, 80, 100, drawnWaveLinear, 8)),
              (Samples{0, 16383, 32767, 0, -32767, -24575, -16383, -8191}));
    // Through the points and the segment middles, flatter near the points.
    EXPECT_EQ(samplesOf(*drawnWave(failed, points, 0, 0, 80, 100, drawnWaveSmooth, 8)),
              (Samples{0, 16383, 32767, 0, -32767, -27647, -16383, -5119}));
    std::vector<DrawnPoint> one{{0, 0}};
    EXPECT_EQ(drawnWave(failed, one, 0, 0, 80, 100, drawnWaveLinear, 8), nullptr);
    EXPECT_FALSE(failed);
    std::vector<DrawnPoint> shortOfRight{{0, 0}, {40, 0}};
    EXPECT_CONTRACT(drawnWave(failed, shortOfRight, 0, 0, 80, 100, drawnWaveSmooth, 8), "nextNode != NULL");
    EXPECT_CONTRACT(drawnWave(failed, points, 0, 0, 80, 100, 2, 8), "false");
}

TEST_F(GeneratorsTest, ContractsNameTheViolatedCondition) {
    auto w = makeWave({1, 2, 3});
    MultiFreqRow row{1, 2, 0, 1};
    int32_t bad = -1, two = 2, one = 1, four = 4, zero = 0;
    EXPECT_CONTRACT(w->line(failed, 0, 1, 2, bad, one), "begint >= 0");
    EXPECT_CONTRACT(w->line(failed, 0, 1, 2, zero, four), "endt <= values");
    EXPECT_CONTRACT(w->expLine(failed, 0, 1, 2, two, one), "begint <= endt");
    EXPECT_CONTRACT(w->line(failed, 0, 1, 0, zero, one), "length > 1");
    EXPECT_CONTRACT(w->expLine(failed, -1, 1, 2, zero, one), "double(begin) * end > 0");
    EXPECT_CONTRACT(w->noise(failed, 1, 1, two, one), "begin <= end");
    EXPECT_CONTRACT(w->blockTriangle(failed, 0, 1, 0, 0.5, 1, 0, false, zero, one), "period > 0");
    EXPECT_CONTRACT(w->blockTriangle(failed, 0, 1, 4, 0.5, 0, 0, false, zero, one), "length > 0");
    EXPECT_CONTRACT(w->blockTriangle(failed, 0, 1, 4, 1.5, 1, 0, true, zero, one), "middle <= 1");
    EXPECT_CONTRACT(w->blockTriangle(failed, 0, 1, 4, -0.5, 1, 0, true, zero, one), "middle >= 0");
    EXPECT_CONTRACT(w->blockTriangleEnvelope(failed, 0, 1, 4, *empty, 1, 0, true, zero, one),
                    "middleEnvelope->values > 0");
    EXPECT_CONTRACT(w->sinusWave(failed, 1, -1, 0, 1, 0, zero, one), "per > 0");
    EXPECT_CONTRACT(w->sinusWave(failed, 1, -1, 4, 1, -0.1, zero, one), "startAngle >= 0");
    EXPECT_CONTRACT(w->sinusWave(failed, 1, -1, 4, 1, 1, zero, one), "startAngle < 1");
    EXPECT_CONTRACT(w->multiFreq(failed, 1, *w, {}, zero, one), "freqCount > 0");
    EXPECT_CONTRACT(w->multiFreq(failed, -1, *w, std::span(&row, 1), zero, one), "length >= 0");
    EXPECT_CONTRACT(w->multiFreq(failed, 1, *empty, std::span(&row, 1), zero, one), "sourceLength > 0");
    destroySinus();
    EXPECT_CONTRACT(w->sinusWave(failed, 1, -1, 4, 1, 0, zero, one), "sinus != NULL");
    MultiFreqSoundRow soundRow;
    EXPECT_CONTRACT(mono({1}, 10)->InsertMultiFreq(failed, 1, std::span(&soundRow, 1), zero, one), "sinus != NULL");
}

TEST_F(GeneratorsTest, SetFlagOrFailedAllocationLeavesNoWaveAndTheSourceUntouched) {
    auto s = stereo({1, 2, 3}, {4, 5, 6}, 10);
    MultiFreqSoundRow row;
    Random::seed(1);
    failed = true;
    EXPECT_EQ(s->InsertNoise(failed, 1, 1, b, e), nullptr);
    EXPECT_EQ(s->InsertMultiFreq(failed, 1, std::span(&row, 1), b, e), nullptr);
    EXPECT_EQ(s->InsertBlockTriangleEnvelope(failed, 1, 2, 0.4, *s, 1, 0, true, b, e), nullptr);
    EXPECT_EQ(empty->line(failed, 0, 1, 2, b, e), nullptr);
    EXPECT_EQ(drawnWave(failed, std::vector<DrawnPoint>{{0, 0}, {1, 1}}, 0, 0, 1, 1, drawnWaveLinear, 8), nullptr);
    EXPECT_EQ(memoryMessages(), 0);
    EXPECT_EQ(Random::next(), 16838);  // noise drew nothing

    failed = false;
    allocation_testing::failNextAllocations(1);
    b = 1, e = 2;
    EXPECT_EQ(s->InsertSinus(failed, 100, -100, 0.4, 2, 0, b, e), nullptr);
    EXPECT_TRUE(failed);
    EXPECT_EQ(memoryMessages(), 1);
    EXPECT_EQ(samplesOf(s->GetLeft()), (Samples{1, 2, 3}));
    EXPECT_EQ(samplesOf(s->GetRight()), (Samples{4, 5, 6}));
    // Too long to be held at all: the same single report, nothing allocated.
    bool other = false;
    b = 0, e = 0;
    EXPECT_EQ(s->GetLeft().noise(other, 1, 2147483647, b, e), nullptr);
    EXPECT_TRUE(other);
    EXPECT_EQ(memoryMessages(), 2);
}

}  // namespace
