#pragma once

#include <cstdint>
#include <memory>

#include "values/ValueField.h"

namespace korvane {

class TUnitMuz;
class TNoteStave;
class TCompoundPlayer;

enum TNotePlayerKind : uint8_t {
    notePlayerSimpleSampler = 0,
    notePlayerResonantSampler = 1,
    notePlayerRepeatWaveForm = 2,
    notePlayerRollOutSampler = 3,
    notePlayerRollOutWaveForm = 4,
    notePlayerNone = 255,
};

// The file element of a player kind; nullptr outside 0 to 4.
const char* NotePlayerElement(uint8_t kind);

struct TSimpleSamplerProps {
    unitUnitWave SampleWave{"sample"};
    unitTimePosMore BasicFreq{1.0 / 440, ucHertz};
};
struct TRollOutSamplerProps {
    unitUnitWave SampleWave{"sample"};
    unitTimePosMore BasicFreq{1.0 / 440, ucHertz};
};
struct TRepeatWaveFormProps {
    unitUnitWave SampleWave{"sample"};
};
struct TRollOutWaveFormProps {
    unitUnitWave SampleWave{"sample"};
};
struct TResonantSamplerProps {
    unitUnitWave SampleWave{"sample"};
    unitFactorPosMax1 ResFactor{0.05, ucPercent};
};

// The settings of one one-player. All kind records are kept, so switching
// the kind back restores what was set before.
struct TOnePlayerProps {
    unitFreq FreqUp;
    unitVolumeFactor VolumeFactor;
    TSimpleSamplerProps SimpleSampler;
    TRollOutSamplerProps RollOutSampler;
    TRepeatWaveFormProps RepeatWaveForm;
    TRollOutWaveFormProps RollOutWaveForm;
    TResonantSamplerProps ResonantSampler;
    uint8_t NotePlayerKind = notePlayerNone;

    TOnePlayerProps(const unitFreq& freqUp, const unitVolumeFactor& volumeFactor)
        : FreqUp(freqUp), VolumeFactor(volumeFactor) {}
    TOnePlayerProps() : TOnePlayerProps(unitFreq(0), unitVolumeFactor(1)) {}
};

// One instrument voice of a compound player.
class TOnePlayer {
public:
    explicit TOnePlayer(const TOnePlayerProps& props) : OnePlayerProps(props) {}
    TOnePlayer(const TOnePlayer&) = delete;
    TOnePlayer& operator=(const TOnePlayer&) = delete;

    TOnePlayer* GetNext() const { return Next; }
    TCompoundPlayer* GetCompoundPlayer() const { return CompoundPlayer; }

    TSimpleSamplerProps& GetSimpleSamplerProps();
    TRollOutSamplerProps& GetRollOutSamplerProps();
    TRepeatWaveFormProps& GetRepeatWaveFormProps();
    TRollOutWaveFormProps& GetRollOutWaveFormProps();
    TResonantSamplerProps& GetResonantSamplerProps();

    TOnePlayerProps OnePlayerProps;

private:
    friend class TCompoundPlayer;
    TOnePlayer* Next = nullptr;
    TCompoundPlayer* CompoundPlayer = nullptr;
};

// The ordered one-players of a note group. Filled once it never becomes
// empty again.
class TCompoundPlayer {
public:
    explicit TCompoundPlayer(TUnitMuz* unitMuz) : UnitMuz(unitMuz) {}
    TCompoundPlayer(const TCompoundPlayer&) = delete;
    TCompoundPlayer& operator=(const TCompoundPlayer&) = delete;
    ~TCompoundPlayer();

    TOnePlayer* GetStartOnePlayer() const { return StartOnePlayer; }
    TUnitMuz* GetUnitMuz() const { return UnitMuz; }
    // Puts a one-player after `afterOnePlayer`, or first when none is given.
    void InsertOnePlayer(TOnePlayer* afterOnePlayer, std::unique_ptr<TOnePlayer> onePlayer);
    void AppendOnePlayer(std::unique_ptr<TOnePlayer> onePlayer);
    // Takes a one-player out; the caller frees it.
    std::unique_ptr<TOnePlayer> DeleteOnePlayer(TOnePlayer* deletePlayer);
    TOnePlayer* PrevOnePlayer(const TOnePlayer* onePlayer) const;
    int CountOnePlayers() const;

    TOnePlayer* CurrentOnePlayer = nullptr;

private:
    TOnePlayer* StartOnePlayer = nullptr;
    TUnitMuz* UnitMuz;
};

enum TNoteShape : uint8_t { noteShapeNormal = 0, noteShapeRectangle = 1 };

class TNoteGroup {
public:
    TNoteGroup(TNoteStave* noteStave, int noteColor, std::unique_ptr<TCompoundPlayer> compoundPlayer, uint8_t noteShape,
               uint8_t stickDirection);
    TNoteGroup(const TNoteGroup&) = delete;
    TNoteGroup& operator=(const TNoteGroup&) = delete;

    TNoteGroup* GetNext() const { return Next; }
    TCompoundPlayer* GetCompoundPlayer() const { return CompoundPlayer.get(); }
    TNoteStave* GetNoteStave() const { return NoteStave; }

    int NoteColor;
    uint8_t NoteShape;
    // 0 up, 1 down, anything else free.
    uint8_t StickDirection;
    uint8_t Flag = 0;

private:
    friend class TStave;
    TNoteGroup* Next = nullptr;
    std::unique_ptr<TCompoundPlayer> CompoundPlayer;
    TNoteStave* NoteStave;
};

}  // namespace korvane
