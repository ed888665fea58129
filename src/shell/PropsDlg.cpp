#include "shell/PropsDlg.h"

#include "core/Assert.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Messages.h"
#include "commands/CommandTable.h"
#include "processing/TWorkspace.h"

namespace korvane {

TWavePicker::TWavePicker(QWidget* parent, const TWorkspace& space, const TUnitWave* active, TWaveFilter filter)
    : QComboBox(parent) {
    const auto& units = space.Units();
    // The latest window first, as the window list shows them.
    for (auto it = units.rbegin(); it != units.rend(); ++it) {
        TUnit* u = it->get();
        if (u->Kind != unitKindWave || u->Name.empty()) continue;
        if (filter != waveFilterAll && u == active) continue;
        if (filter == waveFilterOtherMono && u->GetMoSt() != 1) continue;
        addItem(QString::fromStdString(u->Name), QVariant::fromValue(static_cast<void*>(u)));
    }
    setCurrentIndex(-1);
    setMinimumWidth(140);
}

void TWavePicker::Select(const std::string& name) {
    std::vector<std::string> texts;
    for (int i = 0; i < count(); ++i) texts.push_back(itemText(i).toStdString());
    int index = unitUnitWave(name).ToCombo(texts);
    if (index >= 0) setCurrentIndex(index);
}

TUnitWave* TWavePicker::Wave() const {
    if (currentIndex() < 0) return nullptr;
    return static_cast<TUnitWave*>(static_cast<TUnit*>(currentData().value<void*>()));
}

TPropsDlg::TPropsDlg(QWidget* parent, TCommandDialogContext& context, Buttons place)
    : TOKDlg(parent, CommandDialogCaption(context.Descriptor), place, context.Descriptor.helpContext),
      context_(context) {
    column_ = new QVBoxLayout(Body());
    column_->setContentsMargins(0, 0, 0, 0);
}

void TPropsDlg::Columns() {
    if (columns_) return;
    columns_ = new QWidget(Body());
    new QHBoxLayout(columns_);
    columns_->layout()->setContentsMargins(0, 0, 0, 0);
    column_->addWidget(columns_);
}

TPropsBox& TPropsDlg::NewBox(const QString& title) {
    auto box = std::make_unique<TPropsBox>();
    box->Box = new QGroupBox(title, Body());
    box->Grid = new QGridLayout(box->Box);
    if (columns_) {
        auto* side = static_cast<QHBoxLayout*>(columns_->layout());
        side->addWidget(box->Box);
    } else {
        column_->addWidget(box->Box);
    }
    boxes_.push_back(std::move(box));
    return *boxes_.back();
}

TPropsBox& TPropsDlg::NewTab(QTabWidget* tabs, const QString& title) {
    if (!tabs->parentWidget() || tabs->parentWidget() == this) {
        tabs->setParent(Body());
        if (columns_) static_cast<QHBoxLayout*>(columns_->layout())->addWidget(tabs);
        else column_->addWidget(tabs);
    }
    auto box = std::make_unique<TPropsBox>();
    box->Box = new QGroupBox(tabs);
    box->Box->setFlat(true);
    box->Grid = new QGridLayout(box->Box);
    tabs->addTab(box->Box, title);
    boxes_.push_back(std::move(box));
    return *boxes_.back();
}

std::string TPropsDlg::captionOf(const void* field) {
    TFieldList fields = Fields();
    const TFieldEntry* entry = fields.FindField(field);
    KORVANE_ASSERT(entry != nullptr);
    return entry->Caption;
}

QLineEdit* TPropsDlg::AddField(TPropsBox& box, unitValue& field, QAbstractButton* alternative, const QString& label) {
    return addField(box, QString::fromStdString(captionOf(&field)), field, alternative, label);
}

TWavePicker* TPropsDlg::AddPicker(TPropsBox& box, unitUnitWave& field, TWaveFilter filter,
                                  QAbstractButton* alternative, const QString& label) {
    return addPicker(box, captionOf(&field), field, filter, alternative, label);
}

QLineEdit* TPropsDlg::addField(TPropsBox& box, const QString& caption, unitValue& field,
                               QAbstractButton* alternative, const QString& label) {
    FieldRow row;
    row.caption = caption;
    row.value = &field;
    row.alternative = alternative;
    row.shown = QString::fromStdString(field.ToText());
    row.edit = new QLineEdit(row.shown, box.Box);
    row.edit->setObjectName(caption);
    row.edit->setMinimumWidth(120);
    if (alternative) {
        // Typing into the edit of an alternative chooses it.
        connect(row.edit, &QLineEdit::textEdited, this, [this, alternative] { ChangeAt(alternative); });
        box.Grid->addWidget(row.edit, box.Rows - 1, 1);
    } else {
        box.Grid->addWidget(new QLabel((label.isEmpty() ? caption : label) + ":", box.Box), box.Rows, 0);
        box.Grid->addWidget(row.edit, box.Rows++, 1);
    }
    fields_.push_back(row);
    return row.edit;
}

TWavePicker* TPropsDlg::addPicker(TPropsBox& box, const std::string& caption, unitUnitWave& field,
                                  TWaveFilter filter, QAbstractButton* alternative, const QString& label) {
    FieldRow row;
    row.caption = QString::fromStdString(caption);
    row.wave = &field;
    row.alternative = alternative;
    row.picker = new TWavePicker(box.Box, context_.Space, &context_.Doc, filter);
    row.picker->setObjectName(row.caption);
    row.picker->Select(field.ToText());
    if (alternative) {
        connect(row.picker, &QComboBox::activated, this, [this, alternative] { ChangeAt(alternative); });
        box.Grid->addWidget(row.picker, box.Rows - 1, 1);
    } else {
        box.Grid->addWidget(new QLabel((label.isEmpty() ? row.caption : label) + ":", box.Box), box.Rows, 0);
        box.Grid->addWidget(row.picker, box.Rows++, 1);
    }
    fields_.push_back(row);
    return row.picker;
}

QRadioButton* TPropsDlg::AddChoice(TPropsBox& box, const QString& text, int& target, int index) {
    auto* radio = new QRadioButton(text, box.Box);
    radio->setObjectName(text);
    QButtonGroup*& group = groups_[&target];
    if (!group) group = new QButtonGroup(this);
    group->addButton(radio, index);
    box.Grid->addWidget(radio, box.Rows++, 0);
    choices_.push_back({radio, &target, index});
    radio->setChecked(target == index);
    return radio;
}

QCheckBox* TPropsDlg::AddCheck(TPropsBox& box, const QString& text, bool& target) {
    auto* check = new QCheckBox(text, box.Box);
    check->setObjectName(text);
    check->setChecked(target);
    box.Grid->addWidget(check, box.Rows++, 0);
    checks_.push_back({check, &target});
    return check;
}

QComboBox* TPropsDlg::AddList(TPropsBox& box, const QString& caption, int& target, const QStringList& items) {
    auto* list = new QComboBox(box.Box);
    list->setObjectName(caption);
    list->addItems(items);
    list->setCurrentIndex(target >= 0 && target < items.size() ? target : 0);
    box.Grid->addWidget(new QLabel(caption + ":", box.Box), box.Rows, 0);
    box.Grid->addWidget(list, box.Rows++, 1);
    lists_.push_back({list, &target});
    return list;
}

void TPropsDlg::ShowChoices() {
    for (auto& c : choices_) c.radio->setChecked(*c.target == c.index);
    for (auto& c : checks_) c.check->setChecked(*c.target);
}

void TPropsDlg::ChangeAt(QAbstractButton* alternative) {
    if (alternative) alternative->setChecked(true);
}

QLineEdit* TPropsDlg::Edit(const QString& caption) const {
    for (const auto& f : fields_)
        if (f.edit && f.caption == caption) return f.edit;
    return nullptr;
}

TWavePicker* TPropsDlg::Picker(const QString& caption) const {
    for (const auto& f : fields_)
        if (f.picker && f.caption == caption) return f.picker;
    return nullptr;
}

QRadioButton* TPropsDlg::Radio(const QString& text) const {
    for (const auto& c : choices_)
        if (c.radio->text() == text) return c.radio;
    return nullptr;
}

QCheckBox* TPropsDlg::Check(const QString& text) const {
    for (const auto& c : checks_)
        if (c.check->text() == text) return c.check;
    return nullptr;
}

bool TPropsDlg::OKBtnClick() {
    // The choices first, so that the checks see the chosen alternatives.
    for (const auto& c : choices_)
        if (c.radio->isChecked()) *c.target = c.index;
    for (const auto& c : checks_) *c.target = c.check->isChecked();
    for (const auto& l : lists_) *l.target = l.list->currentIndex();

    // Only the fields of chosen alternatives are read. An edit is read when
    // its text differs from what it was shown with (a shown text read back
    // could round the value); a picker is always read, since its wave must
    // still be open.
    std::vector<TFieldText> texts;
    for (const auto& f : fields_) {
        if (f.alternative && !f.alternative->isChecked()) continue;
        if (f.edit) {
            if (f.edit->text() != f.shown) texts.emplace_back(*f.value, f.edit->text().toStdString());
        } else {
            texts.emplace_back(*f.wave, f.picker->currentIndex() < 0 ? std::string() : f.picker->currentText().toStdString());
        }
    }
    TWorkspace& space = context_.Space;
    WaveLookup lookup = [&space](const std::string& name, const std::string&) { return space.FindWave(name); };
    TReadResult read = Fields().Read(texts, lookup);
    std::string refusal = read.Ok ? Commit() : read.Error;
    if (refusal.empty()) refusal = ExtraCheck();
    if (refusal.empty()) {
        for (auto& f : fields_)
            if (f.edit) f.shown = f.edit->text();
        return true;
    }
    messages().show("Input Error", refusal, MessageIcon::Error);
    return false;
}

}  // namespace korvane
