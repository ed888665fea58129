#pragma once

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "commands/CommandTable.h"
#include "processing/TUnitWave.h"
#include "shell/CommandDialogs.h"
#include "shell/DialogRunner.h"

namespace korvane::testing {

// The one application of the window tests, on Qt's offscreen platform;
// whichever test comes first makes it.
inline QApplication& ShellApp() {
    if (!qApp) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The recent-files list goes to a folder of the tests' own, never
        // into the user's configuration.
        static QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        static int argc = 1;
        static char name[] = "korvane_shell_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    return *qApp;
}

// Answers the dialogs in order without a modal loop: each script fills the
// dialog and presses OK (or not) and says what the dialog ended with.
class ScriptedRunner : public TDialogRunner {
public:
    std::deque<std::function<int(QDialog&)>> dialogs;
    QStringList openFiles;
    std::deque<QString> saveNames;
    int run = 0;

    int Run(QDialog& dialog) override {
        ++run;
        if (dialogs.empty()) return QDialog::Rejected;
        auto script = dialogs.front();
        dialogs.pop_front();
        return script(dialog);
    }
    QStringList OpenFileNames(QWidget*, const QString&, const QString&) override { return openFiles; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override {
        if (saveNames.empty()) return QString();
        QString n = saveNames.front();
        saveNames.pop_front();
        return n;
    }
};

inline int pressOK(QDialog& d) {
    d.accept();
    return d.result();
}

// A command's dialog as the main window opens it, on a document of the
// workspace: the step made from the document's record, and the dialog over it.
struct OpenedDialog {
    std::unique_ptr<CommandStep> step;
    std::unique_ptr<TCommandDialogContext> context;
    std::unique_ptr<QDialog> dialog;
};

inline const Command& CommandNamed(const std::string& action) {
    for (const auto& c : Commands())
        if (c.action == action) return c;
    ADD_FAILURE() << action;
    return Commands().front();
}

inline void OpenCommandDialog(OpenedDialog& o, TWorkspace& space, TUnitWave& doc, const std::string& action) {
    const Command& command = CommandNamed(action);
    o.step = command.makeStep(space, doc);
    o.context = std::make_unique<TCommandDialogContext>(TCommandDialogContext{command, *o.step, space, doc});
    o.dialog = MakeCommandDialog(nullptr, *o.context);
}

}  // namespace korvane::testing
