#pragma once

// What the main window puts on `Chart1` and when: the data points, the
// regression curve or the observed-versus-predicted plot, the initial-value
// curve, the spline, the click on a data point and the graph refresh. The
// main window owns one composer next to its fit state.

#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <vector>

class QAction;

namespace kurvex {
struct TFitState;
}

namespace kurvex::gui {

class ChartPanel;

// Menu items whose availability follows the curves on the chart. Any of
// them may be missing (tests, the command-line tools).
struct ChartCommandActions {
    QAction* PredictMenu = nullptr;
    QAction* SaveRegression = nullptr;
    QAction* SaveSpline = nullptr;
    QAction* GraphRefresh = nullptr;
    QAction* DrawSpline = nullptr;
};

// Every model curve and diagonal has this many points over the bottom axis.
inline constexpr int kCurvePointCount = 501;

class ChartComposer : public QObject {
    Q_OBJECT

public:
    ChartComposer(ChartPanel* chart, const TFitState* state, QObject* parent = nullptr);

    void SetCommandActions(const ChartCommandActions& actions) { actions_ = actions; }
    // Row count of the data table (label row included), asked when a point
    // is clicked to decide whether the row can be shown.
    void SetTableRowCountSource(std::function<int()> source) { tableRowCount_ = std::move(source); }

    // A new data set makes every drawn series stale: all four cleared, the
    // three curves inactive, the curve commands disabled.
    void ClearForDataSet();
    // After the rows were read: DrawSpline only for a set of one X with points.
    void FollowDataSet();

    // After a successful build (fit result cleared). yName and xNames are the
    // variable names of the data input window.
    void ComposeChart(const QString& yName, const QStringList& xNames);
    // One X variable: the points in data-set order, then DrawRegression.
    void DrawData();
    // After a calculation with a result: the 501-point curve over the bottom
    // axis range (one X), or observed against predicted with the diagonal.
    void DrawRegression();
    // The curve of the initial values (column 1 of StringGridCoefInit). The
    // caller converts the texts; a conversion error must end the command
    // after BeginInitialLine and before DrawInitialLine.
    void BeginInitialLine();
    void DrawInitialLine(std::span<const double> initialCoefficients);
    // The spline curve of the spline window (already sorted by X).
    void DrawSplineCurve(std::span<const double> xs, std::span<const double> ys);

    // Click on data point k: the message, and the visit to the data input
    // window at the point's row when the user wants it.
    void Chart1ClickSeries(int k);
    // The text of the click message for point k (without the question).
    QString PointText(int k) const;

    // Menu item "グラフのリフレッシュ(&R)".
    void GraphRefreshClick();

    double DataXMin() const { return dataXMin_; }
    double DataXMax() const { return dataXMax_; }

    // "回帰曲線データの保存(&R)" / "スプライン回帰曲線データの保存(&S)" after the
    // main save dialog returned `chosenName`: the curve file (extension
    // ".CSV") with the axis titles and the points of the series. Returns the
    // written path, or an empty text after a reported failure.
    QString SaveRegressionTo(const QString& chosenName) const;
    QString SaveSplineTo(const QString& chosenName) const;
    // A change of model leaves the curves drawn but their files no longer
    // match the model: both curve commands are disabled.
    void ModelChanged();

    // Points of a curve series (RegressionSeries or SplineSeries) in series
    // order, for the curve files. Gaps where the model could not be evaluated
    // are left out.
    std::vector<QPointF> CurvePoints(int seriesIndex) const;

signals:
    // The user wants to see table row `row` in the data input window. The
    // main window shows it (TForm2::ShowAtRow) and rebuilds the data set when
    // the data were accepted.
    void DataRowVisitRequested(int row);

private:
    bool OneX() const;
    // Sample the model (or the diagonal) over the bottom axis range.
    void FillModelCurve(int seriesIndex, std::span<const double> coefficients);
    void FillDiagonal(int seriesIndex);
    // Observed against predicted with these coefficients into Series1.
    void FillObservedPredicted(std::span<const double> coefficients);
    static void Enable(QAction* action, bool enabled);
    QString SaveCurveTo(int seriesIndex, const QString& chosenName) const;

    ChartPanel* chart_;
    const TFitState* state_;
    ChartCommandActions actions_;
    std::function<int()> tableRowCount_;
    double dataXMin_ = 0;
    double dataXMax_ = 0;
};

}  // namespace kurvex::gui
