#include "shell/DTempoPitchProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgTempoPitchProps::TDlgTempoPitchProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TTempoPitchProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    Columns();
    auto& f = NewBox("Pitch and Tempo");
    AddField(f, props_.FreqFactor);
    AddPicker(f, props_.FreqEnvelope, waveFilterOthers,
              AddCheck(f, "Frequency Envelope", props_.FreqEnvelopeOn));
    AddField(f, props_.Speed);
    AddPicker(f, props_.SpeedEnvelope, waveFilterOthers,
              AddCheck(f, "Speed Envelope", props_.SpeedEnvelopeOn));
    auto& l = NewBox("Length");
    AddField(l, props_.LengthFactor, AddChoice(l, "Length Factor", props_.LengthKind, lengthFactor));
    AddField(l, props_.NewLength, AddChoice(l, "New Length", props_.LengthKind, lengthNew));
    AddPicker(l, props_.SameAs, waveFilterOthers,
              AddChoice(l, "Same Length as", props_.LengthKind, lengthSameAs));
    AddField(l, props_.Count, AddChoice(l, "Count", props_.LengthKind, lengthCount));
    AddField(l, props_.StartPosition);
    auto& q = NewBox("Quality");
    AddChoice(q, "Low", props_.Quality, 0);
    AddChoice(q, "High", props_.Quality, 1);
    AddField(q, props_.BlockSize);
}

}  // namespace korvane
