#pragma once

#include "processing/TimeEchoProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Roll out": the speed, the new length and the start position.
class TDlgRollOutProps : public TRecordDlg<TRollOutProps> {
public:
    TDlgRollOutProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRollOutProps>& step);
};

}  // namespace korvane
