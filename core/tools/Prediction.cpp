#include "core/tools/Prediction.h"

#include <cmath>
#include <exception>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/Models.h"

namespace kurvex {

std::optional<long double> Predict(const TFitModel& model, std::span<const double> coefficients,
                                   const std::vector<std::string>& xTexts) {
    std::vector<double> x;
    x.reserve(xTexts.size());
    for (const std::string& text : xTexts) {
        const std::optional<double> value = ParseNumber(text);
        if (!value) {
            ShowError(kPredictionInputError);
            return std::nullopt;
        }
        x.push_back(*value);
    }
    // Before any fit (or initial-value line) there is nothing to evaluate.
    const bool ready = model.m > 0 && coefficients.size() >= static_cast<std::size_t>(model.m) &&
                       x.size() >= static_cast<std::size_t>(std::max<int>(model.nx, 0));
    if (ready) {
        try {
            const long double value = EvaluateModel(model, x, coefficients.first(static_cast<std::size_t>(model.m)));
            if (std::isfinite(value)) return value;
        } catch (const std::exception&) {
            // EvaluationError of a general formula or a fault of a built-in one.
        }
    }
    ShowError(kPredictionEvaluationError);
    return std::nullopt;
}

std::optional<std::string> PredictText(const TFitModel& model, std::span<const double> coefficients,
                                       const std::vector<std::string>& xTexts) {
    const std::optional<long double> value = Predict(model, coefficients, xTexts);
    if (!value) return std::nullopt;
    return FormatNumber(*value, kPredictionPrecision);
}

}  // namespace kurvex
