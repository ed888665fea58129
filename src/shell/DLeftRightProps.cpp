#include "shell/DLeftRightProps.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>

#include "processing/EffectCommands.h"

namespace korvane {

TDlgLeftRightProps::TDlgLeftRightProps(QWidget* parent, TCommandDialogContext& context,
                                       RecordStep<TLeftRightProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight) {
    auto& b = NewBox("Factors");
    boxes_[0] = AddField(b, props_.LeftToLeft);
    boxes_[1] = AddField(b, props_.LeftToRight);
    boxes_[2] = AddField(b, props_.RightToLeft);
    boxes_[3] = AddField(b, props_.RightToRight);
    auto& e = NewBox("Examples");
    examples_ = new QComboBox(e.Box);
    examples_->setObjectName("Examples");
    for (const auto& example : kLeftRightExamples) examples_->addItem(example.Name);
    examples_->setCurrentIndex(-1);
    e.Grid->addWidget(examples_, 0, 0);
    connect(examples_, &QComboBox::activated, this, &TDlgLeftRightProps::ExampleChange);
    for (QLineEdit* box : boxes_) connect(box, &QLineEdit::textChanged, this, &TDlgLeftRightProps::ChangeAtFactor);
}

void TDlgLeftRightProps::ExampleChange(int index) {
    if (index < 0) return;
    // The example's values in the units the fields remember.
    TLeftRightProps shown = props_;
    ApplyLeftRightExample(shown, kLeftRightExamples[index].Name);
    unitValue* fields[4] = {&shown.LeftToLeft, &shown.LeftToRight, &shown.RightToLeft, &shown.RightToRight};
    // Only a box whose text really changes sends a change event; counting
    // the others would swallow the user's next edit.
    updating_ = 0;
    for (int i = 0; i < 4; ++i)
        if (boxes_[i]->text() != QString::fromStdString(fields[i]->ToText())) ++updating_;
    for (int i = 0; i < 4; ++i) boxes_[i]->setText(QString::fromStdString(fields[i]->ToText()));
}

void TDlgLeftRightProps::ChangeAtFactor() {
    if (updating_ > 0) {
        --updating_;
        return;
    }
    examples_->setCurrentIndex(-1);
}

}  // namespace korvane
