#pragma once

#include <cstdint>

namespace korvane {

// The dice of the random echo: DICES values drawn together from the process'
// random generator, so that aspects sharing a die get the same number within
// one echo.
class Dicer {
public:
    static constexpr int DICES = 6;

    // Restarts the random generator with `seed`.
    explicit Dicer(uint32_t seed);

    // Draws every die anew: rand() * 32768 + rand(), 0 to 1073741823.
    void Throw();
    // Die `dice` between a and b: b + value / 1073676288 * (a - b). A throw
    // of 0 gives b; the largest throw gives slightly more than a.
    double Value(int dice, double a, double b) const;
    uint32_t Raw(int dice) const;

private:
    uint32_t value_[DICES] = {};
};

// "The die value in [x, y]": a throw of 0 gives x, the largest slightly more
// than y.
inline double DieIn(const Dicer& dicer, int dice, double x, double y) { return dicer.Value(dice, y, x); }

}  // namespace korvane
