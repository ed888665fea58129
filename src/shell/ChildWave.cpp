#include "shell/ChildWave.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/Assert.h"
#include "processing/MakeCommands.h"
#include "qtcanvas/QPainterCanvas.h"
#include "shell/ChildWaveRuler.h"
#include "wavewindow/VolumeDiagram.h"

namespace korvane {

TWaveClient::TWaveClient(TMDIChildWave& owner) : TChildClientOf(owner) { setMinimumSize(40, 30); }

void TWaveClient::paintEvent(QPaintEvent* event) { owner_.PaintClient(event); }
void TWaveClient::mousePressEvent(QMouseEvent* event) { owner_.MousePress(event); }
void TWaveClient::mouseMoveEvent(QMouseEvent* event) { owner_.MouseMove(event); }
void TWaveClient::mouseReleaseEvent(QMouseEvent* event) { owner_.MouseRelease(event); }
void TWaveClient::keyPressEvent(QKeyEvent* event) { owner_.KeyPress(event); }
void TWaveClient::wheelTurned(const QWheelEvent& event) {
    owner_.Wheel(event.angleDelta(), static_cast<int>(event.position().x()), event.modifiers() & Qt::ControlModifier);
}

void TWaveClient::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    owner_.ClientResized(event->oldSize(), event->size());
}

TMDIChildWave::TMDIChildWave(TUnitWave& doc, const TWaveViewProps& view, QWidget* parent)
    : TMDIChildKorvane(parent), doc_(&doc), view_(view) {
    client_ = new TWaveClient(*this);
    ruler_ = new TWaveRuler([this] { return Mapping(); }, [this] { return doc_ ? doc_->GetFreq() : 0; }, this);
    bar_ = new QScrollBar(Qt::Horizontal, this);
    bar_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ruler_);
    layout->addWidget(client_, 1);
    layout->addWidget(bar_);
    connect(bar_, &QScrollBar::valueChanged, this, &TMDIChildWave::scrolled);
    voldTick_.setInterval(30);
    connect(&voldTick_, &QTimer::timeout, this, &TMDIChildWave::voldArrived);
    doc.Window = this;
    lastCursor_ = doc.FirstSel;
    resize(560, 260);
    RefreshCaption();
}

TMDIChildWave::~TMDIChildWave() { Detach(); }

void TMDIChildWave::Detach() {
    if (doc_ && doc_->Window == this) doc_->Window = nullptr;
    doc_ = nullptr;
    voldTick_.stop();
    diagram_.Clear();
}

QString TMDIChildWave::IconName() const {
    const bool stereo = doc_ && doc_->GetMoSt() == 2;
    return QString(viewKind_ == viewVold ? "window-vold-" : "window-wave-") + (stereo ? "stereo" : "mono");
}

void TMDIChildWave::SetWaveView(const TWaveViewProps& props) {
    view_ = props;
    viewKind_ = viewWave;
    // The diagram's columns are not kept while the wave is shown.
    voldTick_.stop();
    diagram_.Clear();
    RefreshIcon();
    client_->update();
}

void TMDIChildWave::SetVoldView(const TVoldViewProps& props) {
    vold_ = props;
    viewKind_ = viewVold;
    RefreshIcon();
    client_->update();
}

TWaveMapping TMDIChildWave::Mapping() const {
    TWaveMapping m;
    m.Left = 0;
    m.Right = client_->width();
    if (zoomed_) {
        m.ZoomBegin = zoomBegin_;
        m.ZoomEnd = zoomEnd_;
    } else {
        m.ZoomBegin = 0;
        m.ZoomEnd = doc_ ? doc_->GetValues() : 0;
    }
    return m;
}

void TMDIChildWave::ZoomIn() {
    if (!doc_ || !doc_->HasSamples() || !doc_->HasSelection()) return;
    ZoomTo(doc_->SelBegin(), doc_->SelEnd());
}

void TMDIChildWave::ZoomTo(double begin, double end) {
    if (!doc_ || doc_->GetValues() == 0 || end <= begin) return;
    int width = std::max(1, client_->width());
    TZoomBar bar = ZoomBarFor(begin, end, doc_->GetValues(), width);
    barRange_ = bar.Range;
    zoomed_ = true;
    ZoomFromBar(bar.Position, bar.Range, doc_->GetValues(), width, zoomBegin_, zoomEnd_);
    {
        QSignalBlocker block(bar_);
        bar_->setRange(0, static_cast<int>(std::max<int64_t>(0, bar.Range - width)));
        bar_->setPageStep(bar.PageStep);
        bar_->setSingleStep(std::max(1, width / 100));
        bar_->setValue(static_cast<int>(bar.Position));
    }
    bar_->show();
    client_->update();
}

void TMDIChildWave::scrolled(int position) {
    if (!zoomed_ || !doc_) return;
    ZoomFromBar(position, barRange_, doc_->GetValues(), std::max(1, client_->width()), zoomBegin_, zoomEnd_);
    client_->update();
}

void TMDIChildWave::Wheel(QPoint angleDelta, int x, bool ctrl) {
    if (!doc_ || doc_->GetValues() == 0) return;
    const int notches = client_->WheelNotches(angleDelta);
    if (notches == 0) return;
    const int width = std::max(1, client_->width());
    if (!ctrl) {
        // A tenth of the view per notch.
        if (zoomed_) bar_->setValue(bar_->value() - notches * std::max(1, width / 10));
        return;
    }
    // The sample under the pointer stays under it: the one at the middle of
    // the pointer's column (PixelToSample already takes the middle).
    const TWaveMapping m = Mapping();
    const double n = doc_->GetValues();
    const double at = m.PixelToSample(std::clamp(x, 0, width - 1));
    const double fraction = (at - m.ZoomBegin) / (m.ZoomEnd - m.ZoomBegin);
    // Not closer than ten samples over the width.
    const double span = std::max(std::min(n, 10.0), (m.ZoomEnd - m.ZoomBegin) * std::pow(0.8, notches));
    if (span >= n) {
        Unzoom();
        return;
    }
    const double begin = std::clamp(at - fraction * span, 0.0, n - span);
    ZoomTo(begin, begin + span);
}

void TMDIChildWave::NoZoom() {
    if (!zoomed_) return;
    // What was in view becomes the selection.
    if (doc_) doc_->SetRange(static_cast<int32_t>(std::floor(zoomBegin_ + 0.5)),
                             static_cast<int32_t>(std::floor(std::min<double>(zoomEnd_, doc_->GetValues()) + 0.5)));
    Unzoom();
}

void TMDIChildWave::Unzoom() {
    zoomed_ = false;
    bar_->hide();
    client_->update();
}

void TMDIChildWave::RangeAboutToChange(int32_t begin, int32_t end) {
    if (!zoomed_) return;
    KORVANE_ASSERT(OldZoomDepth++ == 0);
    keepStart_ = zoomBegin_ - begin;
    keepEnd_ = zoomEnd_ - end;
}

void TMDIChildWave::FinishKeepView() {
    if (OldZoomDepth == 0) return;
    KORVANE_ASSERT(OldZoomDepth-- == 1);
    if (!doc_ || doc_->GetValues() == 0) {
        Unzoom();
        return;
    }
    double begin = std::max(0.0, doc_->SelBegin() + keepStart_);
    double end = std::min<double>(doc_->GetValues(), doc_->SelEnd() + keepEnd_);
    if (end <= begin) {
        Unzoom();
    } else {
        ZoomTo(begin, end);
    }
}

void TMDIChildWave::Repaint() {
    FinishKeepView();
    // Undo or a property change can leave a zoom past the new end.
    if (zoomed_ && doc_ && (doc_->GetValues() == 0 || zoomEnd_ > doc_->GetValues())) {
        double end = doc_ ? doc_->GetValues() : 0;
        if (end <= zoomBegin_) Unzoom();
        else ZoomTo(zoomBegin_, end);
    }
    if (doc_) lastCursor_ = doc_->FirstSel;
    // Properties, balance and undo can change the channel count.
    RefreshIcon();
    client_->update();
}

void TMDIChildWave::updateColumns(int from, int to) {
    if (to < from) std::swap(from, to);
    client_->update(QRect(from, 0, to - from + 1, client_->height()));
}

void TMDIChildWave::SelectionChanged(int32_t oldBegin, int32_t oldEnd, int32_t newBegin, int32_t newEnd) {
    if (!doc_) return;
    TWaveMapping m = Mapping();
    // Only the columns that change between normal and inverted, and the two
    // cursor columns.
    int a0 = m.PixelOf(oldBegin), a1 = m.PixelOf(oldEnd), b0 = m.PixelOf(newBegin), b1 = m.PixelOf(newEnd);
    if (oldBegin == oldEnd) {
        if (newBegin != newEnd) updateColumns(b0, b1);
    } else if (newBegin == newEnd) {
        updateColumns(a0, a1);
    } else {
        if (a0 != b0) updateColumns(a0, b0);
        if (a1 != b1) updateColumns(a1, b1);
    }
    auto cursorColumn = [&](int32_t c) { return m.PixelOf(c >= doc_->GetValues() ? doc_->GetValues() - 1 : c); };
    updateColumns(cursorColumn(lastCursor_), cursorColumn(lastCursor_));
    lastCursor_ = doc_->FirstSel;
    updateColumns(cursorColumn(lastCursor_), cursorColumn(lastCursor_));
}

TVoldPaintArgs TMDIChildWave::voldArgs() const {
    TVoldPaintArgs args;
    args.TheSound = doc_->TheSound.get();
    args.Props = &vold_;
    args.Map = Mapping();
    args.Top = 0;
    args.Bottom = client_->height();
    args.SelBegin = doc_->SelBegin();
    args.SelEnd = doc_->SelEnd();
    args.Cursor = doc_->FirstSel;
    return args;
}

void TMDIChildWave::voldArrived() {
    int from, to;
    if (diagram_.NewlyReady(from, to)) client_->update(QRect(from, 0, to - from, client_->height()));
    if (!diagram_.Computing()) voldTick_.stop();
}

void TMDIChildWave::PaintClient(QPaintEvent* event) {
    ruler_->Follow();
    QSize size = client_->size();
    QImage& back = client_->BackBuffer();
    QRect r = event->rect().intersected(QRect(QPoint(0, 0), size));
    if (doc_ && viewKind_ == viewVold) {
        // The columns of this view: kept ones, or those computed so far;
        // the rest arrive through the timer.
        TVoldPaintArgs args = voldArgs();
        diagram_.Update(doc_->TheSound, args);
        TRasterCanvas canvas(back);
        diagram_.Paint(canvas, args, r.left(), r.right() + 1);
        if (diagram_.Computing() && !voldTick_.isActive()) voldTick_.start();
    } else {
        QPainter painter(&back);
        painter.setClipRect(r);
        TQPainterCanvas canvas(painter, back);
        if (!doc_) {
            canvas.FillRect(r.left(), 0, r.right() + 1, size.height(), view_.Background);
        } else {
            TWavePaintArgs args;
            args.TheSound = doc_->TheSound.get();
            args.Props = &view_;
            args.Map = Mapping();
            args.Top = 0;
            args.Bottom = size.height();
            args.SelBegin = doc_->SelBegin();
            args.SelEnd = doc_->SelEnd();
            args.Cursor = doc_->FirstSel;
            PaintWaveView(canvas, args, r.left(), r.right() + 1);
        }
        if (drawing_) {
            painter.setRenderHint(QPainter::Antialiasing);
            for (const auto& p : points_) {
                if (p.hidden) continue;
                int x = static_cast<int>(std::lround(p.x)), y = static_cast<int>(std::lround(p.y));
                canvas.Ellipse(x - 3, y - 3, x + 4, y + 4, RGBColor(200, 40, 20), RGBColor(255, 200, 120));
            }
        }
    }
    QPainter widget(client_);
    widget.drawImage(r, back, r);
    // Over the picture, not in it: moving it repaints two columns only.
    if (playCursor_ >= 0 && doc_) {
        playCursorX_ = Mapping().PixelOf(playCursor_);
        // Two pixels of orange: seen on the wave, the background and the
        // inverted selection alike.
        if (playCursorX_ + 1 >= r.left() && playCursorX_ <= r.right())
            widget.fillRect(QRect(playCursorX_, r.top(), 2, r.height()).intersected(r), QColor(255, 110, 0));
    }
}

void TMDIChildWave::SetPlayCursor(int32_t sample) {
    if (sample == playCursor_) return;
    const int h = client_->height();
    if (playCursorX_ >= 0) client_->update(playCursorX_, 0, 2, h);
    playCursor_ = sample;
    playCursorX_ = -1;
    if (sample >= 0 && doc_) client_->update(Mapping().PixelOf(sample), 0, 2, h);
}

void TMDIChildWave::MousePress(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !doc_) return;
    client_->setFocus();
    QPointF pos = event->position();
    if (drawing_) {
        int hit = hitPoint(pos.x(), pos.y());
        if (hit >= 0) {
            grabbed_ = hit;
            grabOffset_ = QPointF(points_[hit].x - pos.x(), points_[hit].y - pos.y());
            return;
        }
        double x = std::floor(pos.x()), y = std::floor(pos.y());
        auto at = std::find_if(points_.begin(), points_.end(), [x](const TDrawPoint& p) { return p.x >= x; });
        if (at != points_.end() && at->x == x) return;
        at = points_.insert(at, TDrawPoint{x, y, false});
        grabbed_ = static_cast<int>(at - points_.begin());
        grabOffset_ = QPointF(0, 0);
        recomputeDrawing();
        return;
    }
    TSelectionEnds sel{doc_->FirstSel, doc_->SecondSel};
    bool shift = event->modifiers() & Qt::ShiftModifier, ctrl = event->modifiers() & Qt::ControlModifier;
    if (!MouseDownSelection(sel, static_cast<int>(std::floor(pos.x())), shift, ctrl, doc_->GetValues(), Mapping()))
        return;
    applySelection(sel);
    dragging_ = true;
}

void TMDIChildWave::MouseMove(QMouseEvent* event) {
    if (!doc_) return;
    QPointF pos = event->position();
    int x = static_cast<int>(std::floor(pos.x())), y = static_cast<int>(std::floor(pos.y()));
    if (drawing_ && grabbed_ >= 0 && (event->buttons() & Qt::LeftButton)) {
        TDrawPoint& p = points_[grabbed_];
        double nx = pos.x() + grabOffset_.x(), ny = pos.y() + grabOffset_.y();
        double lo = grabbed_ > 0 ? points_[grabbed_ - 1].x + 1 : 0;
        double hi = grabbed_ + 1 < static_cast<int>(points_.size()) ? points_[grabbed_ + 1].x - 1 : client_->width() - 1;
        lo = std::max(0.0, lo);
        hi = std::max(lo, std::min<double>(client_->width() - 1, hi));
        nx = std::clamp(nx, lo, hi);
        p.hidden = ny < 0 || ny >= client_->height();
        p.x = std::floor(nx);
        p.y = std::clamp(std::floor(ny), 0.0, static_cast<double>(client_->height() - 1));
        recomputeDrawing();
    } else if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        TSelectionEnds sel{doc_->FirstSel, doc_->SecondSel};
        sel.Cursor = DragCursor(x, doc_->GetValues(), Mapping());
        applySelection(sel);
    }
    if (Readout && viewKind_ == viewWave && doc_->GetFreq() > 0) {
        double seconds = Mapping().PixelToTime(x, doc_->GetFreq());
        Readout(QString::fromStdString(WaveReadout(seconds, y, client_->height(), doc_->GetMoSt() == 2)));
    }
    if (Readout && viewKind_ == viewVold && doc_->GetFreq() > 0) {
        double seconds = Mapping().PixelToTime(x, doc_->GetFreq());
        bool split = doc_->GetMoSt() == 2 && vold_.TwoWaves;
        double hertz = VoldFrequencyAt(vold_, y, 0, client_->height(), split);
        Readout(QString::fromStdString(VoldReadout(seconds, hertz)));
    }
}

void TMDIChildWave::MouseRelease(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = false;
    if (drawing_ && grabbed_ >= 0) {
        double y = event->position().y() + grabOffset_.y();
        if (y < 0 || y >= client_->height()) {
            points_.erase(points_.begin() + grabbed_);
            grabbed_ = -1;
            recomputeDrawing();
        }
        grabbed_ = -1;
    }
}

void TMDIChildWave::KeyPress(QKeyEvent* event) {
    if (!doc_ || (event->modifiers() & Qt::AltModifier)) {
        event->ignore();
        return;
    }
    TSelKey key;
    switch (event->key()) {
        case Qt::Key_Left: key = TSelKey::Left; break;
        case Qt::Key_Right: key = TSelKey::Right; break;
        case Qt::Key_Up: key = TSelKey::Up; break;
        case Qt::Key_Down: key = TSelKey::Down; break;
        case Qt::Key_Home: key = TSelKey::Home; break;
        case Qt::Key_End: key = TSelKey::End; break;
        case Qt::Key_PageUp: key = TSelKey::PageUp; break;
        case Qt::Key_PageDown: key = TSelKey::PageDown; break;
        default: event->ignore(); return;
    }
    SelectionKey(key, event->modifiers() & Qt::ShiftModifier, event->modifiers() & Qt::ControlModifier);
    event->accept();
}

void TMDIChildWave::SelectionKey(TSelKey key, bool shift, bool ctrl) {
    if (!doc_) return;
    TSelectionEnds sel{doc_->FirstSel, doc_->SecondSel};
    if (KeySelection(sel, key, shift, ctrl, doc_->GetValues(), Mapping())) applySelection(sel);
}

void TMDIChildWave::applySelection(const TSelectionEnds& sel) {
    if (sel.Cursor == doc_->FirstSel && sel.Anchor == doc_->SecondSel) return;
    if (sel.Cursor == sel.Anchor) {
        doc_->SetCursor(sel.Cursor);
    } else {
        doc_->SetSecondEnd(sel.Anchor);
        doc_->SetFirstEnd(sel.Cursor);
    }
}

void TMDIChildWave::ClientResized(const QSize& oldSize, const QSize& newSize) {
    // Only a new width changes the bar; zooming again on a new height (the
    // bar itself appearing) would move the view by the bar's rounding.
    if (zoomed_ && oldSize.width() != newSize.width()) ZoomTo(zoomBegin_, zoomEnd_);
    if (!points_.empty() && oldSize.width() > 0 && oldSize.height() > 0) {
        double fx = static_cast<double>(newSize.width()) / oldSize.width();
        double fy = static_cast<double>(newSize.height()) / oldSize.height();
        for (auto& p : points_) {
            p.x *= fx;
            p.y *= fy;
        }
        recomputeDrawing();
    }
}

bool TMDIChildWave::CanDraw() const {
    if (drawing_) return true;
    return doc_ && doc_->GetValues() == 0 && doc_->GetMoSt() == 1 && viewKind_ == viewWave;
}

void TMDIChildWave::StartDrawing(int kind) {
    if (drawing_ && kind == drawKind_) {
        drawing_ = false;
        points_.clear();
        grabbed_ = -1;
        client_->unsetCursor();
    } else if (drawing_) {
        drawKind_ = kind;
        recomputeDrawing();
    } else {
        if (!CanDraw()) return;
        drawing_ = true;
        drawKind_ = kind;
        points_.clear();
        client_->setCursor(Qt::CrossCursor);
    }
    client_->update();
}

int TMDIChildWave::hitPoint(double x, double y) const {
    int best = -1;
    double bestDistance = 5;
    for (size_t i = 0; i < points_.size(); ++i) {
        double d = std::hypot(points_[i].x - x, points_[i].y - y);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

void TMDIChildWave::recomputeDrawing() {
    if (doc_ && points_.size() >= 2) {
        std::vector<DrawnPoint> pts;
        pts.reserve(points_.size());
        for (const auto& p : points_) pts.push_back({p.x, p.y});
        if (DrawWave(*doc_, pts, pts.front().x, 0, pts.back().x, client_->height(), drawKind_)) {
            doc_->EditName = "Draw Wave";
            doc_->MarkChanged();
        }
    }
    client_->update();
}

}  // namespace korvane
