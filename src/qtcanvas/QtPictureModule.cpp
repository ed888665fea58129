#include "qtcanvas/QtPictureModule.h"

#include "qtcanvas/QtPicture.h"

extern "C" __attribute__((visibility("default"))) bool korvane_paint_picture_with_qt(
    int width, int height, const std::function<void(korvane::Canvas&)>& paint, std::vector<korvane::TColor>& pixels,
    std::string& error) {
    return korvane::PaintPictureWithQt(width, height, paint, pixels, error);
}

// The loader looks the entry up by this name and calls it through this type.
static_assert(std::is_same_v<decltype(&korvane_paint_picture_with_qt), KorvanePaintPictureWithQt>);
