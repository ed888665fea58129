#pragma once

#include <QString>

namespace korvane {

struct Command;
class CommandStep;
class TUnitWave;
class TWorkspace;

// What a command's dialog works on: the step made from the document's record
// (the dialog types into it and confirms it), the workspace for wave
// pickers, and the document. The dialogs need only this, not the table of
// dialog factories that makes them.
struct TCommandDialogContext {
    const Command& Descriptor;
    CommandStep& Step;
    TWorkspace& Space;
    TUnitWave& Doc;
};

// The dialog caption of a command ("Make Sinus", "High Filter").
QString CommandDialogCaption(const Command& command);

}  // namespace korvane
