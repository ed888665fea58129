#pragma once

#include <memory>

namespace korvane {

class TMDIChildMuz;
class TMDIChildWave;
class TPlayRecord;
class TUnitMuz;
class TUnitWave;

// What the recovery journal asks of the window it belongs to: a window for
// each document it brings back, the player whose recordings it keeps, and
// the commands' states brought up to date (which also catches the journal up).
class TJournalHost {
public:
    virtual ~TJournalHost() = default;
    // A window for a wave of the workspace; `like` is none here.
    virtual TMDIChildWave* ShowWave(TUnitWave& unit, const TMDIChildWave* like) = 0;
    // Adds the music to the workspace in a window of its own.
    virtual TMDIChildMuz* AddMusicWindow(std::unique_ptr<TUnitMuz> doc) = 0;
    // The player whose recordings the journal keeps; none while it is replaced.
    virtual TPlayRecord* Recorder() = 0;
    virtual void UpdateActions() = 0;
};

}  // namespace korvane
