#include "shell/DBalanceProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgBalanceProps::TDlgBalanceProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBalanceProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Direction");
    AddField(b, props_.Direction, AddChoice(b, "Constant", props_.DirectionKind, 0));
    AddPicker(b, props_.DirectionEnvelope, waveFilterOthers,
              AddChoice(b, "Envelope", props_.DirectionKind, 1));
    auto& v = NewBox("Volume Difference");
    AddChoice(v, "None", props_.VolumeDifference, 0);
    AddChoice(v, "Volume", props_.VolumeDifference, 1);
    AddChoice(v, "Filter", props_.VolumeDifference, 2);
    AddCheck(v, "Time Difference", props_.TimeDifference);
}

}  // namespace korvane
