#include "shell/DRollInProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgRollInProps::TDlgRollInProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRollInProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Roll in");
    AddField(b, props_.Length);
    auto& p = NewBox("Placement");
    AddField(p, props_.Start, AddChoice(p, "Start at", props_.Placement, 0));
    AddField(p, props_.End, AddChoice(p, "End at", props_.Placement, 1));
}

}  // namespace korvane
