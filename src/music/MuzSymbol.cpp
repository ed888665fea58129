#include "music/MuzSymbol.h"

#include <cmath>
#include <cstdlib>

#include "core/Assert.h"
#include "music/NotePlayers.h"
#include "music/NoteStave.h"
#include "music/PartMuz.h"
#include "values/ValueWriters.h"

namespace korvane {

int NoteShiftSemitones(uint8_t noteShiftKind) {
    switch (noteShiftKind) {
        case noteShiftDoubleKruis:
            return 2;
        case noteShiftKruis:
            return 1;
        case noteShiftMol:
            return -1;
        case noteShiftDoubleMol:
            return -2;
        default:
            return 0;
    }
}

const char* NoteShiftWord(uint8_t noteShiftKind) {
    switch (noteShiftKind) {
        case noteShiftDoubleKruis:
            return "krskrs";
        case noteShiftKruis:
            return "kruis";
        case noteShiftNormal:
            return "norm";
        case noteShiftMol:
            return "mol";
        case noteShiftDoubleMol:
            return "molmol";
        default:
            return "";
    }
}

double NoteArtFactor(uint8_t noteArtKind) {
    switch (noteArtKind) {
        case noteArtStaccato:
            return 0.5;
        case noteArtStaccatissimo:
            return 0.25;
        case noteArtPortato:
            return 1.5;
        case noteArtLegato:
            return 2;
        default:
            return 1;
    }
}

const char* NoteArtHint(uint8_t noteArtKind) {
    switch (noteArtKind) {
        case noteArtStaccato:
            return "Staccato; Play 1/2 length of Note";
        case noteArtStaccatissimo:
            return "Staccatissimo; Play 1/4 length of Note";
        case noteArtPortato:
            return "Portato; Play 1,5 length of Note";
        case noteArtLegato:
            return "Legato; Play 2 length of Note";
        default:
            return "Normal; Play 1 length of Note";
    }
}

bool IsNoteLengthKind(int lengthKind) {
    for (int l = 1; l <= 64; l *= 2)
        if (l == lengthKind) return true;
    return false;
}

void TStaveSymbol::TouchPart() const {
    if (SinglePartMuz) SinglePartMuz->Touch();
}

void TStaveSymbol::SetSymbolPosition(double position) {
    Position = position;
    TouchPart();
}

bool TStaveSymbol::IsPrevOf(const TStaveSymbol& other) const {
    if (Position < other.Position) return true;
    if (Position > other.Position) return false;
    if (orderRank() != other.orderRank()) return orderRank() < other.orderRank();
    if (orderSecondary() != other.orderSecondary()) return orderSecondary() < other.orderSecondary();
    if (GetStaveSymbolKind() == staveSymbolNote && other.GetStaveSymbolKind() == staveSymbolNote)
        return static_cast<const TMuzNote&>(*this).GetPitch() > static_cast<const TMuzNote&>(other).GetPitch();
    return false;
}

std::vector<TDrawnPiece> BrokenLengthPieces(double r) {
    std::vector<TDrawnPiece> pieces;
    double restLength = r;
    while (restLength > 0) {
        int b = 64;
        for (int c = 1; c <= 64; c *= 2) {
            if (1.0 / c <= restLength) {
                b = c;
                break;
            }
        }
        if (1.0 / b > restLength) {
            pieces.push_back({64, 0});
            break;
        }
        double value = 1.0 / b;
        int points = 0;
        if (restLength - value < 1) {
            double addition = value;
            while (points < 2 && value < restLength) {
                addition /= 2;
                value += addition;
                ++points;
            }
            if (value > restLength) {
                value -= addition;
                --points;
            }
        }
        pieces.push_back({b, points});
        restLength -= value;
        KORVANE_ASSERT(restLength >= 0);
    }
    return pieces;
}

// ---------------------------------------------------------------------------

TStaveTimeSymbol::TStaveTimeSymbol(TNoteStave* noteStave, double position, TSinglePartMuz* singlePartMuz,
                                   int8_t noteLengthKind, int points, uint8_t multiOol, int posInOol)
    : TStaveSymbol(noteStave, position, singlePartMuz),
      NoteLengthKind(noteLengthKind),
      Points(points),
      MultiOol(multiOol),
      PosInOol(posInOol) {
    // The condition text is the contract's message, spaces included.
    // clang-format off
    KORVANE_ASSERT(posInOol < (int) multiOol);
    // clang-format on
    KORVANE_ASSERT(points > 0 || multiOol == sool || multiOol == triool || multiOol == kwintool);
    checkInvariants();
}

void TStaveTimeSymbol::checkInvariants() const {
    KORVANE_ASSERT(MultiOol != kwintool || NoteLengthKind <= 16);
    KORVANE_ASSERT(MultiOol == sool || NoteLengthKind <= 32);
}

void TStaveTimeSymbol::SetLength(int8_t noteLengthKind, int points, uint8_t multiOol, int posInOol) {
    // The condition text is the contract's message, spaces included.
    // clang-format off
    KORVANE_ASSERT(posInOol < (int) multiOol);
    // clang-format on
    KORVANE_ASSERT(points > 0 || multiOol == sool || multiOol == triool || multiOol == kwintool);
    NoteLengthKind = noteLengthKind;
    Points = points;
    MultiOol = multiOol;
    PosInOol = posInOol;
    checkInvariants();
    TouchPart();
}

double TStaveTimeSymbol::GetTotalLength() const {
    double addition = 1.0 / NoteLengthKind;
    double total = addition;
    for (int i = 0; i < Points; ++i) {
        addition /= 2;
        total += addition;
    }
    return total;
}

int TStaveTimeSymbol::GetFlagLength() const {
    int flagLength = NoteLengthKind;
    if (MultiOol == duool || MultiOol == triool || MultiOol == kwartool)
        flagLength = 2 * NoteLengthKind;
    else if (MultiOol == kwintool)
        flagLength = 4 * NoteLengthKind;
    KORVANE_ASSERT(flagLength <= 64);
    return flagLength;
}

int TStaveTimeSymbol::GetShownPoints() const {
    return (MultiOol == duool || MultiOol == kwartool) ? Points - 1 : Points;
}

bool TStaveTimeSymbol::FlagLength2TotalLength(int flagLength, int8_t& totalNoteLengthKind) const {
    switch (MultiOol) {
        case sool:
            totalNoteLengthKind = static_cast<int8_t>(flagLength);
            return true;
        case kwintool:
            if (flagLength < 4) return false;
            totalNoteLengthKind = static_cast<int8_t>(flagLength / 4);
            return true;
        default:
            if (flagLength < 2) return false;
            totalNoteLengthKind = static_cast<int8_t>(flagLength / 2);
            return true;
    }
}

bool TStaveTimeSymbol::MayTotalPoints(int points) const {
    if (MultiOol == duool || MultiOol == kwartool) return points >= 1 && points <= 3;
    return points >= 0 && points <= 3;
}

void TStaveTimeSymbol::SetMark(int mark) {
    KORVANE_ASSERT(mark != 0);
    KORVANE_ASSERT(Mark == 0);
    Mark = mark;
}

void TStaveTimeSymbol::ClearMark() {
    KORVANE_ASSERT(Mark != 0);
    Mark = 0;
}

bool TStaveTimeSymbol::sameTimeGroup(const TStaveSymbol* other, bool chord) const {
    if (other->GetNoteStave() != NoteStave || other->GetStaveSymbolKind() == staveSymbolKey) return false;
    return !chord || static_cast<const TStaveTimeSymbol*>(other)->PosInOol == PosInOol;
}

// Symbols at one position are adjacent in the list (other staves interleave),
// so the walks stop at the first symbol of another position.
static TStaveTimeSymbol* lastForward(TStaveTimeSymbol* self, bool chord,
                                     bool (TStaveTimeSymbol::*same)(const TStaveSymbol*, bool) const) {
    TStaveTimeSymbol* last = self;
    for (TStaveSymbol* s = self->Next; s && s->GetSymbolPosition() == self->GetSymbolPosition(); s = s->Next)
        if ((self->*same)(s, chord)) last = static_cast<TStaveTimeSymbol*>(s);
    return last;
}

TStaveTimeSymbol* TStaveTimeSymbol::LastAtPosition() {
    return lastForward(this, false, &TStaveTimeSymbol::sameTimeGroup);
}
TStaveTimeSymbol* TStaveTimeSymbol::LastInChord() { return lastForward(this, true, &TStaveTimeSymbol::sameTimeGroup); }

TStaveTimeSymbol* TStaveTimeSymbol::PrevAtPosition() {
    for (TStaveSymbol* s = Prev; s && s->GetSymbolPosition() == Position; s = s->Prev)
        if (sameTimeGroup(s, false)) return static_cast<TStaveTimeSymbol*>(s);
    return nullptr;
}

TStaveTimeSymbol* TStaveTimeSymbol::PrevInChord() {
    for (TStaveSymbol* s = Prev; s && s->GetSymbolPosition() == Position; s = s->Prev)
        if (sameTimeGroup(s, true)) return static_cast<TStaveTimeSymbol*>(s);
    return nullptr;
}

TStaveTimeSymbol* TStaveTimeSymbol::FirstAtPosition() {
    TStaveTimeSymbol* first = this;
    while (TStaveTimeSymbol* p = first->PrevAtPosition()) first = p;
    return first;
}

TStaveTimeSymbol* TStaveTimeSymbol::FirstInChord() {
    TStaveTimeSymbol* first = this;
    while (TStaveTimeSymbol* p = first->PrevInChord()) first = p;
    return first;
}

// ---------------------------------------------------------------------------

std::string TSilence::DebugLine() const {
    return "TSilence: Position=" + WritePrecision(Position, 7, true) + " NoteLKind=" + std::to_string(NoteLengthKind) +
           " Points=" + std::to_string(Points) + " MultiOol=" + std::to_string(MultiOol) +
           " PosInOol=" + std::to_string(PosInOol);
}

// ---------------------------------------------------------------------------

TMuzNote::TMuzNote(TNoteGroup* noteGroup, TUnitMuz* unitMuz, TNoteStave* noteStave, double position,
                   TSinglePartMuz* singlePartMuz, int8_t noteLengthKind, int points, uint8_t multiOol, int posInOol,
                   int pitch, uint8_t noteShiftKind, uint8_t noteArtKind, uint8_t drawStickKind)
    : TStaveTimeSymbol(noteStave, position, singlePartMuz, noteLengthKind, points, multiOol, posInOol),
      NoteGroup(noteGroup),
      UnitMuz(unitMuz),
      Pitch(pitch),
      NoteShiftKind(noteShiftKind),
      NoteArtKind(noteArtKind),
      DrawStickKind(drawStickKind) {
    KORVANE_ASSERT(Pitch >= -43);
    KORVANE_ASSERT(Pitch <= 43);
}

void TMuzNote::SetPitch(int pitch) {
    Pitch = pitch;
    KORVANE_ASSERT(Pitch >= -43);
    KORVANE_ASSERT(Pitch <= 43);
    TouchPart();
}

void TMuzNote::SetNoteShiftKind(uint8_t kind) {
    NoteShiftKind = kind;
    TouchPart();
}

void TMuzNote::SetNoteArtKind(uint8_t kind) {
    NoteArtKind = kind;
    TouchPart();
}

void TMuzNote::SetDrawStickKind(uint8_t kind) {
    DrawStickKind = kind;
    TouchPart();
}

std::string TMuzNote::DebugLine() const {
    return "TMuzNote: Position=" + WritePrecision(Position, 7, true) + " NoteGroup=[" +
           std::to_string(reinterpret_cast<uintptr_t>(NoteGroup)) + "]UnitMuz=[" +
           std::to_string(reinterpret_cast<uintptr_t>(UnitMuz)) + "]NoteLKind=" + std::to_string(NoteLengthKind) +
           " Points=" + std::to_string(Points) + " Pitch=" + std::to_string(Pitch) + " " + NoteShiftWord(NoteShiftKind);
}

TNote* TMuzNote::NextNote() const {
    for (TStaveSymbol* s = Next; s; s = s->Next)
        if (s->GetStaveSymbolKind() == staveSymbolNote) return static_cast<TMuzNote*>(s);
    return nullptr;
}

TCompoundPlayer* TMuzNote::GetPlayer() const { return NoteGroup->GetCompoundPlayer(); }

double TMuzNote::GetStartTime() const { return Position + GetTotalLength() * PosInOol / MultiOol; }

double PitchPeriod(int pitch, uint8_t noteShiftKind) {
    static const int semitones[7] = {0, 2, 3, 5, 7, 8, 10};  // A B C D E F G
    const int b = pitch - 5;
    const int d = ((b % 7) + 7) % 7;
    const int o = (b - d) / 7;
    const int s = semitones[d] + NoteShiftSemitones(noteShiftKind);
    const double frequency = 440 * std::pow(2.0, s / 12.0 + o);
    return 1 / frequency;
}

double TMuzNote::GetPeriod() const { return PitchPeriod(Pitch, NoteShiftKind); }

double TMuzNote::GetPlayLength() const { return GetTotalLength() / MultiOol * NoteArtFactor(NoteArtKind); }

bool TMuzNote::IsMuted() const { return NoteStave->Mute; }

uint8_t TMuzNote::GetEffectiveStick() const {
    if (DrawStickKind != noteStickGroup) return DrawStickKind;
    const uint8_t group = NoteGroup->StickDirection;
    return group == noteStickUp || group == noteStickDown ? group : uint8_t{noteStickGroup};
}

}  // namespace korvane
