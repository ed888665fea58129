#pragma once

#include "processing/TimeEchoProps.h"
#include "shell/PropsDlg.h"

class QTabWidget;

namespace korvane {

// "Random Echo": count, seed and time difference, and one tab per aspect
// saying how it changes from echo to echo.
class TDlgRandomEchoProps : public TRecordDlg<TRandomEchoProps> {
public:
    TDlgRandomEchoProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TRandomEchoProps>& step);
    QTabWidget* Tabs() const { return tabs_; }

private:
    QTabWidget* tabs_;
};

}  // namespace korvane
