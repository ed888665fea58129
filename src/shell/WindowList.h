#pragma once

#include <QObject>
#include <QList>

class QAction;
class QMdiArea;
class QMenu;

namespace korvane {

// The open windows at the end of the Window menu, numbered, the active one
// checked; choosing one brings it to the front. The list is made anew each
// time the menu opens.
class TWindowList : public QObject {
    Q_OBJECT
public:
    TWindowList(QMenu& menu, QMdiArea& area);
    // Makes the list as the menu shows it now.
    void Refresh();
    const QList<QAction*>& Entries() const { return entries_; }

private:
    QMenu& menu_;
    QMdiArea& area_;
    QAction* separator_ = nullptr;
    QList<QAction*> entries_;
};

}  // namespace korvane
