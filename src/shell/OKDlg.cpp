#include "shell/OKDlg.h"

#include <QBoxLayout>
#include <QFrame>
#include <QPushButton>

namespace korvane {

TOKDlg::TOKDlg(QWidget* parent, const QString& caption, Buttons place) : QDialog(parent) {
    setWindowTitle(caption);
    body_ = new QWidget(this);
    auto* buttons = new QBoxLayout(place == buttonsRight ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    ok_ = new QPushButton(tr("OK"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* help = new QPushButton(tr("Help"), this);
    // There is no help file to open yet.
    help->setEnabled(false);
    ok_->setDefault(true);
    if (place == buttonsBottom) buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    if (place == buttonsRight) buttons->addStretch();
    auto* bevel = new QFrame(this);
    bevel->setFrameShape(place == buttonsRight ? QFrame::VLine : QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    auto* outer = new QBoxLayout(place == buttonsRight ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom, this);
    outer->addWidget(body_, 1);
    outer->addWidget(bevel);
    outer->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &TOKDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &TOKDlg::reject);
}

void TOKDlg::accept() {
    if (OKBtnClick()) QDialog::accept();
}

}  // namespace korvane
