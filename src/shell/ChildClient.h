#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class QWheelEvent;

namespace korvane {

// What the client areas of the wave and the music windows share: a widget
// that takes its window's keyboard focus and follows the mouse, paints every
// pixel of itself from a back buffer, and counts wheel turns in notches.
class TChildClient : public QWidget {
    Q_OBJECT
public:
    // The picture the client shows: drawn into first and then shown at once,
    // so nothing flickers. Made anew, at least one pixel each way, when the
    // client's size changed.
    QImage& BackBuffer();
    // The whole notches (of 120) a wheel turn makes with what the earlier
    // turns left short of a notch; the rest is kept for the next turn.
    int WheelNotches(QPoint angleDelta);

protected:
    // The window `owner` hands its focus to the client.
    explicit TChildClient(QWidget& owner);

    void wheelEvent(QWheelEvent* event) final;
    // A wheel turn over the client; the event is taken either way.
    virtual void wheelTurned(const QWheelEvent& event) = 0;

private:
    QImage back_;
    int wheelRest_ = 0;
};

// A client whose events go to its window, of the window's own class.
template <class Owner>
class TChildClientOf : public TChildClient {
protected:
    explicit TChildClientOf(Owner& owner) : TChildClient(owner), owner_(owner) {}

    Owner& owner_;
};

}  // namespace korvane
