#pragma once
// The result page "詳細統計" after "結果２": the coefficients with standard
// error, t and P, their correlation matrix, the goodness of fit and the
// information criteria, and a button that copies every result table as
// tab-separated text.
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace kurvex {
struct TFitState;
}

namespace kurvex::gui {

class FitReportPage : public QWidget {
    Q_OBJECT

public:
    explicit FitReportPage(QWidget* parent = nullptr);

    // Shows the report of `state`, or empty tables when `current` is false
    // (no fit, or one of another model or data set).
    void ShowReport(const TFitState& state, bool current);
    // Every table of 結果１, 結果２ and this page as tab-separated text.
    QString TablesText() const { return tablesText_; }
    // "結果をコピー": TablesText to the clipboard.
    void ButtonCopyResultsClick();

    QTableWidget* GridCoefficientTests = nullptr;
    QTableWidget* GridCorrelation = nullptr;
    QTableWidget* GridGoodnessOfFit = nullptr;
    QPushButton* ButtonCopyResults = nullptr;

private:
    QString tablesText_;
};

}  // namespace kurvex::gui
