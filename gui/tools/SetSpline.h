#pragma once
#include <string>
// The spline window "スプライン補間の条件設定" (method, sub-intervals, output
// range and number of output points) and the command that draws the spline
// through the data set as the chart's fourth series.
#include <QDialog>

#include "core/tools/SplineState.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QGroupBox;

namespace kurvex {
struct TFitData;
}

namespace kurvex::gui {

class ChartComposer;
class ChartPanel;
class RadioGroup;

// Items of RadioGroupRangeSet ("出力範囲の設定方法").
enum class SplineRangeMode { DataRange = 0, Manual = 1, Optimized = 2 };

class TFrmSetSpline : public QDialog {
    Q_OBJECT

public:
    explicit TFrmSetSpline(QWidget* parent = nullptr);

    // The data range DataXMin..DataXMax of the chart, set before each opening.
    void SetDataRange(double dataXMin, double dataXMax);
    // Opens the window modally in the range mode of the last confirmed run
    // ("データ範囲" at first).
    int Execute(double dataXMin, double dataXMax);
    // Reads the boxes and runs the chosen method on the single X of the data
    // set. True when the curve CurveX/CurveY may be drawn.
    bool RunSpline(const TFitData& data);

    SplineMethod Method() const;
    SplineRangeMode RangeMode() const;
    const SplineState& State() const { return state_; }

    // Handlers.
    void FormShow();
    void RadioGroupMethodClick();
    void RadioGroupRangeSetClick();
    void BitBtn1Click();  // OK
    void BitBtn2Click();  // "閉じる"

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    RadioGroup* RadioGroupMethod = nullptr;
    QLabel* LabelND = nullptr;
    QLineEdit* EditND = nullptr;
    RadioGroup* RadioGroupRangeSet = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* EditMin = nullptr;
    QLineEdit* EditMax = nullptr;
    QLineEdit* EditNp = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildMethodPage();
    void BuildRangePage();
    QHBoxLayout* BuildButtons();
    void SetRangeBoxes(double lo, double hi);

    SplineState state_;
    double dataXMin_ = 0;
    double dataXMax_ = 0;
    // What SetRangeBoxes wrote, rounded to 15 digits, and the values it stands
    // for: an untouched box means its exact value (the range must still hold
    // the last point), not the rounded text.
    struct ShownValue {
        QString text;
        double value = 0;
    };
    ShownValue shownMin_, shownMax_;
    std::string RangeText(const QLineEdit* edit, const ShownValue& shown) const;
    SplineRangeMode openMode_ = SplineRangeMode::DataRange;
};

// "スプラインの描画(&S)": the window, the spline, Series4 titled "Bayesian
// Spline" or "Cubic Spline" with the curve, SaveSpline and GraphRefresh
// enabled. True when a curve was drawn; Cancel and failures leave the chart
// and the menu items as they were.
bool DrawSplineCommand(TFrmSetSpline& window, ChartComposer& composer, ChartPanel& chart, const TFitData& data);

}  // namespace kurvex::gui
