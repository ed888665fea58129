#include "core/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace korvane {

namespace {
AssertionHandler currentHandler = nullptr;
}

void setAssertionHandler(AssertionHandler handler) { currentHandler = handler; }

void assertionFailed(const char* condition, const char* file, int line) {
    if (currentHandler) currentHandler(condition, file, line);
    std::fprintf(stderr, "Assertion failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

}  // namespace korvane
