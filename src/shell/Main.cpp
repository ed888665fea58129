#include "shell/Main.h"

#include "processing/SplitMerge.h"
#include "shell/Help.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <algorithm>
#include <set>

#include "core/WavFile.h"
#include "platform/Messages.h"
#include "shell/ChildWin.h"
#include "shell/CommandDialogs.h"
#include "shell/DMergeProps.h"
#include "shell/DRegisterWave.h"
#include "shell/DSelZoom.h"
#include "shell/DSplitHorProps.h"
#include "shell/DWaveFileProp.h"
#include "shell/DWaveViewProps.h"
#include "shell/Icons.h"
#include "wavewindow/ChildWave.h"

namespace korvane {

namespace {

const char* const kWaveFilter = "Wave Files (*.wav);;All files (*)";

// Long operations show the hourglass.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

// Action names the window handles itself, or that belong to the batch front
// end only (hand-drawing has its own two window commands).
const std::set<std::string> kNotFromTable{"DrawWave"};

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), runner_(std::make_unique<TDialogRunner>()) {
    setWindowTitle("Korvane 7.1");
    setObjectName("MainForm");
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    RegisterShellDialogs();
    SetMediaPlayer(nullptr);
    buildActions();
    buildMenus();
    buildToolBars();
    buildStatusBar();
    resize(1100, 760);
    // The update rule runs whenever the event loop has nothing more to do.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TMainForm::UpdateActions);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { UpdateActions(); });
    UpdateActions();
}

TMainForm::~TMainForm() {
    // Nothing may call back into this form while Qt takes its widgets down.
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) disconnect(dispatcher, nullptr, this, nullptr);
    disconnect(mdi_, nullptr, this, nullptr);
    // The documents go with the workspace before the windows go with Qt.
    for (TMDIChildKorvane* child : Children()) child->Detach();
}

QAction* TMainForm::Action(const QString& name) const { return actions_.value(name); }
QMenu* TMainForm::Menu(const QString& name) const { return menus_.value(name); }
QToolBar* TMainForm::ToolBar(const QString& name) const { return toolBars_.value(name); }
QLabel* TMainForm::Panel(int index) const { return index >= 0 && index < 8 ? panels_[index] : nullptr; }

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

std::vector<TMDIChildKorvane*> TMainForm::Children() const {
    std::vector<TMDIChildKorvane*> list;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (auto* child = qobject_cast<TMDIChildKorvane*>(sub->widget()); child && child->Unit()) list.push_back(child);
    return list;
}

QAction* TMainForm::makeAction(const QString& name, const QString& caption, const QString& shortcut,
                               const QString& hint) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(QKeySequence(shortcut));
    int bar = hint.indexOf('|');
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    action->setIcon(CommandIcon(name));
    action->setIconVisibleInMenu(false);
    actions_.insert(name, action);
    return action;
}

QAction* TMainForm::shellAction(const char* name, const char* caption, const char* shortcut, const char* hint,
                                std::function<void()> handler, Rule rule) {
    QAction* action = makeAction(name, caption, shortcut, hint);
    if (rule.checked) action->setCheckable(true);
    if (handler) connect(action, &QAction::triggered, this, [handler] { handler(); });
    shellRules_.emplace_back(action, std::move(rule));
    return action;
}

CommandState TMainForm::state() const {
    CommandState s;
    s.space = &space_;
    TMDIChildWave* wave = ActiveWaveChild();
    s.wave = wave ? wave->Doc() : nullptr;
    s.drawing = wave && wave->Drawing();
    s.children = static_cast<int>(Children().size());
    return s;
}

void TMainForm::buildActions() {
    auto always = [] { return true; };
    auto never = [] { return false; };
    auto wave = [this] { return ActiveWaveChild() != nullptr; };
    auto notDrawing = [this] { return NotDrawing(state()).empty(); };
    auto needsSamples = [this] { return NeedsSamples(state()).empty(); };
    auto anyChild = [this] { return !Children().empty(); };
    auto drawingKind = [this](int kind) {
        return [this, kind] {
            TMDIChildWave* w = ActiveWaveChild();
            return w && w->Drawing() && w->DrawKind() == kind;
        };
    };
    auto canDraw = [this] {
        TMDIChildWave* w = ActiveWaveChild();
        return w && w->CanDraw();
    };
    auto changed = [this] {
        TMDIChildKorvane* c = ActiveChild();
        return c && c->Unit()->NeedsSaving();
    };
    auto hasUndo = [this] { return space_.HasUndo(); };
    auto playAvailable = [this] { return playRecord_->Available(); };

    shellAction("FileNewWave", "&New wave...", "Ctrl+N", "New Wave|Create a new empty wave window",
                [this] { FileNewWaveExecute(); }, {always, {}});
    // The music window is not there yet: its commands stay off.
    shellAction("FileNewMuz", "New music...", "Shift+Ctrl+N", "New Music|Create a new empty music window", {},
                {never, {}});
    shellAction("FileOpenWave", "&Open wave...", "Ctrl+O", "Open Wave|Open wave files, each in its own window",
                [this] { FileOpenWaveExecute(); }, {always, {}});
    shellAction("FileOpenMuz", "&Open music...", "Shift+Ctrl+O", "Open Music|Open a music file in a new window", {},
                {never, {}});
    shellAction("DuplicateWave", "&Duplicate", "", "Duplicate|Copy the selected part into a new wave window",
                [this] { DuplicateWaveExecute(); }, {notDrawing, {}});
    shellAction("DuplicateMuz", "&Duplicate", "", "Duplicate|Copy the music into a new music window", {}, {never, {}});
    shellAction("FileSave", "&Save", "Ctrl+S", "Save|Save the wave to its file", [this] { FileSaveExecute(); },
                {changed, {}});
    shellAction("FileSaveAs", "Save &As...", "Ctrl+A", "Save As|Save the wave to a new file",
                [this] { FileSaveAsExecute(); }, {needsSamples, {}});
    shellAction("FilePlay", "&Play", "P", "Play|Play the wave", [this] { FilePlayExecute(); },
                {[=, this] { return playAvailable() && needsSamples(); }, [this] { return playRecord_->PlayChecked(); }});
    shellAction("FileStop", "S&top", "S", "Stop|Stop playing or recording", [this] { FileStopExecute(); },
                {[this] { return playRecord_->StopEnabled(); }, {}});
    shellAction("FilePause", "Pause", "W", "Pause|Pause playing or recording", [this] { FilePauseExecute(); },
                {[this] { return playRecord_->PauseEnabled(); }, [this] { return playRecord_->PauseChecked(); }});
    shellAction("FileRecord", "&Record", "Alt+R", "Record|Record into the empty wave", [this] { FileRecordExecute(); },
                {[=, this] {
                     TMDIChildWave* w = ActiveWaveChild();
                     return playAvailable() && ((w && w->Doc() && !w->Doc()->HasSamples()) ||
                                                playRecord_->RecordChecked());
                 },
                 [this] { return playRecord_->RecordChecked(); }});
    shellAction("Undo", "&Undo", "Ctrl+Z", "Undo|Take back the last wave action", [this] { UndoExecute(); },
                {hasUndo, {}});
    shellAction("DeleteUndo", "De&lete Undo", "", "Delete Undo|Forget wave before last wave action",
                [this] { DeleteUndoExecute(); }, {hasUndo, {}});
    shellAction("FileProperties", "Properties", "", "Properties|Change channels, frequency and bits of the wave",
                [this] { FilePropertiesExecute(); }, {notDrawing, {}});
    shellAction("Register", "&Register...", "N", "Register|Give the wave a unique name",
                [this] { RegisterExecute(); }, {wave, {}});
    shellAction("Options", "Options...", "", "Options|Options", {}, {never, {}});
    shellAction("FileExit", "E&xit", "", "Exit|Close Korvane", [this] { FileExitExecute(); }, {always, {}});

    shellAction("Begin", "Go to &Begin", "", "Go to Begin|Go to the begin of the wave", {}, {never, {}});
    shellAction("End", "Go to &End", "", "Go to End|Go to the end of the wave", {}, {never, {}});

    shellAction("ViewWave", "&Wave...", "Alt+W", "Wave View|Show the wave as a wave",
                [this] { ViewWaveExecute(); },
                {wave, [this] {
                     TMDIChildWave* w = ActiveWaveChild();
                     return w && w->ViewKind() == TMDIChildWave::viewWave;
                 }});
    shellAction("ViewVold", "&Volume...", "Alt+V", "Volume Diagram|Show the wave as a volume diagram",
                [this] { ViewVoldExecute(); }, {[=] { return wave() && notDrawing(); }, [this] {
                     TMDIChildWave* w = ActiveWaveChild();
                     return w && w->ViewKind() == TMDIChildWave::viewVold;
                 }});
    shellAction("ZoomIn", "&Zoom in", "Z", "Zoom in|Show only the selected part", [this] { ZoomInExecute(); },
                {[this] {
                     CommandState s = state();
                     return NeedsSamples(s).empty() && s.wave->HasSelection();
                 },
                 {}});
    shellAction("NoZoom", "&No Zoom", "Shift+Z", "No Zoom|Show the whole wave", [this] { NoZoomExecute(); },
                {[this] {
                     TMDIChildWave* w = ActiveWaveChild();
                     return NeedsSamples(state()).empty() && w->Zoomed();
                 },
                 {}});
    shellAction("SelectWave", "&Dialogbox Select Wave...", "Q",
                "Select and Zoom|Set the selection and the zoom by typed times", [this] { SelectWaveExecute(); },
                {wave, [this] { return selZoom_ && selZoom_->isVisible(); }});
    shellAction("MusicDialog", "&Dialogbox Edit Music...", "", "Edit Music|Show the music dialog", {},
                {never, [] { return false; }});
    shellAction("MusicParts", "&Dialogbox Music Parts...", "", "Music Parts|Show the music parts", {},
                {never, [] { return false; }});
    shellAction("DrawWaveLin", "Dr&aw Wave Linear", "", "Draw Wave Linear|Draw a wave by hand, straight between the points",
                [this] { DrawWaveExecute(0); }, {canDraw, drawingKind(0)});
    shellAction("DrawWave3G", "Draw Wave Smooth", "Shift+Alt+D",
                "Draw Wave Smooth|Draw a wave by hand, smooth between the points", [this] { DrawWaveExecute(1); },
                {canDraw, drawingKind(1)});

    shellAction("WindowCascade", "&Cascade", "", "Cascade|Cascade the windows", [this] { mdi_->cascadeSubWindows(); },
                {anyChild, {}});
    shellAction("WindowTileHorizontal", "Tile &Horizontally", "", "Tile Horizontally|Windows above each other",
                [this] { tile(true); }, {anyChild, {}});
    shellAction("WindowTileVertical", "Tile &Vertically", "", "Tile Vertically|Windows beside each other",
                [this] { tile(false); }, {anyChild, {}});
    shellAction("WindowMinimizeAll", "&Minimize All", "", "Minimize All|Minimize every window",
                [this] {
                    for (QMdiSubWindow* sub : mdi_->subWindowList()) sub->showMinimized();
                },
                {anyChild, {}});
    shellAction("WindowArrangeAll", "&Arrange All", "", "Arrange All|Line up the minimized windows",
                [this] { arrangeIcons(); }, {anyChild, {}});

    shellAction("HelpContents", "&Contents", "", "Contents|Help contents", [this] { HelpExecute(); }, {always, {}});
    shellAction("HelpTopicSearch", "&Topic Search", "", "Topic Search|Search the help", [this] { HelpExecute(); },
                {always, {}});
    shellAction("HelpOnHelp", "&Help on Help", "", "Help on Help|How to use help", [this] { HelpExecute(); },
                {always, {}});
    shellAction("HelpAbout", "&About...", "Alt+F1", "About|About Korvane", [this] { HelpAboutExecute(); },
                {always, {}});

    for (const WaveCommand& command : WaveCommands()) {
        if (kNotFromTable.count(command.action) || actions_.contains(QString::fromStdString(command.action))) continue;
        QAction* action = makeAction(QString::fromStdString(command.action), QString::fromStdString(command.caption),
                                     QString::fromStdString(command.shortcut), QString::fromStdString(command.hint));
        const WaveCommand* c = &command;
        connect(action, &QAction::triggered, this, [this, c] { WaveCommandExecute(*c); });
        waveActions_.emplace_back(action, c);
    }
}

void TMainForm::buildMenus() {
    std::set<QString> placed;
    auto fill = [&](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* n : names) {
            if (!*n) {
                menu->addSeparator();
                continue;
            }
            if (QAction* a = Action(n)) {
                menu->addAction(a);
                placed.insert(n);
            }
        }
    };
    auto add = [&](const char* title, const QString& key) {
        QMenu* menu = menuBar()->addMenu(title);
        menus_.insert(key, menu);
        return menu;
    };
    // Alt and a letter is taken by many commands (Alt+F, Alt+E, Alt+V, Alt+W,
    // Alt+B, Alt+T, Alt+R, and the music commands' Alt+U, Alt+G, Alt+P,
    // Alt+M): the menu titles underline letters that none of them uses, or
    // the key would be ambiguous and do nothing at all.
    fill(add("Fi&le", "File"), {"FileNewWave", "FileNewMuz", "FileOpenWave", "FileOpenMuz", "DuplicateWave",
                                "DuplicateMuz", "", "FileSave", "FileSaveAs", "", "FilePlay", "FileStop",
                                "FilePause", "FileRecord", "", "Undo", "DeleteUndo", "", "FileProperties",
                                "Register", "Options", "", "FileExit"});
    fill(add("E&dit", "Edit"), {"EditDelete", "EditTrim", "", "EditCut", "EditCopy", "EditPaste", "EditSwap",
                                "EditExtract", "EditMix", "", "Begin", "End", "", "EditClearClipboard"});
    fill(add("V&iew", "View"), {"ViewWave", "ViewVold", "", "ZoomIn", "NoZoom", "", "SelectWave", "MusicDialog",
                                "MusicParts"});
    fill(add("M&ake", "Make"), {"MakeSilence", "MakeLine", "MakeBlock", "MakeTriangle", "MakeSinus", "MakeNoise",
                                "MakeMFreq", "", "DrawWaveLin", "DrawWave3G"});
    QMenu* effects = add("Effe&cts", "Effects");
    fill(effects, {"Volume", "MaxVolume", "Up", "Distort", "Block", "Reverse", "Length", "Rotate", "RollOut",
                   "RollIn", "Balance", "MixLeftRight", "TempoPitch"});
    QMenu* filter = effects->addMenu("&Filter");
    fill(filter, {"FilterHigh", "FilterLow", "FilterRes", "FilterNotch", "FilterBlock"});
    QMenu* echo = effects->addMenu("&Echo");
    fill(echo, {"PerEcho", "RndEcho"});
    if (QAction* tp = Action("TempoPitch")) tp->setText("&Pitch and Tempo...");
    menus_.insert("Music", menuBar()->addMenu("Mu&sic"));
    fill(add("Wind&ow", "Window"), {"WindowCascade", "WindowTileHorizontal", "WindowTileVertical",
                                    "WindowMinimizeAll", "WindowArrangeAll", "", "SplitH", "SplitV", "MergeH",
                                    "MergeV"});
    fill(add("&Help", "Help"), {"HelpContents", "HelpTopicSearch", "HelpOnHelp", "", "HelpAbout"});
    // Commands of the table that have no place above yet still get one.
    bool first = true;
    for (const auto& [action, command] : waveActions_) {
        if (placed.count(action->objectName())) continue;
        if (first) effects->addSeparator();
        first = false;
        effects->addAction(action);
    }
    filter->menuAction()->setVisible(!filter->isEmpty());
    echo->menuAction()->setVisible(!echo->isEmpty());
}

void TMainForm::buildToolBars() {
    auto bar = [&](const char* title, std::initializer_list<const char*> names) {
        QToolBar* tb = addToolBar(title);
        tb->setObjectName(title);
        tb->setIconSize(QSize(22, 22));
        toolBars_.insert(title, tb);
        for (const char* n : names) {
            if (!*n) tb->addSeparator();
            else if (QAction* a = Action(n)) tb->addAction(a);
        }
        return tb;
    };
    QToolBar* basic = bar("Basic", {"FileNewWave", "FileOpenWave", "FileSave", "", "Undo", "", "EditCut", "EditCopy",
                                    "EditPaste", "EditDelete", "", "FilePlay", "FilePause", "FileStop", "FileRecord",
                                    ""});
    nameBox_ = new QLineEdit(basic);
    nameBox_->setObjectName("NameBox");
    nameBox_->setFixedWidth(160);
    nameBox_->setToolTip("Name of window");
    nameBox_->setStatusTip("a unique name of the window");
    nameBox_->setPlaceholderText("name");
    connect(nameBox_, &QLineEdit::returnPressed, this, &TMainForm::NameBoxEnter);
    basic->addWidget(nameBox_);
    addToolBarBreak();
    bar("View", {"ViewWave", "ViewVold", "", "ZoomIn", "NoZoom", "", "SelectWave"});
    addToolBarBreak();
    bar("Make Waves", {"MakeSilence", "MakeLine", "MakeBlock", "MakeTriangle", "MakeSinus", "MakeNoise", "MakeMFreq",
                       "", "DrawWaveLin", "DrawWave3G"});
    addToolBarBreak();
    bar("Complex Manipulations", {"Volume", "MaxVolume", "Reverse", "Up", "Distort", "Rotate", "", "Length",
                                  "TempoPitch", "RollIn", "RollOut", "", "FilterLow", "FilterHigh", "FilterRes",
                                  "FilterNotch", "", "PerEcho", "RndEcho", "", "SplitH", "SplitV", "MergeH",
                                  "MergeV"});
    // The music bars get their buttons with the music window.
    bar("Music Note", {});
    bar("Music Silence", {});
    bar("Music Bar", {});
}

void TMainForm::buildStatusBar() {
    static const int widths[8] = {300, 160, 75, 70, 45, 24, 65, 60};
    // The widest text each panel shows; a panel grows beyond its width when
    // the font needs it, so that no value is cut.
    static const char* widest[8] = {"", "", "0:00:00.00000", "176.400 kHz", "16", "ST", "000.0 Mb", "Changed"};
    for (int i = 0; i < 8; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QString("Panel%1").arg(i));
        int needed = panels_[i]->fontMetrics().horizontalAdvance(widest[i]) + 12;
        panels_[i]->setFixedWidth(std::max(widths[i], widest[i][0] ? needed : 0));
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(panels_[i]);
    }
}

bool TMainForm::event(QEvent* event) {
    // Hints go to the first panel rather than over the whole status bar.
    if (event->type() == QEvent::StatusTip) {
        panels_[0]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::switchKind(int kind) {
    bool wave = kind == unitKindWave, music = kind == unitKindMuz;
    for (const char* m : {"Edit", "View", "Make", "Effects", "Window"}) Menu(m)->menuAction()->setVisible(wave);
    Menu("Window")->menuAction()->setVisible(wave || music);
    Menu("View")->menuAction()->setVisible(wave || music);
    Menu("Music")->menuAction()->setVisible(music);
    for (const char* n : {"ViewWave", "ViewVold", "ZoomIn", "NoZoom", "SelectWave", "DuplicateWave"})
        Action(n)->setVisible(wave);
    for (const char* n : {"MusicDialog", "MusicParts", "DuplicateMuz"}) Action(n)->setVisible(music);
    for (const char* t : {"View", "Make Waves", "Complex Manipulations"}) ToolBar(t)->setVisible(wave);
    for (const char* t : {"Music Note", "Music Silence", "Music Bar"}) ToolBar(t)->setVisible(music);
}

void TMainForm::UpdateActions() {
    TMDIChildKorvane* child = ActiveChild();
    int kind = child ? child->Kind() : 0;
    if (kind != prevKind_) {
        switchKind(kind);
        prevKind_ = kind;
    }
    CommandState s = state();
    for (auto& [action, command] : waveActions_) action->setEnabled(command->enabled(s).empty());
    for (auto& [action, rule] : shellRules_) {
        action->setEnabled(rule.enabled());
        if (rule.checked) action->setChecked(rule.checked());
    }
    nameBox_->setEnabled(s.wave != nullptr);
    if (!nameBox_->hasFocus()) {
        QString name = s.wave ? QString::fromStdString(s.wave->Name) : QString();
        if (nameBox_->text() != name) nameBox_->setText(name);
    }
    fillStatus();
}

void TMainForm::fillStatus() {
    TMDIChildWave* w = ActiveWaveChild();
    const TUnitWave* doc = w ? w->Doc() : nullptr;
    if (!doc) {
        for (int i = 2; i < 8; ++i) panels_[i]->clear();
        return;
    }
    const std::string texts[6] = {doc->DurationText(), doc->FrequencyText(), doc->BitsText(),
                                  doc->ChannelsText(), doc->SizeText(),      doc->StateText()};
    for (int i = 0; i < 6; ++i) {
        QString t = QString::fromStdString(texts[i]);
        if (panels_[i + 2]->text() != t) panels_[i + 2]->setText(t);
    }
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
        panels_[1]->setFixedWidth(child->ViewKind() == TMDIChildWave::viewVold ? 130 : 120);
        panels_[1]->setText(text);
    };
    QMdiSubWindow* sub = mdi_->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(CommandIcon(unit.GetMoSt() == 2 ? "ViewWave" : "MakeSinus"));
    sub->resize(620, 300);
    child->RefreshCaption();
    sub->show();
    mdi_->setActiveSubWindow(sub);
    child->setFocus();
    UpdateActions();
    return child;
}

bool TMainForm::queryClose(TMDIChildKorvane& child) {
    TUnit* unit = child.Unit();
    if (!unit || !unit->NeedsSaving()) return true;
    switch (messages().askYesNoCancel("You have unsaved changes", "Do you want to save?")) {
        case MessageAnswer::Yes: return SaveChild(child);
        case MessageAnswer::No: return true;
        default: return false;
    }
}

void TMainForm::childClosed(TMDIChildKorvane& child) {
    TUnit* unit = child.Unit();
    if (auto* wave = dynamic_cast<TUnitWave*>(unit)) playRecord_->Forget(*wave);
    child.Detach();
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
    event->accept();
}

void TMainForm::tile(bool horizontally) {
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (!sub->isMinimized()) subs << sub;
    if (subs.isEmpty()) return;
    QRect area = mdi_->viewport()->rect();
    int n = static_cast<int>(subs.size());
    for (int i = 0; i < n; ++i) {
        subs[i]->showNormal();
        if (horizontally) {
            int h = area.height() / n;
            subs[i]->setGeometry(0, i * h, area.width(), h);
        } else {
            int w = area.width() / n;
            subs[i]->setGeometry(i * w, 0, w, area.height());
        }
    }
}

void TMainForm::arrangeIcons() {
    int x = 0;
    QRect area = mdi_->viewport()->rect();
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (!sub->isMinimized()) continue;
        sub->move(x, area.height() - sub->height());
        x += sub->width();
    }
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

void TMainForm::FileOpenWaveExecute() {
    QStringList files = runner_->OpenFileNames(this, "Open wave", kWaveFilter);
    OpenWaveFiles(files);
}

void TMainForm::OpenWaveFiles(const QStringList& files) {
    for (const QString& file : files) {
        std::string path = file.toStdString();
        std::unique_ptr<Sound> sound;
        std::string reason;
        if (!ReadWaveFile(path, sound, reason)) {
            ShowWaveReadError(path, reason);
            continue;
        }
        auto doc = std::make_unique<TUnitWave>(std::move(sound), path);
        doc->Records = space_.Records;
        AddWaveWindow(std::move(doc));
    }
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
    auto* doc = dynamic_cast<TUnitWave*>(child.Unit());
    if (!doc || !doc->HasSamples()) return false;
    QString start = QString::fromStdString(doc->FileName.empty() ? doc->Name + ".wav" : doc->FileName);
    QString name = runner_->SaveFileName(this, "Save As", start, kWaveFilter, "wav");
    if (name.isEmpty()) return false;
    BusyCursor busy;
    if (!doc->SaveAs(name.toStdString(), false)) return false;
    doc->SetFileName(name.toStdString());
    child.RefreshCaption();
    return true;
}

void TMainForm::FileSaveExecute() {
    if (TMDIChildKorvane* c = ActiveChild(); c && c->Unit()->NeedsSaving()) SaveChild(*c);
}

void TMainForm::FileSaveAsExecute() {
    if (TMDIChildWave* w = ActiveWaveChild(); w && NeedsSamples(state()).empty()) SaveChildAs(*w);
}

void TMainForm::UndoExecute() {
    if (!space_.HasUndo()) return;
    BusyCursor busy;
    space_.Undo();
}

void TMainForm::DeleteUndoExecute() { space_.DeleteUndo(); }

void TMainForm::FilePropertiesExecute() {
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
    doc.ChangeProperties(old, chosen);
    doc.MarkChanged();
    w->Repaint();
}

void TMainForm::RegisterExecute() {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w) return;
    TDlgRegisterWave dialog(this, QString::fromStdString(w->Doc()->Name));
    if (runner_->Run(dialog) != QDialog::Accepted) return;
    space_.SetName(*w->Doc(), dialog.Name().toStdString());
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

void TMainForm::WaveCommandExecute(const WaveCommand& command) {
    TMDIChildWave* w = ActiveWaveChild();
    if (!w || !w->Doc()) return;
    TUnitWave& doc = *w->Doc();
    if (!command.enabled(state()).empty()) return;
    if (SplitMergeExecute(command.action, *w)) return;
    std::unique_ptr<CommandStep> step = command.makeStep(space_, doc);
    if (command.caption.size() >= 3 && command.caption.compare(command.caption.size() - 3, 3, "...") == 0) {
        TCommandDialogContext context{command, *step, space_, doc};
        std::unique_ptr<QDialog> dialog = MakeCommandDialog(this, context);
        if (dialog && runner_->Run(*dialog) != QDialog::Accepted) return;
    }
    BusyCursor busy;
    if (command.takesUndo) space_.NewUndo(doc);
    StepResult result = step->Run(space_, doc, nullptr);
    if (result.kind == StepResult::Refused) messages().show("Input Error", result.text, MessageIcon::Error);
    else if (result.kind == StepResult::Done && command.takesUndo) doc.MarkChanged();
    w->Repaint();
    adoptNewDocuments();
}

// Split and merge replace their source windows by new ones.
bool TMainForm::SplitMergeExecute(const std::string& action, TMDIChildWave& source) {
    if (action == "SplitH") splitHorizontally(source);
    else if (action == "SplitV") splitVertically(source);
    else if (action == "MergeH") mergeWindows(true, source);
    else if (action == "MergeV") mergeWindows(false, source);
    else return false;
    UpdateActions();
    return true;
}

void TMainForm::splitHorizontally(TMDIChildWave& source) {
    TUnitWave& doc = *source.Doc();
    // A cursor cuts the wave in two without asking.
    if (doc.HasSelection()) {
        TDlgSplitHorProps dialog(this, splitHor_);
        if (runner_->Run(dialog) != QDialog::Accepted) return;
        splitHor_ = dialog.Record();
    }
    BusyCursor busy;
    std::vector<std::pair<int32_t, int32_t>> parts = SplitHorParts(doc, splitHor_);
    std::vector<TUnitWave*> made = SplitHorizontally(space_, doc, splitHor_);
    if (made.size() != parts.size()) return;
    // Each part's window covers the columns where the part was shown, so the
    // parts lie where they were.
    auto* frame = qobject_cast<QMdiSubWindow*>(source.parentWidget());
    QRect bounds = frame ? frame->geometry() : QRect();
    bool place = frame && !frame->isMaximized() && !frame->isMinimized();
    TWaveMapping map = source.Mapping();
    int clientLeft = frame ? source.Client()->mapTo(frame, QPoint(0, 0)).x() : 0;
    auto columnOf = [&](int32_t sample) {
        return std::clamp(bounds.left() + clientLeft + map.PixelOf(sample), bounds.left(), bounds.right());
    };
    for (size_t i = 0; i < made.size(); ++i) {
        TMDIChildWave* child = showWave(*made[i], &source);
        auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
        if (!place || !sub) continue;
        int left = i == 0 ? bounds.left() : columnOf(parts[i].first);
        int right = i + 1 == made.size() ? bounds.right() : columnOf(parts[i].second);
        sub->setGeometry(left, bounds.top(), std::max(right - left + 1, sub->minimumSizeHint().width()),
                         bounds.height());
    }
    closeReplaced(source);
}

void TMainForm::splitVertically(TMDIChildWave& source) {
    BusyCursor busy;
    std::vector<TUnitWave*> made = SplitVertically(space_, *source.Doc());
    if (made.size() != 2) return;
    auto* frame = qobject_cast<QMdiSubWindow*>(source.parentWidget());
    QRect bounds = frame ? frame->geometry() : QRect();
    bool place = frame && !frame->isMaximized() && !frame->isMinimized();
    TWaveMapping map = source.Mapping();
    // Left above right, in the area the stereo window had.
    for (int i = 0; i < 2; ++i) {
        TMDIChildWave* child = showWave(*made[i], &source);
        auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
        if (place && sub) {
            int half = bounds.height() / 2;
            sub->setGeometry(bounds.left(), bounds.top() + i * half, bounds.width(),
                             std::max(i == 0 ? half : bounds.height() - half, sub->minimumSizeHint().height()));
        }
        // Zoomed once the window has its size, so that the range is the source's.
        if (source.Zoomed()) {
            QCoreApplication::sendPostedEvents(sub, QEvent::LayoutRequest);
            child->ZoomTo(map.ZoomBegin, map.ZoomEnd);
        }
    }
    closeReplaced(source);
}

void TMainForm::mergeWindows(bool horizontally, TMDIChildWave& active) {
    std::vector<TMDIChildWave*> windows;
    for (TMDIChildKorvane* child : Children())
        if (child->Kind() == unitKindWave) windows.push_back(static_cast<TMDIChildWave*>(child));
    TMDIChildWave* first = nullptr;
    TMDIChildWave* last = nullptr;
    // Asks the merge dialog of this kind and keeps its record for the run.
    auto ask = [&](auto& dialog, auto& record) {
        if (runner_->Run(dialog) != QDialog::Accepted) return false;
        record = dialog.Record();
        first = dialog.First();
        last = dialog.Last();
        return true;
    };
    if (horizontally) {
        TDlgMergeHorProps dialog(this, windows, &active, mergeHor_);
        if (!ask(dialog, mergeHor_)) return;
    } else {
        TDlgMergeVertProps dialog(this, windows, &active, mergeVert_);
        if (!ask(dialog, mergeVert_)) return;
    }
    int display = horizontally ? mergeHor_.Display : mergeVert_.Display;
    if (!first || !last || first == last || !first->Doc() || !last->Doc()) return;
    BusyCursor busy;
    TUnitWave* made = horizontally ? MergeHorizontally(space_, *first->Doc(), *last->Doc(), mergeHor_)
                                   : MergeVertically(space_, *first->Doc(), *last->Doc(), mergeVert_);
    if (!made) return;
    auto* frame = qobject_cast<QMdiSubWindow*>(first->parentWidget());
    QRect bounds = frame ? frame->geometry() : QRect();
    bool place = frame && !frame->isMaximized() && !frame->isMinimized();
    TMDIChildWave* child = showWave(*made, display == 0 ? first : last);
    // The merged wave takes the first window's place.
    if (auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget()); sub && place) sub->setGeometry(bounds);
    closeReplaced(*first);
    closeReplaced(*last);
}

void TMainForm::closeReplaced(TMDIChildWave& window) {
    // Its wave lives on in the new windows, so there is nothing to save.
    window.QueryClose = nullptr;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window.parentWidget())) frame->close();
    else window.close();
}

}  // namespace korvane
