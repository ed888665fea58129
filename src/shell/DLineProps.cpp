#include "shell/DLineProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgLineProps::TDlgLineProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TLineProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Line");
    AddField(b, "First Value", props_.First);
    AddField(b, "Last Value", props_.Last);
    AddField(b, "Length", props_.Length);
    AddCheck(b, "Exponential", props_.Exponential);
}

}  // namespace korvane
