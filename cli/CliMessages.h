#pragma once
// The command line's message port: every message is kept (for the JSON
// output) and echoed on stderr; questions are answered without a prompt,
// as the command's options decide.
#include <functional>
#include <string>

#include "cli/Json.h"

#include "core/common/MessageSink.h"

namespace kurvex::cli {

class CliMessageSink : public RecordingMessageSink {
public:
    // Decides the answer to a Yes/No question from its text.
    std::function<MessageAnswer(const std::string&)> answerQuestion;

    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override;

    // [{"kind": "error", "text": "..."}, ...] in the order shown.
    Json ToJson() const;
    bool AnyError() const;
};

}  // namespace kurvex::cli
