#pragma once

#include "processing/SplitMerge.h"
#include "shell/OKDlg.h"

class QRadioButton;

namespace korvane {

// "Split Horizontally": which parts the selection cuts the wave into.
class TDlgSplitHorProps : public TOKDlg {
    Q_OBJECT
public:
    TDlgSplitHorProps(QWidget* parent, const TSplitHorProps& props);
    const TSplitHorProps& Record() const { return props_; }
    QRadioButton* Result(int index) const { return result_[index]; }

protected:
    bool OKBtnClick() override;

private:
    TSplitHorProps props_;
    QRadioButton* result_[3];
};

}  // namespace korvane
