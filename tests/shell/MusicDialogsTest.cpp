#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <deque>

#include "ShellApp.h"
#include "TestSupport.h"
#include "core/WavFile.h"
#include "music/MusicDialogModel.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/DMusTree.h"
#include "shell/DMusic.h"
#include "shell/Help.h"
#include "shell/Main.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

// Keeps the file it was given to play.
class PlayedFiles : public MediaPlayer {
public:
    std::vector<std::string> played;
    std::string file;
    TMediaMode mode = mpNotReady;
    bool Open(const std::string& f, std::string&) override {
        file = f;
        mode = mpStopped;
        return true;
    }
    void Close() override { mode = mpNotReady; }
    bool Play(bool, std::string&) override {
        played.push_back(file);
        mode = mpPlaying;
        return true;
    }
    bool StartRecording(bool, std::string&) override { return false; }
    void Pause() override {}
    void Resume() override {}
    void Stop() override { mode = mpStopped; }
    bool Save(std::string&) override { return false; }
    TMediaMode Mode() const override { return mode; }
};

class ColourRunner : public TDialogRunner {
public:
    std::deque<QColor> colours;  // each answers one colour dialog with OK
    int Run(QDialog& dialog) override {
        auto* colour = dynamic_cast<QColorDialog*>(&dialog);
        if (!colour || colours.empty()) return QDialog::Rejected;
        colour->setCurrentColor(colours.front());
        colours.pop_front();
        colour->accept();
        return colour->result();
    }
};

class MusicDialogsTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        ShellApp();
        form = std::make_unique<TMainForm>();
        auto p = std::make_unique<PlayedFiles>();
        player = p.get();
        form->SetMediaPlayer(std::move(p));
        auto r = std::make_unique<ColourRunner>();
        runner = r.get();
        form->SetDialogRunner(std::move(r));
        form->show();
        dlg = form->MusicDialog();
        tree = form->MusTreeDialog();
    }
    void TearDown() override {
        form.reset();
        CoreFixture::TearDown();
    }
    void trigger(const char* name) {
        form->UpdateActions();
        ASSERT_TRUE(form->Action(name)->isEnabled()) << name;
        form->Action(name)->trigger();
        form->UpdateActions();
    }
    TMDIChildMuz* newMusic() {
        trigger("FileNewMuz");
        return form->ActiveMusicChild();
    }
    TMDIChildMuz* openDemo() {
        form->OpenMusicFiles(
            {QString::fromStdString(std::string(KORVANE_SOURCE_DIR) + "/examples/music-demo.korvanem")});
        return form->ActiveMusicChild();
    }
    // The buttons of a level that are enabled, as "First Previous ...".
    std::string enabledButtons(TMusicLevel level) {
        std::string out;
        for (const TMusicButtonInfo& b : MusicButtons())
            if (dlg->Button(level, b.Button)->isEnabled()) out += std::string(out.empty() ? "" : " ") + b.Control;
        return out;
    }
    std::string browser(TMusicLevel level) {
        return dlg->CursorBox(level)->text().toStdString() + "/" + dlg->CountBox(level)->text().toStdString() + " " +
               enabledButtons(level);
    }
    // Types into an edit box and leaves it.
    bool type(QLineEdit* edit, const QString& text, bool inTree = false) {
        edit->setText(text);
        return inTree ? tree->ExitControl(edit) : dlg->ExitControl(edit);
    }
    // The tree view, one line per node, indented by depth.
    std::string treeText() {
        std::string out;
        for (QTreeWidgetItemIterator it(tree->tvMusParts); *it; ++it) {
            int depth = 0;
            for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
            out += std::string(depth * 2, ' ') + (*it)->text(0).toStdString() + "\n";
        }
        return out;
    }
    void selectNode(const QString& text, int nth = 0) {
        for (QTreeWidgetItemIterator it(tree->tvMusParts); *it; ++it)
            if ((*it)->text(0) == text && nth-- == 0) return tree->tvMusParts->setCurrentItem(*it);
        ADD_FAILURE() << "no node " << text.toStdString();
    }
    TMusTreeItem* selected() { return TMusTree(*form->ActiveMusicChild()->Doc()).Selected(); }
    void registerWave(const std::string& name, const std::vector<int>& samples) {
        auto doc = std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave(samples), 22050, 2), "");
        TUnitWave* w = form->AddWaveWindow(std::move(doc))->Doc();
        form->Workspace().SetName(*w, name);
    }

    std::unique_ptr<TMainForm> form;
    PlayedFiles* player = nullptr;
    ColourRunner* runner = nullptr;
    TDlgMusic* dlg = nullptr;
    TDlgMusTree* tree = nullptr;
};

TEST_F(MusicDialogsTest, BrowsersInsertDeleteAndMoveWithTheButtonsTheirCountsAllow) {
    TMDIChildMuz* m = newMusic();
    m->Doc()->MarkSaved();
    trigger("MusicDialog");
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(form->Action("MusicDialog")->isChecked());
    // One of each: every Delete is off.
    for (TMusicLevel level : {musicLevelStave, musicLevelGroup, musicLevelPlayer})
        EXPECT_EQ(browser(level), "1/1 Insert Append") << level;
    struct Step {
        TMusicLevel level;
        TMusicButton button;
        const char* after;
    } steps[] = {
        {musicLevelStave, musicAppend, "2/2 First Previous Insert Append Delete MovePrev"},
        {musicLevelStave, musicFirst, "1/2 Next Last Insert Append Delete MoveNext"},
        {musicLevelStave, musicMoveNext, "2/2 First Previous Insert Append Delete MovePrev"},
        {musicLevelGroup, musicInsert, "1/2 Next Last Insert Append Delete MoveNext"},
        {musicLevelPlayer, musicAppend, "2/2 First Previous Insert Append Delete MovePrev"},
        {musicLevelPlayer, musicAppend, "3/3 First Previous Insert Append Delete MovePrev"},
        // The last of three goes: the second becomes current.
        {musicLevelPlayer, musicDelete, "2/2 First Previous Insert Append Delete MovePrev"},
        {musicLevelGroup, musicDelete, "1/1 Insert Append"},
        {musicLevelStave, musicDelete, "1/1 Insert Append"},
    };
    for (const Step& s : steps) {
        dlg->Button(s.level, s.button)->click();
        EXPECT_EQ(browser(s.level), s.after) << MusicButtons()[s.button].Control;
    }
    EXPECT_EQ(m->Doc()->CountStaves(), 1);
    EXPECT_TRUE(m->Doc()->NeedsSaving());
    // A new group's one-player shows on its page.
    dlg->Button(musicLevelGroup, musicAppend)->click();
    EXPECT_EQ(dlg->pcPlay->currentIndex(), 0);
    EXPECT_EQ(dlg->sampleWaves[0]->currentText(), "sample");
    EXPECT_EQ(dlg->editPlaySOSBasicFreq->text(), "1 kHz");
    EXPECT_EQ(dlg->editPlayVolumeFactor->text(), "50 %");
    // Ctrl+D in the music window.
    m->ToggleMusicDialog();
    form->UpdateActions();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_FALSE(form->Action("MusicDialog")->isChecked());
}

TEST_F(MusicDialogsTest, RefusedTextsShowOneInputErrorKeepTheOldValueAndTakeTheFocusBack) {
    TMDIChildMuz* m = newMusic();
    trigger("MusicDialog");
    const std::string tempo = m->Doc()->Tempo.ToText();
    struct Case {
        QWidget* control;
        QString text;
        const char* message;
    } cases[] = {
        {dlg->editTempo, "xyz", "In Tempo: Input has no value."},
        {dlg->sampleWaves[0], "", "In Sample Wave: Field should not be empty."},
    };
    for (const Case& c : cases) {
        boxes.shown.clear();
        if (auto* e = qobject_cast<QLineEdit*>(c.control))
            e->setText(c.text);
        else
            static_cast<QComboBox*>(c.control)->setEditText(c.text);
        EXPECT_FALSE(dlg->ExitControl(c.control));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "Input Error");
        EXPECT_EQ(boxes.shown[0].text, c.message);
        EXPECT_EQ(dlg->focusWidget(), c.control);
        // A button pressed meanwhile does nothing but ask again.
        dlg->Button(musicLevelStave, musicAppend)->click();
        EXPECT_EQ(m->Doc()->CountStaves(), 1);
        EXPECT_EQ(boxes.shown.size(), 2u);
        dlg->Refresh();  // what is typed stays in the box
        EXPECT_EQ(c.control == dlg->editTempo ? dlg->editTempo->text() : dlg->sampleWaves[0]->currentText(), c.text);
    }
    EXPECT_EQ(m->Doc()->Tempo.ToText(), tempo);
    EXPECT_EQ(TMusicDialogModel(*m->Doc()).SampleWaveText(), "sample");
    // Good texts are stored.
    EXPECT_EQ(dlg->labelQuarterRate->text().toStdString(), "♩ = 240");  // a whole note in 1 s
    dlg->editTempo->setText("3 s");
    dlg->Apply();
    EXPECT_EQ(m->Doc()->Tempo.ToText(), "3 s");
    EXPECT_EQ(dlg->labelQuarterRate->text().toStdString(), "♩ = 80");
    EXPECT_TRUE(type(dlg->editStaveRoomUp, "120"));
    EXPECT_EQ(static_cast<TNoteStave*>(m->Doc()->GetFirstStave())->RoomUp, 120);
}

TEST_F(MusicDialogsTest, PagesKeepEachKindsSettingsAndImmediateControlsWriteTheDocument) {
    TMDIChildMuz* m = newMusic();
    trigger("MusicDialog");
    TMusicDialogModel model(*m->Doc());
    ASSERT_TRUE(type(dlg->editPlaySOSBasicFreq, "220 Hz"));
    dlg->pcPlay->setCurrentIndex(notePlayerRollOutSampler);
    EXPECT_EQ(model.OnePlayer()->OnePlayerProps.NotePlayerKind, notePlayerRollOutSampler);
    EXPECT_TRUE(dlg->editPlayROSBasicFreq->isEnabled());
    EXPECT_FALSE(dlg->editPlaySOSBasicFreq->isEnabled());
    ASSERT_TRUE(type(dlg->editPlayROSBasicFreq, "330 Hz"));
    dlg->pcPlay->setCurrentIndex(notePlayerSimpleSampler);
    EXPECT_EQ(dlg->editPlaySOSBasicFreq->text(), "220 Hz");
    dlg->pcPlay->setCurrentIndex(notePlayerRollOutSampler);
    EXPECT_EQ(dlg->editPlayROSBasicFreq->text(), "330 Hz");

    // Colours go to the document red in the low byte.
    runner->colours = {QColor(0x12, 0x34, 0x56), QColor(255, 0, 0)};
    dlg->colbStaveForeground->click();
    dlg->colbGroupNoteColor->click();
    EXPECT_EQ(model.Stave()->ForegroundColor, 0x563412);
    EXPECT_EQ(model.Group()->NoteColor, 0x0000FF);
    dlg->colbStaveBackground->click();  // cancelled
    EXPECT_EQ(model.Stave()->BackgroundColor, 0xFFFFFF);

    struct Click {
        QAbstractButton* box;
        int sticks;  // the group's stick direction after the click
        bool up, down;
    } clicks[] = {{dlg->chkGroupDrawSticksDown, 1, false, true},
                  {dlg->chkGroupDrawSticksUp, 0, true, false},
                  {dlg->chkGroupDrawSticksUp, 2, false, false}};
    for (const Click& c : clicks) {
        c.box->click();
        EXPECT_EQ(model.Group()->StickDirection, c.sticks);
        EXPECT_EQ(dlg->chkGroupDrawSticksUp->isChecked(), c.up);
        EXPECT_EQ(dlg->chkGroupDrawSticksDown->isChecked(), c.down);
    }
    dlg->chkStaveEnableSound->click();
    dlg->chkStaveExtraLines->click();
    dlg->rbGroupNoteShapeRectangle->click();
    EXPECT_TRUE(model.Stave()->Mute);
    EXPECT_TRUE(model.Stave()->ExtraLines);
    EXPECT_EQ(model.Group()->NoteShape, noteShapeRectangle);
}

TEST_F(MusicDialogsTest, DialogsFollowTheActiveWindowAndAreEmptyAndDisabledWithoutMusic) {
    registerWave("piano", {1, 2, 3});
    TMDIChildMuz* first = newMusic();
    trigger("MusicDialog");
    trigger("MusicParts");
    EXPECT_TRUE(form->Action("MusicParts")->isChecked());
    EXPECT_TRUE(tree->isVisible());
    for (auto [help, title] : {std::pair{dlg->btnHelp, "Music"}, std::pair{tree->btnHelp, "Music Parts"}}) {
        help->click();
        ASSERT_NE(CurrentHelpWindow(), nullptr);
        EXPECT_TRUE(CurrentHelpWindow()->PageText().startsWith(title)) << title;
    }
    EXPECT_EQ(CurrentHelpWindow()->Context(), TDlgMusTree::kHelpContext);
    // Activating the dialog lists the open waves.
    dlg->FillWaveNames();
    EXPECT_EQ(dlg->sampleWaves[2]->findText("piano"), 0);
    EXPECT_EQ(dlg->sampleWaves[0]->currentText(), "sample");

    // A border dragged in the score: the window says so and the rooms follow.
    static_cast<TNoteStave*>(first->Doc()->GetFirstStave())->RoomDown = 45;
    first->Changed();
    EXPECT_EQ(dlg->editStaveRoomDown->text(), "45");

    TMDIChildMuz* second = newMusic();
    second->Doc()->Tempo = unitTimePosMore(4, ucSecond);
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    EXPECT_EQ(dlg->editStaveRoomDown->text(), "45");
    EXPECT_EQ(treeText(), "root\n  part\n");
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(second->parentWidget()));
    EXPECT_EQ(dlg->editTempo->text(), "4 s");
    EXPECT_EQ(dlg->editStaveRoomDown->text(), "80");

    // A wave window, then no window at all: nothing to edit.
    for (bool close : {false, true}) {
        boxes.answers = {MessageAnswer::No, MessageAnswer::No, MessageAnswer::No};
        if (close)
            form->MdiArea()->closeAllSubWindows();
        else
            form->MdiArea()->setActiveSubWindow(form->MdiArea()->subWindowList().front());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(form->ActiveMusicChild(), nullptr);
        EXPECT_EQ(dlg->Doc(), nullptr);
        for (QWidget* w : dlg->findChildren<QWidget*>()) {
            const bool free = w == dlg->btnClose || w == dlg->btnHelp || !w->isWidgetType() ||
                              qobject_cast<QGroupBox*>(w) || w->objectName().isEmpty();
            if (!free) {
                EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
            }
        }
        for (QLineEdit* e : dlg->findChildren<QLineEdit*>())
            EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
        EXPECT_EQ(tree->tvMusParts->topLevelItemCount(), 0);
        for (int a = 0; a < treeActionCount; ++a) EXPECT_FALSE(tree->Action(TMusTreeAction(a))->isEnabled()) << a;
        for (QWidget* w : {static_cast<QWidget*>(tree->editCount), static_cast<QWidget*>(tree->editPitch),
                           static_cast<QWidget*>(tree->chkPlayDraw), static_cast<QWidget*>(tree->btnPlay),
                           static_cast<QWidget*>(tree->btnApply)})
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        EXPECT_FALSE(form->Action("MusicDialog")->isEnabled());
    }
}

TEST_F(MusicDialogsTest, PlayButtonsRenderTheirNotesAndAFailedRenderShowsItsError) {
    openDemo();
    // The demo brought its sample from beside it; without it the render fails.
    TUnitWave* beside = form->Workspace().FindWave("sample");
    ASSERT_NE(beside, nullptr);
    for (QMdiSubWindow* sub : form->MdiArea()->subWindowList())
        if (auto* wave = qobject_cast<TMDIChildWave*>(sub->widget()); wave && wave->Doc() == beside) sub->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(form->Workspace().FindWave("sample"), nullptr);
    trigger("MusicDialog");
    trigger("MusicParts");
    dlg->btnStavePlay->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Error");
    EXPECT_EQ(boxes.shown[0].text.rfind("Cannot create music: ", 0), 0u) << boxes.shown[0].text;
    EXPECT_TRUE(player->played.empty());

    registerWave("sample", std::vector<int>(2000, 3000));
    form->MdiArea()->setActiveSubWindow(form->MdiArea()->subWindowList().front());
    ASSERT_NE(form->ActiveMusicChild(), nullptr);
    std::vector<int32_t> lengths;
    auto playedLength = [&] {
        std::unique_ptr<Sound> s;
        std::string reason;
        EXPECT_TRUE(ReadWaveFile(player->played.back(), s, reason)) << reason;
        return s ? s->GetValues() : 0;
    };
    dlg->btnStavePlay->click();
    dlg->btnGroupPlay->click();
    selectNode("coda");
    tree->btnPlay->click();
    ASSERT_EQ(player->played.size(), 3u);
    EXPECT_EQ(boxes.shown.size(), 1u);
    const int32_t coda = playedLength();
    form->Action("FilePlay")->trigger();
    ASSERT_EQ(player->played.size(), 4u);
    EXPECT_LT(coda, playedLength());  // the coda is a part of the whole
    EXPECT_GT(coda, 0);
}

TEST_F(MusicDialogsTest, TreeListsTheNodesOfEveryStructuralCommand) {
    TMDIChildMuz* m = newMusic();
    m->Doc()->MarkSaved();
    trigger("MusicParts");
    EXPECT_EQ(treeText(), "root\n  part\n");
    EXPECT_EQ(tree->tvMusParts->indentation(), 28);
    selectNode("part");
    EXPECT_FALSE(tree->Action(treeDelete)->isEnabled());
    struct Step {
        TMusTreeAction action;
        const char* select;  // the node to select first, or null
        int nth;
        const char* tree;
        const char* selected;
    } steps[] = {
        {treeAppendSingle, nullptr, 0, "root\n  part\n  part\n", "part"},
        {treeAddLoop, nullptr, 0, "root\n  part\n  repeat 2\n    part\n", "repeat 2"},
        {treeAddTurns, "part", 0, "root\n  turns\n    turn 1\n    part\n  repeat 2\n    part\n", "turns"},
        {treeAddTurn, nullptr, 0, "root\n  turns\n    turn 1\n    turn 2\n    part\n  repeat 2\n    part\n", "turn 2"},
        {treeMoveForward, "turns", 0, "root\n  repeat 2\n    part\n  turns\n    turn 1\n    turn 2\n    part\n",
         "turns"},
        {treeMoveBackwardIn, nullptr, 0,
         "root\n  repeat 2\n    part\n    turns\n      turn 1\n      turn 2\n      part\n", "turns"},
        {treeCollapse, "repeat 2", 0, "root\n  repeat 2\n    part\n    turns\n      turn 1\n      turn 2\n      part\n",
         "repeat 2"},
        {treeDelete, nullptr, 0, "root\n  part\n  turns\n    turn 1\n    turn 2\n    part\n", "part"},
    };
    for (const Step& s : steps) {
        if (s.select) selectNode(s.select, s.nth);
        ASSERT_TRUE(tree->Action(s.action)->isEnabled()) << MusTreeActions()[s.action].Name;
        tree->Action(s.action)->trigger();
        EXPECT_EQ(treeText(), s.tree) << MusTreeActions()[s.action].Name;
        ASSERT_NE(tree->tvMusParts->currentItem(), nullptr);
        EXPECT_EQ(tree->tvMusParts->currentItem()->text(0).toStdString(), s.selected);
        EXPECT_EQ(selected()->GetShownName(), s.selected);
    }
    // Collapsing the repeat was kept in the document and shows in the view.
    selectNode("part");
    tree->Action(treeAddLoop)->trigger();
    tree->Action(treeCollapse)->trigger();
    EXPECT_FALSE(tree->tvMusParts->currentItem()->isExpanded());
    EXPECT_FALSE(static_cast<TLoopPartMuz*>(selected())->Expanded);
    EXPECT_TRUE(m->Doc()->NeedsSaving());
}

TEST_F(MusicDialogsTest, DeletingASinglePartAsksFirst) {
    newMusic();
    trigger("MusicParts");
    selectNode("part");
    tree->Action(treeAppendSingle)->trigger();
    tree->tvMusParts->currentItem()->setText(0, "verse");
    for (MessageAnswer answer : {MessageAnswer::Cancel, MessageAnswer::Ok}) {
        boxes.shown.clear();
        boxes.answers = {answer};
        selectNode("part");
        tree->Action(treeDelete)->trigger();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, "A Single Part containing music is selected");
        EXPECT_EQ(boxes.shown[0].text, "Do you want to delete a part of music?");
        EXPECT_EQ(treeText(), answer == MessageAnswer::Ok ? "root\n  verse\n" : "root\n  part\n  verse\n");
    }
    EXPECT_EQ(selected()->GetShownName(), "verse");
}

TEST_F(MusicDialogsTest, CountPitchOctaveLabelsAndThePlayAndDrawBox) {
    newMusic();
    trigger("MusicParts");
    selectNode("part");
    tree->Action(treeAddTurns)->trigger();
    tree->Action(treeAddTurn)->trigger();  // turn 2
    EXPECT_TRUE(tree->editCount->isEnabled());
    EXPECT_EQ(tree->editCount->text(), "2");
    // Octaves as typed.
    const std::pair<const char*, const char*> octaves[] = {{"18", "1 1/2"}, {"4", "1/3"}, {"24", "2"},
                                                           {"-6", "-1/2"},  {"", ""},     {"-18", "-1 1/2"}};
    for (auto [pitch, octave] : octaves) {
        tree->editPitch->setText(pitch);
        EXPECT_EQ(tree->editOctave->text().toStdString(), octave) << pitch;
    }
    EXPECT_TRUE(type(tree->editPitch, "7", true));
    auto* turn2 = static_cast<TCountSelectPartItem*>(selected());
    EXPECT_EQ(turn2->Pitch.GetValue(), 7);
    EXPECT_EQ(tree->editOctave->text(), "7/12");
    // Another turn has count 1: refused, and the box shows 2 again.
    EXPECT_FALSE(type(tree->editCount, "1", true));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Input Error");
    EXPECT_EQ(boxes.shown[0].text, "In Count: 1 already exist");
    EXPECT_EQ(tree->editCount->text(), "2");
    EXPECT_TRUE(type(tree->editCount, "3", true));
    EXPECT_EQ(treeText(), "root\n  turns\n    turn 1\n    turn 3\n    part\n");
    // What is typed for a node is committed for it when another node is chosen.
    tree->editCount->setText("5");
    selectNode("turn 1");
    EXPECT_EQ(turn2->Count.GetValue(), 5);
    EXPECT_EQ(selected()->GetShownName(), "turn 1");

    // Labels: set, refused, and back to the default name.
    selectNode("part");
    QTreeWidgetItem* part = tree->tvMusParts->currentItem();
    const std::pair<const char*, const char*> labels[] = {{"verse", "verse"}, {"a<b", "verse"}, {"", "part"}};
    for (auto [typed, shown] : labels) {
        part->setText(0, typed);
        EXPECT_EQ(part->text(0).toStdString(), shown) << typed;
    }
    EXPECT_EQ(boxes.shown.size(), 2u);

    // Play and Draw: the box passes over states that do not fit the parts above.
    struct Click {
        const char* node;
        Qt::CheckState after;
    } clicks[] = {{"turns", Qt::Unchecked},
                  {"part", Qt::Unchecked},  // checked would not fit the turns above
                  {"part", Qt::PartiallyChecked},
                  {"turns", Qt::Checked}};  // greyed would not fit the root above
    for (const Click& c : clicks) {
        selectNode(c.node);
        tree->chkPlayDraw->click();
        EXPECT_EQ(tree->chkPlayDraw->checkState(), c.after) << c.node;
    }
    selectNode("part");
    EXPECT_EQ(tree->chkPlayDraw->checkState(), Qt::Checked);
    selectNode("turn 1");
    EXPECT_FALSE(tree->chkPlayDraw->isEnabled());
}

}  // namespace

namespace {

// Auto play names a missing instrument once per document, not at every
// click; once the wave appears and goes again, it says so again. Generate
// says it every time.
TEST_F(MusicDialogsTest, InstrumentBesideMissingIsToldOncePerDocument) {
    TMDIChildMuz* first = newMusic();
    TMDIChildMuz* second = newMusic();
    auto clickNote = [](TMDIChildMuz* w) {
        w->Client()->grab();
        TNoteStave* stave = w->Doc()->GetFirstStave();
        int x = 0;
        for (TStaveSymbol* s = w->Doc()->FirstSinglePart()->GetFirstSymbol(); s; s = s->Next)
            x = std::max(x, s->Layout.RightX);
        w->MousePress(x + 20, stave->Layout.BaseY, Qt::LeftButton);
        w->MouseRelease();
    };
    ASSERT_TRUE(first->Doc()->AutoPlay);
    clickNote(first);
    clickNote(first);
    clickNote(first);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Cannot create music: Cannot find window \"sample\".");
    clickNote(second);
    clickNote(second);
    EXPECT_EQ(boxes.shown.size(), 2u);
    form->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
    trigger("MusicGenerate");
    trigger("MusicGenerate");
    EXPECT_EQ(boxes.shown.size(), 4u);

    // The wave appears: the notes play; it goes: the message comes once more.
    auto made = std::make_unique<TUnitWave>(std::make_unique<MonoSound>(makeWave({100, 200, 300}), 1000, 2), "");
    TUnitWave* sample = made.get();
    form->AddWaveWindow(std::move(made));
    ASSERT_TRUE(form->Workspace().SetName(*sample, "sample"));
    const size_t played = player->played.size();
    clickNote(first);
    EXPECT_EQ(player->played.size(), played + 1);
    ASSERT_TRUE(form->Workspace().SetName(*sample, "other"));
    clickNote(first);
    clickNote(first);
    EXPECT_EQ(boxes.shown.size(), 5u);
}

}  // namespace
