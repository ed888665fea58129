#pragma once

// The long waves the benchmarks work on: an hour at 44.1 kHz by default
// (KORVANE_BENCH_SECONDS sets another length), of noise every run makes alike.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/Wave.h"

namespace korvane::bench {

inline int32_t BenchSamples() {
    const char* seconds = std::getenv("KORVANE_BENCH_SECONDS");
    return static_cast<int32_t>((seconds ? std::atof(seconds) : 3600.0) * 44100);
}

inline std::unique_ptr<Wave> Noise(int32_t count, uint32_t seed) {
    bool failed = false;
    auto wave = Wave::create(failed, count);
    for (int32_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        wave->wave[i] = static_cast<int16_t>(seed >> 16);
    }
    return wave;
}

}  // namespace korvane::bench
