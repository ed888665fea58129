#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Sound.h"
#include "platform/Canvas.h"
#include "processing/RecordDefaults.h"
#include "values/FieldList.h"

namespace korvane {

// The settings of the wave view, edited in the "Wave View" dialog. Every
// window keeps its own copy; the main window keeps the default.
struct TWaveViewProps {
    int Draw = 0;          // 0 "Lines", 1 "Points"
    int Distribution = 0;  // 0 "Constant", 1 "Random", 2 "Peaks"
    unitIntegerPosMore ValuesPerPixel = DefaultField<unitIntegerPosMore>("15");
    unitFactorPosMax1 Strength = DefaultField<unitFactorPosMax1>("1.0");
    bool DrawGrid = true;
    TColor Grid = RGBColor(128, 128, 128);
    TColor Background = RGBColor(255, 255, 255);
    TColor SingleWave = RGBColor(0, 0, 0);
    TColor Left = RGBColor(255, 0, 0);
    TColor Right = RGBColor(0, 128, 128);
    bool TwoWaves = true;
    int Combine = 0;  // 0 "Mixed", 1 "Left at Front", 2 "Right at Front"

    TFieldList Fields() { return TFieldList().Add("Values per Pixel", ValuesPerPixel).Add("Strength", Strength); }
};

// Between samples and the pixel columns of the client area. The zoom range
// runs from ZoomBegin to ZoomEnd samples; without zoom it is the whole wave.
struct TWaveMapping {
    int Left = 0;
    int Right = 0;
    double ZoomBegin = 0;
    double ZoomEnd = 0;

    double SampleToPixel(double sample) const;
    double PixelToSample(double x) const;
    double PixelToTime(double x, int32_t freq) const { return PixelToSample(x) / freq; }
    // The column a sample position falls in.
    int PixelOf(double sample) const;
    // The sample under the middle of a column (not clamped).
    int64_t SampleAt(int x) const;
};

// What one paint of the wave view needs.
struct TWavePaintArgs {
    const Sound* TheSound = nullptr;
    const TWaveViewProps* Props = nullptr;
    TWaveMapping Map;
    int Top = 0;
    int Bottom = 0;
    int32_t SelBegin = 0;
    int32_t SelEnd = 0;
    int32_t Cursor = 0;
};

// The samples [first, end) column x covers: those whose position falls into
// it, so that neighbouring columns share none and miss none. A column
// narrower than a sample that holds none of its own shows the sample under
// its middle. Clamped to the wave: empty for a column outside it.
void ColumnSamples(const TWaveMapping& m, int x, int32_t values, int64_t& first, int64_t& end);

// Paints the columns [clipLeft, clipRight) of the wave view: the wave, the
// selection inverted, the grid and the cursor line. With Constant and Random
// the cost depends on the number of columns and the picks per column, never on
// the wave's length. Peaks draws every column from the true minimum and
// maximum of its samples, read from the waves' kept summaries: the first
// paint of a wave builds them in one pass over it, later ones cost a few
// hundred reads a column whatever the zoom.
void PaintWaveView(Canvas& canvas, const TWavePaintArgs& args, int clipLeft, int clipRight);

// The time between two grid lines for this many visible seconds over the
// client width: the next round value (2, 5 or 10 times a power of ten) from
// the seconds of 20 pixels.
double GridStep(double visibleSeconds, int clientWidth);

// The time ruler over the wave view: a tick at every grid step (the rule
// above, for 20 pixels), and a labelled mark at every step of the same rule
// for 80 pixels ("1.5 s", with the decimals that step needs). Columns from
// the mapping's left to its right; times from the zoom range.
struct TRulerMark {
    int X = 0;
    bool Labelled = false;
    std::string Text;
};
std::vector<TRulerMark> RulerMarks(const TWaveMapping& map, int32_t freq);

// Panel 1 of the status bar over the wave view: "(time, value %)".
std::string WaveReadout(double seconds, int y, int clientHeight, bool stereo);

}  // namespace korvane
