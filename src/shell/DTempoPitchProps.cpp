#include "shell/DTempoPitchProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgTempoPitchProps::TDlgTempoPitchProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TTempoPitchProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    Columns();
    auto& f = NewBox("Pitch and Tempo");
    AddField(f, "Frequency Factor", props_.FreqFactor);
    AddPicker(f, "Frequency Envelope", props_.FreqEnvelope, waveFilterOthers,
              AddCheck(f, "Frequency Envelope", props_.FreqEnvelopeOn));
    AddField(f, "Speed Factor", props_.Speed);
    AddPicker(f, "Speed Envelope", props_.SpeedEnvelope, waveFilterOthers,
              AddCheck(f, "Speed Envelope", props_.SpeedEnvelopeOn));
    auto& l = NewBox("Length");
    AddField(l, "Length Factor", props_.LengthFactor, AddChoice(l, "Length Factor", props_.LengthKind, lengthFactor));
    AddField(l, "New Length", props_.NewLength, AddChoice(l, "New Length", props_.LengthKind, lengthNew));
    AddPicker(l, "Same Length as", props_.SameAs, waveFilterOthers,
              AddChoice(l, "Same Length as", props_.LengthKind, lengthSameAs));
    AddField(l, "Count", props_.Count, AddChoice(l, "Count", props_.LengthKind, lengthCount));
    AddField(l, "Start Position", props_.StartPosition);
    auto& q = NewBox("Quality");
    AddChoice(q, "Low", props_.Quality, 0);
    AddChoice(q, "High", props_.Quality, 1);
    AddField(q, "Block Size", props_.BlockSize);
}

}  // namespace korvane
