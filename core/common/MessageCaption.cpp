#include "core/common/MessageCaption.h"

#include "core/common/MessageSink.h"

namespace kurvex {
namespace {
std::string currentCaption;
}

const std::string& CurrentMessageCaption() { return currentCaption; }

void ShowCaptionedInformation(const std::string& caption, const std::string& text) {
    currentCaption = caption;
    try {
        ShowInformation(text);
    } catch (...) {
        currentCaption.clear();
        throw;
    }
    currentCaption.clear();
}

}  // namespace kurvex
