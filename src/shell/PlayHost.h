#pragma once

#include <vector>

class QLabel;

namespace korvane {

class TMDIChildWave;
class TPlayRecord;

// What following the play asks of the window it belongs to: the player, the
// wave windows that show the play cursor, and the status bar's panels.
class TPlayHost {
public:
    virtual ~TPlayHost() = default;
    // None while the player is being replaced.
    virtual TPlayRecord* Recorder() = 0;
    virtual std::vector<TMDIChildWave*> WaveWindows() const = 0;
    virtual QLabel* Panel(int index) const = 0;
};

}  // namespace korvane
