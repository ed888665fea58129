#include "processing/Dicer.h"

#include "core/Assert.h"
#include "core/Random.h"

namespace korvane {

Dicer::Dicer(uint32_t seed) { Random::seed(seed); }

void Dicer::Throw() {
    for (int dice = 0; dice < DICES; ++dice) {
        // Two statements: the first number is the high part.
        uint32_t high = static_cast<uint32_t>(Random::next());
        uint32_t low = static_cast<uint32_t>(Random::next());
        value_[dice] = high * 32768u + low;
    }
}

double Dicer::Value(int dice, double a, double b) const {
    KORVANE_ASSERT(dice >= 0);
    KORVANE_ASSERT(dice < DICES);
    return b + value_[dice] / 1073676288.0 * (a - b);
}

uint32_t Dicer::Raw(int dice) const {
    KORVANE_ASSERT(dice >= 0);
    KORVANE_ASSERT(dice < DICES);
    return value_[dice];
}

}  // namespace korvane
