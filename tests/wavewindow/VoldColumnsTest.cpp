#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "TestSupport.h"
#include "wavewindow/VoldColumns.h"

namespace korvane {
namespace {

using testing::CoreFixture;

TEST(VoldColumnEvents, SteppingFromColumnToColumnGivesTheAccumulatorsColumns) {
    // Counts and widths around powers of two make the accumulator's steps
    // exact halves of its last digit, where its rounding depends on the digit.
    const int64_t counts[] = {1, 2, 3, 7, 1000, 1023, 1024, 1025, 65536, 99991, 1 << 20, 1600 * 640, 2646001};
    const int columns[] = {1, 2, 3, 5, 17, 800, 1024, 1600, 4999, 16384};
    for (int64_t count : counts)
        for (int c : columns)
            ASSERT_EQ(VoldColumnEvents(count, c), VoldColumnEventsReference(count, c))
                << count << " samples over " << c << " columns";
    std::mt19937 rng(5);
    for (int i = 0; i < 40; ++i) {
        int64_t count = std::uniform_int_distribution<int64_t>(1, 3'000'000)(rng);
        int c = std::uniform_int_distribution<int>(1, 3000)(rng);
        ASSERT_EQ(VoldColumnEvents(count, c), VoldColumnEventsReference(count, c)) << count << " " << c;
    }
    EXPECT_TRUE(VoldColumnEvents(0, 5).empty());
    EXPECT_TRUE(VoldColumnEvents(5, 0).empty());
}

std::shared_ptr<Sound> randomStereo(std::mt19937& rng, int32_t values) {
    bool failed = false;
    std::uniform_int_distribution<int> d(-32768, 32767);
    auto l = std::make_unique<Wave>(values, failed), r = std::make_unique<Wave>(values, failed);
    for (int32_t i = 0; i < values; ++i) {
        l->wave[i] = static_cast<int16_t>(d(rng));
        r->wave[i] = static_cast<int16_t>(d(rng) / 3);
    }
    return std::make_shared<StereoSound>(std::move(l), std::move(r), 22050, 2);
}

// The layout of a view of the whole sound, `width` x `height`.
TVoldLayout layoutOf(const Sound& s, const TVoldViewProps& props, int width, int height) {
    TVoldPaintArgs a;
    a.TheSound = &s;
    a.Props = &props;
    a.Map = {0, width, 0, static_cast<double>(s.GetValues())};
    a.Bottom = height;
    return VoldLayoutOf(a);
}

// The columns of every track equal the reference's, bit for bit, as far as
// they are ready.
void expectReference(const TVoldComputation& run, const Sound& s) {
    const TVoldLayout& layout = run.Layout();
    for (size_t t = 0; t < layout.Tracks.size(); ++t) {
        TVoldColumns ref;
        VoldColumnsReference(layout.Tracks[t].Bands, s.Channel(layout.Tracks[t].Channel).wave + layout.First,
                             layout.Count, layout.Columns, ref);
        ASSERT_EQ(ref.Column.size(), run.Events().size());
        for (size_t e = 0; e < run.Ready(); ++e) {
            ASSERT_EQ(ref.Column[e], run.Events()[e].column);
            ASSERT_EQ(std::memcmp(ref.Row(e), run.Row(t, e), ref.Bands * sizeof(float)), 0)
                << "track " << t << " column " << e;
        }
    }
}

TEST(VoldComputation, AnEditedSoundKeepsTheColumnsBeforeTheChangeAndGoesOnFromThere) {
    std::mt19937 rng(3);
    auto before = randomStereo(rng, 60011);
    TVoldViewProps props;
    props.Vertical.SetValue(23);
    for (bool two : {true, false}) {
        props.TwoWaves = two;
        TVoldLayout layout = layoutOf(*before, props, 203, 61);
        TVoldComputation first(before, layout, 2);
        first.Run();
        ASSERT_TRUE(first.Done());
        const double all = TVoldComputation(before, layout, 2).Work();

        // The right channel changes from sample 41000 on.
        bool failed = false;
        auto after = std::make_shared<StereoSound>(Wave::copy(failed, before->Channel(0)),
                                                   Wave::copy(failed, before->Channel(1)), 22050, 2);
        for (int32_t i = 41000; i < after->GetValues(); ++i) after->Channel(1).wave[i] ^= 0x55;
        TVoldComputation second(after, layout, 2);
        second.TakeOver(first);
        // Only the columns from the change on are left to do.
        EXPECT_NEAR(second.Work() / all, (60011.0 - 41000) / 60011, 0.02);
        EXPECT_GT(second.Ready(), 0u);
        second.Run();
        expectReference(second, *after);

        // Taking over from work cancelled half way goes on from its last column.
        TVoldComputation cancelled(after, layout, 2);
        cancelled.Start();
        cancelled.Cancel();
        expectReference(cancelled, *after);
        TVoldComputation resumed(after, layout, 1);
        resumed.TakeOver(cancelled);
        resumed.Run();
        expectReference(resumed, *after);

        // Another layout takes nothing over.
        props.Vertical.SetValue(22);
        TVoldComputation other(after, layoutOf(*after, props, 203, 61), 2);
        other.TakeOver(second);
        EXPECT_EQ(other.Ready(), 0u);
        props.Vertical.SetValue(23);
    }
}

// Runs cut in time, on sounds cut into parts of a few thousand samples.
class VoldCutInTime : public ::testing::Test {
protected:
    void SetUp() override { vold_testing::setShortestTimePart(2000); }
    void TearDown() override { vold_testing::setShortestTimePart(0); }
};

// Loud stretches between silences, so that a part often starts while the
// resonators still ring and its first columns, found from rest, are wrong.
std::shared_ptr<Sound> burstsStereo(std::mt19937& rng, int32_t values) {
    bool failed = false;
    std::uniform_int_distribution<int> d(-32768, 32767);
    auto l = std::make_unique<Wave>(values, failed), r = std::make_unique<Wave>(values, failed);
    for (int32_t i = 0; i < values; ++i) {
        const bool loud = (i / 2500) % 3 == 0;
        l->wave[i] = static_cast<int16_t>(loud ? d(rng) : 0);
        r->wave[i] = static_cast<int16_t>(loud ? static_cast<int>(20000 * std::sin(i * 0.05)) : 0);
    }
    return std::make_shared<StereoSound>(std::move(l), std::move(r), 22050, 2);
}

TEST_F(VoldCutInTime, EveryColumnIsTheReferencesWhateverTheThreadsAndVectors) {
    std::mt19937 rng(11);
    const std::shared_ptr<Sound> sounds[] = {randomStereo(rng, 24007), burstsStereo(rng, 24007)};
    TVoldViewProps props;
    for (const auto& sound : sounds) {
        for (int vertical : {23, 5}) {  // lanes that fill one vector, or a few in a narrow one
            props.Vertical.SetValue(vertical);
            for (bool two : {true, false}) {
                props.TwoWaves = two;
                for (int threads : {2, 3, 4}) {
                    for (int width : {4, 8, 16}) {
                        SCOPED_TRACE(::testing::Message() << "vertical " << vertical << " two " << two << " threads "
                                                          << threads << " width " << width);
                        TVoldComputation run(sound, layoutOf(*sound, props, 157, 61), threads, width);
                        run.Run();
                        ASSERT_TRUE(run.Done());
                        expectReference(run, *sound);
                    }
                }
            }
        }
    }
}

TEST_F(VoldCutInTime, GoesOnFromColumnsTakenOverAndKeepsOnlyExactOnesWhenCancelled) {
    std::mt19937 rng(12);
    auto sound = burstsStereo(rng, 50021);
    TVoldViewProps props;
    props.Vertical.SetValue(23);
    TVoldLayout layout = layoutOf(*sound, props, 211, 61);

    TVoldComputation cancelled(sound, layout, 2);
    cancelled.Cancel();
    cancelled.Run();
    EXPECT_FALSE(cancelled.Done());
    expectReference(cancelled, *sound);

    // A sound changed from sample 15000 on keeps the columns before the
    // change from a run in lanes and goes on from them cut in time.
    TVoldComputation before(sound, layout, 1);
    before.Run();
    bool failed = false;
    auto after = std::make_shared<StereoSound>(Wave::copy(failed, sound->Channel(0)),
                                               Wave::copy(failed, sound->Channel(1)), 22050, 2);
    for (int32_t i = 15000; i < after->GetValues(); ++i) after->Channel(0).wave[i] ^= 0x1234;
    TVoldComputation rest(after, layout, 2);
    rest.TakeOver(before);
    ASSERT_GT(rest.Ready(), 0u);
    ASSERT_LT(rest.Ready(), rest.Events().size() / 2);
    rest.Run();
    ASSERT_TRUE(rest.Done());
    expectReference(rest, *after);
}

class VoldDiagramTest : public CoreFixture {
protected:
    TVoldPaintArgs view(const Sound& s, int width, int height) {
        TVoldPaintArgs a;
        a.TheSound = &s;
        a.Props = &props;
        a.Map = {0, width, 0, static_cast<double>(s.GetValues())};
        a.Bottom = height;
        return a;
    }
    TVoldViewProps props;
};

TEST_F(VoldDiagramTest, KeepsItsColumnsUntilTheViewsColumnsChange) {
    std::mt19937 rng(9);
    std::shared_ptr<const Sound> s = randomStereo(rng, 20000);
    TVoldDiagram diagram(2);
    diagram.Update(s, view(*s, 120, 200));
    const TVoldComputation* kept = diagram.Current();
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(kept->Done());  // a short wave is computed at once
    // Painting settings, the selection and a height that keeps the bands
    // change nothing of the columns.
    props.Single = RGBColor(1, 2, 3);
    props.Strength.SetValue(3);
    props.Sensitivity = 3;
    TVoldPaintArgs a = view(*s, 120, 240);
    a.SelBegin = 100;
    a.SelEnd = 900;
    diagram.Update(s, a);
    EXPECT_EQ(diagram.Current(), kept);
    // So do split and combined diagrams with the same bands.
    props.TwoWaves = false;
    diagram.Update(s, a);
    EXPECT_EQ(diagram.Current(), kept);
    // The bands' settings, the width and a zoom do.
    props.Top.SetValue(0.0002);
    diagram.Update(s, a);
    EXPECT_NE(diagram.Current(), kept);
    kept = diagram.Current();
    diagram.Update(s, view(*s, 121, 240));
    EXPECT_NE(diagram.Current(), kept);
    kept = diagram.Current();
    a = view(*s, 121, 240);
    a.Map.ZoomBegin = 10;
    diagram.Update(s, a);
    EXPECT_NE(diagram.Current(), kept);
    expectReference(*diagram.Current(), *s);
}

// Pixels of a diagram painted from a computation stopped at any point: the
// ready columns as the reference paints them, the others silence.
TEST_F(VoldDiagramTest, PartlyComputedColumnsPaintAsFarAsTheyAreReady) {
    std::mt19937 rng(4);
    std::shared_ptr<const Sound> s = randomStereo(rng, 400000);
    TVoldPaintArgs a = view(*s, 150, 90);
    a.SelBegin = 50000;
    a.SelEnd = 90000;
    a.Cursor = 90000;
    TVoldComputation run(s, VoldLayoutOf(a), 2);
    run.Start();
    // However far it got: the columns it has are right.
    run.Cancel();
    size_t ready = run.Ready();
    ImageCanvas partly(150, 90), whole(150, 90);
    PaintVoldColumns(partly, a, &run, nullptr, 0, 150);
    a.Reference = true;
    PaintVoldView(whole, a, 0, 150);
    int readyTo = ready == 0 ? 0 : run.Events()[ready - 1].column + 1;
    const int cursor = a.Map.PixelOf(a.Cursor);
    for (int x = 0; x < 150; ++x) {
        if (x == cursor) continue;
        for (int y = 0; y < 90; ++y) {
            bool selected = x >= a.Map.PixelOf(a.SelBegin) && x < a.Map.PixelOf(a.SelEnd);
            TColor want = x < readyTo ? whole.GetPixel(x, y) : selected ? props.Single : props.Background;
            ASSERT_EQ(partly.GetPixel(x, y), want) << x << "," << y << " of " << readyTo << " ready";
        }
    }
}

TEST_F(VoldDiagramTest, FastAndReferencePaintTheSamePixelsOnAwkwardViews) {
    std::mt19937 rng(17);
    struct Case {
        int values, width, height, vertical;
        double zoomBegin, zoomEnd;  // 0, 0: the whole wave
        int selBegin, selEnd;
        bool stereo, two;
    };
    const Case cases[] = {
        {1, 1, 1, 50, 0, 0, 0, 0, false, true},
        {7, 13, 3, 50, 0, 0, 2, 5, true, true},
        {999, 1, 61, 61, 0, 0, 0, 0, true, false},
        {4099, 97, 2, 50, 0, 0, 10, 4000, true, true},
        {30011, 333, 101, 17, 123.5, 20000.25, 500, 9000, true, true},
        {30011, 1000, 77, 40, 0, 0, 29000, 100, false, true},
        {65536, 1024, 64, 64, 0, 0, 0, 65536, true, false},
        {100003, 7, 400, 50, 0, 0, 3, 99999, true, true},
    };
    for (const Case& c : cases) {
        bool failed = false;
        std::uniform_int_distribution<int> d(-32768, 32767);
        auto l = std::make_unique<Wave>(c.values, failed), r = std::make_unique<Wave>(c.values, failed);
        for (int i = 0; i < c.values; ++i) {
            l->wave[i] = static_cast<int16_t>(d(rng));
            r->wave[i] = static_cast<int16_t>(d(rng) / 5);
        }
        std::unique_ptr<Sound> s;
        if (c.stereo)
            s = std::make_unique<StereoSound>(std::move(l), std::move(r), 44100, 2);
        else
            s = std::make_unique<MonoSound>(std::move(l), 44100, 2);
        props.Vertical.SetValue(c.vertical);
        props.TwoWaves = c.two;
        props.Sensitivity = c.values % 4;
        TVoldPaintArgs a = view(*s, c.width, c.height);
        if (c.zoomEnd > 0) a.Map = {0, c.width, c.zoomBegin, c.zoomEnd};
        a.SelBegin = c.selBegin;
        a.SelEnd = c.selEnd;
        a.Cursor = c.selEnd;
        for (int threads : {1, 2}) {
            a.Threads = threads;
            a.Reference = false;
            ImageCanvas fast(c.width, c.height), ref(c.width, c.height);
            PaintVoldView(fast, a, 0, c.width);
            a.Reference = true;
            PaintVoldView(ref, a, 0, c.width);
            ASSERT_EQ(fast.Pixels(), ref.Pixels()) << c.values << " samples, " << c.width << " x " << c.height;
            // A strip painted alone looks as it does in the whole picture.
            ImageCanvas strip = ref;
            strip.FillRect(c.width / 3, 0, c.width / 2 + 1, c.height, RGBColor(9, 9, 9));
            a.Reference = false;
            PaintVoldView(strip, a, c.width / 3, c.width / 2 + 1);
            ASSERT_EQ(strip.Pixels(), ref.Pixels()) << c.values << " samples, strip of " << c.width;
        }
    }
}

}  // namespace
}  // namespace korvane
