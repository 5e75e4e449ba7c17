#pragma once
// The port through which computations show message boxes and ask questions.
// The GUI shows real message boxes, the CLI prints and answers by its options,
// tests record the texts and answer from a script.
#include <deque>
#include <string>
#include <vector>

namespace kurvex {

enum class MessageKind { Error, Warning, Information, Confirmation };
enum class MessageButtons { Ok, YesNo };
// Closed: a question box closed without either answer (Escape, the close
// box). AskYesNo reads it as No; a caller for whom closing means Yes tests
// for No instead.
enum class MessageAnswer { Ok, Yes, No, Closed };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) = 0;
    virtual void Beep() {}
};

// The sink every core routine reports through: the calling thread's scoped
// sink if it has one, else the program's. Defaults to a sink that writes to
// stderr and answers questions with "No"; programs install their own at start.
MessageSink& Messages();
void SetMessageSink(MessageSink* sink);  // the program's; nullptr restores the default

// Shorthands for the common cases.
void ShowError(const std::string& text);
void ShowWarning(const std::string& text);
void ShowInformation(const std::string& text);
bool AskYesNo(const std::string& text, MessageKind kind = MessageKind::Confirmation);

struct RecordedMessage {
    MessageKind kind;
    std::string text;
    MessageButtons buttons;
};

// Keeps every message in order; answers Yes/No questions from a queue
// (defaultAnswer when the queue is empty).
class RecordingMessageSink : public MessageSink {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override;
    void Beep() override { ++beeps; }

    std::vector<RecordedMessage> messages;
    std::deque<MessageAnswer> answers;
    MessageAnswer defaultAnswer = MessageAnswer::No;
    int beeps = 0;

    std::vector<std::string> Texts() const;
};

// Drops every message and answers questions with "No": for computations
// whose failures are results (a search trying candidates), not news.
class QuietMessageSink : public MessageSink {
public:
    MessageAnswer Show(MessageKind, const std::string&, MessageButtons buttons) override {
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

// Installs a sink for the calling thread for the lifetime of the guard, then
// restores the previous one. Other threads keep theirs: a worker never reaches
// a window's message box, and a quiet computation stays quiet only where it runs.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink& sink);
    ~ScopedMessageSink();
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink* previous_;
};

const char* MessageKindName(MessageKind kind);  // "error", "warning", "information", "confirmation"

}  // namespace kurvex
