// The catalogue of bad inputs: one table, each row an input a user can give
// the program and the outcome it must have. Every outcome is the documented
// result or a clear message; nothing may crash, hang or return a non-finite
// number. docs/reliability.md lists the same rows for readers.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/common/IniFile.h"
#include "core/common/TextDecode.h"
#include "core/data/ReadSettings.h"
#include "core/equations/EquationList.h"
#include "core/expression/Formula.h"
#include "core/regression/Calculate.h"
#include "core/regression/ModelSelection.h"
#include "tests/reliability/ReliabilitySupport.h"

namespace kurvex::reliability {
namespace {

const std::vector<double> kX{0, 3};  // X0, X1 = 3
const std::vector<double> kC{2, 5};  // C0 = 2, C1 = 5

// A formula typed by the user: refused by normalisation, or evaluated.
std::string Formula(const std::string& text) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const std::string normalised = NormalizeFormula(text);
    if (normalised.empty()) return "refused" + MessagesSuffix(sink);
    return EvaluationOutcome(normalised, kX, kC);
}

std::string Repeat(const std::string& piece, int count, const std::string& separator = "") {
    std::string text;
    for (int i = 0; i < count; ++i) text += (i > 0 ? separator : "") + piece;
    return text;
}

// --- data files -------------------------------------------------------------

std::string DataFile(const TempFolder& folder, const std::string& bytes, const Selection& choice = {}) {
    return LoadAndBuild(folder.Write("data.csv", bytes), choice).outcome;
}

// Every prefix of a small file must load into valid UTF-8 cells and either
// build or say why not.
std::string EveryPrefix(const TempFolder& folder, const std::string& bytes) {
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        LoadedData loaded = LoadAndBuild(folder.Write("prefix.csv", bytes.substr(0, length)));
        if (!loaded.loaded) return "prefix " + std::to_string(length) + " not loaded";
        for (int r = 0; r < loaded.table.RowCount(); ++r)
            for (int c = 0; c < loaded.table.ColumnCount(); ++c)
                if (!IsValidUtf8(loaded.table.Cell(c, r))) return "prefix " + std::to_string(length) + " bad text";
        const bool explained = loaded.outcome.find("built n=") != std::string::npos ||
                               loaded.outcome.find("有効なデータの組がありません。") != std::string::npos;
        if (!explained) return "prefix " + std::to_string(length) + ": " + loaded.outcome;
    }
    return std::to_string(bytes.size() + 1) + " prefixes loaded, each built or explained";
}

// --- settings files ------------------------------------------------------------

std::string Settings(const TempFolder& folder, const std::string& bytes) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SelectionSettings s;
    ReadReadSettings(folder.Write("ReadParameter.ini", bytes), s);
    const int n = SelectedVariableCount(s);
    std::string text = "Y " + s.yColumn + " f " + s.yTransform + " w " + s.weightColumn + " skip " + s.skip + " step " +
                       s.step + " last " + s.lastRow + " cond " + (s.conditionOn ? "on " : "off ") +
                       std::to_string(s.condition.size()) + "B n " + std::to_string(n) + " X";
    for (int i = 0; i < n; ++i) text += " " + s.x[i].column + ":" + s.x[i].transform;
    return text + MessagesSuffix(sink);
}

// --- equation lists ---------------------------------------------------------------

std::string Entries(const EquationList& list) {
    std::string text;
    for (std::size_t i = 0; i < list.Count() && i < 3; ++i) {
        const RegisteredEquation& e = list.Entry(i);
        text += (i ? " / " : "") + e.formulaText + " [" + e.name + "]";
        for (const std::string& d : e.derivativeTexts) text += " {" + d + "}";
    }
    return text;
}

std::string EquationFile(const TempFolder& folder, const std::string& bytes) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    EquationList list;
    list.Load(folder.Write("Equation.txt", bytes));
    return std::to_string(list.Count()) + " entries: " + Entries(list) + MessagesSuffix(sink);
}

// --- fits ---------------------------------------------------------------------------

std::string Number4(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4g", value);
    return buffer;
}

// A result field: its word ("計算不能", "不能"), or its number to 4 digits.
std::string Rounded(const std::string& field) {
    if (field.empty()) return "-";
    try {
        std::size_t used = 0;
        const double value = std::stod(field, &used);
        return used == field.size() ? Number4(value) : field;
    } catch (const std::exception&) {
        return field;
    }
}

// exact: the coefficients and statistics are determined by the data; an ill-posed
// fit shows only the kind of each field, as its digits depend on rounding.
std::string Fit(const TFitData& data, int modelIndex, const std::vector<std::string>& initial, bool exact = true) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    SilentProgressSink progress;
    TFitState state;
    state.data = data;
    SelectModel(state.model, modelIndex, data.nx, GeneralModelSource{});
    FitConditionTexts texts;
    texts.initialValues = initial;
    texts.tolerances.assign(initial.size(), "0.000001");
    const CalculateOutcome outcome = Calculate(state, data.nx, texts, progress, {});
    std::string text = outcome.ran ? std::string(FitEndName(outcome.end)) : "stopped";
    if (outcome.ran) text += outcome.resultsValid ? ", results" : ", no results";
    std::vector<std::string> fields = {state.fields.EdtSSQ, state.fields.EdtSE,  state.fields.EditR2,
                                       state.fields.EditR,  state.fields.EditFV, state.fields.EditSP};
    fields.insert(fields.end(), state.fields.coefficients.begin(), state.fields.coefficients.end());
    fields.insert(fields.end(), state.fields.limits.begin(), state.fields.limits.end());
    for (const std::string& field : fields)
        for (const char* bad : {"INF", "inf", "NAN", "nan"})
            if (field.find(bad) != std::string::npos) return "NON-FINITE RESULT " + field;
    if (outcome.resultsValid) {
        // Rounded, and rounding noise shown as 0, so that the row holds for every compiler.
        text += exact ? " C" : " C not determined";
        for (const std::string& c : exact ? state.fields.coefficients : std::vector<std::string>{}) {
            const double value = std::stod(c);
            text += " " + Number(std::fabs(value) < 1e-9 ? 0.0 : std::stod(Number4(value)));
        }
        int limits = 0;
        for (const std::string& l : state.fields.limits) limits += l.empty() ? 0 : 1;
        auto shown = [&](const std::string& field) {
            if (exact || field.empty() || !std::isdigit(static_cast<unsigned char>(field.back())))
                return Rounded(field);
            return std::string("a number");
        };
        text += ", " + std::to_string(limits) + " limits, R2 " + shown(state.fields.EditR2) + ", F " +
                shown(state.fields.EditFV);
    }
    return text + MessagesSuffix(sink);
}

TFitData Points(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& w = {}) {
    TFitData data;
    data.nx = 1;
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double xi = x[i];
        data.AddPoint(static_cast<std::int32_t>(i + 1), y[i], w.empty() ? 1.0 : w[i], {&xi, 1});
    }
    data.FinishSums();
    return data;
}

// A data set built from a file with the weight in column 3, then fitted.
std::string WeightedFit(const TempFolder& folder, const std::string& bytes, int modelIndex) {
    LoadedData loaded = LoadAndBuild(folder.Write("weights.csv", bytes), {1, "3", "0"});
    if (loaded.data.n == 0) return loaded.outcome;
    return loaded.outcome + " N " + Number(loaded.data.N) + "; fit " + Fit(loaded.data, modelIndex, {"1", "1"});
}

#if defined(__SANITIZE_ADDRESS__)
constexpr double kRowSecondsLimit = 60;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr double kRowSecondsLimit = 60;
#else
constexpr double kRowSecondsLimit = 10;
#endif
#else
constexpr double kRowSecondsLimit = 10;
#endif

struct BadInput {
    const char* area;
    std::string input;
    std::string expected;
    std::function<std::string(const TempFolder&)> run;
};

std::vector<BadInput> Catalogue() {
    const std::string bracket = "括弧の数が合いません。";
    const std::string format = "式のフォーマットエラー";
    const std::string noData = "有効なデータの組がありません。";
    const std::string calculationError = "計算エラー！\n計算条件を変更して下さい。";
    const std::string largeFile = std::string("; ") + kLargeFileQuestion;
    std::vector<BadInput> rows = {
        // Formulas (X1 = 3, C0 = 2, C1 = 5).
        {"formula", "empty", "refused", [](auto&) { return Formula(""); }},
        {"formula", "blanks and tabs only", "refused", [](auto&) { return Formula(" \t \t "); }},
        {"formula", "99 operands X1+X1+...", "value 297", [](auto&) { return Formula(Repeat("X1", 99, "+")); }},
        {"formula", "100 operands", "fault format; " + format, [](auto&) { return Formula(Repeat("X1", 100, "+")); }},
        {"formula", "10,000 nested brackets around X1", "value 3",
         [](auto&) { return Formula(Repeat("(", 10000) + "X1" + Repeat(")", 10000)); }},
        {"formula", "10,000 opening brackets only", "refused; " + bracket,
         [](auto&) { return Formula(Repeat("(", 10000) + "X1"); }},
        {"formula", "NUL byte inside C0+<NUL>X1", "fault format; " + format,
         [](auto&) { return Formula(std::string("C0+\0X1", 6)); }},
        {"formula", "NUL bytes at both ends of C0*X1", "value 6",
         [](auto&) { return Formula(std::string("\0C0*X1\0", 7)); }},
        {"formula", "invalid UTF-8 X1+\\xFF\\xFE", "fault format; " + format,
         [](auto&) { return Formula("X1+\xFF\xFE"); }},
        {"formula", "full-width Ｘ１", "fault format; " + format, [](auto&) { return Formula("Ｘ１"); }},
        {"formula", "huge exponent 2^16384", "fault numeric", [](auto&) { return Formula("2^16384"); }},
        {"formula", "huge exponent EXP(1E5)", "fault numeric", [](auto&) { return Formula("EXP(1E5)"); }},
        {"formula", "X1^-99999 (the whole power overflows before its reciprocal)", "fault numeric",
         [](auto&) { return Formula("X1^-99999"); }},
        {"formula", "X1^-99999.5 (underflow)", "value 0", [](auto&) { return Formula("X1^-99999.5"); }},
        {"formula", "1E400 (beyond double, within extended)", "value 1e+400", [](auto&) { return Formula("1E400"); }},
        {"formula", "1E5000 (beyond extended)", "fault format; " + format, [](auto&) { return Formula("1E5000"); }},
        {"formula", "400-digit number", "value 1e+400", [](auto&) { return Formula("1" + Repeat("0", 400)); }},
        {"formula", "exponent 1E99999999999999999999", "fault format; " + format,
         [](auto&) { return Formula("1E99999999999999999999"); }},

        // Data files, X1 from column 1 and Y from column 2, no rows skipped.
        {"data file", "empty file", "table 1x2, no valid rows; " + noData, [](auto& f) { return DataFile(f, ""); }},
        {"data file", "only a header line", "table 1x2, no valid rows; " + noData,
         [](auto& f) { return DataFile(f, "x,y\n"); }},
        {"data file", "only a header line, one row skipped", "table 1x2, not prepared; 該当するデータ行がありません。",
         [](auto& f) {
             return DataFile(f, "x,y\n", {1, "0", "1"});
         }},
        {"data file", "a 10 MB single line", "table 1x1310720, built n=1",
         [](auto& f) { return DataFile(f, Repeat("1234567,", 1310720).substr(0, 10485759) + "\n"); }},
        {"data file", "100,000 columns in 3 lines", "table 3x100000, built n=3",
         [](auto& f) {
             const std::string line = Repeat("2.5", 100000, ",") + "\n";
             return DataFile(f, line + line + line);
         }},
        {"data file", "CR-only line ends", "table 3x2, built n=3",
         [](auto& f) { return DataFile(f, "1,2\r2,4\r3,6\r"); }},
        {"data file", "mixed CR LF, LF and CR line ends, no final break", "table 4x2, built n=4",
         [](auto& f) { return DataFile(f, "1,2\r\n2,4\n3,6\r4,8"); }},
        {"data file", "UTF-8 byte-order mark", "table 3x2, built n=3",
         [](auto& f) {
             return DataFile(f,
                             "\xEF\xBB\xBF"
                             "1,2\n2,4\n3,6\n");
         }},
        {"data file", "Shift-JIS and UTF-8 lines in one file", "table 3x3, built n=3, read as CP932, cells UTF-8",
         [](auto& f) {
             LoadedData loaded = LoadAndBuild(f.Write("mixed.csv", "1,2,\x82\xA0\n2,4,\xE3\x81\x82\n3,6,\x83\x41\n"));
             std::string text = loaded.outcome;
             if (loaded.table.FileIsCp932()) text += ", read as CP932";
             bool utf8 = true;
             for (int r = 1; r < loaded.table.RowCount(); ++r) utf8 = utf8 && IsValidUtf8(loaded.table.Cell(3, r));
             return text + (utf8 && loaded.table.Cell(3, 1) == "あ" ? ", cells UTF-8" : ", BAD CELLS");
         }},
        {"data file", "truncated at every byte of a small file", "39 prefixes loaded, each built or explained",
         [](auto& f) {
             return EveryPrefix(f, "\xEF\xBB\xBFx,y\r\n1,2.5\r\n\"2\",3E1\r\n3,\xE3\x81\x82\n4,\x82\xA0,5\r\n");
         }},
        {"data file", "cells 1E400, -1E400, NaN, INF", "table 5x2, built n=1",
         [](auto& f) { return DataFile(f, "1,1E400\n2,-1E400\n3,nan\n4,INF\n5,7\n"); }},
        {"data file", "1,001 lines (large-file question answered Yes)", "table 1001x2, built n=1001" + largeFile,
         [](auto& f) {
             std::string text;
             for (int i = 1; i <= 1001; ++i) text += std::to_string(i) + "," + std::to_string(2 * i) + "\n";
             return DataFile(f, text);
         }},

        // Data-read settings files.
        {"settings file", "4 KB of random bytes", "Y 1 f Y w 0 skip 1 step 1 last -1 cond off 0B n 1 X 2:X",
         [](auto& f) {
             std::mt19937 random(12);
             std::string bytes(4096, '\0');
             for (char& ch : bytes) ch = static_cast<char>(random() & 0xFF);
             return Settings(f, bytes);
         }},
        {"settings file", "duplicated sections and keys (the first one counts)",
         "Y 3 f LN(Y) w 0 skip 1 step 1 last -1 cond off 0B n 1 X 2:X",
         [](auto& f) {
             return Settings(f,
                             "[Objective]\nItem No=3\nFunction=LN(Y)\nFunction=Y^2\n[OBJECTIVE]\nItem No=4\n"
                             "Function=SQRT(Y)\n");
         }},
        {"settings file", "enormous values: 1 MB condition, 25-digit integers",
         "Y 1 f Y w 0 skip 1 step 1 last -1 cond on 1048576B n 1 X 2:X",
         [](auto& f) {
             return Settings(f,
                             "[Objective]\nItem No=9999999999999999999999999\n[Conditions]\nSet discriminant=1\n"
                             "Discriminant expression=" +
                                 Repeat("(A1>0)or", 131072) + "\n");
         }},
        {"settings file", "a count of 25 with 3 entries",
         "Y 1 f Y w 0 skip 1 step 1 last -1 cond off 0B n 25 X 5:LN(X) 6:X 7:X " +
             [] {
                 std::string rest;
                 for (int i = 4; i <= 25; ++i) rest += std::to_string(i + 1) + ":X ";
                 rest.pop_back();
                 return rest;
             }(),
         [](auto& f) {
             return Settings(f,
                             "[Explanatory]\nNumber of variables=24\nItem No of X1=5\nFunction of X1=LN(X)\n"
                             "Item No of X2=6\nItem No of X3=7\n");
         }},

        // Equation lists ("Equation.txt").
        {"equation list", "1,001 lines", "1001 entries, all saved, a further registration refused",
         [](auto& f) {
             RecordingMessageSink sink;
             ScopedMessageSink guard(sink);
             std::string text;
             for (int i = 0; i < 1001; ++i) text += "y = C0+C1*X1,e" + std::to_string(i) + ",1,X1\n";
             EquationList list;
             list.Load(f.Write("Equation.txt", text));
             std::string outcome = std::to_string(list.Count()) + " entries";
             if (list.Save() && f.Read("Equation.txt") == text) outcome += ", all saved";
             if (!list.Add("C0*X1", "one more", {}) && list.Count() == 1001 &&
                 sink.Texts() == std::vector<std::string>{kEquationListFullMessage})
                 outcome += ", a further registration refused";
             return outcome;
         }},
        {"equation list", "a name with a comma in the file", "1 entries: y = C0*X1 [a] { b}",
         [](auto& f) { return EquationFile(f, "y = C0*X1,a, b,X1\n"); }},
        {"equation list", "a quoted name with a comma in the file", "1 entries: y = C0*X1 [a] { b}",
         [](auto& f) { return EquationFile(f, "y = C0*X1,\"a, b\",X1\n"); }},
        {"equation list", "a quoted name in the file", "1 entries: y = C0+C1*X1 [quoted name] {1} {X1}",
         [](auto& f) { return EquationFile(f, "y = C0+C1*X1,\"quoted name\",1,X1\r\n"); }},
        {"equation list", "CR-only line ends", "2 entries: y = C0*X1 [a] {X1} / y = C0+C1*X1 [b] {1} {X1}",
         [](auto& f) { return EquationFile(f, "y = C0*X1,a,X1\ry = C0+C1*X1,b,1,X1\r"); }},
        {"equation list", "registering a name with a comma", "refused; " + std::string(kCommaInEquationMessage),
         [](auto& f) {
             RecordingMessageSink sink;
             ScopedMessageSink guard(sink);
             EquationList list;
             list.Load(f.Path() / "CommaName.txt");
             const bool added = list.Add("C0*X1", "a, b", {});
             return std::string(added || list.Count() != 1 ? "added" : "refused") + MessagesSuffix(sink);
         }},
        {"equation list", "registering a name with quotes (refused: they would not read back)",
         "refused, nothing written",
         [](auto& f) {
             EquationList list;
             list.Load(f.Path() / "QuotedName.txt");
             const bool added = list.Add("C0*X1", "say \"hi\"", {"X1"});
             const bool written = std::filesystem::exists(f.Path() / "QuotedName.txt");
             return std::string(added ? "added" : "refused") + (written ? ", written" : ", nothing written");
         }},

        // Weights (column 3), through the data-set build and the linear fit.
        {"weights", "one zero weight", "table 4x3, built n=4 N 3; fit converged, results C 0 2, 2 limits, R2 1, F 不能",
         [](auto& f) { return WeightedFit(f, "1,2,1\n2,4,1\n3,7,0\n4,8,1\n", 0); }},
        {"weights", "all weights zero", "table 3x3, bad weights; ウェートの合計が0です。",
         [](auto& f) { return WeightedFit(f, "1,2,0\n2,4,0\n3,7,0\n", 0); }},
        {"weights", "a negative weight", "table 3x3, bad weights; ウェートに負の値があります。\n行番号：2",
         [](auto& f) { return WeightedFit(f, "1,2,1\n2,4,-1\n3,7,1\n", 0); }},
        {"weights", "weights 1e38 and 1 mixed",
         "table 4x3, built n=4 N 2e+38; fit converged, results C -0.25 2.25, 2 limits, R2 1, F 2.054e+70",
         [](auto& f) { return WeightedFit(f, "1,2,1e38\n2,4,1\n3,6.5,1e38\n4,8,1\n", 0); }},
        {"weights", "weights all 1e38",
         "table 4x3, built n=4 N 4e+38; fit converged, results C 0 2.05, 2 limits, R2 0.9917, F 4.803e+40",
         [](auto& f) { return WeightedFit(f, "1,2,1e38\n2,4,1e38\n3,6.5,1e38\n4,8,1e38\n", 0); }},
        {"weights", "a weight above 1e38 makes its row invalid", "table 3x3, built n=2",
         [](auto& f) {
             return DataFile(f, "1,2,1\n2,4,2e38\n3,7,1\n", {1, "3", "0"});
         }},

        // Degenerate data sets through the calculate command.
        {"data set", "one point, linear model",
         "stopped; データ数が足りません。\n推定すべきパラメータ数 2 より多くして下さい。",
         [](auto&) {
             return Fit(Points({1}, {2}), 0, {"1", "1"});
         }},
        {"data set", "all points equal, linear model",
         "error, results C 2 0, 0 limits, R2 計算不能, F 不能; " + calculationError,
         [](auto&) {
             return Fit(Points({1, 1, 1, 1}, {2, 2, 2, 2}), 0, {"1", "1"});
         }},
        {"data set", "all points equal, Michaelis-Menten",
         "converged, results C not determined, 2 limits, R2 計算不能, F 不能",
         [](auto&) {
             return Fit(Points({1, 1, 1, 1}, {2, 2, 2, 2}), 3, {"1", "1"}, false);
         }},
        {"data set", "x all equal, linear model",
         "error, results C 0 0.9167, 0 limits, R2 計算不能, F 0; " + calculationError,
         [](auto&) {
             return Fit(Points({3, 3, 3, 3}, {1, 2, 3, 5}), 0, {"1", "1"});
         }},
        {"data set", "x all equal, Michaelis-Menten",
         "converged, results C not determined, 2 limits, R2 計算不能, F a number",
         [](auto&) {
             return Fit(Points({3, 3, 3, 3}, {1, 2, 3, 5}), 3, {"1", "1"}, false);
         }},
        {"data set", "y constant, linear model",
         "converged, results C not determined, 2 limits, R2 計算不能, F a number",
         [](auto&) {
             return Fit(Points({1, 2, 3, 4}, {5, 5, 5, 5}), 0, {"1", "1"}, false);
         }},
        {"data set", "y constant, exponential rise",
         "iteration limit, results C not determined, 2 limits, R2 計算不能, F a number",
         [](auto&) {
             return Fit(Points({1, 2, 3, 4}, {5, 5, 5, 5}), 4, {"1", "1"}, false);
         }},
        {"data set", "y constant, allometric", "converged, results C 5 0, 2 limits, R2 計算不能, F 不能",
         [](auto&) {
             return Fit(Points({1, 2, 3, 4}, {5, 5, 5, 5}), 5, {"1", "1"});
         }},
    };
    return rows;
}

TEST(BadInputCatalogue, EveryInputGivesItsDocumentedOutcomeQuickly) {
    TempFolder folder;
    const std::vector<BadInput> rows = Catalogue();
    for (const BadInput& row : rows) {
        const auto start = std::chrono::steady_clock::now();
        const std::string outcome = row.run(folder);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(outcome, row.expected) << row.area << ": " << row.input;
        // A row that takes this long would feel like a hang to the user
        // (sanitizer builds run several times slower).
        EXPECT_LT(seconds, kRowSecondsLimit) << row.area << ": " << row.input;
    }
    RecordProperty("rows", static_cast<int>(rows.size()));

    // KURVEX_CATALOGUE_MARKDOWN=1 prints the table for docs/reliability.md.
    if (std::getenv("KURVEX_CATALOGUE_MARKDOWN") != nullptr) {
        auto cell = [](std::string text) {
            for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
                text.replace(at, 1, "\\n");
            for (std::size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 2))
                text.replace(at, 1, "\\|");
            return text;
        };
        std::printf("| # | Area | Input | Outcome |\n|---|---|---|---|\n");
        int number = 0;
        for (const BadInput& row : rows)
            std::printf("| %d | %s | %s | %s |\n", ++number, row.area, cell(row.input).c_str(),
                        cell(row.expected).c_str());
    }
}

}  // namespace
}  // namespace kurvex::reliability
