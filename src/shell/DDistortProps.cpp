#include "shell/DDistortProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgDistortProps::TDlgDistortProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TDistortProps>& step)
    : TRecordDlg(parent, context, step, buttonsBottom) {
    auto& b = NewBox("Distort");
    AddPicker(b, props_.Envelope, waveFilterOthers);
}

}  // namespace korvane
