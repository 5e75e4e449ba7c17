#pragma once

// The main window's chart `Chart1`: fixed look, the four series and the
// plain operations on them. What is drawn when (data, curves, clicks) lives
// in ChartComposer; this class only knows the chart itself.

#include <qcustomplot.h>

#include <QPointF>
#include <QString>

namespace kurvex::gui {

// Series indexes; the curve files use 1 for the regression curve and 3 for
// the spline.
enum ChartSeriesIndex : int {
    DataSeries = 0,
    RegressionSeries = 1,
    InitialLineSeries = 2,
    SplineSeries = 3,
    ChartSeriesCount = 4
};

// The chart's fonts name this family; IPA P Mincho stands in for it.
inline constexpr const char* kChartFontFamily = "ＭＳ Ｐ明朝";

// Maps the chart font family (and its siblings) to installed Japanese
// fonts. Idempotent; the chart calls it itself, main() may call it earlier.
void InstallJapaneseFontSubstitutions();

class ChartPanel : public QCustomPlot {
    Q_OBJECT

public:
    explicit ChartPanel(QWidget* parent = nullptr);

    // Series1 is a curve (points kept in insertion order so that a point's
    // index is its index in the data set); the others are graphs kept sorted
    // by X.
    QCPCurve* Series1() const { return series1_; }
    QCPGraph* Series2() const { return series2_; }
    QCPGraph* Series3() const { return series3_; }
    QCPGraph* Series4() const { return series4_; }
    QCPAbstractPlottable* Series(int index) const;

    // Active = drawn and listed in the legend.
    void SetSeriesActive(int index, bool active);
    bool IsSeriesActive(int index) const;
    void SetSeriesTitle(int index, const QString& title);
    QString SeriesTitle(int index) const;

    void ClearSeries(int index);
    void AddPoint(int index, double x, double y);
    // Replaces the data series with these points in one step (in data-set order).
    void SetDataPoints(const QVector<QPointF>& points);
    int SeriesPointCount(int index) const;
    QPointF SeriesPoint(int index, int k) const;

    // Per-point colouring of the data series: every point red, point k
    // yellow. k < 0 turns it off again.
    void HighlightDataPoint(int k);
    int HighlightedDataPoint() const;

    // Lets the automatic axes follow the active series and lays the chart
    // out, so that the axis ranges read afterwards are the ones shown.
    void UpdateAxes();

    // Automatic range per axis (bottom, left, right). A manual axis keeps
    // its range when the series change.
    void SetAxisAutomatic(QCPAxis* axis, bool automatic);
    bool IsAxisAutomatic(const QCPAxis* axis) const;
    // Major increment (0: chosen by the chart), minor ticks between major
    // ticks, and the scale of the bottom, left and right axes.
    void SetAxisIncrement(QCPAxis* axis, double increment);
    double AxisIncrement(const QCPAxis* axis) const;
    void SetAxisMinorTickCount(QCPAxis* axis, int count);
    int AxisMinorTickCount(const QCPAxis* axis) const;
    void SetAxisLogarithmic(QCPAxis* axis, bool logarithmic);
    bool IsAxisLogarithmic(const QCPAxis* axis) const;
    // 0 bottom, 1 left, 2 right; -1 for the top axis or a foreign one.
    int AxisSlot(const QCPAxis* axis) const;
    QCPAxis* AxisAt(int slot) const;

    // The chart's fixed print margins in percent of the page.
    static constexpr int kPrintMarginLeft = 30;
    static constexpr int kPrintMarginTop = 15;
    static constexpr int kPrintMarginRight = 30;
    static constexpr int kPrintMarginBottom = 15;

signals:
    // A click on a point of the data series (index in the data set).
    void dataPointClicked(int index);
    // A click on the bottom, left or right axis; the top axis is ignored.
    void chartAxisClicked(QCPAxis* axis);

private:
    void ApplyFixedSettings();
    void CreateSeries();
    void RebuildLegend();
    void OnPlottableClick(QCPAbstractPlottable* plottable, int dataIndex);
    void OnAxisClick(QCPAxis* axis);

    QCPCurve* series1_ = nullptr;
    QCPGraph* series2_ = nullptr;
    QCPGraph* series3_ = nullptr;
    QCPGraph* series4_ = nullptr;
    bool active_[ChartSeriesCount] = {true, true, true, false};
    void ApplyTicker(int slot);

    bool automatic_[3] = {true, true, true};  // bottom, left, right
    double increment_[3] = {0, 0, 0};
    int minorTickCount_[3] = {3, 3, 3};
};

}  // namespace kurvex::gui
