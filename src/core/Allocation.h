#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane {

// All sample buffers come from here, so that an allocation failure can be
// provoked on purpose and every caller's recovery path can be exercised.
// Returns null when memory is short; never throws.
int16_t* allocateSamples(std::size_t count);
void freeSamples(int16_t* buffer);

// Reports the memory message once per failed allocation ("System Error").
void reportOutOfMemory();

namespace allocation_testing {
// The next `count` sample allocations fail (0 switches this off).
void failNextAllocations(int count);
// Every sample allocation of more than `samples` samples fails (-1 switches this off).
void failAllocationsAbove(long long samples);
// Switches both off.
void reset();
}  // namespace allocation_testing

}  // namespace korvane
