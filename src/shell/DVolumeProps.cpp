#include "shell/DVolumeProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgVolumeProps::TDlgVolumeProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TVolumeProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Volume");
    AddField(b, props_.Factor, AddChoice(b, "Constant", props_.Kind, 0));
    AddPicker(b, props_.Envelope, waveFilterOthers, AddChoice(b, "Envelope", props_.Kind, 1));
}

}  // namespace korvane
