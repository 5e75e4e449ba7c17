#pragma once
#include <string>

#include "cli/Json.h"

#include "core/common/NumberFormat.h"

namespace kurvex::cli {

// A figure as a JSON number (null when it has no finite value).
inline Json Number(long double value) {
    const double d = static_cast<double>(value);
    if (!(d == d) || d == 1.0 / 0.0 || d == -1.0 / 0.0) return nullptr;
    return d;
}

// A shown text read back as a number, or null ("不能", "計算不能", empty).
inline Json NumberFromText(const std::string& text) {
    if (auto value = ParseNumber(text)) return *value;
    return nullptr;
}

}  // namespace kurvex::cli
