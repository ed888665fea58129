#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

// A platform colour: red in the low byte, then green, then blue.
using TColor = uint32_t;

constexpr TColor RGBColor(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(TColor c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(TColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(TColor c) { return static_cast<int>((c >> 16) & 0xFF); }

struct TCanvasPoint {
    int x = 0;
    int y = 0;
};

// A point between pixels, for shapes drawn smoothly (beams, ties, flags).
struct TCanvasPointF {
    double x = 0;
    double y = 0;
};

// A text font: a family as the platform names it, a size in pixels (the
// em height), bold or not.
struct TCanvasFont {
    std::string Family;
    int PixelSize = 12;
    bool Bold = false;
};

// The ink of a glyph or a text relative to its pen position on the
// baseline (y grows downward, so Top is negative above the baseline), and
// how far the pen advances after it.
struct TGlyphBox {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Advance = 0;
};

enum TCanvasHatch : uint8_t { hatchBackwardDiagonal = 0, hatchForwardDiagonal = 1, hatchVertical = 2 };

// The drawing surface the wave view, the volume diagram and the score paint
// on. Rectangles are half-open: [left, right) x [top, bottom). Everything
// outside the surface is clipped, so callers need not clamp.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    virtual void FillRect(int left, int top, int right, int bottom, TColor color) = 0;
    // Outside the surface: black.
    virtual TColor GetPixel(int x, int y) const = 0;
    virtual void SetPixel(int x, int y, TColor color) = 0;
    // From (x0, y0) to (x1, y1), the end point excluded.
    virtual void Line(int x0, int y0, int x1, int y1, TColor color) = 0;
    virtual void Polygon(const std::vector<TCanvasPoint>& points, TColor pen, TColor fill) = 0;
    // The ellipse inside the rectangle, outlined in `pen` and filled with `fill`.
    virtual void Ellipse(int left, int top, int right, int bottom, TColor pen, TColor fill) = 0;
    // Text with its top left corner at (x, y).
    virtual void Text(int x, int y, const std::string& text, TColor color) = 0;

    // Text in a font, its pen starting at (x, baseline); Measure tells its
    // ink and advance without drawing.
    virtual TGlyphBox MeasureText(const TCanvasFont& font, const std::string& text) = 0;
    virtual void FontText(int x, int baseline, const TCanvasFont& font, const std::string& text, TColor color) = 0;
    // One glyph of the music font, by code point (the musical symbols of
    // Unicode, or the private code points of a font that has them).
    virtual TGlyphBox MeasureMusicGlyph(char32_t code, int pixelSize) = 0;
    virtual void MusicGlyph(int x, int baseline, char32_t code, int pixelSize, TColor color) = 0;
    // A filled shape, smoothed where the surface can.
    virtual void Shape(const std::vector<TCanvasPointF>& points, TColor fill) = 0;
    // The rectangle filled with `gaps` and hatched with lines in `lines`.
    virtual void Hatch(int left, int top, int right, int bottom, uint8_t hatch, TColor lines, TColor gaps) = 0;
};

// An RGB image in memory: what tests and benchmarks paint on.
class ImageCanvas : public Canvas {
public:
    ImageCanvas(int width, int height, TColor background = RGBColor(255, 255, 255));

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void FillRect(int left, int top, int right, int bottom, TColor color) override;
    TColor GetPixel(int x, int y) const override;
    void SetPixel(int x, int y, TColor color) override;
    void Line(int x0, int y0, int x1, int y1, TColor color) override;
    void Polygon(const std::vector<TCanvasPoint>& points, TColor pen, TColor fill) override;
    void Ellipse(int left, int top, int right, int bottom, TColor pen, TColor fill) override;
    // Text has no font here: each character is a small filled box, enough to
    // see where text went.
    void Text(int x, int y, const std::string& text, TColor color) override;
    // Fixed metrics, the same on every machine: a character or a glyph of
    // size S is a box S/2 wide and S/2 high standing on the baseline, and
    // advances S/2 + 1.
    TGlyphBox MeasureText(const TCanvasFont& font, const std::string& text) override;
    void FontText(int x, int baseline, const TCanvasFont& font, const std::string& text, TColor color) override;
    TGlyphBox MeasureMusicGlyph(char32_t code, int pixelSize) override;
    void MusicGlyph(int x, int baseline, char32_t code, int pixelSize, TColor color) override;
    void Shape(const std::vector<TCanvasPointF>& points, TColor fill) override;
    void Hatch(int left, int top, int right, int bottom, uint8_t hatch, TColor lines, TColor gaps) override;

    const std::vector<TColor>& Pixels() const { return pixels_; }
    // How many pixels of the column [top, bottom) have this colour.
    int CountInColumn(int x, int top, int bottom, TColor color) const;

private:
    int width_;
    int height_;
    std::vector<TColor> pixels_;
};

}  // namespace korvane
