#pragma once

#include "processing/RecordDefaults.h"
#include "values/FieldList.h"

namespace korvane {

// The records of the effect and filter dialogs, with their defaults. Field
// lists are in the order the dialogs read them, and name the korvane-cli
// option of each field with the alternative it selects.

struct TVolumeProps {
    int Kind = 0;  // 0 constant, 1 envelope
    unitVolumeFactor Factor = DefaultField<unitVolumeFactor>("50 %");
    unitUnitWave Envelope;
    TFieldList Fields() {
        return TFieldList()
            .Add("Constant", Factor).Option("--constant", "volume factor").Selects(Kind, 0)
            .Add("Envelope", Envelope).Option("--envelope").Selects(Kind, 1);
    }
};

struct TUpProps {
    unitWaveVal AddValue = DefaultField<unitWaveVal>("50 %");
    TFieldList Fields() { return TFieldList().Add("Add Value", AddValue).Option("--add-value", "wave value"); }
};

struct TRotateProps {
    int Direction = 0;  // 0 left, 1 right
    int By = 0;         // 0 factor, 1 time
    unitAngleFactor Factor = DefaultField<unitAngleFactor>("0.1");
    unitTime Time = DefaultField<unitTime>("0.1 s");
    TFieldList Fields() {
        return TFieldList()
            .Add("Factor", Factor).Option("--factor", "phase").Selects(By, 0)
            .Add("Time", Time).Option("--time", "time").Selects(By, 1);
    }
};

struct TBlockProps {
    int HorizontalKind = 0;  // 0 no change, 1 count, 2 time
    int VerticalKind = 0;    // 0 no change, 1 count, 2 height
    unitIntegerPosMore HorizontalCount = DefaultField<unitIntegerPosMore>("20");
    unitIntegerPosMore VerticalCount = DefaultField<unitIntegerPosMore>("20");
    unitTimePosMore Time = DefaultField<unitTimePosMore>("10 ms");
    // 3277 is a tenth of full scale rounded up; "10 %" would read as 3276.
    unitWaveValPosMore Height{3277, ucPercent};
    TFieldList Fields() {
        return TFieldList()
            .Add("Horizontal Count", HorizontalCount).Option("--horizontal-count", "integer > 0")
            .Selects(HorizontalKind, 1)
            .Add("Time", Time).Option("--time", "time > 0").Selects(HorizontalKind, 2)
            .Add("Vertical Count", VerticalCount).Option("--vertical-count", "integer > 0").Selects(VerticalKind, 1)
            .Add("Height", Height).Option("--height", "wave value > 0").Selects(VerticalKind, 2);
    }
};

struct TDistortProps {
    unitUnitWave Envelope;
    TFieldList Fields() { return TFieldList().Add("Distort Envelope", Envelope).Option("--distort-envelope"); }
};

struct TBalanceProps {
    int DirectionKind = 0;  // 0 constant, 1 envelope
    unitBalAngleFactor Direction{0, ucBalanceDegree};
    unitUnitWave DirectionEnvelope;
    bool TimeDifference = true;
    int VolumeDifference = 1;  // 0 none, 1 volume, 2 filter
    TFieldList Fields() {
        // The help names the default by its number alone.
        return TFieldList()
            .Add("Direction Constant", Direction).Option("--direction-constant", "balance").Selects(DirectionKind, 0)
            .HelpDefault("0")
            .Add("Direction Envelope", DirectionEnvelope).Option("--direction-envelope").Selects(DirectionKind, 1);
    }
};

struct TLeftRightProps {
    unitVolumeFactor LeftToLeft = DefaultField<unitVolumeFactor>("100 %");
    unitVolumeFactor LeftToRight = DefaultField<unitVolumeFactor>("0 %");
    unitVolumeFactor RightToLeft = DefaultField<unitVolumeFactor>("0 %");
    unitVolumeFactor RightToRight = DefaultField<unitVolumeFactor>("100 %");
    TFieldList Fields() {
        return TFieldList()
            .Add("from Left to Left", LeftToLeft).Option("--from-left-to-left", "volume factor")
            .Add("from Left to Right", LeftToRight).Option("--from-left-to-right", "volume factor")
            .Add("from Right to Left", RightToLeft).Option("--from-right-to-left", "volume factor")
            .Add("from Right to Right", RightToRight).Option("--from-right-to-right", "volume factor");
    }
};

// One example of the left/right mix: the four factors it fills in.
struct TLeftRightExample {
    const char* Name;
    double LeftToLeft, LeftToRight, RightToLeft, RightToRight;
};
inline constexpr TLeftRightExample kLeftRightExamples[] = {
    {"Normal", 1, 0, 0, 1},
    {"Swapped", 0, 1, 1, 0},
    {"Extra Stereo", 0.75, -0.25, -0.25, 0.75},
    {"Super Stereo", 0.5, -0.25, -0.25, 0.5},
    {"Surround", 0.5, -0.5, -0.5, 0.5},
    {"Mono", 0.5, 0.5, 0.5, 0.5},
    {"Mono at Left, Surround at Right", 0.4, -0.8, 0.4, 0.8},
    {"Mono at Right, Surround at Left", 0.8, 0.4, -0.8, 0.4},
};

// Low and high filter; each keeps its own record.
struct THighLowProps {
    int FrequencyKind = 0;  // 0 constant, 1 envelope
    unitTimePosMore Frequency = DefaultField<unitTimePosMore>("1 kHz");
    unitUnitWave FrequencyEnvelope;
    unitVolumeFactorPosMoreLess1 VolumeFactor = DefaultField<unitVolumeFactorPosMoreLess1>("50 %");
    unitIntegerPosMore Count = DefaultField<unitIntegerPosMore>("1");
    bool MaximizeVolume = false;
    TFieldList Fields() {
        return TFieldList()
            .Add("Frequency", Frequency).Option("--frequency", "time > 0").Selects(FrequencyKind, 0)
            .Add("Frequency Envelope", FrequencyEnvelope).Option("--frequency-envelope").Selects(FrequencyKind, 1)
            .Add("Volume Factor", VolumeFactor).Option("--volume-factor", "volume factor between 0 and 1")
            .Add("Count", Count).Option("--count", "integer > 0");
    }
};

// Resonant and notch filter; each keeps its own record.
struct TResNotchProps {
    int FrequencyKind = 0;  // 0 constant, 1 envelope
    unitTimePosMore Frequency = DefaultField<unitTimePosMore>("1 kHz");
    unitUnitWave FrequencyEnvelope;
    int WidthKind = 0;  // 0 constant, 1 envelope
    unitFactorPosMax1 Width = DefaultField<unitFactorPosMax1>("0.25");
    unitUnitWave WidthEnvelope;
    TFieldList Fields() {
        return TFieldList()
            .Add("Frequency Constant", Frequency).Option("--frequency-constant", "time > 0").Selects(FrequencyKind, 0)
            .Add("Frequency Envelope", FrequencyEnvelope).Option("--frequency-envelope").Selects(FrequencyKind, 1)
            .Add("Width Constant", Width).Option("--width-constant", "factor 0..1").Selects(WidthKind, 0)
            .Add("Frequency Width Envelope", WidthEnvelope).Option("--frequency-width-envelope").Selects(WidthKind, 1);
    }
};

struct TBlockFilterProps {
    bool UseEnvelope = false;
    unitTime BlockTime = DefaultField<unitTime>("10 ms");
    unitUnitWave Envelope;
    TFieldList Fields() {
        return TFieldList()
            .Add("Block Time", BlockTime).Option("--block-time", "time")
            .Add("Envelope", Envelope).Option("--envelope", "(selects the envelope variant)").Selects(UseEnvelope);
    }
};

}  // namespace korvane
