#include "shell/ChildWin.h"

#include <QCloseEvent>

namespace korvane {

void TMDIChildKorvane::RefreshCaption() {
    TUnit* unit = Unit();
    if (!unit) return;
    QString title = QString::fromStdString(unit->FileName.empty() ? unit->Name : unit->FileName);
    setWindowTitle(title);
    if (parentWidget()) parentWidget()->setWindowTitle(title);
}

void TMDIChildKorvane::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (QueryClose && !QueryClose(*this)) {
        event->ignore();
        return;
    }
    closed_ = true;
    event->accept();
    if (Closed) Closed(*this);
}

}  // namespace korvane
