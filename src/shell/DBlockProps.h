#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Block": blocks in time, in height, or both.
class TDlgBlockProps : public TRecordDlg<TBlockProps> {
public:
    TDlgBlockProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBlockProps>& step);
};

}  // namespace korvane
