#include "qtcanvas/QPainterCanvas.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cmath>
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

QString MusicFontFamily() {
    // Looked up once per application object: each has its own font database.
    static const QCoreApplication* lookedUpFor = nullptr;
    static QString family;
    if (lookedUpFor == QCoreApplication::instance() && lookedUpFor) return family;
    lookedUpFor = QCoreApplication::instance();
    const QString wanted = QStringLiteral("Noto Music");
    if (QFontDatabase::families().contains(wanted)) return family = wanted;
    // Qt may not have scanned the system's fonts (a minimal platform): take
    // the file the package installs.
    const int id =
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/noto/NotoMusic-Regular.ttf"));
    const QStringList loaded = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
    return family = loaded.isEmpty() ? QString() : loaded.first();
}

QFont ToQFont(const TCanvasFont& font) {
    static const bool substituted = [] {
        // The tuplet numbers ask for the classic serif; any installed serif
        // does, and Noto Serif comes with the music font's package.
        QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                                   {QStringLiteral("Noto Serif"), QStringLiteral("DejaVu Serif")});
        return true;
    }();
    (void)substituted;
    QFont f(QString::fromStdString(font.Family));
    f.setPixelSize(std::max(font.PixelSize, 1));
    f.setBold(font.Bold);
    f.setStyleHint(QFont::Serif);
    return f;
}

static TGlyphBox boxOf(const QPainterPath& path, int advance) {
    const QRectF r = path.boundingRect();
    if (r.isEmpty()) return {0, 0, 0, 0, advance};
    return {static_cast<int>(std::floor(r.left())), static_cast<int>(std::floor(r.top())),
            static_cast<int>(std::ceil(r.right())), static_cast<int>(std::ceil(r.bottom())), advance};
}

TGlyphBox TQPainterCanvas::MeasureText(const TCanvasFont& font, const std::string& text) {
    const QFont f = ToQFont(font);
    const QString s = QString::fromStdString(text);
    QPainterPath path;
    path.addText(0, 0, f, s);
    return boxOf(path, QFontMetrics(f).horizontalAdvance(s));
}

void TQPainterCanvas::FontText(int x, int baseline, const TCanvasFont& font, const std::string& text, TColor color) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setFont(ToQFont(font));
    painter_.setPen(ToQColor(color));
    painter_.drawText(QPoint(x, baseline), QString::fromStdString(text));
    painter_.restore();
}

static QFont musicFont(int pixelSize) {
    QFont f(MusicFontFamily());
    f.setPixelSize(std::max(pixelSize, 1));
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

static QString codePoint(char32_t code) {
    const char32_t text[1] = {code};
    return QString::fromUcs4(text, 1);
}

TGlyphBox TQPainterCanvas::MeasureMusicGlyph(char32_t code, int pixelSize) {
    auto key = std::make_pair(code, pixelSize);
    auto it = glyphBoxes_.find(key);
    if (it != glyphBoxes_.end()) return it->second;
    const QFont f = musicFont(pixelSize);
    const QString s = codePoint(code);
    QPainterPath path;
    path.addText(0, 0, f, s);
    TGlyphBox box = boxOf(path, QFontMetrics(f).horizontalAdvance(s));
    glyphBoxes_[key] = box;
    return box;
}

void TQPainterCanvas::MusicGlyph(int x, int baseline, char32_t code, int pixelSize, TColor color) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setFont(musicFont(pixelSize));
    painter_.setPen(ToQColor(color));
    painter_.drawText(QPoint(x, baseline), codePoint(code));
    painter_.restore();
}

void TQPainterCanvas::Shape(const std::vector<TCanvasPointF>& points, TColor fill) {
    QPolygonF polygon;
    for (const auto& p : points) polygon << QPointF(p.x, p.y);
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(ToQColor(fill));
    painter_.drawPolygon(polygon);
    painter_.restore();
}

void TQPainterCanvas::Hatch(int left, int top, int right, int bottom, uint8_t hatch, TColor lines, TColor gaps) {
    if (right <= left || bottom <= top) return;
    const Qt::BrushStyle style = hatch == hatchVertical          ? Qt::VerPattern
                                 : hatch == hatchForwardDiagonal ? Qt::FDiagPattern
                                                                 : Qt::BDiagPattern;
    painter_.fillRect(left, top, right - left, bottom - top, ToQColor(gaps));
    painter_.fillRect(left, top, right - left, bottom - top, QBrush(ToQColor(lines), style));
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

TGlyphBox TRasterCanvas::MeasureText(const TCanvasFont& font, const std::string& text) {
    QPainter painter(&image_);
    return TQPainterCanvas(painter, image_).MeasureText(font, text);
}

void TRasterCanvas::FontText(int x, int baseline, const TCanvasFont& font, const std::string& text, TColor color) {
    QPainter painter(&image_);
    TQPainterCanvas(painter, image_).FontText(x, baseline, font, text, color);
}

TGlyphBox TRasterCanvas::MeasureMusicGlyph(char32_t code, int pixelSize) {
    QPainter painter(&image_);
    return TQPainterCanvas(painter, image_).MeasureMusicGlyph(code, pixelSize);
}

void TRasterCanvas::MusicGlyph(int x, int baseline, char32_t code, int pixelSize, TColor color) {
    QPainter painter(&image_);
    TQPainterCanvas(painter, image_).MusicGlyph(x, baseline, code, pixelSize, color);
}

void TRasterCanvas::Shape(const std::vector<TCanvasPointF>& points, TColor fill) {
    QPainter painter(&image_);
    TQPainterCanvas(painter, image_).Shape(points, fill);
}

void TRasterCanvas::Hatch(int left, int top, int right, int bottom, uint8_t hatch, TColor lines, TColor gaps) {
    QPainter painter(&image_);
    TQPainterCanvas(painter, image_).Hatch(left, top, right, bottom, hatch, lines, gaps);
}

}  // namespace korvane
