// The edit history in the window: states recorded per command, stepped
// through back and forth, kept within the memory and disk budgets.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <regex>

#include "MainFormFixture.h"
#include "ShellApp.h"
#include "TestSupport.h"
#include "core/WavFile.h"
#include "shell/ChildWave.h"
#include "shell/HistoryPanel.h"
#include "musicfile/MuzFile.h"
#include "shell/Main.h"
#include "shell/MusicUndo.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class HistoryTest : public MainFormFixture {
protected:
    TMDIChildWave* openSamples(const std::vector<int>& samples) {
        auto doc = std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), 1000, 2), "x.wav");
        TMDIChildWave* w = form->AddWaveWindow(std::move(doc));
        form->UpdateActions();
        return w;
    }
    std::vector<int> samples(TMDIChildWave* w) { return samplesOf(w->Doc()->TheSound->GetLeft()); }
    const THistory& historyOf(TMDIChildWave* w) {
        const THistory* h = form->History().Find(*w->Doc());
        EXPECT_NE(h, nullptr);
        return *h;
    }
    // Ten commands that each change the wave, alternating so that no two
    // neighbouring states are alike; the samples after each, the opened ones first.
    std::vector<std::vector<int>> tenCommands(TMDIChildWave* w) {
        std::vector<std::vector<int>> seen{samples(w)};
        const char* commands[] = {"Reverse", "MaxVolume", "EditDelete", "Reverse", "EditDelete",
                                  "Reverse", "MaxVolume", "EditDelete", "Reverse", "EditDelete"};
        for (const char* command : commands) {
            if (std::string(command) == "EditDelete") w->Doc()->SetRange(0, 1);
            trigger(command);
            seen.push_back(samples(w));
        }
        return seen;
    }

    QTemporaryDir dir;
};

TEST_F(HistoryTest, HistoryStepsTenWaveCommandsBackToTheFirstStateAndForwardAgain) {
    TMDIChildWave* w = openSamples({100, -200, 300, -400, 500, -600, 700, -800, 900, -1000, 1100, -1200, 1300});
    EXPECT_FALSE(enabled("StepBack"));
    EXPECT_FALSE(enabled("StepForward"));
    const std::vector<std::vector<int>> seen = tenCommands(w);
    const THistory& h = historyOf(w);
    ASSERT_EQ(h.States.size(), 11u);
    EXPECT_EQ(h.Current, 10);
    const std::regex time(", [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$");
    for (const THistoryState& s : h.States) EXPECT_TRUE(std::regex_search(s.Name, time)) << s.Name;
    EXPECT_EQ(h.States[0].Name.substr(0, 6), "Open, ");
    EXPECT_EQ(h.States[1].Name.substr(0, 9), "Reverse, ");
    EXPECT_EQ(h.States[2].Name.substr(0, 16), "Maximal Volume, ");
    EXPECT_EQ(h.States[3].Name.substr(0, 8), "Delete, ");

    for (int i = 9; i >= 0; --i) {
        trigger("StepBack");
        ASSERT_EQ(samples(w), seen[i]) << "back to state " << i;
        EXPECT_EQ(h.Current, i);
    }
    EXPECT_FALSE(enabled("StepBack"));
    // Stepping is a change of the document, and no state of its own.
    EXPECT_EQ(w->Doc()->State, unitStateChanged);
    EXPECT_EQ(h.States.size(), 11u);
    for (int i = 1; i <= 10; ++i) {
        trigger("StepForward");
        ASSERT_EQ(samples(w), seen[i]) << "forward to state " << i;
    }
    EXPECT_FALSE(enabled("StepForward"));

    // A step takes the one undo step: Undo returns to where it started, and
    // is recorded as a state of its own, after which there is nothing forward.
    trigger("StepBack");
    trigger("StepBack");
    ASSERT_EQ(samples(w), seen[8]);
    trigger("Undo");
    EXPECT_EQ(samples(w), seen[9]);
    ASSERT_EQ(h.States.size(), 10u);
    EXPECT_EQ(h.States.back().Name.substr(0, 6), "Undo, ");
    EXPECT_FALSE(enabled("StepForward"));
}

TEST_F(HistoryTest, HistoryCommandAfterAStepBackDropsTheForwardStates) {
    TMDIChildWave* w = openSamples({1, 2, 3, 4, 5, 6});
    trigger("Reverse");
    w->Doc()->SetRange(0, 2);
    trigger("EditDelete");
    trigger("StepBack");
    trigger("StepBack");
    ASSERT_EQ(samples(w), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(enabled("StepForward"));
    trigger("MaxVolume");
    const THistory& h = historyOf(w);
    ASSERT_EQ(h.States.size(), 2u);
    EXPECT_EQ(h.Current, 1);
    EXPECT_EQ(h.States[1].Name.substr(0, 16), "Maximal Volume, ");
    EXPECT_FALSE(enabled("StepForward"));
    trigger("StepBack");
    EXPECT_EQ(samples(w), (std::vector<int>{1, 2, 3, 4, 5, 6}));

    // Selecting makes no state.
    w->Doc()->SetRange(1, 3);
    form->UpdateActions();
    EXPECT_EQ(h.States.size(), 2u);
}

TEST_F(HistoryTest, HistoryOverTheMemoryBudgetSpillsToDiskAndComesBackSampleExact) {
    // No journal: the states go to a private folder, removed with the window.
    form->History().SetBudgets(1, 0);
    TMDIChildWave* w = openSamples({100, -200, 300, -400, 500, -600, 700, -800, 900, -1000, 1100, -1200, 1300});
    const std::vector<std::vector<int>> seen = tenCommands(w);
    // The files are written by a worker; the window lets the sounds go once
    // they are on disk.
    form->History().WaitSpills();
    form->UpdateActions();
    const THistory& h = historyOf(w);
    ASSERT_EQ(h.States.size(), 11u);
    // Only what the document shows is in memory.
    EXPECT_EQ(form->History().MemoryHeld(form->Workspace().Units()), 0u);
    const std::string folder = form->History().Folder();
    ASSERT_FALSE(folder.empty());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(h.States[i].TheSound, nullptr) << i;
        ASSERT_NE(h.States[i].File, nullptr) << i;
        EXPECT_TRUE(std::filesystem::exists(h.States[i].File->Path)) << i;
    }
    for (int i = 9; i >= 0; --i) {
        trigger("StepBack");
        ASSERT_EQ(samples(w), seen[i]) << "back to state " << i;
    }
    for (int i = 1; i <= 10; ++i) {
        trigger("StepForward");
        ASSERT_EQ(samples(w), seen[i]) << "forward to state " << i;
    }
    // The states go with their window, and the folder with the window.
    boxes.answers = {MessageAnswer::No};
    ASSERT_TRUE(qobject_cast<QMdiSubWindow*>(w->parentWidget())->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form->UpdateActions();
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    form.reset();
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(HistoryTest, HistoryBeyondTheDiskBudgetDropsTheOldestWithALine) {
    // 13 samples of 16-bit mono: each state on disk is 44 + 26 bytes at most.
    form->History().SetBudgets(1, 3 * 70);
    TMDIChildWave* w = openSamples({100, -200, 300, -400, 500, -600, 700, -800, 900, -1000, 1100, -1200, 1300});
    const std::vector<std::vector<int>> seen = tenCommands(w);
    form->History().WaitSpills();
    form->UpdateActions();
    const THistory& h = historyOf(w);
    EXPECT_LE(form->History().DiskHeld(h), 3u * 70);
    EXPECT_EQ(static_cast<int>(h.States.size()) + h.Dropped, 11);
    ASSERT_GT(h.Dropped, 0);
    trigger("ViewHistory");
    QListWidget* list = form->HistoryPanel()->List();
    ASSERT_EQ(list->count(), static_cast<int>(h.States.size()) + 1);
    EXPECT_EQ(list->item(0)->text().toStdString(),
              std::to_string(h.Dropped) + " older states dropped: the history's disk budget is full.");
    // The oldest state left is the one after the dropped ones.
    while (enabled("StepBack")) trigger("StepBack");
    EXPECT_EQ(samples(w), seen[h.Dropped]);
}

TEST_F(HistoryTest, HistoryPanelFollowsTheActiveWindowAndAClickGoesToAState) {
    TMDIChildWave* a = openSamples({1, 2, 3});
    trigger("Reverse");
    TMDIChildWave* b = openSamples({5, 6});
    trigger("ViewHistory");
    QListWidget* list = form->HistoryPanel()->List();
    ASSERT_TRUE(form->HistoryPanel()->isVisible());
    form->UpdateActions();
    EXPECT_EQ(list->count(), 1);
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(a->parentWidget()));
    form->UpdateActions();
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(1)->text().startsWith(QString::fromUtf8("\u25B6 Reverse, ")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    form->UpdateActions();
    EXPECT_EQ(samples(a), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(list->item(0)->text().startsWith(QString::fromUtf8("\u25B6 Open, ")));
    EXPECT_EQ(samples(b), (std::vector<int>{5, 6}));
}

// The keys as a user presses them: Reverse and Maximal Volume twice, four
// steps back, and the saved file is the one that was opened.
TEST_F(HistoryTest, HistoryKeysStepBackToTheOpenedFileAndSaveIt) {
    const std::string path = dir.filePath("keys.wav").toStdString();
    bool failed = false;
    MonoSound original(makeWave({300, -200, 100, 50, -25, 12, 6000, -3}), 8000, 2);
    ASSERT_TRUE(WriteWaveFile(failed, path, original, 0, original.GetValues(), false));
    const std::string before = readFileBytes(path);
    form->OpenWaveFiles({QString::fromStdString(path)});
    ASSERT_NE(form->ActiveWaveChild(), nullptr);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->ActiveWaveChild()->setFocus();
    for (const char* key : {"R", "Shift+V", "R", "Shift+V", "Alt+Backspace", "Alt+Backspace", "Alt+Backspace",
                            "Alt+Backspace", "Ctrl+S"}) {
        form->UpdateActions();
        QTest::keySequence(form.get(), QKeySequence(key));
        form->UpdateActions();
    }
    std::unique_ptr<Sound> saved;
    std::string reason;
    ASSERT_TRUE(ReadWaveFile(path, saved, reason)) << reason;
    EXPECT_EQ(samplesOf(saved->GetLeft()), samplesOf(original.GetLeft()));
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->State, unitStateSaved);
    EXPECT_EQ(readFileBytes(path), before);
}

}  // namespace

namespace {

// A score whose text costs more than 2 ms is put in text at most every ten
// times as long: the edits in between are one undo step and one history
// state. An Undo (or a step) catches up at once.
TEST(MusicUndoWatchTest, HistoryOfALargeScoreSpacesOutItsTextsAndAForcedCatchUpTakesAtOnce) {
    TWorkspace space;
    auto made = std::make_unique<TUnitMuz>();
    made->InitNew();
    TUnitMuz& doc = *made;
    space.AddUnit(std::move(made));
    TMusicUndoWatch watch;
    // Every reading of the clock is 3 ms after the one before, so every
    // text "takes" 3 ms and the next may come 30 ms after it started.
    std::chrono::steady_clock::time_point now{};
    watch.SetClock([&] { return now += std::chrono::milliseconds(3); });
    auto textOf = [&] {
        std::string text, message;
        EXPECT_TRUE(MuzText(doc, text, message)) << message;
        return text;
    };
    auto edit = [&](double tempo) {
        doc.Tempo = unitTimePosMore{tempo, ucSecond};
        doc.MarkChanged();
    };
    watch.Idle(space, nullptr);
    const std::string opened = textOf();
    ASSERT_NE(watch.Kept(doc), nullptr);

    edit(2);
    watch.Idle(space, nullptr);
    EXPECT_TRUE(watch.Deferred());
    EXPECT_FALSE(space.HasUndo());
    EXPECT_EQ(watch.Kept(doc), nullptr);  // the history waits too
    edit(3);
    now += std::chrono::milliseconds(40);
    watch.Idle(space, nullptr);
    EXPECT_FALSE(watch.Deferred());
    ASSERT_TRUE(space.HasUndo());
    // Both edits are one step: it holds the score as it was before the first.
    const auto* step = dynamic_cast<const TMuzUndoUnit*>(space.UndoStep());
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(*step->Text, opened);
    ASSERT_NE(watch.Kept(doc), nullptr);
    EXPECT_EQ(*watch.Kept(doc)->Text, textOf());

    const std::string three = textOf();
    edit(4);
    watch.Idle(space, nullptr, true);
    EXPECT_FALSE(watch.Deferred());
    step = dynamic_cast<const TMuzUndoUnit*>(space.UndoStep());
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(*step->Text, three);
}

}  // namespace
