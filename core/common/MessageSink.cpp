#include "core/common/MessageSink.h"

#include <cstdio>

namespace kurvex {
namespace {

class StderrMessageSink : public MessageSink {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
        std::fprintf(stderr, "[%s] %s\n", MessageKindName(kind), text.c_str());
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

StderrMessageSink defaultSink;
MessageSink* currentSink = &defaultSink;
thread_local MessageSink* threadSink = nullptr;

}  // namespace

MessageSink& Messages() { return threadSink ? *threadSink : *currentSink; }

void SetMessageSink(MessageSink* sink) { currentSink = sink ? sink : &defaultSink; }

void ShowError(const std::string& text) { Messages().Show(MessageKind::Error, text, MessageButtons::Ok); }
void ShowWarning(const std::string& text) { Messages().Show(MessageKind::Warning, text, MessageButtons::Ok); }
void ShowInformation(const std::string& text) { Messages().Show(MessageKind::Information, text, MessageButtons::Ok); }
bool AskYesNo(const std::string& text, MessageKind kind) {
    return Messages().Show(kind, text, MessageButtons::YesNo) == MessageAnswer::Yes;
}

MessageAnswer RecordingMessageSink::Show(MessageKind kind, const std::string& text, MessageButtons buttons) {
    messages.push_back({kind, text, buttons});
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers.empty()) return defaultAnswer;
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::vector<std::string> RecordingMessageSink::Texts() const {
    std::vector<std::string> texts;
    texts.reserve(messages.size());
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
}

ScopedMessageSink::ScopedMessageSink(MessageSink& sink) : previous_(threadSink) { threadSink = &sink; }
ScopedMessageSink::~ScopedMessageSink() { threadSink = previous_; }

const char* MessageKindName(MessageKind kind) {
    switch (kind) {
        case MessageKind::Error: return "error";
        case MessageKind::Warning: return "warning";
        case MessageKind::Information: return "information";
        case MessageKind::Confirmation: return "confirmation";
    }
    return "error";
}

}  // namespace kurvex
