#include "core/regression/ModelSelection.h"

#include <cctype>

#include "core/common/MessageSink.h"
#include "core/regression/Models.h"

namespace kurvex {

namespace {

std::string UpperCase(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
}

}  // namespace

std::vector<std::string> ModelListItems(std::string_view generalFormula) {
    std::vector<std::string> items;
    for (int k = 0; k < kBuiltInModelCount; ++k) items.push_back(ModelListItem(k));
    items.push_back(generalFormula.empty() ? std::string() : "y = " + std::string(generalFormula));
    return items;
}

void ConfigureCoefficientTables(TFitModel& model, int dataNx, const GeneralModelSource& general) {
    if (model.index == 0) {
        model.nx = static_cast<std::int16_t>(dataNx);
        model.m = dataNx + 1;
        model.derivativeFormulas.clear();
    } else if (model.index < kBuiltInModelCount) {
        model.nx = 1;
        model.m = ModelCatalogue()[static_cast<std::size_t>(model.index)].m;
        model.derivativeFormulas.clear();
        if (model.index >= 2)
            for (int j = 0; j < model.m; ++j)
                model.derivativeFormulas.emplace_back(
                    ModelCatalogue()[static_cast<std::size_t>(model.index)].derivatives[static_cast<std::size_t>(j)]);
    } else {
        model.m = general.coefficientCount;
        model.nx = static_cast<std::int16_t>(general.variableCount);
    }
}

ModelPresentation SelectModel(TFitModel& model, int k, int dataNx, const GeneralModelSource& general) {
    ModelPresentation shown;
    model.index = k;
    if (k == kGeneralModelIndex) {
        model.formula = general.formula.substr(0, general.formula.find(' '));
    } else {
        model.formula = CatalogueFormula(k);
    }
    shown.variableCountChooserEnabled = k == 0;

    if (k == kGeneralModelIndex) {
        bool complete = general.derivativeTableShown && !general.derivativeTexts.empty();
        for (const auto& text : general.derivativeTexts)
            if (text.empty()) complete = false;
        model.derivativeFormulas.clear();
        if (complete) {
            for (const auto& text : general.derivativeTexts) model.derivativeFormulas.push_back(UpperCase(text));
            shown.derivativeChoiceEnabled = true;
        } else {
            shown.derivativeChoiceEnabled = false;
            shown.forcedMethod = DerivativeMethod::Numeric;
            model.numericDerivatives = true;
        }
    } else {
        shown.derivativeChoiceEnabled = false;
        shown.forcedMethod = DerivativeMethod::Formulas;
        model.numericDerivatives = false;
    }

    ConfigureCoefficientTables(model, dataNx, general);
    shown.showConditionPages =
        k == kGeneralModelIndex || ModelCatalogue()[static_cast<std::size_t>(k)].showsConditionPages;
    return shown;
}

CoefficientTableDefaults SetCoefficientDefaults() {
    CoefficientTableDefaults defaults;
    for (int row = 0; row < kMaxNamedCoefficients; ++row) {
        defaults.names.push_back("C" + std::to_string(row));
        defaults.initialValues.emplace_back(kDefaultInitialValueText);
        defaults.tolerances.emplace_back(kDefaultToleranceText);
    }
    defaults.increment = kDefaultIncrementText;
    return defaults;
}

bool CopyResultsToInitialValues(const TResultFields& fields, int m, std::vector<std::string>& initialValues) {
    for (int j = 0; j < m; ++j)
        if (static_cast<std::size_t>(j) >= fields.coefficients.size() ||
            fields.coefficients[static_cast<std::size_t>(j)].empty()) {
            Messages().Show(MessageKind::Confirmation, kNoResultsToCopyMessage, MessageButtons::Ok);
            return false;
        }
    if (initialValues.size() < static_cast<std::size_t>(m)) initialValues.resize(static_cast<std::size_t>(m));
    for (int j = 0; j < m; ++j)
        initialValues[static_cast<std::size_t>(j)] = fields.coefficients[static_cast<std::size_t>(j)];
    return true;
}

}  // namespace kurvex
