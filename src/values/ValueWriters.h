#pragma once

#include <cstdint>
#include <string>

#include "values/StringReader.h"

namespace korvane {

// The texts that edit boxes and the status bar show. Digits beyond the last
// one asked for are cut, not rounded. None of these fail or throw; a value
// that cannot be written (infinite or not a number) is written as "*".

// x with at least minDigBefore digits before the point (zero-padded) and
// between minDigAfter and maxDigAfter digits after it; zeros beyond
// minDigAfter are written only when a non-zero digit follows them.
// WriteNumber(1.05, 1, 0, 9) is "1.05", WriteNumber(5, 3, 0, 0) is "005".
std::string WriteNumber(double x, int minDigBefore, int minDigAfter, int maxDigAfter);

// x with `precisie` significant digits (at least all digits before the
// point); `trim` drops trailing zeros. 123.456 with 4 is "123.4".
std::string WritePrecision(double x, int precisie, bool trim);

// A quantity in the readers' internal form written in `unit`, with its
// suffix: a factor, a phase, a balance, or a time in seconds (a frequency in
// hertz when `frequency` is set). 0.02 s in ucHertz is "50 Hz".
std::string WriteValue(double x, TUnitCode unit, int precisie, bool trim, bool frequency);

// A number as the old variant records held it: a kind and a real. Kinds 0
// (real) and 1 (integer) are written plainly; any other kind with at least
// ten digits, zero-padded.
struct TNumberHolder {
    uint8_t Kind = 0;
    double Value = 0;

    TNumberHolder() = default;
    TNumberHolder(double value) : Kind(0), Value(value) {}
    TNumberHolder(int32_t value) : Kind(1), Value(value) {}
    TNumberHolder(int16_t value) : Kind(1), Value(value) {}
    TNumberHolder(uint8_t kind, double value) : Kind(kind), Value(value) {}
};
std::string WriteNumberHolder(const TNumberHolder& number);

// A duration for the status bar: "2.50000 s", "1:05.25000", "1:02:05.00000".
// From an hour on, minutes are always written (3605 s is "1:00:05.00000").
std::string WriteClockTime(double seconds);

// A short frequency: "50.0 Hz", "440 Hz", "8.00 kHz", "44.1 kHz".
std::string WriteFrequencyShort(double hertz);

// A sample in ucNone (of full scale), ucPercent or ucSampleValue; any other
// unit gives the empty text. 16383 is "0.5", "50 %" or "16383 $".
std::string WriteWaveValue(int16_t sample, TUnitCode unit);

}  // namespace korvane
