#include "shell/DMergeProps.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Messages.h"
#include "processing/TUnitWave.h"
#include "shell/ChildWave.h"

namespace korvane {

namespace {

const char* kFrequencyNames[6] = {"5 kHz", "11 kHz", "22 kHz", "44 kHz", "88 kHz", "176 kHz"};

bool sameWaveView(TWaveViewProps a, TWaveViewProps b) {
    return a.Draw == b.Draw && a.Distribution == b.Distribution &&
           a.ValuesPerPixel.ToText() == b.ValuesPerPixel.ToText() && a.Strength.ToText() == b.Strength.ToText() &&
           a.DrawGrid == b.DrawGrid && a.Grid == b.Grid && a.Background == b.Background &&
           a.SingleWave == b.SingleWave && a.Left == b.Left && a.Right == b.Right && a.TwoWaves == b.TwoWaves &&
           a.Combine == b.Combine;
}

bool sameVoldView(TVoldViewProps a, TVoldViewProps b) {
    return a.Top.ToText() == b.Top.ToText() && a.Bottom.ToText() == b.Bottom.ToText() &&
           a.Vertical.ToText() == b.Vertical.ToText() && a.Width.ToText() == b.Width.ToText() &&
           a.HorDistribution == b.HorDistribution && a.TwoWaves == b.TwoWaves && a.Sensitivity == b.Sensitivity &&
           a.Strength.ToText() == b.Strength.ToText() && a.Background == b.Background && a.Single == b.Single &&
           a.Left == b.Left && a.Right == b.Right && a.Cursor == b.Cursor;
}

QString text(const std::string& s) { return QString::fromStdString(s); }
QString channelsText(const TUnitWave& w) { return w.GetMoSt() == 2 ? "Stereo" : "Mono"; }
QString bitsText(const TUnitWave& w) { return text(w.BitsText()) + " Bits"; }

}  // namespace

TMergeDlg::TMergeDlg(QWidget* parent, const QString& caption, int helpContext, const QString& first,
                     const QString& last, const std::vector<TMDIChildWave*>& windows, TMDIChildWave* active)
    : TOKDlg(parent, caption, buttonsRight, helpContext), names_{first, last}, windows_(windows) {
    auto* layout = new QVBoxLayout(Body());
    auto* form = new QFormLayout;
    layout->addLayout(form);
    const char* objectNames[2][2] = {{"cboFirst", "cboLast"}, {"cboLeft", "cboRight"}};
    int kind = first == "First" ? 0 : 1;
    for (int i = 0; i < 2; ++i) {
        boxes_[i] = new QComboBox(Body());
        boxes_[i]->setObjectName(objectNames[kind][i]);
        boxes_[i]->setMinimumWidth(200);
        for (TMDIChildWave* w : windows_) boxes_[i]->addItem(w->windowTitle());
        boxes_[i]->setCurrentIndex(-1);
        form->addRow(names_[i] + ":", boxes_[i]);
    }
    // The active window first, and the one after it in window order last,
    // so that the common case needs no choosing.
    for (size_t i = 0; i < windows_.size(); ++i) {
        if (windows_[i] != active) continue;
        boxes_[0]->setCurrentIndex(static_cast<int>(i));
        if (windows_.size() > 1) boxes_[1]->setCurrentIndex(static_cast<int>((i + 1) % windows_.size()));
    }
    tabs_ = new QTabWidget(Body());
    tabs_->setUsesScrollButtons(false);
    tabs_->setMinimumSize(360, 170);
    layout->addWidget(tabs_);
    same_ = new QLabel(Body());
    same_->setWordWrap(true);
    layout->addWidget(same_);
    layout->addStretch();
    for (QComboBox* box : boxes_)
        connect(box, &QComboBox::currentIndexChanged, this, [this] { Rebuild(); });
}

TMDIChildWave* TMergeDlg::First() const {
    int i = boxes_[0]->currentIndex();
    return i >= 0 && i < static_cast<int>(windows_.size()) ? windows_[i] : nullptr;
}

TMDIChildWave* TMergeDlg::Last() const {
    int i = boxes_[1]->currentIndex();
    return i >= 0 && i < static_cast<int>(windows_.size()) ? windows_[i] : nullptr;
}

void TMergeDlg::Rebuild() {
    while (tabs_->count() > 0) {
        QWidget* page = tabs_->widget(0);
        tabs_->removeTab(0);
        delete page;
    }
    for (QButtonGroup* g : groups_) delete g;
    groups_.clear();
    frequency_ = nullptr;
    TMDIChildWave* a = First();
    TMDIChildWave* b = Last();
    if (a && b && a != b && a->Doc() && b->Doc()) FillTabs(*a, *b);
    tabs_->setVisible(tabs_->count() > 0);
    if (!a || !b) same_->setText("Choose the two waves.");
    else if (a == b) same_->setText("The chosen Waves must be different");
    else if (tabs_->count() == 0) same_->setText("The two waves have the same properties.");
    else same_->clear();
}

QStringList TMergeDlg::TabTitles() const {
    QStringList titles;
    for (int i = 0; i < tabs_->count(); ++i) titles << tabs_->tabText(i);
    return titles;
}

QRadioButton* TMergeDlg::Radio(const QString& label) const {
    for (QButtonGroup* g : groups_)
        for (QAbstractButton* b : g->buttons())
            if (b->text() == label) return qobject_cast<QRadioButton*>(b);
    return nullptr;
}

QButtonGroup* TMergeDlg::AddChoiceTab(const QString& title, const QString& firstValue, const QString& lastValue,
                                      const QStringList& choices, int chosen, const QString& groupTitle) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(names_[0] + ": " + firstValue, page));
    layout->addWidget(new QLabel(names_[1] + ": " + lastValue, page));
    auto* box = new QGroupBox(groupTitle.isEmpty() ? QString("Merged Wave") : groupTitle, page);
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < choices.size(); ++i) {
        auto* radio = new QRadioButton(choices[i], box);
        group->addButton(radio, i);
        column->addWidget(radio);
        radio->setChecked(i == chosen);
    }
    layout->addWidget(box);
    layout->addStretch();
    tabs_->addTab(page, title);
    groups_.push_back(group);
    return group;
}

void TMergeDlg::AddFrequencyTab(const TUnitWave& first, const TUnitWave& last, int32_t preselected) {
    if (first.GetFreq() == last.GetFreq()) return;
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(names_[0] + ": " + text(first.FrequencyText()), page));
    layout->addWidget(new QLabel(names_[1] + ": " + text(last.FrequencyText()), page));
    auto* form = new QFormLayout;
    frequency_ = new QComboBox(page);
    frequency_->setObjectName("cboFrequency");
    for (const char* name : kFrequencyNames) frequency_->addItem(name);
    int index = 0;
    for (int i = 0; i < 6; ++i)
        if (kMergeFrequencies[i] == preselected) index = i;
    frequency_->setCurrentIndex(index);
    form->addRow("Frequency:", frequency_);
    layout->addLayout(form);
    layout->addStretch();
    tabs_->addTab(page, "Frequency");
}

int32_t TMergeDlg::ChosenFrequency(int32_t otherwise) const {
    if (!frequency_) return otherwise;
    int i = frequency_->currentIndex();
    return i >= 0 && i < 6 ? kMergeFrequencies[i] : kMergeFrequencies[0];
}

int TMergeDlg::Checked(const QButtonGroup* group, int otherwise) {
    if (!group || group->checkedId() < 0) return otherwise;
    return group->checkedId();
}

bool TMergeDlg::SameDisplay(const TMDIChildWave& a, const TMDIChildWave& b) {
    return a.ViewKind() == b.ViewKind() && sameWaveView(a.WaveViewProps(), b.WaveViewProps()) &&
           sameVoldView(a.VoldViewProps(), b.VoldViewProps());
}

QString TMergeDlg::DisplayText(const TMDIChildWave& w) {
    return w.ViewKind() == TMDIChildWave::viewVold ? "Volume Diagram" : "Wave View";
}

bool TMergeDlg::OKBtnClick() {
    for (int i = 0; i < 2; ++i) {
        if (boxes_[i]->currentIndex() < 0) {
            messages().show("Input Error", "In " + names_[i].toStdString() + ": You have to select a Wave",
                            MessageIcon::Error);
            return false;
        }
    }
    TMDIChildWave* a = First();
    TMDIChildWave* b = Last();
    if (a == b) {
        messages().show("Input Error", "The chosen Waves must be different", MessageIcon::Error);
        return false;
    }
    ReadTabs(*a, *b);
    return true;
}

TDlgMergeHorProps::TDlgMergeHorProps(QWidget* parent, const std::vector<TMDIChildWave*>& windows,
                                     TMDIChildWave* active, const TMergeHorProps& props)
    : TMergeDlg(parent, "Merge Horizontally", 47, "First", "Last", windows, active), props_(props) {
    Rebuild();
}

void TDlgMergeHorProps::FillTabs(const TMDIChildWave& first, const TMDIChildWave& last) {
    const TUnitWave& a = *first.Doc();
    const TUnitWave& b = *last.Doc();
    TMergeHorProps preselected = MergeHorDefaults(a, b);
    channels_ = bits_ = display_ = nullptr;
    if (a.GetMoSt() != b.GetMoSt())
        channels_ = AddChoiceTab("Mono/Stereo", channelsText(a), channelsText(b), {"Mono", "Stereo"},
                                 preselected.Channels - 1);
    AddFrequencyTab(a, b, preselected.Frequency);
    if (a.GetBytesPSample() != b.GetBytesPSample())
        bits_ = AddChoiceTab("Bits", bitsText(a), bitsText(b), {"8 Bits", "16 Bits"},
                             preselected.BytesPSample - 1);
    if (!SameDisplay(first, last))
        display_ = AddChoiceTab("Display", DisplayText(first), DisplayText(last), {"First", "Last"}, 0,
                                "Use Display Properties of");
}

void TDlgMergeHorProps::ReadTabs(const TMDIChildWave& first, const TMDIChildWave&) {
    const TUnitWave& a = *first.Doc();
    props_.Channels = static_cast<int16_t>(Checked(channels_, a.GetMoSt() - 1) + 1);
    props_.Frequency = ChosenFrequency(a.GetFreq());
    props_.BytesPSample = static_cast<int16_t>(Checked(bits_, a.GetBytesPSample() - 1) + 1);
    props_.Display = Checked(display_, 0);
}

TDlgMergeVertProps::TDlgMergeVertProps(QWidget* parent, const std::vector<TMDIChildWave*>& windows,
                                       TMDIChildWave* active, const TMergeVertProps& props)
    : TMergeDlg(parent, "Merge Vertically", 48, "Left", "Right", windows, active), props_(props) {
    Rebuild();
}

void TDlgMergeVertProps::FillTabs(const TMDIChildWave& left, const TMDIChildWave& right) {
    const TUnitWave& a = *left.Doc();
    const TUnitWave& b = *right.Doc();
    TMergeVertProps preselected = MergeVertDefaults(a, b);
    rule_ = bits_ = display_ = nullptr;
    // Waves of unequal duration need the length rule.
    if (int64_t(a.GetValues()) * b.GetFreq() != int64_t(b.GetValues()) * a.GetFreq())
        rule_ = AddChoiceTab("Length", text(a.DurationText()), text(b.DurationText()),
                             {"Add Silence at the begin of the shortest wave",
                              "Add Silence at the end of the shortest wave", "Stretch the shortest wave",
                              "Stretch the longest wave"},
                             props_.LengthRule, "Make both equally long");
    AddFrequencyTab(a, b, preselected.Frequency);
    if (a.GetBytesPSample() != b.GetBytesPSample())
        bits_ = AddChoiceTab("Bits", bitsText(a), bitsText(b), {"8 Bits", "16 Bits"},
                             preselected.BytesPSample - 1);
    if (!SameDisplay(left, right))
        display_ = AddChoiceTab("Display", DisplayText(left), DisplayText(right), {"Left", "Right"}, 0,
                                "Use Display Properties of");
}

void TDlgMergeVertProps::ReadTabs(const TMDIChildWave& left, const TMDIChildWave&) {
    const TUnitWave& a = *left.Doc();
    props_.LengthRule = Checked(rule_, props_.LengthRule);
    props_.Frequency = ChosenFrequency(a.GetFreq());
    props_.BytesPSample = static_cast<int16_t>(Checked(bits_, a.GetBytesPSample() - 1) + 1);
    props_.Display = Checked(display_, 0);
}

}  // namespace korvane
