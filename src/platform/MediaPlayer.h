#pragma once

#include <functional>
#include <string>

namespace korvane {

// What the media player reports it is doing.
enum TMediaMode : int {
    mpNotReady = 0,  // no file open
    mpStopped = 1,
    mpPlaying = 2,
    mpRecording = 3,
    mpPaused = 5,
};

// The platform's media player: it plays a WAV file and records into one.
//
// A Play or StartRecording with `notify` set asks for one notification when
// that operation ends, however it ends: the end of the file, Pause, Stop,
// Close, or a new Open. The notification is delivered later, on the
// user-interface thread, through Notify; the receiver asks Mode() what the
// player is doing by then. This is why the owner ignores the notification
// that follows its own Pause or a new Play.
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    // Opens the player on a WAV file, to play it or to record into it (the
    // file then holds the format to record in). Closes what was open.
    virtual bool Open(const std::string& fileName, std::string& error) = 0;
    virtual void Close() = 0;
    // Starts playing the open file from its start.
    virtual bool Play(bool notify, std::string& error) = 0;
    // Starts recording in the open file's format.
    virtual bool StartRecording(bool notify, std::string& error) = 0;
    virtual void Pause() = 0;
    // Goes on with what was paused: playing or recording.
    virtual void Resume() = 0;
    // Stops and returns only when the player has stopped.
    virtual void Stop() = 0;
    // Writes what was recorded into the open file; the file is replaced only
    // by a complete new one.
    virtual bool Save(std::string& error) = 0;
    virtual TMediaMode Mode() const = 0;
    // How much of the open file has sounded while playing, in seconds.
    virtual double PlayedSeconds() const { return 0; }

    // Set by the owner.
    std::function<void()> Notify;
};

}  // namespace korvane
