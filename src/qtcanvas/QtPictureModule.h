#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

// The entry point of korvane-cli's Qt module: PaintPictureWithQt under a name
// that dlsym finds. Program and module are built together by the same
// compiler, so the C++ types may cross.
extern "C" {
using KorvanePaintPictureWithQt = bool (*)(int width, int height,
                                           const std::function<void(korvane::Canvas&)>& paint,
                                           std::vector<korvane::TColor>& pixels, std::string& error);
inline constexpr const char* kKorvanePaintPictureWithQtName = "korvane_paint_picture_with_qt";
}
