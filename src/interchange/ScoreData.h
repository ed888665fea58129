#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "interchange/InterchangeReport.h"
#include "music/TUnitMuz.h"

namespace korvane {

// A score as the importers read it, before it becomes a music document:
// plain values that the builder checks against every rule of the model.
struct TXLength {
    double Position = 0;  // whole notes from the part's start
    int Length = 4;
    int Points = 0;
    int MultiOol = sool;
    int PosInOol = 0;
};

struct TXNote : TXLength {
    int Pitch = 0;
    uint8_t Shift = noteShiftNormal;
    uint8_t Art = noteArtNormal;
    uint8_t Stick = noteStickGroup;
    int Group = 0;
};

struct TXKey {
    double Position = 0;
    int8_t Kind = TKey::keyKindG;
    int Octaves = 0;
    std::array<uint8_t, 7> Scale{noteShiftNormal, noteShiftNormal, noteShiftNormal, noteShiftNormal,
                                 noteShiftNormal, noteShiftNormal, noteShiftNormal};
};

struct TXStaveInPart {
    std::vector<TXKey> Keys;
    std::vector<TXLength> Silences;
    std::vector<TXNote> Notes;
};

struct TXPart {
    int NoteLength = 4;
    int CountNotes = 4;
    int ExtraCount = 0;
    std::vector<TXStaveInPart> Staves;  // as many as the score has
};

struct TXGroup {
    int Colour = 0;
    uint8_t Shape = noteShapeNormal;
    uint8_t Stick = noteStickGroup;
};

struct TXStave {
    std::vector<TXGroup> Groups;
};

// A node of the part tree; a sequence of children is a chain of
// concatenations, nested to the right.
struct TXNode {
    enum Kind { single, sequence, loop, select } NodeKind = sequence;
    int Part = -1;
    int Count = 2;
    std::vector<std::pair<int, int>> Turns;  // count, pitch
    std::vector<TXNode> Children;
};

struct TXScore {
    double Tempo = 1.0;  // seconds a whole note
    std::vector<TXStave> Staves;
    std::vector<TXPart> Parts;
    TXNode Root;
};

// The scale of a standard signature of `fifths` sharps (or flats when
// negative) for a key of `keyKind`.
std::array<uint8_t, 7> ScaleOfFifths(int8_t keyKind, int fifths);
// Length kind and points whose length is `wholeNotes`; false when none is.
bool StandardLength(double wholeNotes, int& lengthKind, int& points);

// Makes the document from `score` (an empty document from TUnitMuz()). What
// breaks a rule of the model is left out or mended and reported; false with
// `error` only when nothing sensible can be built.
bool BuildMuz(const TXScore& score, TUnitMuz& unitMuz, TInterchangeReport& report, std::string& error);

}  // namespace korvane
