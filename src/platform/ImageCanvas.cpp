#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Canvas.h"

namespace korvane {

ImageCanvas::ImageCanvas(int width, int height, TColor background)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), background) {}

void ImageCanvas::FillRect(int left, int top, int right, int bottom, TColor color) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    for (int y = top; y < bottom; ++y)
        std::fill(pixels_.begin() + static_cast<size_t>(y) * width_ + left,
                  pixels_.begin() + static_cast<size_t>(y) * width_ + std::max(left, right), color);
}

TColor ImageCanvas::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void ImageCanvas::SetPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = color;
}

void ImageCanvas::Line(int x0, int y0, int x1, int y1, TColor color) {
    if (x0 == x1) {
        // The wave view draws almost only vertical lines: keep them cheap.
        if (x0 < 0 || x0 >= width_) return;
        int from = y1 > y0 ? y0 : y1 + 1;
        int to = y1 > y0 ? y1 : y0 + 1;
        from = std::max(from, 0);
        to = std::min(to, height_);
        for (int y = from; y < to; ++y) pixels_[static_cast<size_t>(y) * width_ + x0] = color;
        return;
    }
    // Bresenham, the end point excluded.
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (!(x == x1 && y == y1)) {
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

void ImageCanvas::Polygon(const std::vector<TCanvasPoint>& points, TColor pen, TColor fill) {
    if (points.empty()) return;
    int top = points[0].y, bottom = points[0].y;
    for (const auto& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    // Even-odd scan lines through pixel centres.
    std::vector<double> crossings;
    for (int y = std::max(top, 0); y <= std::min(bottom, height_ - 1); ++y) {
        crossings.clear();
        double cy = y + 0.5;
        for (size_t i = 0; i < points.size(); ++i) {
            const auto& a = points[i];
            const auto& b = points[(i + 1) % points.size()];
            if ((a.y <= cy) != (b.y <= cy)) crossings.push_back(a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2)
            FillRect(static_cast<int>(std::ceil(crossings[i] - 0.5)), y,
                     static_cast<int>(std::ceil(crossings[i + 1] - 0.5)), y + 1, fill);
    }
    for (size_t i = 0; i < points.size(); ++i) {
        const auto& a = points[i];
        const auto& b = points[(i + 1) % points.size()];
        Line(a.x, a.y, b.x, b.y, pen);
    }
}

void ImageCanvas::Ellipse(int left, int top, int right, int bottom, TColor pen, TColor fill) {
    double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
    if (rx <= 0 || ry <= 0) return;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            double nx = (x + 0.5 - cx) / rx, ny = (y + 0.5 - cy) / ry;
            double d = nx * nx + ny * ny;
            if (d <= 1) SetPixel(x, y, d > 0.6 ? pen : fill);
        }
}

void ImageCanvas::Text(int x, int y, const std::string& text, TColor color) {
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != ' ') FillRect(x + static_cast<int>(i) * 6, y + 2, x + static_cast<int>(i) * 6 + 4, y + 9, color);
}

static TGlyphBox fixedBox(int pixelSize, int count) {
    const int w = std::max(pixelSize / 2, 1);
    return {0, -w, count * (w + 1) - 1, 0, count * (w + 1)};
}

TGlyphBox ImageCanvas::MeasureText(const TCanvasFont& font, const std::string& text) {
    return fixedBox(font.PixelSize, static_cast<int>(text.size()));
}

void ImageCanvas::FontText(int x, int baseline, const TCanvasFont& font, const std::string& text, TColor color) {
    const int w = std::max(font.PixelSize / 2, 1);
    for (size_t i = 0; i < text.size(); ++i) {
        const int left = x + static_cast<int>(i) * (w + 1);
        if (text[i] != ' ') FillRect(left, baseline - w, left + w, baseline, color);
    }
}

TGlyphBox ImageCanvas::MeasureMusicGlyph(char32_t, int pixelSize) { return fixedBox(pixelSize, 1); }

void ImageCanvas::MusicGlyph(int x, int baseline, char32_t, int pixelSize, TColor color) {
    const int w = std::max(pixelSize / 2, 1);
    FillRect(x, baseline - w, x + w, baseline, color);
}

void ImageCanvas::Shape(const std::vector<TCanvasPointF>& points, TColor fill) {
    std::vector<TCanvasPoint> rounded;
    rounded.reserve(points.size());
    for (const auto& p : points)
        rounded.push_back({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
    Polygon(rounded, fill, fill);
}

void ImageCanvas::Hatch(int left, int top, int right, int bottom, uint8_t hatch, TColor lines, TColor gaps) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    constexpr int spacing = 8;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            int along = hatch == hatchVertical ? x : hatch == hatchForwardDiagonal ? x - y : x + y;
            pixels_[static_cast<size_t>(y) * width_ + x] = ((along % spacing) + spacing) % spacing == 0 ? lines : gaps;
        }
}

int ImageCanvas::CountInColumn(int x, int top, int bottom, TColor color) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        if (GetPixel(x, y) == color) ++n;
    return n;
}

}  // namespace korvane
