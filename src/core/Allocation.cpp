#include "core/Allocation.h"

#include <new>

#include "platform/Messages.h"

namespace korvane {

namespace {
int failuresPending = 0;
long long failAbove = -1;
}  // namespace

int16_t* allocateSamples(std::size_t count) {
    if (failuresPending > 0) {
        --failuresPending;
        return nullptr;
    }
    if (failAbove >= 0 && static_cast<long long>(count) > failAbove) return nullptr;
    return new (std::nothrow) int16_t[count == 0 ? 1 : count];
}

void freeSamples(int16_t* buffer) { delete[] buffer; }

void reportOutOfMemory() { messages().show(kSystemErrorTitle, kMemoryMessage, MessageIcon::Information); }

namespace allocation_testing {
void failNextAllocations(int count) { failuresPending = count; }
void failAllocationsAbove(long long samples) { failAbove = samples; }
void reset() {
    failuresPending = 0;
    failAbove = -1;
}
}  // namespace allocation_testing

}  // namespace korvane
