#pragma once

#include "processing/RecordDefaults.h"
#include "values/FieldList.h"

namespace korvane {

// The records of the time and echo dialogs, with their defaults. Fields() is
// the dialog's reading order.

// How roll out, length and tempo and pitch choose their new length.
enum TLengthKind { lengthFactor = 0, lengthNew = 1, lengthSameAs = 2, lengthCount = 3 };

struct TRollInProps {
    unitTimePosMore Length = DefaultField<unitTimePosMore>("1 s");
    int Placement = 0;  // 0 start at, 1 end at
    unitWavePosition Start = DefaultField<unitWavePosition>("0 %");
    unitWavePosition End = DefaultField<unitWavePosition>("0 %");
    TFieldList Fields() { return TFieldList().Add("Length", Length).Add("Start at", Start).Add("End at", End); }
};

struct TRollOutProps {
    unitFactorNotNul Speed = DefaultField<unitFactorNotNul>("200 %");
    bool SpeedEnvelopeOn = false;
    unitUnitWave SpeedEnvelope;
    int LengthKind = lengthFactor;
    unitFactorPosMore LengthFactor = DefaultField<unitFactorPosMore>("50 %");
    unitTimePosMore NewLength = DefaultField<unitTimePosMore>("2 s");
    unitUnitWave SameAs;
    unitFactorPosMore Count = DefaultField<unitFactorPosMore>("3");
    unitWavePosition StartPosition = DefaultField<unitWavePosition>("0 %");
    TFieldList Fields() {
        return TFieldList()
            .Add("Speed Factor", Speed)
            .Add("Speed Envelope", SpeedEnvelope)
            .Add("Length Factor", LengthFactor)
            .Add("New Length", NewLength)
            .Add("Same Length as", SameAs)
            .Add("Count", Count)
            .Add("Start Position", StartPosition);
    }
};

struct TLengthProps {
    int LengthKind = lengthFactor;  // 0 to 2
    unitFactor LengthFactor = DefaultField<unitFactor>("50 %");
    unitTimePosMore NewLength = DefaultField<unitTimePosMore>("2 s");
    unitUnitWave SameAs;
    TFieldList Fields() {
        return TFieldList()
            .Add("Length Factor", LengthFactor)
            .Add("New Length", NewLength)
            .Add("Same Length as", SameAs);
    }
};

struct TTempoPitchProps {
    unitFactorNotNul FreqFactor = DefaultField<unitFactorNotNul>("200 %");
    bool FreqEnvelopeOn = false;
    unitUnitWave FreqEnvelope;
    unitFactorNotNul Speed = DefaultField<unitFactorNotNul>("100 %");
    bool SpeedEnvelopeOn = false;
    unitUnitWave SpeedEnvelope;
    int LengthKind = lengthFactor;
    unitFactorPosMore LengthFactor = DefaultField<unitFactorPosMore>("50 %");
    unitTimePosMore NewLength = DefaultField<unitTimePosMore>("2 s");
    unitUnitWave SameAs;
    unitFactorPosMore Count = DefaultField<unitFactorPosMore>("3");
    unitWavePosition StartPosition = DefaultField<unitWavePosition>("0 %");
    int Quality = 0;  // 0 low, 1 high
    unitTimePosMore BlockSize = DefaultField<unitTimePosMore>("40 ms");
    TFieldList Fields() {
        return TFieldList()
            .Add("Frequency Factor", FreqFactor)
            .Add("Frequency Envelope", FreqEnvelope)
            .Add("Speed Factor", Speed)
            .Add("Speed Envelope", SpeedEnvelope)
            .Add("Length Factor", LengthFactor)
            .Add("New Length", NewLength)
            .Add("Same Length as", SameAs)
            .Add("Count", Count)
            .Add("Start Position", StartPosition)
            .Add("Block Size", BlockSize);
    }
};

struct TPerEchoProps {
    unitTime Time = DefaultField<unitTime>("10 ms");
    bool TimeEnvelopeOn = false;
    unitUnitWave TimeEnvelope;
    int VolumeKind = 0;  // 0 constant, 1 envelope
    unitVolumeFactor Volume = DefaultField<unitVolumeFactor>("100 %");
    unitUnitWave VolumeEnvelope;
    unitIntegerPosMore Count = DefaultField<unitIntegerPosMore>("1");
    TFieldList Fields() {
        return TFieldList()
            .Add("Time", Time)
            .Add("Echo Time Envelope", TimeEnvelope)
            .Add("Volume Constant", Volume)
            .Add("Echo Volume Envelope", VolumeEnvelope)
            .Add("Count", Count);
    }
};

// One tab of the random echo: how the aspect changes each echo, the envelope
// it reads and the die (0 to 5) that picks the place in it.
struct TEchoAspect {
    int Kind = 0;
    unitUnitWave Envelope;
    int Die = 0;
};

enum TEchoAspectIndex { aspectTime, aspectVolume, aspectLength, aspectBalance, aspectPitch, aspectTempo, aspectCount };

struct TRandomEchoProps {
    unitIntegerPosMore Count = DefaultField<unitIntegerPosMore>("20");
    unitInteger Seed = DefaultField<unitInteger>("0");
    unitTimePosMore TimeDifference = DefaultField<unitTimePosMore>("1000 ms");
    bool Cyclable = false;
    // Time: 0 "Linear", 1 "Random Envelope". Volume and balance: 0 "No
    // Change", 1 "Linear", 2 "Random Envelope". Length, pitch and tempo:
    // 0 "No Change", 1 "Random Envelope". Dice 1 to 6 in tab order.
    TEchoAspect Aspects[aspectCount] = {{0, {}, 0}, {0, {}, 1}, {0, {}, 2}, {0, {}, 3}, {0, {}, 4}, {0, {}, 5}};
    int BalanceVolumeDifference = 1;  // 0 none, 1 volume, 2 filter
    bool BalanceTimeDifference = true;
    unitFactor FrequencyFactor = DefaultField<unitFactor>("2");
    int Quality = 0;  // 0 low, 1 high
    unitTimePosMore BlockSize = DefaultField<unitTimePosMore>("40 ms");
    TFieldList Fields() {
        return TFieldList()
            .Add("Count", Count)
            .Add("Random Seed", Seed)
            .Add("Time Difference", TimeDifference)
            .Add("Time - Random Envelope", Aspects[aspectTime].Envelope)
            .Add("Volume - Random Envelope", Aspects[aspectVolume].Envelope)
            .Add("Length - Random Envelope", Aspects[aspectLength].Envelope)
            .Add("Balance - Random Envelope", Aspects[aspectBalance].Envelope)
            .Add("Pitch - Random Envelope", Aspects[aspectPitch].Envelope)
            .Add("Tempo - Random Envelope", Aspects[aspectTempo].Envelope)
            .Add("Pitch - Frequency Factor", FrequencyFactor)
            .Add("Block Size", BlockSize);
    }
};

}  // namespace korvane
