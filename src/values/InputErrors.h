#pragma once

#include <string>

namespace korvane {

// Wrong input in a dialog (or an option of korvane-cli) is reported in one box
// with this title, naming the field by its caption.
inline constexpr const char* kInputErrorTitle = "Input Error";

// "In " + caption + ": " + reason: the text of every field's refusal.
std::string InputErrorText(const std::string& caption, const std::string& reason);

// Each shows one "Input Error" box (information icon) through messages().
void ShowInputError(const std::string& caption, const std::string& message);
void ShowInputErrorText(const std::string& message);
void ShowFieldEmpty(const std::string& caption);

}  // namespace korvane
