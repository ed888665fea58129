#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Up / Down": a value added to every sample.
class TDlgUpProps : public TRecordDlg<TUpProps> {
public:
    TDlgUpProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TUpProps>& step);
};

}  // namespace korvane
