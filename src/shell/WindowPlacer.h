#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QSize>

class QMdiArea;
class QMdiSubWindow;

namespace korvane {

// Where the child windows of the work area go: a new one where it hides no
// other, every one inside the area at a size that can be used, and the
// Window menu's arrangements.
class TWindowPlacer {
public:
    explicit TWindowPlacer(QMdiArea* area) : mdi_(area) {}

    // A new window where it hides no other, or kept in the area as it is.
    // Before the work area is laid out the window waits for its place.
    void PlaceNew(QMdiSubWindow* sub);
    // The area got its size: the waiting windows get their places.
    void PlaceWaiting();
    // Child windows stay inside the work area at a size that can be used:
    // `wanted` (or the window's own geometry) moved and grown as needed.
    void KeepInArea(QMdiSubWindow* sub, QRect wanted = QRect(), QSize least = QSize());
    QSize UsableSize() const;
    void Cascade();
    void Tile(bool horizontally);
    void ArrangeIcons();

private:
    // The room new windows are placed in.
    QRect placeArea(const QList<QRect>& taken) const;

    QMdiArea* mdi_;
    QList<QPointer<QMdiSubWindow>> waiting_;
};

}  // namespace korvane
