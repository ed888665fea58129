#include "shell/DSplitHorProps.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace korvane {

TDlgSplitHorProps::TDlgSplitHorProps(QWidget* parent, const TSplitHorProps& props)
    : TOKDlg(parent, "Split Horizontally", buttonsRight, 38), props_(props) {
    auto* group = new QGroupBox("Result", Body());
    auto* box = new QVBoxLayout(group);
    const char* names[3] = {"Three parts", "Two parts, both inclusive selected part",
                            "Two parts, both exclusive selected part"};
    for (int i = 0; i < 3; ++i) {
        result_[i] = new QRadioButton(names[i], group);
        box->addWidget(result_[i]);
    }
    result_[props_.Result >= 0 && props_.Result < 3 ? props_.Result : 0]->setChecked(true);
    auto* layout = new QVBoxLayout(Body());
    layout->addWidget(group);
}

bool TDlgSplitHorProps::OKBtnClick() {
    for (int i = 0; i < 3; ++i)
        if (result_[i]->isChecked()) props_.Result = i;
    return true;
}

}  // namespace korvane
