#pragma once

#include "core/WavFile.h"
#include "shell/OKDlg.h"

class QComboBox;
class QRadioButton;

namespace korvane {

// "Wave Properties": channels, sample frequency and bits of a new wave, or
// the format a wave is converted to.
class TDlgWaveFileProp : public TOKDlg {
    Q_OBJECT
public:
    TDlgWaveFileProp(QWidget* parent, const WaveFileProps& props);
    WaveFileProps Props() const;

    QRadioButton* Channels(int index) const { return channels_[index]; }  // 0 mono, 1 stereo
    QComboBox* Frequency() const { return frequency_; }
    QRadioButton* Bits(int index) const { return bits_[index]; }  // 0 8 bits, 1 16 bits

private:
    QRadioButton* channels_[2];
    QRadioButton* bits_[2];
    QComboBox* frequency_;
    int32_t otherFreq_;
};

}  // namespace korvane
