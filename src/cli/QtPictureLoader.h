#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace korvane::cli {

// Paints a picture with Qt through korvane-cli's Qt module, loaded on the
// first call: korvane-cli-qt.so beside the running program, else where the
// build put it. False with a reason when the module cannot be loaded or Qt
// cannot paint.
bool PaintWithQtModule(int width, int height, const std::function<void(Canvas&)>& paint, std::vector<TColor>& pixels,
                       std::string& error);

}  // namespace korvane::cli
