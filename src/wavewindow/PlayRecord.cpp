#include "wavewindow/PlayRecord.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/WavFile.h"
#include "platform/Messages.h"

namespace korvane {

namespace {

constexpr const char* kPlayFileName = "korvanetempplaywave.wav";
constexpr const char* kRecordFileName = "korvanetemprecwave.wav";

}  // namespace

TPlayRecord::TPlayRecord(MediaPlayer& player) : player_(player) {
    player_.Notify = [this] { Notified(); };
}

TPlayRecord::~TPlayRecord() { player_.Notify = nullptr; }

std::string TPlayRecord::DefaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path base;
    if (runtime && *runtime) {
        base = runtime;
    } else {
        std::error_code ec;
        base = std::filesystem::temp_directory_path(ec);
        if (ec) base = "/tmp";
    }
    return (base / "korvane").string();
}

bool TPlayRecord::Start(const std::string& folder) {
    std::error_code ec;
    bool ok = std::filesystem::is_directory(folder, ec);
    if (!ok) {
        std::filesystem::create_directories(folder, ec);
        ok = !ec && std::filesystem::is_directory(folder, ec);
    }
    available_ = ok;
    if (!ok) {
        messages().show("Error", "Could not create directory \"" + folder + "\". Play and Record disabled",
                        MessageIcon::Error);
        return false;
    }
    playFile_ = (std::filesystem::path(folder) / kPlayFileName).string();
    recordFile_ = (std::filesystem::path(folder) / kRecordFileName).string();
    return true;
}

void TPlayRecord::report(const std::string& error) { messages().show("Error", error, MessageIcon::Error); }

void TPlayRecord::PlayWave(const TUnitWave& doc) {
    if (!doc.HasSamples()) return;
    int32_t begin, end;
    doc.EditRange(begin, end);
    PlaySound(*doc.TheSound, begin, end);
    if (!playChecked_) return;
    playing_ = &doc;
    playBegin_ = begin;
    playEnd_ = end;
    playFreq_ = doc.TheSound->Freq;
}

bool TPlayRecord::PlayCursor(const TUnitWave*& doc, int32_t& sample, double& elapsed, double& total) const {
    if (!playing_ || !playChecked_ || playPending_) return false;
    const TMediaMode mode = player_.Mode();
    if (mode != mpPlaying && mode != mpPaused) return false;
    doc = playing_;
    total = static_cast<double>(playEnd_ - playBegin_) / playFreq_;
    elapsed = std::clamp(player_.PlayedSeconds(), 0.0, total);
    sample = std::min<int32_t>(playEnd_, playBegin_ + static_cast<int32_t>(elapsed * playFreq_));
    return true;
}

void TPlayRecord::PlaySound(const Sound& sound, int32_t begin, int32_t end) {
    playing_ = nullptr;
    if (!available_) return;
    // Closing a player that runs with a notification request brings that
    // notification later; it must not be taken for the end of the new play.
    TMediaMode before = player_.Mode();
    bool superseded = before == mpPlaying || before == mpRecording;
    player_.Close();
    // A recording cut short by playing is lost: the wave stays empty.
    recordChecked_ = false;
    recordPending_ = false;
    recording_ = nullptr;
    bool failed = false;
    if (!WriteWaveFile(failed, playFile_, sound, begin, end, true)) {
        playChecked_ = false;
        playPending_ = false;
        return;
    }
    std::string error;
    if (!player_.Open(playFile_, error)) {
        report("Cannot play: " + error);
        playChecked_ = false;
        playPending_ = false;
        return;
    }
    if (pauseRequested_) {
        playPending_ = true;
    } else {
        playPending_ = false;
        if (!player_.Play(true, error)) {
            player_.Close();
            report("Cannot play: " + error);
            playChecked_ = false;
            return;
        }
    }
    if (superseded) ignoreNextNotification_ = true;
    playChecked_ = true;
}

void TPlayRecord::Record(TUnitWave* doc) {
    if (!available_) return;
    if (player_.Mode() == mpRecording) {
        Stop();
        return;
    }
    if (!doc || doc->HasSamples()) return;
    TMediaMode before = player_.Mode();
    bool superseded = before == mpPlaying;
    player_.Close();
    playChecked_ = false;
    playPending_ = false;
    // The file tells the player the format to record in.
    bool failed = false;
    if (!WriteWaveFile(failed, recordFile_, *doc->TheSound, 0, 0, true)) return;
    recording_ = doc;
    std::string error;
    if (!player_.Open(recordFile_, error)) {
        recording_ = nullptr;
        report("Cannot record: " + error);
        return;
    }
    if (pauseRequested_) {
        recordPending_ = true;
    } else {
        recordPending_ = false;
        if (!player_.StartRecording(true, error)) {
            player_.Close();
            recording_ = nullptr;
            report("Cannot record: " + error);
            return;
        }
    }
    if (superseded) ignoreNextNotification_ = true;
    recordChecked_ = true;
}

void TPlayRecord::Stop() {
    playPending_ = false;
    recordPending_ = false;
    pauseRequested_ = pauseChecked_;
    TMediaMode mode = player_.Mode();
    bool wasRecording = mode == mpRecording || (mode == mpPaused && recordChecked_);
    if (!wasRecording) {
        player_.Close();
        playChecked_ = false;
        // A recording that never started leaves its wave as it was.
        if (recordChecked_) {
            recordChecked_ = false;
            recording_ = nullptr;
        }
        return;
    }
    player_.Stop();
    std::string error;
    bool saved = player_.Save(error);
    player_.Close();
    recordChecked_ = false;
    TUnitWave* doc = recording_;
    recording_ = nullptr;
    if (!doc) return;
    if (!saved) {
        messages().show(kWaveReadErrorTitle, WaveReadErrorText(recordFile_, error), MessageIcon::Error);
        return;
    }
    std::unique_ptr<Sound> recorded;
    std::string reason;
    if (!ReadWaveFile(recordFile_, recorded, reason)) {
        ShowWaveReadError(recordFile_, reason);
        return;
    }
    int16_t bytesPSample1 = doc->GetBytesPSample();
    // The file comes from outside: a width other than the wave's is a file
    // we cannot use, not a broken contract.
    if (recorded->GetBytesPSample() != bytesPSample1) {
        ShowWaveReadError(recordFile_, "The recording is not of the wave's sample width.");
        return;
    }
    KORVANE_ASSERT(recorded->GetBytesPSample() == bytesPSample1);
    doc->ExchangeSound(std::shared_ptr<Sound>(std::move(recorded)));
    doc->SetCursor(0);
    doc->EditName = "Record";
    doc->MarkChanged();
    if (doc->Window) doc->Window->Repaint();
}

void TPlayRecord::Pause() {
    if (!available_) return;
    std::string error;
    if (playPending_ || recordPending_) {
        bool ok = playPending_ ? player_.Play(true, error) : player_.StartRecording(true, error);
        playPending_ = false;
        recordPending_ = false;
        pauseChecked_ = false;
        pauseRequested_ = false;
        if (!ok) {
            player_.Close();
            playChecked_ = false;
            recordChecked_ = false;
            recording_ = nullptr;
            report(error);
        }
        return;
    }
    TMediaMode mode = player_.Mode();
    if (mode == mpPlaying || mode == mpRecording || mode == mpPaused) {
        if (pauseChecked_) {
            player_.Resume();
        } else {
            player_.Pause();
            ignoreNextNotification_ = true;
        }
        pauseChecked_ = player_.Mode() == mpPaused;
        return;
    }
    pauseRequested_ = !pauseRequested_;
    pauseChecked_ = pauseRequested_;
}

void TPlayRecord::Notified() {
    if (ignoreNextNotification_) {
        ignoreNextNotification_ = false;
        return;
    }
    TMediaMode mode = player_.Mode();
    if (mode == mpStopped || mode == mpPlaying) {
        player_.Close();
        playChecked_ = false;
        pauseRequested_ = false;
    }
}

void TPlayRecord::Forget(const TUnitWave& doc) {
    if (playing_ == &doc) playing_ = nullptr;
    if (recording_ != &doc) return;
    player_.Close();
    recording_ = nullptr;
    recordChecked_ = false;
    recordPending_ = false;
}

}  // namespace korvane
