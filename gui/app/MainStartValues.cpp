// "初期値の推定": starting values from the data into the initial-value column.
#include <QPushButton>
#include <QTabWidget>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/data/BuildDataSet.h"
#include "core/regression/Calculate.h"
#include "core/regression/Models.h"
#include "core/regression/StartEstimates.h"
#include "core/regression/StartSearch.h"
#include "gui/app/OrlaMain.h"
#include "gui/common/StringGrid.h"
#include "gui/regression/Processing.h"

namespace kurvex::gui {

namespace {

inline constexpr const char* kNoStartNeededMessage = "この回帰式は初期値を用いずに計算します。";

std::string RangeErrorMessage(int j, const std::string& text) {
    return "C" + std::to_string(j) + " の探索範囲 '" + text +
           "' が正しくありません。\n「下限:上限」の形で、下限 < 上限 として下さい。";
}

}  // namespace

void TForm1::ButtonEstimateStartClick() {
    if (busy_ || CalculationRunning()) return;
    if (fitState_.data.n < 1) {
        ShowError(kNoValidDataMessage);
        return;
    }
    if (fitState_.data.nx != fitState_.model.nx) {
        ShowError(kWrongVariablesMessage);
        return;
    }
    if (FitMethodOf(fitState_.model.index) != FitMethod::Marquardt) {
        ShowInformation(kNoStartNeededMessage);
        return;
    }
    const int m = fitState_.model.m;
    const FitConditionTexts texts = ConditionTexts();
    TFitConditions conditions;
    if (!ReadFitConditions(texts, m, conditions)) return;

    StartOutcome outcome = StartOutcome::NotPossible;
    std::vector<double> values;
    std::string message;
    if (HasStartEstimate(fitState_.model.index)) {
        const StartProposal proposal =
            ProposeBuiltInStart(fitState_.model, fitState_.data, conditions.initialValues, conditions.fixed);
        outcome = proposal.outcome;
        values = proposal.values;
        message = proposal.message;
    } else {
        StartSearchOptions options;
        for (int j = 0; j < m; ++j) {
            const std::string range = StringGridCoefInit->Cell(kSearchRangeColumn, j + 1).trimmed().toStdString();
            if (range.empty()) continue;
            std::string error;
            if (!ParseCoefficientRange(std::to_string(j) + ":" + range, m, options.ranges, error)) {
                ShowError(RangeErrorMessage(j, range));
                return;
            }
        }
        SetBusy(true);
        const StartSearchResult found =
            SearchStartValues(fitState_.model, fitState_.data, conditions, options, *FrmProgress);
        SetBusy(false);
        outcome = found.outcome;
        values = found.values;
        message = found.message;
    }
    if (outcome == StartOutcome::Estimated) {
        // Seven digits, as "計算結果のコピー" writes them: a start needs no more, and the column shows them whole.
        for (std::size_t j = 0; j < values.size(); ++j)
            StringGridCoefInit->SetCell(1, static_cast<int>(j) + 1,
                                        QString::fromStdString(FormatNumber(values[j], kResultPrecision)));
        PageControl1->setCurrentWidget(TabSheet1);
    } else if (!message.empty()) {
        ShowInformation(message);
    }
}

}  // namespace kurvex::gui
