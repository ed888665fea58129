#pragma once

#include <string>

#include "core/Assert.h"
#include "values/ValueField.h"

namespace korvane {

// A field holding the value of `text` in the unit it is written in, so that a
// record's defaults read exactly as its dialog first shows them ("440 Hz",
// "50 %", "10 ms").
template <class Field, class... Args>
Field DefaultField(const char* text, Args... args) {
    Field field(args...);
    std::string message;
    bool ok = field.FromText(text, "", message);
    KORVANE_ASSERT(ok);
    return field;
}

}  // namespace korvane
