#pragma once

#include <QImage>
#include <QPainter>

#include "platform/Canvas.h"

namespace korvane {

// The drawing surface over a QPainter that paints into an image (the
// window's back buffer), which also answers pixel reads.
class TQPainterCanvas : public Canvas {
public:
    // `painter` must be active on `image`.
    TQPainterCanvas(QPainter& painter, QImage& image) : painter_(painter), image_(image) {}

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void FillRect(int left, int top, int right, int bottom, TColor color) override;
    TColor GetPixel(int x, int y) const override;
    void SetPixel(int x, int y, TColor color) override;
    void Line(int x0, int y0, int x1, int y1, TColor color) override;
    void Polygon(const std::vector<TCanvasPoint>& points, TColor pen, TColor fill) override;
    void Ellipse(int left, int top, int right, int bottom, TColor pen, TColor fill) override;
    void Text(int x, int y, const std::string& text, TColor color) override;

    static QColor ToQColor(TColor c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
    static TColor FromQColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

private:
    QPainter& painter_;
    QImage& image_;
};

// The drawing surface straight on the pixels of an RGB32 image, for views
// that paint a pixel or a short line at a time (the volume diagram paints a
// line for every band of every column): no painter is active on the image
// meanwhile. The shapes a painter draws better go through one made for them.
class TRasterCanvas : public Canvas {
public:
    explicit TRasterCanvas(QImage& image) : image_(image) {}

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void FillRect(int left, int top, int right, int bottom, TColor color) override;
    TColor GetPixel(int x, int y) const override;
    void SetPixel(int x, int y, TColor color) override;
    void Line(int x0, int y0, int x1, int y1, TColor color) override;
    void Polygon(const std::vector<TCanvasPoint>& points, TColor pen, TColor fill) override;
    void Ellipse(int left, int top, int right, int bottom, TColor pen, TColor fill) override;
    void Text(int x, int y, const std::string& text, TColor color) override;

private:
    static QRgb rgb(TColor c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }
    QImage& image_;
};

}  // namespace korvane
