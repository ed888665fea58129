#include <gtest/gtest.h>

#include <cmath>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <deque>
#include <filesystem>
#include <set>

#include "MainFormFixture.h"
#include "ShellApp.h"
#include "TestSupport.h"
#include "audiofile/AudioFile.h"
#include "core/WavFile.h"
#include "shell/ChildWave.h"
#include "shell/ChildWaveRuler.h"
#include "shell/DExportProps.h"
#include "shell/FileTransfer.h"
#include "shell/DGenericProps.h"
#include "shell/DMergeProps.h"
#include "shell/DSplitHorProps.h"
#include "shell/DRegisterWave.h"
#include "shell/DWaveFileProp.h"
#include "shell/DWaveViewProps.h"
#include "shell/Help.h"
#include "shell/LongWorkDialog.h"
#include "music/TUnitMuz.h"
#include "shell/ChildMuz.h"
#include "shell/Main.h"
#include "shell/PropsDlg.h"
#include "shell/FreePlace.h"
#include "shell/WindowList.h"

using namespace korvane;
using namespace korvane::testing;

// Qt's font lookup keeps caches in fontconfig for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {


class MainFormTest : public MainFormFixture {
protected:

    TMDIChildWave* newWave(int channels = 2) {
        runner->dialogs.push_back([channels](QDialog& d) {
            static_cast<TDlgWaveFileProp&>(d).Channels(channels - 1)->setChecked(true);
            return pressOK(d);
        });
        trigger("FileNewWave");
        return form->ActiveWaveChild();
    }
    TMDIChildWave* openSamples(const std::vector<int>& samples, int freq = 1000) {
        auto doc = std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), freq, 2), "x.wav");
        return form->AddWaveWindow(std::move(doc));
    }
    // Makes a sine through the generic dialog, as typed.
    void makeSinus(const QString& count = "10") {
        runner->dialogs.push_back([count](QDialog& d) {
            dynamic_cast<TPropsDlg&>(d).Edit("Count")->setText(count);
            return pressOK(d);
        });
        trigger("MakeSinus");
    }
    std::string writeWave(const QString& name, int values) {
        std::string path = dir.filePath(name).toStdString();
        bool failed = false;
        MonoSound s(makeWave(std::vector<int>(values, 100)), 8000, 2);
        EXPECT_TRUE(WriteWaveFile(failed, path, s, 0, values, false));
        return path;
    }
    int closeActive() {
        size_t before = form->Children().size();
        form->MdiArea()->closeActiveSubWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return static_cast<int>(before - form->Children().size());
    }

    QTemporaryDir dir;
};

TEST_F(MainFormTest, WithoutAChildOnlyNewOpenExitAndHelpAreEnabled) {
    form->UpdateActions();
    std::set<QString> on;
    for (QAction* a : form->findChildren<QAction*>())
        if (!a->objectName().isEmpty() && a->isEnabled() && a->parent() == form.get()) on.insert(a->objectName());
    // Pause may be pressed before any Play, so that the next Play opens paused;
    // importing music opens a window as opening does.
    EXPECT_EQ(on, (std::set<QString>{"FileNewWave", "FileNewMuz", "FileOpenWave", "FileOpenMuz", "FileImport", "FileExit",
                                     "FilePause", "HelpContents",
                                     "HelpTopicSearch", "HelpOnHelp", "HelpAbout"}));
    for (const char* m : {"Edit", "View", "Make", "Effects", "Window", "Music"})
        EXPECT_FALSE(form->Menu(m)->menuAction()->isVisible()) << m;
    EXPECT_TRUE(form->Menu("File")->menuAction()->isVisible());
    EXPECT_FALSE(form->ToolBar("Basic")->isHidden());
    for (const char* t : {"View", "Make Waves", "Complex Manipulations", "Music Note"})
        EXPECT_TRUE(form->ToolBar(t)->isHidden()) << t;
    EXPECT_FALSE(form->NameBox()->isEnabled());
    for (int i = 2; i <= 6; ++i) EXPECT_TRUE(form->Panel(i)->text().isEmpty());
}

TEST_F(MainFormTest, ActionsCarryCaptionShortCutAndBothHints) {
    QAction* trim = form->Action("EditTrim");
    EXPECT_EQ(trim->text(), "&Trim");
    EXPECT_EQ(trim->shortcut(), QKeySequence("Shift+Ctrl+Del"));
    EXPECT_EQ(form->Action("DeleteUndo")->statusTip(), "Forget wave before last wave action");
    EXPECT_EQ(form->Action("FileNewWave")->statusTip(), "Create a new empty wave window");
    EXPECT_EQ(form->Action("FileNewWave")->toolTip(), "New Wave");
    EXPECT_EQ(form->Action("HelpAbout")->shortcut(), QKeySequence("Alt+F1"));
    // A hovered command's long hint goes to the first panel.
    form->Action("FileNewWave")->showStatusText(form.get());
    EXPECT_EQ(form->Panel(0)->text(), "Create a new empty wave window");
}

// With a wave window and with a music window active, every short cut of the
// commands of that moment reaches its command, and Alt and the underlined
// letter of each menu shown opens it; the music window's own Alt keys are
// not taken by a menu.
TEST_F(MainFormTest, EveryShortCutOfTheWindowTriggersItsActionAndTheMenusOpenByTheirMnemonics) {
    openSamples({1, 2, 3, 4, 5, 6, 7, 8});
    auto music = std::make_unique<TUnitMuz>();
    music->InitNew();
    for (int kind : {unitKindWave, unitKindMuz}) {
        if (kind == unitKindMuz) form->AddMusicWindow(std::move(music));
        form->UpdateActions();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        // Only the key path is under test: the commands themselves stay
        // quiet, and the actions of the moment are made available as if
        // their command applied.
        std::vector<QAction*> actions;
        for (const Command& c : Commands()) {
            QAction* a = form->Action(QString::fromStdString(c.action));
            if (!a || a->shortcuts().isEmpty()) continue;
            const bool now = c.kind == DocKind::None || static_cast<int>(c.kind) == kind;
            if (!now) {
                EXPECT_FALSE(a->isEnabled()) << c.action;
                continue;
            }
            QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
            a->setVisible(true);
            a->setEnabled(true);
            actions.push_back(a);
        }
        ASSERT_GT(actions.size(), 20u);
        QStringList missed;
        for (QAction* a : actions) {
            for (const QKeySequence& keys : a->shortcuts()) {
                QSignalSpy spy(a, &QAction::triggered);
                QTest::keySequence(form.get(), keys);
                if (spy.count() != 1) missed << a->objectName() + " " + keys.toString();
            }
        }
        EXPECT_TRUE(missed.isEmpty()) << kind << ": " << missed.join(", ").toStdString();

        std::set<QString> mnemonics;
        for (QAction* m : form->menuBar()->actions()) {
            if (!m->isVisible() || !m->menu()) continue;
            QKeySequence mnemonic = QKeySequence::mnemonic(m->text());
            ASSERT_FALSE(mnemonic.isEmpty()) << m->text().toStdString();
            EXPECT_TRUE(mnemonics.insert(mnemonic.toString()).second) << m->text().toStdString();
            QSignalSpy shown(m->menu(), &QMenu::aboutToShow);
            QTest::keySequence(form.get(), mnemonic);
            EXPECT_EQ(shown.count(), 1) << kind << ": " << m->text().toStdString();
            QTest::keyClick(m->menu(), Qt::Key_Escape);
            QTest::keyClick(form->menuBar(), Qt::Key_Escape);
        }
        if (kind == unitKindMuz) {
            for (const char* key : {"Alt+N", "Alt+S", "Alt+L"})
                EXPECT_EQ(mnemonics.count(QKeySequence(key).toString()), 0u) << key;
        }
    }
}

TEST_F(MainFormTest, NewAndDuplicateShareTheNonameCounter) {
    TMDIChildWave* first = newWave();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Doc()->Name, "NONAME1");
    EXPECT_EQ(first->windowTitle(), "NONAME1");
    EXPECT_EQ(first->Doc()->GetMoSt(), 2);
    EXPECT_EQ(first->Doc()->GetFreq(), 44100);
    trigger("DuplicateWave");
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->Name, "NONAME2");
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->State, unitStateNew);
    newWave(1);
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->Name, "NONAME3");
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->GetMoSt(), 1);
    EXPECT_EQ(form->Children().size(), 3u);
    // With a wave window the wave menus and bars are there.
    EXPECT_TRUE(form->Menu("Edit")->menuAction()->isVisible());
    EXPECT_FALSE(form->ToolBar("Make Waves")->isHidden());
    EXPECT_FALSE(form->Menu("Music")->menuAction()->isVisible());
    // A cancelled dialog makes nothing and uses no number.
    runner->dialogs.push_back([](QDialog& d) {
        d.reject();
        return d.result();
    });
    trigger("FileNewWave");
    newWave();
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->Name, "NONAME4");
    // The frequencies in rising order; the new wave takes the one chosen.
    runner->dialogs.push_back([](QDialog& d) {
        QComboBox* f = static_cast<TDlgWaveFileProp&>(d).Frequency();
        QStringList names;
        for (int i = 0; i < f->count(); ++i) names << f->itemText(i);
        EXPECT_EQ(names.join(","), "5 kHz,11 kHz,22 kHz,44 kHz,48 kHz,88 kHz,96 kHz,176 kHz");
        EXPECT_EQ(f->currentText(), "44 kHz");
        f->setCurrentIndex(6);
        return pressOK(d);
    });
    trigger("FileNewWave");
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->GetFreq(), 96000);
}

TEST_F(MainFormTest, TrimAndZoomInNeedASelectionOfSomeLength) {
    newWave(1);
    EXPECT_FALSE(enabled("EditTrim"));
    EXPECT_FALSE(enabled("EditDelete"));  // no samples yet
    makeSinus();
    TUnitWave& doc = *form->ActiveWaveChild()->Doc();
    ASSERT_GT(doc.GetValues(), 0);
    ASSERT_TRUE(doc.HasSelection());  // a generator selects what it made
    EXPECT_TRUE(enabled("EditTrim"));
    EXPECT_TRUE(enabled("ZoomIn"));
    doc.SetCursor(5);
    EXPECT_FALSE(enabled("EditTrim"));
    EXPECT_FALSE(enabled("ZoomIn"));
    EXPECT_TRUE(enabled("EditDelete"));
    EXPECT_EQ(form->Panel(5)->text(), "MO");
    EXPECT_EQ(form->Panel(7)->text(), "New");
}

TEST_F(MainFormTest, GenericDialogReportsOnlyTheFirstWrongFieldAndStaysOpen) {
    TMDIChildWave* w = newWave(1);
    runner->dialogs.push_back([](QDialog& d) {
        auto& g = dynamic_cast<TPropsDlg&>(d);
        EXPECT_EQ(g.windowTitle(), "Make Sinus");
        g.Edit("Amplitude")->setText("lots");
        g.Edit("Period")->setText("fast");
        return pressOK(d);
    });
    trigger("MakeSinus");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text.rfind("In Amplitude: ", 0), 0u) << boxes.shown[0].text;
    EXPECT_EQ(w->Doc()->GetValues(), 0);
    EXPECT_FALSE(form->Workspace().HasUndo());
    // Fixed on a second try, the typed values reach the document's record.
    runner->dialogs.push_back([](QDialog& d) {
        auto& g = dynamic_cast<TPropsDlg&>(d);
        g.Edit("Amplitude")->setText("lots");
        EXPECT_EQ(d.result(), QDialog::Rejected);
        d.accept();  // refused again: the box, the dialog open
        g.Edit("Amplitude")->setText("25 %");
        return pressOK(d);
    });
    trigger("MakeSinus");
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(w->Doc()->GetValues(), 44100 * 440 / 440);  // 440 periods of 440 Hz
    EXPECT_EQ(w->Doc()->Records.Sinus.Amplitude.ToText(), "25 %");
    EXPECT_TRUE(form->Workspace().HasUndo());
}

TEST_F(MainFormTest, EffectThenUndoGivesTheOldSoundBack) {
    TMDIChildWave* w = openSamples({1, 2, 3, 4, 5, 6});
    w->Doc()->SetRange(1, 3);
    trigger("EditDelete");
    EXPECT_EQ(samplesOf(w->Doc()->TheSound->GetLeft()), (std::vector<int>{1, 4, 5, 6}));
    EXPECT_EQ(w->Doc()->State, unitStateChanged);
    EXPECT_TRUE(enabled("FileSave"));
    trigger("Undo");
    EXPECT_EQ(samplesOf(w->Doc()->TheSound->GetLeft()), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    trigger("DeleteUndo");
    EXPECT_FALSE(enabled("Undo"));
}

// Ctrl+Z is live in every window, but the step belongs to one wave: Undo
// brings that wave's window to the front (shown again when minimized) before
// it swaps, and changes nothing else. Delete Undo stays where it is; closing
// the wave takes its step along.
TEST_F(MainFormTest, UndoBringsTheStepsWindowForwardAndChangesOnlyIt) {
    const std::vector<int> original{1, 2, 3, 4, 5, 6};
    TMDIChildWave* a = openSamples(original);
    TMDIChildWave* b = openSamples({9, 8, 7});
    const std::vector<int> bSamples = samplesOf(b->Doc()->TheSound->GetLeft());
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(a->parentWidget()));
    trigger("Reverse");
    const std::vector<int> reversed{6, 5, 4, 3, 2, 1};
    ASSERT_EQ(samplesOf(a->Doc()->TheSound->GetLeft()), reversed);
    trigger("Undo");
    ASSERT_EQ(samplesOf(a->Doc()->TheSound->GetLeft()), original);

    auto music = std::make_unique<TUnitMuz>();
    music->InitNew();
    TMDIChildMuz* m = form->AddMusicWindow(std::move(music));
    TUnitMuz& score = *m->Doc();
    const uint64_t scoreRevision = score.Revision;
    const uint64_t bRevision = b->Doc()->Revision;
    auto samplesOfA = [&] { return samplesOf(a->Doc()->TheSound->GetLeft()); };
    auto ctrlZ = [&] {
        form->UpdateActions();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keySequence(form.get(), QKeySequence("Ctrl+Z"));
        form->UpdateActions();
    };

    // From the music window: the wave comes forward, redone; the score is untouched.
    ASSERT_EQ(form->ActiveChild(), m);
    ctrlZ();
    EXPECT_EQ(form->ActiveChild(), a);
    EXPECT_EQ(samplesOfA(), reversed);
    EXPECT_EQ(score.Revision, scoreRevision);
    // Pressed again in the wave's own window it swaps back, nothing moves.
    ctrlZ();
    EXPECT_EQ(form->ActiveChild(), a);
    EXPECT_EQ(samplesOfA(), original);

    // From another wave, and with the step's window minimized.
    auto* subA = qobject_cast<QMdiSubWindow*>(a->parentWidget());
    subA->showMinimized();
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(b->parentWidget()));
    ASSERT_EQ(form->ActiveChild(), b);
    ctrlZ();
    EXPECT_EQ(form->ActiveChild(), a);
    EXPECT_FALSE(subA->isMinimized());
    EXPECT_EQ(samplesOfA(), reversed);
    EXPECT_EQ(samplesOf(b->Doc()->TheSound->GetLeft()), bSamples);
    EXPECT_EQ(b->Doc()->Revision, bRevision);
    // Minimized while it is the active one, it is shown again too.
    subA->showMinimized();
    ctrlZ();
    EXPECT_EQ(form->ActiveChild(), a);
    EXPECT_FALSE(subA->isMinimized());
    EXPECT_EQ(samplesOfA(), original);
    ctrlZ();
    EXPECT_EQ(samplesOfA(), reversed);

    // Delete Undo from the music window changes no window and no document.
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(m->parentWidget()));
    trigger("DeleteUndo");
    EXPECT_EQ(form->ActiveChild(), m);
    EXPECT_FALSE(enabled("Undo"));
    ctrlZ();
    EXPECT_EQ(form->ActiveChild(), m);
    EXPECT_EQ(samplesOfA(), reversed);

    // The step goes with its document: closing the wave behind the music
    // window leaves nothing for Ctrl+Z to do there.
    form->MdiArea()->setActiveSubWindow(subA);
    trigger("Reverse");
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(m->parentWidget()));
    ASSERT_TRUE(enabled("Undo"));
    boxes.answers = {MessageAnswer::No};
    ASSERT_TRUE(subA->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->Children().size(), 2u);
    EXPECT_FALSE(enabled("Undo"));
    EXPECT_FALSE(form->Workspace().HasUndo());
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(m->parentWidget()));
    ctrlZ();
    EXPECT_EQ(form->ActiveChild(), m);
    EXPECT_EQ(score.Revision, scoreRevision);
    EXPECT_EQ(samplesOf(b->Doc()->TheSound->GetLeft()), bSamples);
}

// A command that runs long shows its progress box; Cancel stops it through
// the failure flag and leaves the wave as it was, ready for the next command.
TEST_F(MainFormTest, CancelStopsALongCommandAndLeavesTheWaveAsItWas) {
    TLongWorkDialog longWork(form.get());
    SetLongWorkRunner(&longWork);
    TMDIChildWave* w = openSamples(std::vector<int>(20000, 1000));
    w->Doc()->SetRange(0, 10);
    trigger("EditDelete");
    const std::shared_ptr<Sound> before = w->Doc()->TheSound;
    runner->dialogs.push_back([](QDialog& d) {
        // More than a billion passes: an hour of work if nothing stopped it.
        dynamic_cast<TPropsDlg&>(d).Edit("Count")->setText("99999999999");
        return pressOK(d);
    });
    QString title;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() != "LongWorkProgress" || !top->isVisible() || !title.isEmpty()) continue;
            title = top->windowTitle();
            if (auto* cancel = top->findChild<QPushButton*>()) cancel->click();
        }
    });
    poll.start();
    trigger("FilterLow");
    poll.stop();
    SetLongWorkRunner(nullptr);
    EXPECT_EQ(title, "Working");
    EXPECT_EQ(w->Doc()->TheSound, before);
    EXPECT_FALSE(w->Doc()->Failed);
    EXPECT_TRUE(boxes.shown.empty());
    // Undo still undoes the delete before.
    ASSERT_TRUE(enabled("Undo"));
    trigger("Undo");
    EXPECT_EQ(w->Doc()->GetValues(), 20000);
    w->Doc()->SetRange(1, 3);
    trigger("EditDelete");
    EXPECT_EQ(w->Doc()->GetValues(), 19998);
}

// However many windows there are, each opens, cascades and tiles inside the
// work area at a size that can be used.
TEST_F(MainFormTest, WindowsStayInsideTheWorkAreaAtAUsableSize) {
    form->resize(900, 640);
    QCoreApplication::processEvents();
    const QRect area = form->MdiArea()->viewport()->rect();
    ASSERT_GT(area.height(), 300);
    auto check = [&](const char* when, int minWidth, int minHeight, int last = 1000) {
        const QList<QMdiSubWindow*> subs = form->MdiArea()->subWindowList();
        for (QMdiSubWindow* sub : subs.mid(std::max<qsizetype>(0, subs.size() - last))) {
            SCOPED_TRACE(when);
            EXPECT_TRUE(area.contains(sub->geometry())) << sub->geometry().x() << "," << sub->geometry().y() << " "
                                                        << sub->width() << "x" << sub->height();
            EXPECT_GE(sub->width(), minWidth);
            EXPECT_GE(sub->height(), minHeight);
        }
    };
    for (int i = 0; i < 14; ++i) openSamples(std::vector<int>(100, i * 100));
    check("opened", 360, 200);
    trigger("WindowCascade");
    check("cascaded", 360, 200);
    trigger("WindowTileVertical");
    check("tiled", 1, 1);
    // A stereo wave split into its channels in a small window: both halves usable.
    TMDIChildWave* stereo = newWave(2);
    makeSinus();
    auto* sub = qobject_cast<QMdiSubWindow*>(stereo->parentWidget());
    sub->setGeometry(area.width() - 150, area.height() - 80, 150, 80);
    trigger("SplitV");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    check("split", 360, 200, 2);
}

// However narrow the window is made, the status panels lie side by side and
// the mouse readout is read to its end.
TEST_F(MainFormTest, StatusPanelsNeverOverlapAndTheReadoutIsNeverCut) {
    TMDIChildWave* w = openSamples(std::vector<int>(5000, 100), 44100);
    w->Readout("(0:00:00.11338, -100.00 %)");
    for (int width : {1400, 900, 600, 300}) {
        SCOPED_TRACE(width);
        form->resize(width, 500);
        QCoreApplication::processEvents();
        int right = -1, shown = 0;
        for (int i = 0; i < 8; ++i) {
            QLabel* panel = form->Panel(i);
            if (!panel->isVisible()) continue;
            ++shown;
            EXPECT_GT(panel->geometry().left(), right) << "panel " << i;
            right = panel->geometry().right();
        }
        EXPECT_LE(right, form->statusBar()->width());
        if (width >= 1400) {
            EXPECT_EQ(shown, 8);
        }
        if (width <= 600) {
            EXPECT_LT(shown, 8);
        }
        QLabel* readout = form->Panel(1);
        EXPECT_TRUE(readout->isVisible());
        EXPECT_GE(readout->contentsRect().width(), readout->fontMetrics().horizontalAdvance(readout->text()));
    }
}

TEST_F(MainFormTest, OpeningThreeFilesWithTheSecondBrokenOpensTwo) {
    std::string a = writeWave("a.wav", 10);
    std::string broken = dir.filePath("b.wav").toStdString();
    {
        QFile f(QString::fromStdString(broken));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a wave file at all, not even close to one");
    }
    std::string c = writeWave("c.wav", 20);
    runner->openFiles = {QString::fromStdString(a), QString::fromStdString(broken), QString::fromStdString(c)};
    trigger("FileOpenWave");
    ASSERT_EQ(form->Children().size(), 2u);
    EXPECT_EQ(form->ActiveWaveChild()->windowTitle(), QString::fromStdString(c));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "File Error");
    EXPECT_EQ(boxes.shown[0].text, "Cannot read the file: \"" + broken + "\", \"RIFF\" not found.\n" + kImportHint);
}

// Open keeps our WAV reader and its message for a float WAV, with a line
// pointing to Import; Import reads it, and other formats open as new documents
// named after their files.
TEST_F(MainFormTest, OpenRefusesAFloatWaveThatImportBringsIn) {
    const std::string floats = dir.filePath("float.wav").toStdString();
    {
        const float values[] = {0.5f, -1.5f};
        QByteArray body;
        auto le = [&](uint32_t v, int n) {
            for (int i = 0; i < n; ++i) body.append(char((v >> (8 * i)) & 0xFF));
        };
        body.append("RIFF");
        le(4 + 24 + 8 + 8, 4);
        body.append("WAVEfmt ");
        le(16, 4), le(3, 2), le(1, 2), le(8000, 4), le(32000, 4), le(4, 2), le(32, 2);
        body.append("data");
        le(8, 4);
        body.append(reinterpret_cast<const char*>(values), 8);
        QFile f(QString::fromStdString(floats));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
    }
    runner->openFiles = {QString::fromStdString(floats)};
    trigger("FileOpenWave");
    EXPECT_TRUE(form->Children().empty());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot read the file: \"" + floats + "\", A value must be 1.\n" + kImportHint);

    trigger("FileImport");
    ASSERT_EQ(form->Children().size(), 1u);
    TUnitWave* doc = form->ActiveWaveChild()->Doc();
    EXPECT_EQ(samplesOf(doc->TheSound->GetLeft()), (std::vector<int>{16384, -32768}));
    EXPECT_EQ(doc->Name, "float");
    EXPECT_TRUE(doc->HasNoFile());
    EXPECT_EQ(form->ActiveWaveChild()->windowTitle(), "float");

    // A FLAC opens through Open too; its name is taken, so it gets a new one.
    const std::string flac = dir.filePath("float.flac").toStdString();
    bool failed = false;
    ASSERT_TRUE(WriteAudioFile(failed, flac, AudioFormat::Flac, *doc->TheSound, 0, 2));
    runner->openFiles = {QString::fromStdString(flac)};
    trigger("FileOpenWave");
    ASSERT_EQ(form->Children().size(), 2u);
    TUnitWave* second = form->ActiveWaveChild()->Doc();
    EXPECT_EQ(samplesOf(second->TheSound->GetLeft()), (std::vector<int>{16384, -32768}));
    EXPECT_EQ(second->Name, "NONAME1");
    EXPECT_TRUE(second->HasNoFile());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

// Export writes the selection alone when asked, with the dialog's setting,
// and leaves the document's file and state as they were.
TEST_F(MainFormTest, ExportWritesTheSelectionAndLeavesTheDocumentAlone) {
    TMDIChildWave* w = openSamples({1, 2, 3, 4, 5, 6, 7, 8}, 8000);
    w->Doc()->SetFirstEnd(2);
    w->Doc()->SetSecondEnd(5);
    const QString out = dir.filePath("part.flac");
    runner->saveNames = {out};
    runner->dialogs.push_back([](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgExportProps&>(d);
        EXPECT_EQ(dialog.windowTitle(), "Export FLAC");
        EXPECT_TRUE(dialog.SelectionOnlyBox()->isEnabled());
        dialog.SelectionOnlyBox()->setChecked(true);
        dialog.FlacLevel()->setValue(8);
        return pressOK(d);
    });
    trigger("FileExport");
    std::unique_ptr<Sound> back;
    std::string reason;
    ASSERT_TRUE(ReadAudioFile(out.toStdString(), back, reason)) << reason;
    EXPECT_EQ(samplesOf(back->GetLeft()), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(w->Doc()->FileName, "x.wav");
    EXPECT_FALSE(w->Doc()->NeedsSaving());

    // The next export opens with what was confirmed; unticked, the whole wave.
    runner->saveNames = {dir.filePath("all.aiff")};
    runner->dialogs.push_back([](QDialog& d) {
        auto& dialog = dynamic_cast<TDlgExportProps&>(d);
        EXPECT_TRUE(dialog.SelectionOnlyBox()->isChecked());
        dialog.SelectionOnlyBox()->setChecked(false);
        return pressOK(d);
    });
    trigger("FileExport");
    ASSERT_TRUE(ReadAudioFile(dir.filePath("all.aiff").toStdString(), back, reason)) << reason;
    EXPECT_EQ(samplesOf(back->GetLeft()), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(MainFormTest, TheSaveQuestionsThreeAnswers) {
    newWave(1);
    makeSinus();
    boxes.shown.clear();
    boxes.answers = {MessageAnswer::Cancel};
    EXPECT_EQ(closeActive(), 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "You have unsaved changes");
    EXPECT_EQ(boxes.shown[0].text, "Do you want to save?\n\"NONAME1\" has changes that are not saved.");

    // Yes with Save As cancelled keeps the window too.
    boxes.answers = {MessageAnswer::Yes};
    EXPECT_EQ(closeActive(), 0);

    QString path = dir.filePath("saved.wav");
    boxes.answers = {MessageAnswer::Yes};
    runner->saveNames = {path};
    EXPECT_EQ(closeActive(), 1);
    std::unique_ptr<Sound> back;
    std::string reason;
    ASSERT_TRUE(ReadWaveFile(path.toStdString(), back, reason)) << reason;
    EXPECT_GT(back->GetValues(), 0);

    newWave(1);
    makeSinus();
    boxes.answers = {MessageAnswer::No};
    EXPECT_EQ(closeActive(), 1);
    EXPECT_TRUE(form->Children().empty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

// Opened and saved files come first in the File menu, once each, and are
// there again in the next run; a file that has gone leaves the list.
TEST_F(MainFormTest, RecentFilesListTheLastOpenedAndSavedAcrossRuns) {
    QFile::remove(QString::fromStdString(TRecentFiles::DefaultPath()));
    form = std::make_unique<TMainForm>();
    auto r = std::make_unique<ScriptedRunner>();
    runner = r.get();
    form->SetDialogRunner(std::move(r));
    EXPECT_TRUE(form->RecentActions().empty());
    const std::string a = writeWave("a.wav", 10), b = writeWave("b.wav", 20);
    form->OpenWaveFiles({QString::fromStdString(a), QString::fromStdString(b), QString::fromStdString(a)});
    newWave(1);
    makeSinus();
    const QString c = dir.filePath("c&d.wav");
    runner->saveNames = {c};
    trigger("FileSaveAs");
    auto entries = [&] {
        std::vector<std::string> out;
        for (QAction* action : form->RecentActions())
            out.push_back(action->isSeparator() ? "--" : action->text().toStdString());
        return out;
    };
    const std::vector<std::string> expected{"&1 " + dir.filePath("c&&d.wav").toStdString(), "&2 " + a, "&3 " + b, "--"};
    EXPECT_EQ(entries(), expected);
    // The menu holds them just before Exit.
    QList<QAction*> menu = form->Menu("File")->actions();
    ASSERT_GE(menu.size(), 5);
    EXPECT_EQ(menu[menu.size() - 5], form->RecentActions()[0]);
    EXPECT_EQ(menu.back(), form->Action("FileExit"));

    form = std::make_unique<TMainForm>();
    form->SetDialogRunner(std::make_unique<ScriptedRunner>());
    EXPECT_EQ(entries(), expected);
    form->RecentActions()[2]->trigger();
    ASSERT_EQ(form->Children().size(), 1u);
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->FileName, b);
    EXPECT_EQ(entries()[0], "&1 " + b);
    QFile::remove(QString::fromStdString(a));
    form->RecentActions()[2]->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot read the file: \"" + a + "\", it is no longer there.");
    EXPECT_EQ(form->Children().size(), 1u);
    EXPECT_EQ(entries().size(), 3u);
}

TEST_F(MainFormTest, SavedWaveReopensAndExitAsksForEachChangedWave) {
    TMDIChildWave* w = newWave(1);
    makeSinus();
    QString path = dir.filePath("s.wav");
    runner->saveNames = {path};
    trigger("FileSave");  // no file yet: Save behaves as Save As
    EXPECT_EQ(w->windowTitle(), path);
    EXPECT_EQ(w->Doc()->State, unitStateSaved);
    EXPECT_FALSE(enabled("FileSave"));
    runner->openFiles = {path};
    trigger("FileOpenWave");
    EXPECT_EQ(form->Children().size(), 2u);
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->GetValues(), w->Doc()->GetValues());
    form->ActiveWaveChild()->Doc()->SetRange(0, 10);
    trigger("EditDelete");
    newWave(1);
    makeSinus();
    boxes.shown.clear();
    boxes.answers = {MessageAnswer::No, MessageAnswer::Cancel};
    // Each question is asked with its window in front, and names it.
    std::vector<std::string> inFront;
    boxes.onQuestion = [&] { inFront.push_back(form->ActiveWaveChild()->windowTitle().toStdString()); };
    form->MdiArea()->setActiveSubWindow(form->MdiArea()->subWindowList().front());
    EXPECT_FALSE(form->close());
    boxes.onQuestion = nullptr;
    ASSERT_EQ(boxes.shown.size(), 2u);  // the unchanged wave is not asked about
    EXPECT_EQ(inFront, (std::vector<std::string>{path.toStdString(), "NONAME2"}));
    EXPECT_EQ(boxes.shown[0].text, "Do you want to save?\n\"" + path.toStdString() + "\" has changes that are not saved.");
    EXPECT_EQ(boxes.shown[1].text, "Do you want to save?\n\"NONAME2\" has changes that are not saved.");
    // Closed up to the Cancel: the one cancelled stays.
    ASSERT_EQ(form->Children().size(), 1u);
    EXPECT_EQ(form->ActiveWaveChild()->Doc()->Name, "NONAME2");
}

TEST_F(MainFormTest, NameBoxRefusesANameAnotherWaveHas) {
    TMDIChildWave* first = openSamples({1, 2, 3});
    form->NameBox()->setText("  drum ");
    form->NameBoxEnter();
    EXPECT_EQ(first->Doc()->Name, "drum");
    TMDIChildWave* second = openSamples({1, 2, 3});
    form->UpdateActions();
    form->NameBox()->setText("drum");
    form->NameBoxEnter();
    EXPECT_EQ(second->Doc()->Name, "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].text, "A wave with name \"drum\" already exists.");
    EXPECT_EQ(form->NameBox()->text(), "");
}

TEST_F(MainFormTest, KeysAndMouseOnTheWindowMoveTheSelection) {
    TMDIChildWave* w = openSamples(std::vector<int>(1000, 0));
    QWidget* client = w->Client();
    client->resize(500, 200);
    TWaveMapping m = w->Mapping();
    ASSERT_EQ(m.Right, 500);
    auto mouse = [&](QEvent::Type type, int x, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(x, 50), client->mapToGlobal(QPointF(x, 50)), Qt::LeftButton, held, mods);
        QApplication::sendEvent(client, &e);
    };
    mouse(QEvent::MouseButtonPress, 100);
    mouse(QEvent::MouseMove, 200);
    mouse(QEvent::MouseButtonRelease, 200);
    EXPECT_EQ(w->Doc()->SecondSel, m.SampleAt(100));
    EXPECT_EQ(w->Doc()->FirstSel, m.SampleAt(200));
    EXPECT_FALSE(form->Panel(1)->text().isEmpty());
    w->Doc()->SetRange(100, 150);
    QKeyEvent page(QEvent::KeyPress, Qt::Key_PageDown, Qt::ControlModifier);
    QApplication::sendEvent(client, &page);
    EXPECT_EQ(w->Doc()->SelBegin(), 150);
    EXPECT_EQ(w->Doc()->SelEnd(), 200);
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_Home, Qt::AltModifier);
    QApplication::sendEvent(client, &alt);
    EXPECT_EQ(w->Doc()->SelBegin(), 150);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QApplication::sendEvent(client, &home);
    EXPECT_EQ(w->Doc()->FirstSel, 0);
    EXPECT_EQ(w->Doc()->SecondSel, 0);
}

TEST_F(MainFormTest, ZoomInShowsTheSelectionAndNoZoomSelectsWhatWasInView) {
    TMDIChildWave* w = openSamples(std::vector<int>(1000, 0));
    w->Doc()->SetRange(250, 500);
    trigger("ZoomIn");
    ASSERT_TRUE(w->Zoomed());
    int width = w->Client()->width();
    EXPECT_DOUBLE_EQ(w->Mapping().ZoomBegin, 250);
    EXPECT_DOUBLE_EQ(w->Mapping().ZoomEnd, 500);
    // Range: width x 1000 / 250 samples; the bar stops a page of width before its end.
    EXPECT_EQ(w->ScrollBar()->maximum(), 3 * width);
    EXPECT_EQ(w->ScrollBar()->value(), width);
    EXPECT_EQ(w->ScrollBar()->pageStep(), width / 10);
    // A delete inside the view keeps the view where it was.
    w->Doc()->SetRange(300, 350);
    trigger("EditDelete");
    EXPECT_NEAR(w->Mapping().ZoomBegin, 250, 1);
    EXPECT_NEAR(w->Mapping().ZoomEnd, 450, 1);
    w->ScrollBar()->setValue(0);
    EXPECT_DOUBLE_EQ(w->Mapping().ZoomBegin, 0);
    trigger("NoZoom");
    EXPECT_FALSE(w->Zoomed());
    EXPECT_EQ(w->Doc()->SelBegin(), 0);
    EXPECT_NEAR(w->Doc()->SelEnd(), 200, 1);
    EXPECT_FALSE(enabled("NoZoom"));
}

TEST_F(MainFormTest, HandDrawingPointsMakeAWaveAndAPointDraggedOutIsDeleted) {
    TMDIChildWave* w = newWave(1);
    w->Client()->resize(400, 200);
    EXPECT_TRUE(enabled("DrawWaveLin"));
    trigger("DrawWaveLin");
    EXPECT_TRUE(form->Action("DrawWaveLin")->isChecked());
    EXPECT_FALSE(enabled("MakeSinus"));  // wave commands wait while drawing
    QWidget* client = w->Client();
    auto mouse = [&](QEvent::Type type, int x, int y) {
        Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(x, y), client->mapToGlobal(QPointF(x, y)), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(client, &e);
    };
    for (int x : {0, 200, 399}) {
        mouse(QEvent::MouseButtonPress, x, 50);
        mouse(QEvent::MouseButtonRelease, x, 50);
    }
    ASSERT_EQ(w->Points().size(), 3u);
    EXPECT_EQ(w->Doc()->GetValues(), 44100);
    // Drag the middle one below the window: gone on release.
    mouse(QEvent::MouseButtonPress, 201, 51);
    mouse(QEvent::MouseMove, 201, 260);
    EXPECT_TRUE(w->Points()[1].hidden);
    mouse(QEvent::MouseButtonRelease, 201, 260);
    EXPECT_EQ(w->Points().size(), 2u);
    trigger("DrawWave3G");
    EXPECT_EQ(w->DrawKind(), 1);
    trigger("DrawWave3G");  // the same command again ends the mode
    EXPECT_FALSE(w->Drawing());
    EXPECT_TRUE(w->Points().empty());
}

TEST_F(MainFormTest, WaveViewDialogRefusesAWrongValueAndAppliesTheRest) {
    TMDIChildWave* w = openSamples({1, 2, 3});
    runner->dialogs.push_back([](QDialog& d) {
        auto& v = static_cast<TDlgWaveViewProps&>(d);
        EXPECT_EQ(v.windowTitle(), "Wave View");
        EXPECT_EQ(v.editValuesPerPixel->text(), "15");
        v.editValuesPerPixel->setText("0");
        v.rgrDraw[1]->setChecked(true);
        EXPECT_EQ(v.rgrDistribution[2]->text(), "Peaks");
        v.rgrDistribution[2]->setChecked(true);
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        v.editValuesPerPixel->setText("4");
        return pressOK(d);
    });
    trigger("ViewWave");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text.rfind("In Values per Pixel: ", 0), 0u);
    EXPECT_EQ(w->WaveViewProps().ValuesPerPixel.GetValue(), 4);
    EXPECT_EQ(w->WaveViewProps().Draw, 1);
    EXPECT_EQ(w->WaveViewProps().Distribution, 2);
    EXPECT_EQ(form->WaveViewDefault().ValuesPerPixel.GetValue(), 15);  // not "Use As Default"
}

}  // namespace

namespace {

// The wave windows in window order, and the sample counts of their waves.
std::vector<TMDIChildWave*> waveWindows(TMainForm& form) {
    std::vector<TMDIChildWave*> list;
    for (TMDIChildKorvane* c : form.Children()) list.push_back(static_cast<TMDIChildWave*>(c));
    return list;
}
std::vector<int> lengths(TMainForm& form) {
    std::vector<int> v;
    for (TMDIChildWave* w : waveWindows(form)) v.push_back(w->Doc()->GetValues());
    return v;
}
QMdiSubWindow* frameOf(TMDIChildWave* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }

TEST_F(MainFormTest, SplitHorizontallyCutsByTheChosenResultAndReplacesTheWindow) {
    struct Case {
        int result;
        std::vector<int> lengths;
    };
    for (const Case& c : {Case{0, {100, 100, 800}}, Case{1, {200, 900}}, Case{2, {100, 800}}}) {
        TMDIChildWave* w = openSamples(std::vector<int>(1000, 5));
        w->Doc()->SetRange(100, 200);
        w->Doc()->MarkChanged();
        runner->dialogs.push_back([&c](QDialog& d) {
            auto& dlg = dynamic_cast<TDlgSplitHorProps&>(d);
            EXPECT_EQ(dlg.windowTitle(), "Split Horizontally");
            EXPECT_EQ(dlg.HelpContext(), 38);
            dlg.Result(c.result)->setChecked(true);
            return pressOK(d);
        });
        trigger("SplitH");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The source is gone without the save question; its parts are new.
        EXPECT_EQ(lengths(*form), c.lengths) << c.result;
        EXPECT_TRUE(boxes.shown.empty());
        for (TMDIChildWave* part : waveWindows(*form)) {
            EXPECT_EQ(part->Doc()->Name.rfind("NONAME", 0), 0u) << part->Doc()->Name;
            EXPECT_TRUE(part->Doc()->NeedsSaving());
        }
        boxes.answers.assign(3, MessageAnswer::No);
        for (TMDIChildKorvane* child : form->Children()) frameOf(static_cast<TMDIChildWave*>(child))->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        boxes.answers.clear();
        boxes.shown.clear();
    }
}

TEST_F(MainFormTest, SplitHorizontallyAtACursorAsksNothingAndCancelKeepsTheWave) {
    TMDIChildWave* w = openSamples(std::vector<int>(1000, 5));
    w->Doc()->SetRange(300, 300);
    trigger("SplitH");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(runner->run, 0);
    EXPECT_EQ(lengths(*form), (std::vector<int>{300, 700}));

    TMDIChildWave* second = waveWindows(*form).back();
    second->Doc()->SetRange(100, 200);
    runner->dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); });
    trigger("SplitH");
    EXPECT_EQ(lengths(*form), (std::vector<int>{300, 700}));
    EXPECT_EQ(form->ActiveWaveChild(), second);
}

TEST_F(MainFormTest, SplitPartsLieWhereTheyWereShown) {
    TMDIChildWave* w = openSamples(std::vector<int>(1000, 5));
    QMdiSubWindow* frame = frameOf(w);
    frame->setGeometry(20, 10, 620, 300);
    QCoreApplication::processEvents();
    w->Doc()->SetRange(250, 500);
    TWaveMapping map = w->Mapping();
    int clientLeft = w->Client()->mapTo(frame, QPoint(0, 0)).x();
    runner->dialogs.push_back(pressOK);
    trigger("SplitH");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<TMDIChildWave*> parts = waveWindows(*form);
    ASSERT_EQ(parts.size(), 3u);
    QRect a = frameOf(parts[0])->geometry(), b = frameOf(parts[1])->geometry(), c = frameOf(parts[2])->geometry();
    EXPECT_EQ(a.left(), 20);
    EXPECT_EQ(c.right(), 20 + 620 - 1);
    EXPECT_EQ(b.left(), 20 + clientLeft + map.PixelOf(250));
    EXPECT_EQ(c.left(), 20 + clientLeft + map.PixelOf(500));
    EXPECT_EQ(a.right(), b.left());
    for (const QRect& r : {a, b, c}) {
        EXPECT_EQ(r.top(), 10);
        EXPECT_EQ(r.height(), 300);
    }
}

TEST_F(MainFormTest, SplitVerticallyGivesTwoMonoWindowsWithTheSelectionAndZoom) {
    auto sound = std::make_unique<StereoSound>(makeWave(std::vector<int>(1000, 7)),
                                               makeWave(std::vector<int>(1000, -7)), 1000, 2);
    TMDIChildWave* w = form->AddWaveWindow(std::make_unique<TUnitWave>(std::move(sound), "s.wav"));
    frameOf(w)->setGeometry(0, 0, 600, 400);
    w->Doc()->SetRange(100, 400);
    w->ZoomTo(50, 450);
    TWaveMapping zoom = w->Mapping();
    trigger("SplitV");
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<TMDIChildWave*> made = waveWindows(*form);
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(samplesOf(made[0]->Doc()->TheSound->GetLeft()).front(), 7);
    EXPECT_EQ(samplesOf(made[1]->Doc()->TheSound->GetLeft()).front(), -7);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(made[i]->Doc()->GetMoSt(), 1);
        EXPECT_EQ(made[i]->Doc()->SelBegin(), 100);
        EXPECT_EQ(made[i]->Doc()->SelEnd(), 400);
        EXPECT_TRUE(made[i]->Zoomed());
        EXPECT_EQ(made[i]->Mapping().ZoomBegin, zoom.ZoomBegin);
        EXPECT_EQ(made[i]->Mapping().ZoomEnd, zoom.ZoomEnd);
        EXPECT_EQ(frameOf(made[i])->geometry(), QRect(0, i * 200, 600, 200));
    }
}

TEST_F(MainFormTest, MergeHorizontallyRefusesOneWaveTwiceAndShowsOnlyDifferingTabs) {
    TMDIChildWave* a = openSamples({1, 2, 3}, 44100);
    TMDIChildWave* b = openSamples({4, 5}, 44100);
    frameOf(b)->setGeometry(30, 40, 500, 250);
    runner->dialogs.push_back([&](QDialog& d) {
        auto& dlg = dynamic_cast<TDlgMergeHorProps&>(d);
        EXPECT_EQ(dlg.windowTitle(), "Merge Horizontally");
        EXPECT_EQ(dlg.HelpContext(), 47);
        // The active window comes first, the next one last.
        EXPECT_EQ(dlg.First(), b);
        EXPECT_EQ(dlg.Last(), a);
        // Equal waves: no tab at all, so no frequency tab either.
        EXPECT_TRUE(dlg.TabTitles().isEmpty());
        dlg.LastBox()->setCurrentIndex(1);
        EXPECT_EQ(pressOK(d), int(QDialog::Rejected));
        EXPECT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown.back().title, "Input Error");
        EXPECT_EQ(boxes.shown.back().text, "The chosen Waves must be different");
        dlg.LastBox()->setCurrentIndex(0);
        return pressOK(d);
    });
    trigger("MergeH");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<TMDIChildWave*> left = waveWindows(*form);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(samplesOf(left[0]->Doc()->TheSound->GetLeft()), (std::vector<int>{4, 5, 1, 2, 3}));
    EXPECT_EQ(frameOf(left[0])->geometry(), QRect(30, 40, 500, 250));
}

TEST_F(MainFormTest, MergeTabsPreselectStereoTheHigherFrequencySixteenBitsAndTheFirstDisplay) {
    auto stereo = std::make_unique<StereoSound>(makeWave({10, 20}), makeWave({30, 40}), 11025, 1);
    TMDIChildWave* a = form->AddWaveWindow(std::make_unique<TUnitWave>(std::move(stereo), "a.wav"));
    TMDIChildWave* b = openSamples({100, 100, 100, 100}, 22050);
    b->SetVoldView(b->VoldViewProps());
    form->MdiArea()->setActiveSubWindow(frameOf(a));
    runner->dialogs.push_back([&](QDialog& d) {
        auto& dlg = dynamic_cast<TDlgMergeHorProps&>(d);
        EXPECT_EQ(dlg.TabTitles(), (QStringList{"Mono/Stereo", "Frequency", "Bits", "Display"}));
        EXPECT_TRUE(dlg.Radio("Stereo")->isChecked());
        EXPECT_EQ(dlg.FrequencyList()->currentText(), "22 kHz");
        EXPECT_TRUE(dlg.Radio("16 Bits")->isChecked());
        EXPECT_TRUE(dlg.Radio("First")->isChecked());
        dlg.Radio("Last")->setChecked(true);
        return pressOK(d);
    });
    trigger("MergeH");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TMDIChildWave* merged = form->ActiveWaveChild();
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(form->Children().size(), 1u);
    const TUnitWave& m = *merged->Doc();
    EXPECT_EQ(m.GetMoSt(), 2);
    EXPECT_EQ(m.GetFreq(), 22050);
    EXPECT_EQ(m.GetBytesPSample(), 2);
    EXPECT_EQ(m.GetValues(), 4 + 4);
    // The display of the chosen window: the volume diagram of the last.
    EXPECT_EQ(merged->ViewKind(), TMDIChildWave::viewVold);
}

TEST_F(MainFormTest, MergeVerticallyPadsTheShorterChannelByTheLengthRule) {
    TMDIChildWave* a = openSamples(std::vector<int>(1000, 300));
    openSamples(std::vector<int>(600, -300));
    form->MdiArea()->setActiveSubWindow(frameOf(a));
    runner->dialogs.push_back([&](QDialog& d) {
        auto& dlg = dynamic_cast<TDlgMergeVertProps&>(d);
        EXPECT_EQ(dlg.windowTitle(), "Merge Vertically");
        EXPECT_EQ(dlg.HelpContext(), 48);
        EXPECT_EQ(dlg.TabTitles(), (QStringList{"Length"}));
        dlg.Radio("Add Silence at the end of the shortest wave")->setChecked(true);
        return pressOK(d);
    });
    trigger("MergeV");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(form->Children().size(), 1u);
    const Sound& s = *form->ActiveWaveChild()->Doc()->TheSound;
    ASSERT_EQ(s.MoSt, 2);
    std::vector<int> right = samplesOf(s.GetRight());
    ASSERT_EQ(right.size(), 1000u);
    EXPECT_EQ(samplesOf(s.GetLeft()), std::vector<int>(1000, 300));
    EXPECT_EQ(std::vector<int>(right.begin(), right.begin() + 600), std::vector<int>(600, -300));
    EXPECT_EQ(std::vector<int>(right.begin() + 600, right.end()), std::vector<int>(400, 0));
    // The rule is kept for the next merge.
    TMDIChildWave* c = openSamples(std::vector<int>(10, 1));
    openSamples(std::vector<int>(20, 1));
    form->MdiArea()->setActiveSubWindow(frameOf(c));
    runner->dialogs.push_back([&](QDialog& d) {
        EXPECT_TRUE(dynamic_cast<TDlgMergeVertProps&>(d).Radio("Add Silence at the end of the shortest wave")->isChecked());
        return int(QDialog::Rejected);
    });
    trigger("MergeV");
    EXPECT_EQ(form->Children().size(), 3u);
}

}  // namespace

namespace {

// F1 opens the contents; a dialog's F1 opens its page beside it, in a window
// the dialog does not block; the search box finds pages by their words.
TEST_F(MainFormTest, HelpOpensBesideADialogAndFindsPagesByWords) {
    form->resize(900, 640);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_F1);
    ASSERT_NE(CurrentHelpWindow(), nullptr);
    EXPECT_EQ(CurrentHelpWindow()->Context(), 0);
    EXPECT_TRUE(CurrentHelpWindow()->PageText().contains("The Wave Window"));
    CloseHelpWindow();

    TDlgRegisterWave dialog(form.get(), "");
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
        QTest::keyClick(&dialog, Qt::Key_F1);
        THelpWindow* help = CurrentHelpWindow();
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->Context(), 24);
        // A window of its own, beside the dialog: the dialog is modal to the
        // main window only, so the help takes clicks.
        EXPECT_EQ(help->parentWidget(), nullptr);
        EXPECT_FALSE(help->frameGeometry().intersects(dialog.frameGeometry()));
        QTest::keyClicks(help->SearchBox(), "ctrl page");
        EXPECT_EQ(help->Context(), -1);
        EXPECT_TRUE(help->PageText().contains("The Wave Window"));
        EXPECT_FALSE(help->PageText().contains("Make Sinus"));
        checked = true;
        dialog.reject();
    });
    TDialogRunner().Run(dialog);
    EXPECT_TRUE(checked);

    struct Search {
        const char* words;
        std::vector<int> pages;
    };
    for (const Search& c : {Search{"  DB  ", {9, 51, kHelpValues}}, Search{"staccatissimo", {kHelpMusicWindow}},
                            Search{"no such word", {}}, Search{"", {}}}) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(FindHelpPages(c.words), c.pages);
    }
    trigger("HelpOnHelp");
    EXPECT_EQ(CurrentHelpWindow()->Context(), kHelpOnHelp);
}

TEST_F(MainFormTest, TheWindowsOwnDialogsHaveTheirHelpPages) {
    openSamples(std::vector<int>(100, 5));
    std::vector<int> contexts;
    auto note = [&contexts](QDialog& d) {
        auto& dlg = dynamic_cast<TOKDlg&>(d);
        contexts.push_back(dlg.HelpContext());
        EXPECT_TRUE(dlg.HelpButton()->isVisibleTo(&dlg)) << dlg.windowTitle().toStdString();
        EXPECT_FALSE(HelpPage(dlg.HelpContext()).isEmpty()) << dlg.windowTitle().toStdString();
        return int(QDialog::Rejected);
    };
    for (const char* action : {"FileProperties", "ViewWave", "ViewVold", "Register", "EditMix"}) {
        runner->dialogs.push_back(note);
        if (std::string(action) == "EditMix") {
            // Mix needs something on the clipboard.
            form->ActiveWaveChild()->Doc()->SetRange(0, 10);
            trigger("EditCopy");
        }
        trigger(action);
    }
    EXPECT_EQ(contexts, (std::vector<int>{2, 23, 3, 24, 4}));
}

}  // namespace

namespace {

// File > Exit with the help window open ends the program: no window of it
// stays on the screen (the help window would keep the run going).
TEST_F(MainFormTest, ExitWithHelpOpenLeavesNoWindow) {
    ShowHelpContents(form.get());
    ASSERT_NE(CurrentHelpWindow(), nullptr);
    ASSERT_TRUE(CurrentHelpWindow()->isVisible());
    openSamples(std::vector<int>(10, 5));
    form->ActiveWaveChild()->Doc()->MarkChanged();
    boxes.answers = {MessageAnswer::No};
    trigger("FileExit");
    QApplication::processEvents();
    EXPECT_FALSE(form->isVisible());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->metaObject()->className() << " " << w->windowTitle().toStdString();
    EXPECT_EQ(CurrentHelpWindow(), nullptr);
}

}  // namespace

namespace {

// The wheel scrolls a zoomed wave sideways; Ctrl+wheel zooms around the
// pointer and never touches the selection. The time ruler lies above the
// client, which keeps its own coordinates.
TEST_F(MainFormTest, WaveWheelZoomsAroundThePointerUnderARuler) {
    TMDIChildWave* w = openSamples(std::vector<int>(10000, 5), 1000);
    // The window's layout gives the client its width (the ruler and the bar
    // share the window with it).
    w->parentWidget()->resize(560, 300);
    QCoreApplication::processEvents();
    const int width = w->Client()->width();
    ASSERT_GT(width, 300);
    w->Doc()->SetRange(3000, 4000);
    auto wheel = [&](QPoint delta, int x, Qt::KeyboardModifiers mods) {
        const QPointF at(x, 50);
        QWheelEvent e(at, w->Client()->mapToGlobal(at), QPoint(), delta, Qt::NoButton, mods, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(w->Client(), &e);
    };
    // Not zoomed, the wheel alone does nothing.
    wheel({0, -120}, 100, Qt::NoModifier);
    EXPECT_FALSE(w->Zoomed());
    const int64_t under = w->Mapping().SampleAt(100);
    wheel({0, 240}, 100, Qt::ControlModifier);
    ASSERT_TRUE(w->Zoomed());
    TWaveMapping m = w->Mapping();
    EXPECT_EQ(w->Client()->width(), width);
    EXPECT_NEAR(m.ZoomEnd - m.ZoomBegin, 10000 * 0.64, 30);
    // The scroll bar takes whole pixels: at most a column of the new view off.
    EXPECT_NEAR(double(m.SampleAt(100)), double(under), 6400.0 / width);
    EXPECT_EQ(w->Doc()->SelBegin(), 3000);
    EXPECT_EQ(w->Doc()->SelEnd(), 4000);
    // Down scrolls right by a tenth of the view.
    const double begin = m.ZoomBegin;
    wheel({0, -120}, 100, Qt::NoModifier);
    EXPECT_NEAR(w->Mapping().ZoomBegin - begin, (m.ZoomEnd - m.ZoomBegin) / 10, 30);
    // Out again past the whole wave: not zoomed, the selection as it was.
    wheel({0, -1200}, 400, Qt::ControlModifier);
    EXPECT_FALSE(w->Zoomed());
    EXPECT_EQ(w->Doc()->SelBegin(), 3000);
    EXPECT_EQ(w->Doc()->SelEnd(), 4000);
    // Deep in at once: the sample under the pointer stays in its column,
    // though a column now holds a tenth of what it held.
    const int64_t deepUnder = w->Mapping().SampleAt(300);
    wheel({0, 1200}, 300, Qt::ControlModifier);
    m = w->Mapping();
    EXPECT_NEAR(m.ZoomEnd - m.ZoomBegin, 10000 * std::pow(0.8, 10), 30);
    EXPECT_NEAR(double(m.SampleAt(300)), double(deepUnder), (m.ZoomEnd - m.ZoomBegin) / width);
    wheel({0, -1200}, 300, Qt::ControlModifier);
    EXPECT_FALSE(w->Zoomed());

    QWidget* ruler = w->Ruler();
    ASSERT_NE(ruler, nullptr);
    EXPECT_TRUE(ruler->isVisibleTo(w));
    EXPECT_LE(ruler->geometry().bottom(), w->Client()->geometry().top());
    EXPECT_EQ(w->Mapping().Left, 0);
}

}  // namespace

namespace {

// The Window menu lists the open windows, the active one checked, and
// brings the chosen one to the front.
TEST_F(MainFormTest, WindowMenuListsTheWindows) {
    TMDIChildWave* first = openSamples({1, 2, 3});
    TMDIChildWave* second = openSamples({4, 5, 6});
    ASSERT_EQ(form->ActiveWaveChild(), second);
    TWindowList* list = form->WindowList();
    list->Refresh();
    ASSERT_EQ(list->Entries().size(), 2);
    const QString title = first->parentWidget()->windowTitle();
    EXPECT_EQ(list->Entries()[0]->text(), "&1 " + QString(title).replace('&', "&&"));
    EXPECT_FALSE(list->Entries()[0]->isChecked());
    EXPECT_TRUE(list->Entries()[1]->isChecked());
    EXPECT_TRUE(form->Menu("Window")->actions().contains(list->Entries()[1]));
    list->Entries()[0]->trigger();
    EXPECT_EQ(form->ActiveWaveChild(), first);
    list->Refresh();
    EXPECT_TRUE(list->Entries()[0]->isChecked());
    EXPECT_EQ(list->Entries().size(), 2);  // made anew, not added to
    form->MdiArea()->closeAllSubWindows();
    list->Refresh();
    EXPECT_TRUE(list->Entries().isEmpty());
}

}  // namespace

namespace {

TEST(FreePlace, FirstFreeCornerThenTheLargestRoom) {
    const QRect area(0, 0, 1000, 600);
    const QSize least(360, 200);
    // Empty: the corner; then beside, then below.
    EXPECT_EQ(FreePlace(area, {}, QSize(600, 300), least), QRect(0, 0, 600, 300));
    EXPECT_EQ(FreePlace(area, {QRect(0, 0, 400, 300)}, QSize(600, 300), least), QRect(400, 0, 600, 300));
    EXPECT_EQ(FreePlace(area, {QRect(0, 0, 600, 300)}, QSize(600, 300), least), QRect(0, 300, 600, 300));
    // No room at full size: the largest room from a corner, not under least.
    EXPECT_EQ(FreePlace(area, {QRect(0, 0, 600, 300), QRect(0, 300, 600, 300)}, QSize(700, 400), least),
              QRect(600, 0, 400, 400));
    EXPECT_FALSE(FreePlace(area, {QRect(0, 0, 800, 300), QRect(0, 300, 800, 300)}, QSize(700, 400), least).isValid());
}

// The first windows of a start hide none of each other and are all in sight,
// also when they are opened before the work area has its size.
TEST_F(MainFormTest, StartLayoutHidesNoWindow) {
    for (const bool shownFirst : {true, false}) {
        SCOPED_TRACE(shownFirst ? "opened in a shown window" : "opened before the window is shown");
        form = std::make_unique<TMainForm>();
        auto r = std::make_unique<ScriptedRunner>();
        runner = r.get();
        form->SetDialogRunner(std::move(r));
        form->resize(1100, 760);
        if (shownFirst) form->show();
        QCoreApplication::processEvents();
        openSamples(std::vector<int>(100, 1));
        openSamples(std::vector<int>(100, 2));
        form->OpenMusicFiles({QString(KORVANE_SOURCE_DIR) + "/examples/music-demo.korvanem"});
        form->show();
        // Scroll bars a window called up before it had its place go with the
        // next pass of the event loop.
        QCoreApplication::processEvents();
        const QList<QMdiSubWindow*> subs = form->MdiArea()->subWindowList();
        ASSERT_EQ(subs.size(), 4);  // the demo brings its sample from beside it
        const QRect area = form->MdiArea()->viewport()->rect();
        EXPECT_EQ(area.size(), form->MdiArea()->contentsRect().size());  // no scroll bars
        for (int i = 0; i < subs.size(); ++i) {
            const QRect g = subs[i]->geometry();
            EXPECT_TRUE(area.contains(g)) << i << ": " << g.x() << "," << g.y() << " " << g.width() << "x"
                                          << g.height() << " in " << area.width() << "x" << area.height();
            EXPECT_GE(subs[i]->width(), 360) << i;
            for (int j = 0; j < i; ++j) EXPECT_FALSE(g.intersects(subs[j]->geometry())) << i << " " << j;
        }
    }
}

}  // namespace
