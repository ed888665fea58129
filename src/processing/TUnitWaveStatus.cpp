#include "processing/TUnitWave.h"
#include "values/ValueWriters.h"

namespace korvane {

std::string TUnitWave::DurationText() const { return WriteClockTime(static_cast<double>(GetValues()) / GetFreq()); }

std::string TUnitWave::SizeText() const {
    double bytes = static_cast<double>(GetBytesPSample()) * GetMoSt() * GetValues();
    if (bytes < 1024) return WriteNumber(bytes, 1, 0, 0) + " b";
    // Kilo- and megabytes get 2 decimals below 10, 1 below 100 and none from
    // 100 on; gigabytes always 2. Digits beyond those are cut, not rounded.
    auto scaled = [](double v, const char* suffix) {
        int d = v < 10 ? 2 : v < 100 ? 1 : 0;
        return WriteNumber(v, 1, d, d) + suffix;
    };
    double kb = bytes / 1024;
    if (kb < 1024) return scaled(kb, " kb");
    double mb = kb / 1024;
    if (mb < 1024) return scaled(mb, " Mb");
    return WriteNumber(bytes / 1024 / 1024 / 1024, 1, 2, 2) + " Gb";
}

}  // namespace korvane
