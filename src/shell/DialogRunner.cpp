#include "shell/DialogRunner.h"

#include <QDialog>
#include <QFileDialog>
#include <QRegularExpression>

namespace korvane {

// Modal to the main window only: the help window, a window of its own, takes
// clicks while a dialog is open.
int TDialogRunner::Run(QDialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec();
}

QStringList TDialogRunner::OpenFileNames(QWidget* parent, const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, caption, QString(), filter);
}

QString TDialogRunner::SaveFileName(QWidget* parent, const QString& caption, const QString& start,
                                    const QString& filter, const QString& suffix) {
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    // A bare name takes the extension of the file type chosen, when it names one.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, suffix](const QString& chosen) {
        const int star = chosen.indexOf("*.");
        QString own = star < 0 ? suffix : chosen.mid(star + 2);
        own = own.left(own.indexOf(QRegularExpression("[ )]")));
        dialog.setDefaultSuffix(own.isEmpty() ? suffix : own);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

}  // namespace korvane
