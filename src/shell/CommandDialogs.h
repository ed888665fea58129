#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "commands/CommandTable.h"
#include "shell/CommandDialogContext.h"

namespace korvane {

class TUnitWave;
class TWorkspace;

// Makes the dialog of one command. On Accepted the step holds the confirmed
// values and the main window runs it; a refused OK keeps the dialog open.
using TCommandDialogFactory = std::function<std::unique_ptr<QDialog>(QWidget* parent, TCommandDialogContext& context)>;

// The dialog of a command: the one made for its kind of step (the record it
// edits), else the generic dialog of its record's typed fields, else none
// (null: the command runs with the values the document last confirmed).
std::unique_ptr<QDialog> MakeCommandDialog(QWidget* parent, TCommandDialogContext& context);

}  // namespace korvane
