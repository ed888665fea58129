#pragma once

#include <QWidget>
#include <functional>

#include "wavewindow/WaveView.h"

namespace korvane {

// The time ruler over a wave window's client: seconds at the marks of
// RulerMarks for the window's present mapping. It lies outside the client,
// so the readout and the hand-drawn points keep the client's coordinates.
class TWaveRuler : public QWidget {
    Q_OBJECT
public:
    // `view` answers the mapping and the sample frequency now.
    TWaveRuler(std::function<TWaveMapping()> mapping, std::function<int32_t()> freq, QWidget* parent);
    // Repaints when the view moved since the last paint.
    void Follow();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<TWaveMapping()> mapping_;
    std::function<int32_t()> freq_;
    TWaveMapping shown_;
    int32_t shownFreq_ = 0;
};

}  // namespace korvane
