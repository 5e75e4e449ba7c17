// End-to-end runs of kurvex-cli on real files, checking its JSON.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/common/NumberFormat.h"
#include "core/common/Version.h"
#include "tests/cli/JsonSchemaCheck.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct Run {
    int status = -1;
    std::string out;
    json result;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// `input`, when given, is the file standard input reads.
Run RunCli(const std::vector<std::string>& args, const std::string& input = "") {
    std::string command = Quote(KURVEX_CLI);
    for (const auto& a : args) command += " " + Quote(a);
    command += " 2>/dev/null";
    if (!input.empty()) command += " <" + Quote(input);
    Run run;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 4096> buffer{};
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), got);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.result = json::parse(run.out, nullptr, false);
    return run;
}

fs::path TempDir() {
    auto dir = fs::temp_directory_path() / ("kurvex-cli-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

fs::path WriteFile(const std::string& name, const std::string& text) {
    const auto path = TempDir() / name;
    std::ofstream(path) << text;
    return path;
}

// The data lines of a reference data file ("y x" per line after the "Data:" header) as a CSV with a header.
fs::path ReferenceCsv(const std::string& relative, const std::string& name) {
    std::ifstream in(fs::path(KURVEX_TEST_DATA_DIR) / relative);
    std::string line, csv = "y,x\n";
    bool inData = false;
    while (std::getline(in, line)) {
        if (line.rfind("Data:", 0) == 0 && line.find('y') != std::string::npos &&
            line.find("Response") == std::string::npos) {
            inData = true;
            continue;
        }
        if (!inData) continue;
        std::istringstream fields(line);
        double y, x;
        if (fields >> y >> x) csv += kurvex::FormatNumber(y, 17) + "," + kurvex::FormatNumber(x, 17) + "\n";
    }
    return WriteFile(name, csv);
}

double Digits(double value, double certified) {
    if (value == certified) return 17;
    return -std::log10(std::fabs(value - certified) / std::fabs(certified));
}

}  // namespace

TEST(Cli, EvalGivesValuesAndErrors) {
    auto run = RunCli({"eval", "2^3^2"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.result["value"], 64.0);

    run = RunCli({"eval", "c0+c1*x1+c2*x1^2+c3*x1^3", "--x", "0,2", "--c", "1,2,3,4"});
    EXPECT_EQ(run.result["normalized"], "C0+C1*X1+C2*X1^2+C3*X1^3");
    EXPECT_EQ(run.result["value"], 49.0);

    run = RunCli({"eval", "LN(0)"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.result.contains("error"));

    run = RunCli({"eval", "X9", "--x", "0,1,2"});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.result["messages"].size(), 1u);
    EXPECT_EQ(run.result["messages"][0]["text"], "式のフォーマットエラー");

    EXPECT_EQ(RunCli({"eval"}).status, 2);
    EXPECT_EQ(RunCli({"eval", "X1", "--x", "1,abc"}).status, 2);
    EXPECT_EQ(RunCli({"fit", "x.csv", "--model", "12"}).status, 2);
}

TEST(Cli, FitsTheEnzymeSampleAndShowsTheResultPageTexts) {
    const auto run = RunCli({"fit", std::string(KURVEX_SAMPLES_DIR) + "/enzyme_kinetics.csv", "--model", "3"});
    ASSERT_EQ(run.status, 0) << run.out;
    const json& r = run.result;
    EXPECT_EQ(r["end"], "converged");
    EXPECT_EQ(r["m"], 2);
    EXPECT_EQ(r["n"], 12);
    EXPECT_EQ(r["fields"]["EdtNS"], "12");
    for (int j = 0; j < 2; ++j) {
        const double c = r["coefficients"][j];
        EXPECT_GT(c, 0);
        EXPECT_EQ(r["fields"]["StringGridCoefficients"][j], kurvex::FormatNumber(c, 7));
        EXPECT_GT(r["confidence_half_widths"][j].get<double>(), 0);
    }
    EXPECT_EQ(r["fields"]["EdtSSQ"], kurvex::FormatNumber(r["SSR"].get<double>(), 7));
    EXPECT_GT(r["R2"].get<double>(), 0.95);
    EXPECT_EQ(r["df1"], 1);
    EXPECT_EQ(r["df2"], 10);
    EXPECT_TRUE(r["P"].is_null());
    EXPECT_EQ(r["P_below"], 0.0001);
    EXPECT_EQ(r["fields"]["EditSP"], "<< 0.0001");
    EXPECT_EQ(r["data"]["y_name"], "初速度 v (umol/min)");
}

TEST(Cli, ReachesCertifiedValuesOfReferenceProblems) {
    // Misra1a, y = b1*(1-exp(-b2*x)), from start 1 with tight tolerances and formula derivatives.
    const auto misra = ReferenceCsv("nist/nonlinear/Misra1a.dat", "misra1a.csv");
    auto run = RunCli({"fit", misra.string(), "--formula", "C0*(1-EXP(-C1*X1))", "--deriv",
                       "1-EXP(-C1*X1);C0*X1*EXP(-C1*X1)", "--method", "formula", "--init", "500,0.0001", "--tol",
                       "2.4e-9,5.5e-15", "--max-iter", "1000", "--lambda-max", "1e10"});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.result["model"]["numeric_derivatives"], false);
    EXPECT_GE(Digits(run.result["coefficients"][0], 2.3894212918E+02), 6);
    EXPECT_GE(Digits(run.result["coefficients"][1], 5.5015643181E-04), 6);
    EXPECT_GE(Digits(run.result["SSR"], 1.2455138894E-01), 6);

    // Norris, a straight line, by the direct linear fit of model 0.
    const auto norris = ReferenceCsv("nist/linear/Norris.dat", "norris.csv");
    run = RunCli({"fit", norris.string(), "--model", "0"});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_GE(Digits(run.result["coefficients"][0], -0.262323073774029), 6);
    EXPECT_GE(Digits(run.result["coefficients"][1], 1.00211681802045), 6);
    EXPECT_GE(Digits(run.result["SSR"], 26.6173985294224), 6);
}

TEST(Cli, ReportsRefusalsWithTheProgramsMessages) {
    const auto three = WriteFile("three.csv", "y,x\n1,1\n4,2\n9,3\n");
    auto run = RunCli({"fit", three.string(), "--model", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.result["end"], "refused");
    EXPECT_EQ(run.result["messages"][0]["text"],
              "データ数が足りません。\n推定すべきパラメータ数 3 より多くして下さい。");

    run = RunCli({"fit", (TempDir() / "missing.csv").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.result["messages"][0]["kind"], "error");

    run = RunCli({"fit", three.string(), "--formula", "C1*X1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.result["messages"][0]["text"], "最初のパラメータC0がありません。正しく設定して下さい。");

    run = RunCli({"fit", three.string(), "--where", "A1 GT 100"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.result["messages"].back()["text"], "有効なデータの組がありません。");

    // Conditions that cannot be used stop the analysis with their message, never every row.
    const auto zero = WriteFile("zero.csv", "y,x\n1,1\n0,2\n9,3\n");
    run = RunCli({"fit", zero.string(), "--where", "LN(A1) > 0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.result["messages"].back()["text"], "条件式を計算できない行があります。\n行番号：3");
    run = RunCli({"fit", zero.string(), "--where", "(A1 > 0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.result["messages"].back()["text"], "条件式が不正です");
}

TEST(Cli, PredictsWithTheFittedModel) {
    const auto line = WriteFile("line.csv", "y,x\n3,1\n5,2\n7,3\n9,4\n11,5\n");
    const auto run = RunCli({"predict", line.string(), "--model", "0", "--at", "3", "--at", "-1"});
    ASSERT_EQ(run.status, 0) << run.out;
    ASSERT_EQ(run.result["predictions"].size(), 2u);
    EXPECT_NEAR(run.result["predictions"][0]["value"].get<double>(), 7.0, 1e-9);
    EXPECT_EQ(run.result["predictions"][0]["text"], "7");
    EXPECT_EQ(run.result["predictions"][1]["at"][0], -1.0);
    EXPECT_NEAR(run.result["predictions"][1]["value"].get<double>(), -1.0, 1e-9);
    EXPECT_EQ(RunCli({"predict", line.string(), "--model", "0", "--at", "abc"}).result["messages"].back()["text"],
              "説明変数の入力エラー");
    // Three values for a one-variable model is a usage error, not an answer for the first.
    const auto wrong = RunCli({"predict", line.string(), "--model", "0", "--at", "0.5,1,10"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.result["messages"].back()["text"], "--at: 3 values given, the model has 1 explanatory variable(s)");
}

// The report figures under their documented names: Norris's certified
// standard deviations, bands over the data's range, the report file, and the
// intervals of a prediction from the textbook formulas of a straight line.
TEST(Cli, ReportFiguresBandsAndIntervals) {
    const auto norris = ReferenceCsv("nist/linear/Norris.dat", "norris.csv");
    const auto html = TempDir() / "norris.html";
    auto run = RunCli({"fit", norris.string(), "--model", "0", "--bands", "5", "--report", html.string()});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_GE(Digits(run.result["standard_errors"][0], 0.232818234301152), 8);
    EXPECT_GE(Digits(run.result["standard_errors"][1], 0.000429796848199937), 8);
    for (const char* name : {"t_values", "p_values", "correlation", "R2_explained", "R2_adjusted", "log_likelihood",
                             "AIC", "AICc", "BIC", "reduced_chi2", "evaluations"})
        EXPECT_FALSE(run.result[name].is_null()) << name;
    EXPECT_GE(Digits(run.result["R2_explained"], 0.999993745883712), 8);
    ASSERT_EQ(run.result["bands"].size(), 5u);
    for (const auto& b : run.result["bands"])
        EXPECT_TRUE(b["prediction_low"] < b["confidence_low"] && b["confidence_low"] < b["fit"] &&
                    b["fit"] < b["confidence_high"] && b["confidence_high"] < b["prediction_high"]);
    EXPECT_TRUE(fs::file_size(html) > 1000);

    const auto line = WriteFile("noisy.csv", "y,x\n3,1\n5.2,2\n6.8,3\n9.1,4\n11,5\n");
    run = RunCli({"predict", line.string(), "--model", "0", "--at", "3"});
    ASSERT_EQ(run.status, 0) << run.out;
    // b = 1.05 + 1.99x, SSR = 0.087, x̄ = 3, Sxx = 10; t(3, 2.5 %) = 3.182446305.
    const double ts = 3.182446305 * std::sqrt(0.087 / 3);
    const auto& p = run.result["predictions"][0];
    EXPECT_NEAR(p["confidence_interval"][1].get<double>() - 7.02, ts * std::sqrt(0.2), 1e-6);
    EXPECT_NEAR(7.02 - p["prediction_interval"][0].get<double>(), ts * std::sqrt(1.2), 1e-6);
}

// 0 only for a fit that converged; 3 for results of a fit that did not; the
// figures are full numbers, not the page texts read back.
TEST(Cli, ExitStatusTellsHowTheFitEnded) {
    const std::string enzyme = std::string(KURVEX_SAMPLES_DIR) + "/enzyme_kinetics.csv";
    auto run = RunCli({"fit", enzyme, "--model", "6"});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.result["end"], "iteration limit");
    EXPECT_EQ(run.result["fields"]["fit_end"], "最大繰り返し数に達しました。収束していません（繰り返し数：101）");
    run = RunCli({"fit", enzyme, "--model", "3"});
    EXPECT_EQ(run.status, 0);
    const double r2 = run.result["R2"];
    EXPECT_EQ(kurvex::FormatNumber(r2, 7), run.result["fields"]["EditR2"]);
    EXPECT_NE(r2, kurvex::ParseNumber(run.result["fields"]["EditR2"].get<std::string>()).value());
    run = RunCli(
        {"fit", std::string(KURVEX_SAMPLES_DIR) + "/bacterial_growth.csv", "--model", "5", "--method", "formula"});
    EXPECT_EQ(run.status, 0) << run.out;  // x = 0 in the data: the derivative's limit, no error
}

TEST(Cli, KendallExactAndNormal) {
    const auto four = WriteFile("four.csv", "y,x\n1,1\n2,2\n3,3\n4,4\n");
    auto run = RunCli({"kendall", four.string(), "--exact"});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.result["method"], "permutation");
    EXPECT_EQ(run.result["variables"][0]["S"], 6);
    EXPECT_NEAR(run.result["variables"][0]["P"].get<double>(), 1.0 / 24, 1e-12);
    EXPECT_FALSE(run.result["text"].get<std::string>().empty());

    run = RunCli({"kendall", four.string()});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.result["method"], "normal");
    EXPECT_NEAR(run.result["variables"][0]["P"].get<double>(), 0.04471, 5e-5);
}

TEST(Cli, SplineCurveWrittenToFile) {
    const auto out = TempDir() / "curve.csv";
    const auto run = RunCli({"spline", std::string(KURVEX_SAMPLES_DIR) + "/bacterial_growth.csv", "--method", "cubic",
                             "--np", "10", "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.result["points"].size(), 11u);
    std::ifstream in(out);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "培養時間 t (h),濁度 OD600");
    int lines = 0;
    for (std::string l; std::getline(in, l);) ++lines;
    EXPECT_EQ(lines, 11);

    const auto bayes = RunCli({"spline", std::string(KURVEX_SAMPLES_DIR) + "/bacterial_growth.csv"});
    ASSERT_EQ(bayes.status, 0) << bayes.out;
    EXPECT_EQ(bayes.result["points"].size(), 101u);
    EXPECT_NE(bayes.result["text"].get<std::string>().find("ベイズ型情報量規準："), std::string::npos);
}

TEST(Cli, StartsFromTheDataAndHoldsCoefficientsFixed) {
    const std::string enzyme = std::string(KURVEX_SAMPLES_DIR) + "/enzyme_kinetics.csv";
    // The asymptotic regression model from its estimate: converged, the start reported.
    auto run = RunCli({"fit", enzyme, "--model", "6", "--init", "auto"});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.result["start"]["outcome"], "estimated");
    EXPECT_EQ(run.result["start"]["values"].size(), 3u);
    EXPECT_LT(run.result["coefficients"][2].get<double>(), 0);  // a saturating curve

    // Misra1a as a general model from the search alone reaches the certified values.
    const auto misra = ReferenceCsv("nist/nonlinear/Misra1a.dat", "misra1a.csv");
    run = RunCli({"fit", misra.string(), "--formula", "C0*(1-EXP(-C1*X1))", "--init", "search", "--range", "1:1e-5:1"});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.result["start"]["method"], "search");
    EXPECT_GT(Digits(run.result["coefficients"][0], 238.94212918), 6);
    EXPECT_GT(Digits(run.result["coefficients"][1], 0.00055015643181), 6);

    // C1 held at 0.8: its limit reads "固定" and only one coefficient counts.
    run = RunCli({"fit", enzyme, "--model", "3", "--init", "2,0.8", "--fix", "1"});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.result["coefficients"][1], 0.8);
    EXPECT_EQ(run.result["fields"]["StringGridLimit"][1], "固定");
    EXPECT_EQ(run.result["df2"], 11);

    EXPECT_EQ(RunCli({"fit", enzyme, "--model", "3", "--fix", "2"}).status, 2);
    EXPECT_EQ(RunCli({"fit", enzyme, "--model", "1", "--init", "auto"}).status, 2);
    EXPECT_EQ(RunCli({"fit", enzyme, "--model", "3", "--range", "0:1:2"}).status, 2);
    EXPECT_EQ(RunCli({"fit", enzyme, "--formula", "C0*X1", "--init", "search", "--range", "0:2:1"}).status, 2);
    run = RunCli({"fit", enzyme, "--model", "3", "--fix", "0,1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.result["end"], "refused");
}

// The fit on any number of threads prints the one-thread output, trace included.
TEST(Cli, ThreadLimitLeavesEveryPrintedFigureAsOnOneThread) {
    std::string csv = "y,x\n";
    for (int i = 0; i < 20000; ++i) {
        const double x = 10.0 * ((i * 7919) % 20000) / 20000;
        csv += std::to_string(5 / (1 + std::exp(3 - 0.8 * x)) + 0.01 * ((i * 31) % 7 - 3)) + "," + std::to_string(x) +
               "\n";
    }
    const std::string file = WriteFile("threads.csv", csv).string();
    const std::vector<std::string> fit = {"fit",    file,      "--formula", "C0/(1+EXP(C1-C2*X1))",
                                          "--init", "4,2,0.5", "--trace"};
    auto with = [&](const std::string& threads) {
        auto args = fit;
        args.insert(args.end(), {"--threads", threads});
        return RunCli(args);
    };
    const auto one = with("1");
    ASSERT_EQ(one.status, 0) << one.out;
    EXPECT_EQ(one.result["end"], "converged");
    EXPECT_EQ(with("3").out, one.out);
    EXPECT_EQ(RunCli(fit).out, one.out);
    EXPECT_EQ(with("-1").status, 2);
}

TEST(Cli, ReadsStandardInputListsModelsAndTellsItsVersion) {
    const std::string enzyme = KURVEX_SAMPLES_DIR "/enzyme_kinetics.csv";
    const auto fromFile = RunCli({"fit", enzyme, "--model", "3"});
    const auto fromStdin = RunCli({"fit", "-", "--model", "3"}, enzyme);
    EXPECT_EQ(fromStdin.status, 0);
    EXPECT_EQ(fromStdin.result["data"]["file"], "-");
    EXPECT_EQ(fromStdin.result["coefficients"], fromFile.result["coefficients"]);
    EXPECT_EQ(fromStdin.result["fields"], fromFile.result["fields"]);
    // Empty input is a data file without rows, reported as such.
    const auto empty = RunCli({"fit", "-", "--model", "3"}, "/dev/null");
    EXPECT_EQ(empty.status, 1);
    EXPECT_FALSE(empty.result["messages"].empty());

    const auto models = RunCli({"models"});
    EXPECT_EQ(models.status, 0);
    ASSERT_EQ(models.result["models"].size(), 9u);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(models.result["models"][k]["number"], k);
    EXPECT_EQ(models.result["models"][3]["formula"], "C0*x1/(C1+x1)");
    EXPECT_EQ(models.result["models"][3]["name"], "Michaelis-Menten model");
    EXPECT_EQ(models.result["models"][3]["item"], "y = C0*x1/(C1+x1)            (Michaelis-Menten model)");

    const auto version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("kurvex-cli ") + kurvex::kProgramVersion + "\n");
}

TEST(Cli, EveryCommandsOutputFollowsTheSchema) {
    std::ifstream schemaFile(KURVEX_CLI_SCHEMA);
    const json schema = json::parse(schemaFile);
    const std::string enzyme = KURVEX_SAMPLES_DIR "/enzyme_kinetics.csv";
    const std::string curve = (TempDir() / "schema-curve.csv").string();
    const std::vector<std::vector<std::string>> runs = {
        {"eval", "C0*EXP(X1)", "--x", "0,1", "--c", "2"},
        {"eval", "LN(0)"},
        {"fit", enzyme, "--model", "3", "--trace"},
        {"fit", enzyme, "--model", "2", "--max-iter", "1"},
        {"fit", enzyme, "--formula", "C0*X1/(C1+X1", "--method", "formula"},
        {"fit", "/nonexistent/data.csv", "--model", "0"},
        {"predict", enzyme, "--model", "3", "--at", "1", "--at", "2.5"},
        {"predict", enzyme, "--model", "3", "--at", "1,2"},
        {"kendall", enzyme},
        {"kendall", enzyme, "--exact", "--last", "8"},
        {"spline", enzyme},
        {"spline", enzyme, "--method", "cubic", "--out", curve},
        {"models"},
    };
    for (const auto& args : runs) {
        const auto run = RunCli(args);
        ASSERT_FALSE(run.result.is_discarded()) << args[0] << ": " << run.out;
        const auto violations = kurvex::test::SchemaViolations(schema, schema, run.result);
        EXPECT_TRUE(violations.empty()) << args[0] << " " << args[1] << ": " << violations.front();
    }

    // The check itself finds a figure of the wrong type and a missing list.
    json fit = RunCli({"fit", enzyme, "--model", "3"}).result;
    fit["SSR"] = "0.1";
    fit.erase("messages");
    EXPECT_EQ(kurvex::test::SchemaViolations(schema, schema, fit).size(), 1u);  // oneOf: no schema matches
    EXPECT_EQ(kurvex::test::SchemaViolations(schema, schema["$defs"]["fit"], fit).size(), 2u);
}
