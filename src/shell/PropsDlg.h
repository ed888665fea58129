#pragma once

#include <QComboBox>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "commands/RecordStep.h"
#include "shell/CommandDialogContext.h"
#include "shell/OKDlg.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;

namespace korvane {

// Which named waves a picker offers.
enum TWaveFilter { waveFilterAll, waveFilterOthers, waveFilterOtherMono };

// A combo box of the named waves, the latest window first, each item
// carrying its document.
class TWavePicker : public QComboBox {
    Q_OBJECT
public:
    TWavePicker(QWidget* parent, const TWorkspace& space, const TUnitWave* active, TWaveFilter filter);
    // Selects the item of this name; none when no item has it.
    void Select(const std::string& name);
    TUnitWave* Wave() const;
};

// One titled box of a dialog: rows of a caption (or a radio button) and a
// control.
struct TPropsBox {
    QGroupBox* Box = nullptr;
    QGridLayout* Grid = nullptr;
    int Rows = 0;
};

// The shared body of the property dialogs: it builds typed field rows, wave
// pickers, radio groups and check boxes bound to a private copy of the
// record, and on OK reads the fields of the chosen alternatives in the
// record's order, so that only the first wrong one is reported.
class TPropsDlg : public TOKDlg {
    Q_OBJECT
public:
    // The caption and help page are the command's.
    TPropsDlg(QWidget* parent, TCommandDialogContext& context, Buttons place);

    // The controls by the caption of their field, or by their text.
    QLineEdit* Edit(const QString& caption) const;
    TWavePicker* Picker(const QString& caption) const;
    QRadioButton* Radio(const QString& text) const;
    QCheckBox* Check(const QString& text) const;

    // Selects an alternative; the edits and pickers of an alternative call it
    // when they are typed into or chosen.
    void ChangeAt(QAbstractButton* alternative);

protected:
    // Layout: boxes are stacked, or put side by side from `Columns` on.
    TPropsBox& NewBox(const QString& title);
    // A box as a page of `tabs`, which is placed like a box on first use.
    TPropsBox& NewTab(QTabWidget* tabs, const QString& title);
    void Columns();
    // A caption and edit for a typed field of the record, under the caption
    // the record's field list gives it (shown unless `label` is given); it
    // is read when `alternative` is chosen (always when there is none).
    QLineEdit* AddField(TPropsBox& box, unitValue& field, QAbstractButton* alternative = nullptr,
                        const QString& label = {});
    TWavePicker* AddPicker(TPropsBox& box, unitUnitWave& field, TWaveFilter filter,
                           QAbstractButton* alternative = nullptr, const QString& label = {});
    // A radio button of the choice `target`; the first of a choice starts
    // its group. Placed as a row of its own, with `control` beside it if given.
    QRadioButton* AddChoice(TPropsBox& box, const QString& text, int& target, int index);
    QCheckBox* AddCheck(TPropsBox& box, const QString& text, bool& target);
    // A drop-down list of fixed items choosing `target` by index.
    QComboBox* AddList(TPropsBox& box, const QString& caption, int& target, const QStringList& items);
    // Sets every radio button and check box from its target.
    void ShowChoices();

    bool OKBtnClick() override;
    // The record's field list and, after a good read, hands the record to
    // the step and runs its dialog-level checks: the refusal or empty.
    virtual TFieldList Fields() = 0;
    virtual std::string Commit() = 0;
    // Dialog-level checks of the dialog itself, after the step's.
    virtual std::string ExtraCheck() { return ""; }

    TCommandDialogContext& context_;

private:
    // The caption of a field of the record, from its field list.
    std::string captionOf(const void* field);
    QLineEdit* addField(TPropsBox& box, const QString& caption, unitValue& field, QAbstractButton* alternative,
                        const QString& label);
    TWavePicker* addPicker(TPropsBox& box, const std::string& caption, unitUnitWave& field, TWaveFilter filter,
                           QAbstractButton* alternative, const QString& label);

    struct FieldRow {
        QString caption;
        QLineEdit* edit = nullptr;
        TWavePicker* picker = nullptr;
        unitValue* value = nullptr;
        unitUnitWave* wave = nullptr;
        QAbstractButton* alternative = nullptr;
        QString shown;  // the text the field was shown with
    };
    struct ChoiceRow {
        QRadioButton* radio;
        int* target;
        int index;
    };
    struct CheckRow {
        QCheckBox* check;
        bool* target;
    };
    struct ListRow {
        QComboBox* list;
        int* target;
    };
    std::vector<ListRow> lists_;
    QVBoxLayout* column_;
    QWidget* columns_ = nullptr;
    std::vector<std::unique_ptr<TPropsBox>> boxes_;
    std::vector<FieldRow> fields_;
    std::vector<ChoiceRow> choices_;
    std::vector<CheckRow> checks_;
    std::map<int*, QButtonGroup*> groups_;
};

// A property dialog over the record of a RecordStep: it starts from the
// document's record and hands the confirmed one back to the step, which
// stores it in the document when it runs.
template <class Props>
class TRecordDlg : public TPropsDlg {
public:
    TRecordDlg(QWidget* parent, TCommandDialogContext& context, RecordStep<Props>& step, Buttons place = buttonsRight)
        : TPropsDlg(parent, context, place), props_(step.props), step_(step) {}

    const Props& Record() const { return props_; }

protected:
    TFieldList Fields() override { return props_.Fields(); }
    std::string Commit() override {
        step_.props = props_;
        return step_.Confirm(context_.Space, context_.Doc);
    }

    Props props_;
    RecordStep<Props>& step_;
};

}  // namespace korvane
