#include "shell/DResNotchProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgResNotchProps::TDlgResNotchProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TResNotchProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& f = NewBox("Frequency");
    AddField(f, props_.Frequency, AddChoice(f, "Constant", props_.FrequencyKind, 0));
    AddPicker(f, props_.FrequencyEnvelope, waveFilterOthers,
              AddChoice(f, "Envelope", props_.FrequencyKind, 1));
    auto& w = NewBox("Width");
    AddField(w, props_.Width, AddChoice(w, "Constant", props_.WidthKind, 0));
    AddPicker(w, props_.WidthEnvelope, waveFilterOthers,
              AddChoice(w, "Envelope", props_.WidthKind, 1));
}

}  // namespace korvane
