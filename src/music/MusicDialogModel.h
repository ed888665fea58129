#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "music/TUnitMuz.h"

namespace korvane {

// The three nested browsers of the music dialog.
enum TMusicLevel : uint8_t { musicLevelStave = 0, musicLevelGroup = 1, musicLevelPlayer = 2, musicLevelCount = 3 };
// Their buttons, in the order of `music enabled` in korvane-cli.
enum TMusicButton : uint8_t {
    musicFirst,
    musicPrevious,
    musicNext,
    musicLast,
    musicInsert,
    musicAppend,
    musicDelete,
    musicMovePrev,
    musicMoveNext,
    musicButtonCount,
};

struct TMusicLevelInfo {
    TMusicLevel Level;
    const char* Control;  // the middle of the control names: btnStaveFirst, btnGroupFirst, btnPlayFirst
    const char* Step;     // the first word of the korvane-cli step
};
struct TMusicButtonInfo {
    TMusicButton Button;
    const char* Control;  // the end of the control name: btnStaveMovePrev
    const char* Step;     // the word of the korvane-cli step
};
const std::array<TMusicLevelInfo, musicLevelCount>& MusicLevels();
const std::array<TMusicButtonInfo, musicButtonCount>& MusicButtons();

// The one-player that Insert and Append make, also the only one of a new
// note group: a simple sampler on "sample" at 1 kHz, Freq Up 0, 50 %.
std::unique_ptr<TOnePlayer> MakeNewOnePlayer();
// A note group as the dialog makes it: black, normal heads, sticks up.
std::unique_ptr<TNoteGroup> MakeNewNoteGroup(TUnitMuz& doc, TNoteStave* stave);
// A stave as the dialog makes it, with one such note group.
std::unique_ptr<TNoteStave> MakeNewStave(TUnitMuz& doc);

// The music dialog's operations on a document. The dialog keeps no cursor
// of its own: the current stave, each stave's note group and each compound
// player's one-player live in the document, and these operations move them.
// Every committed change marks the document changed.
class TMusicDialogModel {
public:
    explicit TMusicDialogModel(TUnitMuz& doc) : doc_(doc) {}

    // The current items; a cursor that no longer names an item of its list
    // moves to the first one.
    TNoteStave* Stave();
    TNoteGroup* Group();
    TOnePlayer* OnePlayer();

    int Count(TMusicLevel level);
    // From 1.
    int Position(TMusicLevel level);
    bool Enabled(TMusicLevel level, TMusicButton button);
    // Presses a button; false (nothing done) when it is not enabled.
    bool Press(TMusicLevel level, TMusicButton button);

    // Edit boxes: the text is read by the field with the label as caption;
    // false with the Input Error text and the old value kept when refused.
    bool SetTempo(const std::string& text, std::string& message);
    bool SetRoomUp(const std::string& text, std::string& message);
    bool SetRoomDown(const std::string& text, std::string& message);
    bool SetVolumeFactor(const std::string& text, std::string& message);
    bool SetFreqUp(const std::string& text, std::string& message);
    std::string TempoText() const { return doc_.Tempo.ToText(); }
    std::string RoomUpText();
    std::string RoomDownText();
    std::string VolumeFactorText();
    std::string FreqUpText();

    // Controls that take effect at once.
    void SetStaveForeground(int colour);
    void SetStaveBackground(int colour);
    void SetAllowJoinFlags(bool on);
    void SetEnableSound(bool on);
    void SetExtraLines(bool on);
    void SetNoteColor(int colour);
    void SetNoteShape(uint8_t shape);
    // The two stick boxes exclude each other; neither checked leaves the
    // direction free.
    bool SticksUp();
    bool SticksDown();
    void SetSticksUp(bool on);
    void SetSticksDown(bool on);

    // The page of the player kinds: its index is the kind. Choosing a page
    // sets the kind; each kind's settings stay in its own record.
    // -1 when no page is shown (no one-player, or no kind chosen yet).
    int ShownPage();
    void ChoosePage(uint8_t kind);
    static bool PageHasBasicFreq(int page);
    static bool PageHasResonantFactor(int page);
    // The shown page's fields; false (nothing done) when it has no such field.
    bool SetSampleWave(const std::string& text, std::string& message);
    bool SetBasicFreq(const std::string& text, std::string& message);
    bool SetResonantFactor(const std::string& text, std::string& message);
    // The shown page's sample wave, basic frequency and resonant factor
    // texts; empty where the page has none.
    std::string SampleWaveText();
    std::string BasicFreqText();
    std::string ResonantFactorText();

private:
    TUnitMuz& doc_;

    void browse(TMusicLevel level, TMusicButton button);
    void insertStave(bool append);
    void deleteStave();
    void moveStave(bool next);
    void insertGroup(bool append);
    void deleteGroup();
    void moveGroup(bool next);
    void insertOnePlayer(bool append);
    void deleteOnePlayer();
    void moveOnePlayer(bool next);
    unitUnitWave* pageSampleWave();
    unitTimePosMore* pageBasicFreq();
};

}  // namespace korvane
