// The main window's play and record commands and its volume-diagram view.
#include <QLabel>

#include "render/MusicRender.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/DVoldViewProps.h"
#include "shell/JournalKeeper.h"
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
    if (!playTick_) {
        playTick_ = new QTimer(this);
        playTick_->setInterval(40);
        connect(playTick_, &QTimer::timeout, this, &TMainForm::PlayTick);
    }
    playTick_->start();
    PlayTick();
    UpdateActions();
}

void TMainForm::PlayTick() {
    const TUnitWave* doc = nullptr;
    int32_t sample = -1;
    double elapsed = 0, total = 0;
    const bool playing = playRecord_->PlayCursor(doc, sample, elapsed, total);
    for (TMDIChildKorvane* child : Children())
        if (auto* w = dynamic_cast<TMDIChildWave*>(child)) w->SetPlayCursor(playing && w->Doc() == doc ? sample : -1);
    if (!playing) {
        // Play is still being started: the next tick finds it playing.
        if (!playRecord_->PlayPending() && playTick_) playTick_->stop();
        if (playReadout_) status_->Panel(0)->clear();
        playReadout_ = false;
        return;
    }
    status_->Panel(0)->setText(QString::fromStdString("Playing " + WriteClockTime(elapsed) + " of " + WriteClockTime(total)));
    playReadout_ = true;
}

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
