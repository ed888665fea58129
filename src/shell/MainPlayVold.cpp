// The main window's play and record commands and its volume-diagram view.
#include <QLabel>

#include "render/MusicRender.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/DVoldViewProps.h"
#include "shell/JournalKeeper.h"
#include "shell/PlayFollower.h"
#include "shell/Main.h"
#include "shell/QtMediaPlayer.h"
#include "values/ValueWriters.h"

namespace korvane {

void TMainForm::SetMediaPlayer(std::unique_ptr<MediaPlayer> player) {
    // The commands hold on to the player: they go first.
    playRecord_.reset();
    player_ = player ? std::move(player) : std::make_unique<TQtMediaPlayer>();
    playRecord_ = std::make_unique<TPlayRecord>(*player_);
    playRecord_->Start(TPlayRecord::DefaultFolder());
    if (journal_ && journal_->Journal()) playRecord_->SetRecordFile(journal_->Journal()->RecordFile());
}

void TMainForm::ViewVoldExecute() {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w || !w->Doc() || w->Drawing()) return;
    TDlgVoldViewProps dialog(this, w->VoldViewProps(), w->Doc()->GetFreq());
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    w->SetVoldView(dialog.Props());
    if (dialog.UseAsDefault()) voldViewDefault_ = dialog.Props();
}

void TMainForm::FilePlayExecute() {
    if (TMDIChildMuz* m = ActiveMusicChild()) {
        PlayMusic(*m->Doc(), TRenderFilter{});
    } else {
        TMDIChildWave* w = ActiveWaveChild();
        if (w && w->Doc()) playRecord_->PlayWave(*w->Doc());
    }
    playFollower_->Start();
    UpdateActions();
}

void TMainForm::PlayTick() { playFollower_->Tick(); }

void TMainForm::FilePauseExecute() {
    playRecord_->Pause();
    UpdateActions();
}

void TMainForm::FileStopExecute() {
    playRecord_->Stop();
    UpdateActions();
}

void TMainForm::FileRecordExecute() {
    TMDIChildWave* w = ActiveWaveChild();
    playRecord_->Record(w ? w->Doc() : nullptr);
    UpdateActions();
}

}  // namespace korvane
