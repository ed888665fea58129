#pragma once

#include <QDialog>

class QBoxLayout;
class QPushButton;

namespace korvane {

// The frame of every property dialog: the controls, and OK, Cancel and Help
// at the right or at the bottom. OK closes the dialog only when OKBtnClick
// accepts the values; otherwise it stays open with what the user typed.
class TOKDlg : public QDialog {
    Q_OBJECT
public:
    enum Buttons { buttonsRight, buttonsBottom };
    TOKDlg(QWidget* parent, const QString& caption, Buttons place);

    // Where the dialog's own controls go.
    QWidget* Body() const { return body_; }
    QPushButton* OKButton() const { return ok_; }

    void accept() override;

protected:
    // Reads the controls; false (after showing the one Input Error box) keeps
    // the dialog open.
    virtual bool OKBtnClick() { return true; }

private:
    QWidget* body_;
    QPushButton* ok_;
};

}  // namespace korvane
