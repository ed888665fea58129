#pragma once

#include "shell/OKDlg.h"
#include "wavewindow/WaveView.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace korvane {

// A colour box: the standard colours, and the present one when it is not
// among them.
class TColorBox;

// "Wave View": how the wave view draws.
class TDlgWaveViewProps : public TOKDlg {
    Q_OBJECT
public:
    TDlgWaveViewProps(QWidget* parent, const TWaveViewProps& props);

    // The confirmed settings (after Accepted).
    const TWaveViewProps& Props() const { return props_; }
    bool UseAsDefault() const;

    QRadioButton* rgrDraw[2];
    QRadioButton* rgrDistribution[3];
    QLineEdit* editValuesPerPixel;
    QLineEdit* editStrength;
    QCheckBox* chkDrawGrid;
    QComboBox* colbGrid;
    QComboBox* colbBackground;
    QComboBox* colbSingleWave;
    QComboBox* colbLeft;
    QComboBox* colbRight;
    QCheckBox* chk2Waves;
    QRadioButton* rgrCombine[3];
    QCheckBox* chkUseAsDefault;

protected:
    bool OKBtnClick() override;

private:
    TWaveViewProps props_;
};

// Makes and reads a colour box.
QComboBox* MakeColorBox(QWidget* parent, TColor color);
TColor ColorOf(const QComboBox& box);

}  // namespace korvane
