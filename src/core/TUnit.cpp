#include "core/TUnit.h"

namespace korvane {

std::string TUnit::StateText() const {
    switch (State) {
        case unitStateNew: return "New";
        case unitStateSaved: return "";
        case unitStateChanged: return "Changed";
        default: return "???";
    }
}

}  // namespace korvane
