#include "cli/Commands.h"

#include "core/regression/Models.h"

namespace kurvex::cli {

namespace {

std::string TrimTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

}  // namespace

int RunModels(Json& out) {
    out["command"] = "models";
    Json models = Json::array();
    for (int k = 0; k < kBuiltInModelCount; ++k) {
        const BuiltInModel& model = ModelCatalogue()[static_cast<std::size_t>(k)];
        models.push_back({{"number", k},
                          {"formula", TrimTrailingBlanks(model.formula)},
                          {"name", TrimTrailingBlanks(model.name)},
                          {"item", ModelListItem(k)}});
    }
    out["models"] = std::move(models);
    return kExitOk;
}

}  // namespace kurvex::cli
