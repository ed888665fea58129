#pragma once

#include <QString>
#include <functional>

#include "shell/OKDlg.h"

class QLineEdit;

namespace korvane {

// "Register": the name under which other dialogs find the wave.
class TDlgRegisterWave : public TOKDlg {
    Q_OBJECT
public:
    // `accept` takes the name, or says why not and refuses it: the dialog
    // then stays open for another name.
    TDlgRegisterWave(QWidget* parent, const QString& name, std::function<bool(const QString&)> accept = {});
    QString Name() const;
    QLineEdit* NameEdit() const { return edit_; }

protected:
    bool OKBtnClick() override { return !accept_ || accept_(Name()); }

private:
    QLineEdit* edit_;
    std::function<bool(const QString&)> accept_;
};

}  // namespace korvane
