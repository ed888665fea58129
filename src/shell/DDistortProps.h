#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Distort": every sample mapped through a wave.
class TDlgDistortProps : public TRecordDlg<TDistortProps> {
public:
    TDlgDistortProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TDistortProps>& step);
};

}  // namespace korvane
