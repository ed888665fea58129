#pragma once

#include "processing/RecordDefaults.h"
#include "values/FieldList.h"

namespace korvane {

// The records of the effect and filter dialogs, with their defaults. Field
// lists are in the order the dialogs read them.

struct TVolumeProps {
    int Kind = 0;  // 0 constant, 1 envelope
    unitVolumeFactor Factor = DefaultField<unitVolumeFactor>("50 %");
    unitUnitWave Envelope;
    TFieldList Fields() { return TFieldList().Add("Constant", Factor).Add("Envelope", Envelope); }
};

struct TUpProps {
    unitWaveVal AddValue = DefaultField<unitWaveVal>("50 %");
    TFieldList Fields() { return TFieldList().Add("Add Value", AddValue); }
};

struct TRotateProps {
    int Direction = 0;  // 0 left, 1 right
    int By = 0;         // 0 factor, 1 time
    unitAngleFactor Factor = DefaultField<unitAngleFactor>("0.1");
    unitTime Time = DefaultField<unitTime>("0.1 s");
    TFieldList Fields() { return TFieldList().Add("Factor", Factor).Add("Time", Time); }
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
            .Add("Horizontal Count", HorizontalCount)
            .Add("Time", Time)
            .Add("Vertical Count", VerticalCount)
            .Add("Height", Height);
    }
};

struct TDistortProps {
    unitUnitWave Envelope;
    TFieldList Fields() { return TFieldList().Add("Distort Envelope", Envelope); }
};

struct TBalanceProps {
    int DirectionKind = 0;  // 0 constant, 1 envelope
    unitBalAngleFactor Direction{0, ucBalanceDegree};
    unitUnitWave DirectionEnvelope;
    bool TimeDifference = true;
    int VolumeDifference = 1;  // 0 none, 1 volume, 2 filter
    TFieldList Fields() {
        return TFieldList().Add("Direction Constant", Direction).Add("Direction Envelope", DirectionEnvelope);
    }
};

struct TLeftRightProps {
    unitVolumeFactor LeftToLeft = DefaultField<unitVolumeFactor>("100 %");
    unitVolumeFactor LeftToRight = DefaultField<unitVolumeFactor>("0 %");
    unitVolumeFactor RightToLeft = DefaultField<unitVolumeFactor>("0 %");
    unitVolumeFactor RightToRight = DefaultField<unitVolumeFactor>("100 %");
    TFieldList Fields() {
        return TFieldList()
            .Add("from Left to Left", LeftToLeft)
            .Add("from Left to Right", LeftToRight)
            .Add("from Right to Left", RightToLeft)
            .Add("from Right to Right", RightToRight);
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
            .Add("Frequency", Frequency)
            .Add("Frequency Envelope", FrequencyEnvelope)
            .Add("Volume Factor", VolumeFactor)
            .Add("Count", Count);
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
            .Add("Frequency Constant", Frequency)
            .Add("Frequency Envelope", FrequencyEnvelope)
            .Add("Width Constant", Width)
            .Add("Frequency Width Envelope", WidthEnvelope);
    }
};

struct TBlockFilterProps {
    bool UseEnvelope = false;
    unitTime BlockTime = DefaultField<unitTime>("10 ms");
    unitUnitWave Envelope;
    TFieldList Fields() { return TFieldList().Add("Block Time", BlockTime).Add("Envelope", Envelope); }
};

}  // namespace korvane
