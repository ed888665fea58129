#pragma once

#include <cstdint>

namespace korvane {

// to[k] = toSample(to[k] + from[k] * factor) for k in [0, n): the addition of
// a scaled sound into another, the same for every factor as sample by sample.
void addScaledSamples(int16_t* to, const int16_t* from, int64_t n, double factor);

}  // namespace korvane
