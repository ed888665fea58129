#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace korvane {

// Runs the modal dialogs of the main window. The program shows them; tests
// put in a runner that fills the fields and presses OK, so nothing waits on
// a modal loop.
class TDialogRunner {
public:
    virtual ~TDialogRunner() = default;
    // QDialog::Accepted or QDialog::Rejected.
    virtual int Run(QDialog& dialog);
    // The chosen files, empty when cancelled.
    virtual QStringList OpenFileNames(QWidget* parent, const QString& caption, const QString& filter);
    // The chosen file name with `suffix` added when none was typed; asks
    // before replacing a file; empty when cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filter, const QString& suffix);
};

}  // namespace korvane
