#pragma once

#include "processing/TimeEchoProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Period Echo": the time between echoes, their volume and count.
class TDlgPerEchoProps : public TRecordDlg<TPerEchoProps> {
public:
    TDlgPerEchoProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TPerEchoProps>& step);
};

}  // namespace korvane
