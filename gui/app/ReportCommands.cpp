#include "gui/app/ReportCommands.h"

#include <QAction>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/data/DataOutput.h"
#include "core/regression/Bands.h"
#include "core/tools/ReportFile.h"
#include "core/tools/ReportTables.h"
#include "gui/app/FitReportPage.h"
#include "gui/app/OrlaMain.h"
#include "gui/chart/ChartComposer.h"
#include "gui/chart/ChartPanel.h"
#include "gui/chart/FitBands.h"
#include "gui/data/ReadData.h"

namespace kurvex::gui {
namespace {

const char* const kNoReportMessage = "保存する計算結果がありません。\n「計算」の後で保存して下さい。";
const char* const kPointsCsvQuestion = "各点の計算値と残差のCSVファイルも保存しますか？";
const char* const kNoBandsMessage = "信頼帯を計算できません。\n説明変数が1つの回帰式の計算後に保存して下さい。";

QAction* NewCheckable(QMenu* menu, QAction* before, const char* objectName, const QString& caption) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(QLatin1String(objectName));
    action->setCheckable(true);
    menu->insertAction(before, action);
    return action;
}

}  // namespace

ReportCommands::ReportCommands(TForm1* form) : QObject(form), form_(form) {
    Page = new FitReportPage;
    form->PageControl1->insertTab(form->PageControl1->indexOf(form->TabSheet4) + 1, Page,
                                  QString::fromUtf8(kDetailPageCaption));
    Bands = new FitBandsOverlay(form->Chart1, &form->FitState(), this);
    // The residual plot sits beside the chart in its splitter and takes its place when chosen.
    Residuals = new ResidualPlot;
    Residuals->setMinimumSize(form->Chart1->minimumSize());
    if (auto* splitter = qobject_cast<QSplitter*>(form->Chart1->parentWidget())) {
        const int at = splitter->indexOf(form->Chart1) + 1;
        splitter->insertWidget(at, Residuals);
        splitter->setStretchFactor(at, 1);
    }
    Residuals->hide();

    // File menu: beside the curve output, before the separator above 終了.
    QAction* beforeExit = nullptr;
    const auto fileActions = form->File1->actions();
    for (int i = 0; i + 1 < fileActions.size(); ++i)
        if (fileActions[i + 1] == form->Exit1) beforeExit = fileActions[i];
    SaveBandCurve = new QAction(QStringLiteral("信頼帯付き回帰曲線データの保存(&B)"), form->File1);
    SaveBandCurve->setObjectName(QStringLiteral("SaveBandCurve"));
    SaveReport = new QAction(QStringLiteral("レポートの保存(&H)"), form->File1);
    SaveReport->setObjectName(QStringLiteral("SaveReport"));
    form->File1->insertAction(beforeExit, SaveBandCurve);
    form->File1->insertAction(beforeExit, SaveReport);

    // Graph menu: after グラフのリフレッシュ.
    QAction* afterRefresh = nullptr;
    const auto graphActions = form->G1->actions();
    for (int i = 0; i + 1 < graphActions.size(); ++i)
        if (graphActions[i] == form->GraphRefresh) afterRefresh = graphActions[i + 1];
    ShowBands = NewCheckable(form->G1, afterRefresh, "ShowBands", QStringLiteral("信頼帯・予測帯の表示(&B)"));
    ShowResidualPlot = NewCheckable(form->G1, afterRefresh, "ShowResidualPlot", QStringLiteral("残差プロット(&E)"));

    connect(SaveReport, &QAction::triggered, this, &ReportCommands::SaveReportClick);
    connect(SaveBandCurve, &QAction::triggered, this, &ReportCommands::SaveBandCurveClick);
    connect(ShowBands, &QAction::toggled, this, &ReportCommands::ShowBandsToggled);
    connect(ShowResidualPlot, &QAction::toggled, this, &ReportCommands::ResidualPlotToggled);
    connect(form->PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (form_->PageControl1->widget(index) == Page) Page->ShowReport(form_->FitState(), Current());
    });
    // A manual or automatic change of the bottom axis resamples the bands.
    connect(form->Chart1->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this] {
        if (Bands->Shown()) QTimer::singleShot(0, this, [this] { Bands->Refresh(Current()); });
    });
    ResultsChanged();
}

bool ReportCommands::Current() const {
    return form_->FitState().results.valid && form_->Chart1->IsSeriesActive(RegressionSeries);
}

void ReportCommands::ResultsChanged() {
    const bool current = Current();
    Page->ShowReport(form_->FitState(), current);
    Bands->Refresh(current);
    if (Residuals->isVisible() || ShowResidualPlot->isChecked())
        Residuals->ShowResiduals(form_->FitState(), current, form_->Form2->XNames().value(0, QStringLiteral("X1")));
}

void ReportCommands::ShowBandsToggled(bool shown) { Bands->SetShown(shown); }

void ReportCommands::ResidualPlotToggled(bool shown) {
    if (shown)
        Residuals->ShowResiduals(form_->FitState(), Current(), form_->Form2->XNames().value(0, QStringLiteral("X1")));
    form_->Chart1->setVisible(!shown);
    Residuals->setVisible(shown);
}

void ReportCommands::SaveReportClick() {
    if (form_->Busy()) return;
    if (!Current()) {
        ShowError(kNoReportMessage);
        return;
    }
    FileDialogRequest request;
    request.parent = form_;
    request.caption = QStringLiteral("レポートの保存");
    request.filterList = QStringLiteral("HTMLファイル (*.html)|*.html");
    request.extension = QStringLiteral(".html");
    const QString path = AskSaveFileName(request);
    if (path.isEmpty()) return;
    const bool withPoints =
        Messages().Show(MessageKind::Confirmation, kPointsCsvQuestion, MessageButtons::YesNo) == MessageAnswer::Yes;
    ReportSource source;
    if (const PreparedSelection* selection = form_->Form2->Selection())
        source = SourceOf(form_->Form2->CurrentFileName().toStdString(), *selection);
    else source.dataFile = form_->Form2->CurrentFileName().toStdString();
    if (kurvex::SaveReport(std::filesystem::path(path.toStdString()), form_->FitState(), source, withPoints))
        Messages().Show(MessageKind::Information, kReportSavedMessage, MessageButtons::Ok);
}

void ReportCommands::SaveBandCurveClick() {
    if (form_->Busy()) return;
    const TFitState& state = form_->FitState();
    if (!Current() || state.data.nx != 1) {
        ShowError(kNoBandsMessage);
        return;
    }
    const QCPRange range = form_->Chart1->xAxis->range();
    const auto points = ComputeBands(state, range.lower, range.upper, kCurvePointCount);
    if (points.empty() || !points.front().confidenceLow) {
        ShowError(kNoBandsMessage);
        return;
    }
    FileDialogRequest request;
    request.parent = form_;
    request.caption = QStringLiteral("信頼帯付き回帰曲線データの保存");
    request.filterList = QStringLiteral("カンマ区切りファイル (*.csv)|*.CSV");
    request.extension = QStringLiteral(".CSV");
    const QString path = AskSaveFileName(request);
    if (path.isEmpty()) return;
    const std::string text =
        BandCurveText(form_->Chart1->xAxis->label().toStdString(), form_->Chart1->yAxis->label().toStdString(), points);
    if (!WriteFileOrReport(std::filesystem::path(path.toStdString()), text)) return;
    Messages().Show(MessageKind::Confirmation, kSavedMessage, MessageButtons::Ok);
}

}  // namespace kurvex::gui
