#include "music/MusicKeys.h"

#include <functional>
#include <utility>

#include "music/MusicEdit.h"

namespace korvane {

namespace {

struct TKeyName {
    const char* Name;
    TMusicKey Key;
};

const TKeyName kKeyNames[] = {
    {"Left", TMusicKey::Left},
    {"Right", TMusicKey::Right},
    {"Up", TMusicKey::Up},
    {"Down", TMusicKey::Down},
    {"Home", TMusicKey::Home},
    {"End", TMusicKey::End},
    {"PageUp", TMusicKey::PageUp},
    {"PageDown", TMusicKey::PageDown},
    {"Shift+PageUp", TMusicKey::ShiftPageUp},
    {"Shift+PageDown", TMusicKey::ShiftPageDown},
    {"Ctrl+Left", TMusicKey::CtrlLeft},
    {"Ctrl+Right", TMusicKey::CtrlRight},
    {"Ctrl+Up", TMusicKey::CtrlUp},
    {"Ctrl+Down", TMusicKey::CtrlDown},
    {"Ctrl+Shift+Up", TMusicKey::CtrlShiftUp},
    {"Ctrl+Shift+Down", TMusicKey::CtrlShiftDown},
    {"Alt+N", TMusicKey::AltN},
    {"Alt+S", TMusicKey::AltS},
    {"L", TMusicKey::L},
    {"Shift+L", TMusicKey::ShiftL},
    {"Alt+L", TMusicKey::AltL},
    {"Shift+Alt+L", TMusicKey::ShiftAltL},
};

// One key as a query and an operation.
struct TKeyCommand {
    std::function<bool(const TUnitMuz&)> can;
    std::function<void(TUnitMuz&)> run;
};

TKeyCommand none() { return {[](const TUnitMuz&) { return false; }, [](TUnitMuz&) {}}; }

// Ctrl+Up turns F into C and C into G, Ctrl+Down the other way: the insert
// key kind in add mode, else the selected key's. False when there is no key
// kind to turn or it is at the end of the row.
bool turnedKeyKind(const TUnitMuz& doc, bool up, int8_t& kind) {
    int8_t present;
    if (doc.UnitMuzMode == unitMuzAdd) {
        present = doc.InsertKeyKind;
    } else if (doc.GetSelMuzSymbolKind() == muzSymbolStave &&
               static_cast<TStaveSymbol*>(doc.SelectedSymbol)->GetStaveSymbolKind() == staveSymbolKey) {
        present = static_cast<TKey*>(static_cast<TStaveSymbol*>(doc.SelectedSymbol))->GetKeyKind();
    } else {
        return false;
    }
    if (up && present == TKey::keyKindF) kind = TKey::keyKindC;
    else if (up && present == TKey::keyKindC) kind = TKey::keyKindG;
    else if (!up && present == TKey::keyKindG) kind = TKey::keyKindC;
    else if (!up && present == TKey::keyKindC) kind = TKey::keyKindF;
    else return false;
    return true;
}

TKeyCommand ctrlUpDown(bool up) {
    return {[up](const TUnitMuz& d) {
                int8_t kind;
                if (turnedKeyKind(d, up, kind)) return CanSetKeyKind(d, kind);
                return CanMovePitch(d, up ? 1 : -1);
            },
            [up](TUnitMuz& d) {
                int8_t kind;
                if (turnedKeyKind(d, up, kind)) SetKeyKind(d, kind);
                else MovePitch(d, up ? 1 : -1);
            }};
}

// Alt+N and Alt+S: a note or silence of the current length; L and Shift+L:
// the current length one kind longer or shorter.
TKeyCommand lengthKey(int halve, bool forceKind, bool silenceKind) {
    auto target = [=](const TUnitMuz& d, int& length, bool& silence) {
        if (!CurrentLength(d, length, silence)) return false;
        if (forceKind) silence = silenceKind;
        if (halve > 0) length /= 2;
        if (halve < 0) length *= 2;
        return length >= 1 && length <= 64;
    };
    return {[target](const TUnitMuz& d) {
                int length = 0;
                bool silence = false;
                return target(d, length, silence) && CanSetLength(d, length, silence);
            },
            [target](TUnitMuz& d) {
                int length = 0;
                bool silence = false;
                target(d, length, silence);
                SetLength(d, length, silence);
            }};
}

// Alt+L one step toward legato, Shift+Alt+L one toward staccatissimo.
TKeyCommand articulationKey(int step) {
    static const uint8_t row[] = {noteArtStaccatissimo, noteArtStaccato, noteArtNormal, noteArtPortato,
                                  noteArtLegato};
    auto target = [step](const TUnitMuz& d, uint8_t& art) {
        uint8_t present;
        if (!CurrentArticulation(d, present)) return false;
        for (int i = 0; i < 5; ++i) {
            if (row[i] != present) continue;
            const int next = i + step;
            if (next < 0 || next > 4) return false;
            art = row[next];
            return true;
        }
        return false;
    };
    return {[target](const TUnitMuz& d) {
                uint8_t art = noteArtNormal;
                return target(d, art) && CanSetArticulation(d, art);
            },
            [target](TUnitMuz& d) {
                uint8_t art = noteArtNormal;
                target(d, art);
                SetArticulation(d, art);
            }};
}

template <class Can, class Run, class Arg>
TKeyCommand with(Can can, Run run, Arg arg) {
    return {[=](const TUnitMuz& d) { return can(d, arg); }, [=](TUnitMuz& d) { run(d, arg); }};
}

TKeyCommand commandOf(TMusicKey key) {
    switch (key) {
        case TMusicKey::Left: return with(CanSelectSide, SelectSide, true);
        case TMusicKey::Right: return with(CanSelectSide, SelectSide, false);
        case TMusicKey::Up: return with(CanSelectInChord, SelectInChord, true);
        case TMusicKey::Down: return with(CanSelectInChord, SelectInChord, false);
        case TMusicKey::Home: return with(CanSelectEnd, SelectEnd, false);
        case TMusicKey::End: return with(CanSelectEnd, SelectEnd, true);
        case TMusicKey::PageUp: return with(CanSelectStave, SelectStave, -1);
        case TMusicKey::PageDown: return with(CanSelectStave, SelectStave, 1);
        case TMusicKey::ShiftPageUp: return with(CanSelectStave, SelectStave, -2);
        case TMusicKey::ShiftPageDown: return with(CanSelectStave, SelectStave, 2);
        case TMusicKey::CtrlLeft: return with(CanMoveSide, MoveSide, true);
        case TMusicKey::CtrlRight: return with(CanMoveSide, MoveSide, false);
        case TMusicKey::CtrlUp: return ctrlUpDown(true);
        case TMusicKey::CtrlDown: return ctrlUpDown(false);
        case TMusicKey::CtrlShiftUp: return with(CanMoveOctave, MoveOctave, 1);
        case TMusicKey::CtrlShiftDown: return with(CanMoveOctave, MoveOctave, -1);
        case TMusicKey::AltN: return lengthKey(0, true, false);
        case TMusicKey::AltS: return lengthKey(0, true, true);
        case TMusicKey::L: return lengthKey(1, false, false);
        case TMusicKey::ShiftL: return lengthKey(-1, false, false);
        case TMusicKey::AltL: return articulationKey(1);
        case TMusicKey::ShiftAltL: return articulationKey(-1);
    }
    return none();
}

}  // namespace

bool MusicKeyByName(const std::string& name, TMusicKey& key) {
    for (const TKeyName& k : kKeyNames) {
        if (name != k.Name) continue;
        key = k.Key;
        return true;
    }
    return false;
}

bool MusicKeyEnabled(const TUnitMuz& doc, TMusicKey key) { return commandOf(key).can(doc); }

bool PressMusicKey(TUnitMuz& doc, TMusicKey key) {
    TKeyCommand command = commandOf(key);
    if (!command.can(doc)) return false;
    command.run(doc);
    return true;
}

}  // namespace korvane
