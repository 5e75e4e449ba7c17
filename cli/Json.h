#pragma once
// Keys keep the order they are written in, so the output reads top-down.
#include <nlohmann/json.hpp>

namespace kurvex::cli {
using Json = nlohmann::ordered_json;
}
