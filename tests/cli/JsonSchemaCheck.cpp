#include "tests/cli/JsonSchemaCheck.h"

#include <cmath>

namespace kurvex::test {

namespace {

using nlohmann::json;

bool HasType(const json& value, const std::string& type) {
    if (type == "object") return value.is_object();
    if (type == "array") return value.is_array();
    if (type == "string") return value.is_string();
    if (type == "boolean") return value.is_boolean();
    if (type == "null") return value.is_null();
    if (type == "number") return value.is_number();
    if (type == "integer")
        return value.is_number_integer() ||
               (value.is_number_float() && std::floor(value.get<double>()) == value.get<double>());
    return false;
}

const json& Resolve(const json& root, const std::string& ref) {
    // Only local references: "#/$defs/name".
    return root.at(json::json_pointer(ref.substr(1)));
}

}  // namespace

std::vector<std::string> SchemaViolations(const json& root, const json& schema, const json& value,
                                          const std::string& where) {
    std::vector<std::string> found;
    const auto add = [&](const std::vector<std::string>& more) { found.insert(found.end(), more.begin(), more.end()); };
    const std::string at = where.empty() ? "/" : where;

    if (schema.contains("$ref")) add(SchemaViolations(root, Resolve(root, schema["$ref"]), value, where));
    if (schema.contains("allOf"))
        for (const json& part : schema["allOf"]) add(SchemaViolations(root, part, value, where));
    if (schema.contains("oneOf")) {
        int matches = 0;
        for (const json& part : schema["oneOf"]) matches += SchemaViolations(root, part, value, where).empty();
        if (matches != 1) found.push_back(at + ": matches " + std::to_string(matches) + " of the oneOf schemas");
    }
    if (schema.contains("type")) {
        const json types = schema["type"].is_array() ? schema["type"] : json::array({schema["type"]});
        bool any = false;
        for (const json& type : types) any = any || HasType(value, type.get<std::string>());
        if (!any) found.push_back(at + ": expected " + schema["type"].dump() + ", got " + value.dump());
    }
    if (schema.contains("const") && value != schema["const"])
        found.push_back(at + ": expected " + schema["const"].dump() + ", got " + value.dump());
    if (schema.contains("enum")) {
        bool listed = false;
        for (const json& item : schema["enum"]) listed = listed || item == value;
        if (!listed) found.push_back(at + ": " + value.dump() + " is not one of " + schema["enum"].dump());
    }
    if (schema.contains("minimum") && value.is_number() && value.get<double>() < schema["minimum"].get<double>())
        found.push_back(at + ": " + value.dump() + " is below " + schema["minimum"].dump());
    if (value.is_object()) {
        if (schema.contains("required"))
            for (const json& key : schema["required"])
                if (!value.contains(key.get<std::string>())) found.push_back(at + ": lacks " + key.dump());
        if (schema.contains("properties"))
            for (const auto& [key, sub] : schema["properties"].items())
                if (value.contains(key)) add(SchemaViolations(root, sub, value[key], where + "/" + key));
    }
    if (value.is_array() && schema.contains("items"))
        for (std::size_t i = 0; i < value.size(); ++i)
            add(SchemaViolations(root, schema["items"], value[i], where + "/" + std::to_string(i)));
    return found;
}

}  // namespace kurvex::test
