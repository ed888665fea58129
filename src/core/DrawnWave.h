#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "core/Wave.h"

namespace korvane {

// A point the user placed while drawing a wave by hand, in window pixels.
struct DrawnPoint {
    double x = 0;
    double y = 0;
};

enum DrawnWaveMode { drawnWaveLinear = 0, drawnWaveSmooth = 1 };

// One second (`freq` samples) of the curve through `points`, which are
// ordered by x: the rectangle's left to right spans the second, its top is
// 32767 and its bottom -32767. Between two points the curve is straight
// (mode 0) or a cubic with zero slope at both points (mode 1); any other
// mode breaks a contract. With fewer than two points nothing is drawn and
// the result is null with the flag untouched. The points must reach `right`.
std::unique_ptr<Wave> drawnWave(bool& failed, std::span<const DrawnPoint> points, double left, double top, double right,
                                double bottom, int mode, int32_t freq);

}  // namespace korvane
