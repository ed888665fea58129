#include "shell/DMFreqProps.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>

#include "core/Assert.h"

namespace korvane {

TMFreqRecordBrowser::TMFreqRecordBrowser(QWidget* panel, std::vector<QLineEdit*> edits)
    : TRecordBrowser(panel), edits_(std::move(edits)), texts_(edits_.size()) {
    KORVANE_ASSERT(edits_.size() == shown_.Fields().Entries().size());
}

TBrowseRecord* TMFreqRecordBrowser::ReadControls(std::string& error) {
    // Only the boxes the user changed are read, over the row they were shown
    // with.
    TMFreqRow row = shown_;
    TFieldList fields = row.Fields();
    std::vector<TFieldText> typed;
    for (size_t i = 0; i < edits_.size(); ++i)
        if (edits_[i]->text() != texts_[i])
            typed.emplace_back(*fields.Entries()[i].Value, edits_[i]->text().toStdString());
    TReadResult read = fields.Read(typed);
    if (!read.Ok) {
        error = read.Error;
        return nullptr;
    }
    return new TMFreqBrowseRecord(row);
}

void TMFreqRecordBrowser::ShowRecord(const TBrowseRecord& record) {
    shown_ = static_cast<const TMFreqBrowseRecord&>(record).Row;
    TFieldList fields = shown_.Fields();
    for (size_t i = 0; i < edits_.size(); ++i) {
        texts_[i] = QString::fromStdString(fields.Entries()[i].ToText());
        edits_[i]->setText(texts_[i]);
    }
}

TBrowseRecord* TMFreqRecordBrowser::NewRecord() { return new TMFreqBrowseRecord(TMFreqRow()); }

TBrowseRecord* TMFreqRecordBrowser::CopyRecord(const TBrowseRecord& record) {
    return new TMFreqBrowseRecord(static_cast<const TMFreqBrowseRecord&>(record).Row);
}

TDlgMFreqProps::TDlgMFreqProps(QWidget* parent, TCommandDialogContext& context, RecordStep<TMFreqProps>& step)
    : TRecordDlg(parent, context, step, buttonsRight),
      formKind_(props_.Form.ToText().empty() ? 0 : 1) {
    auto& s = NewBox("Sound");
    AddField(s, props_.Length);
    auto& f = NewBox("Wave Form");
    AddChoice(f, "Sinus", formKind_, 0);
    AddPicker(f, props_.Form, waveFilterOthers, AddChoice(f, "Wave Form", formKind_, 1));

    auto& p = NewBox("Frequencies");
    TMFreqRow row;
    TFieldList fields = row.Fields();
    for (const TFieldEntry& e : fields.Entries()) {
        auto* edit = new QLineEdit(p.Box);
        edit->setObjectName(QString::fromStdString(e.Caption));
        edit->setMinimumWidth(120);
        p.Grid->addWidget(new QLabel(QString::fromStdString(e.Caption) + ":", p.Box), p.Rows, 0);
        p.Grid->addWidget(edit, p.Rows++, 1);
        rowEdits_.push_back(edit);
    }
    // One caption column for the three boxes, so that their controls line up.
    int captions = 0;
    for (TPropsBox* box : {&s, &f, &p}) {
        box->Grid->setColumnStretch(1, 1);
        for (int r = 0; r < box->Rows; ++r)
            if (QLayoutItem* item = box->Grid->itemAtPosition(r, 0))
                captions = std::max(captions, item->sizeHint().width());
    }
    for (TPropsBox* box : {&s, &f, &p}) box->Grid->setColumnMinimumWidth(0, captions);

    auto* panel = new QWidget(p.Box);
    p.Grid->addWidget(panel, p.Rows++, 0, 1, 2);
    browser_ = new TMFreqRecordBrowser(panel, rowEdits_);
    for (const TMFreqRow& row : props_.Rows) browser_->Add(new TMFreqBrowseRecord(row));
    browser_->Open(0);
}

QLineEdit* TDlgMFreqProps::RowEdit(const QString& caption) const {
    for (QLineEdit* edit : rowEdits_)
        if (edit->objectName() == caption) return edit;
    return nullptr;
}

bool TDlgMFreqProps::OKBtnClick() {
    if (TRecordDlg::OKBtnClick()) return true;
    // A refusal after the rows were read found the browser closed; the user
    // goes on at the same row.
    if (!browser_->IsOpen()) browser_->Open(browser_->Cursor());
    return false;
}

std::string TDlgMFreqProps::Commit() {
    // Length and Wave Form were read well; the shown row comes next.
    // Without a named wave the operation reads the sine table, so an earlier
    // wave form must not stay in the record.
    if (formKind_ == 0) props_.Form = unitUnitWave();
    std::string error;
    if (!browser_->Close(error)) return error;
    std::vector<TMFreqRow> rows;
    for (TBrowseRecord* r = browser_->First(); r; r = r->Next) rows.push_back(static_cast<TMFreqBrowseRecord*>(r)->Row);
    props_.Rows = std::move(rows);
    return TRecordDlg::Commit();
}

}  // namespace korvane
