#pragma once

#include <QIcon>
#include <QString>

namespace korvane {

// The icon of a command: from the system's icon theme where it has a fitting
// one, otherwise a small picture drawn here.
QIcon CommandIcon(const QString& action);

}  // namespace korvane
