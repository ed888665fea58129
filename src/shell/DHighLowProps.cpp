#include "shell/DHighLowProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgHighLowProps::TDlgHighLowProps(QWidget* parent, TCommandDialogContext& context, RecordStep<THighLowProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& f = NewBox("Frequency");
    AddField(f, props_.Frequency, AddChoice(f, "Constant", props_.FrequencyKind, 0));
    AddPicker(f, props_.FrequencyEnvelope, waveFilterOthers,
              AddChoice(f, "Envelope", props_.FrequencyKind, 1));
    auto& b = NewBox("Filter");
    AddField(b, props_.VolumeFactor);
    AddField(b, props_.Count);
    AddCheck(b, "Maximize Volume", props_.MaximizeVolume);
}

}  // namespace korvane
