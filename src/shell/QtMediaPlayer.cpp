#include "shell/QtMediaPlayer.h"

#include <unistd.h>

#include <QAudioDevice>
#include <QAudioSink>
#include <QAudioSource>
#include <QMediaDevices>
#include <QMetaObject>
#include <algorithm>
#include <cstdio>
#include <fstream>

#include "core/WavFile.h"
#include "platform/FileReplace.h"

namespace korvane {

TQtMediaPlayer::TQtMediaPlayer(QObject* parent) : QObject(parent) {
    fetch_.setInterval(50);
    connect(&fetch_, &QTimer::timeout, this, [this] { fetchRecorded(); });
    drain_.setInterval(10);
    connect(&drain_, &QTimer::timeout, this, [this] { drainTick(); });
}

void TQtMediaPlayer::fetchRecorded() {
    if (!input_) return;
    const QByteArray chunk = input_->readAll();
    if (chunk.isEmpty()) return;
    data_ += chunk;
    // A file that failed once is written whole by Save instead.
    if (stream_.IsOpen() && !stream_.Append(chunk.constData(), static_cast<std::size_t>(chunk.size())))
        stream_.Close();
}

void TQtMediaPlayer::endStream() {
    if (!stream_.IsOpen()) return;
    const bool whole = stream_.DataBytes() == static_cast<uint64_t>(data_.size());
    streamed_ = stream_.Finish() && whole;
}

TQtMediaPlayer::~TQtMediaPlayer() {
    armed_ = false;
    dropDevices();
}

void TQtMediaPlayer::dropDevices() {
    drain_.stop();
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
        sink_.reset();
    }
    fetch_.stop();
    if (source_) fetchRecorded();
    input_ = nullptr;
    if (source_) {
        source_->stop();
        source_.reset();
    }
    endStream();
    buffer_.close();
}

void TQtMediaPlayer::endArmed() {
    if (!armed_) return;
    armed_ = false;
    // Delivered from the event loop, never from inside the call that ended
    // the operation.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (Notify) Notify();
        },
        Qt::QueuedConnection);
}

bool TQtMediaPlayer::Open(const std::string& fileName, std::string& error) {
    Close();
    std::unique_ptr<Sound> sound;
    std::string reason;
    if (!ReadWaveFile(fileName, sound, reason)) {
        error = WaveReadErrorText(fileName, reason);
        return false;
    }
    QAudioFormat f;
    f.setSampleRate(sound->Freq);
    f.setChannelCount(sound->MoSt);
    f.setSampleFormat(sound->BytesPSample == 1 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    format_ = f;
    // Played as 16-bit samples whatever the file's width; the format above
    // is the one a recording into this file is made in.
    int32_t n = sound->GetValues();
    data_.resize(static_cast<qsizetype>(n) * sound->MoSt * 2);
    auto* out = reinterpret_cast<int16_t*>(data_.data());
    for (int32_t i = 0; i < n; ++i)
        for (int c = 0; c < sound->MoSt; ++c) *out++ = sound->Channel(c).wave[i];
    file_ = fileName;
    mode_ = mpStopped;
    return true;
}

void TQtMediaPlayer::Close() {
    if (mode_ == mpNotReady) return;
    endArmed();
    dropDevices();
    data_.clear();
    mode_ = mpNotReady;
}

bool TQtMediaPlayer::Play(bool notify, std::string& error) {
    if (mode_ == mpNotReady) {
        error = "No file is open.";
        return false;
    }
    endArmed();
    dropDevices();
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        error = "There is no audio output (is a sound server running?).";
        return false;
    }
    QAudioFormat f = format_;
    f.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(f)) {
        error = "The audio output cannot play " + std::to_string(f.sampleRate()) + " Hz with " +
                std::to_string(f.channelCount()) + " channels.";
        return false;
    }
    sink_ = std::make_unique<QAudioSink>(device, f);
    connect(sink_.get(), &QAudioSink::stateChanged, this, [this] { sinkStateChanged(); });
    buffer_.setBuffer(&data_);
    buffer_.open(QIODevice::ReadOnly);
    mode_ = mpPlaying;
    armed_ = request_ = notify;
    sink_->start(&buffer_);
    if (sink_->error() != QAudio::NoError) {
        armed_ = false;
        dropDevices();
        mode_ = mpStopped;
        error = "The audio output could not be started.";
        return false;
    }
    return true;
}

void TQtMediaPlayer::sinkStateChanged() {
    if (!sink_ || mode_ != mpPlaying) return;
    QAudio::State s = sink_->state();
    if (s == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
        // The device failed: the play has ended.
        drain_.stop();
        mode_ = mpStopped;
        endArmed();
    } else if (s == QAudio::IdleState && buffer_.atEnd() && !drain_.isActive()) {
        // Idle at the end of the data (idle before it was only a moment's
        // starving): the end comes once the server has sounded it all.
        startDrain();
    }
}

double TQtMediaPlayer::PlayedSeconds() const {
    if (!sink_ || (mode_ != mpPlaying && mode_ != mpPaused)) return 0;
    // What the server has taken, less what its buffer still holds unsounded.
    const double buffered = sink_->format().durationForBytes(static_cast<qint32>(sink_->bufferSize())) / 1e6;
    return std::max(0.0, sink_->processedUSecs() / 1e6 - buffered);
}

void TQtMediaPlayer::startDrain() {
    bufferMs_ = sink_->format().durationForBytes(static_cast<qint32>(sink_->bufferSize())) / 1000;
    readAllAtMs_ = -1;
    drainClock_.start();
    drain_.start();
}

void TQtMediaPlayer::drainTick() {
    if (!sink_ || mode_ != mpPlaying) {
        drain_.stop();
        return;
    }
    QAudioFormat f = sink_->format();
    qint64 all = static_cast<qint64>(data_.size()) * 1000000 / (f.sampleRate() * f.bytesPerFrame());
    qint64 now = drainClock_.elapsed();
    // The server counts what it has taken from us; the device it hands that
    // to still needs about one buffer's time to sound it.
    if (readAllAtMs_ < 0 && sink_->processedUSecs() >= all) readAllAtMs_ = now;
    bool sounded = readAllAtMs_ >= 0 && now - readAllAtMs_ >= bufferMs_;
    if (!sounded && now < 2 * bufferMs_ + 1000) return;
    drain_.stop();
    mode_ = mpStopped;
    endArmed();
}

bool TQtMediaPlayer::StartRecording(bool notify, std::string& error) {
    if (mode_ == mpNotReady) {
        error = "No file is open.";
        return false;
    }
    endArmed();
    dropDevices();
    QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        error = "There is no audio input (is a sound server running?).";
        return false;
    }
    if (!device.isFormatSupported(format_)) {
        error = "The audio input cannot record " + std::to_string(format_.sampleRate()) + " Hz with " +
                std::to_string(format_.channelCount()) + " channels.";
        return false;
    }
    source_ = std::make_unique<QAudioSource>(device, format_);
    // A tenth of a second of buffer keeps the source delivering steadily.
    source_->setBufferSize(format_.bytesForDuration(100000));
    data_.clear();
    streamed_ = false;
    stream_.Open(file_, format_.channelCount(), format_.sampleFormat() == QAudioFormat::UInt8 ? 1 : 2,
                 format_.sampleRate());
    mode_ = mpRecording;
    armed_ = request_ = notify;
    input_ = source_->start();
    if (input_) {
        connect(input_, &QIODevice::readyRead, this, [this] { fetchRecorded(); });
        fetch_.start();
    }
    if (!input_ || source_->error() != QAudio::NoError) {
        armed_ = false;
        dropDevices();
        mode_ = mpStopped;
        error = "The audio input could not be started.";
        return false;
    }
    return true;
}

void TQtMediaPlayer::Pause() {
    if (mode_ != mpPlaying && mode_ != mpRecording) return;
    if (sink_) sink_->suspend();
    if (source_) source_->suspend();
    drain_.stop();
    paused_ = mode_;
    mode_ = mpPaused;
    endArmed();
}

void TQtMediaPlayer::Resume() {
    if (mode_ != mpPaused) return;
    mode_ = paused_;
    armed_ = request_;
    if (sink_) sink_->resume();
    if (source_) source_->resume();
    // A pause while the server played the last buffer: wait for it again.
    if (sink_ && mode_ == mpPlaying && buffer_.atEnd()) startDrain();
}

void TQtMediaPlayer::Stop() {
    if (mode_ == mpNotReady) return;
    if (source_) {
        fetchRecorded();
        fetch_.stop();
        input_ = nullptr;
        source_->stop();
        endStream();
    }
    if (sink_) {
        sink_->disconnect(this);
        sink_->stop();
    }
    drain_.stop();
    mode_ = mpStopped;
    endArmed();
}

bool TQtMediaPlayer::Save(std::string& error) {
    if (file_.empty()) {
        error = "No file is open.";
        return false;
    }
    // The recording went to the file as it came and is complete there.
    if (streamed_) return true;
    int channels = format_.channelCount();
    int bytes = format_.sampleFormat() == QAudioFormat::UInt8 ? 1 : 2;
    int frame = channels * bytes;
    const uint32_t size = static_cast<uint32_t>(data_.size() / frame * frame);
    const auto header = WaveHeader(channels, bytes, format_.sampleRate(), size);
    // A complete new file beside the old one, renamed over it at the end.
    TFileReplacement file;
    // The record file is scratch: it is read back into the wave at once.
    if (!file.Open(file_, false) || !file.Write(header.data(), header.size()) || !file.Write(data_.constData(), size) ||
        !file.Commit()) {
        error = "Cannot write File.";
        return false;
    }
    return true;
}

}  // namespace korvane
