#include "shell/DRegisterWave.h"

#include <QFormLayout>
#include <QLineEdit>

namespace korvane {

TDlgRegisterWave::TDlgRegisterWave(QWidget* parent, const QString& name, std::function<bool(const QString&)> accept)
    : TOKDlg(parent, "Register", buttonsBottom, 24), accept_(std::move(accept)) {
    auto* form = new QFormLayout(Body());
    edit_ = new QLineEdit(name, Body());
    edit_->setMinimumWidth(200);
    form->addRow("Name:", edit_);
}

QString TDlgRegisterWave::Name() const { return edit_->text().trimmed(); }

}  // namespace korvane
