#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Sound.h"
#include "platform/Canvas.h"
#include "wavewindow/VoldViewProps.h"
#include "wavewindow/WaveView.h"

namespace korvane {

// The resonators of one diagram: per band (band 0 is the top row) the
// coefficient F and the damping D, in single precision.
struct TVoldBands {
    int N = 0;
    std::vector<float> F;
    std::vector<float> D;
};

// The bands for a diagram `height` pixels high: the smaller of Vertical and
// the height, none for a height of zero.
TVoldBands VoldBands(const TVoldViewProps& props, int32_t sampleFreq, int height);

// The loudest value of every band in every painted pixel column of one
// channel. Columns are counted from the first column of the painted range; a
// range with more columns than samples leaves some out.
struct TVoldColumns {
    int Bands = 0;
    std::vector<int> Column;  // the painted columns, in order
    std::vector<float> Max;   // Column.size() rows of Bands values
    const float* Row(size_t i) const { return Max.data() + i * Bands; }
};

// Reference: the resonators run one band after the other for every sample,
// exactly as the diagram is defined. Kept as the yardstick of the fast path.
void VoldColumnsReference(const TVoldBands& bands, const int16_t* samples, int64_t count, int columns,
                          TVoldColumns& out);

// The same result bit for bit, bands (of both channels) side by side in
// vector registers and spread over the processor's cores (TVoldComputation).
// `threads` 0 means as many as the machine has; `vectorWidth` 0 picks the
// widest the processor offers, 4, 8 or 16 ask for one (a width the processor
// lacks falls back to a narrower one).
void VoldColumnsFast(const TVoldBands& bands, const std::vector<const int16_t*>& channels, int64_t count, int columns,
                     std::vector<TVoldColumns>& out, int threads = 0, int vectorWidth = 0);

// Loudness to colour ramp position: sensitivity curve, Strength, the cap at
// 1 and, inside the selection, the inversion.
double VoldRamp(float loudest, int sensitivity, double strength, bool inverted);
// background x (1 - r) + single x r per component.
TColor VoldColour(TColor background, TColor single, double r);
// The combined stereo colour of a left ramp b and a right ramp c.
TColor VoldStereoColour(const TVoldViewProps& props, double b, double c);

// What one paint of the diagram needs; the mapping is the window's.
struct TVoldPaintArgs {
    const Sound* TheSound = nullptr;
    const TVoldViewProps* Props = nullptr;
    TWaveMapping Map;
    int Top = 0;
    int Bottom = 0;
    int32_t SelBegin = 0;
    int32_t SelEnd = 0;
    int32_t Cursor = 0;
    bool Reference = false;  // use the reference computation (tests, benchmark)
    int Threads = 0;
};

// Paints the columns [clipLeft, clipRight) as the window does: the parts
// outside the selection normally, the selection inverted, then the cursor
// line in the cursor colour. The columns are those of the whole view (from
// Map.Left to Map.Right), the resonators starting from rest at the view's
// first sample, so a strip looks the same whether painted alone or with the
// rest; the window keeps them (TVoldDiagram) rather than computing them per
// paint.
void PaintVoldView(Canvas& canvas, const TVoldPaintArgs& args, int clipLeft, int clipRight);

// The frequency shown for row y of the client area.
double VoldFrequencyAt(const TVoldViewProps& props, int y, int clientTop, int clientBottom, bool split);
// Panel 1 of the status bar over the diagram: "(time, frequency )".
std::string VoldReadout(double seconds, double hertz);

}  // namespace korvane
