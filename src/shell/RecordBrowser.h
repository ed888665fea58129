#pragma once

#include <QObject>
#include <string>

class QLabel;
class QPushButton;
class QWidget;

namespace korvane {

// One record of a browsed list, linked both ways.
class TBrowseRecord {
public:
    virtual ~TBrowseRecord() = default;
    TBrowseRecord* Next = nullptr;
    TBrowseRecord* Previous = nullptr;
};

// A small editor for a list of records shown one at a time in a dialog's
// controls, with buttons to walk, insert, append, delete, copy, paste and
// clear. The derived browser reads and shows its controls.
class TRecordBrowser : public QObject {
    Q_OBJECT
public:
    explicit TRecordBrowser(QWidget* panel);
    ~TRecordBrowser() override;
    TRecordBrowser(const TRecordBrowser&) = delete;
    TRecordBrowser& operator=(const TRecordBrowser&) = delete;

    // Takes a record at the end of the list (before Open).
    void Add(TBrowseRecord* record);
    void Open(int index);
    // Reads the shown record back into the list; false (after the message)
    // when it is wrong. Closes the list for the caller on success.
    bool Close();
    bool IsOpen() const { return open_; }
    int Count() const;
    int Cursor() const { return cursor_; }
    TBrowseRecord* First() const;

    void btnFirstClick();
    void btnPreviousClick();
    void btnNextClick();
    void btnLastClick();
    void btnInsertClick();
    void btnAppendClick();
    void btnDeleteClick();
    void btnCopyClick();
    void btnPasteClick();
    void btnClearClick();

    QPushButton* Button(const QString& name) const;
    QLabel* CountLabel() const { return lblCount_; }
    QLabel* CursorLabel() const { return lblCursor_; }

protected:
    // The operations of the derived browser.
    // A new record from the controls, or null after the field's message.
    virtual TBrowseRecord* ReadControls() = 0;
    virtual void ShowRecord(const TBrowseRecord& record) = 0;
    virtual bool ValidateRecord(const TBrowseRecord&) { return true; }
    virtual TBrowseRecord* NewRecord() = 0;
    virtual TBrowseRecord* CopyRecord(const TBrowseRecord& record) = 0;
    virtual void UpdateButtons(int count, int position, bool previous, bool next, bool remove, bool paste);

private:
    // Reads the controls into the current record; false leaves all as it was.
    bool leave();
    void goTo(int index);
    void update();
    void releaseAll();
    void link(TBrowseRecord* record);

    TBrowseRecord* first_ = nullptr;
    TBrowseRecord* current_ = nullptr;
    int cursor_ = 0;
    int count_ = 0;
    bool open_ = false;
    TBrowseRecord* copy_ = nullptr;
    bool hasCopy_ = false;
    QPushButton* buttons_[10];
    QLabel* lblCount_;
    QLabel* lblCursor_;
};

}  // namespace korvane
