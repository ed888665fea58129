#pragma once

#include <functional>
#include <string>
#include <vector>

#include "commands/CommandStep.h"
#include "commands/DialogStep.h"
#include "core/Assert.h"
#include "processing/SampleStage.h"
#include "processing/TWorkspace.h"
#include "values/FieldList.h"

namespace korvane {

// A step of a command with a parameter record, as its dialog would run it:
// it starts from the document's record, the options type into its fields or
// choose its alternatives, and Run reads the texts in the record's order
// (the first wrong field is the one refused), applies the dialog-level
// checks, and on success stores the record in the document and in the
// workspace and calls the document command.
template <class Props>
class RecordStep : public CommandStep, public TDialogStep {
public:
    using Operation = std::function<bool(TUnitWave&, const Props&)>;
    // Returns the refusal text of a dialog-level check, or empty.
    using Check = std::function<std::string(const Props&, const TUnitWave&)>;
    // The operation as a stage over the whole sound, or null where it is not one.
    using StageMaker = std::function<std::unique_ptr<TSampleStage>(const TUnitWave&, const Props&)>;

    RecordStep(TWorkspace& space, Props& docRecord, Props& spaceRecord, Operation op)
        : props(docRecord), space_(space), docRecord_(docRecord), spaceRecord_(spaceRecord), op_(std::move(op)) {}
    RecordStep(const RecordStep&) = delete;

    Props props;  // the working copy the options write into

    // The options of the record's fields that name one (in the field list),
    // in the list's order, leaving out those already added: each types into
    // its field and selects the field's alternative, and its help is the
    // field's caption, words and default.
    // With `last` (a field of `props`), stops after that field's option, so
    // an option that is no field can follow it.
    void FieldOptions(const void* last = nullptr) {
        TFieldList fields = props.Fields();
        for (const TFieldEntry& entry : fields.Entries()) {
            if (!entry.Option.empty()) addFieldOption(entry);
            if (last && entry.Holds(last)) return;
        }
        KORVANE_ASSERT(!last);
    }
    // The option of one field (a member of `props`), to place it among
    // options that are not fields.
    void FieldOption(const void* field) {
        TFieldList fields = props.Fields();
        const TFieldEntry* entry = fields.FindField(field);
        KORVANE_ASSERT(entry && !entry->Option.empty());
        addFieldOption(*entry);
    }

    void Flag(const std::string& option, bool& flag, std::string help) {
        flag = false;  // on/off flags come from the step's own options alone
        options_.push_back({option, false, std::move(help), [&flag](const std::string&) {
                                flag = true;
                                return std::string();
                            }});
    }
    // A choice among named values: `--direction left|right`.
    void Choice(const std::string& option, int& target, std::vector<std::string> names, std::string help) {
        options_.push_back({option, true, std::move(help), [&target, names, option](const std::string& v) {
                                for (size_t i = 0; i < names.size(); ++i)
                                    if (names[i] == v) {
                                        target = static_cast<int>(i);
                                        return std::string();
                                    }
                                std::string list;
                                for (const auto& n : names) list += (list.empty() ? "" : "|") + n;
                                return option + " takes " + list;
                            }});
    }
    // Any other option.
    void Other(CommandOption option) { options_.push_back(std::move(option)); }

    void SetCheck(Check check) { check_ = std::move(check); }
    void SetStage(StageMaker stage) { stage_ = std::move(stage); }
    // Extra settings lines after the record's own (the rows of a table).
    void SetExtraSettings(std::function<std::vector<std::string>(Props&)> extra) { extra_ = std::move(extra); }
    // Reads what the record's field list does not hold (rows of a table);
    // returns the refusal text or empty.
    void SetExtraRead(std::function<std::string(Props&)> read) { extraRead_ = std::move(read); }

    std::vector<CommandOption> Options() override { return options_; }

    TFieldList DialogFields() override { return props.Fields(); }
    void Type(const TFieldText& text) override {
        texts_.push_back(text);
        const void* field = text.Value ? static_cast<const void*>(text.Value) : static_cast<const void*>(text.Wave);
        TFieldList fields = props.Fields();
        if (const TFieldEntry* entry = fields.FindField(field)) entry->Choose();
    }
    std::string Confirm(TWorkspace& space, TUnitWave& wave) override {
        WaveLookup lookup = [&space](const std::string& name, const std::string&) { return space.FindWave(name); };
        TReadResult read = props.Fields().Read(texts_, lookup);
        if (!read.Ok) return read.Error;
        if (extraRead_) {
            std::string refusal = extraRead_(props);
            if (!refusal.empty()) return refusal;
        }
        if (check_) return check_(props, wave);
        return "";
    }

    StepResult Run(TWorkspace& space, TUnitWave& wave, std::ostream* settings) override {
        StepResult result;
        std::string refusal = Confirm(space, wave);
        if (!refusal.empty()) return Refuse(refusal);
        take(settings);
        if (!op_(wave, props)) result.kind = StepResult::Failed;
        (void)space_;
        return result;
    }

    std::unique_ptr<TSampleStage> Stage(TWorkspace& space, TUnitWave& wave, std::ostream* settings) override {
        if (!stage_ || !Confirm(space, wave).empty()) return nullptr;
        std::unique_ptr<TSampleStage> stage = stage_(wave, props);
        if (stage) take(settings);
        return stage;
    }

private:
    // What a confirmed step does before its operation: the settings lines,
    // and the record kept for the next use.
    void take(std::ostream* settings) {
        if (settings) {
            for (const auto& line : props.Fields().SettingsLines()) *settings << line << "\n";
            if (extra_)
                for (const auto& line : extra_(props)) *settings << line << "\n";
        }
        spaceRecord_ = props;
        docRecord_ = props;
    }

    void addFieldOption(const TFieldEntry& entry) {
        for (const auto& added : fieldOptions_)
            if (entry.Holds(added)) return;
        fieldOptions_.push_back(entry.Value ? static_cast<const void*>(entry.Value) : entry.Wave);
        // The entry points into `props`, which lives as long as the step.
        options_.push_back({entry.Option, true, entry.HelpText(), [this, entry](const std::string& v) {
                                if (entry.Value)
                                    texts_.emplace_back(*entry.Value, v);
                                else
                                    texts_.emplace_back(*entry.Wave, v);
                                entry.Choose();
                                return std::string();
                            }});
    }

    static StepResult Refuse(const std::string& text) {
        StepResult r;
        r.kind = StepResult::Refused;
        r.text = text;
        return r;
    }

    TWorkspace& space_;
    Props& docRecord_;
    Props& spaceRecord_;
    Operation op_;
    Check check_;
    StageMaker stage_;
    std::function<std::vector<std::string>(Props&)> extra_;
    std::function<std::string(Props&)> extraRead_;
    std::vector<TFieldText> texts_;
    std::vector<CommandOption> options_;
    std::vector<const void*> fieldOptions_;  // the fields whose options are in options_
};

}  // namespace korvane
