#include "shell/DSinusProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgSinusProps::TDlgSinusProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TSinusProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Sinus");
    AddField(b, "Amplitude", props_.Amplitude);
    AddField(b, "Period", props_.Period);
    AddField(b, "Start Angle", props_.StartAngle);
    auto& l = NewBox("Length");
    AddField(l, "Count", props_.Count, AddChoice(l, "Count", props_.LengthKind, 0));
    AddField(l, "Length", props_.Length, AddChoice(l, "Length", props_.LengthKind, 1));
}

}  // namespace korvane
