#include "platform/LongWork.h"

namespace korvane {

namespace {
TLongWorkRunner* runner = nullptr;
}

void SetLongWorkRunner(TLongWorkRunner* r) { runner = r; }

bool RunLongWork(const std::function<void()>& work, bool& failed) {
    if (!runner) {
        work();
        return true;
    }
    return runner->Run(work, failed);
}

}  // namespace korvane
