#include "shell/DSilenceProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgSilenceProps::TDlgSilenceProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TSilenceProps>& step)
    : TRecordDlg(parent, context, step, buttonsBottom) {
    auto& b = NewBox("Silence");
    AddField(b, props_.Length);
}

}  // namespace korvane
