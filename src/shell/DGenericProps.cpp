#include "shell/DGenericProps.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "platform/Messages.h"
#include "commands/DialogStep.h"
#include "commands/CommandTable.h"
#include "processing/TWorkspace.h"

namespace korvane {

void FillWavePicker(QComboBox& picker, const TWorkspace& space, const std::string& current, const TUnitWave* except,
                    bool monoOnly) {
    picker.clear();
    std::vector<std::string> texts;
    const auto& units = space.Units();
    for (auto it = units.rbegin(); it != units.rend(); ++it) {
        const TUnit& u = **it;
        if (u.Kind != unitKindWave || u.Name.empty() || &u == except) continue;
        if (monoOnly && u.GetMoSt() != 1) continue;
        texts.push_back(u.Name);
        picker.addItem(QString::fromStdString(u.Name));
    }
    unitUnitWave probe(current);
    picker.setCurrentIndex(probe.ToCombo(texts));
}

TDlgGenericProps::TDlgGenericProps(QWidget* parent, TCommandDialogContext& context, TDialogStep& step)
    : TOKDlg(parent, CommandDialogCaption(context.Descriptor), buttonsRight, context.Descriptor.helpContext),
      context_(context), step_(step), fields_(step.DialogFields()) {
    auto* form = new QFormLayout(Body());
    for (const auto& entry : fields_.Entries()) {
        QString caption = QString::fromStdString(entry.Caption);
        QWidget* control;
        if (entry.Value) {
            auto* edit = new QLineEdit(QString::fromStdString(entry.ToText()), Body());
            edit->setMinimumWidth(140);
            control = edit;
        } else {
            auto* picker = new QComboBox(Body());
            FillWavePicker(*picker, context.Space, entry.ToText());
            control = picker;
        }
        control->setObjectName(caption);
        form->addRow(new QLabel(caption + ":", Body()), control);
        controls_.push_back(control);
        typed_.push_back(entry.ToText());
    }
}

QLineEdit* TDlgGenericProps::Edit(const QString& caption) const {
    for (QWidget* c : controls_)
        if (c->objectName() == caption) return qobject_cast<QLineEdit*>(c);
    return nullptr;
}

QComboBox* TDlgGenericProps::Picker(const QString& caption) const {
    for (QWidget* c : controls_)
        if (c->objectName() == caption) return qobject_cast<QComboBox*>(c);
    return nullptr;
}

bool TDlgGenericProps::OKBtnClick() {
    const auto& entries = fields_.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        // Only what the user changed is typed, so an untouched field of an
        // alternative not chosen is never read.
        if (entries[i].Value) {
            std::string text = static_cast<QLineEdit*>(controls_[i])->text().toStdString();
            if (text == typed_[i]) continue;
            step_.Type(TFieldText(*entries[i].Value, text));
            typed_[i] = text;
        } else {
            auto* picker = static_cast<QComboBox*>(controls_[i]);
            std::string name = picker->currentIndex() >= 0 ? picker->currentText().toStdString() : std::string();
            if (name == typed_[i]) continue;
            step_.Type(TFieldText(*entries[i].Wave, name));
            typed_[i] = name;
        }
    }
    std::string refusal = step_.Confirm(context_.Space, context_.Doc);
    if (refusal.empty()) return true;
    messages().show("Input Error", refusal, MessageIcon::Error);
    return false;
}

}  // namespace korvane
