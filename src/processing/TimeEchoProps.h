#pragma once

#include "processing/RecordDefaults.h"
#include "values/FieldList.h"

namespace korvane {

// The records of the time and echo dialogs, with their defaults. Fields() is
// the dialog's reading order, and names the korvane-cli option of each field
// with the alternative it selects.

// How roll out, length and tempo and pitch choose their new length.
enum TLengthKind { lengthFactor = 0, lengthNew = 1, lengthSameAs = 2, lengthCount = 3 };

// The length alternatives roll out and tempo and pitch share.
template <class Props>
TFieldList& AddLengthFields(TFieldList& list, Props& p) {
    return list.Add("Length Factor", p.LengthFactor).Option("--length-factor", "factor > 0")
        .Selects(p.LengthKind, lengthFactor)
        .Add("New Length", p.NewLength).Option("--new-length", "time > 0").Selects(p.LengthKind, lengthNew)
        .Add("Same Length as", p.SameAs).Option("--same-length-as").Selects(p.LengthKind, lengthSameAs)
        .Add("Count", p.Count).Option("--count", "factor > 0").Selects(p.LengthKind, lengthCount);
}

struct TRollInProps {
    unitTimePosMore Length = DefaultField<unitTimePosMore>("1 s");
    int Placement = 0;  // 0 start at, 1 end at
    unitWavePosition Start = DefaultField<unitWavePosition>("0 %");
    unitWavePosition End = DefaultField<unitWavePosition>("0 %");
    // The positions are read after the length, against it (see the step).
    TFieldList Fields() {
        return TFieldList()
            .Add("Length", Length).Option("--length", "time > 0")
            .Add("Start at", Start).Option("--start-at", "wave position").Selects(Placement, 0)
            .Add("End at", End).Option("--end-at", "wave position").Selects(Placement, 1);
    }
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
        TFieldList list;
        list.Add("Speed Factor", Speed).Option("--speed-factor", "factor not 0")
            .Add("Speed Envelope", SpeedEnvelope).Option("--speed-envelope").Selects(SpeedEnvelopeOn);
        return AddLengthFields(list, *this).Add("Start Position", StartPosition)
            .Option("--start-position", "wave position");
    }
};

struct TLengthProps {
    int LengthKind = lengthFactor;  // 0 to 2
    unitFactor LengthFactor = DefaultField<unitFactor>("50 %");
    unitTimePosMore NewLength = DefaultField<unitTimePosMore>("2 s");
    unitUnitWave SameAs;
    TFieldList Fields() {
        return TFieldList()
            .Add("Length Factor", LengthFactor).Option("--length-factor", "factor").Selects(LengthKind, lengthFactor)
            .Add("New Length", NewLength).Option("--new-length", "time > 0").Selects(LengthKind, lengthNew)
            .Add("Same Length as", SameAs).Option("--same-length-as").Selects(LengthKind, lengthSameAs);
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
        TFieldList list;
        list.Add("Frequency Factor", FreqFactor).Option("--frequency-factor", "factor not 0")
            .Add("Frequency Envelope", FreqEnvelope).Option("--frequency-envelope").Selects(FreqEnvelopeOn)
            .Add("Speed Factor", Speed).Option("--speed-factor", "factor not 0")
            .Add("Speed Envelope", SpeedEnvelope).Option("--speed-envelope").Selects(SpeedEnvelopeOn);
        return AddLengthFields(list, *this)
            .Add("Start Position", StartPosition).Option("--start-position", "wave position")
            .Add("Block Size", BlockSize).Option("--block-size", "time > 0");
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
            .Add("Time", Time).Option("--time", "time")
            .Add("Echo Time Envelope", TimeEnvelope).Option("--echo-time-envelope").Selects(TimeEnvelopeOn)
            .Add("Volume Constant", Volume).Option("--volume-constant", "volume factor").Selects(VolumeKind, 0)
            .Add("Echo Volume Envelope", VolumeEnvelope).Option("--echo-volume-envelope").Selects(VolumeKind, 1)
            .Add("Count", Count).Option("--count", "integer > 0");
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
            .Add("Count", Count).Option("--count", "integer > 0")
            .Add("Random Seed", Seed).Option("--random-seed", "integer")
            .Add("Time Difference", TimeDifference).Option("--time-difference", "time > 0")
            .Add("Time - Random Envelope", Aspects[aspectTime].Envelope).Option("--time-random-envelope")
            .Add("Volume - Random Envelope", Aspects[aspectVolume].Envelope).Option("--volume-random-envelope")
            .Add("Length - Random Envelope", Aspects[aspectLength].Envelope).Option("--length-random-envelope")
            .Add("Balance - Random Envelope", Aspects[aspectBalance].Envelope).Option("--balance-random-envelope")
            .Add("Pitch - Random Envelope", Aspects[aspectPitch].Envelope).Option("--pitch-random-envelope")
            .Add("Tempo - Random Envelope", Aspects[aspectTempo].Envelope).Option("--tempo-random-envelope")
            .Add("Pitch - Frequency Factor", FrequencyFactor).Option("--pitch-frequency-factor", "factor")
            .Add("Block Size", BlockSize).Option("--block-size", "time > 0");
    }
};

}  // namespace korvane
