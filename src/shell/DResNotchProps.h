#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// Resonant Filter and Notch Filter: the frequency and the width, each constant or from an envelope.
class TDlgResNotchProps : public TRecordDlg<TResNotchProps> {
public:
    TDlgResNotchProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TResNotchProps>& step);
};

}  // namespace korvane
