#include "music/NotePlayers.h"

#include "core/Assert.h"

namespace korvane {

const char* NotePlayerElement(uint8_t kind) {
    switch (kind) {
        case notePlayerSimpleSampler:
            return "SimpleOneSampler";
        case notePlayerResonantSampler:
            return "ResonantSampler";
        case notePlayerRepeatWaveForm:
            return "RepeatWaveForm";
        case notePlayerRollOutSampler:
            return "RollOutSampler";
        case notePlayerRollOutWaveForm:
            return "RollOutWaveForm";
        default:
            return nullptr;
    }
}

TSimpleSamplerProps& TOnePlayer::GetSimpleSamplerProps() {
    KORVANE_ASSERT(OnePlayerProps.NotePlayerKind == notePlayerSimpleSampler);
    return OnePlayerProps.SimpleSampler;
}

TRollOutSamplerProps& TOnePlayer::GetRollOutSamplerProps() {
    KORVANE_ASSERT(OnePlayerProps.NotePlayerKind == notePlayerRollOutSampler);
    return OnePlayerProps.RollOutSampler;
}

TRepeatWaveFormProps& TOnePlayer::GetRepeatWaveFormProps() {
    KORVANE_ASSERT(OnePlayerProps.NotePlayerKind == notePlayerRepeatWaveForm);
    return OnePlayerProps.RepeatWaveForm;
}

TRollOutWaveFormProps& TOnePlayer::GetRollOutWaveFormProps() {
    KORVANE_ASSERT(OnePlayerProps.NotePlayerKind == notePlayerRollOutWaveForm);
    return OnePlayerProps.RollOutWaveForm;
}

TResonantSamplerProps& TOnePlayer::GetResonantSamplerProps() {
    KORVANE_ASSERT(OnePlayerProps.NotePlayerKind == notePlayerResonantSampler);
    return OnePlayerProps.ResonantSampler;
}

// ---------------------------------------------------------------------------

TCompoundPlayer::~TCompoundPlayer() {
    TOnePlayer* onePlayer = StartOnePlayer;
    KORVANE_ASSERT(onePlayer != NULL);
    while (onePlayer) {
        TOnePlayer* next = onePlayer->Next;
        delete onePlayer;
        onePlayer = next;
    }
}

void TCompoundPlayer::InsertOnePlayer(TOnePlayer* afterOnePlayer, std::unique_ptr<TOnePlayer> onePlayer) {
    TOnePlayer* prevOnePlayer = nullptr;
    if (afterOnePlayer) {
        prevOnePlayer = StartOnePlayer;
        KORVANE_ASSERT(prevOnePlayer != NULL);
        while (prevOnePlayer != afterOnePlayer) {
            KORVANE_ASSERT(prevOnePlayer->GetNext() != NULL || prevOnePlayer == afterOnePlayer);
            prevOnePlayer = prevOnePlayer->Next;
        }
    }
    TOnePlayer* newPlayer = onePlayer.release();
    newPlayer->CompoundPlayer = this;
    if (!prevOnePlayer) {
        newPlayer->Next = StartOnePlayer;
        StartOnePlayer = newPlayer;
    } else {
        newPlayer->Next = prevOnePlayer->Next;
        prevOnePlayer->Next = newPlayer;
    }
    if (!CurrentOnePlayer) CurrentOnePlayer = newPlayer;
}

void TCompoundPlayer::AppendOnePlayer(std::unique_ptr<TOnePlayer> onePlayer) {
    TOnePlayer* last = StartOnePlayer;
    while (last && last->Next) last = last->Next;
    InsertOnePlayer(last, std::move(onePlayer));
}

std::unique_ptr<TOnePlayer> TCompoundPlayer::DeleteOnePlayer(TOnePlayer* deletePlayer) {
    KORVANE_ASSERT(deletePlayer != NULL);
    if (deletePlayer == this->StartOnePlayer) {
        // The list may not become empty; checked before anything changes.
        TOnePlayer* StartOnePlayer = deletePlayer->Next;
        KORVANE_ASSERT(StartOnePlayer != NULL);
        this->StartOnePlayer = StartOnePlayer;
    } else {
        TOnePlayer* prev = PrevOnePlayer(deletePlayer);
        if (!prev) KORVANE_ASSERT(false);
        prev->Next = deletePlayer->Next;
    }
    if (CurrentOnePlayer == deletePlayer) CurrentOnePlayer = StartOnePlayer;
    deletePlayer->Next = nullptr;
    deletePlayer->CompoundPlayer = nullptr;
    return std::unique_ptr<TOnePlayer>(deletePlayer);
}

TOnePlayer* TCompoundPlayer::PrevOnePlayer(const TOnePlayer* onePlayer) const {
    TOnePlayer* startOnePlayer = StartOnePlayer;
    KORVANE_ASSERT(startOnePlayer != NULL);
    for (TOnePlayer* p = startOnePlayer; p; p = p->Next)
        if (p->Next == onePlayer) return p;
    return nullptr;
}

int TCompoundPlayer::CountOnePlayers() const {
    int n = 0;
    for (TOnePlayer* p = StartOnePlayer; p; p = p->Next) ++n;
    return n;
}

// ---------------------------------------------------------------------------

TNoteGroup::TNoteGroup(TNoteStave* noteStave, int noteColor, std::unique_ptr<TCompoundPlayer> compoundPlayer,
                       uint8_t noteShape, uint8_t stickDirection)
    : NoteColor(noteColor),
      NoteShape(noteShape),
      StickDirection(stickDirection),
      CompoundPlayer(std::move(compoundPlayer)),
      NoteStave(noteStave) {}

}  // namespace korvane
