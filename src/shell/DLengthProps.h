#pragma once

#include "processing/TimeEchoProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Change Length": by a factor, to a length, or to another wave's length.
class TDlgLengthProps : public TRecordDlg<TLengthProps> {
public:
    TDlgLengthProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TLengthProps>& step);
};

}  // namespace korvane
