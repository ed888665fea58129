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
    // Reads the shown record back into the list and closes it for the caller.
    // A wrong record keeps the list open: the first form shows the field's
    // message, the second hands it back, for a dialog that reports only the
    // first wrong thing among all its controls.
    bool Close();
    bool Close(std::string& error);
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
    // The operations of the derived browser. The browser shows their
    // messages, so that a wrong record always gives one "Input Error" box.
    // A new record from the controls, or null with the field's message.
    virtual TBrowseRecord* ReadControls(std::string& error) = 0;
    virtual void ShowRecord(const TBrowseRecord& record) = 0;
    // The refusal of a record read well, or empty.
    virtual std::string ValidateRecord(const TBrowseRecord&) { return ""; }
    virtual TBrowseRecord* NewRecord() = 0;
    virtual TBrowseRecord* CopyRecord(const TBrowseRecord& record) = 0;
    virtual void UpdateButtons(int count, int position, bool previous, bool next, bool remove, bool paste);

private:
    // Reads the controls into the current record; false leaves all as it
    // was, with the message in `error`.
    bool leave(std::string& error);
    // As leave, showing the message.
    bool leaveOrShow();
    // A new record from the controls, or null with the message.
    TBrowseRecord* read(std::string& error);
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
