#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Balance": the direction, constant or from an envelope, and how the far side differs.
class TDlgBalanceProps : public TRecordDlg<TBalanceProps> {
public:
    TDlgBalanceProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBalanceProps>& step);
};

}  // namespace korvane
