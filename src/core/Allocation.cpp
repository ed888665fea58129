#include "core/Allocation.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

#include "platform/Messages.h"

namespace korvane {

namespace {
int failuresPending = 0;
long long failAbove = -1;

// A long buffer (a minute of sound is 5 MB a channel) is otherwise faulted
// in one small page at a time as it is first written, and that costs more
// than writing it: ask for large pages. Only advice; where the system does
// not take it nothing changes.
void adviseLargePages(int16_t* buffer, std::size_t count) {
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kWorthIt = 4u << 20;
    const std::size_t bytes = count * sizeof(int16_t);
    if (!buffer || bytes < kWorthIt) return;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t begin = (first + page - 1) & ~(page - 1);
    const std::uintptr_t end = (first + bytes) & ~(page - 1);
    if (end > begin) (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)count;
#endif
}
}  // namespace

int16_t* allocateSamples(std::size_t count) {
    if (failuresPending > 0) {
        --failuresPending;
        return nullptr;
    }
    if (failAbove >= 0 && static_cast<long long>(count) > failAbove) return nullptr;
    int16_t* buffer = new (std::nothrow) int16_t[count == 0 ? 1 : count];
    adviseLargePages(buffer, count);
    return buffer;
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
