#include "shell/DMixProps.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "commands/CommandStep.h"
#include "commands/CommandTable.h"
#include "processing/TUnitWave.h"

namespace korvane {

TDlgMixProps::TDlgMixProps(QWidget* parent, TCommandDialogContext& context)
    : TOKDlg(parent, QString::fromStdString(context.Descriptor.dialogCaption), buttonsRight,
             context.Descriptor.helpContext),
      context_(context) {
    auto* group = new QGroupBox("Align", Body());
    auto* box = new QVBoxLayout(group);
    const char* names[3] = {"Align Begin", "Align End", "Stretch"};
    for (int i = 0; i < 3; ++i) {
        align_[i] = new QRadioButton(names[i], group);
        box->addWidget(align_[i]);
    }
    int chosen = context.Doc.Records.Mix.Align;
    align_[chosen >= 0 && chosen < 3 ? chosen : 0]->setChecked(true);
    auto* layout = new QVBoxLayout(Body());
    layout->addWidget(group);
}

bool TDlgMixProps::OKBtnClick() {
    static const char* values[3] = {"begin", "end", "stretch"};
    for (int i = 0; i < 3; ++i) {
        if (!align_[i]->isChecked()) continue;
        for (const auto& option : context_.Step.Options())
            if (option.name == "--align") option.set(values[i]);
    }
    return true;
}

}  // namespace korvane
