#include "shell/ChildWin.h"

#include <QCloseEvent>

#include "shell/Icons.h"

namespace korvane {

void TMDIChildKorvane::RefreshCaption() {
    TUnit* unit = Unit();
    if (!unit) return;
    QString title = QString::fromStdString(unit->FileName.empty() ? unit->Name : unit->FileName);
    setWindowTitle(title);
    if (parentWidget()) parentWidget()->setWindowTitle(title);
    RefreshIcon();
}

void TMDIChildKorvane::RefreshIcon() {
    if (!Unit()) return;
    const QString name = IconName();
    // The frame comes after the window is made: it gets the icon then.
    QWidget* frame = parentWidget();
    if (name == iconName_ && frame == iconFrame_) return;
    iconName_ = name;
    iconFrame_ = frame;
    const QIcon icon = CommandIcon(name);
    setWindowIcon(icon);
    if (frame) frame->setWindowIcon(icon);
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
