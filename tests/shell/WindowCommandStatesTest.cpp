// The main window's own commands and its tool bars, pinned as the user sees
// them: which of the window's commands are on and checked in each situation,
// and which buttons each tool bar holds for each kind of document.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMdiArea>
#include <QRadioButton>
#include <QToolBar>
#include <set>

#include "MainFormFixture.h"
#include "ShellApp.h"
#include "TestSupport.h"
#include "music/TUnitMuz.h"
#include "shell/ChildWave.h"
#include "shell/DWaveFileProp.h"
#include "shell/Main.h"

using namespace korvane;
using namespace korvane::testing;

namespace {

class WindowCommandStatesTest : public MainFormFixture {
protected:
    // "on: A B ... | checked: C ...": the window's own commands in table
    // order, as the update rule leaves them.
    std::string states() {
        form->UpdateActions();
        std::string on, checked;
        for (const Command& c : Commands()) {
            if (!c.window || !c.shellHandled) continue;
            QAction* a = form->Action(QString::fromStdString(c.action));
            if (a->isEnabled()) on += " " + c.action;
            if (a->isChecked()) checked += " " + c.action;
        }
        return "on:" + on + " | checked:" + checked;
    }
    // A tool bar's buttons in order; "|" a separator, "NameBox" the name box.
    std::string buttons(const char* title) {
        QToolBar* bar = form->ToolBar(title);
        std::string text;
        for (QAction* a : bar->actions()) {
            std::string item = a->isSeparator()                             ? "|"
                               : bar->widgetForAction(a) == form->NameBox() ? "NameBox"
                                                                            : a->objectName().toStdString();
            text += (text.empty() ? "" : " ") + item;
        }
        return text;
    }
    // The tool bars shown, in the order the window holds them.
    std::string shownBars() {
        form->UpdateActions();
        std::string text;
        for (QToolBar* bar : form->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
            if (bar->isVisibleTo(form.get())) text += (text.empty() ? "" : ", ") + bar->objectName().toStdString();
        return text;
    }
    TMDIChildWave* newWave() {
        runner->dialogs.push_back([](QDialog& d) {
            static_cast<TDlgWaveFileProp&>(d).Channels(0)->setChecked(true);
            return pressOK(d);
        });
        trigger("FileNewWave");
        return form->ActiveWaveChild();
    }
};

TEST_F(WindowCommandStatesTest, ToolBarsHoldTheirButtonsInOrderEachOnARowOfItsOwn) {
    std::vector<std::string> titles;
    for (QToolBar* bar : form->findChildren<QToolBar*>(QString(), Qt::FindDirectChildrenOnly)) {
        titles.push_back(bar->objectName().toStdString());
        EXPECT_EQ(bar->windowTitle(), bar->objectName());
        EXPECT_EQ(form->toolBarBreak(bar), titles.size() > 1) << titles.back();
        EXPECT_EQ(form->toolBarArea(bar), Qt::TopToolBarArea) << titles.back();
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Basic", "View", "Make Waves", "Complex Manipulations", "Music Note",
                                                "Music Silence", "Music Bar"}));
    const std::pair<const char*, const char*> expected[] = {
        {"Basic",
         "FileNewWave FileNewMuz FileOpenWave FileOpenMuz FileSave | FilePlay FileStop FilePause FileRecord | Undo | "
         "EditDelete EditCut EditCopy EditPaste | NameBox"},
        {"View", "ViewWave ViewVold | ZoomIn NoZoom | SelectWave"},
        {"Make Waves",
         "MakeSilence MakeLine MakeBlock MakeTriangle MakeSinus MakeNoise MakeMFreq | DrawWaveLin DrawWave3G"},
        {"Complex Manipulations",
         "Volume MaxVolume Up Distort Block Reverse | Length Rotate RollOut RollIn TempoPitch | FilterHigh FilterLow "
         "FilterRes FilterNotch | PerEcho RndEcho | SplitH SplitV MergeH MergeV"},
        {"Music Note",
         "MusicModeAdd MusicModeEdit MusicModeDelete | MusicNote1 MusicNote2 MusicNote4 MusicNote8 MusicNote16 "
         "MusicNote32 MusicNote64 | MusicPointAdd MusicPointDelete | MusicTwin MusicTriplet MusicQuadruplet "
         "MusicQuintuplet"},
        {"Music Silence",
         "MusicSilence1 MusicSilence2 MusicSilence4 MusicSilence8 MusicSilence16 MusicSilence32 MusicSilence64"},
        {"Music Bar",
         "MusicDialog MusicParts | MusicKeyG MusicKeyC MusicKeyF | MusicNSDCross MusicNSCross MusicNSNormal MusicNSMol "
         "MusicNSDMol | MusicArtNormal MusicStaccato MusicStaccatissimo MusicPortato MusicLegato | NoteStickUp "
         "NoteStickDown | MusicPlayNote MusicAutoPlay MusicGenerate"},
    };
    for (const auto& [title, list] : expected) EXPECT_EQ(buttons(title), list) << title;
}

TEST_F(WindowCommandStatesTest, ToolBarsShowWithTheirKindOfDocument) {
    EXPECT_EQ(shownBars(), "Basic");
    TMDIChildWave* wave = newWave();
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(shownBars(), "Basic, View, Make Waves, Complex Manipulations");
    trigger("FileNewMuz");
    EXPECT_EQ(shownBars(), "Basic, Music Note, Music Silence, Music Bar");
    // Back to the wave: its bars come back in their rows.
    form->MdiArea()->activatePreviousSubWindow();
    ASSERT_EQ(form->ActiveWaveChild(), wave);
    EXPECT_EQ(shownBars(), "Basic, View, Make Waves, Complex Manipulations");
}

TEST_F(WindowCommandStatesTest, TheWindowsOwnCommandsFollowTheWaveWindow) {
    EXPECT_EQ(states(),
              "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz FileImport FilePause FileExit HelpContents "
              "HelpTopicSearch HelpOnHelp HelpAbout | checked:");
    // An empty wave: drawing by hand and recording are what it offers.
    TMDIChildWave* w = newWave();
    ASSERT_NE(w, nullptr);
    w->Client()->resize(400, 200);
    EXPECT_EQ(states(),
              "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateWave FileImport FilePause FileRecord "
              "FileProperties Register FileExit Begin End ViewWave ViewVold ViewHistory SelectWave DrawWaveLin "
              "DrawWave3G WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll WindowArrangeAll "
              "HelpContents HelpTopicSearch HelpOnHelp HelpAbout | checked: ViewWave");
    trigger("DrawWaveLin");
    EXPECT_EQ(states(),
              "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz FileImport FilePause FileRecord Register FileExit "
              "Begin End ViewWave ViewHistory SelectWave DrawWaveLin DrawWave3G WindowCascade WindowTileHorizontal "
              "WindowTileVertical WindowMinimizeAll WindowArrangeAll HelpContents HelpTopicSearch HelpOnHelp HelpAbout "
              "| checked: ViewWave DrawWaveLin");
    trigger("DrawWaveLin");
    // A wave with samples, all of them selected as a generator leaves them.
    runner->dialogs.push_back([](QDialog& d) { return pressOK(d); });
    trigger("MakeSinus");
    EXPECT_EQ(
        states(),
        "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateWave FileSave FileSaveAs FileImport FileExport "
        "FilePlay FilePause Undo StepBack DeleteUndo FileProperties Register FileExit Begin End ViewWave ViewVold "
        "ZoomIn ViewHistory SelectWave WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll "
        "WindowArrangeAll HelpContents HelpTopicSearch HelpOnHelp HelpAbout | checked: ViewWave");
    trigger("ZoomIn");
    EXPECT_EQ(
        states(),
        "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateWave FileSave FileSaveAs FileImport FileExport "
        "FilePlay FilePause Undo StepBack DeleteUndo FileProperties Register FileExit Begin End ViewWave ViewVold "
        "ZoomIn NoZoom ViewHistory SelectWave WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll "
        "WindowArrangeAll HelpContents HelpTopicSearch HelpOnHelp HelpAbout | checked: ViewWave");
    w->Doc()->SetCursor(5);
    EXPECT_EQ(
        states(),
        "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateWave FileSave FileSaveAs FileImport FileExport "
        "FilePlay FilePause Undo StepBack DeleteUndo FileProperties Register FileExit Begin End ViewWave ViewVold "
        "NoZoom ViewHistory SelectWave WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll "
        "WindowArrangeAll SplitH HelpContents HelpTopicSearch HelpOnHelp HelpAbout | checked: ViewWave");
    trigger("SelectWave");
    trigger("ViewHistory");
    EXPECT_EQ(states(),
              "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateWave FileSave FileSaveAs FileImport "
              "FileExport FilePlay FilePause Undo StepBack DeleteUndo FileProperties Register FileExit Begin End "
              "ViewWave ViewVold NoZoom ViewHistory SelectWave WindowCascade WindowTileHorizontal WindowTileVertical "
              "WindowMinimizeAll WindowArrangeAll SplitH HelpContents HelpTopicSearch HelpOnHelp HelpAbout | checked: "
              "ViewWave ViewHistory SelectWave");
    trigger("SelectWave");
    trigger("ViewHistory");
    runner->dialogs.push_back([](QDialog& d) { return pressOK(d); });
    trigger("ViewVold");
    EXPECT_EQ(
        states(),
        "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateWave FileSave FileSaveAs FileImport FileExport "
        "FilePlay FilePause Undo StepBack DeleteUndo FileProperties Register FileExit Begin End ViewWave ViewVold "
        "NoZoom ViewHistory SelectWave WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll "
        "WindowArrangeAll SplitH HelpContents HelpTopicSearch HelpOnHelp HelpAbout | checked: ViewVold");
}

TEST_F(WindowCommandStatesTest, TheWindowsOwnCommandsFollowTheMusicWindow) {
    trigger("FileNewMuz");
    EXPECT_EQ(states(),
              "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateMuz FileSave FileSaveAs FileImport "
              "FileExport FilePlay FilePause FileProperties FileExit ViewHistory MusicDialog MusicParts MusicGenerate "
              "WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll WindowArrangeAll HelpContents "
              "HelpTopicSearch HelpOnHelp HelpAbout | checked:");
    trigger("MusicDialog");
    trigger("MusicParts");
    EXPECT_EQ(states(),
              "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateMuz FileSave FileSaveAs FileImport "
              "FileExport FilePlay FilePause FileProperties FileExit ViewHistory MusicDialog MusicParts MusicGenerate "
              "WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll WindowArrangeAll HelpContents "
              "HelpTopicSearch HelpOnHelp HelpAbout | checked: MusicDialog MusicParts");
    // Closed, a dialog is no longer checked.
    trigger("MusicDialog");
    EXPECT_EQ(states(),
              "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateMuz FileSave FileSaveAs FileImport "
              "FileExport FilePlay FilePause FileProperties FileExit ViewHistory MusicDialog MusicParts MusicGenerate "
              "WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll WindowArrangeAll HelpContents "
              "HelpTopicSearch HelpOnHelp HelpAbout | checked: MusicParts");
    // A wave window beside the music: merging counts it as a second window,
    // and the music dialog left open stays checked.
    newWave();
    EXPECT_EQ(
        states(),
        "on: FileNewWave FileNewMuz FileOpenWave FileOpenMuz DuplicateWave FileImport FilePause FileRecord "
        "FileProperties Register FileExit Begin End ViewWave ViewVold ViewHistory SelectWave DrawWaveLin DrawWave3G "
        "WindowCascade WindowTileHorizontal WindowTileVertical WindowMinimizeAll WindowArrangeAll MergeH MergeV "
        "HelpContents HelpTopicSearch HelpOnHelp HelpAbout | checked: ViewWave MusicParts");
}

}  // namespace
