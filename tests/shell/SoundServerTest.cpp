// Sorted after the other window tests, whose fixture makes the one
// application object when they run in the same process.
// The real media player against the private audio server that scripts/test
// starts (scripts/audio-server): KORVANE_AUDIO_RUNTIME names its folder.
// Without it these tests are skipped, except the one that needs no server.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "KillHarness.h"
#include "ShellApp.h"
#include "TestSupport.h"
#include "core/WavFile.h"
#include "journal/Journal.h"
#include "shell/ChildWave.h"
#include "shell/Main.h"
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
        audioUsed = true;
        CoreFixture::TearDown();
    }
    // The audio client's threads do not survive a fork: a test that forks
    // needs a process in which no audio test ran before (ctest gives each
    // test its own).
    static inline bool audioUsed = false;
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

TEST_F(AudioServerTest, PauseWhileTheLastBufferPlaysThenResumeAndStopEachEndOnce) {
    bool failed = false;
    std::vector<int> samples(0.3 * 44100, 1000);
    MonoSound sound(makeWave(samples), 44100, 2);
    std::string file = (dir / "short.wav").string();
    ASSERT_TRUE(WriteWaveFile(failed, file, sound, 0, sound.GetValues(), true));
    TQtMediaPlayer player;
    int notified = 0;
    player.Notify = [&] { ++notified; };
    std::string error;
    ASSERT_TRUE(player.Open(file, error)) << error;
    ASSERT_TRUE(player.Play(true, error)) << error;
    // By now the whole wave has gone to the server, which still plays it.
    waitFor([] { return false; }, 250);
    player.Pause();
    EXPECT_EQ(player.Mode(), mpPaused);
    waitFor([] { return false; }, 300);
    EXPECT_EQ(player.Mode(), mpPaused);
    EXPECT_EQ(notified, 1);  // the one of the pause
    player.Resume();
    EXPECT_TRUE(waitFor([&] { return notified == 2; }, 3000));
    EXPECT_EQ(player.Mode(), mpStopped);

    ASSERT_TRUE(player.Play(true, error)) << error;
    player.Stop();
    EXPECT_EQ(player.Mode(), mpStopped);
    waitFor([] { return false; }, 600);
    EXPECT_EQ(notified, 3);
}

// How strongly `samples` hold a tone: its amplitude by the Goertzel filter.
double toneAmplitude(const int16_t* samples, int n, double hertz, int rate) {
    double w = 2 * M_PI * hertz / rate, c = 2 * std::cos(w), s1 = 0, s2 = 0;
    for (int i = 0; i < n; ++i) {
        double s0 = samples[i] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - c * s1 * s2)) / n;
}

TEST_F(AudioServerTest, PlayFromTheWindowSoundsToTheLastSampleBeforeItEnds) {
    QString parec = QStandardPaths::findExecutable("parec");
    if (parec.isEmpty()) GTEST_SKIP() << "parec is missing (Debian package pulseaudio-utils)";
    // One second of 300 Hz, then five tenths of a second at 500, 700, 900,
    // 1100 and 1300 Hz: the last tone is the last tenth of the wave.
    const int rate = 44100;
    const double tones[] = {500, 700, 900, 1100, 1300};
    std::vector<int> samples(rate * 3 / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        size_t part = i < size_t(rate) ? 0 : 1 + (i - rate) / (rate / 10);
        double hertz = part == 0 ? 300 : tones[part - 1];
        samples[i] = static_cast<int>(12000 * std::sin(2 * M_PI * hertz * i / rate));
    }

    // What the null sink plays, as its monitor hears it.
    QProcess capture;
    capture.start(parec, {"-d", "korvane_null.monitor", "--raw", "--format=s16le", "--rate=44100", "--channels=1",
                          "--latency-msec=20"});
    ASSERT_TRUE(capture.waitForStarted(5000));
    QByteArray heard;
    QObject::connect(&capture, &QProcess::readyReadStandardOutput, [&] { heard += capture.readAllStandardOutput(); });
    ASSERT_TRUE(waitFor([&] { return heard.size() > 4410 * 2; }, 5000)) << "the monitor delivers nothing";

    TMainForm form;
    form.PlayRecord().Start(dir.string());
    TMDIChildWave* w = form.AddWaveWindow(
        std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), rate, 2), "t.wav"));
    ASSERT_NE(w, nullptr);
    form.UpdateActions();
    form.Action("FilePlay")->trigger();
    ASSERT_TRUE(form.PlayRecord().PlayChecked()) << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    // Play reports its end only when the sound server has everything.
    ASSERT_TRUE(waitFor([&] { return !form.PlayRecord().PlayChecked(); }, 10000));
    waitFor([] { return false; }, 400);
    capture.terminate();
    capture.waitForFinished(3000);
    heard += capture.readAllStandardOutput();

    // Count the 10 ms stretches in which each tone clearly sounds.
    const int16_t* h = reinterpret_cast<const int16_t*>(heard.constData());
    const int window = rate / 100, windows = static_cast<int>(heard.size() / 2) / window;
    for (double hertz : tones) {
        int sounding = 0;
        for (int k = 0; k < windows; ++k)
            if (toneAmplitude(h + k * window, window, hertz, rate) > 12000 * 0.5) ++sounding;
        EXPECT_GE(sounding, 9) << hertz << " Hz sounded for " << sounding * 10 << " ms of 100 ms";
    }
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

// A window killed while it records: the next start gives the wave every
// sample that had reached the recording's file, which is every one recorded.
TEST_F(AudioServerTest, ARecordingSurvivesTheWindowBeingKilledWhileItRecords) {
    if (audioUsed) GTEST_SKIP() << "needs a process of its own, as ctest runs it";
    const std::filesystem::path root = dir / "journal";
    const std::filesystem::path expected = dir / "expected.raw";
    const std::string child = RunAndKill(dir, [&]() -> std::string {
        auto* form = new TMainForm;  // killed, never destroyed
        form->PlayRecord().Start(dir.string());
        form->StartJournal(root.string());
        if (!form->Journal()) return "no journal";
        WaveFileProps props;
        props.MonoStereo = 1;
        props.SampleFreq = 44100;
        form->AddWaveWindow(std::make_unique<TUnitWave>(props, ""));
        form->UpdateActions();
        form->Action("FileRecord")->trigger();
        if (!form->PlayRecord().RecordChecked()) return boxes.shown.empty() ? "no recording" : boxes.shown[0].text;
        const std::string file = form->Journal()->RecordFile();
        if (file != form->PlayRecord().RecordFile()) return "the recording is not made in the journal";
        // Half a second of sound reaches the file, then the source is held.
        waitFor([&] { return std::filesystem::exists(file) && std::filesystem::file_size(file) > 44 + 44100; }, 5000);
        form->UpdateActions();
        form->Action("FilePause")->trigger();
        waitFor([] { return false; }, 300);
        form->UpdateActions();
        form->Journal()->WaitIdle();
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (bytes.size() <= 44 + 44100) return "only " + std::to_string(bytes.size()) + " bytes recorded";
        std::ofstream(expected, std::ios::binary) << bytes.substr(44);
        return "";
    });
    ASSERT_EQ(child, "");

    boxes.answers = {MessageAnswer::Yes};
    TMainForm form;
    form.StartJournal(root.string());
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown[0].text.substr(0, 28), "Recover 1 unsaved documents?");
    ASSERT_EQ(form.Workspace().Units().size(), 1u) << (boxes.shown.size() > 1 ? boxes.shown[1].text : "");
    auto& doc = static_cast<TUnitWave&>(*form.Workspace().Units()[0]);
    std::ifstream in(expected, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int> recorded(bytes.size() / 2);
    for (size_t i = 0; i < recorded.size(); ++i)
        recorded[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    EXPECT_EQ(doc.GetMoSt(), 1);
    EXPECT_EQ(doc.GetFreq(), 44100);
    EXPECT_EQ(doc.State, unitStateNew);
    EXPECT_EQ(samplesOf(doc.TheSound->Channel(0)), recorded);
    EXPECT_GT(*std::max_element(recorded.begin(), recorded.end()), 1000);  // the sine, not silence
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
