#include "gui/tools/SetSpline.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <vector>

#include "core/common/NumberFormat.h"
#include "core/regression/FitState.h"
#include "core/tools/NiceRange.h"
#include "core/tools/RunSpline.h"
#include "gui/chart/ChartComposer.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/RadioGroup.h"

namespace kurvex::gui {

namespace {

constexpr int kEditPrecision = 15;
constexpr int kNiceDivisions = 5;

QLineEdit* NewEdit(QWidget* parent, const char* objectName, const QString& text = QString()) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    return edit;
}

}  // namespace

TFrmSetSpline::TFrmSetSpline(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmSetSpline"));
    setWindowTitle(QStringLiteral("スプライン補間の条件設定"));
    setModal(true);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    BuildMethodPage();
    BuildRangePage();
    PageControl1->addTab(TabSheet1, QStringLiteral("方法"));
    PageControl1->addTab(TabSheet2, QStringLiteral("範囲"));
    PageControl1->setCurrentWidget(TabSheet1);

    QHBoxLayout* buttons = BuildButtons();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);

    connect(RadioGroupMethod, &RadioGroup::Click, this, [this](int) { RadioGroupMethodClick(); });
    connect(RadioGroupRangeSet, &RadioGroup::Click, this, [this](int) { RadioGroupRangeSetClick(); });
    connect(BitBtn1, &QPushButton::clicked, this, &TFrmSetSpline::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFrmSetSpline::BitBtn2Click);
    RadioGroupMethodClick();
    resize(320, 300);
}

// 「方法」: the spline and the number of sub-intervals.
void TFrmSetSpline::BuildMethodPage() {
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* methodPage = new QVBoxLayout(TabSheet1);
    RadioGroupMethod =
        new RadioGroup(QStringLiteral("計算方法"),
                       {QStringLiteral("ベイズ型スプライン"), QStringLiteral("３次スプライン")}, TabSheet1);
    RadioGroupMethod->setObjectName(QStringLiteral("RadioGroupMethod"));
    RadioGroupMethod->SetItemIndex(static_cast<int>(SplineMethod::Bayesian));
    methodPage->addWidget(RadioGroupMethod);
    auto* intervals = new QHBoxLayout;
    LabelND = new QLabel(QStringLiteral("小区間数："), TabSheet1);
    LabelND->setObjectName(QStringLiteral("LabelND"));
    EditND = NewEdit(TabSheet1, "EditND", QStringLiteral("10"));
    LabelND->setBuddy(EditND);
    intervals->addWidget(LabelND);
    intervals->addWidget(EditND);
    intervals->addStretch();
    methodPage->addLayout(intervals);
    methodPage->addStretch();
}

// 「範囲」: how the output range is set, the range and the number of points.
void TFrmSetSpline::BuildRangePage() {
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* rangePage = new QVBoxLayout(TabSheet2);
    RadioGroupRangeSet =
        new RadioGroup(QStringLiteral("出力範囲の設定方法"),
                       {QStringLiteral("データ範囲"), QStringLiteral("手動設定"), QStringLiteral("最適化")}, TabSheet2);
    RadioGroupRangeSet->setObjectName(QStringLiteral("RadioGroupRangeSet"));
    RadioGroupRangeSet->SetItemIndex(static_cast<int>(SplineRangeMode::DataRange));
    rangePage->addWidget(RadioGroupRangeSet);
    GroupBox2 = new QGroupBox(QStringLiteral("出力範囲"), TabSheet2);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* range = new QFormLayout(GroupBox2);
    EditMin = NewEdit(GroupBox2, "EditMin");
    EditMax = NewEdit(GroupBox2, "EditMax");
    EditNp = NewEdit(GroupBox2, "EditNp", QStringLiteral("100"));
    EditNp->setToolTip(QStringLiteral("スプライン曲線データの数－１"));
    range->addRow(QStringLiteral("下限："), EditMin);
    range->addRow(QStringLiteral("上限："), EditMax);
    range->addRow(QStringLiteral("出力点数："), EditNp);
    rangePage->addWidget(GroupBox2);
    rangePage->addStretch();
}

QHBoxLayout* TFrmSetSpline::BuildButtons() {
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("閉じる"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    return buttons;
}

SplineMethod TFrmSetSpline::Method() const {
    return RadioGroupMethod->ItemIndex() == static_cast<int>(SplineMethod::Cubic) ? SplineMethod::Cubic
                                                                                  : SplineMethod::Bayesian;
}

SplineRangeMode TFrmSetSpline::RangeMode() const {
    switch (RadioGroupRangeSet->ItemIndex()) {
        case 1: return SplineRangeMode::Manual;
        case 2: return SplineRangeMode::Optimized;
        default: return SplineRangeMode::DataRange;
    }
}

void TFrmSetSpline::SetDataRange(double dataXMin, double dataXMax) {
    dataXMin_ = dataXMin;
    dataXMax_ = dataXMax;
}

void TFrmSetSpline::SetRangeBoxes(double lo, double hi) {
    shownMin_ = {QString::fromStdString(FormatNumber(lo, kEditPrecision)), lo};
    shownMax_ = {QString::fromStdString(FormatNumber(hi, kEditPrecision)), hi};
    EditMin->setText(shownMin_.text);
    EditMax->setText(shownMax_.text);
}

std::string TFrmSetSpline::RangeText(const QLineEdit* edit, const ShownValue& shown) const {
    // 17 digits read back as the same double.
    if (edit->text() == shown.text && !shown.text.isEmpty()) return FormatNumber(shown.value, 17);
    return edit->text().toStdString();
}

int TFrmSetSpline::Execute(double dataXMin, double dataXMax) {
    SetDataRange(dataXMin, dataXMax);
    // A manual range is offered again as typed; the other modes follow the data.
    if (openMode_ != SplineRangeMode::Manual || EditMin->text().isEmpty() || EditMax->text().isEmpty())
        SetRangeBoxes(dataXMin, dataXMax);
    RadioGroupRangeSet->SetItemIndex(static_cast<int>(openMode_));
    return exec();
}

void TFrmSetSpline::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFrmSetSpline::FormShow() { RadioGroupRangeSetClick(); }

void TFrmSetSpline::RadioGroupMethodClick() {
    const bool bayesian = Method() == SplineMethod::Bayesian;
    LabelND->setVisible(bayesian);
    EditND->setVisible(bayesian);
}

void TFrmSetSpline::RadioGroupRangeSetClick() {
    switch (RangeMode()) {
        case SplineRangeMode::DataRange:
            EditMin->setEnabled(false);
            EditMax->setEnabled(false);
            SetRangeBoxes(dataXMin_, dataXMax_);
            break;
        case SplineRangeMode::Manual:
            EditMin->setEnabled(true);
            EditMax->setEnabled(true);
            break;
        case SplineRangeMode::Optimized: {
            EditMin->setEnabled(false);
            EditMax->setEnabled(false);
            double lo = dataXMin_;
            double hi = dataXMax_;
            int divisions = kNiceDivisions;
            NiceRange(lo, hi, divisions);  // an empty range stays as it is
            SetRangeBoxes(lo, hi);
            break;
        }
    }
}

void TFrmSetSpline::BitBtn1Click() {
    openMode_ = RangeMode();
    accept();
}

void TFrmSetSpline::BitBtn2Click() { reject(); }

bool TFrmSetSpline::RunSpline(const TFitData& data) {
    const std::optional<SplineSettings> settings =
        ReadSplineSettings(Method(), EditNp->text().toStdString(), EditND->text().toStdString(),
                           RangeText(EditMin, shownMin_), RangeText(EditMax, shownMax_));
    if (!settings) return false;
    std::vector<double> x(static_cast<std::size_t>(data.n));
    for (std::int32_t i = 0; i < data.n; ++i) x[static_cast<std::size_t>(i)] = data.PointX(i)[0];
    const std::span<const double> y(data.y.data(), static_cast<std::size_t>(data.n));
    return kurvex::RunSpline(state_, *settings, x, y);
}

bool DrawSplineCommand(TFrmSetSpline& window, ChartComposer& composer, ChartPanel& chart, const TFitData& data) {
    // The menu item exists only for one explanatory variable; guard anyway.
    if (data.nx != 1 || data.n < 1) return false;
    if (window.Execute(composer.DataXMin(), composer.DataXMax()) != QDialog::Accepted) return false;
    if (!window.RunSpline(data)) return false;
    chart.SetSeriesTitle(SplineSeries, QString::fromLatin1(SplineSeriesTitle(window.Method())));
    composer.DrawSplineCurve(window.State().CurveX, window.State().CurveY);
    chart.replot();
    return true;
}

}  // namespace kurvex::gui
