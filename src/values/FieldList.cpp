#include "values/FieldList.h"

#include <memory>
#include <optional>

#include "core/Assert.h"
#include "values/InputErrors.h"

namespace korvane {

std::string TFieldEntry::ToText() const { return Value ? Value->ToText() : Wave->ToText(); }

TFieldList& TFieldList::Add(std::string caption, unitValue& field) {
    entries_.push_back({std::move(caption), &field, nullptr});
    return *this;
}

TFieldList& TFieldList::Add(std::string caption, unitUnitWave& field) {
    entries_.push_back({std::move(caption), nullptr, &field});
    return *this;
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
