#pragma once

// Internal contracts. A broken contract is a programming error: the program
// stops and names the violated condition exactly as written in the source.
// Active in every build type. User and file input is checked before it can
// reach one of these.

#include <cstdint>

namespace korvane {

using AssertionHandler = void (*)(const char* condition, const char* file, int line);

[[noreturn]] void assertionFailed(const char* condition, const char* file, int line);

// Tests install a handler that throws, to check the message without dying.
// The handler must not return; if it does, the program aborts.
void setAssertionHandler(AssertionHandler handler);

// Both ends of a range [begin, end) lie within a wave of `values` samples.
// How the ends relate (begin < end, begin <= end, ...) is the caller's own
// check, written beside the call. A broken bound is named as written here.
inline void assertRangeWithin(int64_t begin, int64_t end, int64_t values, const char* file, int line) {
    if (!(begin >= 0)) assertionFailed("begin >= 0", file, line);
    if (!(end >= 0)) assertionFailed("end >= 0", file, line);
    if (!(begin <= values)) assertionFailed("begin <= values", file, line);
    if (!(end <= values)) assertionFailed("end <= values", file, line);
}

}  // namespace korvane

#define KORVANE_ASSERT(cond) \
    ((cond) ? static_cast<void>(0) : ::korvane::assertionFailed(#cond, __FILE__, __LINE__))

#define KORVANE_ASSERT_RANGE(begin, end, values) \
    ::korvane::assertRangeWithin((begin), (end), (values), __FILE__, __LINE__)
