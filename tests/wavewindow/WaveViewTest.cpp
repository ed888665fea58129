#include <gtest/gtest.h>

#include "TestSupport.h"
#include "wavewindow/WaveSelect.h"
#include "wavewindow/WaveView.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

TWaveMapping mapping(int width, double begin, double end) {
    TWaveMapping m;
    m.Left = 0;
    m.Right = width;
    m.ZoomBegin = begin;
    m.ZoomEnd = end;
    return m;
}

TEST(WaveMapping, PixelsAndSamplesMapBothWaysThroughTheColumnMiddle) {
    TWaveMapping m = mapping(100, 0, 1000);
    EXPECT_DOUBLE_EQ(m.SampleToPixel(500), 50);
    EXPECT_DOUBLE_EQ(m.PixelToSample(0), 5);
    EXPECT_EQ(m.SampleAt(10), 105);
    EXPECT_DOUBLE_EQ(m.PixelToTime(0, 1000), 0.005);
    TWaveMapping z = mapping(100, 250, 500);
    EXPECT_EQ(z.PixelOf(250), 0);
    EXPECT_EQ(z.PixelOf(499), 99);
}

TEST(WaveGrid, StepIsTheRoundValueFromTwentyPixels) {
    EXPECT_DOUBLE_EQ(GridStep(20, 800), 0.5);  // 0.5 s per 20 pixels
    EXPECT_NEAR(GridStep(1, 800), 0.02, 1e-12);   // 0.025: first digit 2 -> 2 x 10^-2
    EXPECT_NEAR(GridStep(2, 800), 0.05, 1e-12);   // 0.05: first digit 5 -> 5 x 10^-2
    EXPECT_NEAR(GridStep(3.2, 800), 0.1, 1e-12);  // 0.08: first digit 8 -> 10 x 10^-2
    EXPECT_NEAR(GridStep(0.6, 800), 0.02, 1e-12); // 0.015 -> 2 x 10^-2
    EXPECT_EQ(GridStep(0, 800), 0);
}

TEST(ZoomBar, RangeAndPositionGiveBackTheZoomRange) {
    TZoomBar bar = ZoomBarFor(250, 500, 1000, 100);
    EXPECT_EQ(bar.Range, 400);
    EXPECT_EQ(bar.Position, 100);
    EXPECT_EQ(bar.PageStep, 10);
    double b, e;
    ZoomFromBar(bar.Position, bar.Range, 1000, 100, b, e);
    EXPECT_DOUBLE_EQ(b, 250);
    EXPECT_DOUBLE_EQ(e, 500);
    // An hour of samples zoomed to a handful stays within a platform scroll bar.
    TZoomBar deep = ZoomBarFor(1000, 1010, 158760000, 1600);
    EXPECT_LE(deep.Range, int64_t(1) << 30);
    ZoomFromBar(deep.Position, deep.Range, 158760000, 1600, b, e);
    EXPECT_NEAR(b, 1000, 200);
    EXPECT_GT(e, b);
}

class KeySelectionTest : public ::testing::Test {
protected:
    TWaveMapping m = mapping(100, 0, 1000);  // ten samples a pixel
    TSelectionEnds sel;
    void select(int32_t cursor, int32_t anchor) { sel = {cursor, anchor}; }
    void key(TSelKey k, bool shift = false, bool ctrl = false) { KeySelection(sel, k, shift, ctrl, 1000, m); }
};

TEST_F(KeySelectionTest, PlainArrowsMoveBothEndsByPixels) {
    select(500, 300);
    key(TSelKey::Right);
    EXPECT_EQ(sel.Cursor, 515);
    EXPECT_EQ(sel.Anchor, 515);
    key(TSelKey::Up);  // ten pixels to the left
    EXPECT_EQ(sel.Cursor, 415);
    key(TSelKey::End);
    EXPECT_EQ(sel.Cursor, 1000);
    EXPECT_EQ(sel.Anchor, 1000);
}

TEST_F(KeySelectionTest, ShiftMovesTheCursorAndCtrlTheAnchor) {
    select(500, 300);
    key(TSelKey::Down, true);
    EXPECT_EQ(sel.Cursor, 605);
    EXPECT_EQ(sel.Anchor, 300);
    key(TSelKey::Left, false, true);
    EXPECT_EQ(sel.Anchor, 295);
    key(TSelKey::Home, true);
    EXPECT_EQ(sel.Cursor, 0);
    EXPECT_EQ(sel.Anchor, 295);
    key(TSelKey::End, false, true);
    EXPECT_EQ(sel.Anchor, 1000);
}

TEST_F(KeySelectionTest, PagesMoveTheSelectionByItsLengthWithCtrlOnly) {
    select(150, 100);
    key(TSelKey::PageDown, false, true);
    EXPECT_EQ(sel.Cursor, 200);
    EXPECT_EQ(sel.Anchor, 150);
    key(TSelKey::PageUp, false, true);
    key(TSelKey::PageUp, false, true);
    EXPECT_EQ(sel.Cursor, 100);
    EXPECT_EQ(sel.Anchor, 50);
    EXPECT_FALSE(KeySelection(sel, TSelKey::PageDown, false, false, 1000, m));
    EXPECT_FALSE(KeySelection(sel, TSelKey::PageDown, true, true, 1000, m));
    // Never past the end: the selection stops at the last position.
    select(990, 900);
    key(TSelKey::PageDown, false, true);
    EXPECT_EQ(sel.Cursor, 1000);
    EXPECT_EQ(sel.Anchor, 910);
}

TEST_F(KeySelectionTest, CtrlShiftHomeAndEndMoveTheWholeSelection) {
    select(400, 300);
    key(TSelKey::Home, true, true);
    EXPECT_EQ(sel.Cursor, 100);
    EXPECT_EQ(sel.Anchor, 0);
    key(TSelKey::End, true, true);
    EXPECT_EQ(sel.Cursor, 1000);
    EXPECT_EQ(sel.Anchor, 900);
}

TEST_F(KeySelectionTest, FarZoomedInAnArrowStillMovesOneSample) {
    m = mapping(800, 0, 10);  // eighty pixels a sample
    select(5, 5);
    key(TSelKey::Right);
    EXPECT_EQ(sel.Cursor, 6);
}

TEST(MouseSelection, ClicksFollowTheModifierRules) {
    TWaveMapping m = mapping(1000, 0, 1000);  // one sample a pixel
    TSelectionEnds sel{200, 100};
    ASSERT_TRUE(MouseDownSelection(sel, 120, false, true, 1000, m));
    EXPECT_EQ(std::min(sel.Cursor, sel.Anchor), 100);
    EXPECT_EQ(std::max(sel.Cursor, sel.Anchor), 120);
    sel = {200, 100};
    MouseDownSelection(sel, 250, false, true, 1000, m);
    EXPECT_EQ(sel.Anchor, 200);
    EXPECT_EQ(sel.Cursor, 250);
    sel = {200, 100};
    MouseDownSelection(sel, 50, true, false, 1000, m);
    EXPECT_EQ(sel.Anchor, 100);
    EXPECT_EQ(sel.Cursor, 50);
    MouseDownSelection(sel, 5000, false, false, 1000, m);
    EXPECT_EQ(sel.Cursor, 999);
    EXPECT_EQ(sel.Anchor, 999);
    // A one-sample wave cannot be selected in.
    TSelectionEnds one{0, 0};
    EXPECT_FALSE(MouseDownSelection(one, 0, false, false, 1, mapping(100, 0, 1)));
    EXPECT_EQ(DragCursor(-40, 1000, m), 0);
    EXPECT_EQ(DragCursor(4000, 1000, m), 999);
}

TEST(SelZoomDialog, TimesBecomeSamplesAndWrongOnesGiveOneMessage) {
    TSelZoomInput in;
    in.CursorAt = "0.5 s";
    TSelZoomResult r = ReadSelZoom(in, 1000, 1000);
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.SelBegin, 500);
    EXPECT_EQ(r.SelEnd, 500);
    in.CursorAt = "2 s";
    EXPECT_EQ(ReadSelZoom(in, 1000, 1000).Error, "In Selected Cursor: Must be prior before the end of the wave.");
    in.Part = true;
    in.PartBegin = "0.6 s";
    in.PartEnd = "0.4 s";
    EXPECT_EQ(ReadSelZoom(in, 1000, 1000).Error, "Part Begin must be prior before Part End.");
    in.PartEnd = "1.5 s";
    EXPECT_EQ(ReadSelZoom(in, 1000, 1000).Error, "In Part End: Must be prior before the end of the wave.");
    in.PartEnd = "900 ms";
    in.Zoomed = true;
    in.ZoomBegin = "0.2 s";
    in.ZoomEnd = "0.1 s";
    EXPECT_EQ(ReadSelZoom(in, 1000, 1000).Error, "Zoom Begin must be prior before Zoom End.");
    in.ZoomEnd = "0.8 s";
    r = ReadSelZoom(in, 1000, 1000);
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.SelBegin, 600);
    EXPECT_EQ(r.SelEnd, 900);
    EXPECT_EQ(r.ZoomBegin, 200);
    EXPECT_EQ(r.ZoomEnd, 800);
    in.PartBegin = "x";
    EXPECT_EQ(ReadSelZoom(in, 1000, 1000).Error.rfind("In Part Begin: ", 0), 0u);
}

TEST(WaveReadoutText, ValueFollowsTheHalfOfAStereoView) {
    EXPECT_EQ(WaveReadout(0.5, 0, 101, false), "(0.50000 s, 100.00 %)");
    EXPECT_EQ(WaveReadout(0.5, 50, 101, false), "(0.50000 s, 0.00 %)");
    EXPECT_EQ(WaveReadout(0.5, 75, 101, true), "(0.50000 s, 0.00 %)");  // middle of the lower half
    EXPECT_EQ(WaveReadout(0.5, 25, 101, true), "(0.50000 s, 0.00 %)");
}

// Painting on an image: columns, inversion, cursor line and grid.
class WavePaintTest : public CoreFixture {
protected:
    TWaveViewProps props;
    const TColor white = RGBColor(255, 255, 255), black = RGBColor(0, 0, 0), grey = RGBColor(128, 128, 128);

    TWavePaintArgs args(const Sound& s, int width, int height) {
        TWavePaintArgs a;
        a.TheSound = &s;
        a.Props = &props;
        a.Map = mapping(width, 0, s.GetValues());
        a.Top = 0;
        a.Bottom = height;
        return a;
    }
};

TEST_F(WavePaintTest, AConstantWaveIsOneShortLineAColumnAtItsHeight) {
    props.DrawGrid = false;
    MonoSound s(makeWave(std::vector<int>(1000, 16384)), 1000, 2);
    ImageCanvas c(100, 64);
    TWavePaintArgs a = args(s, 100, 64);
    a.Cursor = 999;
    PaintWaveView(c, a, 0, 100);
    // y = 16384 * (-64 / 65536) + 32 = 16: the line runs from 15 to 16 (end excluded).
    EXPECT_EQ(c.GetPixel(10, 15), black);
    EXPECT_EQ(c.GetPixel(10, 16), white);
    EXPECT_EQ(c.CountInColumn(10, 0, 64, black), 1);
    // The cursor at the last sample stands in the last column, in the grid colour.
    EXPECT_EQ(c.CountInColumn(99, 0, 64, grey), 64);
}

TEST_F(WavePaintTest, TheSelectionIsPaintedInvertedAndTheCursorOverIt) {
    props.DrawGrid = false;
    MonoSound s(makeWave(std::vector<int>(1000, 0)), 1000, 2);
    ImageCanvas c(100, 64);
    TWavePaintArgs a = args(s, 100, 64);
    a.SelBegin = 200;
    a.SelEnd = 400;
    a.Cursor = 400;
    PaintWaveView(c, a, 0, 100);
    EXPECT_EQ(c.GetPixel(19, 0), white);
    EXPECT_EQ(c.GetPixel(20, 0), black);
    EXPECT_EQ(c.GetPixel(39, 0), black);
    EXPECT_EQ(c.GetPixel(20, 31), white);  // the wave in the background colour
    EXPECT_EQ(c.CountInColumn(40, 0, 64, grey), 64);
    EXPECT_EQ(c.GetPixel(41, 0), white);
}

TEST_F(WavePaintTest, AnEmptyWaveIsOnlyBackground) {
    props.Background = RGBColor(1, 2, 3);
    MonoSound s(1000, 2);
    ImageCanvas c(50, 20, black);
    PaintWaveView(c, args(s, 50, 20), 0, 50);
    for (TColor p : c.Pixels()) ASSERT_EQ(p, RGBColor(1, 2, 3));
}

TEST_F(WavePaintTest, GridLinesFallOnTheRoundTimes) {
    MonoSound s(makeWave(std::vector<int>(20000, 0)), 1000, 2);  // 20 s
    ImageCanvas c(800, 40);
    PaintWaveView(c, args(s, 800, 40), 0, 800);
    // 0.5 s steps over 800 pixels: a line every 20 columns (column 0 holds the cursor).
    int lines = 0;
    for (int x = 1; x < 800; ++x)
        if (c.CountInColumn(x, 0, 40, grey) == 40) ++lines;
    EXPECT_EQ(lines, 39);
    EXPECT_EQ(c.CountInColumn(20, 0, 40, grey), 40);
    EXPECT_NE(c.CountInColumn(21, 0, 40, grey), 40);
}

TEST_F(WavePaintTest, StereoIsSplitOrCombinedWithTheOverlapInTheSingleColour) {
    props.DrawGrid = false;
    StereoSound s(makeWave(std::vector<int>(1000, 16384)), makeWave(std::vector<int>(1000, 16384)), 1000, 2);
    ImageCanvas split(100, 64);
    PaintWaveView(split, args(s, 100, 64), 0, 100);
    // Two bands of 32: each line one pixel, at 16384 * (-32 / 65536) + band middle.
    EXPECT_EQ(split.GetPixel(10, 7), black);
    EXPECT_EQ(split.GetPixel(10, 39), black);
    EXPECT_EQ(split.CountInColumn(10, 0, 64, black), 2);

    props.TwoWaves = false;
    ImageCanvas mixed(100, 64);
    PaintWaveView(mixed, args(s, 100, 64), 0, 100);
    EXPECT_EQ(mixed.GetPixel(10, 15), black);  // equal channels overlap entirely
    props.Combine = 1;                          // left at front, no overlap colour
    ImageCanvas front(100, 64);
    PaintWaveView(front, args(s, 100, 64), 0, 100);
    EXPECT_EQ(front.GetPixel(10, 15), props.Left);
}

TEST_F(WavePaintTest, PointsBlendWithTheStrength) {
    props.DrawGrid = false;
    props.Draw = 1;
    std::string message;
    ASSERT_TRUE(props.Strength.FromText("0.5", "Strength", message));
    // One pick a column, so each pixel is blended once.
    ASSERT_TRUE(props.ValuesPerPixel.FromText("1", "Values per Pixel", message));
    MonoSound s(makeWave(std::vector<int>(1000, 16384)), 1000, 2);
    ImageCanvas c(100, 64);
    PaintWaveView(c, args(s, 100, 64), 0, 100);
    EXPECT_EQ(c.GetPixel(10, 16), RGBColor(127, 127, 127));
}

TEST_F(WavePaintTest, RandomPicksStayInsideTheWave) {
    props.Distribution = 1;
    MonoSound s(makeWave(std::vector<int>(37, 30000)), 1000, 2);
    ImageCanvas c(300, 64);
    TWavePaintArgs a = args(s, 300, 64);
    PaintWaveView(c, a, 0, 300);
    // Every column holds the one value of the wave, whichever samples were picked.
    for (int x = 1; x < 290; x += 37) EXPECT_EQ(c.GetPixel(x, 1), black) << x;
}

}  // namespace
