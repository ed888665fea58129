#pragma once

#include <cstdint>

#include "music/TUnitMuz.h"

namespace korvane {

// The editing commands of a music document. Each command is a pair: `Can...`
// says whether it may run now (the window enables the command by it, the
// batch front end refuses it by it), and the operation itself, which may only
// be called when its `Can...` is true. The operations keep the time order of
// every stave, mark the document changed and, with auto play on, play the
// note they touched. They know nothing of drawing: what a click needs from
// the score comes in as a TScoreClick.

// ---- mode and insert settings ----
// Which value a setting has now: in add mode the insert setting (a key
// kind or note shift only while clicks insert that kind), in select mode
// the selected symbol's own; the window shows the command of that value
// checked.
enum class TMusicSetting { NoteLength, SilenceLength, Key, Shift, Articulation, Stick };
bool ShowsSetting(const TUnitMuz& doc, TMusicSetting setting, int value);
void SetMode(TUnitMuz& doc, uint8_t mode);
// A note-length (silence false) or silence-length command: in add mode the
// insert length; in select mode the length of the selected time group or bar.
bool CanSetLength(const TUnitMuz& doc, int lengthKind, bool silence);
void SetLength(TUnitMuz& doc, int lengthKind, bool silence);
// Key kind (6 G, 0 C, -6 F): the insert key kind, or the selected key's.
bool CanSetKeyKind(const TUnitMuz& doc, int8_t keyKind);
void SetKeyKind(TUnitMuz& doc, int8_t keyKind);
// Note shift: the insert one, the selected note's, or a sharp or flat added
// to (or taken from) the selected key's signature.
bool CanSetNoteShift(const TUnitMuz& doc, uint8_t noteShift);
void SetNoteShift(TUnitMuz& doc, uint8_t noteShift);
// One point more (+1) or less (-1): insert points, the selected time group's,
// or the selected bar's count of beats.
bool CanChangePoints(const TUnitMuz& doc, int delta);
void ChangePoints(TUnitMuz& doc, int delta);
// A tuplet of n (2 to 5) from the selected plain note's chord.
bool CanMakeTuplet(const TUnitMuz& doc, int n);
void MakeTuplet(TUnitMuz& doc, int n);
bool CanSetArticulation(const TUnitMuz& doc, uint8_t art);
void SetArticulation(TUnitMuz& doc, uint8_t art);
// Stick up (0) or down (1); choosing the present one again makes it free.
bool CanToggleStick(const TUnitMuz& doc, uint8_t stick);
void ToggleStick(TUnitMuz& doc, uint8_t stick);

// ---- select mode ----
// Up (+1) or down (-1) to the nearest pitch the chord does not hold.
bool CanMovePitch(const TUnitMuz& doc, int direction);
void MovePitch(TUnitMuz& doc, int direction);
// A note by seven steps, a key by one octave.
bool CanMoveOctave(const TUnitMuz& doc, int direction);
void MoveOctave(TUnitMuz& doc, int direction);
// Exchanges the selected time group (or key) with its neighbour; on a bar,
// steps the upbeat.
bool CanMoveSide(const TUnitMuz& doc, bool left);
void MoveSide(TUnitMuz& doc, bool left);
// The previous or next symbol of the selected one's kind.
bool CanSelectSide(const TUnitMuz& doc, bool left);
void SelectSide(TUnitMuz& doc, bool left);
// The chord note before (up) or after in the list.
bool CanSelectInChord(const TUnitMuz& doc, bool up);
void SelectInChord(TUnitMuz& doc, bool up);
// The selected note to the previous or next note group of its stave.
bool CanChangeNoteGroup(const TUnitMuz& doc, bool next);
void ChangeNoteGroup(TUnitMuz& doc, bool next);
bool CanDeleteSelected(const TUnitMuz& doc);
void DeleteSelected(TUnitMuz& doc);
bool CanPlayNote(const TUnitMuz& doc);
void PlayNote(TUnitMuz& doc);
void ToggleAutoPlay(TUnitMuz& doc);

// ---- window keys ----
// Home and End: the first or last symbol of the selected symbol's stave.
bool CanSelectEnd(const TUnitMuz& doc, bool last);
void SelectEnd(TUnitMuz& doc, bool last);
// Page Up and Down (-1, +1) and with Shift the first and last stave (-2, +2):
// the symbol at the same time in that stave.
bool CanSelectStave(const TUnitMuz& doc, int which);
void SelectStave(TUnitMuz& doc, int which);

// ---- the mouse ----
// A click in the score as the layout resolved it.
struct TScoreClick {
    TNoteStave* Stave = nullptr;  // the stave whose room holds the click
    int Height = 0;               // the stave height clicked
    TMuzNote* NoteHit = nullptr;
    TSilence* SilenceHit = nullptr;
    // The symbol the new one goes after; none: at the start of `Part`.
    TStaveSymbol* After = nullptr;
    TSinglePartMuz* Part = nullptr;
    // The nearest symbol under the mouse (selection, deletion, note shifts).
    TXTouchMuzSymbol* Nearest = nullptr;
};
// Does what a click does in the document's mode; true when the document
// changed. `inserted`, when given, receives the symbol a click in add mode
// made (none otherwise).
bool ClickScore(TUnitMuz& doc, const TScoreClick& click, TStaveSymbol** inserted = nullptr);
// Whether a symbol can be deleted (the delete cursor shows over it).
bool CanDeleteSymbol(const TStaveSymbol& symbol);
void DeleteSymbol(TUnitMuz& doc, TStaveSymbol& symbol);
// Selects a symbol (or none) as a click or a key does: a note is played.
void SelectSymbol(TUnitMuz& doc, TXTouchMuzSymbol* symbol);

// ---- what the commands and keys share ----
// The length, articulation and stick the keys change: the insert settings in
// add mode, the selected note's or silence's own in select mode; false when
// there is none.
bool CurrentLength(const TUnitMuz& doc, int& lengthKind, bool& silence);
bool CurrentArticulation(const TUnitMuz& doc, uint8_t& art);
// Whether a single part is drawn: its play-and-draw flag and all above it on.
bool IsDrawnPart(const TSinglePartMuz& part);
// The symbols of one stave in list order over the drawn single parts.
TStaveSymbol* FirstStaveSymbol(const TUnitMuz& doc, const TNoteStave* stave);
TStaveSymbol* NextStaveSymbol(const TStaveSymbol* symbol);
TStaveSymbol* PrevStaveSymbol(const TStaveSymbol* symbol);

}  // namespace korvane
