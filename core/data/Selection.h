#pragma once
// Variable definition and row selection: which column gives Y and each Xi
// (through a transform formula), the weight column, and which rows are used
// (leading rows skipped, a step, a last row, an optional row condition).
#include <optional>
#include <string>
#include <vector>

#include "core/data/DataTable.h"
#include "core/data/RowTexts.h"
#include "core/expression/Condition.h"
#include "core/expression/PreparedFormula.h"

namespace kurvex {

inline constexpr int kMaxExplanatoryVariables = 50;

// Messages of the "読込み" checks and of PrepareSelection.
extern const char* const kSelectAllExplanatoryMessage;  // "説明変数をすべて選択して下さい。"
extern const char* const kTooFewColumnsMessage;         // "説明変数の数が足りません。"
extern const char* const kNoCandidateRowsMessage;       // "該当するデータ行がありません。"
extern const char* const kBadYTransformMessage;         // "目的変数の変換式が不正です"
extern const char* const kBadXTransformMessage;         // "説明変数の変換式が不正です"
extern const char* const kVariableCountRangeMessage;    // the number of variables is not 1..50
extern const char* const kStepBelowOneMessage;          // a step below 1
extern const char* const kNegativeSkipMessage;          // a negative skip
extern const char* const kBadConditionMessage;          // a condition in use that cannot be read

// What the controls of the data input window hold, as the texts the user
// sees (combo boxes allow free typing, so every value is kept as text).
struct ExplanatoryVariableSetting {
    std::string column;     // StringGridExpVar column 1
    std::string transform;  // StringGridExpVar column 2; "X" stands for the column
};

struct SelectionSettings {
    std::string fixedColumns = "0";   // ComboBoxFixedCol (data columns kept in view)
    std::string fixedRows = "0";      // ComboBoxFixedRow (data rows kept in view; header lines of the used-data file)
    std::string yColumn = "1";        // ComboBoxY
    std::string yTransform;           // EditYFunc; "Y" stands for the column
    std::string weightColumn = "0";   // ComboBoxWt; 0 or less: no weight
    std::string skip = "1";           // ComboBox1
    std::string step = "1";           // ComboBox3
    std::string lastRow = "-1";       // EditLastRow; below 1: the end of the table
    bool conditionOn = false;         // CheckBoxConditionalEq
    std::string condition;            // EditConditionalEq
    std::string variableCount = "1";  // ComboBoxDim: n
    // Rows 1..50 of StringGridExpVar (x[i - 1] is Xi); only the first n are used.
    std::vector<ExplanatoryVariableSetting> x;

    SelectionSettings();  // the values of a newly created window
};

// The "デフォルト" button: weight 0, Xi column i with transform "x" for
// i = 1..n, Y column n + 1 with transform "y", skip 1, step 1, last row -1,
// no condition. n and the fixed rows and columns stay.
void ApplyDefaultSelection(SelectionSettings& settings);

// n as the window currently shows it: the number in ComboBoxDim when it is
// 1..50, otherwise 1.
int SelectedVariableCount(const SelectionSettings& settings);

// The settings read as numbers, after the checks of "読込み".
struct SelectionValues {
    int n = 1;
    int yColumn = 1;
    std::string yTransform;
    std::vector<int> xColumns;             // n entries
    std::vector<std::string> xTransforms;  // n entries
    int weightColumn = 0;
    long long skip = 1;
    long long step = 1;
    long long lastRow = -1;
    bool conditionOn = false;
    std::string condition;
};

struct ReadCheckResult {
    bool ok = false;
    std::string message;  // the first failed check
    bool beep = false;    // the failure sounds the system beep before its message
    SelectionValues values;
};

// The checks of "読込み" up to (not including) PrepareSelection, in order:
// each Xi column (0: kSelectAllExplanatoryMessage, above C:
// kTooFewColumnsMessage), then C < n + 1 (kTooFewColumnsMessage), then the
// Y, weight, skip, step and last-row numbers. A text that is not an integer
// fails with a message naming it. Shows nothing: see ShowReadCheckFailure.
ReadCheckResult CheckReadSettings(const SelectionSettings& settings, int dataColumnCount);
// Beeps when the check asks for it and shows the message as an error.
void ShowReadCheckFailure(const ReadCheckResult& result);

// The prepared selection: kept until the next PrepareSelection and used for
// every later build of the data set and the used-data file.
struct PreparedSelection {
    int C = 0;  // data columns of the table
    long long candidateCount = 0;
    int n = 1;
    int yColumn = 1;
    int weightColumn = 0;
    long long skip = 1;
    long long step = 1;
    std::string yExpression;
    std::vector<std::string> xExpressions;
    bool conditionOn = false;
    std::string conditionExpression;
    std::vector<char> numericColumns;  // columns 0..C whose cell is read as a number
    std::string yName;
    std::vector<std::string> xNames;

    // The last column whose text a row evaluation reads: numbers, weight, and
    // every column for a condition (it may compare texts).
    int LastReadColumn() const;

    // Table row of candidate k (k = 1..candidateCount).
    long long CandidateRow(long long k) const { return skip + 1 + (k - 1) * step; }
};

// Builds the prepared selection from checked values and the table; shows the
// message of a failure ("該当するデータ行がありません。", "目的変数の変換式が不正です",
// "説明変数の変換式が不正です", or for a condition in use with unbalanced
// brackets "括弧の数が合いません。" then kBadConditionMessage) and returns
// nothing then. A condition that is switched off is never a failure.
std::optional<PreparedSelection> PrepareSelection(const SelectionValues& values, const DataTable& table);

// The rewritten texts, exposed for the tests and the window's checks.
std::string RewriteYTransform(const std::string& transform, int yColumn, int C);
std::string RewriteXTransform(const std::string& transform, int xColumn, int C);
// Before normalisation; text between a pair of double quotes is left as it is.
std::string RewriteConditionNames(const std::string& condition, int n, int C);
std::string RewriteConditionOperators(const std::string& normalizedCondition);

// One candidate row read and evaluated.
struct DataRow {
    bool valid = false;
    long long row = 0;  // table row (file line)
    RowTexts texts;     // [0] the row number, [1..C] the cells
    double y = 0;
    std::vector<double> x;  // x1..xn
    double w = 1;
    bool conditionFault = false;  // the condition had no decision: the build stops
    // A numeric fault (no message shown yet) or one whose message was shown.
    ConditionFaultKind conditionFaultKind = ConditionFaultKind::None;
    // False: only the columns the selection reads are cut, and without a
    // condition they are read in place (texts stays empty): the data-set
    // build. True: texts holds every column (the used-data file writes them all).
    bool allTexts = true;

    // Working storage reused from row to row.
    std::vector<double> columnValues;
    std::vector<std::string> textCopies;
    std::vector<double> conditionValues;
    RowTextViews views;
};

// A selection made ready for a scan over many rows: the transforms prepared
// once, the columns to read listed, so that a row costs no lookup. Refers to
// the selection, which must outlive it and stay unchanged.
class RowReader {
public:
    explicit RowReader(const PreparedSelection& selection);
    // Reads candidate k between table.BeginRowScan() and table.EndRowScan(), in increasing k.
    void Read(DataTable& table, long long k, DataRow& row) const;

private:
    struct Transform {
        int directColumn = -1;  // an expression "X<c>" of a column of the table: no evaluation
        PreparedFormula prepared;
    };
    template <typename Texts>
    void Evaluate(const Texts& texts, DataRow& row) const;

    const PreparedSelection& s_;
    int lastReadColumn_ = 0;
    std::vector<int> numericColumns_;
    Transform y_;
    std::vector<Transform> x_;
};

// Reads candidate k between table.BeginRowScan() and table.EndRowScan(), in
// increasing k. Prepares the selection on every call: a scan over many rows
// uses a RowReader.
void ReadDataRow(const PreparedSelection& selection, DataTable& table, long long k, DataRow& row);

}  // namespace kurvex
