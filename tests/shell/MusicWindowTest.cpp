#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolBar>

#include "ShellApp.h"
#include "TestSupport.h"
#include "music/MusicEdit.h"
#include "musicfile/MuzFile.h"
#include "shell/ChildMuz.h"
#include "shell/Main.h"
#include "shell/MusicCursors.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// A music window made with New music, its client at a fixed size and the
// score laid out, so that the staves' base lines and the symbols' extents
// are known.
class MusicWindowTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        ShellApp();
        form = std::make_unique<TMainForm>();
        auto r = std::make_unique<ScriptedRunner>();
        runner = r.get();
        form->SetDialogRunner(std::move(r));
        form->resize(1200, 900);
        form->show();
        trigger("FileNewMuz");
        window = form->ActiveMusicChild();
        ASSERT_NE(window, nullptr);
        window->parentWidget()->resize(900, 600);
        doc = window->Doc();
        doc->AutoPlay = false;
        paint();
    }
    void TearDown() override {
        form.reset();
        CoreFixture::TearDown();
    }

    void trigger(const char* name) {
        form->UpdateActions();
        QAction* a = form->Action(name);
        ASSERT_TRUE(a && a->isEnabled()) << name;
        a->trigger();
        form->UpdateActions();
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

    std::unique_ptr<TMainForm> form;
    ScriptedRunner* runner = nullptr;
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
    EXPECT_EQ(form->Panel(1)->text(), "Note");
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
    form->OpenMusicFiles({dir.filePath("bad.xml"), path});
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, "File Error");
    EXPECT_EQ(boxes.shown[1].text.rfind("Cannot read the file: \"" + dir.filePath("bad.xml").toStdString() + "\", ", 0),
              0u);
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
    EXPECT_EQ(boxes.shown.size(), 1u);
}
