#include "music/NoteStave.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/Assert.h"
#include "music/NotePlayers.h"
#include "music/PartMuz.h"
#include "values/ValueWriters.h"

namespace korvane {

TStave::~TStave() {
    // Iteratively: a long list must not deepen the stack.
    while (StartNoteGroup) {
        TNoteGroup* next = StartNoteGroup->Next;
        delete StartNoteGroup;
        StartNoteGroup = next;
    }
}

void TStave::InsertNoteGroup(TNoteGroup* afterGroup, std::unique_ptr<TNoteGroup> group) {
    TNoteGroup* prevGroup = nullptr;
    if (afterGroup) {
        TNoteGroup* startNoteGroup = StartNoteGroup;
        KORVANE_ASSERT(startNoteGroup != NULL);
        prevGroup = startNoteGroup;
        while (prevGroup != afterGroup) {
            KORVANE_ASSERT(prevGroup->GetNext() != NULL || prevGroup == afterGroup);
            prevGroup = prevGroup->Next;
        }
    }
    TNoteGroup* newGroup = group.release();
    if (!prevGroup) {
        newGroup->Next = StartNoteGroup;
        StartNoteGroup = newGroup;
    } else {
        newGroup->Next = prevGroup->Next;
        prevGroup->Next = newGroup;
    }
}

void TStave::AppendNoteGroup(std::unique_ptr<TNoteGroup> group) {
    TNoteGroup* last = StartNoteGroup;
    while (last && last->Next) last = last->Next;
    InsertNoteGroup(last, std::move(group));
}

TNoteGroup* TStave::PrevNoteGroup(const TNoteGroup* group) const {
    for (TNoteGroup* g = StartNoteGroup; g; g = g->Next)
        if (g->Next == group) return g;
    return nullptr;
}

std::unique_ptr<TNoteGroup> TStave::RemoveNoteGroup(TNoteGroup* deleteGroup) {
    KORVANE_ASSERT(deleteGroup != NULL);
    if (deleteGroup == this->StartNoteGroup) {
        // A stave keeps at least one group; checked before anything changes.
        TNoteGroup* StartNoteGroup = deleteGroup->Next;
        KORVANE_ASSERT(StartNoteGroup != NULL);
        this->StartNoteGroup = StartNoteGroup;
    } else {
        TNoteGroup* prevGroup = PrevNoteGroup(deleteGroup);
        KORVANE_ASSERT(prevGroup != NULL);
        prevGroup->Next = deleteGroup->Next;
    }
    deleteGroup->Next = nullptr;
    if (DialogNoteGroup == deleteGroup) DialogNoteGroup = StartNoteGroup;
    return std::unique_ptr<TNoteGroup>(deleteGroup);
}

int TStave::CountNoteGroups() const {
    int n = 0;
    for (TNoteGroup* g = StartNoteGroup; g; g = g->Next) ++n;
    return n;
}

// ---------------------------------------------------------------------------

TNoteStave::TNoteStave(TUnitMuz* unitMuz, int foregroundColor, int backgroundColor, int roomUp, int roomDown,
                       uint8_t flagKind, bool mute, bool extraLines)
    : ForegroundColor(foregroundColor),
      BackgroundColor(backgroundColor),
      RoomUp(roomUp),
      RoomDown(roomDown),
      drawFlagKind(flagKind),
      Mute(mute),
      ExtraLines(extraLines),
      UnitMuz(unitMuz) {
    KORVANE_ASSERT(drawFlagKind != drawFlagNone);
}

TNoteStave::TNoteStaveLayout::TNoteStaveLayout() {
    KeyScale.fill(noteShiftNormal);
    BarScale.fill(noteShiftNormal);
}

void TNoteStave::TNoteStaveLayout::SetLayoutBase(int baseY, int startX) {
    BaseY = baseY;
    ReachedX = startX;
    KeyScale.fill(noteShiftNormal);
    BarScale.fill(noteShiftNormal);
}

void TNoteStave::TNoteStaveLayout::WidenReachedX(int x) {
    if (x > ReachedX) ReachedX = x;
}

void TNoteStave::TNoteStaveLayout::StartKeyLayout(const TKey& key) {
    KeyScale = key.GetScale();
    BarScale = key.GetScale();
}

void TNoteStave::TNoteStaveLayout::ResetBarScale() { BarScale = KeyScale; }

void MergeScales(std::array<uint8_t, 7>& NoteShiftKinds, const std::array<uint8_t, 7>& source) {
    for (int index = 0; index < 7; ++index) {
        if (NoteShiftKinds[index] == noteShiftNone) NoteShiftKinds[index] = source[index];
        KORVANE_ASSERT(NoteShiftKinds[index] != noteShiftNone);
    }
}

// ---------------------------------------------------------------------------

TKey::TKey(TUnitMuz* unitMuz, int8_t keyKind, int addOctaves, double position, TNoteStave* noteStave, int keyNumber,
           TSinglePartMuz* singlePartMuz)
    : TStaveSymbol(noteStave, position, singlePartMuz),
      UnitMuz(unitMuz),
      KeyKind(keyKind),
      AddOctaves(addOctaves),
      KeyNumber(keyNumber) {
    KORVANE_ASSERT(addOctaves >= -2);
    KORVANE_ASSERT(addOctaves <= 2);
    ToonLadderScale.fill(noteShiftNormal);
}

std::string TKey::DebugLine() const {
    const char* kind = KeyKind == keyKindC ? "C" : KeyKind == keyKindF ? "F" : "G";
    return std::string("TKey:") + " Position = " + WritePrecision(Position, 7, true) + " KeyKind = " + kind +
           " AddOctaves = " + std::to_string(AddOctaves);
}

void TKey::SetAddOctaves(int addOctaves) {
    KORVANE_ASSERT(addOctaves >= -2);
    KORVANE_ASSERT(addOctaves <= 2);
    AddOctaves = addOctaves;
    TouchPart();
}

void TKey::SetKeyKind(int8_t keyKind) {
    const int c = wrapHeight(keyKind / 6 - KeyKind / 6);
    std::array<uint8_t, 7> old = ToonLadderScale;
    for (int i = 0; i < 7; ++i) ToonLadderScale[(i + c) % 7] = old[i];
    KeyKind = keyKind;
    TouchPart();
}

bool TKey::ToonLadder(int& count) const {
    int sharps = 0, flats = 0;
    bool ended = false;
    for (int i = 0; i < 7; ++i) {
        const uint8_t flatPlace = ToonLadderScale[SignatureIndex(i, noteShiftMol)];
        const uint8_t sharpPlace = ToonLadderScale[SignatureIndex(i, noteShiftKruis)];
        const bool isFlat = flatPlace == noteShiftMol;
        const bool isSharp = sharpPlace == noteShiftKruis;
        if (isFlat) {
            if (sharps > 0 || ended) return false;
            ++flats;
        }
        if (isSharp) {
            if (flats > 0 || ended) return false;
            ++sharps;
        }
        if (flats > 0 && flatPlace == noteShiftNormal) ended = true;
        if (sharps > 0 && sharpPlace == noteShiftNormal) ended = true;
        if (flats == 0 && sharps == 0 && !isFlat && !isSharp) ended = true;
    }
    count = sharps > 0 ? sharps : -flats;
    return true;
}

bool TKey::HeightAllowed(int height) const {
    const int pitch = HeightToPitch(height);
    return pitch >= -43 && pitch <= 43;
}

int TKey::SignatureIndex(int horPos, uint8_t noteShiftKind) const {
    KORVANE_ASSERT(noteShiftKind == noteShiftMol || noteShiftKind == noteShiftKruis);
    KORVANE_ASSERT(horPos >= 0 && horPos <= 6);
    const int k = KeyKind / 6;
    return noteShiftKind == noteShiftKruis ? (k + 4 * horPos + 3) % 7 : (k + 3 * horPos + 6) % 7;
}

int TKey::SignatureHeight(int horPos, uint8_t noteShiftKind) const {
    const int index = SignatureIndex(horPos, noteShiftKind);
    int s = noteShiftKind == noteShiftKruis ? -2 : -4;
    if (KeyKind == keyKindG)
        s += 1;
    else if (KeyKind == keyKindF)
        s -= 1;
    return s + wrapHeight(index - s);
}

// ---------------------------------------------------------------------------

TMuzBar::TMuzBar(TSinglePartMuz* singlePartMuz, int8_t noteLength, int countNotes, int extraCount)
    : NoteLength(noteLength), CountNotes(countNotes), ExtraCount(extraCount), SinglePartMuz(singlePartMuz) {
    KORVANE_ASSERT(NoteLength > 0 && CountNotes > 0);
    singlePartMuz->SetMuzBar(this);
}

void TMuzBar::SetBar(int8_t noteLength, int countNotes, int extraCount) {
    KORVANE_ASSERT(noteLength > 0 && countNotes > 0);
    NoteLength = noteLength;
    CountNotes = countNotes;
    // The notes before the first bar line stay fewer than a bar holds, also
    // when a new length or point makes the bar shorter.
    ExtraCount = std::clamp(extraCount, 0, countNotes - 1);
    SinglePartMuz->Touch();
}

double TMuzBar::BarLength() const { return static_cast<double>(CountNotes) / NoteLength; }

double TMuzBar::FirstBarLine() const {
    if (ExtraCount == 0) return BarLength();
    return static_cast<double>(ExtraCount) / NoteLength;
}

double TMuzBar::NextBarLine(double position) const {
    const double L = BarLength();
    const double c = FirstBarLine() - L;
    double line = c + L * (std::trunc((position - c) / L) + 1);
    // A quotient rounded just below a whole number would give the line at
    // the position itself; the next line is always after it.
    if (line <= position) line += L;
    return line;
}

int TMuzBar::StepExtraCountUp() {
    const int quotient = (ExtraCount + 1) / CountNotes;
    ExtraCount = (ExtraCount + 1) % CountNotes;
    SinglePartMuz->Touch();
    return quotient;
}

int TMuzBar::StepExtraCountDown() {
    const int quotient = (ExtraCount + CountNotes - 1) / CountNotes;
    ExtraCount = (ExtraCount + CountNotes - 1) % CountNotes;
    SinglePartMuz->Touch();
    return quotient;
}

int TMuzBar::DrawnWidth() const { return (CountNotes > 9 || NoteLength > 9) ? 39 : 21; }

std::string TMuzBar::DebugLine() const {
    return std::string("TMuzBar:") + " NoteLength = " + std::to_string(NoteLength) +
           " CountNotes = " + std::to_string(CountNotes) + " ExtraCount = " + std::to_string(ExtraCount);
}

// ---------------------------------------------------------------------------

uint8_t AccidentalInEffect(const TSinglePartMuz& part, const TNoteStave* stave, double p, int pitch) {
    const TMuzBar* bar = part.GetMuzBar();
    KORVANE_ASSERT(bar != NULL);
    const int step = TKey::wrapHeight(pitch);
    uint8_t keyValue = noteShiftNormal;
    uint8_t barValue = noteShiftNormal;
    bool inBar = false;
    double barEnd = 0;
    for (const TStaveSymbol* s = part.GetFirstSymbol(); s; s = s->Next) {
        const double position = s->GetSymbolPosition();
        if (position > p) break;
        if (s->GetNoteStave() != stave) continue;
        const uint8_t kind = s->GetStaveSymbolKind();
        if (kind == staveSymbolNote && position == p) continue;
        if (!inBar || position >= barEnd) {
            barEnd = bar->NextBarLine(position);
            barValue = keyValue;
            inBar = true;
        }
        if (kind == staveSymbolKey) {
            const TKey* key = static_cast<const TKey*>(s);
            keyValue = barValue = key->GetNoteShift(key->PitchToHeight(pitch));
        } else if (kind == staveSymbolNote) {
            const TMuzNote* note = static_cast<const TMuzNote*>(s);
            if (TKey::wrapHeight(note->GetPitch()) == step) barValue = note->GetNoteShiftKind();
        }
    }
    return inBar && p < barEnd ? barValue : keyValue;
}

TKey* KeyInEffect(const TSinglePartMuz& part, const TNoteStave* stave, double p) {
    TKey* key = nullptr;
    for (TStaveSymbol* s = part.GetFirstSymbol(); s && s->GetSymbolPosition() <= p; s = s->Next)
        if (s->GetNoteStave() == stave && s->GetStaveSymbolKind() == staveSymbolKey) key = static_cast<TKey*>(s);
    return key;
}

}  // namespace korvane
