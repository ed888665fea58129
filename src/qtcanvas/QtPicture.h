#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace korvane {

// Paints a picture of width x height with Qt, as the window would, without
// a window: makes the application object painting needs when there is none
// (on the offscreen platform unless QT_QPA_PLATFORM names another), paints
// on a QPainterCanvas over an image and hands back its pixels. False with a
// reason when Qt cannot paint or the music font is missing.
bool PaintPictureWithQt(int width, int height, const std::function<void(Canvas&)>& paint, std::vector<TColor>& pixels,
                        std::string& error);

}  // namespace korvane
