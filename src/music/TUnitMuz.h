#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "music/MuzSymbol.h"
#include "music/NotePlayers.h"
#include "music/NoteStave.h"
#include "music/PartMuz.h"
#include "core/TUnit.h"
#include "values/ValueField.h"

namespace korvane {

enum TUnitMuzMode : uint8_t { unitMuzAdd = 0, unitMuzSel = 1, unitMuzDel = 2 };
enum TInsertModeKind : uint8_t {
    insertModeKey = 0,
    insertModeNote = 1,
    insertModeNoteShift = 2,
    insertModeSilence = 3,
};

// Sounds single notes for Play Note and auto play. The window gives its
// documents one; in batch there is none and playing does nothing.
class TNoteSounder {
public:
    virtual ~TNoteSounder() = default;
    virtual void SoundNote(const TMuzNote& note) = 0;
};

// A music document: staves top to bottom, the part tree, tempo and the
// settings rendering reads.
class TUnitMuz : public TUnit {
public:
    // An empty document: no staves, a start part without child. The file
    // reader fills it; InitNew makes the document of "New Music".
    TUnitMuz();
    ~TUnitMuz() override;

    // One stave with one note group and one part of 4/4 holding the stave's
    // G key.
    void InitNew();
    // Back to the empty document of the constructor, in place: the window,
    // the journal and the undo step keep referring to this object. Nothing
    // may hold a symbol, stave or part of the old content afterwards.
    void ClearContent();

    int32_t GetFreq() const override { return SampleFreq; }
    int16_t GetMoSt() const override { return Channels; }
    int16_t GetBytesPSample() const override { return BytesPSample; }
    void ChangeProperties(const WaveFileProps& oldProps, const WaveFileProps& newProps) override;

    TStartPartMuz* GetStartPart() const { return StartPart.get(); }

    TNoteStave* GetFirstStave() const { return FirstStave; }
    // Puts a stave after `afterStave`, or at the top when none is given; the
    // parts get its G key.
    TNoteStave* InsertStave(TNoteStave* afterStave, std::unique_ptr<TNoteStave> stave);
    // Appends a stave without touching the parts (used while reading).
    // `last`, when given, is the last stave so far (a reader appending many
    // keeps it), which saves the walk to the end.
    TNoteStave* AppendStave(std::unique_ptr<TNoteStave> stave, TStave* last = nullptr);
    int CountStaves() const;
    // Takes a stave out of the list; its symbols must already be gone from
    // the parts.
    std::unique_ptr<TNoteStave> RemoveStave(TNoteStave* stave);
    // Exchanges a stave with the one below it.
    void ExchangeStaveWithNext(TNoteStave* stave);

    // Bumped when the staves change in what the score draws: added, removed
    // or moved staves, rooms, colours, flag joining, and the colours, shapes
    // and sticks of their note groups. Adding a stave bumps it; the music
    // dialog's edits call TouchStaves.
    void TouchStaves() { ++StavesRevision_; }
    uint64_t StavesRevision() const { return StavesRevision_; }

    TSinglePartMuz* FirstSinglePart() const;
    TSinglePartMuz* LastSinglePart() const;
    TSinglePartMuz* NextSinglePart(TSinglePartMuz* part) const { return part->NextSinglePart(); }
    TSinglePartMuz* PrevSinglePart(TSinglePartMuz* part) const { return part->PrevSinglePart(); }

    uint8_t GetSelMuzSymbolKind() const;
    void SetSelectedSymbol(TXTouchMuzSymbol* symbol);
    // With auto play on, plays a note an edit touched.
    void AutoPlayNote(const TMuzNote& note) const {
        if (AutoPlay && Sounder) Sounder->SoundNote(note);
    }

    TNoteSounder* Sounder = nullptr;

    unitTimePosMore Tempo{1.0, ucSecond};
    int16_t Channels = 1;
    int32_t SampleFreq = 22050;
    int16_t BytesPSample = 2;
    bool AutoPlay = true;

    uint8_t UnitMuzMode = unitMuzAdd;
    TXTouchMuzSymbol* SelectedSymbol = nullptr;
    TNoteStave* SelectedInStave = nullptr;
    // The part or turn selected in the tree dialog.
    TMusTreeItem* SelectedTreeItem = nullptr;
    // The stave the music dialog shows.
    TNoteStave* CurrentStave = nullptr;

    uint8_t InsertModeKind = insertModeNote;
    int8_t InsertLengthKind = 4;
    int InsertPoints = 0;
    uint8_t InsertArtKind = noteArtNormal;
    uint8_t InsertNoteShift = noteShiftNormal;
    int8_t InsertKeyKind = TKey::keyKindG;
    uint8_t InsertStickKind = noteStickGroup;

private:
    std::unique_ptr<TStartPartMuz> StartPart;
    TNoteStave* FirstStave = nullptr;
    uint64_t StavesRevision_ = 0;
};

// A note group with one simple sampler on the wave "sample", as a new stave
// gets it.
std::unique_ptr<TNoteGroup> MakeDefaultNoteGroup(TUnitMuz* unitMuz, TNoteStave* stave);

}  // namespace korvane
