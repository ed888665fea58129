#include "shell/DRollOutProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgRollOutProps::TDlgRollOutProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRollOutProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& s = NewBox("Speed");
    AddField(s, props_.Speed);
    AddPicker(s, props_.SpeedEnvelope, waveFilterOthers,
              AddCheck(s, "Speed Envelope", props_.SpeedEnvelopeOn));
    auto& l = NewBox("Length");
    AddField(l, props_.LengthFactor, AddChoice(l, "Length Factor", props_.LengthKind, lengthFactor));
    AddField(l, props_.NewLength, AddChoice(l, "New Length", props_.LengthKind, lengthNew));
    AddPicker(l, props_.SameAs, waveFilterOthers,
              AddChoice(l, "Same Length as", props_.LengthKind, lengthSameAs));
    AddField(l, props_.Count, AddChoice(l, "Count", props_.LengthKind, lengthCount));
    auto& p = NewBox("Start");
    AddField(p, props_.StartPosition);
}

}  // namespace korvane
