#pragma once

#include "processing/MakeProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Make Sinus": amplitude, period, how long, start angle.
class TDlgSinusProps : public TRecordDlg<TSinusProps> {
public:
    TDlgSinusProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TSinusProps>& step);
};

}  // namespace korvane
