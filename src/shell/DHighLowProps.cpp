#include "shell/DHighLowProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgHighLowProps::TDlgHighLowProps(QWidget* parent, TCommandDialogContext& context, RecordStep<THighLowProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& f = NewBox("Frequency");
    AddField(f, "Frequency", props_.Frequency, AddChoice(f, "Constant", props_.FrequencyKind, 0));
    AddPicker(f, "Frequency Envelope", props_.FrequencyEnvelope, waveFilterOthers,
              AddChoice(f, "Envelope", props_.FrequencyKind, 1));
    auto& b = NewBox("Filter");
    AddField(b, "Volume Factor", props_.VolumeFactor);
    AddField(b, "Count", props_.Count);
    AddCheck(b, "Maximize Volume", props_.MaximizeVolume);
}

}  // namespace korvane
