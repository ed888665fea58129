#include "shell/WindowList.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace korvane {

TWindowList::TWindowList(QMenu& menu, QMdiArea& area) : QObject(&menu), menu_(menu), area_(area) {
    connect(&menu_, &QMenu::aboutToShow, this, &TWindowList::Refresh);
}

void TWindowList::Refresh() {
    for (QAction* a : entries_) delete a;
    entries_.clear();
    delete separator_;
    separator_ = nullptr;
    const QList<QMdiSubWindow*> windows = area_.subWindowList();
    if (windows.isEmpty()) return;
    separator_ = menu_.addSeparator();
    QMdiSubWindow* active = area_.activeSubWindow();
    int number = 0;
    for (QMdiSubWindow* sub : windows) {
        ++number;
        // The first nine get their number as the accelerator.
        QString title = sub->windowTitle();
        title.replace('&', "&&");
        const QString text = number < 10 ? QString("&%1 %2").arg(number).arg(title) : QString("%1 %2").arg(number).arg(title);
        QAction* a = menu_.addAction(text);
        a->setCheckable(true);
        a->setChecked(sub == active);
        QMdiSubWindow* target = sub;
        connect(a, &QAction::triggered, this, [this, target] {
            if (!area_.subWindowList().contains(target)) return;
            if (target->isMinimized()) target->showNormal();
            area_.setActiveSubWindow(target);
        });
        entries_.push_back(a);
    }
}

}  // namespace korvane
