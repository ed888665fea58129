#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <functional>
#include <string>
#include <vector>

#include "core/Allocation.h"
#include "core/Assert.h"
#include "core/Wave.h"
#include "platform/Messages.h"

namespace korvane::testing {

struct RecordedMessage {
    std::string title;
    std::string text;
    MessageIcon icon;
};

// Records every box instead of showing it; questions get scripted answers.
class RecordingMessages : public Messages {
public:
    std::vector<RecordedMessage> shown;
    std::vector<MessageAnswer> answers;  // consumed front first; Cancel when empty
    std::function<void()> onQuestion;    // sees the program as it asks

    void show(const std::string& title, const std::string& text, MessageIcon icon) override {
        shown.push_back({title, text, icon});
    }
    MessageAnswer askYesNoCancel(const std::string& title, const std::string& text) override {
        return answer(title, text);
    }
    // The line that names the document goes into the recorded text after a line feed.
    MessageAnswer askYesNoCancel(const std::string& title, const std::string& text, const std::string& about) override {
        return answer(title, text + "\n" + about);
    }
    MessageAnswer askOkCancel(const std::string& title, const std::string& text) override {
        return answer(title, text);
    }

private:
    MessageAnswer answer(const std::string& title, const std::string& text) {
        shown.push_back({title, text, MessageIcon::Question});
        if (onQuestion) onQuestion();
        if (answers.empty()) return MessageAnswer::Cancel;
        MessageAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

// A broken contract throws this in tests, carrying the condition text.
struct AssertionFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Installs a recording message sink and a throwing assertion handler for the
// life of the fixture, and switches allocation failures off afterwards.
class CoreFixture : public ::testing::Test {
protected:
    RecordingMessages boxes;
    void SetUp() override;
    void TearDown() override;
    int memoryMessages() const;
};

// The bytes of a file; empty when it cannot be read.
std::string readFileBytes(const std::string& path);

// A wave holding exactly these samples.
std::unique_ptr<Wave> makeWave(const std::vector<int>& samples);
std::vector<int> samplesOf(const Wave& w);

}  // namespace korvane::testing

// Expects `statement` to break the contract whose condition text is `text`.
#define EXPECT_CONTRACT(statement, text)                                         \
    do {                                                                         \
        try {                                                                    \
            statement;                                                           \
            ADD_FAILURE() << "no contract broken, expected " << text;            \
        } catch (const ::korvane::testing::AssertionFailure& e) {                \
            EXPECT_EQ(std::string(e.what()), std::string(text));                 \
        }                                                                        \
    } while (0)
