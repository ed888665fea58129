#pragma once

#include <string>
#include <vector>

#include "interchange/InterchangeReport.h"
#include "music/TUnitMuz.h"

namespace korvane {

// One note of a Standard MIDI File, in ticks.
struct TMidiNote {
    int Track;  // from 0, the conductor track not counted
    int Channel;
    int Key;
    int Velocity;
    long long Start;
    long long End;
    bool operator==(const TMidiNote&) const = default;
};

// The notes of the document as the renderer plays them (loops and turns
// unfolded, each articulation's play length, muted staves and parts hidden
// by Play and Draw left out), one track per note group, at `division` ticks
// a quarter. False with `error` when the unfolded music is too large.
bool MidiNotesOf(TUnitMuz& unitMuz, int& division, std::vector<TMidiNote>& notes, TInterchangeReport& report,
                 std::string& error);

// A type 1 file: a conductor track with the tempo and the first bar, then
// one track per note group named by stave and group, with `program`.
bool WriteMidi(TUnitMuz& unitMuz, int program, std::string& bytes, TInterchangeReport& report, std::string& error);

}  // namespace korvane
