#include "shell/DMusic.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

#include "music/MusicReadout.h"
#include "render/MusicRender.h"
#include "shell/ChildMuz.h"
#include "shell/Help.h"
#include "shell/OKDlg.h"
#include "shell/MusicDialogHost.h"
#include "values/InputErrors.h"

namespace korvane {

namespace {

// The document keeps colours as the platform did: red in the low byte.
QColor colourOf(int colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }
int platformColour(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

// The browse buttons' pictures: a triangle pointing the way, with a bar at
// the end for First and Last.
QIcon browseIcon(TMusicButton button) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 140));
    const bool left = button == musicFirst || button == musicPrevious;
    const bool bar = button == musicFirst || button == musicLast;
    QPolygonF tri;
    if (left)
        tri << QPointF(11.5, 3) << QPointF(11.5, 13) << QPointF(4.5, 8);
    else
        tri << QPointF(4.5, 3) << QPointF(4.5, 13) << QPointF(11.5, 8);
    if (bar) tri.translate(left ? 1.5 : -1.5, 0);
    p.drawPolygon(tri);
    if (bar) p.drawRect(left ? QRectF(2.5, 3, 2, 10) : QRectF(11.5, 3, 2, 10));
    return QIcon(pm);
}

QIcon playIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 130, 50));
    p.drawPolygon(QPolygonF() << QPointF(4, 2.5) << QPointF(4, 13.5) << QPointF(13, 8));
    return QIcon(pm);
}

struct PageInfo {
    const char* title;
    const char* code;  // the middle of the page's control names
    bool basicFreq;
    bool resonantFactor;
};
// By player kind, which is the page index.
const PageInfo kPages[5] = {
    {"Simple One Sampler", "SOS", true, false},   {"Resonant Sampler", "RS", false, true},
    {"Repeat Wave Form", "RWF", false, false},    {"Roll Out Sampler", "ROS", true, false},
    {"Roll Out Wave Form", "ROWF", false, false},
};

QString textOf(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentText();
    return {};
}

}  // namespace

TDlgMusic::TDlgMusic(TMusicDialogHost& main) : QDialog(main.HostWidget()), main_(main) {
    setWindowTitle("Music");
    setObjectName("DlgMusic");
    build();
    fill();
}

TDlgMusic::~TDlgMusic() {
    // The controls go after this object: their last focus events must not
    // reach a half-destroyed dialog.
    for (TextField& f : fields_) f.control->removeEventFilter(this);
}

// --- the form ---------------------------------------------------------------

void TDlgMusic::build() {
    auto* outer = new QVBoxLayout(this);
    auto* tempoRow = new QHBoxLayout;
    editTempo = addEdit(
        "editTempo", -1, -1,
        [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetTempo(t, e); },
        [](TMusicDialogModel& m) { return m.TempoText(); });
    auto* tempoLabel = new QLabel("Tempo", this);
    tempoLabel->setBuddy(editTempo);
    editTempo->setMaximumWidth(120);
    tempoRow->addWidget(tempoLabel);
    tempoRow->addWidget(editTempo);
    // The tempo as musicians count it, beside the time of a whole note.
    labelQuarterRate = new QLabel(this);
    labelQuarterRate->setObjectName("labelQuarterRate");
    tempoRow->addWidget(labelQuarterRate);
    tempoRow->addStretch();
    outer->addLayout(tempoRow);
    outer->addWidget(buildStave());
    outer->addWidget(buildGroup());
    outer->addWidget(buildPlayer());

    btnApply = new QPushButton("Apply", this);
    btnApply->setObjectName("btnApply");
    btnClose = new QPushButton("Close", this);
    btnClose->setObjectName("btnClose");
    btnHelp = new QPushButton("Help", this);
    btnHelp->setObjectName("btnHelp");
    // Enter in an edit box commits it rather than closing the dialog.
    btnApply->setDefault(true);
    connect(btnApply, &QPushButton::clicked, this, &TDlgMusic::Apply);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(btnHelp, &QPushButton::clicked, this, [this] { ShowHelp(this, kHelpContext); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelp(this, kHelpContext); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnApply);
    buttons->addWidget(btnClose);
    buttons->addWidget(btnHelp);
    outer->addLayout(buttons);
}

QWidget* TDlgMusic::buildBrowser(TMusicLevel level, const QString& noun, Browser& browser) {
    const QString middle = QString::fromUtf8(MusicLevels()[level].Control);
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    browser.cursor = new QLineEdit(row);
    browser.cursor->setObjectName("edit" + middle + "Cursor");
    browser.count = new QLineEdit(row);
    browser.count->setObjectName("edit" + middle + "Count");
    for (QLineEdit* e : {browser.cursor, browser.count}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
        e->setAlignment(Qt::AlignCenter);
        e->setFixedWidth(40);
    }
    browser.cursor->setToolTip("Current " + noun);
    browser.count->setToolTip("Count of " + noun + "s");
    static const char* const tips[musicButtonCount] = {"First ",
                                                       "Previous ",
                                                       "Next ",
                                                       "Last ",
                                                       "Insert a new ",
                                                       "Append a new ",
                                                       "Delete the ",
                                                       "Move before the previous ",
                                                       "Move after the next "};
    for (const TMusicButtonInfo& info : MusicButtons()) {
        auto* b = new QPushButton(row);
        b->setObjectName("btn" + middle + QString::fromUtf8(info.Control));
        b->setToolTip(QString::fromUtf8(tips[info.Button]) + noun.toLower());
        b->setAutoDefault(false);
        switch (info.Button) {
            case musicFirst:
            case musicPrevious:
            case musicNext:
            case musicLast:
                b->setIcon(browseIcon(info.Button));
                b->setFixedWidth(30);
                break;
            case musicInsert:
                b->setText("Insert");
                break;
            case musicAppend:
                b->setText("Append");
                break;
            case musicDelete:
                b->setText("Delete");
                break;
            case musicMovePrev:
                b->setText(QString::fromUtf8("\u00AB Move"));
                break;
            case musicMoveNext:
                b->setText(QString::fromUtf8("Move \u00BB"));
                break;
            default:
                break;
        }
        connect(b, &QPushButton::clicked, this, [this, level, button = info.Button] { press(level, button); });
        browser.buttons[info.Button] = b;
    }
    h->addWidget(browser.buttons[musicFirst]);
    h->addWidget(browser.buttons[musicPrevious]);
    h->addWidget(browser.cursor);
    h->addWidget(new QLabel("of", row));
    h->addWidget(browser.count);
    h->addWidget(browser.buttons[musicNext]);
    h->addWidget(browser.buttons[musicLast]);
    h->addSpacing(10);
    for (TMusicButton b : {musicInsert, musicAppend, musicDelete, musicMovePrev, musicMoveNext})
        h->addWidget(browser.buttons[b]);
    h->addStretch();
    return row;
}

QWidget* TDlgMusic::buildStave() {
    Browser& br = browsers_[musicLevelStave];
    br.box = new QGroupBox("Stave", this);
    auto* v = new QVBoxLayout(br.box);
    QWidget* row = buildBrowser(musicLevelStave, "Stave", br);
    btnStavePlay = new QPushButton(playIcon(), "Play", br.box);
    btnStavePlay->setObjectName("btnStavePlay");
    btnStavePlay->setToolTip("Play this stave alone");
    btnStavePlay->setAutoDefault(false);
    connect(btnStavePlay, &QPushButton::clicked, this, [this] { play(true); });
    static_cast<QHBoxLayout*>(row->layout())->addWidget(btnStavePlay);
    v->addWidget(row);

    auto* grid = new QGridLayout;
    editStaveRoomUp = addEdit(
        "editStaveRoomUp", musicLevelStave, -1,
        [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetRoomUp(t, e); },
        [](TMusicDialogModel& m) { return m.RoomUpText(); });
    editStaveRoomDown = addEdit(
        "editStaveRoomDown", musicLevelStave, -1,
        [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetRoomDown(t, e); },
        [](TMusicDialogModel& m) { return m.RoomDownText(); });
    colbStaveForeground =
        addColourBox("colbStaveForeground", [](TMusicDialogModel& m, int c) { m.SetStaveForeground(c); });
    colbStaveBackground =
        addColourBox("colbStaveBackground", [](TMusicDialogModel& m, int c) { m.SetStaveBackground(c); });
    chkStaveAllowJoinFlags = new QCheckBox("Allow Join Flags", br.box);
    chkStaveAllowJoinFlags->setObjectName("chkStaveAllowJoinFlags");
    chkStaveEnableSound = new QCheckBox("Enable Sound", br.box);
    chkStaveEnableSound->setObjectName("chkStaveEnableSound");
    chkStaveExtraLines = new QCheckBox("Draw Extra Horizontal Lines", br.box);
    chkStaveExtraLines->setObjectName("chkStaveExtraLines");
    connect(chkStaveAllowJoinFlags, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) change([on](TMusicDialogModel& m) { m.SetAllowJoinFlags(on); });
    });
    connect(chkStaveEnableSound, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) change([on](TMusicDialogModel& m) { m.SetEnableSound(on); });
    });
    connect(chkStaveExtraLines, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) change([on](TMusicDialogModel& m) { m.SetExtraLines(on); });
    });
    editStaveRoomUp->setMaximumWidth(90);
    editStaveRoomDown->setMaximumWidth(90);
    grid->addWidget(new QLabel("Room Up:", br.box), 0, 0);
    grid->addWidget(editStaveRoomUp, 0, 1);
    grid->addWidget(new QLabel("Room Down:", br.box), 1, 0);
    grid->addWidget(editStaveRoomDown, 1, 1);
    grid->setColumnMinimumWidth(2, 16);
    grid->addWidget(new QLabel("Foreground:", br.box), 0, 3);
    grid->addWidget(colbStaveForeground, 0, 4);
    grid->addWidget(new QLabel("Background:", br.box), 1, 3);
    grid->addWidget(colbStaveBackground, 1, 4);
    grid->setColumnMinimumWidth(5, 16);
    grid->addWidget(chkStaveAllowJoinFlags, 0, 6);
    grid->addWidget(chkStaveEnableSound, 1, 6);
    grid->addWidget(chkStaveExtraLines, 2, 6);
    grid->setColumnStretch(7, 1);
    v->addLayout(grid);
    return br.box;
}

QWidget* TDlgMusic::buildGroup() {
    Browser& br = browsers_[musicLevelGroup];
    br.box = new QGroupBox("Note Group", this);
    auto* v = new QVBoxLayout(br.box);
    QWidget* row = buildBrowser(musicLevelGroup, "Note Group", br);
    btnGroupPlay = new QPushButton(playIcon(), "Play", br.box);
    btnGroupPlay->setObjectName("btnGroupPlay");
    btnGroupPlay->setToolTip("Play the notes of this note group");
    btnGroupPlay->setAutoDefault(false);
    connect(btnGroupPlay, &QPushButton::clicked, this, [this] { play(false); });
    static_cast<QHBoxLayout*>(row->layout())->addWidget(btnGroupPlay);
    v->addWidget(row);

    colbGroupNoteColor = addColourBox("colbGroupNoteColor", [](TMusicDialogModel& m, int c) { m.SetNoteColor(c); });
    grpGroupNoteShape = new QGroupBox(br.box);
    grpGroupNoteShape->setObjectName("grpGroupNoteShape");
    grpGroupNoteShape->setFlat(true);
    auto* shapes = new QHBoxLayout(grpGroupNoteShape);
    shapes->setContentsMargins(0, 0, 0, 0);
    rbGroupNoteShapeNormal = new QRadioButton("Normal", grpGroupNoteShape);
    rbGroupNoteShapeNormal->setObjectName("rbGroupNoteShapeNormal");
    rbGroupNoteShapeRectangle = new QRadioButton("Rectangle", grpGroupNoteShape);
    rbGroupNoteShapeRectangle->setObjectName("rbGroupNoteShapeRectangle");
    shapes->addWidget(rbGroupNoteShapeNormal);
    shapes->addWidget(rbGroupNoteShapeRectangle);
    connect(rbGroupNoteShapeNormal, &QRadioButton::toggled, this, [this](bool on) {
        if (!updating_ && on) change([](TMusicDialogModel& m) { m.SetNoteShape(noteShapeNormal); });
    });
    connect(rbGroupNoteShapeRectangle, &QRadioButton::toggled, this, [this](bool on) {
        if (!updating_ && on) change([](TMusicDialogModel& m) { m.SetNoteShape(noteShapeRectangle); });
    });
    chkGroupDrawSticksUp = new QCheckBox("Draw Sticks Up", br.box);
    chkGroupDrawSticksUp->setObjectName("chkGroupDrawSticksUp");
    chkGroupDrawSticksDown = new QCheckBox("Draw Sticks Down", br.box);
    chkGroupDrawSticksDown->setObjectName("chkGroupDrawSticksDown");
    connect(chkGroupDrawSticksUp, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) change([on](TMusicDialogModel& m) { m.SetSticksUp(on); });
    });
    connect(chkGroupDrawSticksDown, &QCheckBox::toggled, this, [this](bool on) {
        if (!updating_) change([on](TMusicDialogModel& m) { m.SetSticksDown(on); });
    });

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Note:", br.box), 0, 0);
    grid->addWidget(colbGroupNoteColor, 0, 1);
    grid->setColumnMinimumWidth(2, 16);
    grid->addWidget(new QLabel("Shape:", br.box), 0, 3);
    grid->addWidget(grpGroupNoteShape, 0, 4);
    grid->setColumnMinimumWidth(5, 16);
    grid->addWidget(chkGroupDrawSticksUp, 0, 6);
    grid->addWidget(chkGroupDrawSticksDown, 1, 6);
    grid->setColumnStretch(7, 1);
    v->addLayout(grid);
    return br.box;
}

QWidget* TDlgMusic::buildPlayer() {
    Browser& br = browsers_[musicLevelPlayer];
    br.box = new QGroupBox("Player", this);
    auto* v = new QVBoxLayout(br.box);
    v->addWidget(buildBrowser(musicLevelPlayer, "Player", br));

    editPlayVolumeFactor = addEdit(
        "editPlayVolumeFactor", musicLevelPlayer, -1,
        [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetVolumeFactor(t, e); },
        [](TMusicDialogModel& m) { return m.VolumeFactorText(); });
    editPlayFreqUp = addEdit(
        "editPlayFreqUp", musicLevelPlayer, -1,
        [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetFreqUp(t, e); },
        [](TMusicDialogModel& m) { return m.FreqUpText(); });
    editPlayVolumeFactor->setMaximumWidth(110);
    editPlayFreqUp->setMaximumWidth(110);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("Volume Factor:", br.box));
    row->addWidget(editPlayVolumeFactor);
    row->addSpacing(16);
    row->addWidget(new QLabel("Freq Up:", br.box));
    row->addWidget(editPlayFreqUp);
    row->addStretch();
    v->addLayout(row);

    pcPlay = new QTabWidget(br.box);
    pcPlay->setObjectName("pcPlay");
    for (int page = 0; page < 5; ++page) {
        const PageInfo& info = kPages[page];
        const QString code = QString::fromUtf8(info.code);
        auto* w = new QWidget(pcPlay);
        auto* form = new QFormLayout(w);
        form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
        sampleWaves[page] = addSampleWave("cboPlay" + code + "SampleWave", page);
        form->addRow("Sample Wave", sampleWaves[page]);
        if (info.basicFreq) {
            QLineEdit* e = addEdit(
                "editPlay" + code + "BasicFreq", musicLevelPlayer, page,
                [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetBasicFreq(t, e); },
                [](TMusicDialogModel& m) { return m.BasicFreqText(); });
            e->setFixedWidth(110);
            form->addRow("Basic Frequency:", e);
            (page == notePlayerSimpleSampler ? editPlaySOSBasicFreq : editPlayROSBasicFreq) = e;
        }
        if (info.resonantFactor) {
            editPlayRSResonantFactor = addEdit(
                "editPlayRSResonantFactor", musicLevelPlayer, page,
                [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetResonantFactor(t, e); },
                [](TMusicDialogModel& m) { return m.ResonantFactorText(); });
            editPlayRSResonantFactor->setFixedWidth(110);
            form->addRow("Resonant Factor", editPlayRSResonantFactor);
        }
        pcPlay->addTab(w, QString::fromUtf8(info.title));
    }
    // Shown while the one-player has no kind, or there is no one-player.
    pcPlay->addTab(new QWidget(pcPlay), QString());
    pcPlay->setTabVisible(kNoPage, false);
    connect(pcPlay, &QTabWidget::currentChanged, this, [this](int page) {
        if (!updating_) choosePage(page);
    });
    v->addWidget(pcPlay);
    return br.box;
}

QLineEdit* TDlgMusic::addEdit(const QString& name, int level, int page,
                              std::function<bool(TMusicDialogModel&, const std::string&, std::string&)> set,
                              std::function<std::string(TMusicDialogModel&)> text) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    fields_.push_back({edit, level, page, std::move(set), std::move(text)});
    connect(edit, &QLineEdit::textChanged, this, [this, edit] {
        if (!updating_) pending_ = edit;
    });
    // Enter commits as leaving the box would.
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { ExitControl(edit); });
    watch(edit);
    return edit;
}

QComboBox* TDlgMusic::addSampleWave(const QString& name, int page) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumWidth(160);
    fields_.push_back({combo, musicLevelPlayer, page,
                       [](TMusicDialogModel& m, const std::string& t, std::string& e) { return m.SetSampleWave(t, e); },
                       [](TMusicDialogModel& m) { return m.SampleWaveText(); }});
    connect(combo, &QComboBox::editTextChanged, this, [this, combo] {
        if (!updating_) pending_ = combo;
    });
    // A name picked from the list is taken at once.
    connect(combo, &QComboBox::activated, this, [this, combo] {
        if (updating_) return;
        pending_ = combo;
        ExitControl(combo);
    });
    watch(combo);
    return combo;
}

QPushButton* TDlgMusic::addColourBox(const QString& name, std::function<void(TMusicDialogModel&, int)> set) {
    auto* box = new QPushButton(this);
    box->setObjectName(name);
    box->setAutoDefault(false);
    box->setIconSize(QSize(40, 14));
    box->setToolTip("Choose the colour");
    connect(box, &QPushButton::clicked, this, [this, box, set = std::move(set)] { chooseColour(box, set); });
    return box;
}

void TDlgMusic::watch(QWidget* control) { control->installEventFilter(this); }

TDlgMusic::TextField* TDlgMusic::fieldOf(QWidget* control) {
    for (TextField& f : fields_)
        if (f.control == control) return &f;
    return nullptr;
}

// --- filling ----------------------------------------------------------------

TUnitMuz* TDlgMusic::Doc() const { return child_ ? child_->Doc() : nullptr; }

void TDlgMusic::ShowFor(TMDIChildMuz* child) {
    if (child != child_) {
        // An edit typed for another document is dropped with it.
        pending_ = exitQueued_ = lastExited_ = nullptr;
    }
    child_ = child;
    fill();
}

void TDlgMusic::Refresh() { fill(); }

void TDlgMusic::fill() {
    Updating updating(updating_);
    std::optional<TMusicDialogModel> held;
    if (TUnitMuz* doc = Doc()) held.emplace(*doc);
    TMusicDialogModel* model = held ? &*held : nullptr;

    for (int level = 0; level < musicLevelCount; ++level) fillBrowser(model, static_cast<TMusicLevel>(level));
    for (const TextField& f : fields_) fillText(model, f);
    labelQuarterRate->setText(Doc() ? QString::fromStdString(QuarterRateText(Doc()->Tempo.GetValue())) : QString());
    labelQuarterRate->setEnabled(Doc() != nullptr);

    TNoteStave* stave = model ? model->Stave() : nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{colbStaveForeground, colbStaveBackground, chkStaveAllowJoinFlags,
                                                      chkStaveEnableSound, chkStaveExtraLines})
        w->setEnabled(stave != nullptr);
    setColour(colbStaveForeground, stave ? stave->ForegroundColor : -1);
    setColour(colbStaveBackground, stave ? stave->BackgroundColor : -1);
    chkStaveAllowJoinFlags->setChecked(stave && stave->drawFlagKind == AllowJoinFlags);
    chkStaveEnableSound->setChecked(stave && !stave->Mute);
    chkStaveExtraLines->setChecked(stave && stave->ExtraLines);
    const bool canPlay = main_.CanPlay();
    btnStavePlay->setEnabled(stave && canPlay);

    TNoteGroup* group = model ? model->Group() : nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{colbGroupNoteColor, grpGroupNoteShape, chkGroupDrawSticksUp,
                                                      chkGroupDrawSticksDown})
        w->setEnabled(group != nullptr);
    setColour(colbGroupNoteColor, group ? group->NoteColor : -1);
    // Neither radio button is on without a group.
    rbGroupNoteShapeNormal->setAutoExclusive(false);
    rbGroupNoteShapeRectangle->setAutoExclusive(false);
    rbGroupNoteShapeNormal->setChecked(group && group->NoteShape != noteShapeRectangle);
    rbGroupNoteShapeRectangle->setChecked(group && group->NoteShape == noteShapeRectangle);
    rbGroupNoteShapeNormal->setAutoExclusive(true);
    rbGroupNoteShapeRectangle->setAutoExclusive(true);
    chkGroupDrawSticksUp->setChecked(model && model->SticksUp());
    chkGroupDrawSticksDown->setChecked(model && model->SticksDown());
    btnGroupPlay->setEnabled(group && canPlay);

    TOnePlayer* onePlayer = model ? model->OnePlayer() : nullptr;
    pcPlay->setEnabled(onePlayer != nullptr);
    const int page = onePlayer ? model->ShownPage() : -1;
    pcPlay->setCurrentIndex(page >= 0 && page < kNoPage ? page : kNoPage);
    btnApply->setEnabled(model != nullptr);
}

void TDlgMusic::fillBrowser(TMusicDialogModel* model, TMusicLevel level) {
    Browser& br = browsers_[level];
    const int count = model ? model->Count(level) : 0;
    const int position = model ? model->Position(level) : 0;
    br.count->setText(model ? QString::number(count) : QString());
    br.cursor->setText(position > 0 ? QString::number(position) : QString());
    for (const TMusicButtonInfo& info : MusicButtons())
        br.buttons[info.Button]->setEnabled(model && model->Enabled(level, info.Button));
    br.count->setEnabled(model != nullptr);
    br.cursor->setEnabled(model != nullptr);
}

void TDlgMusic::fillText(TMusicDialogModel* model, const TextField& field) {
    bool present = model != nullptr;
    if (present && field.level == musicLevelStave) present = model->Stave() != nullptr;
    if (present && field.level == musicLevelGroup) present = model->Group() != nullptr;
    if (present && field.level == musicLevelPlayer) present = model->OnePlayer() != nullptr;
    if (present && field.page >= 0) present = model->ShownPage() == field.page;
    field.control->setEnabled(present);
    // What is typed and not yet committed stays in its box.
    if (field.control == pending_ && present) return;
    if (field.control == pending_) pending_ = nullptr;
    const QString text = present ? QString::fromStdString(field.text(*model)) : QString();
    if (auto* edit = qobject_cast<QLineEdit*>(field.control)) {
        if (edit->text() != text) edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(field.control)) {
        if (combo->currentText() != text) combo->setEditText(text);
    }
}

void TDlgMusic::setColour(QPushButton* box, int colour) {
    box->setProperty("colour", colour);
    QPixmap pm(40, 14);
    if (colour < 0) {
        pm.fill(Qt::transparent);
    } else {
        pm.fill(colourOf(colour));
        QPainter p(&pm);
        p.setPen(QColor(90, 90, 90));
        p.drawRect(0, 0, 39, 13);
    }
    box->setIcon(QIcon(pm));
}

void TDlgMusic::FillWaveNames() {
    Updating updating(updating_);
    const QStringList names = main_.WaveNames();
    for (QComboBox* combo : sampleWaves) {
        const QString text = combo->currentText();
        combo->clear();
        combo->addItems(names);
        combo->setEditText(text);
    }
}

// --- events -----------------------------------------------------------------

void TDlgMusic::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FillWaveNames();
    fill();
    if (!focusWidget())
        if (QWidget* first = FirstField(this)) first->setFocus(Qt::TabFocusReason);
}

void TDlgMusic::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FillWaveNames();
}

bool TDlgMusic::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* control = static_cast<QWidget*>(watched);
        // Going to another window, or opening the list of a box, is not leaving it.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && control == pending_) {
            // Committed once the focus has moved: a box shown in the middle
            // of the move would leave the clicked button half pressed.
            exitQueued_ = control;
            QTimer::singleShot(0, this, [this, control] {
                if (exitQueued_ == control) ExitControl(control);
            });
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TDlgMusic::ExitControl(QWidget* control) {
    if (exitQueued_ == control) exitQueued_ = nullptr;
    lastExited_ = control;
    TUnitMuz* doc = Doc();
    TextField* field = fieldOf(control);
    if (control != pending_ || !doc || !field) return true;
    TMusicDialogModel model(*doc);
    std::string message;
    if (!field->set(model, textOf(control).toStdString(), message) && !message.empty()) {
        ShowInputErrorText(message);
        control->setFocus(Qt::OtherFocusReason);
        return false;
    }
    pending_ = nullptr;
    committed();
    return true;
}

bool TDlgMusic::settle() { return !pending_ || ExitControl(pending_); }

void TDlgMusic::Apply() {
    QWidget* back = pending_ ? pending_ : lastExited_;
    if (settle() && back && back->isEnabled()) back->setFocus(Qt::OtherFocusReason);
}

void TDlgMusic::committed() {
    if (TUnitMuz* doc = Doc(); doc && doc->EditName.empty()) doc->EditName = "Music";
    fill();
    if (child_) child_->Repaint();
    if (Changed) Changed();
}

void TDlgMusic::change(const std::function<void(TMusicDialogModel&)>& operation) {
    TUnitMuz* doc = Doc();
    if (!doc) return;
    if (!settle()) {
        fill();  // the box that was clicked shows the old state again
        return;
    }
    TMusicDialogModel model(*doc);
    operation(model);
    committed();
}

void TDlgMusic::press(TMusicLevel level, TMusicButton button) {
    TUnitMuz* doc = Doc();
    if (!doc || !settle()) return;
    TMusicDialogModel model(*doc);
    if (model.Press(level, button)) committed();
}

void TDlgMusic::chooseColour(QPushButton* box, const std::function<void(TMusicDialogModel&, int)>& set) {
    if (!Doc() || !settle()) return;
    QColorDialog dialog(colourOf(box->property("colour").toInt()), this);
    if (main_.RunDialog(dialog) != QDialog::Accepted) return;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid()) return;
    change([&](TMusicDialogModel& m) { set(m, platformColour(chosen)); });
}

void TDlgMusic::choosePage(int page) {
    if (page < 0 || page >= kNoPage) return;
    change([page](TMusicDialogModel& m) { m.ChoosePage(static_cast<uint8_t>(page)); });
}

void TDlgMusic::play(bool stave) {
    TUnitMuz* doc = Doc();
    if (!doc || !settle()) return;
    TMusicDialogModel model(*doc);
    TRenderFilter filter;
    if (stave)
        filter.Stave = model.Stave();
    else
        filter.Group = model.Group();
    if (!filter.Stave && !filter.Group) return;
    main_.PlayMusic(*doc, filter);
}

}  // namespace korvane
