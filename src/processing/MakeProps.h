#pragma once

#include <vector>

#include "processing/RecordDefaults.h"
#include "values/FieldList.h"

namespace korvane {

// The records of the Make dialogs, with their defaults.

struct TSilenceProps {
    unitTimePos Length = DefaultField<unitTimePos>("1 s");
    TFieldList Fields() { return TFieldList().Add("Length", Length).Option("--length", "time >= 0"); }
};

struct TLineProps {
    unitWaveVal First = DefaultField<unitWaveVal>("0");
    unitWaveVal Last = DefaultField<unitWaveVal>("50 %");
    unitTimePos Length = DefaultField<unitTimePos>("1 s");
    bool Exponential = false;
    TFieldList Fields() {
        return TFieldList()
            .Add("First Value", First).Option("--first", "wave value")
            .Add("Last Value", Last).Option("--last", "wave value")
            .Add("Length", Length).Option("--length", "time >= 0");
    }
};

struct TNoiseProps {
    unitWaveVal Amplitude = DefaultField<unitWaveVal>("50 %");
    unitTimePos Length = DefaultField<unitTimePos>("1 s");
    TFieldList Fields() {
        return TFieldList()
            .Add("Amplitude", Amplitude).Option("--amplitude", "wave value")
            .Add("Length", Length).Option("--length", "time >= 0");
    }
};

// Make Block and Make Triangle share the dialog but keep separate records.
struct TBlockTriangleProps {
    unitWaveVal Height1 = DefaultField<unitWaveVal>("50 %");
    unitWaveVal Height2 = DefaultField<unitWaveVal>("-50 %");
    unitTimePosMore Period = DefaultField<unitTimePosMore>("440 Hz");
    int MiddleKind = 0;  // 0 constant, 1 envelope
    unitFactorPosMax1 Middle = DefaultField<unitFactorPosMax1>("0.5");
    unitUnitWave MiddleEnvelope;
    unitTimePosMore Length = DefaultField<unitTimePosMore>("1 s");
    unitAngleFactor Start = DefaultField<unitAngleFactor>("0");
    TFieldList Fields() {
        return TFieldList()
            .Add("Height 1", Height1).Option("--height-1", "wave value")
            .Add("Height 2", Height2).Option("--height-2", "wave value")
            .Add("Period", Period).Option("--period", "time > 0")
            .Add("Middle", Middle).Option("--middle", "factor 0..1").Selects(MiddleKind, 0)
            .Add("Middle Envelope", MiddleEnvelope).Option("--middle-envelope").Selects(MiddleKind, 1)
            .Add("Length", Length).Option("--length", "time > 0")
            .Add("Start", Start).Option("--start", "phase");
    }
};

struct TSinusProps {
    unitWaveVal Amplitude = DefaultField<unitWaveVal>("50 %");
    unitTimePosMore Period = DefaultField<unitTimePosMore>("440 Hz");
    int LengthKind = 0;  // 0 count of periods, 1 length
    unitFactorPosMore Count = DefaultField<unitFactorPosMore>("440");
    unitTimePosMore Length = DefaultField<unitTimePosMore>("1 s");
    unitAngleFactor StartAngle = DefaultField<unitAngleFactor>("0");
    TFieldList Fields() {
        return TFieldList()
            .Add("Amplitude", Amplitude).Option("--amplitude", "wave value")
            .Add("Period", Period).Option("--period", "time > 0")
            .Add("Count", Count).Option("--count", "factor > 0").Selects(LengthKind, 0)
            // The count is the default alternative; help shows no length.
            .Add("Length", Length).Option("--length", "time > 0").Selects(LengthKind, 1).HelpDefault("")
            .Add("Start Angle", StartAngle).Option("--start-angle", "phase");
    }
};

// One partial of the multi-frequency table.
struct TMFreqRow {
    unitVolumeFactor Volume = DefaultField<unitVolumeFactor>("50 %");
    unitTimePosMore Frequency = DefaultField<unitTimePosMore>("440 Hz");
    unitAngleFactor StartAngle = DefaultField<unitAngleFactor>("0");
    unitVolumeFactor VolumeFactor = DefaultField<unitVolumeFactor>("50 %");
    unitTimePosMore Time = DefaultField<unitTimePosMore>("1 s");
    TFieldList Fields() {
        return TFieldList()
            .Add("Volume", Volume)
            .Add("Frequency", Frequency)
            .Add("Start Angle", StartAngle)
            .Add("Volume Factor", VolumeFactor)
            .Add("Time", Time);
    }
};

struct TMFreqProps {
    unitTimePosMore Length = DefaultField<unitTimePosMore>("1 s");
    unitUnitWave Form;  // the sine table when no wave is named
    std::vector<TMFreqRow> Rows = std::vector<TMFreqRow>(1);
    TFieldList Fields() {
        return TFieldList()
            .Add("Length", Length).Option("--length", "time > 0")
            .Add("Wave Form", Form).Option("--form", "(the sine table when absent)");
    }
};

struct TMixProps {
    int Align = 0;  // 0 "Align Begin", 1 "Align End", 2 "Stretch"
};

}  // namespace korvane
