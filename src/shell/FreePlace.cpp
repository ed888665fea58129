#include "shell/FreePlace.h"

#include <algorithm>
#include <vector>

namespace korvane {

namespace {

bool isFree(const QRect& r, const QRect& area, const QList<QRect>& taken) {
    if (!area.contains(r)) return false;
    return std::none_of(taken.begin(), taken.end(), [&](const QRect& t) { return t.intersects(r); });
}

}  // namespace

QRect FreePlace(const QRect& area, const QList<QRect>& taken, QSize wanted, QSize least) {
    std::vector<QPoint> corners{area.topLeft()};
    for (const QRect& t : taken) {
        corners.emplace_back(t.right() + 1, t.top());
        corners.emplace_back(t.left(), t.bottom() + 1);
        corners.emplace_back(t.right() + 1, area.top());
        corners.emplace_back(area.left(), t.bottom() + 1);
    }
    std::sort(corners.begin(), corners.end(),
              [](const QPoint& a, const QPoint& b) { return a.y() != b.y() ? a.y() < b.y() : a.x() < b.x(); });
    for (const QPoint& c : corners)
        if (isFree(QRect(c, wanted), area, taken)) return QRect(c, wanted);
    // Smaller: as large as the room from each corner allows.
    QRect best;
    for (const QPoint& c : corners) {
        if (!area.contains(c)) continue;
        int w = std::min(wanted.width(), area.right() + 1 - c.x());
        int h = std::min(wanted.height(), area.bottom() + 1 - c.y());
        bool blocked = false;
        for (const QRect& t : taken) {
            if (!t.intersects(QRect(c.x(), c.y(), w, h))) continue;
            // A window to the right cuts the width, one below the height.
            if (t.left() > c.x()) w = std::min(w, t.left() - c.x());
            else if (t.top() > c.y()) h = std::min(h, t.top() - c.y());
            else blocked = true;
        }
        const QRect r(c.x(), c.y(), w, h);
        if (blocked || w < least.width() || h < least.height() || !isFree(r, area, taken)) continue;
        if (!best.isValid() || w * h > best.width() * best.height()) best = r;
    }
    return best;
}

}  // namespace korvane
