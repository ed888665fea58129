#include "shell/DUpProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgUpProps::TDlgUpProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TUpProps>& step)
    : TRecordDlg(parent, context, step, buttonsBottom) {
    auto& b = NewBox("Up / Down");
    AddField(b, props_.AddValue);
}

}  // namespace korvane
