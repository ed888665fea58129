#pragma once

#include "platform/Messages.h"

class QWidget;

namespace korvane {

// The message boxes of the window program.
class TQtMessages : public Messages {
public:
    explicit TQtMessages(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void show(const std::string& title, const std::string& text, MessageIcon icon) override;
    MessageAnswer askYesNoCancel(const std::string& title, const std::string& text) override;
    MessageAnswer askYesNoCancel(const std::string& title, const std::string& text, const std::string& about) override;
    MessageAnswer askOkCancel(const std::string& title, const std::string& text) override;

private:
    QWidget* parent_;
    MessageAnswer askYesNoCancelHere(const std::string& title, const std::string& text, const std::string& about = {});
    MessageAnswer askOkCancelHere(const std::string& title, const std::string& text);
};

}  // namespace korvane
