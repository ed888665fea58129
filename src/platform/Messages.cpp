#include "platform/Messages.h"

#include <cstdio>

namespace korvane {

void StderrMessages::show(const std::string& title, const std::string& text, MessageIcon) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

MessageAnswer StderrMessages::askYesNoCancel(const std::string& title, const std::string& text) {
    show(title, text, MessageIcon::Question);
    return MessageAnswer::Cancel;
}

MessageAnswer StderrMessages::askOkCancel(const std::string& title, const std::string& text) {
    show(title, text, MessageIcon::Question);
    return MessageAnswer::Cancel;
}

namespace {
StderrMessages defaultSink;
Messages* currentSink = &defaultSink;
thread_local Messages* threadSink = nullptr;
}  // namespace

Messages& messages() { return threadSink ? *threadSink : *currentSink; }

void setThreadMessages(Messages* sink) { threadSink = sink; }

void setMessages(Messages* sink) { currentSink = sink ? sink : &defaultSink; }

}  // namespace korvane
