#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace korvane {

// The help window: one page per dialog, found by the dialog's help context
// number, and a contents page that links them all. There is one window; a
// new request turns it to the asked page.
class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent);
    // 0 is the contents page.
    void ShowContext(int context);
    int Context() const { return context_; }
    QString PageText() const;

private:
    QTextBrowser* browser_;
    int context_ = -1;
};

// The page of a help context as HTML; empty for an unknown context.
QString HelpPage(int context);
// The help window, created on first use, shown at the page of `context`.
THelpWindow* ShowHelp(QWidget* parent, int context);
THelpWindow* ShowHelpContents(QWidget* parent);

}  // namespace korvane
