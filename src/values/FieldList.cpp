#include "values/FieldList.h"

#include <memory>
#include <optional>

#include "core/Assert.h"
#include "values/InputErrors.h"

namespace korvane {

std::string TFieldEntry::ToText() const { return Value ? Value->ToText() : Wave->ToText(); }

std::string TFieldEntry::HelpText() const {
    std::string text = (Wave ? "NAME \"" : "\"") + Caption + "\"";
    if (!OptionHelp.empty()) text += " " + OptionHelp;
    if (Value) {
        std::string shown = HelpDefault ? *HelpDefault : ToText();
        if (!shown.empty()) text += " (" + shown + ")";
    }
    return text;
}

void TFieldEntry::Choose() const {
    if (Choice) *Choice = Alternative;
    if (Switch) *Switch = true;
}

TFieldList& TFieldList::Add(std::string caption, unitValue& field) {
    TFieldEntry& e = entries_.emplace_back();
    e.Caption = std::move(caption);
    e.Value = &field;
    return *this;
}

TFieldList& TFieldList::Add(std::string caption, unitUnitWave& field) {
    TFieldEntry& e = entries_.emplace_back();
    e.Caption = std::move(caption);
    e.Wave = &field;
    return *this;
}

TFieldList& TFieldList::Option(std::string option, std::string help) {
    KORVANE_ASSERT(!entries_.empty());
    entries_.back().Option = std::move(option);
    entries_.back().OptionHelp = std::move(help);
    return *this;
}

TFieldList& TFieldList::Selects(int& choice, int alternative) {
    KORVANE_ASSERT(!entries_.empty());
    entries_.back().Choice = &choice;
    entries_.back().Alternative = alternative;
    return *this;
}

TFieldList& TFieldList::Selects(bool& on) {
    KORVANE_ASSERT(!entries_.empty());
    entries_.back().Switch = &on;
    return *this;
}

TFieldList& TFieldList::HelpDefault(std::string text) {
    KORVANE_ASSERT(!entries_.empty());
    entries_.back().HelpDefault = std::move(text);
    return *this;
}

const TFieldEntry* TFieldList::FindField(const void* field) const {
    for (const TFieldEntry& e : entries_) {
        if (e.Holds(field)) return &e;
    }
    return nullptr;
}

const TFieldEntry* TFieldList::Find(const std::string& caption) const {
    for (const TFieldEntry& e : entries_) {
        if (e.Caption == caption) return &e;
    }
    return nullptr;
}

std::vector<std::string> TFieldList::SettingsLines() const {
    std::vector<std::string> lines;
    for (const TFieldEntry& e : entries_) lines.push_back(e.Caption + ": " + e.ToText());
    return lines;
}

int TFieldList::indexOf(const TFieldText& text) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        const TFieldEntry& e = entries_[i];
        if ((text.Value && e.Value == text.Value) || (text.Wave && e.Wave == text.Wave)) return static_cast<int>(i);
    }
    return -1;
}

TReadResult TFieldList::Read(const std::vector<TFieldText>& texts, const WaveLookup& lookup) const {
    std::vector<const TFieldText*> textOf(entries_.size(), nullptr);
    for (const TFieldText& t : texts) {
        KORVANE_ASSERT(indexOf(t) >= 0);
        textOf[static_cast<size_t>(indexOf(t))] = &t;
    }

    // Everything is read into copies first, so that a wrong field leaves the
    // whole record as it was.
    std::vector<std::unique_ptr<unitValue>> values(entries_.size());
    std::vector<std::optional<unitUnitWave>> waves(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (textOf[i] == nullptr) continue;
        const TFieldEntry& e = entries_[i];
        std::string message;
        bool ok = false;
        if (e.Value) {
            values[i] = e.Value->Clone();
            ok = values[i]->FromText(textOf[i]->Text, e.Caption, message);
        } else {
            waves[i] = *e.Wave;
            ok = waves[i]->FromName(textOf[i]->Text, e.Caption, message, lookup);
        }
        if (!ok) return {false, message};
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (values[i]) entries_[i].Value->Assign(*values[i]);
        if (waves[i]) *entries_[i].Wave = *waves[i];
    }
    return {};
}

bool TFieldList::ReadAndReport(const std::vector<TFieldText>& texts, const WaveLookup& lookup) const {
    TReadResult result = Read(texts, lookup);
    if (!result.Ok) ShowInputErrorText(result.Error);
    return result.Ok;
}

}  // namespace korvane
