#include "shell/PlayFollower.h"

#include <QLabel>

#include "shell/ChildWave.h"
#include "shell/PlayHost.h"
#include "values/ValueWriters.h"
#include "wavewindow/PlayRecord.h"

namespace korvane {

TPlayFollower::TPlayFollower(TPlayHost& host) : host_(host) {
    tick_.setInterval(40);
    QObject::connect(&tick_, &QTimer::timeout, &tick_, [this] { Tick(); });
}

void TPlayFollower::Start() {
    tick_.start();
    Tick();
}

void TPlayFollower::Tick() {
    TPlayRecord* recorder = host_.Recorder();
    if (!recorder) return;
    const TUnitWave* doc = nullptr;
    int32_t sample = -1;
    double elapsed = 0, total = 0;
    const bool playing = recorder->PlayCursor(doc, sample, elapsed, total);
    for (TMDIChildWave* w : host_.WaveWindows()) w->SetPlayCursor(playing && w->Doc() == doc ? sample : -1);
    if (!playing) {
        // Play is still being started: the next tick finds it playing.
        if (!recorder->PlayPending()) tick_.stop();
        if (readout_) host_.Panel(0)->clear();
        readout_ = false;
        return;
    }
    host_.Panel(0)->setText(
        QString::fromStdString("Playing " + WriteClockTime(elapsed) + " of " + WriteClockTime(total)));
    readout_ = true;
}

}  // namespace korvane
