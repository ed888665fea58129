#pragma once

#include <string>

#include "score/ScoreLayout.h"

namespace korvane {

// The layout the last Layout drew, as text: one line per drawn symbol in
// drawing order, `PART STAVE N KIND ONSET X LEFT RIGHT Y` tab-separated,
// every x in pixels of the score drawn from origin x 5 (unscrolled) and
// every y from origin y 0. Keys, notes and silences are numbered as `select
// S N` counts them; bar lines have stave 0 and the number of the bar they
// end; a loop mark has stave 0, the number of the part before it (0 when
// none) and its own number among the loop marks from 1.
std::string ScoreLayoutDump(const TScoreLayout& layout);

}  // namespace korvane
