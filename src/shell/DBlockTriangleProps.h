#pragma once

#include "processing/MakeProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// Make Block and Make Triangle: two heights, the period and the turn between them.
class TDlgBlockTriangleProps : public TRecordDlg<TBlockTriangleProps> {
public:
    TDlgBlockTriangleProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBlockTriangleProps>& step);
};

}  // namespace korvane
