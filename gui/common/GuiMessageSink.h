#pragma once
// Shows the core's messages as real message boxes on top of the active window.
#include "core/common/MessageSink.h"

class QWidget;

namespace kurvex::gui {

class GuiMessageSink : public MessageSink {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override;
    void Beep() override;
};

// Installs the message-box sink for the whole program (called once from main).
void InstallGuiMessageSink();

}  // namespace kurvex::gui
