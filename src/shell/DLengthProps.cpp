#include "shell/DLengthProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgLengthProps::TDlgLengthProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TLengthProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& l = NewBox("Length");
    AddField(l, props_.LengthFactor, AddChoice(l, "Length Factor", props_.LengthKind, lengthFactor));
    AddField(l, props_.NewLength, AddChoice(l, "New Length", props_.LengthKind, lengthNew));
    AddPicker(l, props_.SameAs, waveFilterOthers,
              AddChoice(l, "Same Length as", props_.LengthKind, lengthSameAs));
}

}  // namespace korvane
