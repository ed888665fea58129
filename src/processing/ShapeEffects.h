#pragma once

#include <cstdint>
#include <memory>

#include "core/Sound.h"
#include "core/Wave.h"

namespace korvane {

// Effects that reshape the samples of a range without changing its length:
// reverse, block quantisation, rotation and distortion by a transfer wave.
// Wave operations return a new wave whose samples outside [begin, end) are
// the input's; a set failure flag gives null.

std::unique_ptr<Wave> reverse(const Wave& wave, bool& failed, int32_t begin, int32_t end);
// Blocks of `length` samples (below 1 counts as 1) take their mean, then,
// with levels > 1, the nearest of `levels` values spread evenly over the
// sample range; levels 1 silences the range, 0 leaves the means.
std::unique_ptr<Wave> blockQuantize(const Wave& wave, bool& failed, double length, int32_t levels, int32_t begin,
                                    int32_t end);
// The range turned left by leftShift samples (0 .. range length).
std::unique_ptr<Wave> rotateLeft(const Wave& wave, bool& failed, int32_t leftShift, int32_t begin, int32_t end);
// Every sample s becomes the function wave read at (s / 65535 + 0.5) * (m - 1).
std::unique_ptr<Wave> distortBy(const Wave& wave, bool& failed, const Wave& function, int32_t begin, int32_t end);

std::unique_ptr<Sound> Reverse(const Sound& sound, bool& failed, int32_t& begin, int32_t& end);
// Block length in samples and levels as blockQuantize takes them.
std::unique_ptr<Sound> Block(const Sound& sound, bool& failed, double length, int32_t levels, int32_t& begin,
                             int32_t& end);
// Turns the range left by `seconds`, wrapped into [0, range length).
std::unique_ptr<Sound> Rotate(const Sound& sound, bool& failed, double seconds, int32_t& begin, int32_t& end);
// The envelope's channel for each target channel is the transfer function.
std::unique_ptr<Sound> Distort(const Sound& sound, bool& failed, const Sound& function, int32_t& begin, int32_t& end);

}  // namespace korvane
