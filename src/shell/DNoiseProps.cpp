#include "shell/DNoiseProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgNoiseProps::TDlgNoiseProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TNoiseProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Noise");
    AddField(b, props_.Amplitude);
    AddField(b, props_.Length);
}

}  // namespace korvane
