#include "shell/RecordBrowser.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "core/Assert.h"
#include "platform/Messages.h"
#include "values/InputErrors.h"

namespace korvane {

namespace {
const char* kButtonNames[10] = {"btnFirst",  "btnPrevious", "btnNext", "btnLast",  "btnInsert",
                                "btnAppend", "btnDelete",   "btnCopy", "btnPaste", "btnClear"};
const char* kButtonTexts[10] = {"|<", "<", ">", ">|", "Insert", "Append", "Delete", "Copy", "Paste", "Clear"};
}  // namespace

TRecordBrowser::TRecordBrowser(QWidget* panel) : QObject(panel) {
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    void (TRecordBrowser::*handlers[10])() = {
        &TRecordBrowser::btnFirstClick,  &TRecordBrowser::btnPreviousClick, &TRecordBrowser::btnNextClick,
        &TRecordBrowser::btnLastClick,   &TRecordBrowser::btnInsertClick,   &TRecordBrowser::btnAppendClick,
        &TRecordBrowser::btnDeleteClick, &TRecordBrowser::btnCopyClick,     &TRecordBrowser::btnPasteClick,
        &TRecordBrowser::btnClearClick};
    for (int i = 0; i < 10; ++i) {
        buttons_[i] = new QPushButton(kButtonTexts[i], panel);
        buttons_[i]->setObjectName(kButtonNames[i]);
        buttons_[i]->setAutoDefault(false);
        grid->addWidget(buttons_[i], i < 4 ? 0 : 1 + (i - 4) / 3, i < 4 ? i : (i - 4) % 3);
        connect(buttons_[i], &QPushButton::clicked, this, handlers[i]);
    }
    // "Record: n of m" reads as one line under the buttons.
    lblCursor_ = new QLabel(panel);
    lblCount_ = new QLabel(panel);
    auto* position = new QHBoxLayout;
    position->addWidget(new QLabel("Record:", panel));
    position->addWidget(lblCursor_);
    position->addWidget(new QLabel("of", panel));
    position->addWidget(lblCount_);
    position->addStretch();
    grid->addLayout(position, 3, 0, 1, 4);
}

TRecordBrowser::~TRecordBrowser() {
    releaseAll();
    delete copy_;
}

void TRecordBrowser::releaseAll() {
    while (first_) {
        TBrowseRecord* next = first_->Next;
        delete first_;
        first_ = next;
    }
    current_ = nullptr;
    count_ = 0;
    cursor_ = 0;
}

void TRecordBrowser::Add(TBrowseRecord* record) {
    KORVANE_ASSERT(!open_);
    link(record);
}

void TRecordBrowser::link(TBrowseRecord* record) {
    if (!first_) {
        first_ = record;
    } else {
        TBrowseRecord* last = first_;
        while (last->Next) last = last->Next;
        last->Next = record;
        record->Previous = last;
    }
    ++count_;
}

void TRecordBrowser::Open(int index) {
    if (!first_) Add(NewRecord());
    open_ = true;
    goTo(index);
}

bool TRecordBrowser::Close() {
    if (!leaveOrShow()) return false;
    open_ = false;
    return true;
}

bool TRecordBrowser::Close(std::string& error) {
    if (!leave(error)) return false;
    open_ = false;
    return true;
}

int TRecordBrowser::Count() const {
    KORVANE_ASSERT(!open_);
    return count_;
}

TBrowseRecord* TRecordBrowser::First() const {
    KORVANE_ASSERT(!open_);
    return first_;
}

void TRecordBrowser::goTo(int index) {
    if (index < 0) index = 0;
    if (index > count_ - 1) index = count_ - 1;
    current_ = first_;
    for (int i = 0; i < index; ++i) current_ = current_->Next;
    cursor_ = index;
    ShowRecord(*current_);
    update();
}

TBrowseRecord* TRecordBrowser::read(std::string& error) {
    error.clear();
    TBrowseRecord* record = ReadControls(error);
    if (!record) {
        KORVANE_ASSERT(!error.empty());
        return nullptr;
    }
    error = ValidateRecord(*record);
    if (error.empty()) return record;
    delete record;
    return nullptr;
}

bool TRecordBrowser::leaveOrShow() {
    std::string error;
    if (leave(error)) return true;
    messages().show(kInputErrorTitle, error, MessageIcon::Error);
    return false;
}

bool TRecordBrowser::leave(std::string& error) {
    TBrowseRecord* record = read(error);
    if (!record) return false;
    // The read record takes the place of the current one.
    record->Previous = current_->Previous;
    record->Next = current_->Next;
    if (record->Previous) record->Previous->Next = record;
    else first_ = record;
    if (record->Next) record->Next->Previous = record;
    delete current_;
    current_ = record;
    return true;
}

void TRecordBrowser::btnFirstClick() {
    if (leaveOrShow()) goTo(0);
}

void TRecordBrowser::btnPreviousClick() {
    if (cursor_ > 0 && leaveOrShow()) goTo(cursor_ - 1);
}

void TRecordBrowser::btnNextClick() {
    if (cursor_ < count_ - 1 && leaveOrShow()) goTo(cursor_ + 1);
}

void TRecordBrowser::btnLastClick() {
    if (leaveOrShow()) goTo(count_ - 1);
}

void TRecordBrowser::btnInsertClick() {
    if (!leaveOrShow()) return;
    TBrowseRecord* record = NewRecord();
    record->Next = current_;
    record->Previous = current_->Previous;
    if (record->Previous) record->Previous->Next = record;
    else first_ = record;
    current_->Previous = record;
    ++count_;
    goTo(cursor_);
}

void TRecordBrowser::btnAppendClick() {
    if (!leaveOrShow()) return;
    TBrowseRecord* record = NewRecord();
    record->Previous = current_;
    record->Next = current_->Next;
    if (record->Next) record->Next->Previous = record;
    current_->Next = record;
    ++count_;
    goTo(cursor_ + 1);
}

void TRecordBrowser::btnDeleteClick() {
    if (count_ <= 1) return;
    TBrowseRecord* gone = current_;
    if (gone->Previous) gone->Previous->Next = gone->Next;
    else first_ = gone->Next;
    if (gone->Next) gone->Next->Previous = gone->Previous;
    bool wasLast = cursor_ == count_ - 1;
    delete gone;
    --count_;
    // The next record moves into the cursor's place; after the last one the
    // cursor moves back.
    goTo(wasLast ? cursor_ - 1 : cursor_);
}

void TRecordBrowser::btnCopyClick() {
    std::string error;
    TBrowseRecord* record = read(error);
    if (!record) {
        messages().show(kInputErrorTitle, error, MessageIcon::Error);
        return;
    }
    delete copy_;
    copy_ = record;
    hasCopy_ = true;
    update();
}

void TRecordBrowser::btnPasteClick() {
    if (hasCopy_) ShowRecord(*copy_);
}

void TRecordBrowser::btnClearClick() {
    releaseAll();
    link(NewRecord());
    goTo(0);
}

void TRecordBrowser::update() {
    UpdateButtons(count_, cursor_ + 1, cursor_ > 0, cursor_ < count_ - 1, count_ > 1, hasCopy_);
}

void TRecordBrowser::UpdateButtons(int count, int position, bool previous, bool next, bool remove, bool paste) {
    lblCount_->setText(QString::number(count));
    lblCursor_->setText(QString::number(position));
    buttons_[1]->setEnabled(previous);
    buttons_[2]->setEnabled(next);
    buttons_[6]->setEnabled(remove);
    buttons_[8]->setEnabled(paste);
}

QPushButton* TRecordBrowser::Button(const QString& name) const {
    for (QPushButton* b : buttons_)
        if (b->objectName() == name) return b;
    return nullptr;
}

}  // namespace korvane
