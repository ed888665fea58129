#pragma once

#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

#include "core/WavFile.h"
#include "platform/MediaPlayer.h"

class QAudioSink;
class QAudioSource;

namespace korvane {

// The media player on Qt Multimedia (PulseAudio or PipeWire underneath): a
// QAudioSink plays the open file from memory, a QAudioSource records into
// memory and Save writes the recording into the open file. Notifications are
// queued to this object's thread, the user-interface thread.
class TQtMediaPlayer : public QObject, public MediaPlayer {
    Q_OBJECT
public:
    explicit TQtMediaPlayer(QObject* parent = nullptr);
    ~TQtMediaPlayer() override;

    bool Open(const std::string& fileName, std::string& error) override;
    void Close() override;
    bool Play(bool notify, std::string& error) override;
    bool StartRecording(bool notify, std::string& error) override;
    void Pause() override;
    void Resume() override;
    void Stop() override;
    bool Save(std::string& error) override;
    double PlayedSeconds() const override;
    TMediaMode Mode() const override { return mode_; }

private:
    void sinkStateChanged();
    void startDrain();
    void drainTick();
    void endArmed();
    void dropDevices();
    void fetchRecorded();

    std::string file_;
    QAudioFormat format_;
    QByteArray data_;  // the samples to play, or those recorded
    // A recording also goes to the open file as it comes, so that a crash
    // keeps it; `streamed_` says the file got all of it and is complete.
    TWaveStream stream_;
    bool streamed_ = false;
    void endStream();
    QBuffer buffer_;
    // What the source has captured is fetched on readyRead and by this
    // timer, since not every audio back end signals every block.
    QIODevice* input_ = nullptr;
    QTimer fetch_;
    // The sink goes idle once it has handed the last byte to the sound
    // server, which still holds a buffer's worth to play: the end comes only
    // when the server has taken them all and had the time to sound them (or,
    // should it never say so, two buffers' time and a second later).
    QTimer drain_;
    QElapsedTimer drainClock_;
    qint64 bufferMs_ = 0;
    qint64 readAllAtMs_ = -1;
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QAudioSource> source_;
    TMediaMode mode_ = mpNotReady;
    TMediaMode paused_ = mpNotReady;
    bool armed_ = false;
    bool request_ = false;
};

}  // namespace korvane
