#pragma once

#include <vector>

class QDialog;
class QWidget;

namespace korvane {

class TMDIChildWave;
class TUnitWave;

// What split and merge ask of the window they belong to: a parent for their
// dialogs, the dialogs run as the window runs them, the wave windows to
// choose from, and a window for each wave they make.
class TSplitMergeHost {
public:
    virtual ~TSplitMergeHost() = default;
    virtual QWidget* HostWidget() = 0;
    virtual int RunDialog(QDialog& dialog) = 0;
    // The open wave windows, in the work area's order.
    virtual std::vector<TMDIChildWave*> WaveWindows() const = 0;
    // A window for a wave of the workspace, with the view kind and settings
    // of `like`.
    virtual TMDIChildWave* ShowWave(TUnitWave& unit, const TMDIChildWave* like) = 0;
};

}  // namespace korvane
