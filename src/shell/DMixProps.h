#pragma once

#include "shell/CommandDialogContext.h"
#include "shell/OKDlg.h"

class QRadioButton;

namespace korvane {

// "Mix": how the clipboard is laid into the wave.
class TDlgMixProps : public TOKDlg {
    Q_OBJECT
public:
    TDlgMixProps(QWidget* parent, TCommandDialogContext& context);
    QRadioButton* Align(int index) const { return align_[index]; }

protected:
    bool OKBtnClick() override;

private:
    TCommandDialogContext& context_;
    QRadioButton* align_[3];
};

}  // namespace korvane
