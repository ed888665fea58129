#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "TestSupport.h"
#include "core/Sound.h"
#include "processing/TWorkspace.h"

namespace korvane::testing {

// Documents and waves for the time, echo, split and merge tests.
class TimeEchoTest : public CoreFixture {
protected:
    TWorkspace space;
    bool failed = false;

    TUnitWave& monoDoc(const std::vector<int>& samples, int freq = 1000, const std::string& name = "") {
        auto& d =
            space.AddWave(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), freq, 2), ""));
        d.Name = name;
        return d;
    }
    TUnitWave& stereoDoc(const std::vector<int>& l, const std::vector<int>& r, int freq = 1000,
                         const std::string& name = "") {
        auto& d = space.AddWave(
            std::make_unique<TUnitWave>(std::make_unique<StereoSound>(makeWave(l), makeWave(r), freq, 2), ""));
        d.Name = name;
        return d;
    }
    static std::vector<int> left(const TUnitWave& d) { return samplesOf(d.TheSound->GetLeft()); }
    static std::vector<int> right(const TUnitWave& d) { return samplesOf(d.TheSound->GetRight()); }
    static std::vector<int> ramp(int count, int step, int from = 0) {
        std::vector<int> v;
        for (int i = 0; i < count; ++i) v.push_back(from + i * step);
        return v;
    }
};

}  // namespace korvane::testing
