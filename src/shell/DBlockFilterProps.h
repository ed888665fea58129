#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Block Filter": a block time, optionally varied by an envelope.
class TDlgBlockFilterProps : public TRecordDlg<TBlockFilterProps> {
public:
    TDlgBlockFilterProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBlockFilterProps>& step);
};

}  // namespace korvane
