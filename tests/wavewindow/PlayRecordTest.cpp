#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "core/WavFile.h"
#include "wavewindow/PlayRecord.h"

namespace korvane {
namespace {

using testing::CoreFixture;

// A player that does what it is told at once and keeps its notifications
// until the test delivers them, as the message loop would.
class ScriptedPlayer : public MediaPlayer {
public:
    std::string file;
    TMediaMode mode = mpNotReady;
    std::vector<std::string> calls;
    std::deque<int> posted;
    std::string openError;  // when set, Open fails with it
    // What Save writes into the open file: a sound, or these raw bytes.
    std::unique_ptr<Sound> recording;
    std::string rawRecording;

    bool Open(const std::string& f, std::string& error) override {
        Close();
        calls.push_back("open");
        if (!openError.empty()) {
            error = openError;
            return false;
        }
        file = f;
        mode = mpStopped;
        return true;
    }
    void Close() override {
        if (mode == mpNotReady) return;
        calls.push_back("close");
        endArmed();
        mode = mpNotReady;
    }
    bool Play(bool notify, std::string&) override {
        calls.push_back("play");
        mode = mpPlaying;
        armed_ = request_ = notify;
        return true;
    }
    bool StartRecording(bool notify, std::string&) override {
        calls.push_back("record");
        mode = mpRecording;
        armed_ = request_ = notify;
        return true;
    }
    void Pause() override {
        calls.push_back("pause");
        endArmed();
        paused_ = mode;
        mode = mpPaused;
    }
    void Resume() override {
        calls.push_back("resume");
        mode = paused_;
        armed_ = request_;
    }
    void Stop() override {
        calls.push_back("stop");
        endArmed();
        mode = mpStopped;
    }
    bool Save(std::string&) override {
        calls.push_back("save");
        if (recording) {
            bool failed = false;
            return WriteWaveFile(failed, file, *recording, 0, recording->GetValues(), true);
        }
        std::ofstream(file, std::ios::binary) << rawRecording;
        return true;
    }
    TMediaMode Mode() const override { return mode; }

    // The file played to its end.
    void ReachEnd() {
        mode = mpStopped;
        endArmed();
    }
    void Deliver() {
        while (!posted.empty()) {
            posted.pop_front();
            if (Notify) Notify();
        }
    }

private:
    void endArmed() {
        if (armed_) posted.push_back(1);
        armed_ = false;
    }
    bool armed_ = false;
    bool request_ = false;
    TMediaMode paused_ = mpNotReady;
};

struct RepaintCounter : TWaveWindowLink {
    int repaints = 0;
    void Repaint() override { ++repaints; }
};

class PlayRecordTest : public CoreFixture {
protected:
    std::filesystem::path folder;
    ScriptedPlayer player;
    std::unique_ptr<TPlayRecord> pr;

    void SetUp() override {
        CoreFixture::SetUp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() / "korvane-playrecord" / info->name();
        std::filesystem::remove_all(folder);
        pr = std::make_unique<TPlayRecord>(player);
        ASSERT_TRUE(pr->Start(folder.string()));
    }
    void TearDown() override {
        pr.reset();
        std::filesystem::remove_all(folder);
        CoreFixture::TearDown();
    }

    static std::unique_ptr<TUnitWave> wave(int count, int channels = 1, int32_t freq = 22050) {
        bool failed = false;
        auto make = [&](int offset) {
            auto w = Wave::create(failed, count);
            for (int i = 0; i < count; ++i) w->wave[i] = static_cast<int16_t>(i * 10 + offset);
            return w;
        };
        std::unique_ptr<Sound> s;
        if (channels == 1)
            s = std::make_unique<MonoSound>(make(0), freq, 2);
        else
            s = std::make_unique<StereoSound>(make(0), make(1), freq, 2);
        return std::make_unique<TUnitWave>(std::move(s), "w.wav");
    }
    static std::unique_ptr<TUnitWave> emptyWave(int16_t channels, int32_t freq, int16_t bytes) {
        WaveFileProps p;
        p.MonoStereo = channels;
        p.SampleFreq = freq;
        p.BytesPSample = bytes;
        return std::make_unique<TUnitWave>(p, "new.wav");
    }
    std::vector<int> played() {
        std::unique_ptr<Sound> s;
        std::string reason;
        EXPECT_TRUE(ReadWaveFile(pr->PlayFile(), s, reason)) << reason;
        return s ? testing::samplesOf(s->Channel(0)) : std::vector<int>{};
    }
};

TEST_F(PlayRecordTest, PlaysTheSelectionOrTheWholeWaveAndEndsOnTheNotification) {
    auto doc = wave(200);
    pr->PlayWave(*doc);
    EXPECT_EQ(played().size(), 200u);
    EXPECT_EQ(player.file, pr->PlayFile());
    EXPECT_EQ(player.mode, mpPlaying);
    EXPECT_TRUE(pr->PlayChecked());
    EXPECT_TRUE(pr->StopEnabled());

    player.ReachEnd();
    player.Deliver();
    EXPECT_FALSE(pr->PlayChecked());
    EXPECT_FALSE(pr->StopEnabled());
    EXPECT_EQ(player.mode, mpNotReady);

    doc->SetFirstEnd(100);
    doc->SetSecondEnd(50);
    pr->PlayWave(*doc);
    std::vector<int> want;
    for (int i = 50; i < 100; ++i) want.push_back(i * 10);
    EXPECT_EQ(played(), want);
}

TEST_F(PlayRecordTest, PausePressedBeforePlayOpensWithoutSoundAndTheNextPauseStarts) {
    auto doc = wave(100);
    pr->Pause();
    EXPECT_TRUE(pr->PauseChecked());
    pr->PlayWave(*doc);
    EXPECT_EQ(player.mode, mpStopped);  // open, not started
    EXPECT_TRUE(pr->PlayPending());
    EXPECT_TRUE(pr->PlayChecked());
    pr->Pause();
    EXPECT_EQ(player.mode, mpPlaying);
    EXPECT_FALSE(pr->PlayPending());
    EXPECT_FALSE(pr->PauseChecked());
    // With pause no longer requested the next play starts at once.
    player.ReachEnd();
    player.Deliver();
    pr->PlayWave(*doc);
    EXPECT_EQ(player.mode, mpPlaying);
}

TEST_F(PlayRecordTest, NotificationsOfPauseAndOfASupersededPlayAreIgnored) {
    auto doc = wave(100);
    pr->PlayWave(*doc);
    pr->Pause();
    EXPECT_EQ(player.mode, mpPaused);
    EXPECT_TRUE(pr->PauseChecked());
    player.Deliver();  // the pause's own notification
    EXPECT_TRUE(pr->PlayChecked());
    EXPECT_EQ(player.mode, mpPaused);
    pr->Pause();
    EXPECT_EQ(player.mode, mpPlaying);
    EXPECT_FALSE(pr->PauseChecked());

    pr->PlayWave(*doc);  // again while playing: the old play's end is no end
    player.Deliver();
    EXPECT_TRUE(pr->PlayChecked());
    EXPECT_EQ(player.mode, mpPlaying);
    player.ReachEnd();
    player.Deliver();
    EXPECT_FALSE(pr->PlayChecked());
}

TEST_F(PlayRecordTest, PlayingAgainWhilePausedStillEndsOnItsNotification) {
    auto doc = wave(100);
    pr->PlayWave(*doc);
    pr->Pause();
    player.Deliver();
    pr->PlayWave(*doc);
    player.ReachEnd();
    player.Deliver();
    EXPECT_FALSE(pr->PlayChecked());
}

TEST_F(PlayRecordTest, RecordsOnlyIntoAnEmptyWaveAndStopPutsTheRecordingInIt) {
    auto full = wave(10);
    pr->Record(full.get());
    EXPECT_FALSE(pr->RecordChecked());
    EXPECT_TRUE(player.calls.empty());

    auto doc = emptyWave(2, 11025, 2);
    doc->MarkSaved();
    RepaintCounter link;
    doc->Window = &link;
    pr->Record(doc.get());
    EXPECT_TRUE(pr->RecordChecked());
    EXPECT_FALSE(pr->PauseEnabled());
    EXPECT_EQ(player.mode, mpRecording);
    EXPECT_EQ(player.file, pr->RecordFile());
    // The record file tells the player the wave's format.
    std::unique_ptr<Sound> format;
    std::string reason;
    ASSERT_TRUE(ReadWaveFile(pr->RecordFile(), format, reason));
    EXPECT_EQ(format->GetValues(), 0);
    EXPECT_EQ(format->MoSt, 2);
    EXPECT_EQ(format->Freq, 11025);

    auto source = wave(300, 2, 11025);
    player.recording =
        std::unique_ptr<Sound>(new StereoSound(Wave::copy(source->Failed, source->TheSound->Channel(0)),
                                               Wave::copy(source->Failed, source->TheSound->Channel(1)), 11025, 2));
    pr->Record(doc.get());  // Record while recording is Stop
    EXPECT_FALSE(pr->RecordChecked());
    EXPECT_EQ(doc->GetValues(), 300);
    EXPECT_EQ(testing::samplesOf(doc->TheSound->Channel(1))[299], 2991);
    EXPECT_EQ(doc->State, unitStateChanged);
    EXPECT_EQ(link.repaints, 1);
    EXPECT_EQ(player.mode, mpNotReady);
    EXPECT_EQ(player.calls, (std::vector<std::string>{"open", "record", "stop", "save", "close"}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PlayRecordTest, PendingRecordStartsWithPause) {
    auto doc = emptyWave(1, 8000, 1);
    pr->Pause();
    pr->Record(doc.get());
    EXPECT_TRUE(pr->RecordPending());
    EXPECT_TRUE(pr->PauseEnabled());
    EXPECT_EQ(player.mode, mpStopped);
    pr->Pause();
    EXPECT_EQ(player.mode, mpRecording);
    EXPECT_FALSE(pr->PauseChecked());
}

TEST_F(PlayRecordTest, AnUnreadableRecordingIsReportedAndTheWaveStaysEmpty) {
    auto doc = emptyWave(1, 22050, 2);
    pr->Record(doc.get());
    player.rawRecording = "not a wave";
    pr->Stop();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "File Error");
    EXPECT_EQ(boxes.shown[0].text, "Cannot read the file: \"" + pr->RecordFile() + "\", \"RIFF\" not found.");
    EXPECT_EQ(doc->GetValues(), 0);
    EXPECT_FALSE(pr->RecordChecked());

    // A recording of another sample width cannot go into the wave either.
    pr->Record(doc.get());
    player.recording = std::make_unique<MonoSound>(testing::makeWave({1, 2, 3}), 22050, 1);
    pr->Stop();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, "File Error");
    EXPECT_EQ(doc->GetValues(), 0);
}

TEST_F(PlayRecordTest, AWaveClosedWhileRecordingIsForgotten) {
    auto doc = emptyWave(1, 22050, 2);
    pr->Record(doc.get());
    pr->Forget(*doc);
    EXPECT_FALSE(pr->RecordChecked());
    EXPECT_EQ(pr->RecordingDocument(), nullptr);
    EXPECT_EQ(player.mode, mpNotReady);
}

TEST_F(PlayRecordTest, APlayerThatCannotOpenSaysSo) {
    auto doc = wave(10);
    player.openError = "No audio output device.";
    pr->PlayWave(*doc);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot play: No audio output device.");
    EXPECT_FALSE(pr->PlayChecked());
}

TEST_F(PlayRecordTest, TheFolderThatCannotBeMadeIsNamedAndPlayStaysOff) {
    std::ofstream(folder / "file") << "x";
    ScriptedPlayer other;
    TPlayRecord off(other);
    std::string bad = (folder / "file" / "korvane").string();
    EXPECT_FALSE(off.Start(bad));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].text, "Could not create directory \"" + bad + "\". Play and Record disabled");
    auto doc = wave(10);
    off.PlayWave(*doc);
    EXPECT_TRUE(other.calls.empty());
    EXPECT_FALSE(off.StopEnabled());
    EXPECT_FALSE(off.PauseEnabled());
}

TEST(PlayRecordFolder, UnderTheRuntimeDirectoryOrTheTemporaryOne) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
    EXPECT_EQ(TPlayRecord::DefaultFolder(), "/run/user/4242/korvane");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(TPlayRecord::DefaultFolder(), (std::filesystem::temp_directory_path() / "korvane").string());
    if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

}  // namespace
}  // namespace korvane
