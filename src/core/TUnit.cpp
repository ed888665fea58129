#include "core/TUnit.h"

#include <atomic>

namespace korvane {

uint64_t TUnit::NextSerial() {
    static std::atomic<uint64_t> next{0};
    return ++next;
}

std::string TUnit::StateText() const {
    switch (State) {
        case unitStateNew: return "New";
        case unitStateSaved: return "";
        case unitStateChanged: return "Changed";
        default: return "???";
    }
}

}  // namespace korvane
