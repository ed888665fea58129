#include "shell/DRotateProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgRotateProps::TDlgRotateProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRotateProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& d = NewBox("Direction");
    AddChoice(d, "Left", props_.Direction, 0);
    AddChoice(d, "Right", props_.Direction, 1);
    auto& b = NewBox("Rotate by");
    AddField(b, props_.Factor, AddChoice(b, "Factor", props_.By, 0));
    AddField(b, props_.Time, AddChoice(b, "Time", props_.By, 1));
}

}  // namespace korvane
