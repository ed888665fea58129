#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "TestSupport.h"
#include "wavewindow/VolumeDiagram.h"

namespace korvane {
namespace {

using testing::CoreFixture;

std::vector<int16_t> randomSamples(std::mt19937& rng, int64_t count) {
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<int16_t> s(count);
    for (auto& x : s) x = static_cast<int16_t>(d(rng));
    // Full-scale runs drive the resonators hardest.
    for (int64_t i = 0; i < count / 7; ++i) s[i * 7] = (i & 1) ? 32767 : -32768;
    return s;
}

bool sameBits(const TVoldColumns& a, const TVoldColumns& b) {
    return a.Bands == b.Bands && a.Column == b.Column && a.Max.size() == b.Max.size() &&
           (a.Max.empty() || std::memcmp(a.Max.data(), b.Max.data(), a.Max.size() * sizeof(float)) == 0);
}

TEST(VolumeDiagramFast, EqualsReferenceBitForBitOnAwkwardSizes) {
    std::mt19937 rng(7);
    TVoldViewProps props;
    const int heights[] = {1, 3, 5, 9, 13, 50, 61};
    const int64_t counts[] = {1, 7, 999, 4099};
    const int columns[] = {1, 3, 17, 5000};
    int compared = 0;
    for (int distribution = 0; distribution < 3; ++distribution) {
        props.HorDistribution = distribution;
        for (int h : heights) {
            props.Vertical.SetValue(61);
            TVoldBands bands = VoldBands(props, 44100, h);
            for (int64_t count : counts) {
                auto left = randomSamples(rng, count);
                auto right = randomSamples(rng, count);
                for (int cols : columns) {
                    std::vector<TVoldColumns> ref(2);
                    VoldColumnsReference(bands, left.data(), count, cols, ref[0]);
                    VoldColumnsReference(bands, right.data(), count, cols, ref[1]);
                    for (int width : {4, 8, 16})
                        for (int threads : {1, 2, 3}) {
                            std::vector<TVoldColumns> fast;
                            VoldColumnsFast(bands, {left.data(), right.data()}, count, cols, fast, threads, width);
                            ASSERT_EQ(fast.size(), 2u);
                            ASSERT_TRUE(sameBits(fast[0], ref[0]))
                                << "dist " << distribution << " h " << h << " count " << count << " cols " << cols;
                            ASSERT_TRUE(sameBits(fast[1], ref[1]));
                            ++compared;
                        }
                }
            }
        }
    }
    EXPECT_EQ(compared, 3 * 7 * 4 * 4 * 9);
}

TEST(VolumeDiagramFast, EqualsReferenceWhenResonatorsRunAway) {
    // Periods below two samples and a negative width make the filters
    // unstable: infinities and NaN must come out the same on both paths.
    std::mt19937 rng(11);
    TVoldViewProps props;
    props.Top.SetValue(0.5 / 8000);
    props.Bottom.SetValue(0.01);
    props.Width.SetValue(-3);
    TVoldBands bands = VoldBands(props, 8000, 23);
    auto s = randomSamples(rng, 30011);
    TVoldColumns ref;
    VoldColumnsReference(bands, s.data(), 30011, 37, ref);
    bool nonFinite = false;
    for (float v : ref.Max) nonFinite |= !std::isfinite(v);
    EXPECT_TRUE(nonFinite);
    std::vector<TVoldColumns> fast;
    VoldColumnsFast(bands, {s.data()}, 30011, 37, fast, 2);
    EXPECT_TRUE(sameBits(fast[0], ref));
}

TEST(VolumeDiagramBands, OneBandPerRowInAShortWindowAndNoneWithoutHeight) {
    TVoldViewProps props;
    EXPECT_EQ(VoldBands(props, 44100, 20).N, 20);
    EXPECT_EQ(VoldBands(props, 44100, 400).N, 50);
    EXPECT_EQ(VoldBands(props, 44100, 0).N, 0);
}

TEST(VolumeDiagramBands, FirstBandsOfEachDistribution) {
    TVoldViewProps props;  // 20000 Hz to 20 Hz, 50 bands, width 1
    double h = 44100 / 20000.0;
    double ratio = std::pow(1000.0, 1.0 / 50);
    props.HorDistribution = 1;
    TVoldBands log = VoldBands(props, 44100, 100);
    EXPECT_EQ(log.F[0], static_cast<float>(2.466 / h / h));
    EXPECT_EQ(log.D[0], static_cast<float>(std::pow(1 - (1 - 1 / ratio), 1 / (h * ratio))));
    EXPECT_EQ(log.F[1], static_cast<float>(2.466 / (h * ratio) / (h * ratio)));

    props.HorDistribution = 2;  // time linear: the widths grow with the band
    TVoldBands lin = VoldBands(props, 44100, 100);
    double h1 = h + 44100 * (0.05 - 0.00005) / 50;
    double k = 1 / (3.0 / 50);
    EXPECT_EQ(lin.D[0], static_cast<float>(std::pow(1 - (1 - 1 / std::pow(ratio, k)), 1 / h1)));

    props.HorDistribution = 0;  // frequency linear: the last band ends on Bottom
    TVoldBands fl = VoldBands(props, 44100, 100);
    double f49 = 20000.0 - 49 * (20000.0 - 20.0) / 50;
    EXPECT_NEAR(fl.F[49], 2.466 * (f49 / 44100) * (f49 / 44100), 1e-7);
}

TEST(VolumeDiagramColour, SensitivityCurvesAndInversion) {
    EXPECT_DOUBLE_EQ(VoldRamp(16384, 0, 1, false), 0.25);
    EXPECT_DOUBLE_EQ(VoldRamp(16384, 1, 1, false), 0.5);
    EXPECT_DOUBLE_EQ(VoldRamp(16384, 2, 1, false), std::sqrt(0.5));
    EXPECT_NEAR(VoldRamp(16384, 3, 1, false), 0.8409, 1e-4);
    EXPECT_DOUBLE_EQ(VoldRamp(16384, 1, 1.3, false), 0.65);
    EXPECT_DOUBLE_EQ(VoldRamp(30000, 1, 1.3, false), 1.0);  // capped
    EXPECT_DOUBLE_EQ(VoldRamp(0, 1, 1.3, true), 1.0);
    EXPECT_DOUBLE_EQ(VoldRamp(16384, 0, 1, true), 0.75);
    // Runaway loudness still gives a colour.
    EXPECT_DOUBLE_EQ(VoldRamp(INFINITY, 1, 1.3, false), 1.0);
    EXPECT_EQ(VoldColour(RGBColor(0, 0, 0), RGBColor(255, 255, 255), 0.25), RGBColor(63, 63, 63));
    EXPECT_EQ(VoldColour(RGBColor(100, 0, 200), RGBColor(200, 50, 0), 0.5), RGBColor(150, 25, 100));
    EXPECT_EQ(VoldColour(RGBColor(10, 20, 30), RGBColor(200, 50, 0), NAN), RGBColor(0, 0, 0));
}

TEST(VolumeDiagramColour, CombinedStereoMixesTowardsTheLouderSide) {
    TVoldViewProps p;  // background black, both white, left red, right teal
    EXPECT_EQ(VoldStereoColour(p, 0, 0), p.Background);
    EXPECT_EQ(VoldStereoColour(p, 1, 1), RGBColor(255, 255, 255));
    EXPECT_EQ(VoldStereoColour(p, 1, 0), RGBColor(255, 0, 0));
    EXPECT_EQ(VoldStereoColour(p, 0, 0.5), RGBColor(0, 64, 64));
    // b > c: 1 x (white x 0.5 + red x 0.5)
    EXPECT_EQ(VoldStereoColour(p, 1, 0.5), RGBColor(255, 127, 127));
}

class VolumeDiagramPaint : public CoreFixture {
protected:
    std::unique_ptr<Sound> mono(std::vector<int16_t> s, int32_t freq = 44100) {
        auto w = std::make_unique<Wave>(static_cast<int32_t>(s.size()), failed);
        std::copy(s.begin(), s.end(), w->wave);
        return std::make_unique<MonoSound>(std::move(w), freq, 2);
    }
    TVoldPaintArgs args(const Sound& s, int width, int height) {
        TVoldPaintArgs a;
        a.TheSound = &s;
        a.Props = &props;
        a.Map = {0, width, 0, static_cast<double>(s.GetValues())};
        a.Top = 0;
        a.Bottom = height;
        return a;
    }
    static std::vector<int16_t> sine(int count, double hertz, double amplitude, int32_t freq = 44100) {
        std::vector<int16_t> s(count);
        for (int i = 0; i < count; ++i) s[i] = static_cast<int16_t>(amplitude * std::sin(6.2831853 * hertz * i / freq));
        return s;
    }
    bool failed = false;
    TVoldViewProps props;
};

TEST_F(VolumeDiagramPaint, SilencePaintsBackgroundAndInvertedSelectionTheSingleColour) {
    auto s = mono(std::vector<int16_t>(5000, 0));
    ImageCanvas c(100, 60, RGBColor(1, 2, 3));
    TVoldPaintArgs a = args(*s, 100, 60);
    a.SelBegin = 2500;
    a.SelEnd = 1000;  // the moving end before the other
    a.Cursor = 4999;
    PaintVoldView(c, a, 0, 100);
    for (int x = 0; x < 100; ++x) {
        TColor want = x >= 20 && x < 50 ? props.Single : props.Background;
        if (x == 99) want = props.Cursor;
        EXPECT_EQ(c.CountInColumn(x, 0, 60, want), 60) << "column " << x;
    }
}

TEST_F(VolumeDiagramPaint, FullScaleSineLightsItsBandOnly) {
    props.Vertical.SetValue(10);
    // Ten log bands from 20000 Hz down: each resonates at the period it
    // starts with, the third at 20000 / 1000^(2/10) Hz, about 5024 Hz.
    auto s = mono(sine(44100, 5024, 32767));
    ImageCanvas c(50, 100);
    PaintVoldView(c, args(*s, 50, 100), 0, 50);
    int x = 30;
    for (int band = 0; band < 10; ++band) {
        bool full = c.CountInColumn(x, band * 10, band * 10 + 10, props.Single) == 10;
        EXPECT_EQ(full, band == 2) << "band " << band;
    }
    EXPECT_EQ(c.GetPixel(x, 95), props.Background);  // far below: dark
    // Reference and fast paths paint the same picture.
    TVoldPaintArgs ref = args(*s, 50, 100);
    ref.Reference = true;
    ImageCanvas r(50, 100);
    PaintVoldView(r, ref, 0, 50);
    EXPECT_EQ(r.Pixels(), c.Pixels());
}

TEST_F(VolumeDiagramPaint, SplitAndCombinedStereoMatchTheReference) {
    auto l = std::make_unique<Wave>(3001, failed);
    auto r = std::make_unique<Wave>(3001, failed);
    auto ls = sine(3001, 3000, 20000), rs = sine(3001, 300, 12000);
    std::copy(ls.begin(), ls.end(), l->wave);
    std::copy(rs.begin(), rs.end(), r->wave);
    StereoSound s(std::move(l), std::move(r), 22050, 2);
    for (bool two : {true, false}) {
        props.TwoWaves = two;
        props.Vertical.SetValue(40);
        TVoldPaintArgs a = args(s, 77, 61);
        a.SelBegin = 100;
        a.SelEnd = 900;
        ImageCanvas fast(77, 61), ref(77, 61);
        PaintVoldView(fast, a, 0, 77);
        a.Reference = true;
        PaintVoldView(ref, a, 0, 77);
        EXPECT_EQ(fast.Pixels(), ref.Pixels());
        if (!two) {
            // The louder left channel tints the high band red.
            TColor c = fast.GetPixel(60, 10);
            EXPECT_GT(RedOf(c), GreenOf(c));
        }
    }
}

TEST(VolumeDiagramReadout, FrequencyUnderTheMouse) {
    TVoldViewProps p;
    EXPECT_NEAR(VoldFrequencyAt(p, 99, 0, 100, false), 20, 1e-9);
    EXPECT_NEAR(VoldFrequencyAt(p, 0, 0, 100, false), 20000, 1e-6);
    EXPECT_NEAR(VoldFrequencyAt(p, 0, 0, 101, true), 20000, 1e-6);
    EXPECT_NEAR(VoldFrequencyAt(p, 50, 0, 101, true), 20000, 1e-6);  // top of the lower diagram
    p.HorDistribution = 0;
    EXPECT_NEAR(VoldFrequencyAt(p, 50, 0, 101, false), 10010, 1e-6);
    EXPECT_EQ(VoldReadout(1.5, 440), "(1.50000 s, 440 Hz )");
}

class VoldViewPropsTest : public CoreFixture {};

TEST_F(VoldViewPropsTest, DialogChecksInOrderAndKeepsTheRecordOnRefusal) {
    TVoldViewProps p;
    auto read = [&](std::vector<std::pair<int, std::string>> texts) {
        std::vector<TFieldText> t;
        for (auto& [i, text] : texts) {
            unitValue* f[] = {&p.Top, &p.Bottom, &p.Vertical, &p.Width, &p.Strength};
            t.emplace_back(*f[i], text);
        }
        return ReadVoldViewProps(p, t, 44100);
    };
    EXPECT_EQ(read({{0, "100 Hz"}, {1, "10 ms"}}).Error, kVoldTopIsBottom);
    EXPECT_EQ(read({{0, "50 kHz"}}).Error, kVoldTopTooHigh);
    EXPECT_EQ(read({{0, "50 kHz"}, {1, "50 kHz"}}).Error, kVoldTopTooHigh);
    EXPECT_EQ(read({{1, "0 s"}}).Error, kVoldBottomTooHigh);
    EXPECT_EQ(read({{2, "0"}, {0, "1 s"}, {1, "1 s"}}).Error.rfind("In Vertical Resolution: ", 0), 0u);
    EXPECT_EQ(read({{4, "-1"}}).Error.rfind("In Strength: ", 0), 0u);
    EXPECT_EQ(read({{3, "x"}}).Error.rfind("In Frequency Width: ", 0), 0u);
    EXPECT_EQ(p.Top.ToText(), "20000 Hz");
    EXPECT_EQ(p.Bottom.ToText(), "20 Hz");
    EXPECT_EQ(p.Vertical.GetValue(), 50);

    EXPECT_TRUE(read({{0, "10 kHz"}, {1, "50 Hz"}, {2, "30"}, {4, "2"}}).Ok);
    EXPECT_DOUBLE_EQ(p.Top.GetValue(), 0.0001);
    EXPECT_EQ(p.Vertical.GetValue(), 30);
    EXPECT_DOUBLE_EQ(p.Strength.GetValue(), 2);
}

TEST_F(VoldViewPropsTest, OpeningRaisesPeriodsToTwoSamples) {
    TVoldViewProps p;  // Top 20000 Hz is less than two periods of 22050 Hz
    RaiseVoldPeriods(p, 22050);
    EXPECT_DOUBLE_EQ(p.Top.GetValue(), 2.0 / 22050);
    EXPECT_DOUBLE_EQ(p.Bottom.GetValue(), 0.05);
    RaiseVoldPeriods(p, 44100);
    EXPECT_DOUBLE_EQ(p.Top.GetValue(), 2.0 / 22050);
    TVoldViewProps q;
    q.Bottom.SetValue(0);
    RaiseVoldPeriods(q, 8000);
    EXPECT_DOUBLE_EQ(q.Top.GetValue(), 2.0 / 8000);
    EXPECT_DOUBLE_EQ(q.Bottom.GetValue(), 2.0 / 8000);
    EXPECT_EQ(CheckVoldPeriods(q, 8000), kVoldTopIsBottom);
}

}  // namespace
}  // namespace korvane
