#include "shell/DRollOutProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgRollOutProps::TDlgRollOutProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRollOutProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& s = NewBox("Speed");
    AddField(s, "Speed Factor", props_.Speed);
    AddPicker(s, "Speed Envelope", props_.SpeedEnvelope, waveFilterOthers,
              AddCheck(s, "Speed Envelope", props_.SpeedEnvelopeOn));
    auto& l = NewBox("Length");
    AddField(l, "Length Factor", props_.LengthFactor, AddChoice(l, "Length Factor", props_.LengthKind, lengthFactor));
    AddField(l, "New Length", props_.NewLength, AddChoice(l, "New Length", props_.LengthKind, lengthNew));
    AddPicker(l, "Same Length as", props_.SameAs, waveFilterOthers,
              AddChoice(l, "Same Length as", props_.LengthKind, lengthSameAs));
    AddField(l, "Count", props_.Count, AddChoice(l, "Count", props_.LengthKind, lengthCount));
    auto& p = NewBox("Start");
    AddField(p, "Start Position", props_.StartPosition);
}

}  // namespace korvane
