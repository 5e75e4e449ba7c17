#pragma once
// Choosing a model: what the chooser lists, which coefficients and variables
// the model has, which derivative method it allows and the defaults of the
// coefficient table. The windows only show what these routines decide.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/regression/FitState.h"

namespace kurvex {

inline constexpr const char* kDefaultInitialValueText = "1";
inline constexpr const char* kDefaultToleranceText = "0.000001";
inline constexpr const char* kDefaultIncrementText = "0.000001";
inline constexpr const char* kNoResultsToCopyMessage = "計算結果がありません。";

// What the equation editor knows of the general model.
struct GeneralModelSource {
    std::string formula;                       // normalised formula (empty: none set yet)
    int coefficientCount = 0;                  // CoefficientCount
    int variableCount = 0;                     // VariableCount
    bool derivativeTableShown = false;         // StringGrid2 visible
    std::vector<std::string> derivativeTexts;  // its column 1, rows 1 .. row count − 1
};

// What the windows show for a model.
struct ModelPresentation {
    bool derivativeChoiceEnabled = false;          // RadioGroup1 enabled
    std::optional<DerivativeMethod> forcedMethod;  // RadioGroup1 set to this item; nothing: the user's choice stays
    bool showConditionPages = false;  // tabs "条件１" and "条件２" visible ("条件１" in front), else "結果１"
    bool variableCountChooserEnabled = false;  // the data input window's chooser (model 0 only)
};

// The items of ComboBoxEq: nine "y = formula  (name)" items and the general
// model's "y = formula" (empty while none is set).
std::vector<std::string> ModelListItems(std::string_view generalFormula);

// Makes model k (0..8 built-in, 9 general) the model of the fit state: index,
// formula, m, nx and derivative formulas. dataNx is the number of
// explanatory variables of the data input window (model 0 uses it).
ModelPresentation SelectModel(TFitModel& model, int k, int dataNx, const GeneralModelSource& general);

// m and nx (and the built-in derivative formulas) of the current model.
void ConfigureCoefficientTables(TFitModel& model, int dataNx, const GeneralModelSource& general);

// The coefficient table of "条件１" after "デフォルト": rows 0..50 "1" and "0.000001".
struct CoefficientTableDefaults {
    std::vector<std::string> names;          // "C0".."C50"
    std::vector<std::string> initialValues;  // "1"
    std::vector<std::string> tolerances;     // "0.000001"
    std::string increment;                   // EditdX: "0.000001"
};
CoefficientTableDefaults SetCoefficientDefaults();

// "計算結果のコピー": the shown coefficient texts for rows 0..m−1, or nothing
// (after "計算結果がありません。") when one of them is empty.
bool CopyResultsToInitialValues(const TResultFields& fields, int m, std::vector<std::string>& initialValues);

}  // namespace kurvex
