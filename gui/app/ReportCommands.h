#pragma once
// The fit report in the main window: the page "詳細統計", the file commands
// "レポートの保存" and "信頼帯付き回帰曲線データの保存", and the graph
// menu's bands and residual plot. Added beside the window's own controls.
#include <QObject>

class QAction;

namespace kurvex::gui {

class TForm1;
class FitReportPage;
class FitBandsOverlay;
class ResidualPlot;

class ReportCommands : public QObject {
    Q_OBJECT

public:
    explicit ReportCommands(TForm1* form);

    // The fit's figures or its curve changed: page, bands and residual plot follow.
    void ResultsChanged();
    // The fit belongs to the model and data set on the chart.
    bool Current() const;

    void SaveReportClick();
    void SaveBandCurveClick();
    void ShowBandsToggled(bool shown);
    void ResidualPlotToggled(bool shown);

    FitReportPage* Page = nullptr;
    FitBandsOverlay* Bands = nullptr;
    ResidualPlot* Residuals = nullptr;
    QAction* SaveReport = nullptr;
    QAction* SaveBandCurve = nullptr;
    QAction* ShowBands = nullptr;
    QAction* ShowResidualPlot = nullptr;

private:
    TForm1* form_;
};

}  // namespace kurvex::gui
