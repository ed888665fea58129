#pragma once

#include <string>
#include <vector>

#include "values/ValueField.h"

namespace korvane {

// The typed fields of one parameter record, in the order its dialog reads
// them, each under the caption the dialog shows. The dialogs and korvane-cli
// both read and print a record through this list, so they agree on captions,
// order and messages.
//
// A list points into its record; build it on demand from the record rather
// than keeping it, so that copies of the record stay independent:
//
//     struct TVolumeProps {
//         int Kind = 0;
//         unitVolumeFactor Factor{0.5, ucPercent};
//         unitUnitWave Envelope;
//         TFieldList Fields() { return TFieldList().Add("Constant", Factor).Add("Envelope", Envelope); }
//     };
//
//     TReadResult r = props.Fields().Read({{props.Factor, "-6 dB"}}, lookup);
//     if (!r.Ok) std::cerr << r.Error << '\n';   // "In Constant: ..."
//
// Only the fields given a text are read; the others keep their values.

struct TFieldEntry {
    std::string Caption;
    unitValue* Value = nullptr;    // set for a typed value field
    unitUnitWave* Wave = nullptr;  // set for a wave picker

    // What the edit box (or the picker) shows: ToText, or the wave's name.
    std::string ToText() const;
};

// A text typed for one field of the list (for a wave picker: the name).
struct TFieldText {
    TFieldText(unitValue& field, std::string text) : Value(&field), Text(std::move(text)) {}
    TFieldText(unitUnitWave& field, std::string name) : Wave(&field), Text(std::move(name)) {}

    unitValue* Value = nullptr;
    unitUnitWave* Wave = nullptr;
    std::string Text;
};

struct TReadResult {
    bool Ok = true;
    // When not Ok: the one "Input Error" text, "In <Caption>: <reason>".
    std::string Error;
};

class TFieldList {
public:
    TFieldList& Add(std::string caption, unitValue& field);
    TFieldList& Add(std::string caption, unitUnitWave& field);

    const std::vector<TFieldEntry>& Entries() const { return entries_; }
    // The entry with this caption, or nullptr.
    const TFieldEntry* Find(const std::string& caption) const;

    // "Caption: text" for every field, in list order; a wave picker with no
    // wave gives "Caption: ".
    std::vector<std::string> SettingsLines() const;

    // Reads the texts in the list's order, whatever their order in `texts`
    // (when a field is given twice, the later text counts). Stops at the
    // first wrong field and gives its Input Error text; then no field of the
    // record has changed. Wave names are resolved through `lookup`.
    // Every text must belong to a field of the list.
    TReadResult Read(const std::vector<TFieldText>& texts, const WaveLookup& lookup = {}) const;
    // As Read, and shows a failure in the "Input Error" box. Returns Ok.
    bool ReadAndReport(const std::vector<TFieldText>& texts, const WaveLookup& lookup = {}) const;

private:
    int indexOf(const TFieldText& text) const;

    std::vector<TFieldEntry> entries_;
};

}  // namespace korvane
