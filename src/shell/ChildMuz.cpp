#include "shell/ChildMuz.h"

#include <QKeyEvent>
#include <QWheelEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "music/MusicEdit.h"
#include "qtcanvas/QPainterCanvas.h"
#include "score/ScoreHit.h"
#include "shell/MusicCursors.h"

namespace korvane {

namespace {

// What the history calls a change a click made.
const char* clickName(const TStaveSymbol* inserted) {
    if (!inserted) return "Score click";
    switch (inserted->GetStaveSymbolKind()) {
        case staveSymbolKey: return "Key added";
        case staveSymbolSilence: return "Silence added";
        default: return "Note added";
    }
}

}  // namespace

TMuzClient::TMuzClient(TMDIChildMuz& owner) : TChildClientOf(owner) {}

void TMuzClient::paintEvent(QPaintEvent*) { owner_.PaintClient(); }

void TMuzClient::mousePressEvent(QMouseEvent* event) {
    setFocus();
    owner_.MousePress(event->position().toPoint().x(), event->position().toPoint().y(), event->button());
}

void TMuzClient::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    owner_.MouseMove(p.x(), p.y(), event->buttons());
    if (!owner_.Dragging()) setCursor(owner_.CursorAt(p.x(), p.y()));
}

void TMuzClient::mouseReleaseEvent(QMouseEvent* event) {
    // The drag lasts while any of its buttons is still held.
    if (event->buttons() & (Qt::LeftButton | Qt::RightButton)) return;
    owner_.MouseRelease();
}

void TMuzClient::keyPressEvent(QKeyEvent* event) {
    if (!owner_.KeyPress(event->key(), event->modifiers())) QWidget::keyPressEvent(event);
}

void TMuzClient::resizeEvent(QResizeEvent*) { update(); }

void TMuzClient::wheelTurned(const QWheelEvent& event) { owner_.Wheel(event.angleDelta()); }

// ---------------------------------------------------------------------------

TMDIChildMuz::TMDIChildMuz(TUnitMuz& doc, QWidget* parent)
    : TMDIChildKorvane(parent), doc_(&doc), layout_(std::make_unique<TScoreLayout>(doc)) {
    client_ = new TMuzClient(*this);
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    vbar_ = new QScrollBar(Qt::Vertical, this);
    hbar_->setTracking(true);
    vbar_->setTracking(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(client_, 0, 0);
    grid->addWidget(vbar_, 0, 1);
    grid->addWidget(hbar_, 1, 0);
    connect(hbar_, &QScrollBar::valueChanged, client_, [this] { client_->update(); });
    connect(vbar_, &QScrollBar::valueChanged, client_, [this] { client_->update(); });
    resize(760, 420);
    RefreshCaption();
}

TMDIChildMuz::~TMDIChildMuz() { Detach(); }

void TMDIChildMuz::Detach() { doc_ = nullptr; }

void TMDIChildMuz::Repaint() {
    // A selection made elsewhere (a command, the music parts dialog) comes into view.
    if (doc_ && doc_->SelectedSymbol != shownSelection_) ScrollToSelected();
    client_->update();
}

int TMDIChildMuz::OriginX() const { return 5 - hbar_->value(); }
int TMDIChildMuz::OriginY() const { return -vbar_->value(); }

void TMDIChildMuz::layout() {
    if (!doc_) return;
    QImage& back = client_->BackBuffer();
    QPainter painter(&back);
    TQPainterCanvas canvas(painter, back);
    layout_->Layout(canvas, OriginX(), OriginY());
}

void TMDIChildMuz::PaintClient() {
    QImage& back = client_->BackBuffer();
    if (doc_) {
        QPainter painter(&back);
        TQPainterCanvas canvas(painter, back);
        LayoutAndPaintScore(canvas, *layout_, OriginX(), OriginY(), doc_->SelectedSymbol);
        shownSelection_ = doc_->SelectedSymbol;
    } else {
        back.fill(QColor(64, 64, 64));
    }
    QPainter(client_).drawImage(0, 0, back);
    updateBars();
}

void TMDIChildMuz::updateBars() {
    if (!doc_) return;
    const int w = client_->width(), h = client_->height();
    const int scrolledX = hbar_->value(), scrolledY = vbar_->value();
    const QSignalBlocker hb(hbar_), vb(vbar_);
    // A trough click moves one view width, an arrow a tenth of it.
    hbar_->setSingleStep(std::max(1, w / 10));
    hbar_->setPageStep(std::max(1, w));
    // The layout's x are window pixels; the range is in drawing pixels, so
    // the part scrolled out of view on the left counts too.
    hbar_->setRange(0, std::max(0, layout_->RightEnd(w) + scrolledX - w));
    vbar_->setSingleStep(std::max(1, h / 10));
    vbar_->setPageStep(std::max(1, h));
    vbar_->setRange(0, std::max(0, layout_->TotalHeight() + scrolledY - h));
    // A score that got shorter took the view back with it: show that.
    if (hbar_->value() != scrolledX || vbar_->value() != scrolledY) client_->update();
}

void TMDIChildMuz::Wheel(QPoint angleDelta) {
    // A turn down or toward the user moves right, a notch by an arrow's step.
    const int notches = client_->WheelNotches(angleDelta);
    if (notches != 0) hbar_->setValue(hbar_->value() - notches * hbar_->singleStep());
}

void TMDIChildMuz::ScrollToExtent(int left, int right, int top, int bottom) {
    auto change = [](int a, int b, int size, double low, double high) {
        double c = 0;
        if (a < low * size) c = a - low * size;
        if (b > high * size) c = b - high * size;
        return static_cast<int>(c);
    };
    const int dx = change(left, right, client_->width(), 0.1, 0.9);
    const int dy = change(top, bottom, client_->height(), 0.2, 0.8);
    // The bars may have to grow first: the extent lies in the drawing.
    hbar_->setMaximum(std::max(hbar_->maximum(), hbar_->value() + dx));
    vbar_->setMaximum(std::max(vbar_->maximum(), vbar_->value() + dy));
    hbar_->setValue(hbar_->value() + dx);
    vbar_->setValue(vbar_->value() + dy);
}

void TMDIChildMuz::ContentReplaced() {
    if (!doc_) return;
    dragging_ = false;
    DragStaveBorderPrevious = nullptr;
    layout_ = std::make_unique<TScoreLayout>(*doc_);
    layout();
    updateBars();
    ScrollToSelected();
    client_->update();
}

void TMDIChildMuz::ScrollToSelected() {
    if (!doc_) return;
    shownSelection_ = doc_->SelectedSymbol;
    if (doc_->SelectedSymbol) ScrollToSymbol(*doc_->SelectedSymbol);
}

void TMDIChildMuz::ScrollToSymbol(const TXTouchMuzSymbol& s) {
    if (!doc_) return;
    layout();
    TVerticalExtent v = SymbolVerticalExtent(s);
    if (!v.Scrolls) {
        v.Top = client_->height() / 2;
        v.Bottom = v.Top;
    }
    ScrollToExtent(s.Layout.LeftX, s.Layout.RightX, v.Top, v.Bottom);
}

void TMDIChildMuz::edited(bool changed, const TXTouchMuzSymbol* selectedBefore, const TStaveSymbol* inserted) {
    // What was just inserted or selected comes into view; nothing else moves the view.
    if (doc_ && doc_->SelectedSymbol != selectedBefore) ScrollToSelected();
    else if (doc_ && inserted) ScrollToSymbol(*inserted);
    Repaint();
    if ((changed || doc_->SelectedSymbol != selectedBefore) && Changed) Changed();
}

void TMDIChildMuz::MousePress(int x, int y, Qt::MouseButton button) {
    // Other buttons do nothing: the score need not even be laid out for them.
    if (!doc_ || (button != Qt::LeftButton && button != Qt::RightButton)) return;
    layout();
    const TPressButton pressed = button == Qt::LeftButton ? TPressButton::Left : TPressButton::Right;
    const TPressHit hit = ResolveClick(*layout_, {x, y, pressed});
    if (hit.Kind == TPressHit::TKind::StaveBorder) {
        dragging_ = true;
        lastY_ = y;
        DragStaveBorderPrevious = hit.Border;
        return;
    }
    if (hit.Kind != TPressHit::TKind::Click) return;
    const TXTouchMuzSymbol* before = doc_->SelectedSymbol;
    TStaveSymbol* inserted = nullptr;
    const bool changed = ClickScore(*doc_, hit.Click, &inserted);
    if (changed) doc_->EditName = clickName(inserted);
    edited(changed, before, inserted);
}

void TMDIChildMuz::MouseMove(int, int y, Qt::MouseButtons buttons) {
    if (!dragging_ || !doc_) return;
    const bool left = buttons & Qt::LeftButton, right = buttons & Qt::RightButton;
    if (!left && !right) {
        dragging_ = false;
        return;
    }
    TNoteStave* stave = DragStaveBorderPrevious;
    const int d = y - lastY_;
    if (d == 0) return;
    int down = 0, up = 0;
    if (left && !right) {
        down = std::max(d, 30 - stave->RoomDown);
    } else if (right && !left) {
        up = std::max(d, 30 - stave->RoomUp);
    } else {
        // The odd pixel goes to one side and the other in turn; a half that
        // would take its room below 30 stops there and the other side takes
        // the rest.
        down = d / 2;
        up = d - down;
        if (d % 2 != 0) {
            if (!oddToUp_) std::swap(down, up);
            oddToUp_ = !oddToUp_;
        }
        if (stave->RoomDown + down < 30) {
            up += down - (30 - stave->RoomDown);
            down = 30 - stave->RoomDown;
        }
        if (stave->RoomUp + up < 30) {
            down += up - (30 - stave->RoomUp);
            up = 30 - stave->RoomUp;
        }
        if (stave->RoomDown + down < 30) down = 30 - stave->RoomDown;
    }
    stave->RoomDown += down;
    stave->RoomUp = std::max(30, stave->RoomUp + up);
    lastY_ += down + up;
    doc_->EditName = "Stave border";
    doc_->MarkChanged();
    Repaint();
    if (Changed) Changed();
}

void TMDIChildMuz::MouseRelease() { dragging_ = false; }

QCursor TMDIChildMuz::CursorAt(int x, int y) {
    if (!doc_) return Qt::ArrowCursor;
    if (StaveBorderAtY(*doc_, y)) return Qt::SplitVCursor;
    switch (doc_->UnitMuzMode) {
        case unitMuzDel: {
            TXTouchMuzSymbol* s = SymbolNear(*doc_, x, y);
            const bool deletable = s && s->GetSelMuzSymbolKind() == muzSymbolStave &&
                                   CanDeleteSymbol(*static_cast<TStaveSymbol*>(s));
            return MusicCursor(deletable ? "DELETE" : "REJECT");
        }
        case unitMuzSel: return Qt::ArrowCursor;
        default: break;
    }
    switch (doc_->InsertModeKind) {
        case insertModeNote: return MusicCursor("NOTE");
        case insertModeKey:
        case insertModeSilence: return MusicCursor("SIL");
        default: break;
    }
    // A note shift goes on a note, or on a key as a sharp, natural or flat.
    TXTouchMuzSymbol* s = SymbolNear(*doc_, x, y);
    if (!s || s->GetSelMuzSymbolKind() != muzSymbolStave) return client_->cursor();
    const auto* symbol = static_cast<TStaveSymbol*>(s);
    const uint8_t shift = doc_->InsertNoteShift;
    if (symbol->GetStaveSymbolKind() == staveSymbolNote) return MusicCursor("NOTE");
    if (symbol->GetStaveSymbolKind() == staveSymbolKey &&
        (shift == noteShiftKruis || shift == noteShiftNormal || shift == noteShiftMol))
        return MusicCursor("NOTE");
    return MusicCursor("REJECT");
}

bool TMDIChildMuz::KeyPress(int key, Qt::KeyboardModifiers modifiers) {
    if (!doc_) return false;
    const bool shift = modifiers & Qt::ShiftModifier, ctrl = modifiers & Qt::ControlModifier,
               alt = modifiers & Qt::AltModifier;
    if (key == Qt::Key_D && ctrl) {
        if (ToggleMusicDialog) ToggleMusicDialog();
        return true;
    }
    if (key == Qt::Key_D && !ctrl && !alt && !shift) {
        if (Duplicate) Duplicate();
        return true;
    }
    bool known = true;
    TMusicKey k{};
    if (key == Qt::Key_N && alt && !ctrl) k = TMusicKey::AltN;
    else if (key == Qt::Key_S && alt && !ctrl) k = TMusicKey::AltS;
    else if (key == Qt::Key_L && alt && !ctrl) k = shift ? TMusicKey::ShiftAltL : TMusicKey::AltL;
    else if (key == Qt::Key_L && !ctrl) k = shift ? TMusicKey::ShiftL : TMusicKey::L;
    else if (alt) known = false;  // the window's own keys do nothing with Alt held
    else if (key == Qt::Key_Left) k = ctrl ? TMusicKey::CtrlLeft : TMusicKey::Left;
    else if (key == Qt::Key_Right) k = ctrl ? TMusicKey::CtrlRight : TMusicKey::Right;
    else if (key == Qt::Key_Up) k = ctrl ? (shift ? TMusicKey::CtrlShiftUp : TMusicKey::CtrlUp) : TMusicKey::Up;
    else if (key == Qt::Key_Down) k = ctrl ? (shift ? TMusicKey::CtrlShiftDown : TMusicKey::CtrlDown) : TMusicKey::Down;
    else if (key == Qt::Key_Home && !ctrl) k = TMusicKey::Home;
    else if (key == Qt::Key_End && !ctrl) k = TMusicKey::End;
    else if (key == Qt::Key_PageUp && !ctrl) k = shift ? TMusicKey::ShiftPageUp : TMusicKey::PageUp;
    else if (key == Qt::Key_PageDown && !ctrl) k = shift ? TMusicKey::ShiftPageDown : TMusicKey::PageDown;
    else known = false;
    if (!known) return false;
    const TXTouchMuzSymbol* before = doc_->SelectedSymbol;
    edited(PressMusicKey(*doc_, k), before);
    return true;
}

}  // namespace korvane
