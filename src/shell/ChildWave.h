#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "processing/TUnitWave.h"
#include "shell/ChildClient.h"
#include "shell/ChildWin.h"
#include "wavewindow/VoldColumns.h"
#include "wavewindow/VoldViewProps.h"
#include "wavewindow/WaveSelect.h"
#include "wavewindow/WaveView.h"

class QScrollBar;

namespace korvane {

class TMDIChildWave;

// The client area of a wave window: it hands its paint, mouse and key events
// to the window.
class TWaveClient : public TChildClientOf<TMDIChildWave> {
    Q_OBJECT
public:
    explicit TWaveClient(TMDIChildWave& owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelTurned(const QWheelEvent& event) override;
};

class TWaveRuler;

// A point placed while drawing a wave by hand, in client pixels.
struct TDrawPoint {
    double x = 0;
    double y = 0;
    bool hidden = false;  // dragged out of the window; deleted on release
};

// The window of one wave document: the wave view with its selection, zoom
// and hand-drawing mode.
class TMDIChildWave : public TMDIChildKorvane, public TWaveWindowLink {
    Q_OBJECT
public:
    enum ViewKind { viewWave = 0, viewVold = 1 };

    TMDIChildWave(TUnitWave& doc, const TWaveViewProps& view, QWidget* parent = nullptr);
    ~TMDIChildWave() override;

    int Kind() const override { return unitKindWave; }
    TUnit* Unit() const override { return doc_; }
    TUnitWave* Doc() const { return doc_; }
    void Detach() override;
    QString IconName() const override;

    int ViewKind() const { return viewKind_; }
    const TWaveViewProps& WaveViewProps() const { return view_; }
    // Switches to the wave view with these settings.
    void SetWaveView(const TWaveViewProps& props);
    const TVoldViewProps& VoldViewProps() const { return vold_; }
    // The diagram settings this window starts from, without switching to it.
    void SetVoldProps(const TVoldViewProps& props) { vold_ = props; }
    // Switches to the volume diagram with these settings.
    void SetVoldView(const TVoldViewProps& props);

    // Zoom.
    bool Zoomed() const { return zoomed_; }
    void ZoomIn();
    void NoZoom();
    // Shows [begin, end) of the wave with the scroll bar.
    void ZoomTo(double begin, double end);
    void Unzoom();
    TWaveMapping Mapping() const;
    QScrollBar* ScrollBar() const { return bar_; }
    TWaveClient* Client() const { return client_; }
    // Ends a view kept across an edit that has not yet been finished by a repaint.
    void FinishKeepView();
    // The volume diagram's columns of the present view, computed away from
    // the window's thread and kept for repaints.
    const TVoldDiagram& VoldDiagram() const { return diagram_; }

    // Hand-drawing.
    bool Drawing() const { return drawing_; }
    int DrawKind() const { return drawKind_; }
    bool CanDraw() const;
    // The command of one drawing kind: starts, switches or (the same kind
    // again) ends the mode.
    void StartDrawing(int kind);
    const std::vector<TDrawPoint>& Points() const { return points_; }

    // Panel 1 of the status bar: the time and value under the mouse.
    std::function<void(const QString&)> Readout;

    // TWaveWindowLink
    void RangeAboutToChange(int32_t begin, int32_t end) override;
    void SelectionChanged(int32_t oldBegin, int32_t oldEnd, int32_t newBegin, int32_t newEnd) override;
    void Repaint() override;

    // The client's events.
    void PaintClient(QPaintEvent* event);
    void MousePress(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseRelease(QMouseEvent* event);
    void KeyPress(QKeyEvent* event);
    // The line of the sample that sounds while the wave plays; -1 for none.
    void SetPlayCursor(int32_t sample);
    int32_t PlayCursor() const { return playCursor_; }
    // What the key does to the selection, for the menu entries that do the same.
    void SelectionKey(TSelKey key, bool shift = false, bool ctrl = false);
    // The wheel scrolls a zoomed view sideways (down: to the right); with
    // Ctrl it zooms in (up) or out around the column x, leaving the
    // selection as it is.
    void Wheel(QPoint angleDelta, int x, bool ctrl);
    TWaveRuler* Ruler() const { return ruler_; }
    void ClientResized(const QSize& oldSize, const QSize& newSize);

private:
    void scrolled(int position);
    void applySelection(const TSelectionEnds& sel);
    void updateColumns(int from, int to);
    void recomputeDrawing();
    int hitPoint(double x, double y) const;
    TVoldPaintArgs voldArgs() const;
    // Paints the diagram's columns that arrived since the last look.
    void voldArrived();

    TUnitWave* doc_;
    TWaveClient* client_;
    TWaveRuler* ruler_;
    QScrollBar* bar_;

    int viewKind_ = viewWave;
    TWaveViewProps view_;
    TVoldViewProps vold_;
    TVoldDiagram diagram_;
    QTimer voldTick_;

    bool zoomed_ = false;
    double zoomBegin_ = 0, zoomEnd_ = 0;
    int64_t barRange_ = 0;
    int OldZoomDepth = 0;
    double keepStart_ = 0, keepEnd_ = 0;
    int32_t lastCursor_ = 0;

    bool dragging_ = false;

    bool drawing_ = false;
    int32_t playCursor_ = -1;
    int playCursorX_ = -1;  // the column it was drawn in
    int drawKind_ = 0;
    std::vector<TDrawPoint> points_;
    int grabbed_ = -1;
    QPointF grabOffset_;
};

}  // namespace korvane
