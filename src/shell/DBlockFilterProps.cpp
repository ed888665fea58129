#include "shell/DBlockFilterProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgBlockFilterProps::TDlgBlockFilterProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBlockFilterProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Block Filter");
    AddField(b, props_.BlockTime);
    AddPicker(b, props_.Envelope, waveFilterOthers, AddCheck(b, "Envelope", props_.UseEnvelope));
}

}  // namespace korvane
