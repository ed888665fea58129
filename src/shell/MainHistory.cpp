// The main window's side of the edit history: recording states as documents
// change, stepping back and forward, and the History panel.
#include <QListWidget>

#include "musicfile/MuzFile.h"
#include "platform/LongWork.h"
#include "platform/Messages.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/DMusTree.h"
#include "shell/DMusic.h"
#include "shell/HistoryPanel.h"
#include "shell/Main.h"

namespace korvane {

bool TMainForm::historyBusy(const TUnit& unit) const {
    // A drawing or a border drag is one change however many moves it takes;
    // a recording is one when it ends.
    TMDIChildKorvane* window = windowOf(unit);
    if (auto* wave = dynamic_cast<TMDIChildWave*>(window); wave && wave->Drawing()) return true;
    if (auto* music = dynamic_cast<TMDIChildMuz*>(window); music && music->Dragging()) return true;
    return playRecord_ && playRecord_->RecordingDocument() == &unit;
}

void TMainForm::watchHistory() {
    THistoryBook::Sources sources;
    sources.music = [this](const TUnit& unit) { return musicUndo_.Kept(unit); };
    sources.busy = [this](const TUnit& unit) { return historyBusy(unit); };
    history_.Watch(space_.Units(), sources);
    if (historyPanel_ && historyPanel_->isVisible()) {
        TMDIChildKorvane* child = ActiveChild();
        historyPanel_->Show(child ? history_.Find(*child->Unit()) : nullptr, history_.Generation());
    }
}

void TMainForm::StepBackExecute() {
    if (TMDIChildKorvane* child = ActiveChild())
        if (const THistory* h = history_.Find(*child->Unit()); h && h->CanStepBack()) GoToState(*child, h->Current - 1);
}

void TMainForm::StepForwardExecute() {
    if (TMDIChildKorvane* child = ActiveChild())
        if (const THistory* h = history_.Find(*child->Unit()); h && h->CanStepForward())
            GoToState(*child, h->Current + 1);
}

bool TMainForm::GoToState(TMDIChildKorvane& child, int index) {
    // What changed since the last idle moment is a state of its own first.
    watchMusicEdits(true);
    watchHistory();
    TUnit& unit = *child.Unit();
    THistory* history = history_.Find(unit);
    if (!history || index < 0 || index >= static_cast<int>(history->States.size()) || index == history->Current)
        return false;
    if (historyBusy(unit)) return false;
    const THistoryState& target = history->States[index];
    if (auto* doc = dynamic_cast<TUnitWave*>(&unit)) {
        std::shared_ptr<Sound> sound;
        std::string error;
        bool loaded = false;
        if (target.TheSound || !target.File) {
            sound = target.TheSound;  // none for an empty wave
            loaded = true;
        } else {
            // A state on disk is read on a worker: the window stays live and
            // says it is working when the read takes long.
            bool failed = false;
            if (!RunLongWork([&] { loaded = THistoryBook::LoadSound(target, sound, error); }, failed)) return false;
        }
        if (!loaded) {
            messages().show("Error", "The state \"" + target.Name + "\" could not be read back: " + error,
                            MessageIcon::Error);
            return false;
        }
        // The step is a change like any other: Undo takes it back.
        space_.NewUndo(*doc);
        doc->TheSound = std::move(sound);
        doc->FirstSel = target.FirstSel;
        doc->SecondSel = target.SecondSel;
        doc->MarkChanged();
        if (auto* wave = dynamic_cast<TMDIChildWave*>(&child)) wave->Repaint();
    } else {
        auto step = std::make_unique<TMuzUndoUnit>(static_cast<TUnitMuz&>(unit), target.Text, target.Place,
                                                   target.Props);
        if (!restoreMusic(*step)) return false;
        space_.NewUndo(std::move(step));
    }
    history_.Moved(unit, index);
    UpdateActions();
    return true;
}

void TMainForm::HistoryPanelExecute() {
    if (!historyPanel_) {
        historyPanel_ = new THistoryPanel(this);
        historyPanel_->GoTo = [this](int index) {
            if (TMDIChildKorvane* child = ActiveChild(); child && !state().drawing) GoToState(*child, index);
        };
        addDockWidget(Qt::RightDockWidgetArea, historyPanel_);
    }
    historyPanel_->setVisible(!historyPanel_->isVisible());
    UpdateActions();
}

}  // namespace korvane
