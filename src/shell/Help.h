#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QLineEdit;
class QTextBrowser;

namespace korvane {

// The pages that teach a window rather than one dialog.
inline constexpr int kHelpWaveWindow = 100;
inline constexpr int kHelpMusicWindow = 101;
inline constexpr int kHelpValues = 102;
inline constexpr int kHelpOnHelp = 103;
inline constexpr int kHelpRecovery = 104;
inline constexpr int kHelpHistory = 105;

// The help window: one page per dialog, found by the dialog's help context
// number, pages on the windows and on typing values, and a contents page
// that links them all; a search box lists the pages that hold its words.
// There is one window, a top-level window of its own; a new request turns
// it to the asked page.
class THelpWindow : public QDialog {
    Q_OBJECT
public:
    THelpWindow();
    // 0 is the contents page.
    void ShowContext(int context);
    // The pages that hold all the words; the context is then -1.
    void ShowSearch(const QString& words);
    void FocusSearch();
    int Context() const { return context_; }
    QString PageText() const;
    QLineEdit* SearchBox() const { return search_; }

private:
    QLineEdit* search_;
    QTextBrowser* browser_;
    int context_ = -1;
};

// The contexts of the pages holding every one of the words (blank-separated,
// any case), in context order.
std::vector<int> FindHelpPages(const QString& words);
// The help window if one is open, else null; closing it at the end of a run.
THelpWindow* CurrentHelpWindow();
void CloseHelpWindow();

// The page of a help context as HTML; empty for an unknown context.
QString HelpPage(int context);
// The help window, created on first use, shown at the page of `context`.
THelpWindow* ShowHelp(QWidget* parent, int context);
THelpWindow* ShowHelpContents(QWidget* parent);

}  // namespace korvane
