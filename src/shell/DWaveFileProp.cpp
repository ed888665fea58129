#include "shell/DWaveFileProp.h"

#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace korvane {

TDlgWaveFileProp::TDlgWaveFileProp(QWidget* parent, const WaveFileProps& props)
    : TOKDlg(parent, "Wave Properties", buttonsRight, 2), otherFreq_(props.SampleFreq) {
    auto* layout = new QVBoxLayout(Body());
    auto* channels = new QGroupBox("Channels", Body());
    auto* cl = new QVBoxLayout(channels);
    for (int i = 0; i < 2; ++i) {
        channels_[i] = new QRadioButton(kChannelChoices[i].label, channels);
        cl->addWidget(channels_[i]);
    }
    channels_[props.MonoStereo == 1 ? 0 : 1]->setChecked(true);
    auto* freq = new QGroupBox("Sample Frequency", Body());
    auto* fl = new QVBoxLayout(freq);
    frequency_ = new QComboBox(freq);
    for (const auto& c : kSampleFreqChoices) frequency_->addItem(c.label, c.freq);
    frequency_->setCurrentIndex(SampleFreqIndex(props.SampleFreq));
    fl->addWidget(frequency_);
    auto* bits = new QGroupBox("Bits per Sample", Body());
    auto* bl = new QVBoxLayout(bits);
    for (int i = 0; i < 2; ++i) {
        bits_[i] = new QRadioButton(kBitsChoices[i].label, bits);
        bl->addWidget(bits_[i]);
    }
    bits_[props.BytesPSample == 1 ? 0 : 1]->setChecked(true);
    layout->addWidget(channels);
    layout->addWidget(freq);
    layout->addWidget(bits);
}

WaveFileProps TDlgWaveFileProp::Props() const {
    WaveFileProps p;
    p.MonoStereo = channels_[0]->isChecked() ? 1 : 2;
    p.BytesPSample = bits_[0]->isChecked() ? 1 : 2;
    p.SampleFreq = frequency_->currentData().toInt();
    return p;
}

}  // namespace korvane
