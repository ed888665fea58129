#pragma once

#include <QDockWidget>
#include <functional>

#include "shell/History.h"

class QListWidget;

namespace korvane {

// The History panel: the active document's states, oldest first, the
// current one marked; a click on a state goes there.
class THistoryPanel : public QDockWidget {
public:
    explicit THistoryPanel(QWidget* parent);
    // Shows `history` (none: no document) unless it shows it already as it is.
    void Show(const THistory* history, uint64_t generation);
    QListWidget* List() const { return list_; }
    // Called with the index of the state the user clicked.
    std::function<void(int)> GoTo;

private:
    QListWidget* list_;
    uint64_t shownSerial_ = 0;
    uint64_t shownGeneration_ = 0;
    bool shownNone_ = true;
    int firstState_ = 0;  // the row of the first state (after the dropped line)
};

}  // namespace korvane
