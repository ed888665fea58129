#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "music/MuzSymbol.h"

namespace korvane {

class TNoteGroup;
class TUnitMuz;
class TSinglePartMuz;

enum TDrawFlagKind : uint8_t { drawFlagSeparate = 0, AllowJoinFlags = 1, drawFlagNone = 2 };

// A stave of the document's list, top to bottom, with its note groups. The
// stave owns its groups; the document owns the staves.
class TStave {
public:
    TStave* Next = nullptr;
    TStave* Prev = nullptr;

    TStave() = default;
    TStave(const TStave&) = delete;
    TStave& operator=(const TStave&) = delete;
    virtual ~TStave();

    TStave* GetNext() const { return Next; }
    TNoteGroup* GetStartNoteGroup() const { return StartNoteGroup; }

    // Puts a group after `afterGroup`, or first when none is given.
    void InsertNoteGroup(TNoteGroup* afterGroup, std::unique_ptr<TNoteGroup> group);
    void AppendNoteGroup(std::unique_ptr<TNoteGroup> group);
    TNoteGroup* PrevNoteGroup(const TNoteGroup* group) const;
    // Takes a group out of the list; the stave keeps at least one.
    std::unique_ptr<TNoteGroup> RemoveNoteGroup(TNoteGroup* deleteGroup);
    int CountNoteGroups() const;

    // The group the note group dialog shows.
    TNoteGroup* DialogNoteGroup = nullptr;

protected:
    TNoteGroup* StartNoteGroup = nullptr;
};

class TNoteStave : public TStave {
public:
    int ForegroundColor = 0;
    int BackgroundColor = 0xFFFFFF;
    int RoomUp = 80;
    int RoomDown = 80;
    uint8_t drawFlagKind = AllowJoinFlags;
    bool Mute = false;
    bool ExtraLines = false;
    TUnitMuz* UnitMuz;
    TNoteGroup* SelectedNoteGroup = nullptr;

    // Written only by the score layout (src/score): where the stave was
    // last drawn and the accidentals it tracked while laying out a part.
    struct TNoteStaveLayout {
        // The window y of the middle line.
        int BaseY = 0;
        // The widest window x the symbols of the stave reached.
        int ReachedX = 0;
        // The key's scale, and the accidentals in effect in the current bar.
        std::array<uint8_t, 7> KeyScale{};
        std::array<uint8_t, 7> BarScale{};

        TNoteStaveLayout();
        void SetLayoutBase(int baseY, int startX);
        void WidenReachedX(int x);
        void StartKeyLayout(const class TKey& key);
        void ResetBarScale();
    } Layout;

    TNoteStave(TUnitMuz* unitMuz, int foregroundColor, int backgroundColor, int roomUp, int roomDown, uint8_t flagKind,
               bool mute, bool extraLines);
};

class TKey : public TStaveSymbol {
public:
    enum : int8_t { keyKindC = 0, keyKindF = -6, keyKindG = 6 };

    TKey(TUnitMuz* unitMuz, int8_t keyKind, int addOctaves, double position, TNoteStave* noteStave, int keyNumber,
         TSinglePartMuz* singlePartMuz);

    uint8_t GetStaveSymbolKind() const override { return staveSymbolKey; }
    std::string DebugLine() const override;

    int8_t GetKeyKind() const { return KeyKind; }
    // A new clef keeps the accidentals on the same note names.
    void SetKeyKind(int8_t keyKind);
    int GetAddOctaves() const { return AddOctaves; }
    void SetAddOctaves(int addOctaves);
    int GetKeyNumber() const { return KeyNumber; }
    // Renumbering orders the keys at one time; the part re-places the key.
    void SetKeyNumber(int keyNumber) {
        KeyNumber = keyNumber;
        TouchPart();
    }
    TUnitMuz* GetUnitMuz() const { return UnitMuz; }
    uint8_t GetNoteShift(int height) const { return ToonLadderScale[wrapHeight(height)]; }
    void SetNoteShift(int height, uint8_t noteShiftKind) {
        ToonLadderScale[wrapHeight(height)] = noteShiftKind;
        TouchPart();
    }
    const std::array<uint8_t, 7>& GetScale() const { return ToonLadderScale; }

    // Recognises a standard key signature: the number of sharps, or minus the
    // number of flats.
    bool ToonLadder(int& count) const;
    int HeightToPitch(int height) const { return height + KeyKind + 7 * AddOctaves; }
    int PitchToHeight(int pitch) const { return pitch - KeyKind - 7 * AddOctaves; }
    bool HeightAllowed(int height) const;
    // Scale index of the i-th sharp or flat of a signature.
    int SignatureIndex(int i, uint8_t noteShiftKind) const;
    // Stave height at which the i-th sharp or flat is drawn.
    int SignatureHeight(int i, uint8_t noteShiftKind) const;

    static int wrapHeight(int height) { return ((height % 7) + 7) % 7; }

protected:
    int orderRank() const override { return 1; }
    int orderSecondary() const override { return 2 * KeyNumber; }

private:
    TUnitMuz* UnitMuz;
    int8_t KeyKind;
    int AddOctaves;
    std::array<uint8_t, 7> ToonLadderScale;
    int KeyNumber;
};

// Every noteShiftNone entry of `target` takes the entry of `source`.
void MergeScales(std::array<uint8_t, 7>& target, const std::array<uint8_t, 7>& source);

// The bar definition of one single music part.
class TMuzBar : public TXTouchMuzSymbol {
public:
    // Also attaches the bar to the part.
    TMuzBar(TSinglePartMuz* singlePartMuz, int8_t noteLength, int countNotes, int extraCount);

    uint8_t GetSelMuzSymbolKind() const override { return muzSymbolBar; }
    TSinglePartMuz* GetSinglePartMuz() const { return SinglePartMuz; }
    int8_t GetNoteLength() const { return NoteLength; }
    int GetCountNotes() const { return CountNotes; }
    int GetExtraCount() const { return ExtraCount; }
    // Changing the bar touches its part (see TSinglePartMuz::Touch).
    void SetBar(int8_t noteLength, int countNotes, int extraCount);

    double BarLength() const;
    double FirstBarLine() const;
    double NextBarLine(double position) const;
    // Step the upbeat; the quotient tells whether a whole bar was passed.
    int StepExtraCountUp();
    int StepExtraCountDown();
    // Width of the drawn time signature.
    int DrawnWidth() const;
    std::string DebugLine() const;

private:
    int8_t NoteLength;
    int CountNotes;
    int ExtraCount;
    TSinglePartMuz* SinglePartMuz;
};

// The accidental that sounds for `pitch` at position p in one stave of a
// part, from the keys and earlier notes of the same bar.
uint8_t AccidentalInEffect(const TSinglePartMuz& part, const TNoteStave* stave, double p, int pitch);
// The last key of the stave at or before p, or none.
TKey* KeyInEffect(const TSinglePartMuz& part, const TNoteStave* stave, double p);

}  // namespace korvane
