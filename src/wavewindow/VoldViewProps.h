#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "processing/RecordDefaults.h"
#include "values/FieldList.h"

namespace korvane {

// The settings of the volume diagram, edited in the "Volume Diagram" dialog.
// Every wave window keeps its own copy; the main window keeps the default
// that new windows start from.
struct TVoldViewProps {
    unitTime Top = DefaultField<unitTime>("20000 Hz");                     // period of the highest band
    unitTime Bottom = DefaultField<unitTime>("20 Hz");                     // period of the lowest band
    unitIntegerPosMore Vertical = DefaultField<unitIntegerPosMore>("50");  // largest number of bands
    unitFactorPos Width = DefaultField<unitFactorPos>("1.0");              // band width factor
    int HorDistribution = 1;  // 0 "Frequency Linear", 1 "Logaritmic", 2 "Time Linear"
    bool TwoWaves = true;     // "2 Single Diagrams when Stereo"
    int Sensitivity =
        1;  // 0 "Low (Kwadratic)", 1 "Normal (Linear)", 2 "High (Square root)", 3 "Very High (Fourth root)"
    unitFactorPos Strength = DefaultField<unitFactorPos>("1.3");
    TColor Background = RGBColor(0, 0, 0);
    TColor Single = RGBColor(255, 255, 255);
    TColor Left = RGBColor(255, 0, 0);
    TColor Right = RGBColor(0, 128, 128);
    TColor Cursor = RGBColor(255, 0, 255);

    TFieldList Fields() {
        return TFieldList()
            .Add("Top", Top)
            .Add("Bottom", Bottom)
            .Add("Vertical Resolution", Vertical)
            .Add("Frequency Width", Width)
            .Add("Strength", Strength);
    }
};

inline constexpr const char* kVoldTopTooHigh = "Top Frequency may not be higher than the sample Frequency.";
inline constexpr const char* kVoldTopIsBottom = "Top Frequency and Bottom Frequency must be different.";
inline constexpr const char* kVoldBottomTooHigh = "Bottom Frequency may not be higher than the sample Frequency.";

// What the dialog does when it opens: periods below two samples would give
// resonators that cannot ring, so both are shown raised to two sample periods.
void RaiseVoldPeriods(TVoldViewProps& props, int32_t sampleFreq);

// The dialog's own checks on values that were read: the first failure's
// text, or empty.
std::string CheckVoldPeriods(const TVoldViewProps& props, int32_t sampleFreq);

// The dialog's OK: reads the texts into the fields, then runs the checks.
// On any failure the record is left as it was and the result carries the one
// "Input Error" text.
TReadResult ReadVoldViewProps(TVoldViewProps& props, const std::vector<TFieldText>& texts, int32_t sampleFreq);

}  // namespace korvane
