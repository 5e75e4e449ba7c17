#pragma once
// A validator for the part of JSON Schema that docs/cli-schema.json uses:
// $ref (local), allOf, oneOf, type (a name or a list), const, enum,
// properties, required, items and minimum. Properties the schema does not
// name are allowed, so new fields of the output never break it.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kurvex::test {

// The places where `value` breaks `schema` ("/data/n: expected integer"); empty when it conforms.
std::vector<std::string> SchemaViolations(const nlohmann::json& root, const nlohmann::json& schema,
                                          const nlohmann::json& value, const std::string& where = "");

}  // namespace kurvex::test
