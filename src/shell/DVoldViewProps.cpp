#include "shell/DVoldViewProps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/Messages.h"
#include "shell/DWaveViewProps.h"
#include "values/InputErrors.h"

namespace korvane {

namespace {

QGroupBox* choices(QWidget* parent, const char* title, std::initializer_list<const char*> names, QRadioButton** out,
                   int checked) {
    auto* group = new QGroupBox(title, parent);
    auto* box = new QVBoxLayout(group);
    int i = 0;
    for (const char* n : names) {
        out[i] = new QRadioButton(n, group);
        box->addWidget(out[i]);
        ++i;
    }
    out[checked >= 0 && checked < i ? checked : 0]->setChecked(true);
    return group;
}

int checkedOf(QRadioButton* const* buttons, int count) {
    for (int i = 0; i < count; ++i)
        if (buttons[i]->isChecked()) return i;
    return 0;
}

QLineEdit* edit(QWidget* parent, const unitValue& field) {
    return new QLineEdit(QString::fromStdString(field.ToText()), parent);
}

}  // namespace

TDlgVoldViewProps::TDlgVoldViewProps(QWidget* parent, const TVoldViewProps& props, int32_t sampleFreq)
    : TOKDlg(parent, "Volume Diagram", buttonsRight, 3), props_(props), sampleFreq_(sampleFreq) {
    RaiseVoldPeriods(props_, sampleFreq);
    auto* columns = new QHBoxLayout(Body());
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    auto* frequency = new QGroupBox("Frequency", Body());
    auto* fl = new QFormLayout(frequency);
    editTop = edit(frequency, props_.Top);
    editBottom = edit(frequency, props_.Bottom);
    fl->addRow("Top", editTop);
    fl->addRow("Bottom", editBottom);
    left->addWidget(frequency);

    auto* resolution = new QGroupBox("Maximal Resolution", Body());
    auto* rl = new QFormLayout(resolution);
    editVertical = edit(resolution, props_.Vertical);
    editWidth = edit(resolution, props_.Width);
    rl->addRow("Vertical", editVertical);
    rl->addRow("Width", editWidth);
    left->addWidget(resolution);
    left->addWidget(choices(Body(), "Horizontal Distribution", {"Frequency Linear", "Logaritmic", "Time Linear"},
                            rgrHorDistribution, props_.HorDistribution));
    chk2Waves = new QCheckBox("2 Single Diagrams when Stereo", Body());
    chk2Waves->setChecked(props_.TwoWaves);
    left->addWidget(chk2Waves);

    right->addWidget(choices(Body(), "Sensitivity",
                             {"Low (Kwadratic)", "Normal (Linear)", "High (Square root)", "Very High (Fourth root)"},
                             rgrSensitivity, props_.Sensitivity));
    auto* colours = new QFormLayout;
    editStrength = edit(Body(), props_.Strength);
    colbBackground = MakeColorBox(Body(), props_.Background);
    colbSingle = MakeColorBox(Body(), props_.Single);
    colbLeft = MakeColorBox(Body(), props_.Left);
    colbRight = MakeColorBox(Body(), props_.Right);
    colbCursor = MakeColorBox(Body(), props_.Cursor);
    colours->addRow("Strength", editStrength);
    colours->addRow("Background", colbBackground);
    colours->addRow("Volume Single or Both ", colbSingle);
    colours->addRow("Volume Left", colbLeft);
    colours->addRow("Volume Right", colbRight);
    colours->addRow("Cursor", colbCursor);
    right->addLayout(colours);
    chkUseAsDefault = new QCheckBox("Use As Default", Body());
    right->addWidget(chkUseAsDefault);
}

bool TDlgVoldViewProps::UseAsDefault() const { return chkUseAsDefault->isChecked(); }

bool TDlgVoldViewProps::OKBtnClick() {
    TVoldViewProps p = props_;
    TReadResult read = ReadVoldViewProps(p,
                                         {{p.Top, editTop->text().toStdString()},
                                          {p.Bottom, editBottom->text().toStdString()},
                                          {p.Vertical, editVertical->text().toStdString()},
                                          {p.Width, editWidth->text().toStdString()},
                                          {p.Strength, editStrength->text().toStdString()}},
                                         sampleFreq_);
    if (!read.Ok) {
        messages().show(kInputErrorTitle, read.Error, MessageIcon::Information);
        return false;
    }
    p.HorDistribution = checkedOf(rgrHorDistribution, 3);
    p.TwoWaves = chk2Waves->isChecked();
    p.Sensitivity = checkedOf(rgrSensitivity, 4);
    p.Background = ColorOf(*colbBackground);
    p.Single = ColorOf(*colbSingle);
    p.Left = ColorOf(*colbLeft);
    p.Right = ColorOf(*colbRight);
    p.Cursor = ColorOf(*colbCursor);
    props_ = p;
    return true;
}

}  // namespace korvane
