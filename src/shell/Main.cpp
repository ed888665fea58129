#include "shell/Main.h"
#include "shell/MusicInstruments.h"
#include "shell/FreePlace.h"
#include "shell/WindowList.h"

#include "shell/Help.h"
#include "shell/HistoryPanel.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QShortcut>
#include <QStyle>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <algorithm>
#include <map>
#include <set>

#include "core/Assert.h"
#include "core/WavFile.h"
#include "music/TUnitMuz.h"
#include "platform/Messages.h"
#include "shell/BusyCursor.h"
#include "shell/ChildMuz.h"
#include "shell/ChildWave.h"
#include "shell/ChildWin.h"
#include "shell/CommandDialogs.h"
#include "shell/DMusTree.h"
#include "shell/DMusic.h"
#include "shell/DRegisterWave.h"
#include "shell/DSelZoom.h"
#include "shell/DWaveFileProp.h"
#include "shell/DWaveViewProps.h"
#include "shell/Icons.h"
#include "shell/JournalKeeper.h"
#include "shell/PlayFollower.h"
#include "shell/RecentMenu.h"
#include "shell/WindowSplitter.h"
#include "values/ValueWriters.h"

namespace korvane {

namespace {

const char* const kWaveFilter = "Wave Files (*.wav);;All files (*)";


}  // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent), runner_(std::make_unique<TDialogRunner>()),
      instrumentNotices_(std::make_unique<TInstrumentNotices>()) {
    journal_ = std::make_unique<TJournalKeeper>(*this, space_, history_);
    playFollower_ = std::make_unique<TPlayFollower>(*this);
    setWindowTitle("Korvane 7.1");
    setObjectName("MainForm");
    mdi_ = new QMdiArea(this);
    placer_ = std::make_unique<TWindowPlacer>(mdi_);
    splitter_ = std::make_unique<TWindowSplitter>(*this, space_, *placer_);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->installEventFilter(this);
    setCentralWidget(mdi_);
    SetMediaPlayer(nullptr);
    buildActions();
    buildMenus();
    buildToolBars();
    recent_ = std::make_unique<TRecentMenu>(*this, *Menu("File"), *Action("FileExit"));
    // F1 opens the help contents; a dialog's own F1 opens its page.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { HelpExecute(); });
    status_ = std::make_unique<TStatusPanels>(statusBar());
    statusBar()->installEventFilter(this);
    makeMusicDialogs();
    resize(1100, 760);
    // The update rule runs whenever the event loop has nothing more to do.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TMainForm::UpdateActions);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
        followActiveMusic();
        UpdateActions();
    });
    UpdateActions();
}

TMainForm::~TMainForm() {
    CloseHelpWindow();
    // Nothing may call back into this form while Qt takes its widgets down.
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) disconnect(dispatcher, nullptr, this, nullptr);
    disconnect(mdi_, nullptr, this, nullptr);
    // The modeless dialogs look at the windows; they go first.
    delete musicDialog_;
    delete musTreeDialog_;
    musicDialog_ = nullptr;
    musTreeDialog_ = nullptr;
    // The documents go with the workspace before the windows go with Qt.
    for (TMDIChildKorvane* child : Children()) child->Detach();
}

QAction* TMainForm::Action(const QString& name) const { return actions_.value(name); }
QMenu* TMainForm::Menu(const QString& name) const { return menus_.value(name); }
QToolBar* TMainForm::ToolBar(const QString& name) const { return toolBars_.value(name); }
QLabel* TMainForm::Panel(int index) const { return status_->Panel(index); }
const std::vector<QAction*>& TMainForm::RecentActions() const { return recent_->Actions(); }
TJournal* TMainForm::Journal() const { return journal_->Journal(); }
void TMainForm::StartJournal(const std::string& root) { journal_->Start(root); }
void TMainForm::rememberFile(const std::string& file) { recent_->Remember(file); }

TMDIChildKorvane* TMainForm::ActiveChild() const {
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    if (!sub) return nullptr;
    auto* child = qobject_cast<TMDIChildKorvane*>(sub->widget());
    return child && child->Unit() ? child : nullptr;
}

TMDIChildWave* TMainForm::ActiveWaveChild() const {
    TMDIChildKorvane* child = ActiveChild();
    return child && child->Kind() == unitKindWave ? static_cast<TMDIChildWave*>(child) : nullptr;
}

std::vector<TMDIChildWave*> TMainForm::WaveWindows() const {
    std::vector<TMDIChildWave*> windows;
    for (TMDIChildKorvane* child : Children())
        if (child->Kind() == unitKindWave) windows.push_back(static_cast<TMDIChildWave*>(child));
    return windows;
}

std::vector<TMDIChildKorvane*> TMainForm::Children() const {
    std::vector<TMDIChildKorvane*> list;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (auto* child = qobject_cast<TMDIChildKorvane*>(sub->widget()); child && child->Unit()) list.push_back(child);
    return list;
}

QAction* TMainForm::makeAction(const Command& command) {
    const QString name = QString::fromStdString(command.action);
    auto* action = new QAction(QString::fromStdString(command.menuCaption.empty() ? command.caption : command.menuCaption),
                               this);
    action->setObjectName(name);
    if (!command.shortcut.empty()) action->setShortcut(QKeySequence(QString::fromStdString(command.shortcut)));
    const QString hint = QString::fromStdString(command.hint);
    int bar = hint.indexOf('|');
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    if (!command.icon.empty()) action->setIcon(CommandIcon(QString::fromStdString(command.icon)));
    action->setIconVisibleInMenu(false);
    if (command.checked || command.shows) action->setCheckable(true);
    actions_.insert(name, action);
    return action;
}

CommandState TMainForm::state() const {
    CommandState s;
    s.space = &space_;
    TMDIChildWave* wave = ActiveWaveChild();
    s.wave = wave ? wave->Doc() : nullptr;
    s.drawing = wave && wave->Drawing();
    TMDIChildKorvane* child = ActiveChild();
    s.music = child && child->Kind() == unitKindMuz ? static_cast<const TUnitMuz*>(child->Unit()) : nullptr;
    s.children = static_cast<int>(Children().size());
    // What the rules of the window's own commands read.
    s.changed = child && child->Unit()->NeedsSaving();
    s.canDraw = wave && wave->CanDraw();
    s.drawKind = s.drawing ? wave->DrawKind() : -1;
    s.volumeView = wave && wave->ViewKind() == TMDIChildWave::viewVold;
    s.zoomed = wave && wave->Zoomed();
    if (const THistory* h = child ? history_.Find(*child->Unit()) : nullptr) {
        s.canStepBack = h->CanStepBack();
        s.canStepForward = h->CanStepForward();
    }
    s.playAvailable = playRecord_->Available();
    s.playing = playRecord_->PlayChecked();
    s.canStop = playRecord_->StopEnabled();
    s.canPause = playRecord_->PauseEnabled();
    s.paused = playRecord_->PauseChecked();
    s.recording = playRecord_->RecordChecked();
    s.historyShown = historyPanel_ && historyPanel_->isVisible();
    s.selectWaveShown = selZoom_ && selZoom_->isVisible();
    s.musicDialogShown = musicDialog_ && musicDialog_->isVisible();
    s.musicPartsShown = musTreeDialog_ && musTreeDialog_->isVisible();
    return s;
}

// What the window does for each command it runs itself, by the action names
// of the table; when they may run is the table's (Command::windowEnabled).
// buildActions checks that each belongs to a command of the table and that
// every such command has one.
std::map<std::string, std::function<void()>> TMainForm::ownHandlers() {
    auto splitMerge = [this](const char* action) -> std::function<void()> {
        return [this, action] {
            TMDIChildWave* w = ActiveWaveChild();
            // Split and merge replace their source windows by new ones.
            if (w && FindCommand(action)->enabled(state()).empty() && splitter_->Execute(action, *w))
                UpdateActions();
        };
    };
    // As Home and End in the wave.
    auto selectionKey = [this](TSelKey key) -> std::function<void()> {
        return [this, key] {
            if (TMDIChildWave* w = ActiveWaveChild()) w->SelectionKey(key);
        };
    };
    std::map<std::string, std::function<void()>> own{
        {"FileNewWave", [this] { FileNewWaveExecute(); }},
        {"FileNewMuz", [this] { FileNewMuzExecute(); }},
        {"FileOpenWave", [this] { FileOpenWaveExecute(); }},
        {"FileOpenMuz", [this] { FileOpenMuzExecute(); }},
        {"DuplicateWave", [this] { DuplicateWaveExecute(); }},
        {"DuplicateMuz", [this] { DuplicateMuzExecute(); }},
        {"FileSave", [this] { FileSaveExecute(); }},
        {"FileSaveAs", [this] { FileSaveAsExecute(); }},
        {"FileImport", [this] { FileImportExecute(); }},
        {"FileExport", [this] { FileExportExecute(); }},
        {"FilePlay", [this] { FilePlayExecute(); }},
        {"FileStop", [this] { FileStopExecute(); }},
        {"FilePause", [this] { FilePauseExecute(); }},
        {"FileRecord", [this] { FileRecordExecute(); }},
        {"Undo", [this] { UndoExecute(); }},
        {"DeleteUndo", [this] { DeleteUndoExecute(); }},
        {"StepBack", [this] { StepBackExecute(); }},
        {"StepForward", [this] { StepForwardExecute(); }},
        {"ViewHistory", [this] { HistoryPanelExecute(); }},
        {"FileProperties", [this] { FilePropertiesExecute(); }},
        {"Register", [this] { RegisterExecute(); }},
        {"Options", {}},
        {"FileExit", [this] { FileExitExecute(); }},
        {"Begin", selectionKey(TSelKey::Home)},
        {"End", selectionKey(TSelKey::End)},
        {"ViewWave", [this] { ViewWaveExecute(); }},
        {"ViewVold", [this] { ViewVoldExecute(); }},
        {"ZoomIn", [this] { ZoomInExecute(); }},
        {"NoZoom", [this] { NoZoomExecute(); }},
        {"SelectWave", [this] { SelectWaveExecute(); }},
        {"MusicDialog", [this] { MusicDialogExecute(); }},
        {"MusicParts", [this] { MusicPartsExecute(); }},
        {"DrawWaveLin", [this] { DrawWaveExecute(0); }},
        {"DrawWave3G", [this] { DrawWaveExecute(1); }},
        {"MusicGenerate", [this] { MusicGenerateExecute(); }},
        {"WindowCascade", [this] { placer_->Cascade(); }},
        {"WindowTileHorizontal", [this] { placer_->Tile(true); }},
        {"WindowTileVertical", [this] { placer_->Tile(false); }},
        {"WindowMinimizeAll", [this] {
             for (QMdiSubWindow* sub : mdi_->subWindowList()) sub->showMinimized();
         }},
        {"WindowArrangeAll", [this] { placer_->ArrangeIcons(); }},
        {"HelpContents", [this] { HelpExecute(); }},
        {"HelpTopicSearch", [this] { ShowHelpContents(this)->FocusSearch(); }},
        {"HelpOnHelp", [this] { ShowHelp(this, kHelpOnHelp); }},
        {"HelpAbout", [this] { HelpAboutExecute(); }},
    };
    for (const char* action : {"SplitH", "SplitV", "MergeH", "MergeV"}) own[action] = splitMerge(action);
    return own;
}

void TMainForm::buildActions() {
    std::map<std::string, std::function<void()>> own = ownHandlers();
    for (const Command& command : Commands()) {
        if (!command.window) continue;
        QAction* action = makeAction(command);
        const Command* c = &command;
        if (command.shellHandled) {
            auto it = own.find(command.action);
            KORVANE_ASSERT(it != own.end());
            if (it->second) connect(action, &QAction::triggered, this, [h = it->second] { h(); });
            own.erase(it);
        } else if (command.kind == DocKind::Music) {
            connect(action, &QAction::triggered, this, [this, c] { MusicCommandExecute(*c); });
        } else {
            connect(action, &QAction::triggered, this, [this, c] { WaveCommandExecute(*c); });
        }
        commandActions_.emplace_back(action, c);
    }
    // Every handler of the window belongs to a command of the table.
    KORVANE_ASSERT(own.empty());
}

void TMainForm::buildMenus() {
    for (const CommandMenu& m : CommandMenus()) {
        QString key = QString::fromStdString(m.key);
        QString title = QString::fromStdString(m.title);
        menus_.insert(key, key.contains('/') ? new QMenu(title, this) : menuBar()->addMenu(title));
    }
    // A submenu joins its parent where its first command stands in the table.
    std::set<QMenu*> attached;
    for (const Command& command : Commands()) {
        if (!command.window || command.menu.empty()) continue;
        const QString key = QString::fromStdString(command.menu);
        QMenu* menu = Menu(key);
        KORVANE_ASSERT(menu != nullptr);
        if (key.contains('/') && attached.insert(menu).second)
            Menu(key.left(key.lastIndexOf('/')))->addMenu(menu);
        if (command.menuBreak && !menu->isEmpty()) menu->addSeparator();
        menu->addAction(Action(QString::fromStdString(command.action)));
    }
    windowList_ = new TWindowList(*Menu("Window"), *mdi_);
}

void TMainForm::buildToolBars() {
    for (const CommandToolBar& bar : CommandToolBars()) {
        // Each bar starts a row of its own, under the one before.
        if (!toolBars_.isEmpty()) addToolBarBreak();
        const QString key = QString::fromStdString(bar.key);
        QToolBar* tb = addToolBar(QString::fromStdString(bar.title));
        tb->setObjectName(key);
        tb->setIconSize(QSize(22, 22));
        toolBars_.insert(key, tb);
    }
    for (const Command& command : Commands()) {
        if (!command.window || command.toolBar.empty()) continue;
        QToolBar* tb = ToolBar(QString::fromStdString(command.toolBar));
        KORVANE_ASSERT(tb != nullptr);
        if (command.toolBreak && !tb->actions().isEmpty()) tb->addSeparator();
        tb->addAction(Action(QString::fromStdString(command.action)));
    }
    QToolBar* basic = ToolBar("Basic");
    basic->addSeparator();
    nameBox_ = new QLineEdit(basic);
    nameBox_->setObjectName("NameBox");
    nameBox_->setFixedWidth(160);
    nameBox_->setToolTip("Name of window");
    nameBox_->setStatusTip("a unique name of the window");
    nameBox_->setPlaceholderText("name");
    connect(nameBox_, &QLineEdit::returnPressed, this, &TMainForm::NameBoxEnter);
    basic->addWidget(nameBox_);
}

bool TMainForm::event(QEvent* event) {
    // Hints go to the first panel rather than over the whole status bar.
    if (event->type() == QEvent::StatusTip) {
        status_->Panel(0)->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mdi_ && event->type() == QEvent::Resize) placer_->PlaceWaiting();
    else if (watched == statusBar() && event->type() == QEvent::Resize) status_->Fit();
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::switchKind(int kind) {
    bool wave = kind == unitKindWave, music = kind == unitKindMuz;
    for (const char* m : {"Edit", "View", "Make", "Effects", "Window"}) Menu(m)->menuAction()->setVisible(wave);
    Menu("Window")->menuAction()->setVisible(wave || music);
    Menu("View")->menuAction()->setVisible(wave || music);
    Menu("Music")->menuAction()->setVisible(music);
    // The File and View items of one kind of document show with its windows.
    for (const Command& c : Commands()) {
        if (c.kind == DocKind::None || (c.menu != "File" && c.menu != "View")) continue;
        Action(QString::fromStdString(c.action))->setVisible(static_cast<int>(c.kind) == kind);
    }
    for (const CommandToolBar& bar : CommandToolBars())
        if (bar.kind != DocKind::None) ToolBar(QString::fromStdString(bar.key))->setVisible(static_cast<int>(bar.kind) == kind);
    // A hidden menu keeps the key of its underlined letter, and a letter
    // may be a short cut of the moment: a title underlines only while shown.
    for (const CommandMenu& m : CommandMenus()) {
        const QString key = QString::fromStdString(m.key);
        if (key.contains('/')) continue;
        QMenu* menu = Menu(key);
        QString title = QString::fromStdString(wave && !m.waveTitle.empty() ? m.waveTitle : m.title);
        if (!menu->menuAction()->isVisible()) title.remove('&');
        menu->setTitle(title);
    }
}

void TMainForm::UpdateActions() {
    watchMusicEdits();
    watchHistory();
    TMDIChildKorvane* child = ActiveChild();
    int kind = child ? child->Kind() : 0;
    if (kind != prevKind_) {
        switchKind(kind);
        prevKind_ = kind;
    }
    CommandState s = state();
    for (auto& [action, command] : commandActions_) {
        action->setEnabled(command->EnabledInWindow(s).empty());
        if (command->checked) action->setChecked(command->checked(s));
        else if (command->shows) action->setChecked(command->shows(s));
    }
    nameBox_->setEnabled(s.wave != nullptr);
    if (!nameBox_->hasFocus()) {
        QString name = s.wave ? QString::fromStdString(s.wave->Name) : QString();
        if (nameBox_->text() != name) nameBox_->setText(name);
    }
    fillStatus();
    journal_->Update();
}

void TMainForm::fillStatus() {
    if (TMDIChildMuz* m = ActiveMusicChild()) {
        fillMusicStatus(*m->Doc());
        return;
    }
    // The music symbol's kind leaves panel 1 with its window.
    if (musicPanel1_) {
        status_->Panel(1)->clear();
        musicPanel1_ = false;
    }
    TMDIChildWave* w = ActiveWaveChild();
    const TUnitWave* doc = w ? w->Doc() : nullptr;
    showSelection(doc);
    if (!doc) {
        for (int i = 2; i < 8; ++i) status_->Panel(i)->clear();
        return;
    }
    const std::string texts[6] = {doc->DurationText(), doc->FrequencyText(), doc->BitsText(),
                                  doc->ChannelsText(), doc->SizeText(),      doc->StateText()};
    for (int i = 0; i < 6; ++i) {
        QString t = QString::fromStdString(texts[i]);
        if (status_->Panel(i + 2)->text() != t) status_->Panel(i + 2)->setText(t);
    }
}

// The selection's ends and length in panel 0 whenever it changes; a hint
// or the play time may take the panel over until the next change.
void TMainForm::showSelection(const TUnitWave* doc) {
    const std::pair<int32_t, int32_t> sel = doc && doc->HasSelection() ? std::make_pair(doc->SelBegin(), doc->SelEnd())
                                                                        : std::make_pair(-1, -1);
    if (doc == shownSelectionOf_ && sel == shownSelection_) return;
    const bool wasShown = shownSelection_.first >= 0;
    shownSelectionOf_ = doc;
    shownSelection_ = sel;
    if (playFollower_->Readout()) return;
    if (sel.first < 0) {
        if (wasShown) status_->Panel(0)->clear();
        return;
    }
    const double freq = doc->GetFreq();
    status_->Panel(0)->setText(QString::fromStdString("Selection " + WriteClockTime(sel.first / freq) + " to " +
                                               WriteClockTime(sel.second / freq) + ", length " +
                                               WriteClockTime((sel.second - sel.first) / freq)));
}

TMDIChildWave* TMainForm::AddWaveWindow(std::unique_ptr<TUnitWave> doc) { return showWave(space_.AddWave(std::move(doc))); }

void TMainForm::adoptNewDocuments() {
    // Split and merge add their documents to the workspace; each gets a window.
    std::set<const TUnit*> shown;
    for (TMDIChildKorvane* child : Children()) shown.insert(child->Unit());
    std::vector<TUnitWave*> fresh;
    for (const auto& unit : space_.Units())
        if (unit->Kind == unitKindWave && !shown.count(unit.get())) fresh.push_back(static_cast<TUnitWave*>(unit.get()));
    for (TUnitWave* doc : fresh) showWave(*doc);
}

TMDIChildWave* TMainForm::showWave(TUnitWave& unit, const TMDIChildWave* like) {
    auto* child = new TMDIChildWave(unit, like ? like->WaveViewProps() : waveViewDefault_);
    child->SetVoldProps(like ? like->VoldViewProps() : voldViewDefault_);
    if (like && like->ViewKind() == TMDIChildWave::viewVold) child->SetVoldView(like->VoldViewProps());
    child->QueryClose = [this](TMDIChildKorvane& c) { return queryClose(c); };
    child->Closed = [this](TMDIChildKorvane& c) { childClosed(c); };
    child->Readout = [this, child](const QString& text) {
        // At least the width the readout is given, and never less than its
        // text needs: "(0:00:00.00000, -100.00 %)" is read to its end.
        status_->ShowInPanel1(text, child->ViewKind() == TMDIChildWave::viewVold ? 130 : 120);
    };
    QMdiSubWindow* sub = mdi_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(620, 300);
    child->RefreshCaption();
    sub->show();
    placer_->PlaceNew(sub);
    mdi_->setActiveSubWindow(sub);
    child->setFocus();
    UpdateActions();
    return child;
}

bool TMainForm::queryClose(TMDIChildKorvane& child) {
    TUnit* unit = child.Unit();
    if (!unit || !unit->NeedsSaving()) return true;
    // The window asked about comes to the front, and the box says which it is:
    // at Exit the questions come one after another.
    bringToFront(child);
    const std::string about = "\"" + child.windowTitle().toStdString() + "\" has changes that are not saved.";
    switch (messages().askYesNoCancel("You have unsaved changes", "Do you want to save?", about)) {
        case MessageAnswer::Yes: return SaveChild(child);
        case MessageAnswer::No: return true;
        default: return false;
    }
}

TMDIChildKorvane* TMainForm::windowOf(const TUnit& unit) const {
    for (TMDIChildKorvane* child : Children())
        if (child->Unit() == &unit) return child;
    return nullptr;
}

void TMainForm::bringToFront(TMDIChildKorvane& child) {
    auto* sub = qobject_cast<QMdiSubWindow*>(child.parentWidget());
    if (!sub) return;
    if (sub->isMinimized()) sub->showNormal();
    mdi_->setActiveSubWindow(sub);
    sub->raise();
}

void TMainForm::childClosed(TMDIChildKorvane& child) {
    TUnit* unit = child.Unit();
    if (auto* wave = dynamic_cast<TUnitWave*>(unit)) playRecord_->Forget(*wave);
    child.Detach();
    // Before the document goes: the dialogs let go of it.
    followActiveMusic();
    if (unit) space_.Close(*unit);
    UpdateActions();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Every changed document is asked about; one Cancel keeps everything open
    // that is still open.
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    if (selZoom_) selZoom_->close();
    musicDialog_->close();
    musTreeDialog_->close();
    // The help window is a window of its own: left open it would keep the
    // program running with no main window.
    CloseHelpWindow();
    event->accept();
    // Everything is saved or given up by now: nothing is left to recover.
    journal_->Finish();
}

// --- commands ------------------------------------------------------------

void TMainForm::FileNewWaveExecute() {
    TDlgWaveFileProp dialog(this, WaveFileProps{});
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    auto doc = std::make_unique<TUnitWave>(dialog.Props(), "");
    doc->Name = space_.NextNewName();
    doc->Records = space_.Records;
    AddWaveWindow(std::move(doc));
}

void TMainForm::DuplicateWaveExecute() {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w || !NotDrawing(state()).empty()) return;
    const TUnitWave& doc = *w->Doc();
    int32_t begin, end;
    doc.EditRange(begin, end);
    bool failed = false;
    std::unique_ptr<Sound> part = doc.TheSound->Extract(failed, begin, end);
    if (failed || !part) return;
    auto copy = std::make_unique<TUnitWave>(std::move(part), "");
    copy->MarkNew();
    copy->Name = space_.NextNewName();
    copy->Records = space_.Records;
    AddWaveWindow(std::move(copy));
}

bool TMainForm::SaveChild(TMDIChildKorvane& child) {
    if (auto* music = dynamic_cast<TUnitMuz*>(child.Unit())) return saveMusic(child, *music, false);
    auto* doc = dynamic_cast<TUnitWave*>(child.Unit());
    if (!doc) return false;
    if (!doc->HasSamples()) return true;
    if (doc->HasNoFile()) return SaveChildAs(child);
    BusyCursor busy;
    if (!doc->Save(false)) return false;
    doc->MarkSaved();
    child.RefreshCaption();
    return true;
}

bool TMainForm::SaveChildAs(TMDIChildKorvane& child) {
    if (auto* music = dynamic_cast<TUnitMuz*>(child.Unit())) return saveMusic(child, *music, true);
    auto* doc = dynamic_cast<TUnitWave*>(child.Unit());
    if (!doc || !doc->HasSamples()) return false;
    QString start = QString::fromStdString(doc->FileName.empty() ? doc->Name + ".wav" : doc->FileName);
    QString name = runner_->SaveFileName(this, "Save As", start, kWaveFilter, "wav");
    if (name.isEmpty()) return false;
    BusyCursor busy;
    if (!doc->SaveAs(name.toStdString(), false)) return false;
    doc->SetFileName(name.toStdString());
    child.RefreshCaption();
    rememberFile(name.toStdString());
    return true;
}

void TMainForm::FileSaveExecute() {
    if (TMDIChildKorvane* c = ActiveChild(); c && c->Unit()->NeedsSaving()) SaveChild(*c);
}

void TMainForm::FileSaveAsExecute() {
    if (TMDIChildMuz* m = ActiveMusicChild()) SaveChildAs(*m);
    else if (TMDIChildWave* w = ActiveWaveChild(); w && NeedsSamples(state()).empty()) SaveChildAs(*w);
}

void TMainForm::UndoExecute() {
    // A music edit the idle call has not seen yet (one committed as the focus
    // left a dialog's field for this key, or one put off on a large score)
    // is the last command.
    watchMusicEdits(true);
    const TUndoUnit* step = space_.UndoStep();
    if (!step) return;
    // A stave border drag is one edit that has not ended yet.
    if (auto* music = dynamic_cast<TMDIChildMuz*>(windowOf(*step->Unit)); music && music->Dragging()) return;
    // The step may belong to a window behind the active one (Ctrl+Z is live
    // in every window), or to the active one while it is minimized: that
    // window comes to the front first, so the user sees what Undo changes.
    if (TMDIChildKorvane* owner = windowOf(*step->Unit)) {
        const bool active = owner == ActiveChild();
        bringToFront(*owner);
        if (!active) owner->setFocus();
    }
    BusyCursor busy;
    // The history records an Undo and its redo as states of their own.
    step->Unit->EditName = "Undo";
    if (step->UnitWave) space_.Undo();
    else undoMusic();
    UpdateActions();
}

void TMainForm::watchMusicEdits(bool force) {
    TMDIChildMuz* active = ActiveMusicChild();
    musicUndo_.Idle(space_, active && active->Dragging() ? active->Doc() : nullptr, force);
    if (!musicUndo_.Deferred()) return;
    if (!musicLater_) {
        musicLater_ = new QTimer(this);
        musicLater_->setSingleShot(true);
        connect(musicLater_, &QTimer::timeout, this, [this] { UpdateActions(); });
    }
    if (!musicLater_->isActive()) musicLater_->start(50);
}

void TMainForm::undoMusic() {
    std::unique_ptr<TUndoUnit> taken = space_.TakeUndo();
    restoreMusic(static_cast<TMuzUndoUnit&>(*taken));
    space_.PutUndo(std::move(taken));
}

bool TMainForm::restoreMusic(TMuzUndoUnit& step) {
    TUnitMuz& doc = step.Doc();
    auto* child = dynamic_cast<TMDIChildMuz*>(windowOf(doc));
    // The dialogs let go of the old content (and of an edit typed for it)
    // before it is replaced, and show the new one after.
    const bool inMusicDialog = musicDialog_ && musicDialog_->Doc() == &doc;
    const bool inTreeDialog = musTreeDialog_ && musTreeDialog_->Doc() == &doc;
    if (inMusicDialog) musicDialog_->ShowFor(nullptr);
    if (inTreeDialog) musTreeDialog_->ShowFor(nullptr);
    const bool restored = step.RestoreChecked();
    // Refused, the document read its own text back: new objects all the same.
    musicUndo_.Reset(doc);
    if (child) child->ContentReplaced();
    if (inMusicDialog) musicDialog_->ShowFor(child);
    if (inTreeDialog) musTreeDialog_->ShowFor(child);
    return restored;
}

void TMainForm::DeleteUndoExecute() { space_.DeleteUndo(); }

void TMainForm::FilePropertiesExecute() {
    if (TMDIChildMuz* m = ActiveMusicChild()) {
        musicProperties(*m);
        return;
    }
    TMDIChildWave* w = ActiveWaveChild();
    if (!w || !NotDrawing(state()).empty()) return;
    TUnitWave& doc = *w->Doc();
    WaveFileProps old = doc.GetProps();
    TDlgWaveFileProp dialog(this, old);
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    WaveFileProps chosen = dialog.Props();
    if (chosen.MonoStereo == old.MonoStereo && chosen.SampleFreq == old.SampleFreq &&
        chosen.BytesPSample == old.BytesPSample)
        return;
    BusyCursor busy;
    space_.NewUndo(doc);
    doc.EditName = "Properties";
    doc.ChangeProperties(old, chosen);
    doc.MarkChanged();
    w->Repaint();
}

void TMainForm::RegisterExecute() {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w) return;
    TUnitWave& doc = *w->Doc();
    // A name another document has is refused with its message, and the
    // dialog stays open for another one.
    TDlgRegisterWave dialog(this, QString::fromStdString(doc.Name),
                            [&](const QString& name) { return space_.SetName(doc, name.toStdString()); });
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    nameBox_->setText(QString::fromStdString(w->Doc()->Name));
}

void TMainForm::NameBoxEnter() {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w) return;
    space_.SetName(*w->Doc(), nameBox_->text().trimmed().toStdString());
    nameBox_->setText(QString::fromStdString(w->Doc()->Name));
}

void TMainForm::FileExitExecute() { close(); }

void TMainForm::ViewWaveExecute() {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w) return;
    TDlgWaveViewProps dialog(this, w->WaveViewProps());
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    w->SetWaveView(dialog.Props());
    if (dialog.UseAsDefault()) waveViewDefault_ = dialog.Props();
}

void TMainForm::ZoomInExecute() {
    if (TMDIChildWave* w = ActiveWaveChild(); w && Action("ZoomIn")->isEnabled()) w->ZoomIn();
}

void TMainForm::NoZoomExecute() {
    if (TMDIChildWave* w = ActiveWaveChild()) w->NoZoom();
}

void TMainForm::SelectWaveExecute() {
    if (!selZoom_) selZoom_ = new TDlgSelZoom(this, [this] { return ActiveWaveChild(); });
    if (selZoom_->isVisible()) selZoom_->close();
    else selZoom_->show();
}

void TMainForm::DrawWaveExecute(int kind) {
    if (TMDIChildWave* w = ActiveWaveChild(); w && w->CanDraw()) w->StartDrawing(kind);
}

void TMainForm::HelpExecute() { ShowHelpContents(this); }

void TMainForm::HelpAboutExecute() {
    messages().show("About", "Korvane 7.1\nA sound workshop: wave editor and music composer.",
                    MessageIcon::Information);
}

void TMainForm::MusicCommandExecute(const Command& command) {
    CommandState s = state();
    if (!s.music || !command.enabled(s).empty() || !command.runMusic) return;
    auto& doc = *const_cast<TUnitMuz*>(s.music);
    doc.EditName = command.HistoryName();
    const uint64_t revision = doc.Revision;
    command.runMusic(doc);
    if (doc.Revision == revision) doc.EditName.clear();  // a mode or setting: no state
    if (TMDIChildMuz* child = ActiveMusicChild()) child->Repaint();
    musicDialog_->Refresh();
    musTreeDialog_->Refresh();
    UpdateActions();
}

void TMainForm::WaveCommandExecute(const Command& command) {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w || !w->Doc()) return;
    TUnitWave& doc = *w->Doc();
    if (!command.enabled(state()).empty()) return;
    std::unique_ptr<CommandStep> step = command.makeStep(space_, doc);
    if (command.HasDialog()) {
        TCommandDialogContext context{command, *step, space_, doc};
        std::unique_ptr<QDialog> dialog = MakeCommandDialog(this, context);
        if (dialog && runner_->Run(*dialog) != QDialog::Accepted) return;
    }
    BusyCursor busy;
    std::unique_ptr<TUndoUnit> previous;
    if (command.takesUndo) {
        previous = space_.TakeUndo();
        space_.NewUndo(doc);
    }
    doc.EditName = command.HistoryName();
    StepResult result = step->Run(space_, doc, nullptr);
    if (result.kind == StepResult::Refused) messages().show("Input Error", result.text, MessageIcon::Error);
    else if (result.kind == StepResult::Done && command.takesUndo) doc.MarkChanged();
    if (result.kind != StepResult::Done) doc.EditName.clear();
    // Refused, cancelled or out of memory, the wave is as it was: Undo still
    // undoes the command before.
    if (command.takesUndo && result.kind != StepResult::Done && previous &&
        space_.UndoStep() && space_.UndoStep()->TheSound == doc.TheSound)
        space_.PutUndo(std::move(previous));
    w->Repaint();
    adoptNewDocuments();
}

}  // namespace korvane
