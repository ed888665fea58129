#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "TestSupport.h"
#include "wavewindow/WaveView.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

const int64_t F = WavePeaks::kFine, C = WavePeaks::kCoarse;

// A random walk (so long ranges do not all reach the limits) with the two
// ends planted in turn on and beside block and run edges.
std::vector<int> walk(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<int> v(count);
    for (int i = 0, y = 0; i < count; ++i) v[i] = y = std::clamp(y + int(rng() % 601) - 300, -20000, 20000);
    int k = 0;
    for (int64_t at : {F - 1, F, 2 * F - 1, C - 1, C, C + 1, 2 * C - 1, 3 * C, int64_t(count) - 1})
        if (at < count) v[at] = k % 2 ? -32768 + k : 32767 - k, ++k;
    return v;
}

TEST(WavePeaks, EveryRangeGivesTheTrueExtremesAndAnInPlaceChangeIsSeen) {
    for (int count : {1, 256, 1000, int(3 * C + 1000)}) {
        std::vector<int> v = walk(count, count);
        std::vector<int16_t> raw(v.begin(), v.end());
        std::mt19937 rng(count);
        for (int i = 0; i < 3000; ++i) {
            // Lengths over every scale, one sample to the whole wave.
            int64_t length = std::min<int64_t>(count, 1 + rng() % (int64_t(1) << (rng() % 19)));
            int64_t b = rng() % (count - length + 1), e = b + length;
            // New extremes on the edges of the partial ends, the whole blocks
            // and the whole runs inside the range, or anywhere in it.
            int64_t b1 = (b + F - 1) / F * F, e1 = e / F * F, b2 = (b + C - 1) / C * C, e2 = e / C * C;
            int64_t at[] = {b, e - 1, b1, b1 - 1, e1, e1 - 1, b2, b2 - 1, e2, e2 - 1, b + int64_t(rng() % length)};
            int64_t hiAt = std::clamp(at[rng() % 11], b, e - 1), loAt = std::clamp(at[rng() % 11], b, e - 1);
            std::vector<int16_t> d = raw;
            d[hiAt] = int16_t(32767 - rng() % 3);
            if (loAt != hiAt) d[loAt] = int16_t(-32768 + rng() % 3);
            SampleSpan got = WavePeaks(d.data(), count).Range(b, e);
            auto [lo, hi] = std::minmax_element(d.begin() + b, d.begin() + e);
            ASSERT_EQ(got.lo, *lo) << count << " [" << b << ", " << e << ") " << loAt;
            ASSERT_EQ(got.hi, *hi) << count << " [" << b << ", " << e << ") " << hiAt;
        }
        auto w = makeWave(v);
        EXPECT_EQ(w->peaks().Range(-9, count + 9).hi, *std::max_element(v.begin(), v.end()));  // clamped
        w->zero(0, count);
        EXPECT_EQ(w->peaks().Range(0, count).lo, 0);
    }
}

class PeaksPicture : public CoreFixture {};

// A mono wave 65536 pixels high, where y = 32768 - sample: every column's line
// gives back its extremes, compared with a scan of the samples sorted into
// columns by the mapping; a column holding none shows the one under its middle.
TEST_F(PeaksPicture, EveryColumnDrawsTheTrueExtremesOfItsSamples) {
    const int count = 3 * C + 700;
    std::vector<int> v = walk(count, 11);
    MonoSound s(makeWave(v), 44100, 2);
    TWaveViewProps props;
    props.Distribution = 2;
    props.DrawGrid = false;
    struct Case {
        double begin, end;
        int width;
    };
    for (Case c : {Case{0, double(count), 3}, Case{0, double(count), 40}, Case{1000.5, 1000.5 + 24 * 300.25, 24},
                   Case{65000, 65000 + 24 * 256, 24}, Case{500, 500 + 24 * 1.5, 24}, Case{777, 777 + 24 * 0.375, 24},
                   Case{count - 2000.0, count + 3000.0, 25}}) {
        TWavePaintArgs a{&s, &props, {0, c.width, c.begin, c.end}, 0, 65536, 0, 0, count - 1};
        ImageCanvas canvas(c.width, 65536);
        PaintWaveView(canvas, a, 0, c.width);
        std::vector<int> lo(c.width, 40000), hi(c.width, -40000);
        for (int i = 0; i < count; ++i)
            if (int x = a.Map.PixelOf(i); x >= 0 && x < c.width) lo[x] = std::min(lo[x], v[i]), hi[x] = std::max(hi[x], v[i]);
        for (int x = 0; x < c.width; ++x) {
            if (x == a.Map.PixelOf(count - 1)) continue;  // the cursor
            double middle = a.Map.PixelToSample(x);
            if (lo[x] > hi[x] && middle >= 0 && middle < count) lo[x] = hi[x] = v[int(middle)];
            int top = -1, bottom = -1;
            for (int y = 0; y < 65536; ++y)
                if (canvas.GetPixel(x, y) == props.SingleWave) bottom = y, top = top < 0 ? y : top;
            // The line runs from yOf(hi) - 1 down to yOf(lo), its end excluded.
            EXPECT_EQ(top, lo[x] > hi[x] ? -1 : 32767 - hi[x]) << c.begin << " column " << x;
            EXPECT_EQ(bottom, lo[x] > hi[x] ? -1 : 32767 - lo[x]) << c.begin << " column " << x;
        }
    }
}

TEST_F(PeaksPicture, StereoLayersAsThePicksDoAndPointsMarkBothExtremes) {
    // Per column of 100 samples, left spans -8192..8192 and right 0..16384.
    std::vector<int> l(1000, 0), r(1000, 0);
    for (int i = 0; i < 1000; i += 100) l[i + 10] = 8192, l[i + 60] = -8192, r[i + 30] = 16384;
    StereoSound s(makeWave(l), makeWave(r), 1000, 2);
    TWaveViewProps p;
    p.Distribution = 2;
    p.DrawGrid = false;
    const TColor bg = p.Background, one = p.SingleWave, L = p.Left, R = p.Right;
    // In one band of 64: 16384 -> 16, 8192 -> 24, 0 -> 32, -8192 -> 40; in
    // two of 32, left 8192 -> 12, -8192 -> 20 and right 16384 -> 40, 0 -> 48.
    struct Case {
        bool two;
        int combine, draw;
        std::vector<std::pair<int, TColor>> column5;
    };
    for (const Case& c : {Case{false, 0, 0, {{14, bg}, {15, R}, {22, R}, {23, one}, {31, one}, {32, L}, {39, L}, {40, bg}}},
                          Case{false, 1, 0, {{15, R}, {22, R}, {23, L}, {39, L}}},
                          Case{false, 2, 0, {{15, R}, {31, R}, {32, L}, {39, L}}},
                          Case{false, 0, 1, {{16, R}, {17, bg}, {24, L}, {32, R}, {40, L}, {41, bg}}},
                          Case{true, 0, 0, {{10, bg}, {11, one}, {19, one}, {20, bg}, {39, one}, {47, one}, {48, bg}}},
                          Case{true, 0, 1, {{11, bg}, {12, one}, {13, bg}, {20, one}, {40, one}, {48, one}}}}) {
        p.TwoWaves = c.two, p.Combine = c.combine, p.Draw = c.draw;
        ImageCanvas canvas(10, 64);
        PaintWaveView(canvas, {&s, &p, {0, 10, 0, 1000}, 0, 64, 0, 0, 999}, 0, 10);
        for (auto [y, colour] : c.column5)
            EXPECT_EQ(canvas.GetPixel(5, y), colour) << c.two << c.combine << c.draw << " y " << y;
    }
}

}  // namespace
