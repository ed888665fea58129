#pragma once

#include <QTimer>

namespace korvane {

class TPlayHost;

// While a wave plays: its cursor in the window that shows it and the time in
// panel 0, until the playing ends.
class TPlayFollower {
public:
    explicit TPlayFollower(TPlayHost& host);

    // Play has been pressed: follows it from now on.
    void Start();
    // One step of following; stops when the playing has ended.
    void Tick();
    // Panel 0 shows the play time, so the selection leaves it alone.
    bool Readout() const { return readout_; }

private:
    TPlayHost& host_;
    QTimer tick_;
    bool readout_ = false;
};

}  // namespace korvane
