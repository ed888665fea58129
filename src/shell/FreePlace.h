#pragma once

#include <QList>
#include <QRect>

namespace korvane {

// Where a new window goes in the work area so that it hides none of the
// windows there: the first place (top to bottom, then left to right, among
// the area's corner and the corners the windows leave free) where it fits
// at its size; else the largest size down to `least` that fits at one of
// those places. An invalid rectangle when nothing fits.
QRect FreePlace(const QRect& area, const QList<QRect>& taken, QSize wanted, QSize least);

}  // namespace korvane
