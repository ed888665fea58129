// Split and merge of wave windows: the new windows take the places where
// their waves were shown, and the source windows go.
#include "shell/WindowSplitter.h"

#include <QApplication>
#include <QDialog>
#include <QMdiSubWindow>
#include <algorithm>

#include "processing/TWorkspace.h"
#include "shell/BusyCursor.h"
#include "shell/ChildWave.h"
#include "shell/DMergeProps.h"
#include "shell/DSplitHorProps.h"
#include "shell/SplitMergeHost.h"
#include "shell/WindowPlacer.h"

namespace korvane {

bool TWindowSplitter::Execute(const std::string& action, TMDIChildWave& source) {
    if (action == "SplitH") splitHorizontally(source);
    else if (action == "SplitV") splitVertically(source);
    else if (action == "MergeH") mergeWindows(true, source);
    else if (action == "MergeV") mergeWindows(false, source);
    else return false;
    return true;
}

void TWindowSplitter::splitHorizontally(TMDIChildWave& source) {
    TUnitWave& doc = *source.Doc();
    // A cursor cuts the wave in two without asking.
    if (doc.HasSelection()) {
        TDlgSplitHorProps dialog(host_.HostWidget(), splitHor_);
        if (host_.RunDialog(dialog) != QDialog::Accepted) return;
        splitHor_ = dialog.Record();
    }
    BusyCursor busy;
    std::vector<std::pair<int32_t, int32_t>> parts = SplitHorParts(doc, splitHor_);
    std::vector<TUnitWave*> made = SplitHorizontally(space_, doc, splitHor_);
    if (made.size() != parts.size()) return;
    // Each part's window covers the columns where the part was shown, so the
    // parts lie where they were.
    auto* frame = qobject_cast<QMdiSubWindow*>(source.parentWidget());
    QRect bounds = frame ? frame->geometry() : QRect();
    bool place = frame && !frame->isMaximized() && !frame->isMinimized();
    TWaveMapping map = source.Mapping();
    int clientLeft = frame ? source.Client()->mapTo(frame, QPoint(0, 0)).x() : 0;
    auto columnOf = [&](int32_t sample) {
        return std::clamp(bounds.left() + clientLeft + map.PixelOf(sample), bounds.left(), bounds.right());
    };
    for (size_t i = 0; i < made.size(); ++i) {
        TMDIChildWave* child = host_.ShowWave(*made[i], &source);
        auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
        if (!place || !sub) continue;
        int left = i == 0 ? bounds.left() : columnOf(parts[i].first);
        int right = i + 1 == made.size() ? bounds.right() : columnOf(parts[i].second);
        // Side by side where the parts were shown: as narrow as they were,
        // but high enough to use.
        placer_.KeepInArea(sub, QRect(left, bounds.top(), right - left + 1, bounds.height()),
                           QSize(sub->minimumSizeHint().width(), placer_.UsableSize().height()));
    }
    CloseReplaced(source);
}

void TWindowSplitter::splitVertically(TMDIChildWave& source) {
    BusyCursor busy;
    std::vector<TUnitWave*> made = SplitVertically(space_, *source.Doc());
    if (made.size() != 2) return;
    auto* frame = qobject_cast<QMdiSubWindow*>(source.parentWidget());
    QRect bounds = frame ? frame->geometry() : QRect();
    bool place = frame && !frame->isMaximized() && !frame->isMinimized();
    TWaveMapping map = source.Mapping();
    // Left above right, in the area the stereo window had.
    for (int i = 0; i < 2; ++i) {
        TMDIChildWave* child = host_.ShowWave(*made[i], &source);
        auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
        if (place && sub) {
            int half = bounds.height() / 2;
            placer_.KeepInArea(sub, QRect(bounds.left(), bounds.top() + i * half, bounds.width(),
                                          i == 0 ? half : bounds.height() - half));
        }
        // Zoomed once the window has its size, so that the range is the source's.
        if (source.Zoomed()) {
            QCoreApplication::sendPostedEvents(sub, QEvent::LayoutRequest);
            child->ZoomTo(map.ZoomBegin, map.ZoomEnd);
        }
    }
    CloseReplaced(source);
}

void TWindowSplitter::mergeWindows(bool horizontally, TMDIChildWave& active) {
    std::vector<TMDIChildWave*> windows = host_.WaveWindows();
    TMDIChildWave* first = nullptr;
    TMDIChildWave* last = nullptr;
    // Asks the merge dialog of this kind and keeps its record for the run.
    auto ask = [&](auto& dialog, auto& record) {
        if (host_.RunDialog(dialog) != QDialog::Accepted) return false;
        record = dialog.Record();
        first = dialog.First();
        last = dialog.Last();
        return true;
    };
    if (horizontally) {
        TDlgMergeHorProps dialog(host_.HostWidget(), windows, &active, mergeHor_);
        if (!ask(dialog, mergeHor_)) return;
    } else {
        TDlgMergeVertProps dialog(host_.HostWidget(), windows, &active, mergeVert_);
        if (!ask(dialog, mergeVert_)) return;
    }
    int display = horizontally ? mergeHor_.Display : mergeVert_.Display;
    if (!first || !last || first == last || !first->Doc() || !last->Doc()) return;
    BusyCursor busy;
    TUnitWave* made = horizontally ? MergeHorizontally(space_, *first->Doc(), *last->Doc(), mergeHor_)
                                   : MergeVertically(space_, *first->Doc(), *last->Doc(), mergeVert_);
    if (!made) return;
    auto* frame = qobject_cast<QMdiSubWindow*>(first->parentWidget());
    QRect bounds = frame ? frame->geometry() : QRect();
    bool place = frame && !frame->isMaximized() && !frame->isMinimized();
    TMDIChildWave* child = host_.ShowWave(*made, display == 0 ? first : last);
    // The merged wave takes the first window's place.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget()); sub && place) placer_.KeepInArea(sub, bounds);
    CloseReplaced(*first);
    CloseReplaced(*last);
}

void TWindowSplitter::CloseReplaced(TMDIChildWave& window) {
    // Its wave lives on in the new windows, so there is nothing to save.
    window.QueryClose = nullptr;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window.parentWidget())) frame->close();
    else window.close();
}

}  // namespace korvane
