#pragma once
// A recording sink that also keeps the caption each box was shown with.
#include <string>
#include <vector>

#include "core/common/MessageCaption.h"
#include "core/common/MessageSink.h"

namespace kurvex::testing {

class CaptionRecordingSink : public RecordingMessageSink {
public:
    MessageAnswer Show(MessageKind kind, const std::string& text, MessageButtons buttons) override {
        captions.push_back(CurrentMessageCaption());
        return RecordingMessageSink::Show(kind, text, buttons);
    }
    std::vector<std::string> captions;
};

}  // namespace kurvex::testing
