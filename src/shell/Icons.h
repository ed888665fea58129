#pragma once

#include <QIcon>
#include <QString>

namespace korvane {

// The picture of a command or a window by its icon name (the command table
// names it): one of our own SVG pictures in the resources, drawn at the size
// and pixel ratio asked for, the same on every desktop. A null icon when
// there is no picture of that name.
QIcon CommandIcon(const QString& name);

}  // namespace korvane
