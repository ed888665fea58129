#pragma once

#include <span>
#include <vector>

#include "core/DrawnWave.h"
#include "processing/MakeProps.h"

namespace korvane {

class TUnitWave;

// The Make commands of a wave document. Each keeps the record as the
// document's own, replaces the insert range by the new material and selects
// it. They return false when the document kept its sound (a failure).
bool MakeSilence(TUnitWave& doc, const TSilenceProps& props);
bool MakeLine(TUnitWave& doc, const TLineProps& props);
bool MakeNoise(TUnitWave& doc, const TNoiseProps& props);
bool MakeBlock(TUnitWave& doc, const TBlockTriangleProps& props);
bool MakeTriangle(TUnitWave& doc, const TBlockTriangleProps& props);
bool MakeSinus(TUnitWave& doc, const TSinusProps& props);
bool MakeMFreq(TUnitWave& doc, const TMFreqProps& props);

// Replaces the document's sound by one second of the drawn curve, mono, at
// the document's frequency; makes no undo step. Needs two points or more,
// the first at `left` and the last at `right`.
bool DrawWave(TUnitWave& doc, std::span<const DrawnPoint> points, double left, double top, double right,
              double bottom, int mode);

// Dialog-level refusals of the Make dialogs (empty when the values are fine).
std::string CheckLine(const TLineProps& props);
std::string CheckBlockTriangle(const TBlockTriangleProps& props, int32_t freq);
std::string CheckMFreq(const TMFreqProps& props);

}  // namespace korvane
