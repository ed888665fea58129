#include "shell/DSilenceProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgSilenceProps::TDlgSilenceProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TSilenceProps>& step)
    : TRecordDlg(parent, context, step, "Make Silence", 20, buttonsBottom) {
    auto& b = NewBox("Silence");
    AddField(b, "Length", props_.Length);
}

}  // namespace korvane
