#pragma once

#include <QApplication>

namespace korvane {

// The hourglass over the whole program while a long operation runs in the
// window's own thread, taken back however the scope ends.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace korvane
