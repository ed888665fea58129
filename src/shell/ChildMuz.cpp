#include "shell/ChildMuz.h"

#include <QPainter>

namespace korvane {

TMDIChildMuz::TMDIChildMuz(TUnitMuz& doc, QWidget* parent) : TMDIChildKorvane(parent), doc_(&doc) {
    setFocusPolicy(Qt::StrongFocus);
    resize(700, 400);
    RefreshCaption();
}

TMDIChildMuz::~TMDIChildMuz() { Detach(); }

void TMDIChildMuz::Detach() { doc_ = nullptr; }

void TMDIChildMuz::Repaint() { update(); }

void TMDIChildMuz::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(64, 64, 64));
}

}  // namespace korvane
