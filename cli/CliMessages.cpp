#include "cli/CliMessages.h"

#include <cstdio>

namespace kurvex::cli {

MessageAnswer CliMessageSink::Show(MessageKind kind, const std::string& text, MessageButtons buttons) {
    MessageAnswer answer = MessageAnswer::Ok;
    if (buttons == MessageButtons::YesNo) answer = answerQuestion ? answerQuestion(text) : MessageAnswer::No;
    messages.push_back({kind, text, buttons});
    std::fprintf(stderr, "kurvex-cli: [%s] %s%s\n", MessageKindName(kind), text.c_str(),
                 buttons == MessageButtons::YesNo ? (answer == MessageAnswer::Yes ? " -> はい" : " -> いいえ") : "");
    return answer;
}

Json CliMessageSink::ToJson() const {
    Json list = Json::array();
    for (const auto& m : messages) list.push_back({{"kind", MessageKindName(m.kind)}, {"text", m.text}});
    return list;
}

bool CliMessageSink::AnyError() const {
    for (const auto& m : messages)
        if (m.kind == MessageKind::Error) return true;
    return false;
}

}  // namespace kurvex::cli
