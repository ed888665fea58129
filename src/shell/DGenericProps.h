#pragma once

#include <QString>
#include <string>
#include <vector>

#include "shell/CommandDialogContext.h"
#include "shell/OKDlg.h"
#include "values/FieldList.h"

class QComboBox;
class QLineEdit;

namespace korvane {

class TDialogStep;

// The dialog of a command that has no dialog of its own yet: a caption and an
// edit box per typed field of its record, a picker per wave field.
class TDlgGenericProps : public TOKDlg {
    Q_OBJECT
public:
    TDlgGenericProps(QWidget* parent, TCommandDialogContext& context, TDialogStep& step);

    // The edit box or picker under a field caption; null when there is none.
    QLineEdit* Edit(const QString& caption) const;
    QComboBox* Picker(const QString& caption) const;

protected:
    bool OKBtnClick() override;

private:
    TCommandDialogContext& context_;
    TDialogStep& step_;
    TFieldList fields_;
    std::vector<QWidget*> controls_;
    std::vector<std::string> typed_;  // the text each field last got
};

// Fills a wave picker with the named waves, the latest window first, and
// selects the one named `current`. `except` is left out when given.
void FillWavePicker(QComboBox& picker, const TWorkspace& space, const std::string& current,
                    const TUnitWave* except = nullptr, bool monoOnly = false);

}  // namespace korvane
