#pragma once

#include <cstdint>
#include <string>

#include "core/Sound.h"
#include "platform/MediaPlayer.h"
#include "processing/TUnitWave.h"

namespace korvane {

// The Play, Pause, Record and Stop commands of the main window around its one
// media player. The player only plays and records files, so a sound is played
// by writing it to the play file first, and a recording is made into the
// record file and read back into the wave that asked for it.
//
// Everything here runs on the user-interface thread, the player's
// notifications included.
class TPlayRecord {
public:
    explicit TPlayRecord(MediaPlayer& player);
    ~TPlayRecord();
    TPlayRecord(const TPlayRecord&) = delete;
    TPlayRecord& operator=(const TPlayRecord&) = delete;

    // The folder of the play and record files: "korvane" in the user's
    // runtime directory, or in the temporary directory when there is none.
    static std::string DefaultFolder();
    // Makes the folder if needed. When it cannot be made, shows "Could not
    // create directory "FOLDER". Play and Record disabled" in a box titled
    // "Error", and play and record stay off.
    bool Start(const std::string& folder);
    bool Available() const { return available_; }
    const std::string& PlayFile() const { return playFile_; }
    const std::string& RecordFile() const { return recordFile_; }
    // Records into this file instead (the recovery journal's, so that a
    // recording outlives a crash).
    void SetRecordFile(const std::string& file) { recordFile_ = file; }

    // Plays the selection of the wave, or all of it when nothing is selected.
    void PlayWave(const TUnitWave& doc);
    // Plays samples [begin, end) of a sound (a rendered piece of music).
    void PlaySound(const Sound& sound, int32_t begin, int32_t end);
    // Records into `doc`, which must exist and be empty; a Record while
    // recording is a Stop.
    void Record(TUnitWave* doc);
    void Stop();
    void Pause();
    // The player's notification.
    void Notified();
    // A document is going away: a recording into it is dropped.
    void Forget(const TUnitWave& doc);

    // The command states.
    bool PlayChecked() const { return playChecked_; }
    bool PauseChecked() const { return pauseChecked_; }
    bool RecordChecked() const { return recordChecked_; }
    bool PlayPending() const { return playPending_; }
    bool RecordPending() const { return recordPending_; }
    bool StopEnabled() const { return available_ && (playChecked_ || recordChecked_); }
    bool PauseEnabled() const { return available_ && (!recordChecked_ || recordPending_); }
    const TUnitWave* RecordingDocument() const { return recording_; }
    // While a wave plays (or pauses): the wave, the sample that sounds now,
    // and the seconds played of the whole played range's. False otherwise.
    bool PlayCursor(const TUnitWave*& doc, int32_t& sample, double& elapsed, double& total) const;

private:
    void startPlaying();
    void startRecording();
    void report(const std::string& error);

    MediaPlayer& player_;
    bool available_ = false;
    std::string playFile_;
    std::string recordFile_;

    bool pauseRequested_ = false;
    bool playPending_ = false;
    bool recordPending_ = false;
    bool ignoreNextNotification_ = false;
    bool playChecked_ = false;
    bool pauseChecked_ = false;
    bool recordChecked_ = false;
    TUnitWave* recording_ = nullptr;
    // What PlayWave plays; no wave for a sound that is not a document's.
    const TUnitWave* playing_ = nullptr;
    int32_t playBegin_ = 0, playEnd_ = 0, playFreq_ = 1;
};

}  // namespace korvane
