#pragma once

#include <cstdint>

namespace korvane {

// The fixed measures of the score layout, the same on every canvas.

// The column an accidental takes before its head: 15 double cross, 13
// cross, 10 natural, 12 mol, 24 double mol; 0 for none.
int AccidentalWidth(uint8_t noteShiftKind);
// The width of a silence: 22 for whole and half, 18 quarter, 20 eighth,
// 23 sixteenth, 26 thirty-second, 29 sixty-fourth, 4 more per point.
int SilenceWidth(int lengthKind, int points);
// 0 for a whole ... 6 for a sixty-fourth.
int LengthIndex(int lengthKind);

// Tuplet numbers, octave marks and time signatures are set in this family
// (the platform substitutes its serif when it lacks the font).
inline constexpr const char* kSerifFamily = "Times New Roman";

}  // namespace korvane
