#include "shell/DSinusProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgSinusProps::TDlgSinusProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TSinusProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Sinus");
    AddField(b, props_.Amplitude);
    AddField(b, props_.Period);
    AddField(b, props_.StartAngle);
    auto& l = NewBox("Length");
    AddField(l, props_.Count, AddChoice(l, "Count", props_.LengthKind, 0));
    AddField(l, props_.Length, AddChoice(l, "Length", props_.LengthKind, 1));
}

}  // namespace korvane
