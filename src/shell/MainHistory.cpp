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

void TMainForm::journalHistory(const TUnit& unit, TJournalHistory& out) const {
    const THistory* h = history_.Find(unit);
    if (!h) return;
    out.Current = h->Current;
    out.States.reserve(h->States.size());
    for (const THistoryState& s : h->States) {
        TJournalState state;
        state.Id = s.Id;
        state.Name = s.Name;
        state.TheSound = s.TheSound;
        state.Text = s.Text;
        if (s.File) state.File = s.File->Path;
        state.FirstSel = s.FirstSel;
        state.SecondSel = s.SecondSel;
        out.States.push_back(std::move(state));
    }
}

void TMainForm::adoptHistory(TUnit& unit, const TRecoveredDocument& recovered) {
    if (recovered.History.empty() || recovered.Current < 0) return;
    THistory history;
    history.Serial = unit.Serial;
    history.Music = unit.Kind != unitKindWave;
    auto* wave = dynamic_cast<TUnitWave*>(&unit);
    auto* music = dynamic_cast<TUnitMuz*>(&unit);
    std::shared_ptr<const std::string> shownText;
    if (music) {
        std::string text, message;
        if (!MuzText(*music, text, message)) return;
        shownText = std::make_shared<const std::string>(std::move(text));
    }
    for (const TRecoveredState& r : recovered.History) {
        THistoryState state;
        state.Name = r.Name;
        state.Id = history.NextId++;
        const bool shown = r.IsDocument;
        if (shown) history.Current = static_cast<int>(history.States.size());
        if (wave) {
            state.FirstSel = shown ? wave->FirstSel : r.FirstSel;
            state.SecondSel = shown ? wave->SecondSel : r.SecondSel;
            if (shown) state.TheSound = wave->TheSound;
            else if (!r.Path.empty() && !(state.File = history_.AdoptFile(r.Path, unit.Serial, state.Id)))
                continue;  // the copy could not be kept: the state is left out
        } else {
            state.Text = shown ? shownText : std::make_shared<const std::string>(r.Text);
            state.Props = {music->SampleFreq, music->Channels, music->BytesPSample};
            if (shown) state.Place = PlaceOf(*music);
        }
        history.States.push_back(std::move(state));
    }
    history.Revision = unit.Revision;
    history_.Adopt(std::move(history));
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
