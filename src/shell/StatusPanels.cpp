#include "shell/StatusPanels.h"

#include <QLabel>
#include <QStatusBar>
#include <algorithm>

namespace korvane {

TStatusPanels::TStatusPanels(QStatusBar* bar) : bar_(bar) {
    static const int widths[8] = {300, 160, 75, 70, 45, 24, 65, 60};
    // The widest text each panel shows; a panel grows beyond its width when
    // the font needs it, so that no value is cut.
    static const char* widest[8] = {"", "", "0:00:00.00000", "176.400 kHz", "16", "ST", "000.0 Mb", "Changed"};
    for (int i = 0; i < 8; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QString("Panel%1").arg(i));
        // Panels show file and symbol names as they are.
        panels_[i]->setTextFormat(Qt::PlainText);
        int needed = panels_[i]->fontMetrics().horizontalAdvance(widest[i]) + 12;
        widths_[i] = std::max(widths[i], widest[i][0] ? needed : 0);
        panels_[i]->setFixedWidth(widths_[i]);
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panels_[i]);
    }
}

void TStatusPanels::ShowInPanel1(const QString& text, int given) {
    const int needed = panels_[1]->fontMetrics().horizontalAdvance(text) + 12;
    if (widths_[1] < needed || widths_[1] < given) {
        widths_[1] = std::max({given, needed, widths_[1]});
        panels_[1]->setFixedWidth(widths_[1]);
        Fit();
    }
    if (panels_[1]->text() != text) panels_[1]->setText(text);
}

void TStatusPanels::Fit() {
    const int spacing = 8;
    int room = bar_->width() - 24;  // the size grip and the margins
    for (int i = 1; i < 8; ++i) room -= widths_[i] + spacing;
    int hidden = 8;
    while (room < 0 && hidden > 2) {
        --hidden;
        room += widths_[hidden] + spacing;
    }
    for (int i = 2; i < 8; ++i) panels_[i]->setVisible(i < hidden);
    const int hints = std::min(widths_[0], room - spacing);
    panels_[0]->setVisible(hints >= 40);
    if (hints >= 40) panels_[0]->setFixedWidth(hints);
}

}  // namespace korvane
