#pragma once

#include <cmath>
#include <cstdint>

namespace korvane {

// The circle constant of every sine, angle and filter formula. It is not the
// true pi; the program's sounds were always computed with this value.
inline constexpr double kPi = 3.1415293;
inline constexpr double kTwoPi = 6.2830586;

// Converts a computed real to a sample: truncate toward zero, keep the low
// 16 bits (two's complement wrap-around). Defined for every double: NaN and
// the infinities give 0, huge values wrap like the integer they stand for.
inline int16_t toSample(double x) {
    if (x > -2147483648.0 && x < 2147483648.0) {
        return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(static_cast<int32_t>(x))));
    }
    if (!std::isfinite(x)) return 0;
    // Beyond 2^31 every double is an integer already; fmod is exact.
    double r = std::fmod(x, 65536.0);
    if (r < 0) r += 65536.0;
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(r)));
}

// Truncates a real toward zero into a 32-bit integer without undefined
// behaviour; values beyond the range saturate and NaN gives 0. Used for
// sample counts and positions computed from user values.
inline int32_t truncToInt32(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return 2147483647;
    if (x <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(x);
}

// 16-bit addition with wrap-around.
inline int16_t addWrap(int16_t a, int16_t b) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint16_t>(a) + static_cast<uint16_t>(b)));
}

// Keeps the low 16 bits of an integer.
inline int16_t wrap16(int64_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v)));
}

}  // namespace korvane
