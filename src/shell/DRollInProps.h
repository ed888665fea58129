#pragma once

#include "processing/TimeEchoProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Roll in": the loop length and where it starts or ends.
class TDlgRollInProps : public TRecordDlg<TRollInProps> {
public:
    TDlgRollInProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRollInProps>& step);
};

}  // namespace korvane
