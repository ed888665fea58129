#include "shell/DPerEchoProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgPerEchoProps::TDlgPerEchoProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TPerEchoProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& t = NewBox("Time");
    AddField(t, props_.Time);
    AddPicker(t, props_.TimeEnvelope, waveFilterOthers,
              AddCheck(t, "Time Envelope", props_.TimeEnvelopeOn));
    auto& v = NewBox("Volume");
    AddField(v, props_.Volume, AddChoice(v, "Constant", props_.VolumeKind, 0));
    AddPicker(v, props_.VolumeEnvelope, waveFilterOthers,
              AddChoice(v, "Envelope", props_.VolumeKind, 1));
    auto& c = NewBox("Echoes");
    AddField(c, props_.Count);
}

}  // namespace korvane
