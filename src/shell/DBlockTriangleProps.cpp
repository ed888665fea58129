#include "shell/DBlockTriangleProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgBlockTriangleProps::TDlgBlockTriangleProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBlockTriangleProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Form");
    AddField(b, "Height 1", props_.Height1);
    AddField(b, "Height 2", props_.Height2);
    AddField(b, "Period", props_.Period);
    AddField(b, "Length", props_.Length);
    AddField(b, "Start", props_.Start);
    auto& m = NewBox("Middle");
    AddField(m, "Middle", props_.Middle, AddChoice(m, "Constant", props_.MiddleKind, 0));
    AddPicker(m, "Middle Envelope", props_.MiddleEnvelope, waveFilterOthers, AddChoice(m, "Envelope", props_.MiddleKind, 1));
}

}  // namespace korvane
