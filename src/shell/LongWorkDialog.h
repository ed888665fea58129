#pragma once

#include <QString>

#include "platform/LongWork.h"

class QWidget;

namespace korvane {

// Runs long work on a thread of its own while the window keeps painting;
// after half a second a progress box with Cancel comes up. Cancel sets the
// work's failure flag, which every computation watches, and waits for it to
// stop; the caller then leaves the document as it was.
class TLongWorkDialog : public TLongWorkRunner {
public:
    explicit TLongWorkDialog(QWidget* parent) : parent_(parent) {}
    bool Run(const std::function<void()>& work, bool& failed) override;

    // The caption of the progress box; its object name is "LongWorkProgress".
    static QString Caption() { return QStringLiteral("Working"); }

private:
    QWidget* parent_;
};

}  // namespace korvane
