#include "core/data/Selection.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/data/TextReplace.h"
#include "core/expression/Condition.h"
#include "core/expression/Evaluator.h"
#include "core/expression/Formula.h"
#include "core/expression/PreparedFormula.h"

namespace kurvex {

const char* const kSelectAllExplanatoryMessage = "説明変数をすべて選択して下さい。";
const char* const kTooFewColumnsMessage = "説明変数の数が足りません。";
const char* const kNoCandidateRowsMessage = "該当するデータ行がありません。";
const char* const kBadYTransformMessage = "目的変数の変換式が不正です";
const char* const kBadXTransformMessage = "説明変数の変換式が不正です";
const char* const kVariableCountRangeMessage = "説明変数の数（次数）は1から50までの整数で指定して下さい。";
const char* const kStepBelowOneMessage = "ｽﾃｯﾌﾟ行数は1以上の整数で指定して下さい。";
const char* const kNegativeSkipMessage = "先頭ｽｷｯﾌﾟ行数は0以上の整数で指定して下さい。";
const char* const kBadConditionMessage = "条件式が不正です";

namespace {

constexpr double kLargestCellValue = 1e38;
constexpr int kCoefficientSlots = 100;
// A transform has no coefficients: one naming C1 would silently read 0.
constexpr int kNoCoefficients = -1;

std::string NotAnIntegerMessage(const std::string& text) { return "'" + text + "' は整数ではありません。"; }

// One pair of enclosing single quotes removed.
std::string WithoutSingleQuotes(std::string text) {
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') return text.substr(1, text.size() - 2);
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool OnlyBlanks(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The column index of an expression that is exactly "X<c>", else -1: such a
// transform needs no evaluation, which matters for files of millions of rows.
int DirectColumn(std::string_view expression) {
    if (expression.size() < 2 || expression.size() > 6 || expression[0] != 'X') return -1;
    int column = 0;
    for (std::size_t i = 1; i < expression.size(); ++i) {
        if (!IsDigit(expression[i])) return -1;
        column = column * 10 + (expression[i] - '0');
    }
    return column;
}

// Calls f(column, position) for every name "X<digits>" in the text.
template <typename F>
void ForEachColumnName(std::string_view text, std::size_t begin, std::size_t end, F&& f) {
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] != 'X' || i + 1 >= end || !IsDigit(text[i + 1])) continue;
        std::size_t j = i + 1;
        long long column = 0;
        while (j < end && IsDigit(text[j])) {
            if (column < 1'000'000) column = column * 10 + (text[j] - '0');
            ++j;
        }
        f(column, i, j);
        i = j - 1;
    }
}

void FlagColumnsOf(std::string_view expression, std::vector<char>& flags) {
    ForEachColumnName(expression, 0, expression.size(), [&](long long column, std::size_t, std::size_t) {
        if (column < static_cast<long long>(flags.size())) flags[column] = 1;
    });
}

// A column named in the condition is read as a number unless it is one side
// of a text comparison ("X4EQ\"OK\"" or "\"OK\"EQX4"); literals are text.
void FlagColumnsOfCondition(std::string_view condition, std::vector<char>& flags) {
    auto textComparisonAfter = [&](std::size_t end) {
        return end + 2 < condition.size() &&
               (condition.compare(end, 2, "EQ") == 0 || condition.compare(end, 2, "NE") == 0) &&
               condition[end + 2] == '"';
    };
    auto textComparisonBefore = [&](std::size_t begin) {
        return begin >= 3 && condition[begin - 3] == '"' &&
               (condition.compare(begin - 2, 2, "EQ") == 0 || condition.compare(begin - 2, 2, "NE") == 0);
    };
    ForEachQuotePiece(condition, [&](std::size_t begin, std::size_t end, bool quoted) {
        if (quoted) return;
        ForEachColumnName(condition, begin, end, [&](long long column, std::size_t at, std::size_t after) {
            if (column >= static_cast<long long>(flags.size())) return;
            if (textComparisonAfter(after) || textComparisonBefore(at)) return;
            flags[column] = 1;
        });
    });
}

bool ReadCellNumber(std::string_view text, double& value) {
    double parsed;
    if (!ParseNumber(text, parsed) || parsed > kLargestCellValue) return false;
    value = parsed;
    return true;
}

}  // namespace

SelectionSettings::SelectionSettings() {
    x.resize(kMaxExplanatoryVariables);
    for (int i = 1; i <= kMaxExplanatoryVariables; ++i) x[i - 1] = {std::to_string(i + 1), "X"};
}

int SelectedVariableCount(const SelectionSettings& settings) {
    const std::optional<long long> n = ParseInteger(settings.variableCount);
    if (!n || *n < 1 || *n > kMaxExplanatoryVariables) return 1;
    return static_cast<int>(*n);
}

void ApplyDefaultSelection(SelectionSettings& settings) {
    const int n = SelectedVariableCount(settings);
    settings.weightColumn = "0";
    if (settings.x.size() < kMaxExplanatoryVariables) settings.x.resize(kMaxExplanatoryVariables);
    for (int i = 1; i <= n; ++i) settings.x[i - 1] = {std::to_string(i), "x"};
    settings.yColumn = std::to_string(n + 1);
    settings.yTransform = "y";
    settings.skip = "1";
    settings.step = "1";
    settings.lastRow = "-1";
    settings.conditionOn = false;
    settings.condition.clear();
}

ReadCheckResult CheckReadSettings(const SelectionSettings& settings, int dataColumnCount) {
    ReadCheckResult result;
    auto fail = [&](std::string message, bool beep) {
        result.ok = false;
        result.message = std::move(message);
        result.beep = beep;
        return result;
    };
    auto integer = [](const std::string& text) { return ParseInteger(text); };

    const auto n = integer(settings.variableCount);
    if (!n) return fail(NotAnIntegerMessage(settings.variableCount), false);
    if (*n < 1 || *n > kMaxExplanatoryVariables) return fail(kVariableCountRangeMessage, true);
    SelectionValues& v = result.values;
    v.n = static_cast<int>(*n);

    // Every Xi column chosen and inside the table.
    for (int i = 1; i <= v.n; ++i) {
        const ExplanatoryVariableSetting empty;
        const ExplanatoryVariableSetting& xi =
            static_cast<std::size_t>(i) <= settings.x.size() ? settings.x[i - 1] : empty;
        const auto column = integer(xi.column);
        if (!column) return fail(NotAnIntegerMessage(xi.column), false);
        if (*column == 0) return fail(kSelectAllExplanatoryMessage, true);
        if (*column > dataColumnCount) return fail(kTooFewColumnsMessage, true);
        v.xColumns.push_back(static_cast<int>(*column));
        v.xTransforms.push_back(xi.transform);
    }
    // The table needs a column for Y besides the n columns of X.
    if (dataColumnCount < v.n + 1) return fail(kTooFewColumnsMessage, true);

    // The other numbers.
    struct Number {
        const std::string& text;
        long long* out;
    };
    long long yColumn = 0, weightColumn = 0;
    for (const Number& number :
         {Number{settings.yColumn, &yColumn}, Number{settings.weightColumn, &weightColumn},
          Number{settings.skip, &v.skip}, Number{settings.step, &v.step}, Number{settings.lastRow, &v.lastRow}}) {
        const auto value = integer(number.text);
        if (!value) return fail(NotAnIntegerMessage(number.text), false);
        *number.out = *value;
    }
    if (v.step < 1) return fail(kStepBelowOneMessage, true);
    if (v.skip < 0) return fail(kNegativeSkipMessage, true);
    // Columns far outside any table read as empty cells; keep them in int range.
    auto clampColumn = [](long long c) { return static_cast<int>(std::clamp<long long>(c, -1, 1'000'000'000)); };
    v.yColumn = clampColumn(yColumn);
    v.weightColumn = clampColumn(weightColumn);
    v.yTransform = settings.yTransform;
    v.conditionOn = settings.conditionOn;
    v.condition = settings.condition;
    result.ok = true;
    return result;
}

void ShowReadCheckFailure(const ReadCheckResult& result) {
    if (result.ok) return;
    if (result.beep) Messages().Beep();
    ShowError(result.message);
}

std::string RewriteYTransform(const std::string& transform, int yColumn, int C) {
    std::string text = ReplaceAllIgnoringCase(transform, "Y", "X" + std::to_string(yColumn));
    for (int c = 0; c <= C; ++c) text = ReplaceAllIgnoringCase(text, "A" + std::to_string(c), "X" + std::to_string(c));
    return text;
}

std::string RewriteXTransform(const std::string& transform, int xColumn, int C) {
    // EXP is hidden while X is replaced, so the function name survives.
    std::string text = ReplaceAllIgnoringCase(transform, "EXP", "EP");
    text = ReplaceAllIgnoringCase(text, "X", "X" + std::to_string(xColumn));
    text = ReplaceAllIgnoringCase(text, "EP", "EXP");
    for (int c = 0; c <= C; ++c) text = ReplaceAllIgnoringCase(text, "A" + std::to_string(c), "X" + std::to_string(c));
    return text;
}

std::string RewriteConditionNames(const std::string& condition, int n, int C) {
    std::string text = ReplaceOutsideQuotes(condition, "Y", "C0");
    for (int i = 1; i <= n; ++i) text = ReplaceOutsideQuotes(text, "X" + std::to_string(i), "C" + std::to_string(i));
    for (int c = 0; c <= C; ++c) text = ReplaceOutsideQuotes(text, "A" + std::to_string(c), "X" + std::to_string(c));
    return text;
}

std::string RewriteConditionOperators(const std::string& normalizedCondition) {
    std::string text = normalizedCondition;
    for (const auto& [from, to] : {std::pair{"<=", "LE"}, std::pair{">=", "GE"}, std::pair{"<>", "NE"},
                                   std::pair{"<", "LT"}, std::pair{">", "GT"}, std::pair{"=", "EQ"}})
        text = ReplaceOutsideQuotes(text, from, to);
    return text;
}

std::optional<PreparedSelection> PrepareSelection(const SelectionValues& given, const DataTable& table) {
    // Missing Xi entries count as unchosen columns with empty transforms.
    SelectionValues values = given;
    values.n = std::clamp(values.n, 1, kMaxExplanatoryVariables);
    values.xColumns.resize(values.n, 0);
    values.xTransforms.resize(values.n);
    PreparedSelection p;
    p.C = table.DataColumnCount();
    p.n = values.n;
    p.yColumn = values.yColumn;
    p.weightColumn = values.weightColumn;
    p.skip = values.skip;
    p.step = values.step < 1 ? 1 : values.step;
    p.conditionOn = values.conditionOn;

    // Candidate rows.
    const long long N = table.SourceRowCount();
    const long long last = values.lastRow;
    p.candidateCount = (last < 1 || last > N) ? (N - p.skip) / p.step : (last + 1 - p.skip) / p.step;
    if (p.candidateCount < 1) {
        ShowError(kNoCandidateRowsMessage);
        return std::nullopt;
    }

    // Names: a plain "Y" or "X" transform takes the header cell of the last skipped row.
    p.yName = "y";
    p.xNames.clear();
    for (int i = 1; i <= p.n; ++i) p.xNames.push_back("x" + std::to_string(i));
    if (p.skip >= 1) {
        const int headerRow = p.skip > table.DataRowCount() ? -1 : static_cast<int>(p.skip);
        auto header = [&](int column) {
            return headerRow < 0 ? std::string() : WithoutSingleQuotes(table.Cell(column, headerRow));
        };
        if (values.yTransform == "Y") {
            const std::string name = header(p.yColumn);
            if (!name.empty()) p.yName = name;
        } else {
            p.yName = values.yTransform;
        }
        for (int i = 1; i <= p.n; ++i) {
            const std::string& transform = values.xTransforms[i - 1];
            if (transform == "X") {
                const std::string name = header(values.xColumns[i - 1]);
                p.xNames[i - 1] = name.empty() ? "X" : name;
            } else {
                p.xNames[i - 1] = transform;
            }
        }
    }

    // Y expression.
    p.yExpression = NormalizeFormula(RewriteYTransform(values.yTransform, p.yColumn, p.C));
    if (!CheckFormula(p.yExpression, kNoCoefficients, p.C)) {
        ShowError(kBadYTransformMessage);
        return std::nullopt;
    }
    // Xi expressions.
    for (int i = 1; i <= p.n; ++i) {
        std::string expression =
            NormalizeFormula(RewriteXTransform(values.xTransforms[i - 1], values.xColumns[i - 1], p.C));
        if (!CheckFormula(expression, kNoCoefficients, p.C)) {
            ShowError(kBadXTransformMessage);
            return std::nullopt;
        }
        p.xExpressions.push_back(std::move(expression));
    }
    // Condition (rewritten even when off, as the window shows the bracket message either way).
    const std::string normalizedCondition = NormalizeFormula(RewriteConditionNames(values.condition, p.n, p.C));
    if (p.conditionOn && normalizedCondition.empty() && !OnlyBlanks(values.condition)) {
        // Emptied by the bracket check: used as it is, it would let every row pass.
        ShowError(kBadConditionMessage);
        return std::nullopt;
    }
    p.conditionExpression = RewriteConditionOperators(normalizedCondition);

    // Columns read as numbers.
    p.numericColumns.assign(static_cast<std::size_t>(p.C) + 1, 0);
    FlagColumnsOf(p.yExpression, p.numericColumns);
    for (const std::string& expression : p.xExpressions) FlagColumnsOf(expression, p.numericColumns);
    if (p.conditionOn) FlagColumnsOfCondition(p.conditionExpression, p.numericColumns);
    return p;
}

int PreparedSelection::LastReadColumn() const {
    if (conditionOn) return C;
    int last = std::min(weightColumn, C);
    for (int c = 0; c < static_cast<int>(numericColumns.size()); ++c)
        if (numericColumns[static_cast<std::size_t>(c)]) last = std::max(last, c);
    return last;
}

RowReader::RowReader(const PreparedSelection& selection) : s_(selection), lastReadColumn_(selection.LastReadColumn()) {
    for (int c = 0; c <= s_.C && c < static_cast<int>(s_.numericColumns.size()); ++c)
        if (s_.numericColumns[static_cast<std::size_t>(c)]) numericColumns_.push_back(c);
    auto prepare = [&](const std::string& expression) {
        Transform transform;
        const int direct = DirectColumn(expression);
        if (direct >= 0 && direct <= s_.C) transform.directColumn = direct;
        else transform.prepared = PrepareFormula(expression);
        return transform;
    };
    y_ = prepare(s_.yExpression);
    static const std::string none;
    for (int i = 0; i < s_.n; ++i)
        x_.push_back(prepare(i < static_cast<int>(s_.xExpressions.size()) ? s_.xExpressions[i] : none));
}

namespace {

// Evaluates a transform; false on any evaluation fault or a value a double cannot hold.
bool EvaluateFormulaTransform(const PreparedFormula& formula, const std::vector<double>& columnValues, double& value) {
    static const std::array<double, kCoefficientSlots> zeros{};
    try {
        const long double result = EvaluatePrepared(formula, columnValues, zeros);
        value = static_cast<double>(result);
        return std::isfinite(value);
    } catch (const EvaluationError&) {
        return false;
    }
}

template <typename Transform>
inline bool EvaluateTransform(const Transform& transform, const std::vector<double>& columnValues, double& value) {
    if (transform.directColumn >= 0) {
        value = columnValues[static_cast<std::size_t>(transform.directColumn)];
        return true;
    }
    return EvaluateFormulaTransform(transform.prepared, columnValues, value);
}

}  // namespace

void RowReader::Read(DataTable& table, long long k, DataRow& row) const {
    row.valid = false;
    row.conditionFault = false;
    row.conditionFaultKind = ConditionFaultKind::None;
    row.row = s_.CandidateRow(k);
    if (!row.allTexts && !s_.conditionOn) {
        row.texts.Clear();
        row.views.withRowNumber = !numericColumns_.empty() && numericColumns_.front() == 0;
        table.ReadRowCells(row.row, row.views, lastReadColumn_);
        Evaluate(row.views, row);
    } else {
        table.ReadRowCells(row.row, row.texts, row.allTexts ? s_.C : lastReadColumn_);
        Evaluate(row.texts, row);
    }
}

template <typename Texts>
void RowReader::Evaluate(const Texts& texts, DataRow& row) const {
    // Columns the formulas do not name stay 0 (and are never written, so the
    // zeros of the previous row serve).
    if (row.columnValues.size() != static_cast<std::size_t>(s_.C) + 1)
        row.columnValues.assign(static_cast<std::size_t>(s_.C) + 1, 0.0);
    for (const int c : numericColumns_)
        if (!ReadCellNumber(texts[static_cast<std::size_t>(c)], row.columnValues[static_cast<std::size_t>(c)])) return;
    if (!EvaluateTransform(y_, row.columnValues, row.y)) return;
    row.x.resize(s_.n);
    for (int i = 0; i < s_.n; ++i)
        if (!EvaluateTransform(x_[static_cast<std::size_t>(i)], row.columnValues, row.x[i])) return;

    if (s_.conditionOn) {
        row.textCopies.resize(texts.Size());
        for (std::size_t i = 0; i < texts.Size(); ++i) row.textCopies[i].assign(texts[i]);
        row.conditionValues.assign(1, row.y);
        row.conditionValues.insert(row.conditionValues.end(), row.x.begin(), row.x.end());
        const bool holds = EvaluateCondition(s_.conditionExpression, row.textCopies, row.columnValues,
                                             row.conditionValues, row.conditionFaultKind);
        row.conditionFault = row.conditionFaultKind != ConditionFaultKind::None;
        if (!holds) return;
    }

    if (s_.weightColumn < 1) {
        row.w = 1;
    } else {
        if (s_.weightColumn > s_.C) return;  // no such column: an empty cell
        if (!ReadCellNumber(texts[static_cast<std::size_t>(s_.weightColumn)], row.w)) return;
    }
    row.valid = true;
}

void ReadDataRow(const PreparedSelection& s, DataTable& table, long long k, DataRow& row) {
    RowReader(s).Read(table, k, row);
}

}  // namespace kurvex
