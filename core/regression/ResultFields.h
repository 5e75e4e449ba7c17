#pragma once
// The texts of the two result pages, written by the fitting methods and the
// statistics and shown as they are by the GUI (its controls) and the CLI.
#include <functional>
#include <string>
#include <vector>

namespace kurvex {

inline constexpr int kResultPrecision = 7;  // SSR, SE, R², |R|, relative error, coefficients, iterative limits
inline constexpr int kTestPrecision = 5;    // F, P, linear-model limits
// C0..C50 are named: they have rows in the coefficient grids of the
// conditions, the results and the derivative table.
inline constexpr int kMaxNamedCoefficients = 51;

inline constexpr const char* kNotComputableText = "計算不能";  // relative error
inline constexpr const char* kImpossibleText = "不能";         // F and P
inline constexpr const char* kFixedText = "固定";              // the limit of a coefficient held fixed

struct TResultFields {
    std::string EdtNS;                      // number of points n
    std::string EdtSSQ;                     // SSR
    std::string EdtSE;                      // √(SSR / (N − m))
    std::string EditR2;                     // R²
    std::string EditR;                      // |R|
    std::string EditRelativeError;          // mean relative error or "計算不能"
    std::string EditDF;                     // "df1, df2"
    std::string EditFV;                     // F or "不能"
    std::string EditSP;                     // P, "<< 0.0001" or "不能"
    std::vector<std::string> coefficients;  // StringGridCoefficients column 1, row j + 1 = Cj
    std::vector<std::string> limits;        // StringGridLimit column 1, row j + 1 = ± of Cj
    std::string comment;                    // LblComment of the progress window ("繰り返し数：" + it)
    int iterations = 0;                     // trial steps solved so far in the current fit
    std::string fitEnd;                     // how the last fit ended, with its trial steps (empty before a fit)

    // Empties the statistics fields and both grid columns (a new data set); EdtNS is set by the caller.
    void ClearStatistics();
    // Empties the coefficient and limit columns and sizes them for m coefficients.
    void ClearGridColumns(int m);
};

// Told each time the fit shows a new set of figures (every accepted iteration,
// the linear fit, the confidence limits and the F test afterwards).
using ResultObserver = std::function<void(const TResultFields&)>;

}  // namespace kurvex
