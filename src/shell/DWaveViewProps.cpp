#include "shell/DWaveViewProps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/Messages.h"

namespace korvane {

namespace {
struct NamedColor {
    const char* name;
    TColor color;
};
const NamedColor kStandardColors[] = {
    {"Black", RGBColor(0, 0, 0)},         {"Maroon", RGBColor(128, 0, 0)},    {"Green", RGBColor(0, 128, 0)},
    {"Olive", RGBColor(128, 128, 0)},     {"Navy", RGBColor(0, 0, 128)},      {"Purple", RGBColor(128, 0, 128)},
    {"Teal", RGBColor(0, 128, 128)},      {"Gray", RGBColor(128, 128, 128)},  {"Silver", RGBColor(192, 192, 192)},
    {"Red", RGBColor(255, 0, 0)},         {"Lime", RGBColor(0, 255, 0)},      {"Yellow", RGBColor(255, 255, 0)},
    {"Blue", RGBColor(0, 0, 255)},        {"Fuchsia", RGBColor(255, 0, 255)}, {"Aqua", RGBColor(0, 255, 255)},
    {"White", RGBColor(255, 255, 255)},
};

QIcon swatch(TColor c) {
    QPixmap pm(14, 14);
    pm.fill(QColor(RedOf(c), GreenOf(c), BlueOf(c)));
    return QIcon(pm);
}

QGroupBox* radioGroup(QWidget* parent, const char* title, std::initializer_list<const char*> names,
                      QRadioButton** out, int checked) {
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
}  // namespace

QComboBox* MakeColorBox(QWidget* parent, TColor color) {
    auto* box = new QComboBox(parent);
    int index = -1;
    for (const auto& c : kStandardColors) {
        if (c.color == color) index = box->count();
        box->addItem(swatch(c.color), c.name, static_cast<uint>(c.color));
    }
    if (index < 0) {
        index = box->count();
        box->addItem(swatch(color), "Custom", static_cast<uint>(color));
    }
    box->setCurrentIndex(index);
    return box;
}

TColor ColorOf(const QComboBox& box) { return static_cast<TColor>(box.currentData().toUInt()); }

TDlgWaveViewProps::TDlgWaveViewProps(QWidget* parent, const TWaveViewProps& props)
    : TOKDlg(parent, "Wave View", buttonsRight, 23), props_(props) {
    auto* columns = new QHBoxLayout(Body());
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);

    left->addWidget(radioGroup(Body(), "Draw", {"Lines", "Points"}, rgrDraw, props.Draw));
    left->addWidget(radioGroup(Body(), "Distribution", {"Constant", "Random", "Peaks"}, rgrDistribution, props.Distribution));
    auto* values = new QFormLayout;
    editValuesPerPixel = new QLineEdit(QString::fromStdString(props.ValuesPerPixel.ToText()), Body());
    editStrength = new QLineEdit(QString::fromStdString(props.Strength.ToText()), Body());
    values->addRow("Values per Pixel:", editValuesPerPixel);
    values->addRow("Strength:", editStrength);
    left->addLayout(values);
    chkDrawGrid = new QCheckBox("Draw Grid", Body());
    chkDrawGrid->setChecked(props.DrawGrid);
    left->addWidget(chkDrawGrid);

    auto* colours = new QFormLayout;
    colbGrid = MakeColorBox(Body(), props.Grid);
    colbBackground = MakeColorBox(Body(), props.Background);
    colbSingleWave = MakeColorBox(Body(), props.SingleWave);
    colbLeft = MakeColorBox(Body(), props.Left);
    colbRight = MakeColorBox(Body(), props.Right);
    colours->addRow("Grid", colbGrid);
    colours->addRow("Background", colbBackground);
    colours->addRow("Single Wave", colbSingleWave);
    colours->addRow("Left", colbLeft);
    colours->addRow("Right", colbRight);
    right->addLayout(colours);
    chk2Waves = new QCheckBox("2 Single Waves when Stereo", Body());
    chk2Waves->setChecked(props.TwoWaves);
    right->addWidget(chk2Waves);
    right->addWidget(radioGroup(Body(), "Combine", {"Mixed", "Left at Front", "Right at Front"}, rgrCombine,
                                props.Combine));
    chkUseAsDefault = new QCheckBox("Use As Default", Body());
    right->addWidget(chkUseAsDefault);
}

bool TDlgWaveViewProps::UseAsDefault() const { return chkUseAsDefault->isChecked(); }

bool TDlgWaveViewProps::OKBtnClick() {
    TWaveViewProps p = props_;
    TReadResult read = p.Fields().Read({{p.ValuesPerPixel, editValuesPerPixel->text().toStdString()},
                                        {p.Strength, editStrength->text().toStdString()}});
    if (!read.Ok) {
        messages().show("Input Error", read.Error, MessageIcon::Error);
        return false;
    }
    p.Draw = rgrDraw[1]->isChecked() ? 1 : 0;
    p.Distribution = rgrDistribution[1]->isChecked() ? 1 : rgrDistribution[2]->isChecked() ? 2 : 0;
    p.DrawGrid = chkDrawGrid->isChecked();
    p.Grid = ColorOf(*colbGrid);
    p.Background = ColorOf(*colbBackground);
    p.SingleWave = ColorOf(*colbSingleWave);
    p.Left = ColorOf(*colbLeft);
    p.Right = ColorOf(*colbRight);
    p.TwoWaves = chk2Waves->isChecked();
    p.Combine = rgrCombine[1]->isChecked() ? 1 : rgrCombine[2]->isChecked() ? 2 : 0;
    props_ = p;
    return true;
}

}  // namespace korvane
