#include "shell/MusicCursors.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cstring>

namespace korvane {

namespace {

// Black with a white rim, so that the cursor shows on the white staves and
// on the dark background alike.
void outlined(QPainter& p, const QPainterPath& path, qreal width = 1.5) {
    p.setPen(QPen(Qt::white, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::black);
    p.drawPath(path);
}

QCursor make(const char* name) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    int hotX = 8, hotY = 24;
    if (!std::strcmp(name, "NOTE")) {
        // A filled head on the hot spot with its stem.
        path.addEllipse(QPointF(8, 24), 5.5, 4);
        path.moveTo(13, 24);
        path.lineTo(13, 4);
        path.lineTo(19, 10);
    } else if (!std::strcmp(name, "SIL")) {
        // A quarter silence, its middle on the hot spot.
        path.moveTo(9, 4);
        path.lineTo(15, 11);
        path.lineTo(10, 17);
        path.lineTo(15, 23);
        path.cubicTo(9, 20, 8, 26, 12, 29);
        hotX = 12;
        hotY = 16;
    } else if (!std::strcmp(name, "DELETE")) {
        path.moveTo(4, 4);
        path.lineTo(20, 20);
        path.moveTo(20, 4);
        path.lineTo(4, 20);
        hotX = hotY = 12;
    } else {
        path.addEllipse(QPointF(12, 12), 8, 8);
        path.moveTo(6.5, 17.5);
        path.lineTo(17.5, 6.5);
        hotX = hotY = 12;
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::white, 4.5));
        p.drawPath(path);
        p.setPen(QPen(QColor(200, 30, 30), 2.5));
        p.drawPath(path);
        p.end();
        return QCursor(pm, hotX, hotY);
    }
    outlined(p, path, !std::strcmp(name, "DELETE") ? 3 : 1.5);
    p.end();
    return QCursor(pm, hotX, hotY);
}

}  // namespace

QCursor MusicCursor(const char* name) {
    static QHash<QString, QCursor> made;
    auto it = made.find(name);
    if (it == made.end()) it = made.insert(name, make(name));
    return *it;
}

}  // namespace korvane
