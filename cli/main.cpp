// kurvex-cli: the analyses of Kurvex without the windows, one JSON object on stdout.
#include <cstdio>
#include <iostream>
#include <sstream>

#include <CLI/CLI.hpp>

#include "cli/CliMessages.h"
#include "cli/Commands.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/common/ParallelSweep.h"
#include "core/common/Version.h"
#include "core/data/DataTable.h"
#include "core/tools/KendallTest.h"

namespace {

using namespace kurvex;
using namespace kurvex::cli;

// "1,2.5,-3" as numbers; a bad item is a usage error.
std::vector<double> ParseNumberList(const std::string& text, const std::string& option) {
    std::vector<double> values;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        auto value = ParseNumber(item);
        if (!value) throw CLI::ValidationError(option, "'" + item + "' is not a number");
        values.push_back(*value);
    }
    return values;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) items.push_back(item);
    return items;
}

void AddModelOptions(CLI::App& command, ModelOptions& model, std::string& init, std::string& tol) {
    auto* modelOption = command.add_option("--model", model.model, "built-in model 0..8")->check(CLI::Range(0, 8));
    auto* formulaOption = command.add_option("--formula", model.formula, "general model, e.g. C0*EXP(-C1*X1)");
    modelOption->excludes(formulaOption);
    command.add_option("--deriv", model.derivatives, "derivative formulas dy/dC0;dy/dC1;...")->needs(formulaOption);
    command.add_option("--init", init, "initial values V0,V1,..., or auto (estimated from the data) or search");
    command.add_option("--range", model.ranges, "search range of one coefficient j:low:high (repeat for more)");
    command.add_option("--fix", model.fixed, "coefficients held at their initial values, e.g. 0,2")->delimiter(',');
    command.add_option("--tol", tol, "tolerances T0,T1,...");
    command.add_option("--method", model.method, "derivatives: numeric or formula")
        ->check(CLI::IsMember({"numeric", "formula"}));
    command.add_option("--lambda-max", model.lambdaMax, "upper bound of lambda")->capture_default_str();
    command.add_option("--max-iter", model.maxIterations, "maximum iterations")->capture_default_str();
    command.add_option("--dx", model.increment, "initial increment of the numeric derivatives")->capture_default_str();
    command.add_option("--confidence", model.confidence, "two-sided confidence level in %")->capture_default_str();
}

// Every command's options, filled in by the parser.
struct CommandLine {
    CLI::App* eval = nullptr;
    CLI::App* fit = nullptr;
    CLI::App* predict = nullptr;
    CLI::App* kendall = nullptr;
    CLI::App* spline = nullptr;
    CLI::App* models = nullptr;

    EvalOptions evalOptions;
    std::string evalX, evalC;
    SelectionOptions fitSelection;
    ModelOptions fitModel;
    std::string fitInit, fitTol;
    SelectionOptions predictSelection;
    ModelOptions predictModel;
    PredictOptions predictOptions;
    std::string predictInit, predictTol;
    std::vector<std::string> predictAt;
    SelectionOptions kendallSelection;
    KendallOptions kendallOptions;
    SelectionOptions splineSelection;
    SplineOptions splineOptions;
    int threads = 0;
};

void AddEvalCommand(CLI::App& app, CommandLine& line) {
    line.eval = app.add_subcommand("eval", "evaluate a formula");
    line.eval->add_option("FORMULA", line.evalOptions.formula, "formula in the program's language")->required();
    line.eval->add_option("--x", line.evalX, "variables X0,X1,...");
    line.eval->add_option("--c", line.evalC, "coefficients C0,C1,...");
}

void AddFitCommand(CLI::App& app, CommandLine& line) {
    auto* fit = line.fit = app.add_subcommand("fit", "fit a model to a data file");
    ModelOptions& model = line.fitModel;
    AddSelectionOptions(*fit, line.fitSelection);
    AddModelOptions(*fit, model, line.fitInit, line.fitTol);
    fit->add_flag("--trace", model.trace, "include every shown set of results");
    fit->add_option("--bands", model.bands, "confidence and prediction bands at N points over the X1 range")
        ->check(CLI::Range(2, 100000));
    auto* reportOption = fit->add_option("--report", model.reportFile, "write an HTML report of the fit");
    fit->add_flag("--report-points", model.reportPoints,
                  "also write the points with fitted values and residuals as CSV")
        ->needs(reportOption);
}

void AddPredictCommand(CLI::App& app, CommandLine& line) {
    auto* predict = line.predict = app.add_subcommand("predict", "fit, then predict Y at the given X values");
    AddSelectionOptions(*predict, line.predictSelection);
    AddModelOptions(*predict, line.predictModel, line.predictInit, line.predictTol);
    predict->add_option("--at", line.predictAt, "X1,X2,... of one point to predict at (repeat for more points)")
        ->required()
        ->take_all()
        ->allow_extra_args(false);
}

void AddToolCommands(CLI::App& app, CommandLine& line) {
    line.kendall = app.add_subcommand("kendall", "Kendall's rank correlation test of Y against each X");
    AddSelectionOptions(*line.kendall, line.kendallSelection);
    line.kendall->add_flag("--exact", line.kendallOptions.exact,
                           "exact permutation probability (fewer than 12 points)");

    auto* spline = line.spline = app.add_subcommand("spline", "smooth or interpolate one-variable data");
    SplineOptions& options = line.splineOptions;
    AddSelectionOptions(*spline, line.splineSelection);
    spline->add_option("--method", options.method, "bayes or cubic")
        ->check(CLI::IsMember({"bayes", "cubic"}))
        ->capture_default_str();
    spline->add_option("--nd", options.nd, "sub-intervals of the Bayesian spline")->capture_default_str();
    spline->add_option("--range", options.range, "data, nice or MIN,MAX")->capture_default_str();
    spline->add_option("--np", options.np, "output intervals (the curve has NP+1 points)")->capture_default_str();
    spline->add_option("--out", options.outFile, "write the curve to this CSV file");

    line.models = app.add_subcommand("models", "list the nine built-in models with their numbers, formulas and names");
}

// The list options CLI11 leaves as text become numbers and items; a bad
// item is a usage error.
void ReadListOptions(CommandLine& line) {
    if (*line.eval) {
        if (!line.evalX.empty()) line.evalOptions.x = ParseNumberList(line.evalX, "--x");
        if (!line.evalC.empty()) line.evalOptions.c = ParseNumberList(line.evalC, "--c");
    }
    for (auto [init, tol, model] : {std::tuple{&line.fitInit, &line.fitTol, &line.fitModel},
                                    std::tuple{&line.predictInit, &line.predictTol, &line.predictModel}}) {
        if (*init == "auto" || *init == "search") model->startMode = *init;
        else if (!init->empty()) model->initialValues = SplitList(*init);
        if (!tol->empty()) model->tolerances = SplitList(*tol);
    }
    if (*line.predict)
        for (const auto& point : line.predictAt) line.predictOptions.at.push_back(SplitList(point));
}

int RunChosenCommand(CommandLine& line, Json& out) {
    if (*line.eval) return RunEval(line.evalOptions, out);
    if (*line.fit) return RunFit(line.fitSelection, line.fitModel, out);
    if (*line.predict) return RunPredict(line.predictSelection, line.predictModel, line.predictOptions, out);
    if (*line.kendall) return RunKendall(line.kendallSelection, line.kendallOptions, out);
    if (*line.spline) return RunSpline(line.splineSelection, line.splineOptions, out);
    if (*line.models) return RunModels(out);
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kurvex-cli: nonlinear regression analysis from the command line (JSON on stdout)"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("kurvex-cli ") + kProgramVersion, "print the version and exit");
    CommandLine line;
    AddEvalCommand(app, line);
    AddFitCommand(app, line);
    AddPredictCommand(app, line);
    AddToolCommands(app, line);
    for (auto* command : {line.fit, line.predict, line.kendall, line.spline})
        command->add_option("--threads", line.threads, "most threads a computation uses (0: all, 1: one)")
            ->check(CLI::NonNegativeNumber);

    try {
        app.parse(argc, argv);
        SetThreadLimit(line.threads);
        ReadListOptions(line);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : kExitUsage;
    }

    CliMessageSink messages;
    messages.answerQuestion = [&](const std::string& text) {
        if (text == kLargeFileQuestion) return MessageAnswer::Yes;  // streaming: nothing to edit here
        if (text == kKendallPermutationQuestion)
            return line.kendallOptions.exact ? MessageAnswer::Yes : MessageAnswer::No;
        return MessageAnswer::No;
    };
    ScopedMessageSink guard(messages);

    Json out = Json::object();
    int status = kExitOk;
    try {
        status = RunChosenCommand(line, out);
    } catch (const std::exception& error) {
        ShowError(error.what());
        status = kExitAnalysisError;
    }
    out["messages"] = messages.ToJson();
    std::cout << out.dump(2) << std::endl;
    return status;
}
