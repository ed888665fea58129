#pragma once

#include <QDialog>

class QBoxLayout;
class QPushButton;

namespace korvane {

// The frame of every property dialog: the controls, and OK, Cancel and
// (with a help context) Help at the right or at the bottom. OK closes the
// dialog only when OKBtnClick accepts the values; otherwise it stays open
// with what the user typed. Help and F1 open the help page of the context.
class TOKDlg : public QDialog {
    Q_OBJECT
public:
    enum Buttons { buttonsRight, buttonsBottom };
    TOKDlg(QWidget* parent, const QString& caption, Buttons place, int helpContext = 0);

    // Where the dialog's own controls go.
    QWidget* Body() const { return body_; }
    QPushButton* OKButton() const { return ok_; }
    QPushButton* HelpButton() const { return help_; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context);

    void accept() override;
    void HelpBtnClick();

protected:
    // Reads the controls; false (after showing the one Input Error box) keeps
    // the dialog open.
    virtual bool OKBtnClick() { return true; }
    void keyPressEvent(QKeyEvent* event) override;
    // The dialog opens with the focus in its first field, ready for typing.
    void showEvent(QShowEvent* event) override;

private:
    QWidget* body_;
    QPushButton* ok_;
    QPushButton* help_;
    int helpContext_ = 0;
};

// The first control in `within` that Tab would reach, or null.
QWidget* FirstField(QWidget* within);

// The four frames of the property dialogs.
class TOKRightDlg : public TOKDlg {
public:
    TOKRightDlg(QWidget* parent, const QString& caption) : TOKDlg(parent, caption, buttonsRight) {}
};
class TOKHelpRightDlg : public TOKDlg {
public:
    TOKHelpRightDlg(QWidget* parent, const QString& caption, int helpContext)
        : TOKDlg(parent, caption, buttonsRight, helpContext) {}
};
class TOKBottomDlg : public TOKDlg {
public:
    TOKBottomDlg(QWidget* parent, const QString& caption) : TOKDlg(parent, caption, buttonsBottom) {}
};
class TOKHelpBottomDlg : public TOKDlg {
public:
    TOKHelpBottomDlg(QWidget* parent, const QString& caption, int helpContext)
        : TOKDlg(parent, caption, buttonsBottom, helpContext) {}
};

}  // namespace korvane
