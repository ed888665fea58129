#pragma once

#include <cstdint>

#include "shell/OKDlg.h"
#include "wavewindow/VoldViewProps.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace korvane {

// "Volume Diagram": how the volume diagram is computed and coloured. Opened
// with Top and Bottom raised to two periods of the wave's sample frequency.
class TDlgVoldViewProps : public TOKDlg {
    Q_OBJECT
public:
    TDlgVoldViewProps(QWidget* parent, const TVoldViewProps& props, int32_t sampleFreq);

    // The confirmed settings (after Accepted).
    const TVoldViewProps& Props() const { return props_; }
    bool UseAsDefault() const;

    QLineEdit* editTop;
    QLineEdit* editBottom;
    QLineEdit* editVertical;
    QLineEdit* editWidth;
    QRadioButton* rgrHorDistribution[3];
    QCheckBox* chk2Waves;
    QRadioButton* rgrSensitivity[4];
    QLineEdit* editStrength;
    QComboBox* colbBackground;
    QComboBox* colbSingle;
    QComboBox* colbLeft;
    QComboBox* colbRight;
    QComboBox* colbCursor;
    QCheckBox* chkUseAsDefault;

protected:
    bool OKBtnClick() override;

private:
    TVoldViewProps props_;
    int32_t sampleFreq_;
};

}  // namespace korvane
