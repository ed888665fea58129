#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <map>
#include <utility>

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
    TGlyphBox MeasureText(const TCanvasFont& font, const std::string& text) override;
    void FontText(int x, int baseline, const TCanvasFont& font, const std::string& text, TColor color) override;
    TGlyphBox MeasureMusicGlyph(char32_t code, int pixelSize) override;
    void MusicGlyph(int x, int baseline, char32_t code, int pixelSize, TColor color) override;
    void Shape(const std::vector<TCanvasPointF>& points, TColor fill) override;
    void Hatch(int left, int top, int right, int bottom, uint8_t hatch, TColor lines, TColor gaps) override;

    static QColor ToQColor(TColor c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
    static TColor FromQColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

private:
    QPainter& painter_;
    QImage& image_;
    std::map<std::pair<char32_t, int>, TGlyphBox> glyphBoxes_;
};

// The family of the music font (Noto Music), loaded from its installed file
// when the font database does not list it. Empty when it is not installed.
QString MusicFontFamily();
// The font of a canvas font; "Times New Roman" and the other serif names
// fall back to the installed serif font through the font database.
QFont ToQFont(const TCanvasFont& font);

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
    // Fonts, glyphs and smooth shapes need a painter: each call makes one.
    TGlyphBox MeasureText(const TCanvasFont& font, const std::string& text) override;
    void FontText(int x, int baseline, const TCanvasFont& font, const std::string& text, TColor color) override;
    TGlyphBox MeasureMusicGlyph(char32_t code, int pixelSize) override;
    void MusicGlyph(int x, int baseline, char32_t code, int pixelSize, TColor color) override;
    void Shape(const std::vector<TCanvasPointF>& points, TColor fill) override;
    void Hatch(int left, int top, int right, int bottom, uint8_t hatch, TColor lines, TColor gaps) override;

private:
    static QRgb rgb(TColor c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }
    QImage& image_;
};


}  // namespace korvane
