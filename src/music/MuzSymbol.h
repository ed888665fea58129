#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

class TNoteStave;
class TSinglePartMuz;
class TNoteGroup;
class TCompoundPlayer;
class TUnitMuz;
class TLoopPartMuz;

enum TSelMuzSymbolKind : uint8_t { muzSymbolBar = 0, muzSymbolLoop = 1, muzSymbolStave = 2 };
enum TStaveSymbolKind : uint8_t { staveSymbolKey = 0, staveSymbolNote = 1, staveSymbolSilence = 2 };
enum TMultiOol : uint8_t { sool = 1, duool = 2, triool = 3, kwartool = 4, kwintool = 5 };
enum TNoteShiftKind : uint8_t {
    noteShiftDoubleKruis = 0,
    noteShiftKruis = 1,
    noteShiftNormal = 2,
    noteShiftMol = 3,
    noteShiftDoubleMol = 4,
    noteShiftNone = 5,
};
enum TNoteArtKind : uint8_t {
    noteArtNormal = 0,
    noteArtStaccato = 1,
    noteArtStaccatissimo = 2,
    noteArtPortato = 3,
    noteArtLegato = 4,
};
enum TNoteStickKind : uint8_t { noteStickUp = 0, noteStickDown = 1, noteStickGroup = 2 };

// Semitones that an accidental adds; noteShiftNone adds nothing.
int NoteShiftSemitones(uint8_t noteShiftKind);
// The word of the debug line ("kruis", "mol", ...); empty for noteShiftNone.
const char* NoteShiftWord(uint8_t noteShiftKind);
// Factor on the played length of an articulation.
double NoteArtFactor(uint8_t noteArtKind);
const char* NoteArtHint(uint8_t noteArtKind);
// Whether a length kind is one of 1, 2, 4 ... 64.
bool IsNoteLengthKind(int lengthKind);

// Where the score layout (src/score) last drew a symbol. Only the layout
// writes it; its hit tests and nearest-symbol search read it.
struct TSymbolLayout {
    // Horizontal extent in window pixels, for mouse hits.
    int LeftX = 0;
    int RightX = 0;
};

// Anything in the score that the mouse can touch and select.
class TXTouchMuzSymbol {
public:
    TSymbolLayout Layout;

    virtual ~TXTouchMuzSymbol() = default;
    virtual uint8_t GetSelMuzSymbolKind() const = 0;
};

// A symbol in one stave of one single music part. The part owns it and keeps
// it in its list through Next and Prev.
class TStaveSymbol : public TXTouchMuzSymbol {
public:
    TStaveSymbol* Next = nullptr;
    TStaveSymbol* Prev = nullptr;

    TStaveSymbol(TNoteStave* noteStave, double position, TSinglePartMuz* singlePartMuz)
        : NoteStave(noteStave), Position(position), SinglePartMuz(singlePartMuz) {}

    uint8_t GetSelMuzSymbolKind() const override { return muzSymbolStave; }
    virtual uint8_t GetStaveSymbolKind() const = 0;
    virtual void SetNext(TStaveSymbol* next) { Next = next; }
    virtual std::string DebugLine() const = 0;

    TNoteStave* GetNoteStave() const { return NoteStave; }
    double GetSymbolPosition() const { return Position; }
    void SetSymbolPosition(double position);
    TSinglePartMuz* GetSinglePartMuz() const { return SinglePartMuz; }
    // Tells the owning part that something it draws changed (see
    // TSinglePartMuz::Touch); the setters of the symbols call it.
    void TouchPart() const;

    // Whether this symbol stands before `other` in a part's list. Staves are
    // not compared.
    bool IsPrevOf(const TStaveSymbol& other) const;

protected:
    TNoteStave* NoteStave;
    double Position;
    TSinglePartMuz* SinglePartMuz;

    // Keys before timed symbols at one position.
    virtual int orderRank() const = 0;
    virtual int orderSecondary() const = 0;
};

// One piece of a drawn length that crosses a bar line: a standard value.
struct TDrawnPiece {
    int NoteLengthKind;
    int Points;
};

// A run of standard values that adds up to a broken length r (whole notes).
// A remainder below a sixty-fourth is drawn as one sixty-fourth and ends the
// run, so the run never goes below zero for lengths off the 1/64 grid.
std::vector<TDrawnPiece> BrokenLengthPieces(double r);

// A stave symbol with a duration: a note or a silence.
class TStaveTimeSymbol : public TStaveSymbol {
public:
    TStaveTimeSymbol(TNoteStave* noteStave, double position, TSinglePartMuz* singlePartMuz, int8_t noteLengthKind,
                     int points, uint8_t multiOol, int posInOol);

    virtual double GetTotalLength() const;
    int8_t GetNoteLengthKind() const { return NoteLengthKind; }
    int GetPoints() const { return Points; }
    uint8_t GetMultiOol() const { return MultiOol; }
    int GetPosInOol() const { return PosInOol; }
    // Changing the length keeps the invariants of a new symbol.
    void SetLength(int8_t noteLengthKind, int points, uint8_t multiOol, int posInOol);

    // The note value that head and flags show.
    int GetFlagLength() const;
    // Points shown on one member of a tuplet.
    int GetShownPoints() const;
    // The total length kind for a head of flagLength in this symbol's tuplet.
    bool FlagLength2TotalLength(int flagLength, int8_t& totalNoteLengthKind) const;
    bool MayTotalPoints(int points) const;

    void SetMark(int mark);
    void ClearMark();
    int GetMark() const { return Mark; }

    // Notes and silences at this position in this stave (keys skipped):
    // the last of them going forward, the one before this, the first.
    TStaveTimeSymbol* LastAtPosition();
    TStaveTimeSymbol* PrevAtPosition();
    TStaveTimeSymbol* FirstAtPosition();
    // The same, among those that also share PosInOol (a chord).
    TStaveTimeSymbol* LastInChord();
    TStaveTimeSymbol* PrevInChord();
    TStaveTimeSymbol* FirstInChord();

protected:
    int8_t NoteLengthKind;
    int Points;
    uint8_t MultiOol;
    int PosInOol;
    int Mark = 0;

    int orderRank() const override { return 6; }
    int orderSecondary() const override { return PosInOol; }

private:
    bool sameTimeGroup(const TStaveSymbol* other, bool chord) const;
    void checkInvariants() const;
};

class TSilence : public TStaveTimeSymbol {
public:
    using TStaveTimeSymbol::TStaveTimeSymbol;
    uint8_t GetStaveSymbolKind() const override { return staveSymbolSilence; }
    std::string DebugLine() const override;
};

// What the renderer and the players see of a note.
class TNote {
public:
    virtual ~TNote() = default;
    virtual TNote* NextNote() const = 0;
    virtual TCompoundPlayer* GetPlayer() const = 0;
    virtual double GetPosition() const = 0;
    virtual double GetStartTime() const = 0;
    virtual double GetPeriod() const = 0;
    virtual double GetTotalLength() const = 0;
    virtual double GetPlayLength() const = 0;
    virtual bool IsMuted() const = 0;
};

class TMuzNote : public TNote, public TStaveTimeSymbol {
public:
    TMuzNote(TNoteGroup* noteGroup, TUnitMuz* unitMuz, TNoteStave* noteStave, double position,
             TSinglePartMuz* singlePartMuz, int8_t noteLengthKind, int points, uint8_t multiOol, int posInOol,
             int pitch, uint8_t noteShiftKind, uint8_t noteArtKind, uint8_t drawStickKind);

    uint8_t GetStaveSymbolKind() const override { return staveSymbolNote; }
    std::string DebugLine() const override;

    TNote* NextNote() const override;
    TCompoundPlayer* GetPlayer() const override;
    double GetPosition() const override { return Position; }
    double GetStartTime() const override;
    double GetPeriod() const override;
    double GetTotalLength() const override { return TStaveTimeSymbol::GetTotalLength(); }
    double GetPlayLength() const override;
    bool IsMuted() const override;

    TNoteGroup* GetNoteGroup() const { return NoteGroup; }
    // The group gives the note its colour and shape: the part is touched.
    void SetNoteGroup(TNoteGroup* noteGroup) {
        NoteGroup = noteGroup;
        TouchPart();
    }
    TUnitMuz* GetUnitMuz() const { return UnitMuz; }
    int GetPitch() const { return Pitch; }
    void SetPitch(int pitch);
    uint8_t GetNoteShiftKind() const { return NoteShiftKind; }
    void SetNoteShiftKind(uint8_t kind);
    uint8_t GetNoteArtKind() const { return NoteArtKind; }
    void SetNoteArtKind(uint8_t kind);
    uint8_t GetDrawStickKind() const { return DrawStickKind; }
    void SetDrawStickKind(uint8_t kind);
    // The note's own stick, or its group's; noteStickGroup while still free.
    uint8_t GetEffectiveStick() const;

    // Written only by the score layout: the stave height at which the head
    // was last drawn, from which the vertical hit distance is measured.
    struct TNoteLayout {
        int DrawnHeight = 0;
    } NoteLayout;

protected:
    TNoteGroup* NoteGroup;
    TUnitMuz* UnitMuz;
    int Pitch;
    uint8_t NoteShiftKind;
    uint8_t NoteArtKind;
    uint8_t DrawStickKind;
};

// The period in seconds of a pitch with an accidental (440 Hz at pitch 5).
double PitchPeriod(int pitch, uint8_t noteShiftKind);

// Begin or end mark of a repeated part in the score.
class TLoopPartSymbol : public TXTouchMuzSymbol {
public:
    enum : uint8_t { loopSideLeft = 1, loopSideRight = 2 };
    TLoopPartSymbol(TLoopPartMuz* loopPart, uint8_t side) : LoopPart(loopPart), Side(side) {}
    uint8_t GetSelMuzSymbolKind() const override { return muzSymbolLoop; }
    TLoopPartMuz* GetLoopPart() const { return LoopPart; }
    uint8_t GetSide() const { return Side; }

private:
    TLoopPartMuz* LoopPart;
    uint8_t Side;
};

}  // namespace korvane
