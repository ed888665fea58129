#pragma once

// Small pieces shared by the effect and filter families.

#include <cstdint>

#include "core/Assert.h"
#include "core/Wave.h"

namespace korvane::effects {

// The range of a sample operation: inside the wave and not empty.
inline void checkRange(int32_t begin, int32_t end, int32_t values) {
    KORVANE_ASSERT(begin >= 0);
    KORVANE_ASSERT(end >= 0);
    KORVANE_ASSERT(begin <= values);
    KORVANE_ASSERT(end <= values);
    KORVANE_ASSERT(begin < end);
}

// Where sample i of a stretch of n samples reads an envelope of m samples:
// the envelope's first sample at the first, its last at the last. A stretch
// of one sample reads the first envelope sample.
class EnvelopeStretch {
public:
    EnvelopeStretch(int64_t n, int32_t m) : span_(static_cast<double>(m) - 1), last_(static_cast<double>(n) - 1) {}
    double at(int64_t i) const { return last_ > 0 ? static_cast<double>(i) * span_ / last_ : 0; }

private:
    double span_;
    double last_;
};

// A read that is 0 outside [first, last] and interpolates inside it; the
// neighbours of every position inside are inside too.
inline double readInside(const Wave& w, double position, double first, double last) {
    if (!(position >= first) || position > last) return 0;
    return w.readAt(position);
}

}  // namespace korvane::effects
