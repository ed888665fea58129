#pragma once

#include <QString>
#include <string>
#include <vector>

#include "processing/MakeProps.h"
#include "shell/PropsDlg.h"
#include "shell/RecordBrowser.h"

class QLineEdit;

namespace korvane {

// One partial of the multi-frequency table, as the browser holds it.
class TMFreqBrowseRecord : public TBrowseRecord {
public:
    explicit TMFreqBrowseRecord(const TMFreqRow& row) : Row(row) {}
    TMFreqRow Row;
};

// Walks the partials in the five edit boxes of a row.
class TMFreqRecordBrowser : public TRecordBrowser {
public:
    // `edits` are the boxes of the fields of TMFreqRow, in their order.
    TMFreqRecordBrowser(QWidget* panel, std::vector<QLineEdit*> edits);

protected:
    TBrowseRecord* ReadControls(std::string& error) override;
    void ShowRecord(const TBrowseRecord& record) override;
    TBrowseRecord* NewRecord() override;
    TBrowseRecord* CopyRecord(const TBrowseRecord& record) override;

private:
    std::vector<QLineEdit*> edits_;
    // The row last shown and the text each box was shown with: a box still
    // showing it is not read back, so that its value is never rounded.
    TMFreqRow shown_;
    std::vector<QString> texts_;
};

// "Multi Frequency": the length, the wave form the partials read (the sine
// table or a named wave) and the table of partials in a record browser.
class TDlgMFreqProps : public TRecordDlg<TMFreqProps> {
public:
    TDlgMFreqProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TMFreqProps>& step);

    TMFreqRecordBrowser& Browser() const { return *browser_; }
    // The box of a partial's field by its caption.
    QLineEdit* RowEdit(const QString& caption) const;

protected:
    bool OKBtnClick() override;
    std::string Commit() override;

private:
    int formKind_;  // 0 the sine table, 1 a named wave
    std::vector<QLineEdit*> rowEdits_;
    TMFreqRecordBrowser* browser_;
};

}  // namespace korvane
