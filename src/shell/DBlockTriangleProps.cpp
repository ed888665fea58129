#include "shell/DBlockTriangleProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgBlockTriangleProps::TDlgBlockTriangleProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBlockTriangleProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Form");
    AddField(b, props_.Height1);
    AddField(b, props_.Height2);
    AddField(b, props_.Period);
    AddField(b, props_.Length);
    AddField(b, props_.Start);
    auto& m = NewBox("Middle");
    AddField(m, props_.Middle, AddChoice(m, "Constant", props_.MiddleKind, 0));
    AddPicker(m, props_.MiddleEnvelope, waveFilterOthers, AddChoice(m, "Envelope", props_.MiddleKind, 1));
}

}  // namespace korvane
