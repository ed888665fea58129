#pragma once

#include "processing/MakeProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Make Silence".
class TDlgSilenceProps : public TRecordDlg<TSilenceProps> {
public:
    TDlgSilenceProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TSilenceProps>& step);
};

}  // namespace korvane
