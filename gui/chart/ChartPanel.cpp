#include "gui/chart/ChartPanel.h"

#include "gui/chart/AxisTicker.h"
#include "gui/chart/DenseScatter.h"

namespace kurvex::gui {

namespace {

const QColor kDataColour = Qt::red;
const QColor kRegressionColour = QColor(0, 128, 255);
const QColor kInitialLineColour = QColor(0, 255, 0);  // lime
const QColor kSplineColour = Qt::red;
const QColor kHighlightColour = Qt::yellow;

constexpr int kAxisTitlePixelSize = 16;
constexpr int kLabelPixelSize = 13;
constexpr int kLegendPixelSize = 13;

QFont ChartFont(int pixelSize) {
    QFont font(QString::fromUtf8(kChartFontFamily));
    font.setPixelSize(pixelSize);
    return font;
}

void SetUpAxis(QCPAxis* axis, bool grid, bool labels) {
    axis->setVisible(true);
    axis->setLabelFont(ChartFont(kAxisTitlePixelSize));
    axis->setSelectedLabelFont(ChartFont(kAxisTitlePixelSize));
    axis->setTickLabelFont(ChartFont(kLabelPixelSize));
    axis->setSelectedTickLabelFont(ChartFont(kLabelPixelSize));
    axis->setTickLabels(labels);
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new AxisTicker));
    axis->setTickLengthIn(0);
    axis->setTickLengthOut(4);
    axis->setSubTickLengthIn(0);
    axis->setSubTickLengthOut(2);
    axis->setTickPen(QPen(Qt::black));
    axis->setSubTickPen(QPen(Qt::black));
    axis->setBasePen(QPen(Qt::black));
    axis->grid()->setVisible(grid);
    axis->grid()->setPen(QPen(QColor(160, 160, 160), 0, Qt::DotLine));
    axis->grid()->setSubGridVisible(false);
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

// Points on the edge of the plot area (the automatic range ends exactly at
// the outermost points) are drawn whole instead of cut in half.
class DataPointCurve : public QCPCurve {
public:
    using QCPCurve::QCPCurve;

protected:
    QRect clipRect() const override {
        const int reach = qCeil(scatterStyle().size() / 2) + 1;
        return QCPCurve::clipRect().adjusted(-reach, -reach, reach, reach);
    }
    // Many points: drawn as one image in about the time of one pass over them.
    void draw(QCPPainter* painter) override {
        if (data()->size() < kDenseScatterPoints) return QCPCurve::draw(painter);
        DrawDenseScatter(painter, *this, clipRect());
    }
};

}  // namespace

void InstallJapaneseFontSubstitutions() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐ明朝"),
                               {QStringLiteral("IPAPMincho"), QStringLiteral("IPA P明朝")});
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ 明朝"),
                               {QStringLiteral("IPAMincho"), QStringLiteral("IPA明朝")});
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック")});
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ ゴシック"),
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック")});
}

ChartPanel::ChartPanel(QWidget* parent) : QCustomPlot(parent) {
    InstallJapaneseFontSubstitutions();
    setObjectName(QStringLiteral("Chart1"));
    ApplyFixedSettings();
    CreateSeries();
    RebuildLegend();
    connect(this, &QCustomPlot::plottableClick, this,
            [this](QCPAbstractPlottable* plottable, int dataIndex, QMouseEvent*) {
                OnPlottableClick(plottable, dataIndex);
            });
    connect(this, &QCustomPlot::axisClick, this,
            [this](QCPAxis* axis, QCPAxis::SelectablePart, QMouseEvent*) { OnAxisClick(axis); });
}

void ChartPanel::ApplyFixedSettings() {
    setBackground(Qt::white);
    axisRect()->setBackground(Qt::white);
    setAntialiasedElements(QCP::aePlottables | QCP::aeScatters);
    // Clicks report points and axes; nothing is selected or dragged by the
    // mouse.
    setInteractions(QCP::Interactions());

    SetUpAxis(xAxis, true, true);
    SetUpAxis(yAxis, true, true);
    SetUpAxis(xAxis2, false, false);
    SetUpAxis(yAxis2, false, false);
    xAxis2->setSelectableParts(QCPAxis::spNone);
    xAxis->setRange(0, 1);
    yAxis->setRange(0, 1);
    xAxis2->setRange(0, 1);
    yAxis2->setRange(0, 1);
    connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), xAxis2,
            qOverload<const QCPRange&>(&QCPAxis::setRange));

    // The legend sits in its own row above the plot area.
    legend->setVisible(true);
    legend->setFont(ChartFont(kLegendPixelSize));
    legend->setSelectedFont(ChartFont(kLegendPixelSize));
    legend->setBrush(Qt::white);
    legend->setBorderPen(QPen(Qt::black));
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setWrap(4);
    // Empty cells either side keep the legend as narrow as its entries.
    auto* legendRow = new QCPLayoutGrid;
    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, legendRow);
    axisRect()->insetLayout()->take(legend);
    legendRow->addElement(0, 0, new QCPLayoutElement(this));
    legendRow->addElement(0, 1, legend);
    legendRow->addElement(0, 2, new QCPLayoutElement(this));
    legendRow->setColumnStretchFactors({1, 0.001, 1});
    legendRow->setMargins(QMargins(5, 5, 5, 0));
    legend->setMargins(QMargins(6, 3, 6, 3));
    plotLayout()->setRowStretchFactor(0, 0.001);
    legend->setLayer(QStringLiteral("legend"));

    // Data points above the curves so that a click finds them.
    addLayer(QStringLiteral("points"), layer(QStringLiteral("main")), QCustomPlot::limAbove);
}

void ChartPanel::CreateSeries() {
    series1_ = new DataPointCurve(xAxis, yAxis);
    series1_->setLayer(QStringLiteral("points"));
    series1_->setName(QStringLiteral("Data"));
    series1_->setLineStyle(QCPCurve::lsNone);
    series1_->setPen(QPen(kDataColour));
    series1_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(kDataColour), QBrush(kDataColour), 7));
    // Selection is only used for the per-point colour of a clicked point.
    series1_->setSelectable(QCP::stSingleData);
    auto* decorator = new QCPSelectionDecorator;
    decorator->setPen(QPen(kHighlightColour));
    decorator->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::black), QBrush(kHighlightColour), 9),
                               QCPScatterStyle::spAll);
    series1_->setSelectionDecorator(decorator);

    auto makeLine = [this](const QString& title, const QColor& colour) {
        auto* graph = addGraph(xAxis, yAxis);
        graph->setName(title);
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
        graph->setPen(QPen(colour, 2));
        graph->setSelectable(QCP::stNone);
        graph->setAdaptiveSampling(true);
        return graph;
    };
    series2_ = makeLine(QStringLiteral("Regression"), kRegressionColour);
    series3_ = makeLine(QStringLiteral("Initial Line"), kInitialLineColour);
    series4_ = makeLine(QStringLiteral("Spline"), kSplineColour);
    for (int i = 0; i < ChartSeriesCount; ++i) Series(i)->setVisible(active_[i]);
}

QCPAbstractPlottable* ChartPanel::Series(int index) const {
    switch (index) {
        case DataSeries: return series1_;
        case RegressionSeries: return series2_;
        case InitialLineSeries: return series3_;
        case SplineSeries: return series4_;
        default: return nullptr;
    }
}

void ChartPanel::RebuildLegend() {
    legend->clearItems();
    for (int i = 0; i < ChartSeriesCount; ++i) {
        if (active_[i]) Series(i)->addToLegend(legend);
    }
    // With no series to list, the frame would stand empty above the plot.
    legend->setVisible(legend->itemCount() > 0);
}

void ChartPanel::SetSeriesActive(int index, bool active) {
    auto* series = Series(index);
    if (series == nullptr || active_[index] == active) return;
    active_[index] = active;
    series->setVisible(active);
    RebuildLegend();
    replot(QCustomPlot::rpQueuedReplot);
}

bool ChartPanel::IsSeriesActive(int index) const { return index >= 0 && index < ChartSeriesCount && active_[index]; }

void ChartPanel::SetSeriesTitle(int index, const QString& title) {
    if (auto* series = Series(index)) series->setName(title);
    replot(QCustomPlot::rpQueuedReplot);
}

QString ChartPanel::SeriesTitle(int index) const {
    auto* series = Series(index);
    return series ? series->name() : QString();
}

void ChartPanel::ClearSeries(int index) {
    if (index == DataSeries) {
        series1_->data()->clear();
        series1_->setSelection(QCPDataSelection());
    } else if (auto* graph = qobject_cast<QCPGraph*>(Series(index))) {
        graph->data()->clear();
    }
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartPanel::AddPoint(int index, double x, double y) {
    if (index == DataSeries) {
        // The curve parameter is the insertion index, which keeps data-set order.
        series1_->data()->add(QCPCurveData(series1_->data()->size(), x, y));
    } else if (auto* graph = qobject_cast<QCPGraph*>(Series(index))) {
        graph->data()->add(QCPGraphData(x, y));
    }
}

void ChartPanel::SetDataPoints(const QVector<QPointF>& points) {
    QVector<QCPCurveData> data(points.size());
    for (int k = 0; k < points.size(); ++k) data[k] = QCPCurveData(k, points[k].x(), points[k].y());
    series1_->data()->set(data, true);
    series1_->setSelection(QCPDataSelection());
    replot(QCustomPlot::rpQueuedReplot);
}

int ChartPanel::SeriesPointCount(int index) const {
    if (index == DataSeries) return series1_->data()->size();
    if (auto* graph = qobject_cast<QCPGraph*>(Series(index))) return graph->data()->size();
    return 0;
}

QPointF ChartPanel::SeriesPoint(int index, int k) const {
    if (k < 0 || k >= SeriesPointCount(index)) return QPointF(qQNaN(), qQNaN());
    if (index == DataSeries) {
        auto it = series1_->data()->at(k);
        return QPointF(it->key, it->value);
    }
    auto* graph = qobject_cast<QCPGraph*>(Series(index));
    auto it = graph->data()->at(k);
    return QPointF(it->key, it->value);
}

void ChartPanel::HighlightDataPoint(int k) {
    if (k < 0 || k >= series1_->data()->size()) {
        series1_->setSelection(QCPDataSelection());
    } else {
        series1_->setSelection(QCPDataSelection(QCPDataRange(k, k + 1)));
    }
    replot();
}

int ChartPanel::HighlightedDataPoint() const {
    const auto selection = series1_->selection();
    return selection.isEmpty() ? -1 : selection.dataRange().begin();
}

int ChartPanel::AxisSlot(const QCPAxis* axis) const {
    if (axis == xAxis) return 0;
    if (axis == yAxis) return 1;
    if (axis == yAxis2) return 2;
    return -1;
}

QCPAxis* ChartPanel::AxisAt(int slot) const {
    switch (slot) {
        case 0: return xAxis;
        case 1: return yAxis;
        case 2: return yAxis2;
        default: return nullptr;
    }
}

void ChartPanel::SetAxisAutomatic(QCPAxis* axis, bool automatic) {
    const int slot = AxisSlot(axis);
    if (slot >= 0) automatic_[slot] = automatic;
}

bool ChartPanel::IsAxisAutomatic(const QCPAxis* axis) const {
    const int slot = AxisSlot(axis);
    return slot >= 0 && automatic_[slot];
}

void ChartPanel::SetAxisIncrement(QCPAxis* axis, double increment) {
    const int slot = AxisSlot(axis);
    if (slot < 0) return;
    increment_[slot] = increment > 0 ? increment : 0;
    ApplyTicker(slot);
}

double ChartPanel::AxisIncrement(const QCPAxis* axis) const {
    const int slot = AxisSlot(axis);
    return slot >= 0 ? increment_[slot] : 0;
}

void ChartPanel::SetAxisMinorTickCount(QCPAxis* axis, int count) {
    const int slot = AxisSlot(axis);
    if (slot < 0) return;
    minorTickCount_[slot] = count > 0 ? count : 0;
    ApplyTicker(slot);
}

int ChartPanel::AxisMinorTickCount(const QCPAxis* axis) const {
    const int slot = AxisSlot(axis);
    return slot >= 0 ? minorTickCount_[slot] : 0;
}

void ChartPanel::SetAxisLogarithmic(QCPAxis* axis, bool logarithmic) {
    const int slot = AxisSlot(axis);
    if (slot < 0) return;
    axis->setScaleType(logarithmic ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
    ApplyTicker(slot);
}

bool ChartPanel::IsAxisLogarithmic(const QCPAxis* axis) const {
    return axis != nullptr && axis->scaleType() == QCPAxis::stLogarithmic;
}

void ChartPanel::ApplyTicker(int slot) {
    QCPAxis* axis = AxisAt(slot);
    if (axis->scaleType() == QCPAxis::stLogarithmic) {
        // Decades; the minor ticks divide each decade.
        auto ticker = QSharedPointer<QCPAxisTickerLog>::create();
        ticker->setSubTickCount(minorTickCount_[slot]);
        axis->setTicker(ticker);
    } else {
        auto ticker = QSharedPointer<AxisTicker>::create();
        ticker->SetIncrement(increment_[slot]);
        ticker->SetMinorTickCount(minorTickCount_[slot]);
        axis->setTicker(ticker);
    }
    replot(QCustomPlot::rpQueuedReplot);
}

void ChartPanel::UpdateAxes() {
    auto fit = [this](QCPAxis* axis, bool keyAxis) {
        bool found = false;
        QCPRange total;
        for (int i = 0; i < ChartSeriesCount; ++i) {
            auto* series = Series(i);
            if (!active_[i] || SeriesPointCount(i) == 0) continue;
            bool ok = false;
            const auto signDomain = axis->scaleType() == QCPAxis::stLogarithmic
                                        ? (axis->range().upper < 0 ? QCP::sdNegative : QCP::sdPositive)
                                        : QCP::sdBoth;
            const QCPRange range =
                keyAxis ? series->getKeyRange(ok, signDomain) : series->getValueRange(ok, signDomain);
            if (!ok) continue;
            if (!found) {
                total = range;
                found = true;
            } else {
                total.expand(range);
            }
        }
        if (!found) return;
        if (total.size() == 0) {
            // A single value: centre it in a unit-wide (or proportional) range.
            const double half = total.lower == 0 ? 0.5 : std::abs(total.lower) * 0.05;
            total = QCPRange(total.lower - half, total.upper + half);
        }
        axis->setRange(total);
    };
    if (automatic_[0]) fit(xAxis, true);
    if (automatic_[1]) fit(yAxis, false);
    if (automatic_[2]) yAxis2->setRange(yAxis->range());
    replot();
}

void ChartPanel::OnPlottableClick(QCPAbstractPlottable* plottable, int dataIndex) {
    if (plottable == series1_ && dataIndex >= 0 && dataIndex < series1_->data()->size()) {
        emit dataPointClicked(dataIndex);
    }
}

void ChartPanel::OnAxisClick(QCPAxis* axis) {
    if (axis == xAxis || axis == yAxis || axis == yAxis2) emit chartAxisClicked(axis);
}

}  // namespace kurvex::gui
