#pragma once

#include "processing/MakeProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Make Noise".
class TDlgNoiseProps : public TRecordDlg<TNoiseProps> {
public:
    TDlgNoiseProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TNoiseProps>& step);
};

}  // namespace korvane
