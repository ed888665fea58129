#pragma once

// Internal contracts. A broken contract is a programming error: the program
// stops and names the violated condition exactly as written in the source.
// Active in every build type. User and file input is checked before it can
// reach one of these.

namespace korvane {

using AssertionHandler = void (*)(const char* condition, const char* file, int line);

[[noreturn]] void assertionFailed(const char* condition, const char* file, int line);

// Tests install a handler that throws, to check the message without dying.
// The handler must not return; if it does, the program aborts.
void setAssertionHandler(AssertionHandler handler);

}  // namespace korvane

#define KORVANE_ASSERT(cond) \
    ((cond) ? static_cast<void>(0) : ::korvane::assertionFailed(#cond, __FILE__, __LINE__))
