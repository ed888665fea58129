#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// High Filter and Low Filter.
class TDlgHighLowProps : public TRecordDlg<THighLowProps> {
public:
    TDlgHighLowProps(QWidget* parent, TCommandDialogContext& context, RecordStep<THighLowProps>& step);
};

}  // namespace korvane
