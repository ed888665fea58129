#include "shell/QPainterCanvas.h"

#include <QPolygon>

namespace korvane {

void TQPainterCanvas::FillRect(int left, int top, int right, int bottom, TColor color) {
    if (right <= left || bottom <= top) return;
    painter_.fillRect(left, top, right - left, bottom - top, ToQColor(color));
}

TColor TQPainterCanvas::GetPixel(int x, int y) const {
    if (!image_.valid(x, y)) return 0;
    return FromQColor(image_.pixelColor(x, y));
}

void TQPainterCanvas::SetPixel(int x, int y, TColor color) {
    painter_.setPen(ToQColor(color));
    painter_.drawPoint(x, y);
}

void TQPainterCanvas::Line(int x0, int y0, int x1, int y1, TColor color) {
    if (x0 == x1 && y0 == y1) return;
    painter_.setPen(ToQColor(color));
    if (x0 == x1) {
        // The end pixel is excluded, as everywhere on a canvas.
        int from = y1 > y0 ? y0 : y1 + 1, to = y1 > y0 ? y1 - 1 : y0;
        painter_.drawLine(x0, from, x0, to);
        return;
    }
    if (y0 == y1) {
        int from = x1 > x0 ? x0 : x1 + 1, to = x1 > x0 ? x1 - 1 : x0;
        painter_.drawLine(from, y0, to, y0);
        return;
    }
    painter_.drawLine(x0, y0, x1, y1);
}

void TQPainterCanvas::Polygon(const std::vector<TCanvasPoint>& points, TColor pen, TColor fill) {
    QPolygon polygon;
    for (const auto& p : points) polygon << QPoint(p.x, p.y);
    painter_.setPen(ToQColor(pen));
    painter_.setBrush(ToQColor(fill));
    painter_.drawPolygon(polygon);
    painter_.setBrush(Qt::NoBrush);
}

void TQPainterCanvas::Ellipse(int left, int top, int right, int bottom, TColor pen, TColor fill) {
    painter_.setPen(ToQColor(pen));
    painter_.setBrush(ToQColor(fill));
    painter_.drawEllipse(left, top, right - left - 1, bottom - top - 1);
    painter_.setBrush(Qt::NoBrush);
}

void TQPainterCanvas::Text(int x, int y, const std::string& text, TColor color) {
    painter_.setPen(ToQColor(color));
    painter_.drawText(QRect(x, y, 10000, 1000), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(text));
}

}  // namespace korvane
