#pragma once

#include <QApplication>

namespace korvane::testing {

// The one application of the window tests, on Qt's offscreen platform;
// whichever test comes first makes it.
inline QApplication& ShellApp() {
    if (!qApp) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "korvane_shell_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    return *qApp;
}

}  // namespace korvane::testing
