#pragma once
// Some result boxes carry their own caption ("計算結果", "相関のKendallの検定").
// The caption is set just before the box is shown; a sink that draws captions
// reads CurrentMessageCaption() inside Show(), others simply ignore it.
#include <string>

namespace kurvex {

// Empty when the box has no caption of its own.
const std::string& CurrentMessageCaption();

// Shows an information box with `caption`, then clears the caption again.
void ShowCaptionedInformation(const std::string& caption, const std::string& text);

}  // namespace kurvex
