#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Rotate": left or right, by a part of the selection or a time (no longer than the selection).
class TDlgRotateProps : public TRecordDlg<TRotateProps> {
public:
    TDlgRotateProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRotateProps>& step);
};

}  // namespace korvane
