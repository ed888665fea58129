#pragma once

#include <optional>
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
//
// A field korvane-cli can type into names its option, the words its help
// shows after the caption, and the alternative typing into it chooses (the
// radio button of its group, or a switch it turns on), so the batch step,
// its help text and the dialog all follow the one declaration:
//
//     .Add("Constant", Factor).Option("--constant", "volume factor").Selects(Kind, 0)
//
// prints `--constant  "Constant" volume factor (50 %)` in help, the default
// being what the field shows.

struct TFieldEntry {
    std::string Caption;
    unitValue* Value = nullptr;    // set for a typed value field
    unitUnitWave* Wave = nullptr;  // set for a wave picker

    std::string Option;      // "--constant"; empty when korvane-cli has none for it
    std::string OptionHelp;  // "volume factor"; for a wave picker what follows the name
    // The default help shows when it is not what the field shows ("" for none).
    std::optional<std::string> HelpDefault;
    int* Choice = nullptr;  // the radio group typing into the field selects in
    int Alternative = 0;    // ... and the value it sets
    bool* Switch = nullptr; // a switch typing into the field turns on

    // What the edit box (or the picker) shows: ToText, or the wave's name.
    std::string ToText() const;
    // The option's help: `"Caption" volume factor (50 %)`, `NAME "Envelope"`.
    std::string HelpText() const;
    // Selects the field's alternative, as typing into its edit box does.
    void Choose() const;
    // Whether the entry is the one of this field (a value or a wave picker).
    bool Holds(const void* field) const { return field == Value || field == Wave; }
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
    // What korvane-cli knows of the field added last (see above).
    TFieldList& Option(std::string option, std::string help = "");
    TFieldList& Selects(int& choice, int alternative);
    TFieldList& Selects(bool& on);
    TFieldList& HelpDefault(std::string text);

    const std::vector<TFieldEntry>& Entries() const { return entries_; }
    // The entry with this caption, or nullptr.
    const TFieldEntry* Find(const std::string& caption) const;
    // The entry of this field (a unitValue or unitUnitWave of the record), or nullptr.
    const TFieldEntry* FindField(const void* field) const;

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
