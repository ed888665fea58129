#pragma once

#include <functional>

namespace korvane {

// Runs a piece of work that may take long: a command's computation over a
// sound. The work watches `failed`, the flag an allocation failure sets, and
// stops when it is set; a front end may set it to cancel the work. The
// window runs the work beside its event loop and offers Cancel when it takes
// more than a moment; the default runs it at once.
class TLongWorkRunner {
public:
    virtual ~TLongWorkRunner() = default;
    // False when the user cancelled: `failed` was set by the cancel only, and
    // the caller drops whatever the work made.
    virtual bool Run(const std::function<void()>& work, bool& failed) = 0;
};

// Null restores the default. The runner stays the caller's.
void SetLongWorkRunner(TLongWorkRunner* runner);
// Runs `work` through the runner in use; false when it was cancelled.
bool RunLongWork(const std::function<void()>& work, bool& failed);

}  // namespace korvane
