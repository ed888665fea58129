#include "core/Random.h"

namespace korvane {

namespace {
// The classic generator's `next`.
uint32_t randomState = 1;
}  // namespace

void Random::seed(uint32_t seed) { randomState = seed; }

int Random::next() { return step(randomState); }

uint32_t Random::state() { return randomState; }

void Random::setState(uint32_t state) { randomState = state; }

}  // namespace korvane
