#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "MainFormFixture.h"
#include "ShellApp.h"
#include "TestSupport.h"
#include "music/MusicEdit.h"
#include "music/MusicTree.h"
#include "musicfile/MuzFile.h"
#include "shell/ChildMuz.h"
#include "shell/DMusTree.h"
#include "shell/DMusic.h"
#include "shell/ChildWave.h"
#include "shell/Main.h"
#include "shell/MusicCursors.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// A music window made with New music, its client at a fixed size and the
// score laid out, so that the staves' base lines and the symbols' extents
// are known.
class MusicWindowTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        form->resize(1200, 900);
        trigger("FileNewMuz");
        window = form->ActiveMusicChild();
        ASSERT_NE(window, nullptr);
        window->parentWidget()->resize(900, 600);
        doc = window->Doc();
        doc->AutoPlay = false;
        paint();
    }

    // A paint lays the score out and writes the extents the clicks use.
    void paint() { window->Client()->grab(); }
    TNoteStave* stave() const { return static_cast<TNoteStave*>(doc->GetFirstStave()); }
    int base() const { return stave()->Layout.BaseY; }

    void mouse(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(x, y), window->Client()->mapToGlobal(QPointF(x, y)), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(window->Client(), &e);
        paint();
    }
    void click(int x, int y) {
        mouse(QEvent::MouseButtonPress, x, y, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, x, y, Qt::LeftButton, Qt::NoButton);
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, k, modifiers);
        QApplication::sendEvent(window->Client(), &e);
        paint();
    }
    // The symbols of the stave, in list order.
    std::vector<TStaveSymbol*> symbols() const {
        std::vector<TStaveSymbol*> list;
        for (TStaveSymbol* s = doc->FirstSinglePart()->GetFirstSymbol(); s; s = s->Next) list.push_back(s);
        return list;
    }
    int pitchOf(size_t n) const { return static_cast<TMuzNote*>(symbols()[n])->GetPitch(); }
    int rightOfLast() const { return symbols().back()->Layout.RightX + 20; }

    TMDIChildMuz* window = nullptr;
    TUnitMuz* doc = nullptr;
};

}  // namespace

TEST_F(MusicWindowTest, MenusAndToolBarsFollowTheActiveWindowsKind) {
    auto shown = [&](const char* menu) { return form->Menu(menu)->menuAction()->isVisible(); };
    EXPECT_TRUE(shown("Music"));
    for (const char* m : {"Edit", "Make", "Effects"}) EXPECT_FALSE(shown(m)) << m;
    for (const char* t : {"Music Note", "Music Silence", "Music Bar"}) EXPECT_TRUE(form->ToolBar(t)->isVisibleTo(form.get()));
    for (const char* t : {"View", "Make Waves", "Complex Manipulations"})
        EXPECT_FALSE(form->ToolBar(t)->isVisibleTo(form.get())) << t;
    // The music commands are enabled and checked as the document says.
    EXPECT_TRUE(form->Action("MusicModeAdd")->isChecked());
    EXPECT_TRUE(form->Action("MusicNote8")->isEnabled());
    EXPECT_FALSE(form->Action("MusicDelete")->isEnabled());
    trigger("MusicModeEdit");
    EXPECT_TRUE(form->Action("MusicModeEdit")->isChecked());
    EXPECT_FALSE(form->Action("MusicModeAdd")->isChecked());
    EXPECT_FALSE(form->Action("MusicDelete")->isEnabled());  // the key at 0 stays

    // A wave window brings the wave menus and bars back.
    form->AddWaveWindow(std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({1, 2, 3}), 1000, 2), "x.wav"));
    form->UpdateActions();
    EXPECT_FALSE(shown("Music"));
    for (const char* m : {"Edit", "Make", "Effects"}) EXPECT_TRUE(shown(m)) << m;
    EXPECT_FALSE(form->ToolBar("Music Note")->isVisibleTo(form.get()));
    EXPECT_TRUE(form->ToolBar("Make Waves")->isVisibleTo(form.get()));
    EXPECT_FALSE(form->Action("MusicNote8")->isEnabled());
}

TEST_F(MusicWindowTest, AClickInsertsAtTheClickedHeightAndPlace) {
    const int x = rightOfLast();
    // Halves of a 5-pixel step round away from the middle line.
    click(x, base() - 12);  // (12 + 2) / 5 = 2 steps up: D above the B line
    click(rightOfLast(), base() + 12);  // 2 steps down: G
    click(rightOfLast(), base() - 2);   // (2 + 2) / 5 = 0: the B on the line
    ASSERT_EQ(symbols().size(), 4u);
    EXPECT_EQ(pitchOf(1), 8);
    EXPECT_EQ(pitchOf(2), 4);
    EXPECT_EQ(pitchOf(3), 6);
    // Left of the second note's middle: the new note goes before it.
    const TStaveSymbol* second = symbols()[2];
    click((second->Layout.LeftX + second->Layout.RightX) / 2 - 3, base() - 20);
    ASSERT_EQ(symbols().size(), 5u);
    EXPECT_EQ(pitchOf(2), 10);
    EXPECT_EQ(symbols()[2]->GetSymbolPosition(), 0.25);
    // On a note: a chord member, nothing moves.
    const TStaveSymbol* first = symbols()[1];
    click((first->Layout.LeftX + first->Layout.RightX) / 2, base() - 30);
    ASSERT_EQ(symbols().size(), 6u);
    EXPECT_EQ(pitchOf(1), 12);
    EXPECT_EQ(symbols()[2]->GetSymbolPosition(), 0.0);
    EXPECT_EQ(doc->StateText(), "New");
    // Below the last stave nothing is inserted.
    click(rightOfLast(), base() + stave()->RoomDown + 20);
    EXPECT_EQ(symbols().size(), 6u);
}

TEST_F(MusicWindowTest, SelectModeSelectsAndASecondClickDeselects) {
    click(rightOfLast(), base());
    trigger("MusicModeEdit");
    const TStaveSymbol* note = symbols()[1];
    const int x = (note->Layout.LeftX + note->Layout.RightX) / 2;
    click(x, base());
    EXPECT_EQ(doc->SelectedSymbol, note);
    EXPECT_EQ(form->Panel(1)->text(), "Note · bar 1, beat 1 · 1/4");
    click(x, base());
    EXPECT_EQ(doc->SelectedSymbol, nullptr);
    // Keys select; with Alt held the window's keys do nothing.
    click(x, base());
    key(Qt::Key_Left);
    EXPECT_EQ(doc->SelectedSymbol, symbols()[0]);
    key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(doc->SelectedSymbol, symbols()[0]);
    key(Qt::Key_End);
    EXPECT_EQ(doc->SelectedSymbol, note);
}

TEST_F(MusicWindowTest, DeleteModeShowsWhatCanBeDeleted) {
    click(rightOfLast(), base());
    trigger("MusicModeDelete");
    const TStaveSymbol* key = symbols()[0];
    const TStaveSymbol* note = symbols()[1];
    auto cursorKey = [](const QCursor& c) { return c.pixmap().cacheKey(); };
    EXPECT_EQ(cursorKey(window->CursorAt((key->Layout.LeftX + key->Layout.RightX) / 2, base())),
              cursorKey(MusicCursor("REJECT")));
    EXPECT_EQ(cursorKey(window->CursorAt((note->Layout.LeftX + note->Layout.RightX) / 2, base())),
              cursorKey(MusicCursor("DELETE")));
    click((key->Layout.LeftX + key->Layout.RightX) / 2, base());
    EXPECT_EQ(symbols().size(), 2u);
    click((note->Layout.LeftX + note->Layout.RightX) / 2, base());
    EXPECT_EQ(symbols().size(), 1u);
}

TEST_F(MusicWindowTest, DraggingAStaveBorderSetsItsRooms) {
    const int border = base() + stave()->RoomDown;
    EXPECT_EQ(window->CursorAt(10, border).shape(), Qt::SplitVCursor);
    // Left button: the room below, not under 30.
    mouse(QEvent::MouseButtonPress, 10, border + 1, Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(window->Dragging());
    mouse(QEvent::MouseMove, 10, border + 21, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(stave()->RoomDown, 100);
    mouse(QEvent::MouseMove, 10, border - 200, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(stave()->RoomDown, 30);
    mouse(QEvent::MouseButtonRelease, 10, border - 200, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(window->Dragging());
    EXPECT_EQ(stave()->RoomUp, 80);

    // Both buttons: 7 pixels give 3 and 4, the next 7 give 4 and 3.
    const int y = base() + stave()->RoomDown;
    mouse(QEvent::MouseButtonPress, 10, y, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonPress, 10, y, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    mouse(QEvent::MouseMove, 10, y + 7, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(stave()->RoomDown, 33);
    EXPECT_EQ(stave()->RoomUp, 84);
    mouse(QEvent::MouseMove, 10, y + 14, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(stave()->RoomDown, 37);
    EXPECT_EQ(stave()->RoomUp, 87);
}

TEST_F(MusicWindowTest, SaveGenerateAndOpenMusic) {
    QTemporaryDir dir;
    click(rightOfLast(), base());
    const QString path = dir.filePath("tune.xml");
    runner->saveNames.push_back(path);
    trigger("FileSave");
    EXPECT_EQ(doc->StateText(), "");
    EXPECT_EQ(doc->FileName, path.toStdString());
    // Generate opens a new wave window with the next NONAME name; without
    // the sample wave the render fails with one Error box.
    trigger("MusicGenerate");
    EXPECT_EQ(form->ActiveWaveChild(), nullptr);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot create music: Cannot find window \"sample\".");
    // A file that cannot be read gives the File Error box; the good one opens.
    QFile bad(dir.filePath("bad.xml"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<UnitMuz>");
    bad.close();
    // The tune plays "sample", which is neither open nor beside it: one box
    // asks whether to locate it (Cancel: the music opens without it).
    form->OpenMusicFiles({dir.filePath("bad.xml"), path});
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[1].title, "File Error");
    EXPECT_EQ(boxes.shown[1].text.rfind("Cannot read the file: \"" + dir.filePath("bad.xml").toStdString() + "\", ", 0),
              0u);
    EXPECT_EQ(boxes.shown[2].title, "Missing instruments");
    EXPECT_EQ(boxes.shown[2].text,
              "The music plays these instruments, which are neither open nor beside the music file as NAME.wav:"
              "\n    sample\n\nDo you want to locate their wave files?");
    ASSERT_NE(form->ActiveMusicChild(), window);
    EXPECT_EQ(form->ActiveMusicChild()->Doc()->FileName, path.toStdString());
}

// File > Export of a music window offers the score formats and writes what
// the name's extension says; File > Import brings the score back as a new
// music window, and our own music file under any name simply opens.
TEST_F(MusicWindowTest, ExportAndImportScoresThroughTheFileMenu) {
    QTemporaryDir dir;
    click(rightOfLast(), base());
    std::string ours, message;
    ASSERT_TRUE(MuzText(*doc, ours, message)) << message;
    auto pitches = [](TUnitMuz& music) {
        std::vector<int> list;
        for (TStaveSymbol* s = music.FirstSinglePart()->GetFirstSymbol(); s; s = s->Next)
            if (auto* note = dynamic_cast<TMuzNote*>(s)) list.push_back(note->GetPitch());
        return list;
    };
    ASSERT_EQ(pitches(*doc).size(), 1u);
    for (const char* name : {"tune.musicxml", "tune.mxl", "tune.mid"}) {
        SCOPED_TRACE(name);
        runner->saveNames = {dir.filePath(name)};
        trigger("FileExport");
        runner->openFiles = {dir.filePath(name)};
        const size_t before = form->Children().size();
        trigger("FileImport");
        ASSERT_EQ(form->Children().size(), before + 1);
        TUnitMuz* back = form->ActiveMusicChild()->Doc();
        EXPECT_NE(back, doc);
        EXPECT_TRUE(back->HasNoFile());
        EXPECT_EQ(back->StateText(), "New");
        EXPECT_EQ(pitches(*back), pitches(*doc));
        form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
        ASSERT_EQ(form->ActiveMusicChild(), window);
    }
    // The document itself is untouched by exporting.
    std::string after;
    ASSERT_TRUE(MuzText(*doc, after, message));
    EXPECT_EQ(after, ours);
    // What MusicXML cannot say comes as one box an export; MIDI plays the
    // note player's notes, so it has nothing to tell.
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& box : boxes.shown) {
        EXPECT_EQ(box.title, "Export");
        EXPECT_EQ(box.text, "dropped: 1 note player");
    }
    boxes.shown.clear();

    // A name of no score format is refused with one box; nothing is written.
    runner->saveNames = {dir.filePath("tune.flac")};
    trigger("FileExport");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot export to \"" + dir.filePath("tune.flac").toStdString() +
                                       "\": the name must end in the extension of a format.");
    EXPECT_FALSE(QFile::exists(dir.filePath("tune.flac")));

    // Our own file saved as .xml opens as itself, with its file name.
    const QString own = dir.filePath("own.xml");
    runner->saveNames = {own};
    trigger("FileSaveAs");
    runner->openFiles = {own};
    trigger("FileImport");
    EXPECT_EQ(form->ActiveMusicChild()->Doc()->FileName, own.toStdString());
    // Its instrument, the wave "sample", is neither open nor beside it: the
    // one question about it, and nothing else.
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, "Missing instruments");
}

namespace {

class MusicScrollTest : public MusicWindowTest {
protected:
    // The demo in a window that is not maximized.
    void openDemo() {
        form->OpenMusicFiles({QString(KORVANE_SOURCE_DIR) + "/examples/music-demo.korvanem"});
        window = form->ActiveMusicChild();
        ASSERT_NE(window, nullptr);
        // Narrow enough that the demo runs over more than two views.
        window->parentWidget()->resize(350, 420);
        doc = window->Doc();
        doc->AutoPlay = false;
        paint();
    }
    QScrollBar* bar() const { return window->HorizontalBar(); }
    int width() const { return window->Client()->width(); }
    // The right end of the drawing in drawing pixels, less the view width.
    int expectedMaximum() const { return window->Layout().LargestX() - window->OriginX() + 5 - 80; }
    void act(QAbstractSlider::SliderAction action) {
        bar()->triggerAction(action);
        paint();
    }
    void wheel(QPoint delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(50, 50);
        QWheelEvent e(at, window->Client()->mapToGlobal(at), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(window->Client(), &e);
        paint();
    }
};

// The bar's range, steps and thumb stay with the view wherever it is
// scrolled: a trough click moves one view width, an arrow a tenth of it.
TEST_F(MusicScrollTest, ScrollBarKeepsTrackOfTheView) {
    openDemo();
    const int w = width(), max = bar()->maximum();
    ASSERT_GT(max, 2 * w) << "the demo is wider than two views";
    EXPECT_EQ(max, expectedMaximum());
    EXPECT_EQ(bar()->pageStep(), w);
    EXPECT_EQ(bar()->singleStep(), w / 10);
    act(QAbstractSlider::SliderPageStepAdd);
    act(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar()->value(), 2 * w);
    EXPECT_EQ(bar()->maximum(), max);
    EXPECT_EQ(window->OriginX(), 5 - 2 * w);
    act(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar()->value(), 2 * w - w / 10);
    EXPECT_EQ(bar()->maximum(), max);
    // To the end: the last bar stands 80 pixels from the right end of the drawing.
    for (int i = 0; i < 100 && bar()->value() < max; ++i) act(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar()->value(), max);
    EXPECT_EQ(window->Layout().LargestX(), 80);
    EXPECT_EQ(bar()->maximum(), max);
    act(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar()->value(), max - w / 10);

    // Maximized, a trough click keeps the bar usable.
    window->parentWidget()->showMaximized();
    paint();
    act(QAbstractSlider::SliderToMinimum);
    const int wide = width(), maxWide = bar()->maximum();
    EXPECT_EQ(maxWide, expectedMaximum());
    act(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar()->value(), std::min(wide, maxWide));
    EXPECT_EQ(bar()->maximum(), maxWide);
    act(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar()->value(), std::min(wide, maxWide) - wide / 10);
}

// The wheel scrolls sideways: down (or toward the user) to the right, a
// notch by an arrow's step; Shift+wheel too, however it arrives.
TEST_F(MusicScrollTest, WheelScrollsSideways) {
    openDemo();
    const int step = bar()->singleStep();
    wheel({0, -120});
    EXPECT_EQ(bar()->value(), step);
    wheel({0, -240});
    EXPECT_EQ(bar()->value(), 3 * step);
    wheel({0, 120});
    EXPECT_EQ(bar()->value(), 2 * step);
    wheel({-120, 0}, Qt::ShiftModifier);
    EXPECT_EQ(bar()->value(), 3 * step);
    // Half notches add up.
    wheel({0, -60});
    EXPECT_EQ(bar()->value(), 3 * step);
    wheel({0, -60});
    EXPECT_EQ(bar()->value(), 4 * step);
    wheel({0, 12000});
    EXPECT_EQ(bar()->value(), 0);
}

// A note inserted at the right edge comes into view (inside 0.1 and 0.9 of
// the width); commands that insert or select nothing leave the view alone.
TEST_F(MusicWindowTest, ScrollBarFollowsWhatIsInserted) {
    window->parentWidget()->resize(400, 400);
    paint();
    const int w = window->Client()->width();
    int scrolled = 0;
    for (int i = 0; i < 30; ++i) {
        click(rightOfLast(), base());
        const TStaveSymbol* last = symbols().back();
        ASSERT_EQ(symbols().size(), size_t(i + 2));
        EXPECT_LE(last->Layout.RightX, 0.9 * w + 1) << i;
        EXPECT_GE(last->Layout.LeftX, 0.1 * w - 1) << i;
        scrolled = window->HorizontalBar()->value();
    }
    EXPECT_GT(scrolled, w);
    // A length command changes what a click inserts, not the view.
    trigger("MusicNote2");
    trigger("MusicModeEdit");
    paint();
    EXPECT_EQ(window->HorizontalBar()->value(), scrolled);
    // Selecting the first note scrolls back to it.
    const TStaveSymbol* last = symbols().back();
    click((last->Layout.LeftX + last->Layout.RightX) / 2, base());
    ASSERT_EQ(doc->SelectedSymbol, last);
    EXPECT_EQ(window->HorizontalBar()->value(), scrolled);
    key(Qt::Key_Home);
    EXPECT_EQ(doc->SelectedSymbol, symbols()[0]);
    EXPECT_EQ(window->HorizontalBar()->value(), 0);  // the key at the start
}

}  // namespace

namespace {

// Save offers to put the unsaved instrument beside the music file; opening
// the music again brings it from there, and a missing one can be located.
TEST_F(MusicWindowTest, InstrumentBesideTravelsWithTheMusic) {
    QTemporaryDir dir;
    TMDIChildMuz* music = window;
    click(rightOfLast(), base());
    auto made = std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({100, 200, 300, 400}), 1000, 2), "");
    made->MarkNew();
    TUnitWave* sample = made.get();
    form->AddWaveWindow(std::move(made));
    ASSERT_TRUE(form->Workspace().SetName(*sample, "sample"));
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(music->parentWidget()));
    const QString path = dir.filePath("tune.xml");
    runner->saveNames.push_back(path);
    boxes.answers = {MessageAnswer::Yes};
    trigger("FileSave");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Unsaved instruments");
    EXPECT_NE(boxes.shown[0].text.find(dir.filePath("sample.wav").toStdString()), std::string::npos);
    EXPECT_EQ(sample->FileName, dir.filePath("sample.wav").toStdString());
    EXPECT_FALSE(sample->NeedsSaving());
    // Saved once, nothing more is offered.
    doc->MarkChanged();
    trigger("FileSave");
    EXPECT_EQ(boxes.shown.size(), 1u);

    form->MdiArea()->closeAllSubWindows();
    ASSERT_TRUE(form->Children().empty());
    form->OpenMusicFiles({path});
    EXPECT_EQ(boxes.shown.size(), 1u);
    TUnitWave* back = form->Workspace().FindWave("sample");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->FileName, dir.filePath("sample.wav").toStdString());
    EXPECT_EQ(back->GetValues(), 4);
    EXPECT_EQ(form->Children().size(), 2u);  // the wave has a window of its own
    trigger("MusicGenerate");
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(form->ActiveWaveChild(), nullptr);

    // Gone from beside the file: one box names it, and Yes asks for its file.
    boxes.answers = {MessageAnswer::No};  // the generated wave is not kept
    form->MdiArea()->closeAllSubWindows();
    ASSERT_TRUE(form->Children().empty());
    boxes.shown.clear();
    ASSERT_TRUE(QFile::rename(dir.filePath("sample.wav"), dir.filePath("elsewhere.wav")));
    runner->openFiles = {dir.filePath("elsewhere.wav")};
    boxes.answers = {MessageAnswer::Yes};
    form->OpenMusicFiles({path});
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Missing instruments");
    EXPECT_NE(boxes.shown[0].text.find("\n    sample\n"), std::string::npos) << boxes.shown[0].text;
    back = form->Workspace().FindWave("sample");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->FileName, dir.filePath("elsewhere.wav").toStdString());
    EXPECT_EQ(form->Children().size(), 2u);
}

}  // namespace

namespace {

// The status bar reads as a musician does: the place in bars and beats and
// the note value of the selected symbol, in add mode what a click inserts;
// the panel grows to its text.
TEST_F(MusicWindowTest, StatusBarShowsBarBeatAndValue) {
    EXPECT_EQ(form->Panel(1)->text(), "insert: 1/4 note");
    trigger("MusicNote8");
    trigger("MusicPointAdd");
    EXPECT_EQ(form->Panel(1)->text(), "insert: dotted 1/8 note");
    for (int i = 0; i < 4; ++i) click(rightOfLast(), base());
    trigger("MusicModeEdit");
    const TStaveSymbol* fourth = symbols()[4];
    click((fourth->Layout.LeftX + fourth->Layout.RightX) / 2, base());
    ASSERT_EQ(doc->SelectedSymbol, fourth);
    // Three dotted eighths before it: 9/16, the second beat's last sixteenth.
    EXPECT_EQ(form->Panel(1)->text(), "Note · bar 1, beat 3¼ · dotted 1/8");
    EXPECT_EQ(form->Panel(2)->text(), "pos: 0.5625");
    EXPECT_GE(form->Panel(1)->width(), form->Panel(1)->fontMetrics().horizontalAdvance(form->Panel(1)->text()));
}

// The length, key, accidental, articulation and stick commands show the
// insert setting checked in add mode, the selected note's in select mode,
// on the tool bar and in the menu alike.
TEST_F(MusicWindowTest, InsertSettingIsShownChecked) {
    auto checked = [&](const char* name) {
        form->UpdateActions();
        return form->Action(name)->isChecked();
    };
    auto button = [&](const char* bar, const char* name) {
        auto* b = qobject_cast<QToolButton*>(form->ToolBar(bar)->widgetForAction(form->Action(name)));
        return b && b->isChecked();
    };
    EXPECT_TRUE(checked("MusicNote4"));
    EXPECT_TRUE(button("Music Note", "MusicNote4"));
    EXPECT_FALSE(checked("MusicNote8"));
    EXPECT_FALSE(checked("MusicSilence4"));
    EXPECT_TRUE(checked("MusicArtNormal"));
    EXPECT_FALSE(checked("MusicKeyG"));  // clicks insert notes, not keys
    EXPECT_FALSE(checked("NoteStickUp"));
    trigger("MusicNote16");
    trigger("MusicStaccato");
    trigger("NoteStickUp");
    EXPECT_TRUE(checked("MusicNote16"));
    EXPECT_FALSE(checked("MusicNote4"));
    EXPECT_FALSE(button("Music Note", "MusicNote4"));
    EXPECT_TRUE(checked("MusicStaccato"));
    EXPECT_FALSE(checked("MusicArtNormal"));
    EXPECT_TRUE(checked("NoteStickUp"));
    EXPECT_TRUE(button("Music Bar", "NoteStickUp"));
    click(rightOfLast(), base());
    trigger("MusicSilence2");
    EXPECT_TRUE(checked("MusicSilence2"));
    EXPECT_FALSE(checked("MusicNote16"));
    trigger("MusicKeyF");
    EXPECT_TRUE(checked("MusicKeyF"));
    trigger("MusicNSCross");
    EXPECT_TRUE(checked("MusicNSCross"));
    EXPECT_FALSE(checked("MusicKeyF"));

    // Select mode: the selected note's own values; nothing selected, nothing checked.
    trigger("MusicModeEdit");
    for (const char* name : {"MusicNote16", "MusicStaccato", "NoteStickUp", "MusicNSCross", "MusicKeyF"})
        EXPECT_FALSE(checked(name)) << name;
    const TStaveSymbol* note = symbols()[1];
    click((note->Layout.LeftX + note->Layout.RightX) / 2, base());
    ASSERT_EQ(doc->SelectedSymbol, note);
    EXPECT_TRUE(checked("MusicNote16"));
    EXPECT_TRUE(checked("MusicStaccato"));
    EXPECT_TRUE(checked("NoteStickUp"));
    EXPECT_FALSE(checked("MusicSilence2"));
    key(Qt::Key_Left);  // the key
    EXPECT_TRUE(checked("MusicKeyG"));
    EXPECT_FALSE(checked("MusicNote16"));
}

}  // namespace

namespace {

std::string textOf(TUnitMuz& doc) {
    std::string text, message;
    EXPECT_TRUE(MuzText(doc, text, message)) << message;
    return text;
}

// The music copies in a window's journal folder, once the journal caught up.
std::vector<std::string> journalledMusic(TMainForm& form, const std::string& root) {
    form.UpdateActions();
    for (int i = 0; i < 1000 && form.Journal()->Deferred(); ++i) {
        QTest::qWait(5);
        form.UpdateActions();
    }
    form.Journal()->WaitIdle();
    std::vector<std::string> texts;
    for (const auto& folder : std::filesystem::directory_iterator(root))
        for (const auto& file : std::filesystem::directory_iterator(folder.path()))
            // The document's copy "N-G", not its history's states "N-sK".
            if (file.path().extension() == ".korvanem" && file.path().filename().string().find("-s") == std::string::npos) {
                std::ifstream in(file.path(), std::ios::binary);
                texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
    return texts;
}

}  // namespace

TEST_F(MusicWindowTest, UndoTakesBackTheLastScoreEditAndASecondUndoRestoresIt) {
    QTemporaryDir journalRoot;
    form->StartJournal(journalRoot.path().toStdString());
    ASSERT_NE(form->Journal(), nullptr);
    // Ctrl+Z's way through Qt's shortcuts is MainFormTest's; here the
    // dialogs opened below may hold the keyboard, so Undo is triggered.
    auto ctrlZ = [&] { trigger("Undo"); };
    auto selectedIndex = [&] {
        const std::vector<TStaveSymbol*> list = symbols();
        return int(std::find(list.begin(), list.end(), doc->SelectedSymbol) - list.begin());
    };
    form->UpdateActions();
    EXPECT_FALSE(form->Workspace().HasUndo());
    const std::string empty = textOf(*doc);

    // Two notes, each an edit; the window goes idle after each. Between
    // them the first note is selected, which reading the text alone would
    // not give back (the reader selects the key).
    click(rightOfLast(), base() - 12);
    form->UpdateActions();
    trigger("MusicModeEdit");
    key(Qt::Key_End);
    form->UpdateActions();
    ASSERT_EQ(selectedIndex(), 1);
    trigger("MusicModeAdd");
    click(rightOfLast(), base() + 12);
    form->UpdateActions();
    ASSERT_EQ(symbols().size(), 3u);
    // A mode change and a selection take no step: the step is still the
    // second note's.
    trigger("MusicModeEdit");
    key(Qt::Key_Home);
    form->UpdateActions();
    ASSERT_EQ(selectedIndex(), 0);
    const std::string twoNotes = textOf(*doc);
    ASSERT_TRUE(form->Workspace().HasUndo());
    EXPECT_EQ(form->Workspace().UndoStep()->Unit, doc);

    // The two music dialogs are open on the document while Undo replaces it.
    trigger("MusicParts");
    trigger("MusicDialog");
    ctrlZ();
    ASSERT_EQ(symbols().size(), 2u);
    EXPECT_EQ(form->MusTreeDialog()->Doc(), doc);
    EXPECT_EQ(form->MusicDialog()->Doc(), doc);
    std::size_t items = 0;
    for (QTreeWidgetItemIterator it(form->MusTreeDialog()->tvMusParts); *it; ++it) ++items;
    EXPECT_EQ(items, TMusTree(*doc).Listing().size());
    EXPECT_EQ(pitchOf(1), 8);
    EXPECT_EQ(selectedIndex(), 1);
    EXPECT_EQ(form->ActiveMusicChild(), window);
    EXPECT_EQ(doc->StateText(), "New");
    const std::string afterFirst = textOf(*doc);
    EXPECT_NE(afterFirst, twoNotes);
    // The journal holds the state Undo brought back.
    EXPECT_EQ(journalledMusic(*form, journalRoot.path().toStdString()), std::vector<std::string>{afterFirst});
    // The second Ctrl+Z puts the note back, with the key selected as it was.
    ctrlZ();
    EXPECT_EQ(textOf(*doc), twoNotes);
    EXPECT_EQ(selectedIndex(), 0);
    ctrlZ();
    EXPECT_EQ(textOf(*doc), afterFirst);
    ctrlZ();
    EXPECT_EQ(textOf(*doc), twoNotes);
    EXPECT_EQ(journalledMusic(*form, journalRoot.path().toStdString()), std::vector<std::string>{twoNotes});

    // A stave border drag is one step however many moves the window sees.
    trigger("MusicModeAdd");
    paint();
    const int border = base() + stave()->RoomDown;
    mouse(QEvent::MouseButtonPress, 10, border + 1, Qt::LeftButton, Qt::LeftButton);
    for (int dy : {5, 10, 21}) {
        mouse(QEvent::MouseMove, 10, border + dy, Qt::NoButton, Qt::LeftButton);
        form->UpdateActions();
    }
    mouse(QEvent::MouseButtonRelease, 10, border + 21, Qt::LeftButton, Qt::NoButton);
    form->UpdateActions();
    ASSERT_EQ(stave()->RoomDown, 100);
    ctrlZ();
    EXPECT_EQ(stave()->RoomDown, 80);
    EXPECT_EQ(textOf(*doc), twoNotes);
    ctrlZ();
    EXPECT_EQ(stave()->RoomDown, 100);

    // A wave command after a music edit takes the step: Ctrl+Z in the music
    // window now brings the wave forward and leaves the score alone.
    TMDIChildWave* w = form->AddWaveWindow(
        std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({1, 2, 3}), 1000, 2), "x.wav"));
    trigger("Reverse");
    EXPECT_EQ(form->Workspace().UndoStep()->UnitWave, w->Doc());
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
    const std::string before = textOf(*doc);
    const uint64_t revision = doc->Revision;
    ctrlZ();
    EXPECT_EQ(form->ActiveChild(), w);
    EXPECT_EQ(samplesOf(w->Doc()->TheSound->GetLeft()), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(doc->Revision, revision);
    EXPECT_EQ(textOf(*doc), before);

    // And a music edit takes it back from the wave; closing the music
    // document drops it.
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
    paint();
    click(rightOfLast(), base());
    form->UpdateActions();
    ASSERT_EQ(form->Workspace().UndoStep()->Unit, doc);
    boxes.answers = {MessageAnswer::No};
    ASSERT_TRUE(window->parentWidget()->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form->UpdateActions();
    EXPECT_FALSE(form->Workspace().HasUndo());
    EXPECT_FALSE(form->Action("Undo")->isEnabled());
    EXPECT_EQ(samplesOf(w->Doc()->TheSound->GetLeft()), (std::vector<int>{1, 2, 3}));
}

// Score edits make states named by what they did; a mode change and a
// selection make none. Stepping back and forward gives each state's text
// and the symbol that was selected in it; Undo after a step returns to
// where the step started and is a state of its own.
TEST_F(MusicWindowTest, HistoryStepsThroughScoreEditsWithTheirSelection) {
    auto selectedIndex = [&] {
        const std::vector<TStaveSymbol*> list = symbols();
        return int(std::find(list.begin(), list.end(), doc->SelectedSymbol) - list.begin());
    };
    auto stepEnabled = [&](const char* name) {
        form->UpdateActions();
        return form->Action(name)->isEnabled();
    };
    form->UpdateActions();
    const std::string empty = textOf(*doc);
    click(rightOfLast(), base() - 12);
    form->UpdateActions();
    const std::string one = textOf(*doc);
    click(rightOfLast(), base() + 12);
    form->UpdateActions();
    const std::string two = textOf(*doc);
    const int selectedInTwo = selectedIndex();
    trigger("MusicModeEdit");
    key(Qt::Key_End);
    form->UpdateActions();
    ASSERT_NE(selectedIndex(), selectedInTwo);
    const THistory* h = form->History().Find(*doc);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(h->States.size(), 3u);
    EXPECT_EQ(h->States[0].Name.rfind("New, ", 0), 0u) << h->States[0].Name;
    EXPECT_EQ(h->States[1].Name.rfind("Note added, ", 0), 0u) << h->States[1].Name;
    EXPECT_EQ(h->States[2].Name.rfind("Note added, ", 0), 0u) << h->States[2].Name;

    trigger("StepBack");
    EXPECT_EQ(textOf(*doc), one);
    trigger("StepBack");
    EXPECT_EQ(textOf(*doc), empty);
    EXPECT_FALSE(stepEnabled("StepBack"));
    trigger("StepForward");
    trigger("StepForward");
    EXPECT_EQ(textOf(*doc), two);
    EXPECT_EQ(selectedIndex(), selectedInTwo);
    EXPECT_FALSE(stepEnabled("StepForward"));
    EXPECT_EQ(h->States.size(), 3u);

    trigger("StepBack");
    trigger("Undo");
    EXPECT_EQ(textOf(*doc), two);
    ASSERT_EQ(h->States.size(), 3u);
    EXPECT_EQ(h->States[2].Name.rfind("Undo, ", 0), 0u) << h->States[2].Name;
    EXPECT_EQ(h->Current, 2);
}
