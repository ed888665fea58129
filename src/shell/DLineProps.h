#pragma once

#include "processing/MakeProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Make Line": a straight or exponential line.
class TDlgLineProps : public TRecordDlg<TLineProps> {
public:
    TDlgLineProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TLineProps>& step);
};

}  // namespace korvane
