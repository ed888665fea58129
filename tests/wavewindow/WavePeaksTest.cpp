#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "TestSupport.h"
#include "core/WavePeaks.h"
#include "wavewindow/WaveView.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// A random walk (so long ranges do not all reach the limits) with extremes
// planted on and beside the block and run edges, where an off-by-one hides.
std::vector<int> walk(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> step(-300, 300);
    std::vector<int> v(count);
    int y = 0;
    for (int& s : v) {
        y = std::clamp(y + step(rng), -20000, 20000);
        s = y;
    }
    int spikes[] = {255, 256, 511, 65535, 65536, 65537, 131071, 196608, count - 1};
    int k = 0;
    for (int at : spikes)
        if (at >= 0 && at < count) {
            v[at] = k % 2 ? -32768 + k : 32767 - k;  // the two ends in turn, all different
            ++k;
        }
    return v;
}

SampleSpan brute(const std::vector<int>& v, int64_t begin, int64_t end) {
    auto [lo, hi] = std::minmax_element(v.begin() + begin, v.begin() + end);
    return {static_cast<int16_t>(*lo), static_cast<int16_t>(*hi)};
}

TEST(WavePeaks, EveryRangeGivesTheTrueExtremes) {
    const int64_t F = WavePeaks::kFine, C = WavePeaks::kCoarse;
    // Lengths below one block, of whole blocks, of whole runs and with partial tails.
    for (int count : {1, 200, 256, 1000, int(C), int(3 * C + 1000)}) {
        SCOPED_TRACE(count);
        std::vector<int> v = walk(count, count);
        auto w = makeWave(v);
        WavePeaks peaks(w->wave, count);
        EXPECT_TRUE(peaks.Summarised());
        std::vector<std::pair<int64_t, int64_t>> ranges{
            {0, count},         {0, 1},           {count - 1, count}, {0, F},         {1, F - 1},
            {F - 1, F + 1},     {F, 2 * F},       {F + 1, 3 * F - 1}, {0, C},         {F, C + F},
            {C - 1, 2 * C + 1}, {C, 3 * C},       {C + 5, 3 * C - 5}, {count - F - 3, count},
            {2 * F - 1, C + 1}, {C - F, 2 * C + F},
        };
        std::mt19937 rng(count + 1);
        for (int i = 0; i < 3000; ++i) {
            // Lengths spread over every scale, from one sample to the whole wave.
            int64_t length = std::min<int64_t>(count, 1 + (int64_t(rng()) % (int64_t(1) << (rng() % 19))));
            int64_t begin = rng() % (count - length + 1);
            ranges.push_back({begin, begin + length});
        }
        for (auto [b, e] : ranges) {
            if (b < 0 || e > count || b >= e) continue;
            SampleSpan got = peaks.Range(b, e), want = brute(v, b, e);
            ASSERT_EQ(got.lo, want.lo) << "[" << b << ", " << e << ")";
            ASSERT_EQ(got.hi, want.hi) << "[" << b << ", " << e << ")";
        }
        // Ranges past either end are clamped; an empty one is 0, 0.
        EXPECT_EQ(peaks.Range(-50, count + 50).hi, brute(v, 0, count).hi);
        EXPECT_EQ(peaks.Range(count, count + 10).lo, 0);
    }
}

TEST(WavePeaks, AWaveKeepsOneSummaryUntilChangedInPlace) {
    auto w = makeWave(walk(1000, 3));
    const WavePeaks* first = &w->peaks();
    EXPECT_EQ(&w->peaks(), first);
    EXPECT_EQ(first->Count(), 1000);
    w->zero(0, 1000);
    EXPECT_EQ(w->peaks().Range(0, 1000).hi, 0);
    EXPECT_EQ(w->peaks().Range(0, 1000).lo, 0);
    Wave empty;
    EXPECT_EQ(empty.peaks().Range(0, 10).hi, 0);
}

TEST(ColumnSamples, NeighbouringColumnsTileTheWave) {
    struct Case {
        double begin, end;
        int width;
    };
    for (Case c : {Case{0, 1000, 100}, Case{0.5, 701.25, 64}, Case{3, 10, 40}, Case{-20, 50, 7}, Case{900, 1200, 30}}) {
        TWaveMapping m;
        m.Right = c.width;
        m.ZoomBegin = c.begin;
        m.ZoomEnd = c.end;
        int64_t next = -1;
        for (int x = 0; x < c.width; ++x) {
            int64_t first, end;
            ColumnSamples(m, x, 1000, first, end);
            if (first >= end) continue;
            EXPECT_TRUE(first >= 0 && end <= 1000) << x;
            bool narrow = (c.end - c.begin) / c.width < 1;
            if (next >= 0 && !narrow) EXPECT_EQ(first, next) << "column " << x;  // no sample missed or shared
            if (narrow) EXPECT_EQ(end - first, 1);
            for (int64_t i = first; i < end && !narrow; ++i) EXPECT_EQ(m.PixelOf(i), x) << i;
            next = end;
        }
    }
}

// The picture of a mono wave 65536 pixels high, where y = 32768 - sample, so
// every column's line gives back its extremes exactly; compared with a scan
// of the samples sorted into columns by the mapping.
class PeaksPictureTest : public CoreFixture {};

TEST_F(PeaksPictureTest, EveryColumnDrawsTheTrueExtremesOfItsSamples) {
    const int count = 3 * 65536 + 700;
    std::vector<int> v = walk(count, 11);
    MonoSound s(makeWave(v), 44100, 2);
    TWaveViewProps props;
    props.Distribution = 2;
    props.DrawGrid = false;
    const TColor white = RGBColor(255, 255, 255), black = RGBColor(0, 0, 0);
    struct Case {
        double begin, end;
        int width;
    };
    const Case cases[] = {
        {0, count, 3},                           // columns of more than one run each
        {0, count, 40},                          // thousands of samples, partial runs and blocks
        {1000.5, 1000.5 + 24 * 300.25, 24},      // partial blocks at both ends
        {65000, 65000 + 24 * 256, 24},           // a block wide, across the blocks
        {500, 500 + 24 * 1.5, 24},               // one or two samples
        {777, 777 + 24 * 0.375, 24},             // narrower than a sample
        {count - 2000, count + 3000, 25},        // past the end: nothing drawn there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.begin);
        TWavePaintArgs a;
        a.TheSound = &s;
        a.Props = &props;
        a.Map.Right = c.width;
        a.Map.ZoomBegin = c.begin;
        a.Map.ZoomEnd = c.end;
        a.Bottom = 65536;
        a.Cursor = count - 1;
        int cursorColumn = a.Map.PixelOf(count - 1);
        ImageCanvas canvas(c.width, 65536);
        PaintWaveView(canvas, a, 0, c.width);
        std::vector<int> lo(c.width, 40000), hi(c.width, -40000);
        for (int i = 0; i < count; ++i) {
            int x = a.Map.PixelOf(i);
            if (x < 0 || x >= c.width) continue;
            lo[x] = std::min(lo[x], v[i]);
            hi[x] = std::max(hi[x], v[i]);
        }
        for (int x = 0; x < c.width; ++x) {
            if (x == cursorColumn) continue;
            if (lo[x] > hi[x]) {  // no sample of its own
                double middle = a.Map.PixelToSample(x);
                if (middle >= 0 && middle < count) lo[x] = hi[x] = v[static_cast<int>(middle)];
            }
            int top = -1, bottom = -1;
            for (int y = 0; y < 65536; ++y) {
                TColor p = canvas.GetPixel(x, y);
                ASSERT_TRUE(p == black || p == white);
                if (p == black) {
                    if (top < 0) top = y;
                    bottom = y;
                }
            }
            if (lo[x] > hi[x]) {
                EXPECT_EQ(top, -1) << "column " << x;
                continue;
            }
            // The line runs from yOf(hi) - 1 down to yOf(lo), its end excluded.
            EXPECT_EQ(top, 32767 - hi[x]) << "column " << x;
            EXPECT_EQ(bottom, 32767 - lo[x]) << "column " << x;
        }
    }
}

TEST_F(PeaksPictureTest, StereoLayersAsThePicksDoAndPointsMarkBothExtremes) {
    // Per column of 100 samples, left spans -8192..8192 and right 0..16384.
    std::vector<int> l, r;
    for (int i = 0; i < 1000; ++i) {
        l.push_back(i % 100 == 10 ? 8192 : i % 100 == 60 ? -8192 : 0);
        r.push_back(i % 100 == 30 ? 16384 : 0);
    }
    StereoSound s(makeWave(l), makeWave(r), 1000, 2);
    TWaveViewProps props;
    props.Distribution = 2;
    props.DrawGrid = false;
    TWavePaintArgs a;
    a.TheSound = &s;
    a.Props = &props;
    a.Map.Right = 10;
    a.Map.ZoomEnd = 1000;
    a.Bottom = 64;
    a.Cursor = 999;
    // In a band of 64: 8192 -> 24, 0 -> 32, -8192 -> 40, 16384 -> 16.
    struct Case {
        bool two;
        int combine, draw;
        std::vector<std::pair<int, TColor>> pixels;  // at column 5
    };
    const TColor bg = props.Background, one = props.SingleWave, L = props.Left, R = props.Right;
    const Case cases[] = {
        {false, 0, 0, {{14, bg}, {15, R}, {22, R}, {23, one}, {31, one}, {32, L}, {39, L}, {40, bg}}},
        {false, 1, 0, {{15, R}, {22, R}, {23, L}, {31, L}, {39, L}, {40, bg}}},
        {false, 2, 0, {{15, R}, {23, R}, {31, R}, {32, L}, {39, L}, {40, bg}}},
        {false, 0, 1, {{16, R}, {17, bg}, {24, L}, {32, R}, {40, L}, {41, bg}}},
        // Two bands of 32: left 8192 -> 12, -8192 -> 20; right 16384 -> 40, 0 -> 48.
        {true, 0, 0, {{10, bg}, {11, one}, {19, one}, {20, bg}, {38, bg}, {39, one}, {47, one}, {48, bg}}},
        {true, 0, 1, {{11, bg}, {12, one}, {13, bg}, {20, one}, {21, bg}, {40, one}, {48, one}, {49, bg}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.two) + " " + std::to_string(c.combine) + " " + std::to_string(c.draw));
        props.TwoWaves = c.two;
        props.Combine = c.combine;
        props.Draw = c.draw;
        ImageCanvas canvas(10, 64);
        PaintWaveView(canvas, a, 0, 10);
        for (auto [y, colour] : c.pixels) EXPECT_EQ(canvas.GetPixel(5, y), colour) << "y " << y;
    }
}

}  // namespace
