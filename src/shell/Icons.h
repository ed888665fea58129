#pragma once

#include <QIcon>
#include <QString>

namespace korvane {

// The picture of a command by its icon name (the table names it): from the
// system's icon theme where it has one under that name,
// otherwise a small picture drawn here.
QIcon CommandIcon(const QString& name);

}  // namespace korvane
