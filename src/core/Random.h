#pragma once

#include <cstdint>

namespace korvane {

// The one pseudo-random generator of the process, behind noise and the dice
// of the random echo. The sequence is our own rather than the C runtime's, so
// that one seed gives the same sound on every machine and build.
class Random {
public:
    // Restarts the sequence (srand). Before the first call the seed is 1.
    static void seed(uint32_t seed);
    // The next value, 0 to 32767 (rand).
    static int next();

    // Loops that draw many values take the state, step a local copy and put
    // it back; the values are the same as from next().
    static uint32_t state();
    static void setState(uint32_t state);
    static int step(uint32_t& state) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state / 65536u) % 32768u);
    }
};

}  // namespace korvane
