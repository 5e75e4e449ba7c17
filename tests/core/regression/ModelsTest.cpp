#include "core/regression/Models.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/common/MessageSink.h"
#include "core/expression/Evaluator.h"
#include "core/expression/Formula.h"
#include "core/regression/FloatingPoint.h"
#include "core/regression/ModelSelection.h"
#include "tests/core/regression/FitTestSupport.h"

namespace kurvex {
namespace {

TEST(ModelCatalogue, ListItemsKeepTheirBlanksAndCoefficientCountsFollowTheNames) {
    const std::vector<std::string> expected = {
        "y = C0+C1*x1+....+Cm*xm      (m変数一次式)",
        "y = C0+C1*x1+C2*x1^2         (二次式)",
        "y = C0/(1+exp(C1-C2*x1))     (Logistic model)",
        "y = C0*x1/(C1+x1)            (Michaelis-Menten model)",
        "y = C0*(1-exp(-C1*x1))       (Exponential rise model)",
        "y = C0*x1^C1                 (Allometoric model)",
        "y = C0+C1*exp(C2*x1)         (Asymptotic regression model)",
        "y = C0*exp(-exp(-C1*(x1-C2)))  (Gompertz growth model)",
        "y = C0/(1+exp(-(x1-C1)/C2))  (Sigmoid Curve)",
    };
    const auto items = ModelListItems("");
    ASSERT_EQ(items.size(), 10u);
    for (int k = 0; k < kBuiltInModelCount; ++k)
        EXPECT_EQ(items[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)]);
    EXPECT_EQ(items[9], "");
    EXPECT_EQ(ModelListItems("C0*X1")[9], "y = C0*X1");

    const int expectedM[] = {2, 3, 3, 2, 2, 2, 3, 3, 3};
    for (int k = 1; k < kBuiltInModelCount; ++k) {
        EXPECT_EQ(CountCoefficients(CatalogueFormula(k)), expectedM[k]) << k;
        EXPECT_EQ(ModelCatalogue()[static_cast<std::size_t>(k)].m, expectedM[k]) << k;
    }
    EXPECT_EQ(CatalogueFormula(2), "C0/(1+exp(C1-C2*x1))");
    EXPECT_EQ(CatalogueFormula(7), "C0*exp(-exp(-C1*(x1-C2)))");
}

std::string Upper(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
}

// The hand-written built-in formulas must compute what their catalogue texts say.
TEST(ModelCatalogue, BuiltInFormulasAgreeWithTheirTextsEvaluatedByTheFormulaLanguage) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> c = {2.5, 0.7, 1.3};
    for (int k = 1; k < kBuiltInModelCount; ++k) {
        const std::string text = Upper(CatalogueFormula(k));
        for (double x1 : {0.25, 1.0, 3.5}) {
            const std::vector<double> xs = {0.0, x1};
            const long double viaText = EvaluateFormula(text, xs, c);
            const long double builtIn = EvaluateBuiltInModel(k, std::vector<double>{x1}, c);
            EXPECT_NEAR(static_cast<double>(builtIn), static_cast<double>(viaText),
                        1e-12 * std::fabs(static_cast<double>(viaText)))
                << text << " at " << x1;
        }
    }
    // Model 0 in three variables.
    EXPECT_DOUBLE_EQ(
        static_cast<double>(EvaluateBuiltInModel(0, std::vector<double>{1, 2, 3}, std::vector<double>{1, 2, 3, 4})),
        1 + 2 + 6 + 12);
}

// Each derivative formula is the partial derivative of its model: compare with central differences.
TEST(ModelCatalogue, DerivativeFormulasMatchCentralDifferences) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> c = {2.5, 0.7, 1.3};
    for (int k = 2; k < kBuiltInModelCount; ++k) {
        TFitModel model = test::BuiltInModel(k);
        ModelEvaluator evaluator(model);
        for (double x1 : {0.5, 1.7, 4.0}) {
            const std::vector<double> xs = {x1};
            for (int j = 0; j < model.m; ++j) {
                std::vector<double> up = c, down = c;
                const double h = 1e-6;
                up[static_cast<std::size_t>(j)] += h;
                down[static_cast<std::size_t>(j)] -= h;
                const double central = static_cast<double>(
                    (EvaluateBuiltInModel(k, xs, up) - EvaluateBuiltInModel(k, xs, down)) / (2 * h));
                const double formula = static_cast<double>(evaluator.Derivative(j, xs, c));
                EXPECT_NEAR(formula, central, 1e-6 * (1 + std::fabs(central)))
                    << "model " << k << " dC" << j << " x " << x1;
            }
        }
    }
    EXPECT_TRUE(sink.messages.empty());
}

// Where the model is defined, so are its derivatives: x = 0 of the allometric
// model (ln 0 in its formula; the limit is 0), and logistic arguments whose
// exponential squared would overflow although the model is plainly ~0.
TEST(ModelEvaluation, DerivativesAreDefinedWhereverTheModelIs) {
    const std::vector<double> zero = {0.0};
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(EvaluateBuiltInDerivative(5, j, zero, std::vector<double>{2.0, 0.7}), 0.0L);
        EXPECT_EQ(EvaluateBuiltInDerivative(5, j, zero, std::vector<double>{2.0, 3.0}), 0.0L);
    }
    EXPECT_NEAR(
        static_cast<double>(EvaluateBuiltInDerivative(5, 1, std::vector<double>{-2.0}, std::vector<double>{1.5, 2.0})),
        4 * 1.5 * std::log(2.0), 1e-15);
    const std::vector<double> far = {-3000.0};  // C1 − C2·x = 6000: e^6000 squared overflows
    const std::vector<double> logistic = {2.0, 0.0, 2.0}, sigmoid = {2.0, 3000.0, 1.0};
    for (const auto& [k, c] : {std::pair{2, logistic}, {8, sigmoid}}) {
        EXPECT_NO_THROW(EvaluateBuiltInModel(k, far, c));
        for (int j = 0; j < 3; ++j) {
            const long double d = EvaluateBuiltInDerivative(k, j, far, c);
            EXPECT_TRUE(std::isfinite(d) && std::fabs(d) < 1e-2000L) << k << " " << j;
        }
    }
}

TEST(ModelEvaluation, AllometricPowerAtZeroNegativeAndFractionalExponents) {
    const std::vector<double> c2 = {3.0, 2.0};
    EXPECT_EQ(EvaluateBuiltInModel(5, std::vector<double>{0.0}, std::vector<double>{7.0, -1.5}), 0.0L);
    EXPECT_EQ(EvaluateBuiltInModel(5, std::vector<double>{-2.0}, c2), 12.0L);  // 4·C0
    EXPECT_EQ(EvaluateBuiltInModel(5, std::vector<double>{-2.0}, std::vector<double>{3.0, 3.0}), -24.0L);
    EXPECT_EQ(EvaluateBuiltInModel(5, std::vector<double>{2.0}, std::vector<double>{3.0, -1.0}), 1.5L);
    EXPECT_EQ(EvaluateBuiltInModel(5, std::vector<double>{-5.0}, std::vector<double>{3.0, 0.0}), 3.0L);
    EXPECT_THROW(EvaluateBuiltInModel(5, std::vector<double>{-2.0}, std::vector<double>{3.0, 0.5}), FloatingPointFault);
    EXPECT_NEAR(static_cast<double>(EvaluateBuiltInModel(5, std::vector<double>{4.0}, std::vector<double>{3.0, 0.5})),
                6.0, 1e-15);
}

TEST(ModelEvaluation, FaultsAreRaisedNeverInfinities) {
    // exp overflows, a zero denominator, and a huge whole power.
    EXPECT_THROW(EvaluateBuiltInModel(2, std::vector<double>{-1e6}, std::vector<double>{1, 0, 1}), FloatingPointFault);
    EXPECT_THROW(EvaluateBuiltInModel(3, std::vector<double>{-2.0}, std::vector<double>{1, 2}), FloatingPointFault);
    EXPECT_THROW(EvaluateBuiltInModel(8, std::vector<double>{1.0}, std::vector<double>{1, 0, 0}), FloatingPointFault);
    EXPECT_THROW(EvaluateBuiltInModel(5, std::vector<double>{10.0}, std::vector<double>{1, 100000}),
                 FloatingPointFault);
    // Underflow is no fault: the logistic saturates to C0.
    EXPECT_NEAR(static_cast<double>(EvaluateBuiltInModel(2, std::vector<double>{1e6}, std::vector<double>{5, 0, 1})),
                5.0, 0);
}

TEST(ModelEvaluation, GeneralModelFailureReachesTheCallerAndResidualsAreWeighted) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    TFitModel model = test::GeneralModel("C0*LN(X1)+C1", 2, 1);
    EXPECT_NEAR(
        static_cast<double>(EvaluateModel(model, std::vector<double>{std::exp(2.0)}, std::vector<double>{3, 1})), 7.0,
        1e-14);
    EXPECT_THROW(EvaluateModel(model, std::vector<double>{-1.0}, std::vector<double>{3, 1}), EvaluationError);

    TFitState state;
    state.model = test::BuiltInModel(1);
    state.data = test::MakeData(1, {2.0, -1.0}, {10.0, 1.0}, {4.0, 1.0});
    const std::vector<double> c = {1, 1, 1};  // f(2) = 7, f(−1) = 1
    EXPECT_DOUBLE_EQ(static_cast<double>(WeightedResidual(state, 0, c)), (10.0 - 7.0) * 2.0);
    EXPECT_DOUBLE_EQ(static_cast<double>(WeightedResidual(state, 1, c)), 0.0);
}

TEST(FitData, WeightsTwoDoubleTheNumberOfData) {
    const TFitData data = test::MakeData(1, {1, 2, 3, 4}, {1, 2, 3, 6}, {2, 2, 2, 2});
    EXPECT_EQ(data.n, 4);
    EXPECT_EQ(data.N, 8.0L);
    EXPECT_EQ(data.yMean, 3.0L);
    EXPECT_EQ(data.Syy, 28.0L);
}

}  // namespace
}  // namespace kurvex
