// The recovery journal from the outside: a window is killed with SIGKILL in
// a process of its own, and a new window offers back what it had not saved.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <chrono>
#include <thread>

#include "KillHarness.h"
#include "ShellApp.h"
#include <QMdiArea>
#include <QMdiSubWindow>

#include "TestSupport.h"
#include "core/WavFile.h"
#include "journal/Journal.h"
#include "music/TUnitMuz.h"
#include "musicfile/MuzFile.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/Main.h"
#include "shell/QtMessages.h"

using namespace korvane;
using namespace korvane::testing;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) { return readFileBytes(path.string()); }

void writeAll(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string musicText(TUnitMuz& doc) {
    std::string text, message;
    EXPECT_TRUE(MuzText(doc, text, message)) << message;
    return text;
}

// What a document was just before the kill, as the child writes it down.
std::string describe(const TUnit& unit) {
    std::ostringstream out;
    out << unit.Name << "|" << unit.FileName << "|" << int(unit.State);
    if (unit.Kind == unitKindWave) {
        auto& wave = static_cast<const TUnitWave&>(unit);
        out << "|" << wave.FirstSel << "|" << wave.SecondSel;
    }
    return out.str();
}

class RecoveryTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        ShellApp();
        folder = fs::path(dir.path().toStdString());
        root = folder / "journal";
        for (const char* name : {"demo-chord.wav", "sample.wav", "music-demo.korvanem"})
            fs::copy_file(fs::path(KORVANE_SOURCE_DIR) / "examples" / name, folder / name);
    }

    std::unique_ptr<TMainForm> window() {
        auto form = std::make_unique<TMainForm>();
        form->SetDialogRunner(std::make_unique<ScriptedRunner>());
        form->show();
        return form;
    }
    static bool trigger(TMainForm& form, const char* name) {
        form.UpdateActions();
        QAction* a = form.Action(name);
        if (!a || !a->isEnabled()) return false;
        a->trigger();
        form.UpdateActions();
        return true;
    }

    // In the child: a wave with a part deleted and another part selected.
    static std::string editWave(TMainForm& form, const fs::path& file, int32_t cut, std::string& expected) {
        form.OpenWaveFiles({QString::fromStdString(file.string())});
        TMDIChildWave* w = form.ActiveWaveChild();
        if (!w) return "the wave did not open";
        w->Doc()->SetRange(cut, cut + 700);
        if (!trigger(form, "EditDelete")) return "Delete was not enabled";
        w->Doc()->SetRange(cut / 2, cut + 40);
        expected += describe(*w->Doc()) + "\n";
        return "";
    }
    // In the child: the first note of the demo music gets a point and a sharp.
    static std::string editMusic(TMainForm& form, const fs::path& file, std::string& expected) {
        form.OpenMusicFiles({QString::fromStdString(file.string())});
        TMDIChildMuz* m = form.ActiveMusicChild();
        if (!m) return "the music did not open";
        TUnitMuz& doc = *m->Doc();
        doc.AutoPlay = false;
        if (!trigger(form, "MusicModeEdit")) return "no Select and Edit";
        TMuzNote* note = nullptr;
        for (TStaveSymbol* s = doc.FirstSinglePart()->GetFirstSymbol(); s && !note; s = s->Next)
            note = dynamic_cast<TMuzNote*>(s);
        if (!note) return "the demo has no note";
        doc.SetSelectedSymbol(note);
        // On a slow machine the score's text takes long to make, and the
        // window and the journal then space their copies out: two edits
        // close together become one state. Each edit here is to be a state
        // of its own, in the history and in the journal.
        auto settled = [&](size_t states) {
            for (int i = 0; i < 1000; ++i) {
                form.UpdateActions();
                const THistory* h = form.History().Find(doc);
                const bool kept = !h || h->States.size() >= states;  // no history kept, nothing spaced
                if (kept && !(form.Journal() && form.Journal()->Deferred())) {
                    if (form.Journal()) form.Journal()->WaitIdle();
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return false;
        };
        if (!settled(1)) return "the opened score is not in the history";
        if (!trigger(form, "MusicPointAdd")) return "the note edits were not enabled";
        if (!settled(2)) return "the point is not in the history";
        if (!trigger(form, "MusicNSCross")) return "the note edits were not enabled";
        if (!settled(3)) return "the sharp is not in the history";
        if (doc.State != unitStateChanged) return "the music did not change";
        expected += describe(doc) + "\n";
        return "";
    }
    // In the child: everything written down, and the journal caught up.
    std::string finish(TMainForm& form, const std::string& expected) {
        // A large score's copies are spaced out, so the last edit may still
        // be waiting for its turn (the window's timer would take it up).
        form.UpdateActions();
        for (int i = 0; i < 1000 && form.Journal()->Deferred(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            form.UpdateActions();
        }
        if (form.Journal()->Deferred()) return "the journal kept putting the last edit off";
        form.Journal()->WaitIdle();
        int wave = 0;
        for (const auto& unit : form.Workspace().Units()) {
            if (unit->Kind == unitKindWave) {
                bool failed = false;
                auto& doc = static_cast<TUnitWave&>(*unit);
                const fs::path to = folder / ("expected-" + std::to_string(++wave) + ".wav");
                if (!WriteWaveFile(failed, to.string(), *doc.TheSound, 0, doc.GetValues(), true)) return "write";
            } else {
                writeAll(folder / "expected-music.korvanem", musicText(static_cast<TUnitMuz&>(*unit)));
            }
        }
        writeAll(folder / "expected.txt", expected);
        return "";
    }

    // In the parent: a new window, its question answered Yes.
    std::unique_ptr<TMainForm> recover() {
        boxes.answers = {MessageAnswer::Yes};
        auto form = window();
        form->StartJournal(root.string());
        return form;
    }
    std::vector<std::string> expectedLines() {
        std::vector<std::string> lines;
        std::istringstream in(readAll(folder / "expected.txt"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    static int windowFolders(const fs::path& root) {
        int n = 0;
        for (const auto& item : fs::directory_iterator(root))
            if (item.path().filename().string().rfind("window-", 0) == 0) ++n;
        return n;
    }

    QTemporaryDir dir;
    fs::path folder, root;
};

}  // namespace

TEST_F(RecoveryTest, AKilledWindowsWaveAndMusicComeBackExactlyAsTheyWere) {
    const std::string child = RunAndKill(folder, [&]() -> std::string {
        auto form = window();
        form->StartJournal(root.string());
        if (!form->Journal()) return "no journal";
        std::string expected;
        std::string problem = editWave(*form, folder / "demo-chord.wav", 3000, expected);
        if (problem.empty()) problem = editMusic(*form, folder / "music-demo.korvanem", expected);
        return problem.empty() ? finish(*form, expected) : problem;
    });
    ASSERT_EQ(child, "");
    ASSERT_EQ(windowFolders(root), 1);

    auto form = recover();
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown[0].title, "Korvane");
    EXPECT_EQ(boxes.shown[0].text, "Recover 2 unsaved documents?\n" + (folder / "demo-chord.wav").string() + "\n" +
                                       (folder / "music-demo.korvanem").string() +
                                       "\n\nNo discards them; Cancel keeps them for the next start.");
    ASSERT_EQ(form->Workspace().Units().size(), 2u);
    EXPECT_EQ(form->Children().size(), 2u);
    const std::vector<std::string> expected = expectedLines();
    ASSERT_EQ(expected.size(), 2u);
    auto& wave = static_cast<TUnitWave&>(*form->Workspace().Units()[0]);
    auto& music = static_cast<TUnitMuz&>(*form->Workspace().Units()[1]);
    ASSERT_EQ(wave.Kind, unitKindWave);
    ASSERT_EQ(music.Kind, unitKindMuz);
    EXPECT_EQ(describe(wave), expected[0]);
    EXPECT_EQ(describe(music), expected[1]);
    std::unique_ptr<Sound> before;
    std::string reason;
    ASSERT_TRUE(ReadWaveFile((folder / "expected-1.wav").string(), before, reason));
    ASSERT_EQ(wave.GetValues(), before->GetValues());
    EXPECT_EQ(wave.GetMoSt(), before->MoSt);
    EXPECT_EQ(wave.GetFreq(), before->Freq);
    for (int c = 0; c < before->MoSt; ++c)
        EXPECT_EQ(samplesOf(wave.TheSound->Channel(c)), samplesOf(before->Channel(c))) << "channel " << c;
    EXPECT_EQ(musicText(music), readAll(folder / "expected-music.korvanem"));

    // The old journal is gone once the new one holds both; a clean exit
    // that gives both up leaves no journal.
    ASSERT_EQ(windowFolders(root), 1);
    EXPECT_EQ(TJournalRecovery(root.string()).Count(), 0);  // this window's own, and locked
    boxes.answers = {MessageAnswer::No, MessageAnswer::No};
    EXPECT_TRUE(form->close());
    EXPECT_EQ(windowFolders(root), 0);
}

// One entry cut off as a crash in its write would leave it (and another
// whose wave file lost its end): the question still counts them, the others
// come back, and one message names what could not be read.
TEST_F(RecoveryTest, ADamagedEntryIsSkippedWithOneMessageAndTheOthersComeBack) {
    const std::string child = RunAndKill(folder, [&]() -> std::string {
        auto form = window();
        form->StartJournal(root.string());
        std::string expected;
        std::string problem = editWave(*form, folder / "demo-chord.wav", 2000, expected);
        if (problem.empty()) problem = editWave(*form, folder / "sample.wav", 1000, expected);
        if (problem.empty()) problem = editMusic(*form, folder / "music-demo.korvanem", expected);
        return problem.empty() ? finish(*form, expected) : problem;
    });
    ASSERT_EQ(child, "");
    fs::path journal;
    for (const auto& item : fs::directory_iterator(root)) journal = item.path();
    // The first wave's entry loses its second half, the second wave's file
    // all but its header.
    const std::string entry = readAll(journal / "1.entry");
    writeAll(journal / "1.entry", entry.substr(0, entry.size() / 2));
    for (const auto& item : fs::directory_iterator(journal))
        if (item.path().filename().string().rfind("2-", 0) == 0) fs::resize_file(item.path(), 30);

    auto form = recover();
    ASSERT_GE(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text.substr(0, 28), "Recover 3 unsaved documents?");
    EXPECT_NE(boxes.shown[0].text.find("1.entry (damaged)"), std::string::npos) << boxes.shown[0].text;
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, "Error");
    const std::string& message = boxes.shown[1].text;
    EXPECT_EQ(message.substr(0, message.find('\n')), "These unsaved documents could not be recovered:");
    EXPECT_NE(message.find((journal / "1.entry").string() + ": it is incomplete"), std::string::npos) << message;
    EXPECT_NE(message.find((folder / "sample.wav").string()), std::string::npos) << message;
    ASSERT_EQ(form->Workspace().Units().size(), 1u);
    auto& music = static_cast<TUnitMuz&>(*form->Workspace().Units()[0]);
    ASSERT_EQ(music.Kind, unitKindMuz);
    EXPECT_EQ(describe(music), expectedLines().at(2));
    EXPECT_EQ(musicText(music), readAll(folder / "expected-music.korvanem"));
    EXPECT_EQ(message.substr(message.size() - 57), "\n\nKeep their copies for the next start? No discards them.");

    // What did not come back stays for the next start (the box was
    // answered with Cancel); only the music, safe in the new journal, went.
    std::set<std::string> left;
    for (const auto& item : fs::directory_iterator(journal))
        if (item.path().filename() != "lock") left.insert(item.path().filename().string().substr(0, 2));
    EXPECT_EQ(left, (std::set<std::string>{"1.", "1-", "2.", "2-"}));
    EXPECT_EQ(TJournalRecovery(root.string()).Count(), 2);
    // Until the user discards it.
    boxes.shown.clear();
    boxes.answers = {MessageAnswer::Yes, MessageAnswer::No};
    auto again = window();
    again->StartJournal(root.string());
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_FALSE(fs::exists(journal));
}

// A document's name is whatever was typed or found in a journal: markup in it
// is shown as it is in every box, never rendered (nor its image loaded), and
// so in the status bar that shows file names.
TEST_F(RecoveryTest, BoxesAndPanelsShowNamesAsPlainText) {
    const std::string name = "<h1 style=\"color:red\">NONAME1</h1><img src=\"/tmp/x.png\">";
    TQtMessages sink;
    std::vector<Qt::TextFormat> formats;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        for (QLabel* label : box->findChildren<QLabel*>())
            if (label->text().toStdString().find(name) != std::string::npos) formats.push_back(label->textFormat());
        box->done(QMessageBox::Cancel);
    });
    poll.start(10);
    sink.show("Error", name, MessageIcon::Error);
    sink.askYesNoCancel("Korvane", "Recover 1 unsaved documents?\n" + name);
    sink.askYesNoCancel("Korvane", "Save changes?", name);
    sink.askOkCancel("Korvane", name);
    poll.stop();
    EXPECT_EQ(formats, std::vector<Qt::TextFormat>(4, Qt::PlainText));

    auto form = window();
    for (int i = 0; i < 8; ++i) {
        auto* panel = form->findChild<QLabel*>(QString("Panel%1").arg(i));
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(panel->textFormat(), Qt::PlainText) << i;
    }
}

// Five commands on a wave (the older states kept on disk by a small memory
// budget, the newer in memory) and two on a score, then a kill: both come
// back with every state, named as they were, and stepping back through them
// gives each state exactly.
TEST_F(RecoveryTest, HistoryOfAKilledWindowComesBackWithEveryState) {
    const std::string child = RunAndKill(folder, [&]() -> std::string {
        auto form = window();
        form->StartJournal(root.string());
        if (!form->Journal()) return "no journal";
        form->History().SetBudgets(200000, 0);
        form->OpenWaveFiles({QString::fromStdString((folder / "demo-chord.wav").string())});
        TMDIChildWave* w = form->ActiveWaveChild();
        if (!w) return "the wave did not open";
        bool failed = false;
        auto keep = [&](int n) {
            const fs::path to = folder / ("state-" + std::to_string(n) + ".wav");
            return WriteWaveFile(failed, to.string(), *w->Doc()->TheSound, 0, w->Doc()->GetValues(), true);
        };
        if (!keep(0)) return "write";
        int n = 0;
        for (const char* command : {"Reverse", "MaxVolume", "EditDelete", "Reverse", "EditDelete"}) {
            w->Doc()->SetRange(1000, 3000);
            if (!trigger(*form, command)) return std::string(command) + " was not enabled";
            if (!keep(++n)) return "write";
        }
        // Some states on disk already, the journal links them.
        form->History().WaitSpills();
        form->UpdateActions();
        std::string names;
        for (const THistoryState& s : form->History().Find(*w->Doc())->States) names += s.Name + "\n";
        writeAll(folder / "names.txt", names);
        std::string expected;
        if (std::string problem = editMusic(*form, folder / "music-demo.korvanem", expected); !problem.empty())
            return problem;
        return finish(*form, expected);
    });
    ASSERT_EQ(child, "");

    auto form = recover();
    ASSERT_EQ(form->Workspace().Units().size(), 2u);
    auto& wave = static_cast<TUnitWave&>(*form->Workspace().Units()[0]);
    auto& music = static_cast<TUnitMuz&>(*form->Workspace().Units()[1]);
    const THistory* h = form->History().Find(wave);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(h->States.size(), 6u);
    EXPECT_EQ(h->Current, 5);
    std::string names;
    for (const THistoryState& s : h->States) names += s.Name + "\n";
    EXPECT_EQ(names, readAll(folder / "names.txt"));
    auto* w = dynamic_cast<TMDIChildWave*>(form->Children()[0]);
    ASSERT_NE(w, nullptr);
    for (int i = 5; i >= 0; --i) {
        std::unique_ptr<Sound> expected;
        std::string reason;
        ASSERT_TRUE(ReadWaveFile((folder / ("state-" + std::to_string(i) + ".wav")).string(), expected, reason));
        for (int c = 0; c < expected->MoSt; ++c)
            ASSERT_EQ(samplesOf(wave.TheSound->Channel(c)), samplesOf(expected->Channel(c))) << "state " << i;
        if (i > 0) {
            form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(w->parentWidget()));
            ASSERT_TRUE(trigger(*form, "StepBack")) << "from state " << i;
        }
    }

    // The score: opened, a point, a sharp; back to the opened text.
    const THistory* m = form->History().Find(music);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->States.size(), 3u);
    EXPECT_EQ(m->States[0].Name.rfind("Open, ", 0), 0u) << m->States[0].Name;
    for (int i = 1; i < 3; ++i) EXPECT_NE(m->States[i].Name.rfind("Change, ", 0), 0u) << m->States[i].Name;
    auto* mw = dynamic_cast<TMDIChildMuz*>(form->Children()[1]);
    ASSERT_NE(mw, nullptr);
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(mw->parentWidget()));
    ASSERT_TRUE(trigger(*form, "StepBack"));
    ASSERT_TRUE(trigger(*form, "StepBack"));
    TUnitMuz opened;
    std::string message;
    ASSERT_TRUE(ReadMuzText(opened, readAll(folder / "music-demo.korvanem"), message)) << message;
    EXPECT_EQ(musicText(music), musicText(opened));
    boxes.answers = {MessageAnswer::No, MessageAnswer::No};
    EXPECT_TRUE(form->close());
}
