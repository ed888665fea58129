#include "shell/OKDlg.h"

#include <QBoxLayout>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

#include "shell/Help.h"

namespace korvane {

TOKDlg::TOKDlg(QWidget* parent, const QString& caption, Buttons place, int helpContext) : QDialog(parent) {
    setWindowTitle(caption);
    body_ = new QWidget(this);
    auto* buttons = new QBoxLayout(place == buttonsRight ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    ok_ = new QPushButton(tr("OK"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    help_ = new QPushButton(tr("Help"), this);
    ok_->setDefault(true);
    if (place == buttonsBottom) buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    buttons->addWidget(help_);
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
    connect(help_, &QPushButton::clicked, this, &TOKDlg::HelpBtnClick);
    SetHelpContext(helpContext);
}

void TOKDlg::SetHelpContext(int context) {
    helpContext_ = context;
    help_->setVisible(context > 0);
}

void TOKDlg::accept() {
    if (OKBtnClick()) QDialog::accept();
}

void TOKDlg::HelpBtnClick() {
    if (helpContext_ > 0) ShowHelp(this, helpContext_);
}

void TOKDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (focusWidget() && body_->isAncestorOf(focusWidget())) return;
    if (QWidget* first = FirstField(body_)) first->setFocus(Qt::TabFocusReason);
}

QWidget* FirstField(QWidget* within) {
    QWidget* top = within->window();
    for (QWidget* w = top->nextInFocusChain(); w && w != top; w = w->nextInFocusChain()) {
        if (!within->isAncestorOf(w) || !w->isEnabled() || !w->isVisibleTo(top)) continue;
        if (w->focusPolicy() & Qt::TabFocus) return w;
    }
    return nullptr;
}

void TOKDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && helpContext_ > 0) {
        HelpBtnClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace korvane
