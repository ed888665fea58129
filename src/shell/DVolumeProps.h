#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Change Volume": a constant factor or an envelope.
class TDlgVolumeProps : public TRecordDlg<TVolumeProps> {
public:
    TDlgVolumeProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TVolumeProps>& step);
};

}  // namespace korvane
