// Sorted after the other window tests, whose fixture makes the one
// application object when they run in the same process.
// The real media player against the private audio server that scripts/test
// starts (scripts/audio-server): KORVANE_AUDIO_RUNTIME names its folder.
// Without it these tests are skipped, except the one that needs no server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "ShellApp.h"
#include "TestSupport.h"
#include "core/WavFile.h"
#include "shell/QtMediaPlayer.h"
#include "wavewindow/PlayRecord.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// Must run before the audio system is first touched in this process.
void useServer(const std::string& runtime) {
    std::string server = "unix:" + runtime + "/pulse/native";
    setenv("PULSE_SERVER", server.c_str(), 1);
    ShellApp();
}

// Runs the event loop until `done` or the time is up.
bool waitFor(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    tick.start(10);
    loop.exec();
    return done();
}

class AudioServerTest : public CoreFixture {
protected:
    std::filesystem::path dir;
    void SetUp() override {
        CoreFixture::SetUp();
        const char* runtime = std::getenv("KORVANE_AUDIO_RUNTIME");
        if (!runtime || !*runtime) GTEST_SKIP() << "no test audio server (scripts/test starts one)";
        useServer(runtime);
        dir = std::filesystem::temp_directory_path() /
              ("korvane-audio-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        if (!dir.empty()) std::filesystem::remove_all(dir);
        CoreFixture::TearDown();
    }
};

TEST_F(AudioServerTest, PlaysToTheEndAndNotifies) {
    bool failed = false;
    std::vector<int> samples(0.3 * 44100);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int>(8000 * std::sin(i * 0.0627));
    StereoSound sound(makeWave(samples), makeWave(samples), 44100, 2);
    std::string file = (dir / "play.wav").string();
    ASSERT_TRUE(WriteWaveFile(failed, file, sound, 0, sound.GetValues(), true));

    TQtMediaPlayer player;
    int notified = 0;
    player.Notify = [&] { ++notified; };
    std::string error;
    ASSERT_TRUE(player.Open(file, error)) << error;
    ASSERT_TRUE(player.Play(true, error)) << error;
    EXPECT_EQ(player.Mode(), mpPlaying);
    EXPECT_TRUE(waitFor([&] { return notified > 0; }, 10000));
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(player.Mode(), mpStopped);
}

TEST_F(AudioServerTest, RecordsTheSineSourceInTheWavesFormat) {
    TQtMediaPlayer player;
    TPlayRecord pr(player);
    ASSERT_TRUE(pr.Start((dir / "korvane").string()));
    WaveFileProps props;
    props.MonoStereo = 1;
    props.SampleFreq = 44100;
    TUnitWave doc(props, "new.wav");
    pr.Record(&doc);
    ASSERT_TRUE(pr.RecordChecked()) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    EXPECT_EQ(player.Mode(), mpRecording);
    waitFor([] { return false; }, 1000);
    pr.Stop();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    const Sound& s = *doc.TheSound;
    EXPECT_EQ(s.MoSt, 1);
    EXPECT_EQ(s.Freq, 44100);
    EXPECT_EQ(s.BytesPSample, 2);
    ASSERT_GT(s.GetValues(), 22050);
    // Rising zero crossings after the start: one every 44100 / 440 samples.
    const int16_t* w = s.Channel(0).wave;
    int first = -1, last = -1, crossings = 0;
    for (int32_t i = 4000; i < s.GetValues(); ++i)
        if (w[i - 1] < 0 && w[i] >= 0) {
            if (first < 0) first = i;
            last = i;
            ++crossings;
        }
    ASSERT_GT(crossings, 10);
    double period = static_cast<double>(last - first) / (crossings - 1);
    EXPECT_NEAR(period, 44100.0 / 440, 1.0);
}

}  // namespace

namespace {

// No server at all: the commands say so instead of failing silently.
TEST(AudioWithoutServer, PlayAndRecordSayWhyTheyCannot) {
    if (std::getenv("KORVANE_AUDIO_RUNTIME")) GTEST_SKIP() << "a test audio server is running";
    useServer("/nonexistent/korvane-no-server");
    RecordingMessages boxes;
    setMessages(&boxes);
    auto dir = std::filesystem::temp_directory_path() / "korvane-audio-none";
    TQtMediaPlayer player;
    {
        TPlayRecord pr(player);
        ASSERT_TRUE(pr.Start(dir.string()));
        TUnitWave doc(std::make_unique<MonoSound>(makeWave({1, 2, 3}), 8000, 2), "x.wav");
        pr.PlayWave(doc);
        EXPECT_FALSE(pr.PlayChecked());
        WaveFileProps props;
        TUnitWave empty(props, "new.wav");
        pr.Record(&empty);
        EXPECT_FALSE(pr.RecordChecked());
    }
    setMessages(nullptr);
    std::filesystem::remove_all(dir);
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot play: There is no audio output (is a sound server running?).");
    EXPECT_EQ(boxes.shown[1].text, "Cannot record: There is no audio input (is a sound server running?).");
}

}  // namespace
