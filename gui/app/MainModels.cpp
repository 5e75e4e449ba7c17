// Model selection and the coefficient tables of the main window.
#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "core/common/MessageSink.h"
#include "gui/app/OrlaMain.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/data/ReadData.h"
#include "gui/equations/EquSet.h"

namespace kurvex::gui {

void TForm1::ComboBoxEqChange(int index) {
    if (busy_) return;
    if (index == kGeneralModelIndex && ComboBoxEq->itemText(index).isEmpty()) {
        // No general formula yet: take it from the registered list first.
        BitBtn4Click();
        if (fitState_.model.index != kGeneralModelIndex) ComboBoxEq->setCurrentIndex(fitState_.model.index);
        return;
    }
    SelectModel(index);
}

void TForm1::SelectModel(int k) {
    // The model and its formula text.
    ComboBoxEq->setCurrentIndex(k);
    // Only the first model lets the data input window choose the number of variables.
    Form2->SetMainExplanatoryCount(fitState_.model.nx, k == 0);
    // Derivative method, m and nx.
    const ModelPresentation presentation =
        kurvex::SelectModel(fitState_.model, k, DataExplanatoryCount(), FrmEquSet->GeneralModel());
    ApplyModelPresentation(presentation);
    ConfigureCoefficientTables();
    coefficientsOfCurrentModel_ = false;
    // A curve of another model no longer belongs on the chart.
    Chart1->SetSeriesActive(RegressionSeries, false);
    Chart1->SetSeriesActive(InitialLineSeries, false);
    Chart1->replot();
    SaveRegression->setEnabled(false);
    // The condition pages only where the model uses them.
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet1), presentation.showConditionPages);
    PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), presentation.showConditionPages);
    ShowPage(presentation.showConditionPages ? TabSheet1 : TabSheet3);
}

void TForm1::ShowPage(QWidget* page) {
    // A hidden page made current leaves no tab selected and cannot be reached
    // again: the results page stands in for it.
    const int index = PageControl1->indexOf(page);
    PageControl1->setCurrentWidget(PageControl1->isTabVisible(index) ? page : TabSheet3);
}

namespace {

// The note under the derivative-method choice when a general model lacks a
// derivative formula; made on first use, beside the radio group.
void ShowNumericDerivativeNote(RadioGroup* methods, bool show) {
    QWidget* page = methods->parentWidget();
    auto* note = page->findChild<QLabel*>(QStringLiteral("LabelDerivativeNote"));
    if (!note && !show) return;
    if (!note) {
        note = new QLabel(QString::fromUtf8(kNumericDerivativeNote), page);
        note->setObjectName(QStringLiteral("LabelDerivativeNote"));
        note->setWordWrap(true);
        if (auto* box = qobject_cast<QBoxLayout*>(page->layout())) box->insertWidget(box->indexOf(methods) + 1, note);
    }
    note->setVisible(show);
}

}  // namespace

void TForm1::ApplyModelPresentation(const ModelPresentation& presentation) {
    RadioGroup1->setEnabled(presentation.derivativeChoiceEnabled);
    if (presentation.forcedMethod) RadioGroup1->SetItemIndex(static_cast<int>(*presentation.forcedMethod));
    RadioGroup1Click(RadioGroup1->ItemIndex());
    // A general model whose derivative rows are not all filled is fitted with numeric derivatives.
    ShowNumericDerivativeNote(RadioGroup1,
                              fitState_.model.index == kGeneralModelIndex && !presentation.derivativeChoiceEnabled);
}

int TForm1::DataExplanatoryCount() const { return mainExplanatoryCount_; }

void TForm1::ConfigureCoefficientTables() {
    kurvex::ConfigureCoefficientTables(fitState_.model, DataExplanatoryCount(), FrmEquSet->GeneralModel());
    const int rows = fitState_.model.m + 1;
    StringGridCoefInit->SetRowCount(rows);
    StringGridCoefficients->SetRowCount(rows);
    StringGridLimit->SetRowCount(rows);
    for (int r = 1; r <= kMaxNamedCoefficients; ++r) {
        StringGridCoefficients->SetCell(1, r, QString());
        StringGridLimit->SetCell(1, r, QString());
    }
    fitState_.fields.ClearGridColumns(fitState_.model.m);
}

void TForm1::SetCoefficientDefaults() {
    const CoefficientTableDefaults defaults = kurvex::SetCoefficientDefaults();
    StringGridCoefInit->SetCell(0, 0, QStringLiteral("係数"));
    StringGridCoefInit->SetCell(1, 0, QStringLiteral("初期値"));
    StringGridCoefInit->SetCell(2, 0, QStringLiteral("許容誤差"));
    StringGridCoefInit->SetCell(kFixedColumn, 0, QStringLiteral("固定"));
    StringGridCoefInit->SetCell(kSearchRangeColumn, 0, QStringLiteral("探索範囲"));
    StringGridCoefInit->SetRowCount(fitState_.model.m + 1);
    for (std::size_t j = 0; j < defaults.names.size(); ++j) {
        const int row = static_cast<int>(j) + 1;
        StringGridCoefInit->SetCell(0, row, QString::fromStdString(defaults.names[j]));
        StringGridCoefInit->SetCell(1, row, QString::fromStdString(defaults.initialValues[j]));
        StringGridCoefInit->SetCell(2, row, QString::fromStdString(defaults.tolerances[j]));
        StringGridCoefInit->SetCell(kFixedColumn, row, QString());
        StringGridCoefInit->SetCell(kSearchRangeColumn, row, QString());
    }
    EditdX->setText(QString::fromStdString(defaults.increment));
}

void TForm1::ButtonDefaultClick() {
    if (!busy_) SetCoefficientDefaults();
}

void TForm1::RadioGroup1Click(int item) {
    const bool numeric = item == static_cast<int>(DerivativeMethod::Numeric);
    Label2->setVisible(numeric);
    EditdX->setVisible(numeric);
}

void TForm1::BitBtn3Click() {
    if (busy_) return;
    // What the grid shows is what gets copied, 7 significant digits as displayed.
    TResultFields shown;
    for (int j = 1; j <= fitState_.model.m; ++j)
        shown.coefficients.push_back(StringGridCoefficients->Cell(1, j).toStdString());
    std::vector<std::string> initialValues;
    if (!CopyResultsToInitialValues(shown, fitState_.model.m, initialValues)) return;
    for (std::size_t j = 0; j < initialValues.size(); ++j)
        StringGridCoefInit->SetCell(1, static_cast<int>(j) + 1, QString::fromStdString(initialValues[j]));
}

void TForm1::BitBtn4Click() {
    if (busy_) return;
    // The general model is typed or picked in the equation editor.
    const std::optional<std::string> formula = FrmEquSet->EditGeneralEquation();
    if (!formula) return;
    ComboBoxEq->setItemText(kGeneralModelIndex, QStringLiteral("y = ") + QString::fromStdString(*formula));
    SelectModel(kGeneralModelIndex);
}

}  // namespace kurvex::gui
