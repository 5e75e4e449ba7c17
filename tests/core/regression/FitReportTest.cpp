// The fit report against independent computations: the closed forms of a
// straight line (weighted and unweighted, through the linear and the
// iterative fit), the NIST StRD certified standard deviations, and for a
// nonlinear model a covariance formed here from the analytic Jacobian.
// Boost.Math supplies Student's t. Each comparison tells a one-sided t, a
// wrong degree of freedom or a covariance without s² apart.
#include <gtest/gtest.h>

#include <boost/math/distributions/students_t.hpp>
#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "core/common/MessageSink.h"
#include "core/regression/Bands.h"
#include "core/regression/FitReport.h"
#include "core/regression/Fitting.h"
#include "tests/core/regression/FitTestSupport.h"

namespace kurvex {
namespace {

using boost::math::students_t;

double TwoSidedP(double t, double df) { return 2 * cdf(complement(students_t(df), std::fabs(t))); }
double TQuantile(double df, double alpha) { return quantile(complement(students_t(df), alpha / 2)); }

void ExpectRelative(long double actual, double expected, double tolerance, const std::string& what) {
    EXPECT_NEAR(static_cast<double>(actual) / expected, 1.0, tolerance)
        << what << ": " << static_cast<double>(actual) << " vs " << expected;
}

TFitState Fitted(TFitData data, TFitModel model, std::vector<double> start, double tolerance = 1e-10) {
    TFitState state = test::MakeState(std::move(data), std::move(model), test::Conditions(start, tolerance, 250, 500));
    SilentProgressSink progress;
    const FitEnd end = FitMethodOf(state.model.index) == FitMethod::Linear && state.model.index != kGeneralModelIndex
                           ? FitLinear(state, progress, {})
                           : FitMarquardt(state, progress, {});
    EXPECT_EQ(end, FitEnd::Converged);
    return state;
}

// Weighted straight line y = b0 + b1·x: every figure of the report and the
// bands from the textbook formulas with N = Σ w.
void CheckStraightLine(const TFitState& state, const std::vector<double>& x, const std::vector<double>& y,
                       const std::vector<double>& w, const std::string& what) {
    double N = 0, sx = 0, sy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) N += w[i], sx += w[i] * x[i], sy += w[i] * y[i];
    const double xm = sx / N, ym = sy / N;
    double sxx = 0, sxy = 0, syy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += w[i] * (x[i] - xm) * (x[i] - xm);
        sxy += w[i] * (x[i] - xm) * (y[i] - ym);
        syy += w[i] * (y[i] - ym) * (y[i] - ym);
    }
    const double b1 = sxy / sxx, b0 = ym - b1 * xm;
    double ssr = 0;
    for (std::size_t i = 0; i < x.size(); ++i) ssr += w[i] * std::pow(y[i] - b0 - b1 * x[i], 2);
    const double df = N - 2, s = std::sqrt(ssr / df);
    const double se0 = s * std::sqrt(1 / N + xm * xm / sxx), se1 = s / std::sqrt(sxx);

    const TFitReport report = ComputeFitReport(state);
    ASSERT_TRUE(report.standardErrors[0] && report.standardErrors[1]) << what;
    ExpectRelative(*report.standardErrors[0], se0, 1e-9, what + " SE0");
    ExpectRelative(*report.standardErrors[1], se1, 1e-9, what + " SE1");
    ExpectRelative(*report.tValues[1], b1 / se1, 1e-9, what + " t1");
    ExpectRelative(*report.pValues[0], TwoSidedP(b0 / se0, df), 1e-8, what + " P0");
    ExpectRelative(*report.pValues[1], TwoSidedP(b1 / se1, df), 1e-8, what + " P1");
    ExpectRelative(*report.correlation[0][1], -xm / std::sqrt(xm * xm + sxx / N), 1e-9, what + " corr");
    EXPECT_DOUBLE_EQ(static_cast<double>(*report.correlation[1][1]), 1.0) << what;
    ExpectRelative(*report.R2explained, 1 - ssr / syy, 1e-12, what + " R2");
    ExpectRelative(*report.R2adjusted, 1 - (ssr / df) / (syy / (N - 1)), 1e-12, what + " adjusted R2");
    ExpectRelative(*report.reducedChi2, ssr / df, 1e-9, what + " reduced chi2");
    const double logL = -N / 2 * (std::log(2 * std::numbers::pi) + 1 - std::log(N) + std::log(ssr));
    ExpectRelative(*report.logLikelihood, logL, 1e-9, what + " logL");
    ExpectRelative(*report.AIC, -2 * logL + 6, 1e-9, what + " AIC");
    ExpectRelative(*report.AICc, -2 * logL + 6 + 24 / (N - 4), 1e-9, what + " AICc");
    ExpectRelative(*report.BIC, -2 * logL + 3 * std::log(N), 1e-9, what + " BIC");

    // The bands at a point inside and one outside the data; t to the 7
    // decimals of the program's quantile.
    const double t = TQuantile(std::round(N) - 2, 0.05);
    BandCalculator bands(state);
    ASSERT_TRUE(bands.Available()) << what;
    for (const double x0 : {xm, x.back() + 3.0}) {
        const PredictionInterval at = bands.At(std::span<const double>(&x0, 1));
        const double leverage = 1 / N + (x0 - xm) * (x0 - xm) / sxx;
        ExpectRelative(at.value, b0 + b1 * x0, 1e-9, what + " f");
        ExpectRelative(*at.confidenceHalf, t * s * std::sqrt(leverage), 1e-6, what + " confidence band");
        ExpectRelative(*at.predictionHalf, t * s * std::sqrt(1 + leverage), 1e-6, what + " prediction band");
    }
}

TEST(FitReport, StraightLineMatchesTheClosedFormsWithAndWithoutWeights) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> y = {2.1, 3.9, 6.2, 7.8, 10.1, 12.2, 13.8, 16.3};
    const std::vector<double> ones(x.size(), 1.0);
    const std::vector<double> w = {0.5, 1.5, 2, 1, 0.7, 3, 1.2, 0.9};  // N = 10.8: a real df for P
    for (const auto* weights : {&ones, &w}) {
        const std::string what = weights == &ones ? "unweighted" : "weighted";
        CheckStraightLine(Fitted(test::MakeData(1, x, y, *weights), test::BuiltInModel(0), {1, 1}), x, y, *weights,
                          what + " model 0");
        CheckStraightLine(Fitted(test::MakeData(1, x, y, *weights), test::GeneralModel("C0+C1*X1", 2, 1), {1, 1}), x, y,
                          *weights, what + " general model");
    }
}

TEST(FitReport, WeightsCountAsReplicatesAndFixedCoefficientsLeaveTheFreeOnes) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x = {0.5, 1, 2, 3, 5, 8}, y = {1.9, 3.1, 4.4, 5.6, 6.9, 7.6};
    std::vector<double> x2 = x, y2 = y;
    x2.insert(x2.end(), x.begin(), x.end());
    y2.insert(y2.end(), y.begin(), y.end());
    const auto model = test::GeneralModel("C0*X1/(C1+X1)", 2, 1);
    const TFitReport doubled =
        ComputeFitReport(Fitted(test::MakeData(1, x, y, std::vector<double>(6, 2.0)), model, {9, 2}));
    const TFitReport twice = ComputeFitReport(Fitted(test::MakeData(1, x2, y2), model, {9, 2}));
    for (std::size_t j = 0; j < 2; ++j) {
        ExpectRelative(*doubled.standardErrors[j], static_cast<double>(*twice.standardErrors[j]), 1e-7, "SE");
        ExpectRelative(*doubled.pValues[j], static_cast<double>(*twice.pValues[j]), 1e-6, "P");
    }
    ExpectRelative(*doubled.AICc, static_cast<double>(*twice.AICc), 1e-9, "AICc");

    // The intercept alone free: its variance is s²/N with s² = SSR/(N − 1).
    const TFitState line = Fitted(test::MakeData(1, x, y), test::BuiltInModel(0), {1, 1});
    const TFitReport report = ComputeFitReport(line, {false, true});
    EXPECT_EQ(report.freeCount, 1);
    EXPECT_FALSE(report.standardErrors[1] || report.tValues[1] || report.pValues[1] || report.correlation[0][1]);
    ExpectRelative(*report.standardErrors[0], std::sqrt(static_cast<double>(line.results.SSR) / 5 / 6), 1e-12, "fixed");
}

TEST(FitReport, TwoSidedPFollowsStudentsTFarIntoTheTail) {
    for (const double nu : {1.0, 2.5, 10.0, 37.0, 1000.0})
        for (const double t : {0.0, 0.3, -1.7, 4.0, 25.0, 200.0}) {
            const double expected = TwoSidedP(t, nu);
            if (expected < 1e-300) continue;
            ExpectRelative(StudentTwoSidedP(t, nu), expected, 1e-11,
                           "t " + std::to_string(t) + " nu " + std::to_string(nu));
        }
}

const std::string kNistDir = std::string(KURVEX_TEST_DATA_DIR) + "/nist/";

std::vector<std::vector<double>> NistRows(const nlohmann::json& problem) {
    const auto lines = problem["data_lines"].get<std::vector<int>>();
    std::ifstream in(kNistDir + problem["data_file"].get<std::string>());
    std::vector<std::vector<double>> rows;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number < lines[0] || number > lines[1]) continue;
        std::istringstream fields(line);
        std::vector<double> row;
        for (double v; fields >> v;) row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

TEST(FitReport, StandardErrorsMatchTheNistCertifiedValues) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    std::ifstream in(kNistDir + "index.json");
    const auto index = nlohmann::json::parse(in);
    // Linear problems with an intercept and a residual: model 0 on the
    // columns (Pontius as x and x²) and model 1 for Pontius itself.
    for (const std::string name : {"Norris", "Pontius", "Longley"}) {
        const auto& problem = *std::find_if(index["linear"].begin(), index["linear"].end(),
                                            [&](const auto& p) { return p["name"] == name; });
        const auto sds = problem["certified_std_devs"].get<std::vector<double>>();
        const int nx = static_cast<int>(sds.size()) - 1;
        std::vector<double> x, x1, y;
        for (const auto& row : NistRows(problem)) {
            y.push_back(row[0]);
            x1.push_back(row[1]);
            for (int k = 1; k <= nx; ++k)
                x.push_back(row.size() > 2 ? row[static_cast<std::size_t>(k)] : std::pow(row[1], k));
        }
        std::vector<TFitState> fits;
        fits.push_back(
            Fitted(test::MakeData(nx, x, y), test::BuiltInModel(0, nx), std::vector<double>(sds.size(), 1.0)));
        if (name == "Pontius") fits.push_back(Fitted(test::MakeData(1, x1, y), test::BuiltInModel(1), {1, 1, 1}));
        for (const auto& state : fits) {
            const TFitReport report = ComputeFitReport(state);
            for (std::size_t j = 0; j < sds.size(); ++j)
                ExpectRelative(*report.standardErrors[j], sds[j], 1e-8, name + " SE" + std::to_string(j));
        }
    }
    // Nonlinear problems: SEs from the inverse of the fit's last Jacobian.
    for (const auto& [name, formula, derivatives] :
         {std::tuple{std::string("Misra1a"), std::string("C0*(1-EXP(-C1*X1))"),
                     std::vector<std::string>{"1-EXP(-C1*X1)", "C0*X1*EXP(-C1*X1)"}},
          std::tuple{std::string("DanWood"), std::string("C0*X1^C1"),
                     std::vector<std::string>{"X1^C1", "C0*X1^C1*LN(X1)"}}}) {
        const auto& problem = *std::find_if(index["nonlinear"].begin(), index["nonlinear"].end(),
                                            [&](const auto& p) { return p["name"] == name; });
        std::vector<double> x, y;
        for (const auto& row : NistRows(problem)) y.push_back(row[0]), x.push_back(row[1]);
        const TFitState state = Fitted(test::MakeData(1, x, y), test::GeneralModel(formula, 2, 1, derivatives),
                                       problem["start2"].get<std::vector<double>>(), 1e-12);
        const TFitReport report = ComputeFitReport(state);
        const auto sds = problem["certified_std_devs"].get<std::vector<double>>();
        for (std::size_t j = 0; j < sds.size(); ++j)
            ExpectRelative(*report.standardErrors[j], sds[j], 1e-6, name + " SE" + std::to_string(j));
    }
}

// Michaelis–Menten with weights: the covariance s²·(JᵀWJ)⁻¹ formed here from
// the analytic Jacobian at the fitted coefficients, and its bands.
TEST(FitReport, NonlinearWeightedFitMatchesACovarianceFormedIndependently) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::vector<double> x = {0.02, 0.06, 0.11, 0.22, 0.56, 1.10, 0.02, 0.06, 0.11, 0.22, 0.56, 1.10};
    const std::vector<double> y = {76, 97, 123, 159, 191, 207, 47, 107, 139, 152, 201, 200};
    const std::vector<double> w = {1, 2, 1, 0.5, 1, 3, 1, 1, 2, 1, 0.5, 1};
    const TFitState state = Fitted(test::MakeData(1, x, y, w), test::BuiltInModel(3), {200, 0.1});
    const double a = state.results.coefficients[0], b = state.results.coefficients[1];
    double j00 = 0, j01 = 0, j11 = 0, ssr = 0, N = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double g0 = x[i] / (b + x[i]), g1 = -a * x[i] / ((b + x[i]) * (b + x[i]));
        j00 += w[i] * g0 * g0, j01 += w[i] * g0 * g1, j11 += w[i] * g1 * g1;
        ssr += w[i] * std::pow(y[i] - a * g0, 2);
        N += w[i];
    }
    const double det = j00 * j11 - j01 * j01, s2 = ssr / (N - 2);
    const double v00 = j11 / det, v01 = -j01 / det, v11 = j00 / det;
    const TFitReport report = ComputeFitReport(state);
    ExpectRelative(*report.standardErrors[0], std::sqrt(s2 * v00), 1e-6, "SE0");
    ExpectRelative(*report.standardErrors[1], std::sqrt(s2 * v11), 1e-6, "SE1");
    ExpectRelative(*report.pValues[1], TwoSidedP(b / std::sqrt(s2 * v11), N - 2), 1e-5, "P1");
    ExpectRelative(*report.correlation[1][0], v01 / std::sqrt(v00 * v11), 1e-6, "corr");

    const double x0 = 0.4, g0 = x0 / (b + x0), g1 = -a * x0 / ((b + x0) * (b + x0));
    const double q = g0 * g0 * v00 + 2 * g0 * g1 * v01 + g1 * g1 * v11;
    const auto band = ComputeBands(state, x0, x0 + 1, 2);
    ASSERT_EQ(band.size(), 2u);
    const double t = TQuantile(std::round(N) - 2, 0.05);
    ExpectRelative(*band[0].confidenceHigh - band[0].fit, t * std::sqrt(s2 * q), 1e-6, "confidence band");
    ExpectRelative(band[0].fit - *band[0].predictionLow, t * std::sqrt(s2 * (1 + q)), 1e-6, "prediction band");
}

}  // namespace
}  // namespace kurvex
