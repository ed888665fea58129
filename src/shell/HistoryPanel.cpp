#include "shell/HistoryPanel.h"

#include <QListWidget>

namespace korvane {

THistoryPanel::THistoryPanel(QWidget* parent) : QDockWidget("History", parent), list_(new QListWidget(this)) {
    setObjectName("History");
    setWidget(list_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = list_->row(item);
        if (row >= firstState_ && GoTo) GoTo(row - firstState_);
    });
}

void THistoryPanel::Show(const THistory* history, uint64_t generation) {
    if (!history) {
        if (!shownNone_) list_->clear();
        shownNone_ = true;
        return;
    }
    if (!shownNone_ && shownSerial_ == history->Serial && shownGeneration_ == generation) return;
    shownNone_ = false;
    shownSerial_ = history->Serial;
    shownGeneration_ = generation;
    list_->clear();
    firstState_ = 0;
    if (history->Dropped > 0) {
        auto* line = new QListWidgetItem(
            QString("%1 older states dropped: the history's disk budget is full.").arg(history->Dropped), list_);
        line->setFlags(Qt::NoItemFlags);
        firstState_ = 1;
    }
    for (int i = 0; i < static_cast<int>(history->States.size()); ++i) {
        const THistoryState& state = history->States[i];
        QString text = QString::fromStdString(state.Name);
        // A state only on disk takes a moment to come back.
        if (!history->Music && !state.TheSound) text += "  (on disk)";
        auto* item = new QListWidgetItem(text, list_);
        if (i == history->Current) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
            item->setText("\u25B6 " + text);
        }
    }
    if (history->Current >= 0) {
        QListWidgetItem* current = list_->item(firstState_ + history->Current);
        list_->setCurrentItem(current);
        list_->scrollToItem(current);
    }
}

}  // namespace korvane
