#include "shell/DBlockProps.h"

#include <QCheckBox>
#include <QRadioButton>

namespace korvane {

TDlgBlockProps::TDlgBlockProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TBlockProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    Columns();
    auto& h = NewBox("Horizontal");
    AddChoice(h, "No Change", props_.HorizontalKind, 0);
    AddField(h, props_.HorizontalCount, AddChoice(h, "Count", props_.HorizontalKind, 1));
    AddField(h, props_.Time, AddChoice(h, "Time", props_.HorizontalKind, 2));
    auto& v = NewBox("Vertical");
    AddChoice(v, "No Change", props_.VerticalKind, 0);
    AddField(v, props_.VerticalCount, AddChoice(v, "Count", props_.VerticalKind, 1));
    AddField(v, props_.Height, AddChoice(v, "Height", props_.VerticalKind, 2));
}

}  // namespace korvane
