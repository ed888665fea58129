#pragma once

#include <string>

namespace korvane {

enum class MessageIcon { Information, Warning, Error, Question };
enum class MessageAnswer { Yes, No, Cancel, Ok };

// Every box the program shows goes through this seam: the window shows a real
// message box, the batch front end prints to stderr, and tests record the calls.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void show(const std::string& title, const std::string& text, MessageIcon icon) = 0;
    // Returns Yes, No or Cancel.
    virtual MessageAnswer askYesNoCancel(const std::string& title, const std::string& text) = 0;
    // The same about one document, which `about` names in a line of its own
    // under the fixed text.
    virtual MessageAnswer askYesNoCancel(const std::string& title, const std::string& text, const std::string& about) {
        (void)about;
        return askYesNoCancel(title, text);
    }
    // Returns Ok or Cancel.
    virtual MessageAnswer askOkCancel(const std::string& title, const std::string& text) = 0;
};

// Prints "title: text" lines on stderr and answers every question with Cancel,
// so that nothing is ever thrown away without a person saying so.
class StderrMessages : public Messages {
public:
    void show(const std::string& title, const std::string& text, MessageIcon icon) override;
    MessageAnswer askYesNoCancel(const std::string& title, const std::string& text) override;
    MessageAnswer askOkCancel(const std::string& title, const std::string& text) override;
};

// Keeps the first text shown and answers every question with Cancel: for
// background work, whose boxes have no window to go on (see setThreadMessages).
class CollectedMessages : public Messages {
public:
    std::string text;
    void show(const std::string&, const std::string& t, MessageIcon) override {
        if (text.empty()) text = t;
    }
    MessageAnswer askYesNoCancel(const std::string&, const std::string&) override { return MessageAnswer::Cancel; }
    MessageAnswer askOkCancel(const std::string&, const std::string&) override { return MessageAnswer::Cancel; }
};

// The process-wide message sink. setMessages(nullptr) restores the stderr sink.
Messages& messages();
void setMessages(Messages* sink);
// A sink for the calling thread only, over the process-wide one: background
// work that must not put up boxes of its own collects its messages there.
// nullptr goes back to the process-wide sink.
void setThreadMessages(Messages* sink);

// Fixed texts shared by several layers.
inline constexpr const char* kMemoryMessage = "There is not enough memmory for this operation.";
inline constexpr const char* kSystemErrorTitle = "System Error";

}  // namespace korvane
