#include "shell/WindowPlacer.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>

#include "shell/FreePlace.h"

namespace korvane {

void TWindowPlacer::Tile(bool horizontally) {
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (!sub->isMinimized()) subs << sub;
    if (subs.isEmpty()) return;
    QRect area = mdi_->viewport()->rect();
    int n = static_cast<int>(subs.size());
    for (int i = 0; i < n; ++i) {
        subs[i]->showNormal();
        if (horizontally) {
            int h = area.height() / n;
            subs[i]->setGeometry(0, i * h, area.width(), h);
        } else {
            int w = area.width() / n;
            subs[i]->setGeometry(i * w, 0, w, area.height());
        }
    }
}

QSize TWindowPlacer::UsableSize() const {
    const QSize area = mdi_->viewport()->size();
    return QSize(std::min(360, area.width()), std::min(200, area.height()));
}

namespace {

// Too small to hold a window: the area has not been laid out yet.
bool laidOut(const QSize& area) { return area.width() >= 50 && area.height() >= 50; }

}  // namespace

QRect TWindowPlacer::placeArea(const QList<QRect>& taken) const {
    // The whole room inside the frame: scroll bars called up by a window that
    // Qt showed at a place of its own go again once it is inside that room.
    // Where a window already sticks out they stay, and only what they leave
    // in view counts.
    const QRect whole(QPoint(0, 0), mdi_->contentsRect().size());
    for (const QRect& t : taken)
        if (!whole.contains(t)) return mdi_->viewport()->rect();
    return whole;
}

void TWindowPlacer::PlaceNew(QMdiSubWindow* sub) {
    if (!laidOut(mdi_->contentsRect().size())) {
        // Placed against a size the area does not keep, it could end up out
        // of sight; it is placed when the area gets its size.
        if (!waiting_.contains(sub)) waiting_ << sub;
        return;
    }
    // Beside the windows already open, hiding none of them, where there is room.
    QList<QRect> taken;
    for (QMdiSubWindow* other : mdi_->subWindowList()) {
        if (other == sub || other->isHidden() || other->isMinimized() || waiting_.contains(other)) continue;
        if (other->isMaximized()) return KeepInArea(sub);
        taken << other->geometry();
    }
    const QRect place = FreePlace(placeArea(taken), taken, sub->size(), UsableSize());
    if (place.isValid()) sub->setGeometry(place);
    else KeepInArea(sub);
}

void TWindowPlacer::PlaceWaiting() {
    if (!laidOut(mdi_->contentsRect().size())) return;
    while (!waiting_.isEmpty()) {
        const QPointer<QMdiSubWindow> sub = waiting_.takeFirst();
        if (sub) PlaceNew(sub);
    }
}

void TWindowPlacer::KeepInArea(QMdiSubWindow* sub, QRect wanted, QSize least) {
    if (!sub || sub->isMaximized() || sub->isMinimized()) return;
    const QRect area = mdi_->viewport()->rect();
    if (area.width() < 50 || area.height() < 50) return;  // not laid out yet
    if (wanted.isNull()) wanted = sub->geometry();
    if (!least.isValid()) least = UsableSize();
    least = least.boundedTo(area.size());
    const int w = std::clamp(wanted.width(), least.width(), area.width());
    const int h = std::clamp(wanted.height(), least.height(), area.height());
    const int x = std::clamp(wanted.x(), 0, area.width() - w);
    const int y = std::clamp(wanted.y(), 0, area.height() - h);
    sub->setGeometry(x, y, w, h);
}

void TWindowPlacer::Cascade() {
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (!sub->isMinimized()) subs << sub;
    if (subs.isEmpty()) return;
    const QRect area = mdi_->viewport()->rect();
    const int step = std::max(20, subs.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4);
    const QSize least = UsableSize();
    // As many steps as leave every window usable; more windows start over.
    const int room = std::max(1, std::min((area.width() - least.width()) / step, (area.height() - least.height()) / step) + 1);
    const int shown = std::min<int>(room, static_cast<int>(subs.size()));
    const int w = std::max(least.width(), area.width() - (shown - 1) * step);
    const int h = std::max(least.height(), area.height() - (shown - 1) * step);
    for (int i = 0; i < subs.size(); ++i) {
        subs[i]->showNormal();
        const int k = i % shown;
        KeepInArea(subs[i], QRect(k * step, k * step, w, h));
        subs[i]->raise();
    }
}

void TWindowPlacer::ArrangeIcons() {
    int x = 0;
    QRect area = mdi_->viewport()->rect();
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (!sub->isMinimized()) continue;
        sub->move(x, area.height() - sub->height());
        x += sub->width();
    }
}

}  // namespace korvane
