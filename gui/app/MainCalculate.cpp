// Loading data, building the data set, the calculate command and the result pages.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <exception>
#include <optional>

#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"
#include "core/data/BuildDataSet.h"
#include "core/regression/Calculate.h"
#include "core/regression/Statistics.h"
#include "gui/app/AppFolders.h"
#include "gui/app/OrlaMain.h"
#include "gui/app/ReportCommands.h"
#include "gui/chart/ChartComposer.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/BusyCursor.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/data/MakeData.h"
#include "gui/data/ReadData.h"
#include "gui/regression/Processing.h"

namespace kurvex::gui {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// ---------------------------------------------------------------------------
// Data

bool TForm1::LoadAndShow(const QString& path) {
    if (busy_) return false;
    if (Form2->LoadAndShow(path) != QDialog::Accepted) return false;
    recentFiles_.Enter(Form2->CurrentFileName().toStdString());
    RebuildRecentFileMenu();
    if (!BuildDataSet()) return false;
    ConfigureCoefficientTables();
    EnableDataCommands();
    return true;
}

QString TForm1::StartFolderForOpen() const {
    // A first run opens where the bundled samples are, so a new user finds data at once.
    if (firstRun_ && Form2->OpenDialogFileName().isEmpty()) {
        const QString samples = SamplesFolder();
        if (!samples.isEmpty()) return samples + QLatin1Char('/');
    }
    return Form2->OpenDialogFileName();
}

void TForm1::Open1Click() {
    if (busy_) return;
    const QString previous = Form2->OpenDialogFileName();
    Form2->SetOpenDialogFileName(StartFolderForOpen());
    const QString chosen = Form2->RunOpenDialog();
    if (chosen.isEmpty()) {
        Form2->SetOpenDialogFileName(previous);
        return;
    }
    LoadAndShow(chosen);
}

void TForm1::InputFilterClick() {
    if (!busy_) RebuildAfterInput(Form2->ShowForInput());
}

void TForm1::RebuildAfterInput(int windowResult) {
    if (windowResult != QDialog::Accepted) return;
    if (BuildDataSet()) ConfigureCoefficientTables();
}

void TForm1::MakeDataClick() {
    if (busy_) return;
    if (RunNewTableCommand(*FrmMakeData, *Form2) != QDialog::Accepted) return;
    if (BuildDataSet()) {
        ConfigureCoefficientTables();
        EnableDataCommands();
    }
}

void TForm1::ClearResultFields() {
    for (QLineEdit* edit : {EdtNS, EdtSSQ, EdtSE, EditR2, EditR, EditRelativeError, EditDF, EditFV, EditSP})
        edit->clear();
    LblFitEnd1->clear();
    LblFitEnd2->clear();
    for (int r = 1; r < StringGridCoefficients->RowCount(); ++r) StringGridCoefficients->SetCell(1, r, QString());
    for (int r = 1; r < StringGridLimit->RowCount(); ++r) StringGridLimit->SetCell(1, r, QString());
    fitState_.fields.ClearStatistics();
    fitState_.fields.ClearGridColumns(fitState_.model.m);
}

bool TForm1::BuildDataSet() {
    if (Form2->CandidateCount() < 1) return false;
    const BusyCursor busy;
    setWindowTitle(QStringLiteral("回帰分析 /") + QFileInfo(Form2->CurrentFileName()).fileName());
    ClearResultFields();
    EdtNS->setText(QStringLiteral("0"));
    Composer->ClearForDataSet();

    const BuildResult result = Form2->BuildDataSet(fitState_.data);
    EdtNS->setText(QString::number(result.ok() ? fitState_.data.n : result.pointsRead));
    fitState_.fields.EdtNS = EdtNS->text().toStdString();
    fitState_.results.valid = false;
    // The spline needs one X in the set just built, not in the one it replaced.
    Composer->FollowDataSet();
    if (!result.ok()) return false;
    Composer->ComposeChart(Form2->YName(), Form2->XNames());
    return true;
}

// ---------------------------------------------------------------------------
// Calculate

void TForm1::BitBtn1Click() {
    if (busy_ || CalculationRunning()) return;
    if (fitState_.data.n < 1) {
        // A failed build leaves no data set to fit.
        ShowError(kNoValidDataMessage);
        return;
    }
    const FitConditionTexts texts = ConditionTexts();

    bool firstShowing = true;
    const ResultObserver observer = [this, &firstShowing](const TResultFields& fields) {
        if (firstShowing) {
            // The checks have passed: the results page comes to the front for the whole fit.
            firstShowing = false;
            ShowPage(TabSheet3);
        }
        ShowResultFields(fields);
    };

    SetBusy(true);
    // The progress window's Cancel stays at hand: the busy cursor that still points.
    std::optional<BusyCursor> busyCursor(std::in_place, Qt::BusyCursor);
    CalculateOutcome outcome;
    try {
        outcome = Calculate(fitState_, fitState_.data.nx, texts, *FrmProgress, observer);
    } catch (const std::exception& error) {
        // A fault in the statistics after the fit: end the command in order.
        FrmProgress->FinishProgress();
        outcome.ran = true;
        outcome.resultsValid = false;
        fitState_.results.residuals.clear();
        SetBusy(false);  // the message box must not find the window locked
        busyCursor.reset();
        ShowError(std::string(kCalculationErrorMessage) + "\n(" + error.what() + ")");
    }
    SetBusy(false);
    if (outcome.ran) {
        coefficientsOfCurrentModel_ = outcome.resultsValid;
        if (outcome.resultsValid) {
            Composer->DrawRegression();
            GraphRefresh->setEnabled(true);
            Report->ResultsChanged();
        } else {
            ShowPage(TabSheet1);
        }
    }
    BitBtn1->setVisible(true);
}

FitConditionTexts TForm1::ConditionTexts() const {
    FitConditionTexts texts;
    texts.lambdaUpperBound = EdtAlammx->text().toStdString();
    texts.maxIterations = EdtItmax->text().toStdString();
    texts.increment = EditdX->text().toStdString();
    texts.confidencePercent = EditConfLimit->text().toStdString();
    for (int j = 1; j <= fitState_.model.m; ++j) {
        texts.initialValues.push_back(StringGridCoefInit->Cell(1, j).toStdString());
        texts.tolerances.push_back(StringGridCoefInit->Cell(2, j).toStdString());
        texts.fixed.push_back(!StringGridCoefInit->Cell(kFixedColumn, j).isEmpty());
    }
    texts.derivativeMethod = RadioGroup1->ItemIndex() == static_cast<int>(DerivativeMethod::Formulas)
                                 ? DerivativeMethod::Formulas
                                 : DerivativeMethod::Numeric;
    return texts;
}

void TForm1::BitBtn2Click() {
    if (busy_) return;
    Composer->BeginInitialLine();
    std::vector<double> coefficients;
    for (int j = 1; j <= fitState_.model.m; ++j) {
        const QString text = StringGridCoefInit->Cell(1, j);
        const auto value = ReadTypedReal(text.toStdString());
        if (!value) return;
        coefficients.push_back(static_cast<double>(*value));
    }
    Composer->DrawInitialLine(coefficients);
    GraphRefresh->setEnabled(true);
}

void TForm1::ShowResultFields(const TResultFields& fields) {
    EdtNS->setText(Q(fields.EdtNS.empty() ? std::to_string(fitState_.data.n) : fields.EdtNS));
    EdtSSQ->setText(Q(fields.EdtSSQ));
    EdtSE->setText(Q(fields.EdtSE));
    EditR2->setText(Q(fields.EditR2));
    EditR->setText(Q(fields.EditR));
    EditRelativeError->setText(Q(fields.EditRelativeError));
    EditDF->setText(Q(fields.EditDF));
    EditFV->setText(Q(fields.EditFV));
    EditSP->setText(Q(fields.EditSP));
    for (int r = 1; r < StringGridCoefficients->RowCount(); ++r) {
        const auto j = static_cast<std::size_t>(r - 1);
        StringGridCoefficients->SetCell(1, r, j < fields.coefficients.size() ? Q(fields.coefficients[j]) : QString());
        StringGridLimit->SetCell(1, r, j < fields.limits.size() ? Q(fields.limits[j]) : QString());
    }
    if (!fields.comment.empty()) FrmProgress->SetComment(fields.comment);
    LblFitEnd1->setText(Q(fields.fitEnd));
    LblFitEnd2->setText(Q(fields.fitEnd));
}

void TForm1::StringGridLimitTopLeftChanged(int topRow) { StringGridCoefficients->SetTopRow(topRow); }

}  // namespace kurvex::gui
