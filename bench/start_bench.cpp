// Starting values without guesswork, measured:
//  1. every NIST StRD nonlinear problem in tests/data/nist from the search
//     alone (every initial value 1, default conditions): digits of the
//     certified values reached, and the time of search and fit;
//  2. every built-in iterative model on real data sets (bench/data): the fit
//     from the estimated start with default conditions against the fit from
//     the default start and against the fit from the search, which stands for
//     the least-squares answer.
// Run from the repository root: start_bench [nist|builtin] (both by default).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/common/MessageSink.h"
#include "core/regression/Fitting.h"
#include "core/regression/ModelSelection.h"
#include "core/regression/Models.h"
#include "core/regression/StartEstimates.h"
#include "core/regression/StartSearch.h"

using namespace kurvex;

namespace {

TFitData MakeData(const std::vector<double>& x, const std::vector<double>& y) {
    TFitData data;
    data.nx = 1;
    for (std::size_t i = 0; i < y.size(); ++i)
        data.AddPoint(static_cast<std::int32_t>(i + 1), y[i], 1.0, std::span<const double>(&x[i], 1));
    data.FinishSums();
    return data;
}

TFitConditions Defaults(int m) {
    TFitConditions conditions;
    conditions.initialValues.assign(static_cast<std::size_t>(m), 1.0);
    conditions.tolerances.assign(static_cast<std::size_t>(m), 1e-6);
    conditions.h0.assign(static_cast<std::size_t>(m), 1e-6);
    return conditions;
}

struct FitOutcome {
    FitEnd end = FitEnd::StartError;
    bool valid = false;
    long double ssr = 0;
    std::vector<double> c;
};

FitOutcome Fit(const TFitModel& model, const TFitData& data, const std::vector<double>& start) {
    RecordingMessageSink quiet;
    ScopedMessageSink guard(quiet);
    SilentProgressSink progress;
    TFitState state;
    state.data = data;
    state.model = model;
    state.conditions = Defaults(model.m);
    state.conditions.initialValues = start;
    state.results.coefficients = start;
    state.results.residuals.assign(static_cast<std::size_t>(data.n), 0.0);
    state.fields.ClearGridColumns(model.m);
    FitOutcome out;
    out.end = FitMarquardt(state, progress, {});
    out.valid = state.results.valid;
    out.ssr = state.results.SSR;
    out.c = state.results.coefficients;
    return out;
}

double Lre(double estimate, double certified) {
    const double error = std::fabs(estimate - certified) / std::fabs(certified);
    if (error == 0) return 11;
    return std::clamp(-std::log10(error), 0.0, 11.0);
}

// Terms of a sum that can change places (and widths that enter squared):
// the same curve, the same least-squares answer, with other labels.
struct Interchangeable {
    std::vector<std::vector<int>> blocks;
    std::vector<int> squared;
};

double MatchedLre(std::vector<double> c, const std::vector<double>& certified, const Interchangeable& terms) {
    for (const int j : terms.squared) c[static_cast<std::size_t>(j)] = std::fabs(c[static_cast<std::size_t>(j)]);
    auto lreOf = [&](const std::vector<double>& v) {
        double lre = 11;
        for (std::size_t j = 0; j < v.size(); ++j) lre = std::min(lre, Lre(v[j], certified[j]));
        return lre;
    };
    double best = lreOf(c);
    std::vector<int> order(terms.blocks.size());
    std::iota(order.begin(), order.end(), 0);
    while (std::next_permutation(order.begin(), order.end())) {
        std::vector<double> v = c;
        for (std::size_t b = 0; b < order.size(); ++b)
            for (std::size_t k = 0; k < terms.blocks[b].size(); ++k)
                v[static_cast<std::size_t>(terms.blocks[b][k])] =
                    c[static_cast<std::size_t>(terms.blocks[static_cast<std::size_t>(order[b])][k])];
        best = std::max(best, lreOf(v));
    }
    return best;
}

struct NistModel {
    std::string formula;
    Interchangeable terms;
};

const std::map<std::string, NistModel>& NistModels() {
    static const std::map<std::string, NistModel> models = {
        {"Misra1a", {"C0*(1-EXP(-C1*X1))", {}}},
        {"BoxBOD", {"C0*(1-EXP(-C1*X1))", {}}},
        {"Chwirut1", {"EXP(-C0*X1)/(C1+C2*X1)", {}}},
        {"Chwirut2", {"EXP(-C0*X1)/(C1+C2*X1)", {}}},
        {"Lanczos1", {"C0*EXP(-C1*X1)+C2*EXP(-C3*X1)+C4*EXP(-C5*X1)", {{{0, 1}, {2, 3}, {4, 5}}, {}}}},
        {"Lanczos2", {"C0*EXP(-C1*X1)+C2*EXP(-C3*X1)+C4*EXP(-C5*X1)", {{{0, 1}, {2, 3}, {4, 5}}, {}}}},
        {"Lanczos3", {"C0*EXP(-C1*X1)+C2*EXP(-C3*X1)+C4*EXP(-C5*X1)", {{{0, 1}, {2, 3}, {4, 5}}, {}}}},
        {"Gauss1",
         {"C0*EXP(-C1*X1)+C2*EXP(-(X1-C3)^2/C4^2)+C5*EXP(-(X1-C6)^2/C7^2)", {{{2, 3, 4}, {5, 6, 7}}, {4, 7}}}},
        {"Gauss3",
         {"C0*EXP(-C1*X1)+C2*EXP(-(X1-C3)^2/C4^2)+C5*EXP(-(X1-C6)^2/C7^2)", {{{2, 3, 4}, {5, 6, 7}}, {4, 7}}}},
        {"DanWood", {"C0*X1^C1", {}}},
        {"Hahn1", {"(((C0+C1*X1)+C2*X1^2)+C3*X1^3)/(((1+C4*X1)+C5*X1^2)+C6*X1^3)", {}}},
        {"MGH17", {"C0+C1*EXP(-X1*C3)+C2*EXP(-X1*C4)", {{{1, 3}, {2, 4}}, {}}}},
        {"Misra1c", {"C0*(1-(1+2*C1*X1)^(-0.5))", {}}},
        {"Misra1d", {"C0*C1*X1/(1+C1*X1)", {}}},
        {"MGH09", {"C0*(X1^2+X1*C1)/((X1^2+X1*C2)+C3)", {}}},
        {"Rat42", {"C0/(1+EXP(C1-C2*X1))", {}}},
        {"MGH10", {"C0*EXP(C1/(X1+C2))", {}}},
    };
    return models;
}

TFitModel GeneralModel(const std::string& formula, int m) {
    GeneralModelSource general;
    general.formula = formula;
    general.coefficientCount = m;
    general.variableCount = 1;
    TFitModel model;
    SelectModel(model, kGeneralModelIndex, 1, general);
    model.numericDerivatives = true;
    return model;
}

TFitModel BuiltIn(int index) {
    TFitModel model;
    SelectModel(model, index, 1, GeneralModelSource{});
    return model;
}

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void RunNist() {
    std::ifstream in("tests/data/nist/index.json");
    if (!in) {
        std::cerr << "run from the repository root (tests/data/nist/index.json)\n";
        return;
    }
    const auto index = nlohmann::json::parse(in);
    std::cout << "| Problem | Difficulty | m | Search + fit, wall s | CPU s | End | Digits as labelled | Digits, terms "
                 "matched | SSR digits |\n"
                 "|---|---|---|---|---|---|---|---|---|\n";
    int reached = 0, total = 0;
    for (const auto& problem : index["nonlinear"]) {
        const std::string name = problem["name"];
        const auto found = NistModels().find(name);
        std::ifstream file("tests/data/nist/" + problem["data_file"].get<std::string>());
        if (found == NistModels().end() || !file) continue;
        std::vector<double> x, y;
        std::string line;
        for (int number = 1; std::getline(file, line); ++number)
            if (number >= problem["data_lines"][0] && number <= problem["data_lines"][1]) {
                std::istringstream fields(line);
                double yi = 0, xi = 0;
                fields >> yi >> xi;
                y.push_back(yi);
                x.push_back(xi);
            }
        const int m = problem["n_params"];
        const TFitModel model = GeneralModel(found->second.formula, m);
        const TFitData data = MakeData(x, y);
        const auto wall0 = std::chrono::steady_clock::now();
        const double cpu0 = CpuSeconds();
        SilentProgressSink progress;
        const StartSearchResult search = SearchStartValues(model, data, Defaults(m), {}, progress);
        const FitOutcome fit =
            Fit(model, data, search.outcome == StartOutcome::Estimated ? search.values : Defaults(m).initialValues);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double cpu = CpuSeconds() - cpu0;
        const auto certified = problem["certified_values"].get<std::vector<double>>();
        double labelled = 11;
        for (int j = 0; j < m; ++j)
            labelled =
                std::min(labelled, Lre(fit.c[static_cast<std::size_t>(j)], certified[static_cast<std::size_t>(j)]));
        const double matched = MatchedLre(fit.c, certified, found->second.terms);
        const double rss = problem["certified_rss"];
        // A certified SSR at the rounding level of y (Lanczos1) is compared with the spread of y.
        const double ssrLre = rss < 1e-20 * static_cast<double>(data.Syy)
                                  ? Lre(1 + static_cast<double>(fit.ssr / data.Syy), 1)
                                  : Lre(static_cast<double>(fit.ssr), rss);
        ++total;
        if (fit.valid && matched >= 6) ++reached;
        std::cout << std::fixed << std::setprecision(2) << "| " << name << " | "
                  << problem["difficulty"].get<std::string>() << " | " << m << " | " << wall << " | " << cpu << " | "
                  << FitEndName(fit.end) << " | " << std::setprecision(1) << labelled << " | " << matched << " | "
                  << ssrLre << " |" << std::endl;
    }
    std::cout << "\n" << reached << " of " << total << " problems reach 6 digits (terms matched).\n\n";
}

struct Case {
    int model;
    std::string file;
    std::string source;
};

std::vector<Case> ReadManifest() {
    std::vector<Case> cases;
    std::ifstream in("bench/data/datasets.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Case c;
        fields >> c.model >> c.file;
        std::getline(fields, c.source);
        cases.push_back(c);
    }
    return cases;
}

bool ReadXy(const std::string& file, std::vector<double>& x, std::vector<double>& y) {
    std::ifstream in("bench/data/" + file);
    std::string line;
    if (!std::getline(in, line)) return false;  // header y,x
    while (std::getline(in, line)) {
        const auto comma = line.find(',');
        if (comma == std::string::npos) continue;
        y.push_back(std::stod(line.substr(0, comma)));
        x.push_back(std::stod(line.substr(comma + 1)));
    }
    return !x.empty();
}

void RunBuiltIn() {
    const auto cases = ReadManifest();
    if (cases.empty()) {
        std::cerr << "run from the repository root (bench/data/datasets.txt)\n";
        return;
    }
    std::cout << "| Model | Data | n | Estimated start: end, SSR | Default start: end, SSR | Search: SSR | Least "
                 "squares reached |\n"
                 "|---|---|---|---|---|---|---|\n";
    int passed = 0;
    for (const Case& c : cases) {
        std::vector<double> x, y;
        if (!ReadXy(c.file, x, y)) continue;
        const TFitData data = MakeData(x, y);
        const TFitModel model = BuiltIn(c.model);
        const auto start = EstimateBuiltInStart(c.model, data);
        const FitOutcome estimated = start ? Fit(model, data, *start) : FitOutcome{};
        const FitOutcome fromOnes = Fit(model, data, Defaults(model.m).initialValues);
        SilentProgressSink progress;
        const StartSearchResult search = SearchStartValues(model, data, Defaults(model.m), {}, progress);
        const FitOutcome searched =
            search.outcome == StartOutcome::Estimated ? Fit(model, data, search.values) : FitOutcome{};
        long double best = estimated.valid ? estimated.ssr : INFINITY;
        if (fromOnes.valid) best = std::min(best, fromOnes.ssr);
        if (searched.valid) best = std::min(best, searched.ssr);
        const bool ok = estimated.valid && estimated.end == FitEnd::Converged && estimated.ssr <= best * (1 + 1e-9L);
        if (ok) ++passed;
        auto text = [](const FitOutcome& f) {
            std::ostringstream s;
            s << FitEndName(f.end);
            if (f.valid) s << ", " << std::setprecision(7) << static_cast<double>(f.ssr);
            return s.str();
        };
        std::cout << "| " << c.model << " | " << c.file << " | " << data.n << " | " << text(estimated) << " | "
                  << text(fromOnes) << " | " << (searched.valid ? text(searched) : "-") << " | "
                  << (ok ? "yes" : "**no**") << " |" << std::endl;
    }
    std::cout << "\n"
              << passed << " of " << cases.size() << " fits from the estimate reach the least-squares answer.\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "";
    if (which.empty() || which == "nist") RunNist();
    if (which.empty() || which == "builtin") RunBuiltIn();
    return 0;
}
