#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <deque>
#include <random>

#include "ShellApp.h"
#include "TestSupport.h"
#include "core/WavFile.h"
#include "shell/ChildWave.h"
#include "shell/DVoldViewProps.h"
#include "shell/Main.h"
#include "wavewindow/VoldColumns.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

QApplication& guiApp() { return ShellApp(); }

// Plays and records nothing; keeps its notifications until delivered.
class FakePlayer : public MediaPlayer {
public:
    TMediaMode mode = mpNotReady;
    std::string file;
    std::unique_ptr<Sound> recording;
    int notifications = 0;

    bool Open(const std::string& f, std::string&) override {
        Close();
        file = f;
        mode = mpStopped;
        return true;
    }
    void Close() override {
        end();
        mode = mpNotReady;
    }
    bool Play(bool notify, std::string&) override {
        mode = mpPlaying;
        armed_ = request_ = notify;
        return true;
    }
    bool StartRecording(bool notify, std::string&) override {
        mode = mpRecording;
        armed_ = request_ = notify;
        return true;
    }
    void Pause() override {
        end();
        paused_ = mode;
        mode = mpPaused;
    }
    void Resume() override {
        mode = paused_;
        armed_ = request_;
    }
    void Stop() override {
        end();
        mode = mpStopped;
    }
    bool Save(std::string&) override {
        bool failed = false;
        return recording && WriteWaveFile(failed, file, *recording, 0, recording->GetValues(), true);
    }
    TMediaMode Mode() const override { return mode; }
    double played = 0;
    double PlayedSeconds() const override { return played; }
    void ReachEnd() {
        mode = mpStopped;
        end();
    }
    void Deliver() {
        for (; notifications > 0; --notifications)
            if (Notify) Notify();
    }

private:
    void end() {
        if (armed_) ++notifications;
        armed_ = false;
    }
    bool armed_ = false, request_ = false;
    TMediaMode paused_ = mpNotReady;
};

class Runner : public TDialogRunner {
public:
    std::deque<std::function<int(QDialog&)>> dialogs;
    int Run(QDialog& dialog) override {
        if (dialogs.empty()) return QDialog::Rejected;
        auto script = dialogs.front();
        dialogs.pop_front();
        return script(dialog);
    }
};

class PlayVoldWindowTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        guiApp();
        form = std::make_unique<TMainForm>();
        auto p = std::make_unique<FakePlayer>();
        player = p.get();
        form->SetMediaPlayer(std::move(p));
        auto r = std::make_unique<Runner>();
        runner = r.get();
        form->SetDialogRunner(std::move(r));
        form->show();
    }
    void TearDown() override {
        form.reset();
        CoreFixture::TearDown();
    }
    bool enabled(const char* name) {
        form->UpdateActions();
        return form->Action(name)->isEnabled();
    }
    bool checked(const char* name) {
        form->UpdateActions();
        return form->Action(name)->isChecked();
    }
    void trigger(const char* name) {
        ASSERT_TRUE(enabled(name)) << name;
        form->Action(name)->trigger();
        form->UpdateActions();
    }

    std::unique_ptr<TMainForm> form;
    FakePlayer* player = nullptr;
    Runner* runner = nullptr;
};

// The sample that sounds is marked in its window and the time played stands
// in the status bar; both go when the playing ends.
TEST_F(PlayVoldWindowTest, ThePlayCursorFollowsThePlayedTime) {
    TMDIChildWave* other = form->AddWaveWindow(
        std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(std::vector<int>(100)), 1000, 2), "o.wav"));
    TMDIChildWave* w = form->AddWaveWindow(
        std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(std::vector<int>(8000)), 1000, 2), "x.wav"));
    w->Doc()->SetRange(2000, 6000);
    trigger("FilePlay");
    struct Step {
        double played;
        int32_t cursor;
        const char* panel;
    };
    for (const Step& step : {Step{0, 2000, "Playing 0.00000 s of 4.00000 s"},
                             Step{1.5, 3500, "Playing 1.50000 s of 4.00000 s"},
                             Step{9, 6000, "Playing 4.00000 s of 4.00000 s"}}) {
        player->played = step.played;
        form->PlayTick();
        EXPECT_EQ(w->PlayCursor(), step.cursor);
        EXPECT_EQ(other->PlayCursor(), -1);
        EXPECT_EQ(form->Panel(0)->text().toStdString(), step.panel);
    }
    player->ReachEnd();
    player->Deliver();
    form->PlayTick();
    EXPECT_EQ(w->PlayCursor(), -1);
    EXPECT_EQ(form->Panel(0)->text().toStdString(), "");
}

TEST_F(PlayVoldWindowTest, PlaySelectionPauseResumeAndStop) {
    TMDIChildWave* w = form->AddWaveWindow(
        std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({1, 2, 3, 4, 5, 6, 7}), 8000, 2), "x.wav"));
    w->Doc()->SetFirstEnd(5);
    w->Doc()->SetSecondEnd(2);
    EXPECT_FALSE(enabled("FileStop"));
    EXPECT_FALSE(enabled("FileRecord"));  // the wave holds samples
    trigger("FilePlay");
    std::unique_ptr<Sound> played;
    std::string reason;
    ASSERT_TRUE(ReadWaveFile(player->file, played, reason));
    EXPECT_EQ(samplesOf(played->Channel(0)), (std::vector<int>{3, 4, 5}));
    EXPECT_TRUE(checked("FilePlay"));
    EXPECT_TRUE(enabled("FileStop"));

    trigger("FilePause");
    EXPECT_EQ(player->mode, mpPaused);
    EXPECT_TRUE(checked("FilePause"));
    player->Deliver();
    EXPECT_TRUE(checked("FilePlay"));
    trigger("FilePause");
    EXPECT_EQ(player->mode, mpPlaying);
    EXPECT_FALSE(checked("FilePause"));
    trigger("FileStop");
    EXPECT_FALSE(checked("FilePlay"));
    EXPECT_FALSE(enabled("FileStop"));
    EXPECT_EQ(player->mode, mpNotReady);
}

TEST_F(PlayVoldWindowTest, RecordIntoANewWave) {
    WaveFileProps props;
    props.MonoStereo = 1;
    props.SampleFreq = 8000;
    TMDIChildWave* w = form->AddWaveWindow(std::make_unique<TUnitWave>(props, "new.wav"));
    trigger("FileRecord");
    EXPECT_TRUE(checked("FileRecord"));
    EXPECT_EQ(player->mode, mpRecording);
    EXPECT_FALSE(enabled("FilePause"));
    player->recording = std::make_unique<MonoSound>(makeWave({9, 8, 7, 6}), 8000, 2);
    trigger("FileStop");
    EXPECT_FALSE(checked("FileRecord"));
    EXPECT_EQ(samplesOf(w->Doc()->TheSound->Channel(0)), (std::vector<int>{9, 8, 7, 6}));
    EXPECT_TRUE(enabled("FilePlay"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(PlayVoldWindowTest, VolumeDiagramDialogRefusesEqualPeriodsThenSwitchesTheView) {
    TMDIChildWave* w = form->AddWaveWindow(
        std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({1, 2, 3}), 8000, 2), "x.wav"));
    QString shownTop;
    runner->dialogs.push_back([&](QDialog& d) {
        auto& v = static_cast<TDlgVoldViewProps&>(d);
        shownTop = v.editTop->text();
        v.editTop->setText("1 kHz");
        v.editBottom->setText("1 ms");
        d.accept();
        return d.result();
    });
    trigger("ViewVold");
    EXPECT_EQ(shownTop, "4000 Hz");  // raised to two periods of 8000 Hz
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "Top Frequency and Bottom Frequency must be different.");
    EXPECT_EQ(w->ViewKind(), TMDIChildWave::viewWave);

    runner->dialogs.push_back([](QDialog& d) {
        auto& v = static_cast<TDlgVoldViewProps&>(d);
        v.editVertical->setText("20");
        v.chkUseAsDefault->setChecked(true);
        d.accept();
        return d.result();
    });
    trigger("ViewVold");
    EXPECT_EQ(w->ViewKind(), TMDIChildWave::viewVold);
    EXPECT_TRUE(checked("ViewVold"));
    EXPECT_EQ(w->VoldViewProps().Vertical.GetValue(), 20);
    EXPECT_EQ(form->VoldViewDefault().Vertical.GetValue(), 20);
    w->Client()->repaint();  // paints the diagram without trouble
}

// Runs the event loop until `done`, or for at most `ms`.
bool spinUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST_F(PlayVoldWindowTest, TheDiagramOfALongWaveArrivesBesideTheWindowAndIsKeptForRepaints) {
    // Four minutes of stereo: too long to compute while the window waits.
    bool failed = false;
    const int32_t values = 4 * 60 * 44100;
    auto l = Wave::create(failed, values), r = Wave::create(failed, values);
    std::mt19937 rng(2);
    for (int32_t i = 0; i < values; ++i) {
        l->wave[i] = static_cast<int16_t>(rng() >> 17);
        r->wave[i] = static_cast<int16_t>(20000 * std::sin(i * 0.01));
    }
    TMDIChildWave* w = form->AddWaveWindow(
        std::make_unique<TUnitWave>(std::make_unique<StereoSound>(std::move(l), std::move(r), 44100, 2), "long.wav"));
    w->Doc()->SetFirstEnd(values / 3);
    w->Doc()->SetSecondEnd(values / 2);
    w->parentWidget()->resize(700, 300);
    QApplication::processEvents();
    ASSERT_TRUE(w->Client()->isVisible());
    w->SetVoldView(w->VoldViewProps());
    w->Client()->repaint();
    const TVoldComputation* columns = w->VoldDiagram().Current();
    ASSERT_NE(columns, nullptr);
    ASSERT_TRUE(spinUntil([&] { return !w->VoldDiagram().Computing(); }, 120000));
    QApplication::processEvents();

    // What the window shows is the diagram of the whole view.
    TVoldPaintArgs a;
    a.TheSound = w->Doc()->TheSound.get();
    a.Props = &w->VoldViewProps();
    a.Map = w->Mapping();
    a.Bottom = w->Client()->height();
    a.SelBegin = w->Doc()->SelBegin();
    a.SelEnd = w->Doc()->SelEnd();
    a.Cursor = w->Doc()->FirstSel;
    ImageCanvas want(a.Map.Right, a.Bottom);
    PaintVoldView(want, a, 0, a.Map.Right);
    QImage shown = w->Client()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.width(), a.Map.Right);
    int wrong = 0;
    for (int y = 0; y < a.Bottom; ++y)
        for (int x = 0; x < a.Map.Right; ++x) {
            QRgb c = shown.pixel(x, y);
            wrong += RGBColor(qRed(c), qGreen(c), qBlue(c)) != want.GetPixel(x, y);
        }
    EXPECT_EQ(wrong, 0);

    // Repaints, a new selection and a colour use the kept columns.
    w->Client()->repaint();
    w->Doc()->SetCursor(values / 5);
    TVoldViewProps props = w->VoldViewProps();
    props.Single = RGBColor(200, 100, 0);
    w->SetVoldView(props);
    w->Client()->repaint();
    EXPECT_EQ(w->VoldDiagram().Current(), columns);
    EXPECT_FALSE(w->VoldDiagram().Computing());

    // An edit near the end keeps the columns before it.
    w->Doc()->SetFirstEnd(values - 44100);
    w->Doc()->SetSecondEnd(values);
    trigger("Reverse");
    w->Client()->repaint();
    ASSERT_NE(w->VoldDiagram().Current(), columns);
    EXPECT_GT(w->VoldDiagram().Current()->Ready(), w->VoldDiagram().Current()->Events().size() * 9 / 10);
    ASSERT_TRUE(spinUntil([&] { return !w->VoldDiagram().Computing(); }, 120000));
}

}  // namespace
