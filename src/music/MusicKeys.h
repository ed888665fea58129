#pragma once

#include <string>

#include "music/TUnitMuz.h"

namespace korvane {

// The keys of the music window and the music keys of a music document.
enum class TMusicKey {
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    ShiftPageUp,
    ShiftPageDown,
    CtrlLeft,
    CtrlRight,
    CtrlUp,
    CtrlDown,
    CtrlShiftUp,
    CtrlShiftDown,
    AltN,
    AltS,
    L,
    ShiftL,
    AltL,
    ShiftAltL,
};

// The key by its name as korvane-cli writes it ("Ctrl+Shift+Up"); false for
// an unknown name.
bool MusicKeyByName(const std::string& name, TMusicKey& key);
// Whether the key's command may run now; pressing a key whose command may
// not run does nothing.
bool MusicKeyEnabled(const TUnitMuz& doc, TMusicKey key);
// Does what the key does; false when it did nothing.
bool PressMusicKey(TUnitMuz& doc, TMusicKey key);

}  // namespace korvane
