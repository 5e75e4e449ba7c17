// The fit report in the real window: the page 詳細統計 after 結果２ with the
// core's figures, the tab-separated copy, the bands and the residual plot
// from the graph menu, the report file and the prediction window's intervals.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "core/common/NumberFormat.h"
#include "core/regression/Bands.h"
#include "core/regression/FitReport.h"
#include "gui/app/FitReportPage.h"
#include "gui/app/ReportCommands.h"
#include "gui/chart/ChartPanel.h"
#include "gui/chart/FitBands.h"
#include "gui/common/StringGrid.h"
#include "gui/data/FileDialogs.h"
#include "gui/tools/PredictionWindow.h"
#include "tests/gui/support/MainWindowFixture.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::MainWindowFixture;

namespace {

void SaveScreenshot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("KURVEX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    (void)QTest::qWaitForWindowExposed(&window);  // a dialog shown beside the main window may never count as exposed
    QTest::qWait(300);
    QVERIFY(window.grab().save(folder + QLatin1Char('/') + name));
}

}  // namespace

class FitReportWindowTest : public QObject {
    Q_OBJECT

private slots:
    void reportPageBandsResidualsAndFile();
};

void FitReportWindowTest::reportPageBandsResidualsAndFile() {
    MainWindowFixture fixture;
    TForm1& form = fixture.Start();
    ReportCommands& report = *form.Report;
    // Before a fit there is nothing to copy or save.
    QVERIFY(!report.Page->ButtonCopyResults->isEnabled());
    report.SaveReport->trigger();
    QCOMPARE(fixture.Messages().messages.size(), std::size_t{1});

    QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
    form.ComboBoxEq->setCurrentIndex(3);
    emit form.ComboBoxEq->activated(3);
    form.BitBtn1->click();
    QVERIFY(form.FitState().results.valid);

    // The page comes right after 結果２ and shows the core's figures.
    const int page = form.PageControl1->indexOf(report.Page);
    QCOMPARE(page, form.PageControl1->indexOf(form.TabSheet4) + 1);
    QCOMPARE(form.PageControl1->tabText(page), QStringLiteral("詳細統計"));
    const TFitReport figures = ComputeFitReport(form.FitState());
    QCOMPARE(report.Page->GridCoefficientTests->rowCount(), 2);
    for (int j = 0; j < 2; ++j)
        QCOMPARE(report.Page->GridCoefficientTests->item(j, 2)->text().toStdString(),
                 FormatNumber(*figures.standardErrors[static_cast<std::size_t>(j)], 7));
    QCOMPARE(report.Page->GridCorrelation->rowCount(), 2);
    // The SE is the limit's half-width over t: the same s and (JᵀJ)⁻¹.
    const auto& statistics = form.FitState().results.statistics;
    QVERIFY(std::abs(static_cast<double>(*figures.standardErrors[0] * *statistics.t / *statistics.halfWidths[0]) - 1) <
            1e-12);

    report.Page->ButtonCopyResults->click();
    const QString copied = QApplication::clipboard()->text();
    QVERIFY(copied.contains(QStringLiteral("寄与率 R^2\t") + form.EditR2->text()));
    QVERIFY(copied.contains(QStringLiteral("C1\t") + form.StringGridCoefficients->Cell(1, 2)));
    QVERIFY(copied.contains(QStringLiteral("決定係数 1-SSR/SST\t")));
    form.PageControl1->setCurrentIndex(page);
    SaveScreenshot(form, QStringLiteral("detail-page.png"));

    // Bands on and off from the graph menu.
    report.ShowBands->trigger();
    QVERIFY(!report.Bands->Points().empty());
    QVERIFY(report.Bands->Points().front().predictionLow < report.Bands->Points().front().confidenceLow);
    form.PageControl1->setCurrentWidget(form.TabSheet3);
    SaveScreenshot(form, QStringLiteral("chart-bands.png"));
    report.ShowBands->trigger();
    QVERIFY(report.Bands->Points().empty());

    // The residual plot takes the chart's place and gives it back.
    report.ShowResidualPlot->trigger();
    QVERIFY(report.Residuals->isVisible() && !form.Chart1->isVisible());
    QCOMPARE(report.Residuals->PointCount(), form.FitState().data.n);
    SaveScreenshot(form, QStringLiteral("residual-plot.png"));
    report.ShowResidualPlot->trigger();
    QVERIFY(form.Chart1->isVisible() && !report.Residuals->isVisible());

    // The report file and, asked for, the points CSV.
    const QString path = fixture.Folder() + QStringLiteral("/fit.html");
    SetSaveFileDialogHook([&](const FileDialogRequest&) { return path; });
    fixture.Messages().answers.push_back(MessageAnswer::Yes);
    report.SaveReport->trigger();
    SetSaveFileDialogHook({});
    QFile html(path), csv(fixture.Folder() + QStringLiteral("/fit_points.csv"));
    QVERIFY(html.open(QIODevice::ReadOnly) && csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(html.readAll());
    QVERIFY(text.contains(QStringLiteral("<meta charset=\"UTF-8\">")) && text.count(QStringLiteral("<svg")) == 2);
    QVERIFY(text.contains(form.EdtSSQ->text()) && text.contains(QStringLiteral("詳細統計")));
    QCOMPARE(csv.readAll().count('\n'), qsizetype{13});

    // The prediction window adds the intervals of the predicted value.
    form.FrmPredict->SetFitState(&form.FitState());
    form.FrmPredict->show();
    form.FrmPredict->StringGridXValue->SetCell(1, 1, QStringLiteral("2"));
    form.FrmPredict->BitBtn1Click();
    const double x = 2;
    BandCalculator bands(form.FitState());
    const PredictionInterval at = bands.At(std::span<const double>(&x, 1));
    QVERIFY(form.FrmPredict->EditConfidenceInterval->text().startsWith(
        QString::fromStdString(IntervalText(at.value, at.confidenceHalf))));
    QVERIFY(form.FrmPredict->EditPredictionInterval->text().startsWith(
        QString::fromStdString(IntervalText(at.value, at.predictionHalf))));
    SaveScreenshot(*form.FrmPredict, QStringLiteral("prediction-intervals.png"));
    form.FrmPredict->hide();
}

QTEST_MAIN(FitReportWindowTest)
#include "FitReportWindowTest.moc"
