#pragma once

#include "processing/EffectProps.h"
#include "shell/PropsDlg.h"

namespace korvane {

// "Mix Left Right": four volume factors, and examples that fill them in.
class TDlgLeftRightProps : public TRecordDlg<TLeftRightProps> {
public:
    TDlgLeftRightProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TLeftRightProps>& step);
    QComboBox* Examples() const { return examples_; }

private:
    void ExampleChange(int index);
    void ChangeAtFactor();

    QComboBox* examples_;
    QLineEdit* boxes_[4];
    // The change events the chosen example still causes itself; while it is
    // above 0 an edit does not clear the example.
    int updating_ = 0;
};

}  // namespace korvane
