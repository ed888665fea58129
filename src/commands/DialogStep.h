#pragma once

#include <string>

#include "values/FieldList.h"

namespace korvane {

class TUnitWave;
class TWorkspace;

// What a window's property dialog needs from a command step whose values are
// a typed record: the fields to show, typing into them, and reading them with
// the dialog-level checks before anything runs, so that a refused OK leaves
// the dialog open and the document (and the undo step) untouched.
class TDialogStep {
public:
    virtual ~TDialogStep() = default;
    // The typed fields of the step's record, in the dialog's order.
    virtual TFieldList DialogFields() = 0;
    // A text typed into one of those fields; it selects the field's
    // alternative as typing into its edit box does.
    virtual void Type(const TFieldText& text) = 0;
    // Reads what was typed and runs the dialog-level checks: the one "Input
    // Error" text, or empty when Run may follow.
    virtual std::string Confirm(TWorkspace& space, TUnitWave& wave) = 0;
};

}  // namespace korvane
