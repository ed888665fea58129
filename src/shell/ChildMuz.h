#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

#include "music/MusicKeys.h"
#include "music/TUnitMuz.h"
#include "score/ScoreLayout.h"
#include "shell/ChildClient.h"
#include "shell/ChildWin.h"

class QScrollBar;

namespace korvane {

class TMDIChildMuz;

// The client area of a music window: it hands its events to the window.
class TMuzClient : public TChildClientOf<TMDIChildMuz> {
    Q_OBJECT
public:
    explicit TMuzClient(TMDIChildMuz& owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelTurned(const QWheelEvent& event) override;
};

// The window of one music document: its staves and symbols as a score,
// edited with the mouse and the keys in the document's mode. Every edit is
// an operation of the music model; the window only finds what was clicked.
class TMDIChildMuz : public TMDIChildKorvane {
    Q_OBJECT
public:
    explicit TMDIChildMuz(TUnitMuz& doc, QWidget* parent = nullptr);
    ~TMDIChildMuz() override;

    int Kind() const override { return unitKindMuz; }
    TUnit* Unit() const override { return doc_; }
    TUnitMuz* Doc() const { return doc_; }
    void Detach() override;
    QString IconName() const override { return "window-music"; }

    // Draws the score anew after the document changed.
    void Repaint();
    // Brings the selected symbol into view.
    void ScrollToSelected();
    // The document's content was replaced in place (Undo read it back from
    // its text): nothing laid out or dragged of the old content is kept.
    void ContentReplaced();
    // Brings a symbol into view (the scroll to its extent).
    void ScrollToSymbol(const TXTouchMuzSymbol& symbol);
    // Scrolls so that [left, right] x [top, bottom] (window pixels) shows.
    void ScrollToExtent(int left, int right, int top, int bottom);

    TMuzClient* Client() const { return client_; }
    QScrollBar* HorizontalBar() const { return hbar_; }
    QScrollBar* VerticalBar() const { return vbar_; }
    const TScoreLayout& Layout() const { return *layout_; }
    // The drawing origin: x = 5 - horizontal scroll, y = - vertical scroll.
    int OriginX() const;
    int OriginY() const;

    // Told after every change the window made to the document (the main
    // window refreshes its status and the open music dialogs).
    std::function<void()> Changed;
    // Ctrl+D and Shift+Ctrl+D: the music dialog; D: a copy of the document.
    std::function<void()> ToggleMusicDialog;
    std::function<void()> Duplicate;

    // The client's events, in client pixels.
    void PaintClient();
    void MousePress(int x, int y, Qt::MouseButton button);
    void MouseMove(int x, int y, Qt::MouseButtons buttons);
    void MouseRelease();
    // True when the key was one of the window's.
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
    // A wheel turn (or Shift+wheel) scrolls sideways.
    void Wheel(QPoint angleDelta);

    // The stave border drag in progress, if any.
    bool Dragging() const { return dragging_; }
    // The cursor shown at a point when no drag is on.
    QCursor CursorAt(int x, int y);

private:
    // Lays the score out for the client as it is now.
    void layout();
    void edited(bool changed, const TXTouchMuzSymbol* selectedBefore, const TStaveSymbol* inserted = nullptr);
    void updateBars();

    TUnitMuz* doc_;
    std::unique_ptr<TScoreLayout> layout_;
    TMuzClient* client_;
    QScrollBar* hbar_;
    QScrollBar* vbar_;

    bool dragging_ = false;
    int lastY_ = 0;
    TNoteStave* DragStaveBorderPrevious = nullptr;
    // Which room gets the odd pixel of a two-button drag.
    bool oddToUp_ = true;
    // The selection the last paint or scroll showed.
    const TXTouchMuzSymbol* shownSelection_ = nullptr;
};

}  // namespace korvane
