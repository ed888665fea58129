#pragma once

#include "audiofile/AudioFile.h"
#include "shell/OKDlg.h"

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

namespace korvane {

// "Export": what of the wave is written and how the chosen format encodes
// it. Only the setting of that format is shown.
class TDlgExportProps : public TOKDlg {
    Q_OBJECT
public:
    // `selection` says whether the wave has a selection to write alone.
    TDlgExportProps(QWidget* parent, AudioFormat format, const AudioWriteSettings& settings, bool selection,
                    bool selectionOnly);
    AudioWriteSettings Settings() const;
    bool SelectionOnly() const;

    QCheckBox* SelectionOnlyBox() const { return selectionOnly_; }
    QSpinBox* FlacLevel() const { return flacLevel_; }
    QDoubleSpinBox* VorbisQuality() const { return vorbisQuality_; }
    QSpinBox* Bitrate() const { return bitrate_; }
    QCheckBox* VariableBox() const { return variable_; }

private:
    AudioFormat format_;
    AudioWriteSettings settings_;
    QCheckBox* selectionOnly_;
    QSpinBox* flacLevel_ = nullptr;
    QDoubleSpinBox* vorbisQuality_ = nullptr;
    QSpinBox* bitrate_ = nullptr;
    QCheckBox* variable_ = nullptr;
};

}  // namespace korvane
