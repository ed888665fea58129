#include "shell/ChildClient.h"

#include <QWheelEvent>

namespace korvane {

TChildClient::TChildClient(QWidget& owner) : QWidget(&owner) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // The back buffer covers every pixel: nothing need be cleared first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    owner.setFocusProxy(this);
}

QImage& TChildClient::BackBuffer() {
    if (back_.size() != size()) back_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    return back_;
}

int TChildClient::WheelNotches(QPoint angleDelta) {
    // Shift+wheel arrives as a sideways turn on some systems: either way counts.
    const int delta = angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    wheelRest_ += delta;
    const int notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    return notches;
}

void TChildClient::wheelEvent(QWheelEvent* event) {
    wheelTurned(*event);
    event->accept();
}

}  // namespace korvane
