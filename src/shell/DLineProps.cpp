#include "shell/DLineProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgLineProps::TDlgLineProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TLineProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Line");
    AddField(b, props_.First);
    AddField(b, props_.Last);
    AddField(b, props_.Length);
    AddCheck(b, "Exponential", props_.Exponential);
}

}  // namespace korvane
