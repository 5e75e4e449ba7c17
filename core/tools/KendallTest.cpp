#include "core/tools/KendallTest.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <stdexcept>

#include "core/common/MessageCaption.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/regression/Distributions.h"
#include "core/tools/KendallPermutation.h"
#include "core/tools/KendallScore.h"

namespace kurvex {

std::optional<KendallNormalResult> KendallNormalApproximation(std::span<const double> x, std::span<const double> y) {
    const std::int64_t n = static_cast<std::int64_t>(x.size());
    if (n < 3) return std::nullopt;
    KendallNormalResult result;
    const KendallPairStatistics statistics = KendallStatistics(x, y);
    result.S = statistics.S;
    result.variance = KendallVariance(n, statistics.xTies, statistics.yTies);
    if (!(result.variance > 0)) return std::nullopt;
    result.z = (static_cast<long double>(std::llabs(result.S)) - 1) / std::sqrt(result.variance);
    result.P = NormalUpperProb(static_cast<double>(result.z));
    return result;
}

std::optional<std::string> KendallTestText(bool permutation, const std::string& yName, std::span<const double> y,
                                           const std::vector<KendallVariable>& variables, ProgressSink& progress) {
    const std::size_t n = y.size();
    std::string text = permutation ? "並べかえ理論による確率計算" : "正規近似による確率計算";
    text += "\nn = " + std::to_string(n);
    if (!variables.empty()) {
        if (permutation && n < 2) {
            ShowError(kKendallTooFewForPermutationMessage);
            return std::nullopt;
        }
        if (!permutation && n < 3) {
            ShowError(kKendallTooFewForNormalMessage);
            return std::nullopt;
        }
        if (permutation && n > static_cast<std::size_t>(kMaxPermutationPoints))
            throw std::invalid_argument("KendallTestText: too many points for permutations");
    }
    for (const KendallVariable& variable : variables) {
        if (variable.values.size() != n) throw std::invalid_argument("KendallTestText: variable length differs");
        std::int64_t s = 0;
        double p = 0;
        if (permutation) {
            const KendallPermutationResult result = KendallPermutationP(variable.values, y, progress);
            if (result.cancelled || result.P < 0) return std::nullopt;
            s = result.S;
            p = result.P;
        } else {
            std::optional<KendallNormalResult> result;
            try {
                result = KendallNormalApproximation(variable.values, y);
            } catch (const std::exception&) {
                result.reset();
            }
            if (!result) {
                ShowError(kKendallNoVarianceMessage);
                return std::nullopt;
            }
            s = result->S;
            p = result->P;
        }
        text += "\n" + yName + " vs. " + variable.name + "\n  K = " + std::to_string(s) +
                " (P = " + FormatNumber(p, 5) + ")";
    }
    return text;
}

std::optional<std::string> KendallTest(const TFitData& data, const std::string& yName,
                                       const std::vector<std::string>& xNames, ProgressSink& progress) {
    const std::int32_t n = data.n;
    const bool permutation = n < kKendallPermutationOfferBelow && AskYesNo(kKendallPermutationQuestion);
    std::vector<KendallVariable> variables;
    if (n > 0) {
        for (int v = 0; v < data.nx; ++v) {
            KendallVariable variable;
            variable.name = static_cast<std::size_t>(v) < xNames.size() ? xNames[static_cast<std::size_t>(v)]
                                                                        : "X" + std::to_string(v + 1);
            variable.values.resize(static_cast<std::size_t>(n));
            for (std::int32_t i = 0; i < n; ++i)
                variable.values[static_cast<std::size_t>(i)] = data.PointX(i)[static_cast<std::size_t>(v)];
            variables.push_back(std::move(variable));
        }
    }
    const std::span<const double> y(data.y.data(), static_cast<std::size_t>(std::max<std::int32_t>(n, 0)));
    std::optional<std::string> text = KendallTestText(permutation, yName, y, variables, progress);
    if (text) ShowCaptionedInformation(kKendallResultCaption, *text);
    return text;
}

}  // namespace kurvex
