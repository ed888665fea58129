#include "shell/ChildWaveRuler.h"

#include <QPainter>

namespace korvane {

TWaveRuler::TWaveRuler(std::function<TWaveMapping()> mapping, std::function<int32_t()> freq, QWidget* parent)
    : QWidget(parent), mapping_(std::move(mapping)), freq_(std::move(freq)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

QSize TWaveRuler::sizeHint() const { return QSize(100, fontMetrics().height() + 8); }

void TWaveRuler::Follow() {
    const TWaveMapping m = mapping_();
    if (m.Left != shown_.Left || m.Right != shown_.Right || m.ZoomBegin != shown_.ZoomBegin ||
        m.ZoomEnd != shown_.ZoomEnd || freq_() != shownFreq_)
        update();
}

void TWaveRuler::paintEvent(QPaintEvent*) {
    shown_ = mapping_();
    shownFreq_ = freq_();
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(0, height() - 1, width(), height() - 1);
    p.setPen(palette().color(QPalette::WindowText));
    const int bottom = height() - 1;
    for (const TRulerMark& mark : RulerMarks(shown_, shownFreq_)) {
        if (!mark.Labelled) {
            p.drawLine(mark.X, bottom - 3, mark.X, bottom);
            continue;
        }
        p.drawLine(mark.X, bottom - 7, mark.X, bottom);
        // The label right of its mark; the last one left of it when it would be cut.
        const QString text = QString::fromStdString(mark.Text);
        const int w = fontMetrics().horizontalAdvance(text);
        const int x = mark.X + 3 + w > width() ? mark.X - 3 - w : mark.X + 3;
        p.drawText(x, bottom - 4, text);
    }
}

}  // namespace korvane
