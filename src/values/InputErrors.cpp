#include "values/InputErrors.h"

#include "platform/Messages.h"

namespace korvane {

std::string InputErrorText(const std::string& caption, const std::string& reason) {
    return "In " + caption + ": " + reason;
}

void ShowInputError(const std::string& caption, const std::string& message) {
    ShowInputErrorText(InputErrorText(caption, message));
}

void ShowInputErrorText(const std::string& message) {
    messages().show(kInputErrorTitle, message, MessageIcon::Information);
}

void ShowFieldEmpty(const std::string& caption) { ShowInputError(caption, "Field should not be empty."); }

}  // namespace korvane
