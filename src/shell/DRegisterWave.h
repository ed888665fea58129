#pragma once

#include <QString>

#include "shell/OKDlg.h"

class QLineEdit;

namespace korvane {

// "Register": the name under which other dialogs find the wave.
class TDlgRegisterWave : public TOKDlg {
    Q_OBJECT
public:
    TDlgRegisterWave(QWidget* parent, const QString& name);
    QString Name() const;
    QLineEdit* NameEdit() const { return edit_; }

private:
    QLineEdit* edit_;
};

}  // namespace korvane
