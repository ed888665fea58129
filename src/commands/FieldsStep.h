#pragma once

#include <functional>
#include <memory>
#include <string>

#include "commands/RecordStep.h"
#include "processing/TWorkspace.h"

namespace korvane {

// The step maker of a command whose options are its record's fields alone:
// the record (a member of TWaveRecords) declares each field's caption,
// option, alternative and default, so the command table row names the record,
// the document operation and the dialog-level check, and nothing else.
template <class Props>
std::function<std::unique_ptr<CommandStep>(TWorkspace&, TUnitWave&)> FieldsStep(
    Props TWaveRecords::*record, typename RecordStep<Props>::Operation op,
    typename RecordStep<Props>::Check check = {}, typename RecordStep<Props>::StageMaker stage = {}) {
    return [record, op, check, stage](TWorkspace& space, TUnitWave& doc) -> std::unique_ptr<CommandStep> {
        auto step = std::make_unique<RecordStep<Props>>(space, doc.Records.*record, space.Records.*record, op);
        // A switch an envelope field turns on is off unless the step names
        // the envelope, as for the on/off flags.
        TFieldList fields = step->props.Fields();
        for (const TFieldEntry& entry : fields.Entries())
            if (entry.Switch) *entry.Switch = false;
        step->FieldOptions();
        if (check) step->SetCheck(check);
        if (stage) step->SetStage(stage);
        return step;
    };
}

// The same with a check that needs the record alone.
template <class Props>
std::function<std::unique_ptr<CommandStep>(TWorkspace&, TUnitWave&)> FieldsStep(
    Props TWaveRecords::*record, typename RecordStep<Props>::Operation op, std::string (*check)(const Props&),
    typename RecordStep<Props>::StageMaker stage = {}) {
    typename RecordStep<Props>::Check both = [check](const Props& props, const TUnitWave&) { return check(props); };
    return FieldsStep(record, std::move(op), std::move(both), std::move(stage));
}

}  // namespace korvane
