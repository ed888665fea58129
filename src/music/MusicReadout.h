#pragma once

#include <cstdint>
#include <string>

namespace korvane {

class TUnitMuz;
class TStaveSymbol;

// What the status bar tells a musician about the music: the place of a
// symbol in bars and beats, its note value, and what a click in add mode
// will insert.

// A place in the bars of a single part: bar 1 starts at the part's start,
// or after the upbeat, which is bar 0. Beat 1 is the bar's first beat; the
// beat unit is the bar's note length.
struct TBarBeat {
    int Bar = 1;
    double Beat = 1;
};
TBarBeat BarBeatOf(const TStaveSymbol& symbol);
// "bar 3, beat 2½"; fractions of a beat that have no sign of their own as
// "beat 2 3/16".
std::string BarBeatText(const TBarBeat& place);
// The value a head shows: "1/4", "dotted 1/8", "1/8 triplet".
std::string NoteValueText(int flagLength, int points, uint8_t multiOol);
// Panel 1 of the status bar for the document: in add mode what a click
// inserts ("insert: 1/8 note"), else the selected symbol's kind with its
// place and value ("Note · bar 3, beat 2½ · 1/8 triplet"); "" when nothing
// is selected.
std::string MusicReadout(const TUnitMuz& doc);
// The quarter-note rate a tempo of so many seconds per whole note means:
// "♩ = 120" (to a tenth where it is not whole); "" for no positive tempo.
std::string QuarterRateText(double secondsPerWhole);
// The sign of an accidental ("♯", "♮"); "" for none.
std::string AccidentalSign(uint8_t noteShift);

}  // namespace korvane
