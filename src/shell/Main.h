#pragma once

#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <memory>
#include <vector>

#include "audiofile/AudioFile.h"
#include "commands/CommandTable.h"
#include "journal/Journal.h"
#include "music/TUnitMuz.h"
#include "processing/TWorkspace.h"
#include "platform/MediaPlayer.h"
#include "shell/DialogRunner.h"
#include "shell/FileTransfer.h"
#include "shell/History.h"
#include "shell/JournalHost.h"
#include "shell/MusicDialogHost.h"
#include "shell/MusicUndo.h"
#include "shell/PlayHost.h"
#include "shell/RecentFiles.h"
#include "shell/RecentMenuHost.h"
#include "shell/SplitMergeHost.h"
#include "shell/StatusPanels.h"
#include "shell/WindowPlacer.h"
#include "wavewindow/PlayRecord.h"
#include "wavewindow/VoldViewProps.h"
#include "wavewindow/WaveView.h"

class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace korvane {

class TMDIChildKorvane;
class TMDIChildWave;
class TMDIChildMuz;
class TDlgSelZoom;
class TDlgMusic;
class TDlgMusTree;
class TInstrumentNotices;
class TJournalKeeper;
class TPlayFollower;
class TRecentMenu;
class TWindowSplitter;
class TWindowList;
class THistoryPanel;
class TUnitMuz;
class TPartMuz;
struct TRenderFilter;

// The main window: the child windows, every command as an action with its
// menu, tool bar button, short cut and hint, the status bar and the name box.
// A handler checks that its command applies, asks its dialog, calls one
// document operation and repaints. Split and merge, the recovery journal, the
// recent files and following the play are rooms of their own, each asking back
// through its host.
class TMainForm : public QMainWindow,
                  public TNoteSounder,
                  public TMusicDialogHost,
                  public TSplitMergeHost,
                  public TRecentMenuHost,
                  public TJournalHost,
                  public TPlayHost {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The parts, by their names: actions by action name ("EditTrim"), menus
    // by title without the accelerator ("Edit"), tool bars by title ("Basic").
    QAction* Action(const QString& name) const;
    QMenu* Menu(const QString& name) const;
    QToolBar* ToolBar(const QString& name) const;
    QLabel* Panel(int index) const override;
    // The recent-files entries of the File menu, newest first.
    const std::vector<QAction*>& RecentActions() const;
    QLineEdit* NameBox() const { return nameBox_; }
    QMdiArea* MdiArea() const { return mdi_; }
    // The open windows at the end of the Window menu.
    TWindowList* WindowList() const { return windowList_; }

    TWorkspace& Workspace() { return space_; }
    TDialogRunner& Runner() { return *runner_; }
    void SetDialogRunner(std::unique_ptr<TDialogRunner> runner) { runner_ = std::move(runner); }

    TMDIChildKorvane* ActiveChild() const;
    TMDIChildWave* ActiveWaveChild() const;
    TMDIChildMuz* ActiveMusicChild() const;
    std::vector<TMDIChildKorvane*> Children() const;
    TDlgSelZoom* SelZoomDialog() const { return selZoom_; }
    TDlgMusic* MusicDialog() const { return musicDialog_; }
    TDlgMusTree* MusTreeDialog() const { return musTreeDialog_; }
    // The registered names of the open waves, as the dialogs offer them.
    QStringList WaveNames() const override;
    // Renders music (all of it, or the notes the filter lets through) and
    // plays it; a render failure has shown its box.
    void PlayMusic(TUnitMuz& doc, const TRenderFilter& filter) override;
    // Moves the play cursor and the elapsed time; stops with the playing.
    void PlayTick();
    // Renders one part with its subtree and plays it.
    void PlayMusicPart(TUnitMuz& doc, TPartMuz& part) override;
    // TMusicDialogHost: the rest of what the music dialogs ask.
    QWidget* HostWidget() override { return this; }
    bool CanPlay() override { return playRecord_->Available(); }
    int RunDialog(QDialog& dialog) override { return runner_->Run(dialog); }
    const TWaveViewProps& WaveViewDefault() const { return waveViewDefault_; }
    const TVoldViewProps& VoldViewDefault() const { return voldViewDefault_; }
    TPlayRecord& PlayRecord() { return *playRecord_; }
    TPlayRecord* Recorder() override { return playRecord_.get(); }
    // Puts another media player in place of the audio one (tests).
    void SetMediaPlayer(std::unique_ptr<MediaPlayer> player);

    // The update rule: enabled and checked state of every action, the menus
    // and tool bars of the active child's kind, the status bar and the name box.
    // The recovery journal catches up here too.
    void UpdateActions() override;

    // Offers back, in one question, the unsaved documents of windows under
    // `root` that are gone, then keeps this window's own journal there. An
    // empty root keeps no journal.
    void StartJournal(const std::string& root);
    TJournal* Journal() const;

    // Opens each file in its own window; a file that cannot be read gets its
    // File Error box and the others still open.
    void OpenWaveFiles(const QStringList& files) override;
    TMDIChildWave* AddWaveWindow(std::unique_ptr<TUnitWave> doc);
    // Opens each music file in its own window, as OpenWaveFiles does waves.
    void OpenMusicFiles(const QStringList& files) override;
    TMDIChildMuz* AddMusicWindow(std::unique_ptr<TUnitMuz> doc) override;
    // The hosts of split and merge, of the journal and of the play.
    std::vector<TMDIChildWave*> WaveWindows() const override;
    TMDIChildWave* ShowWave(TUnitWave& unit, const TMDIChildWave* like) override { return showWave(unit, like); }
    // Save and Save As of one window; false when not saved (cancelled or failed).
    bool SaveChild(TMDIChildKorvane& child);
    bool SaveChildAs(TMDIChildKorvane& child);

    // The command handlers.
    void FileNewWaveExecute();
    void FileNewMuzExecute();
    void FileOpenMuzExecute();
    // Music of other programs (MusicInterchange.cpp).
    void DuplicateMuzExecute();
    void MusicGenerateExecute();
    void FileOpenWaveExecute();
    void DuplicateWaveExecute();
    void FileSaveExecute();
    void FileSaveAsExecute();
    void FileImportExecute();
    void FileExportExecute();
    void UndoExecute();
    void DeleteUndoExecute();
    // The edit history (MainHistory.cpp): one state back or forward in the
    // active document's history, any state of it, and the History panel.
    void StepBackExecute();
    void StepForwardExecute();
    bool GoToState(TMDIChildKorvane& child, int index);
    void HistoryPanelExecute();
    THistoryBook& History() { return history_; }
    THistoryPanel* HistoryPanel() const { return historyPanel_; }
    void FilePropertiesExecute();
    void RegisterExecute();
    void FileExitExecute();
    void ViewWaveExecute();
    void ViewVoldExecute();
    void FilePlayExecute();
    void FilePauseExecute();
    void FileStopExecute();
    void FileRecordExecute();
    void ZoomInExecute();
    void NoZoomExecute();
    void SelectWaveExecute();
    void MusicDialogExecute();
    void MusicPartsExecute();
    void DrawWaveExecute(int kind);
    void HelpExecute();
    void HelpAboutExecute();
    void NameBoxEnter();
    void WaveCommandExecute(const Command& command);
    void MusicCommandExecute(const Command& command);

    // TNoteSounder: Play Note and auto play of the music windows.
    void SoundNote(const TMuzNote& note) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* makeAction(const Command& command);
    std::map<std::string, std::function<void()>> ownHandlers();
    void buildActions();
    void buildMenus();
    void buildToolBars();
    void switchKind(int kind);
    void fillStatus();
    void showSelection(const TUnitWave* doc);
    CommandState state() const;
    bool queryClose(TMDIChildKorvane& child);
    bool saveMusic(TMDIChildKorvane& child, TUnitMuz& doc, bool askName);
    void musicProperties(TMDIChildMuz& child);
    void playSound(const Sound& sound);
    // The music dialogs show the active music window's document.
    void followActiveMusic();
    // A music dialog changed the document: the other one shows it too.
    void musicChangedByDialog(QWidget* dialog);
    void makeMusicDialogs();
    void fillMusicStatus(const TUnitMuz& doc);
    TMDIChildMuz* showMusic(TUnitMuz& unit);
    void childClosed(TMDIChildKorvane& child);
    // The window that shows the document, if any.
    TMDIChildKorvane* windowOf(const TUnit& unit) const;
    // Catches up the music documents' undo states; see TMusicUndoWatch.
    // `force`: at once, however large the score (see TMusicUndoWatch).
    void watchMusicEdits(bool force = false);
    // Reads the step's score into its document (a swap, see TMuzUndoUnit)
    // with the window and the dialogs let go of the old content; false when
    // it was refused and the document is as it was.
    bool restoreMusic(TMuzUndoUnit& step);
    QTimer* musicLater_ = nullptr;  // picks up what the music undo watch put off
    void undoMusic();
    // Records the documents' new states in their histories.
    void watchHistory();
    // A document in the middle of one change (drawing, a border drag, a recording).
    bool historyBusy(const TUnit& unit) const;
    // Activates the window, shown again if it was minimized, above the others.
    void bringToFront(TMDIChildKorvane& child);
    // A window for a document; with `like`, it takes that window's view kind
    // and settings instead of the defaults.
    TMDIChildWave* showWave(TUnitWave& unit, const TMDIChildWave* like = nullptr);
    void adoptNewDocuments();
    // File > Import and File > Export: the kinds of file they know, and the
    // sound kind's import and export.
    std::vector<TTransferKind> transferKinds();
    void importSound(const QString& file);
    void exportSound(const QString& path, AudioFormat format);
    void importMusic(const QString& file);
    void exportMusic(const QString& path);

    TWorkspace space_;
    // The music documents' states of before their next edit (their undo steps).
    TMusicUndoWatch musicUndo_;
    THistoryBook history_;
    THistoryPanel* historyPanel_ = nullptr;
    // After the workspace and the histories it keeps, so that it goes first.
    std::unique_ptr<TJournalKeeper> journal_;
    std::unique_ptr<TDialogRunner> runner_;
    TWaveViewProps waveViewDefault_;
    TVoldViewProps voldViewDefault_;
    // The player before the commands that drive it, so they go first.
    std::unique_ptr<MediaPlayer> player_;
    std::unique_ptr<TPlayRecord> playRecord_;
    QMdiArea* mdi_;
    std::unique_ptr<TWindowPlacer> placer_;
    TWindowList* windowList_ = nullptr;
    QLineEdit* nameBox_ = nullptr;
    std::unique_ptr<TStatusPanels> status_;
    TDlgSelZoom* selZoom_ = nullptr;
    TDlgMusic* musicDialog_ = nullptr;
    TDlgMusTree* musTreeDialog_ = nullptr;
    std::unique_ptr<TWindowSplitter> splitter_;
    int prevKind_ = -1;
    // A missing instrument's message for single notes, once per document.
    std::unique_ptr<TInstrumentNotices> instrumentNotices_;
    bool noteOutputFailed_ = false;
    // Panel 1 shows the music symbol's kind while a music window is active.
    bool musicPanel1_ = false;
    // The File menu's list of the files opened and saved last.
    std::unique_ptr<TRecentMenu> recent_;
    std::vector<TTransferKind> transferKinds_ = transferKinds();
    // The export dialog opens with what was last confirmed in it.
    AudioWriteSettings exportSettings_;
    bool exportSelectionOnly_ = false;
    void rememberFile(const std::string& file);
    // While a wave plays: its cursor in the window and the time in panel 0.
    std::unique_ptr<TPlayFollower> playFollower_;
    // The selection panel 0 shows last, so that hints are not overwritten
    // while it stands still.
    std::pair<int32_t, int32_t> shownSelection_{-1, -1};
    const TUnitWave* shownSelectionOf_ = nullptr;

    QMap<QString, QAction*> actions_;
    QMap<QString, QMenu*> menus_;
    QMap<QString, QToolBar*> toolBars_;
    // Every action with its command, whose rules say when it is enabled and checked.
    std::vector<std::pair<QAction*, const Command*>> commandActions_;
};

}  // namespace korvane
