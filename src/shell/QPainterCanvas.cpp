#include "shell/QPainterCanvas.h"

#include <QPolygon>
#include <algorithm>
#include <cstdlib>

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

void TRasterCanvas::FillRect(int left, int top, int right, int bottom, TColor color) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image_.width());
    bottom = std::min(bottom, image_.height());
    if (right <= left) return;
    const QRgb c = rgb(color);
    for (int y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(line + left, line + right, c);
    }
}

TColor TRasterCanvas::GetPixel(int x, int y) const {
    if (!image_.valid(x, y)) return 0;
    QRgb c = image_.pixel(x, y);
    return RGBColor(qRed(c), qGreen(c), qBlue(c));
}

void TRasterCanvas::SetPixel(int x, int y, TColor color) {
    if (!image_.valid(x, y)) return;
    reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = rgb(color);
}

void TRasterCanvas::Line(int x0, int y0, int x1, int y1, TColor color) {
    if (x0 == x1) {
        if (x0 < 0 || x0 >= image_.width()) return;
        int from = std::max(y1 > y0 ? y0 : y1 + 1, 0);
        int to = std::min(y1 > y0 ? y1 : y0 + 1, image_.height());
        const QRgb c = rgb(color);
        // Rows by the stride, so that the image is not asked for each one.
        if (from >= to) return;
        uchar* at = image_.scanLine(from) + x0 * sizeof(QRgb);
        const qsizetype stride = image_.bytesPerLine();
        for (int y = from; y < to; ++y, at += stride) *reinterpret_cast<QRgb*>(at) = c;
        return;
    }
    // Bresenham, the end point excluded.
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (int x = x0, y = y0; !(x == x1 && y == y1);) {
        SetPixel(x, y, color);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void TRasterCanvas::Polygon(const std::vector<TCanvasPoint>& points, TColor pen, TColor fill) {
    QPainter painter(&image_);
    TQPainterCanvas(painter, image_).Polygon(points, pen, fill);
}

void TRasterCanvas::Ellipse(int left, int top, int right, int bottom, TColor pen, TColor fill) {
    QPainter painter(&image_);
    TQPainterCanvas(painter, image_).Ellipse(left, top, right, bottom, pen, fill);
}

void TRasterCanvas::Text(int x, int y, const std::string& text, TColor color) {
    QPainter painter(&image_);
    TQPainterCanvas(painter, image_).Text(x, y, text, color);
}

}  // namespace korvane
