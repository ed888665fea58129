#include "shell/DExportProps.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace korvane {

TDlgExportProps::TDlgExportProps(QWidget* parent, AudioFormat format, const AudioWriteSettings& settings,
                                 bool selection, bool selectionOnly)
    : TOKDlg(parent, QString("Export ") + AudioFormatName(format), buttonsBottom), format_(format),
      settings_(settings) {
    auto* form = new QFormLayout(Body());
    switch (format) {
        case AudioFormat::Flac:
            flacLevel_ = new QSpinBox(Body());
            flacLevel_->setRange(0, kFlacLevelMax);
            flacLevel_->setValue(settings.flacLevel);
            flacLevel_->setToolTip("0 writes fastest, 8 writes the smallest file; the sound is the same");
            form->addRow("&Compression level:", flacLevel_);
            break;
        case AudioFormat::OggVorbis:
            vorbisQuality_ = new QDoubleSpinBox(Body());
            vorbisQuality_->setRange(0, kVorbisQualityMax);
            vorbisQuality_->setDecimals(1);
            vorbisQuality_->setSingleStep(0.5);
            vorbisQuality_->setValue(settings.vorbisQuality);
            vorbisQuality_->setToolTip("0 is the smallest file, 10 the best sound");
            form->addRow("&Quality:", vorbisQuality_);
            break;
        case AudioFormat::Opus:
        case AudioFormat::Mp3: {
            const bool opus = format == AudioFormat::Opus;
            bitrate_ = new QSpinBox(Body());
            bitrate_->setRange(opus ? kOpusKbpsMin : kMp3KbpsMin, opus ? kOpusKbpsMax : kMp3KbpsMax);
            bitrate_->setSuffix(" kbit/s");
            bitrate_->setValue(opus ? settings.opusKbps : settings.mp3Kbps);
            form->addRow("&Bit rate:", bitrate_);
            if (!opus) {
                variable_ = new QCheckBox("&Variable bit rate", Body());
                variable_->setChecked(settings.mp3Variable);
                form->addRow(QString(), variable_);
            }
            break;
        }
        case AudioFormat::Aiff:
        case AudioFormat::Wav:
            form->addRow(new QLabel("Samples are written as they are.", Body()));
            break;
    }
    selectionOnly_ = new QCheckBox("&Selection only", Body());
    selectionOnly_->setEnabled(selection);
    selectionOnly_->setChecked(selection && selectionOnly);
    form->addRow(QString(), selectionOnly_);
}

AudioWriteSettings TDlgExportProps::Settings() const {
    AudioWriteSettings s = settings_;
    if (flacLevel_) s.flacLevel = flacLevel_->value();
    if (vorbisQuality_) s.vorbisQuality = vorbisQuality_->value();
    if (bitrate_) (format_ == AudioFormat::Opus ? s.opusKbps : s.mp3Kbps) = bitrate_->value();
    if (variable_) s.mp3Variable = variable_->isChecked();
    return s;
}

bool TDlgExportProps::SelectionOnly() const { return selectionOnly_->isEnabled() && selectionOnly_->isChecked(); }

}  // namespace korvane
