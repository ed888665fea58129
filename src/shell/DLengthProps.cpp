#include "shell/DLengthProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgLengthProps::TDlgLengthProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TLengthProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& l = NewBox("Length");
    AddField(l, "Length Factor", props_.LengthFactor, AddChoice(l, "Length Factor", props_.LengthKind, lengthFactor));
    AddField(l, "New Length", props_.NewLength, AddChoice(l, "New Length", props_.LengthKind, lengthNew));
    AddPicker(l, "Same Length as", props_.SameAs, waveFilterOthers,
              AddChoice(l, "Same Length as", props_.LengthKind, lengthSameAs));
}

}  // namespace korvane
