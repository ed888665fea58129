#pragma once

#include "processing/EffectProps.h"
#include "processing/MakeProps.h"
#include "processing/TimeEchoProps.h"

namespace korvane {

// One record per dialog kind. Each wave document keeps its own copy; the
// main window keeps the last confirmed one, from which new documents start.
struct TWaveRecords {
    TSilenceProps Silence;
    TLineProps Line;
    TNoiseProps Noise;
    TBlockTriangleProps Block;
    TBlockTriangleProps Triangle;
    TSinusProps Sinus;
    TMFreqProps MFreq;
    TMixProps Mix;
    TVolumeProps Volume;
    TUpProps Up;
    TDistortProps Distort;
    TBlockProps BlockEffect;
    TRotateProps Rotate;
    TBalanceProps Balance;
    TLeftRightProps LeftRight;
    THighLowProps FilterHigh;
    THighLowProps FilterLow;
    TResNotchProps FilterRes;
    TResNotchProps FilterNotch;
    TBlockFilterProps BlockFilter;
    TRollInProps RollIn;
    TRollOutProps RollOut;
    TLengthProps Length;
    TTempoPitchProps TempoPitch;
    TPerEchoProps PerEcho;
    TRandomEchoProps RndEcho;
};

}  // namespace korvane
