#pragma once
// The main window: model chooser, chart, condition and result pages, the
// calculate command, menus, settings and recent files.
#include <QMainWindow>
#include <filesystem>
#include <string>

#include "core/regression/Calculate.h"
#include "core/regression/FitState.h"
#include "core/regression/ModelSelection.h"
#include "gui/app/RecentFileList.h"
#include "gui/data/FileDialogs.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QWidget;

namespace kurvex::gui {

// Columns of StringGridCoefInit beside name, initial value and tolerance.
inline constexpr int kFixedColumn = 3;        // "固定": the coefficient is held at its initial value
inline constexpr int kSearchRangeColumn = 4;  // "探索範囲": "low:high" drawn by the start search

inline constexpr const char* kNoCoefficientsForPredictionMessage =
    "選択中の回帰式の計算結果がありません。\n「計算」の後で予測して下さい。";

class ChartComposer;
class ChartPanel;
class RadioGroup;
class TForm2;
class TFrmMakeData;
class StringGrid;
class TAboutBox;
class TFrmProgress;
class TFrmEquSet;
class TFrmPredict;
class TFrmSetSpline;
class TFrmAxisSet;
class TFrmSaveData;
class THelpViewer;
class ReportCommands;

class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // --- Menus (component names as object names) ---
    QMenu* File1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* MakeData = nullptr;
    QAction* SaveData = nullptr;
    QAction* G2 = nullptr;  // "グラフ画面の保存": the chart as an image file
    QAction* SaveRegression = nullptr;
    QAction* SaveSpline = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* D1 = nullptr;
    QAction* InputFilter = nullptr;
    QMenu* G1 = nullptr;
    QAction* A1 = nullptr;
    QAction* GraphRefresh = nullptr;
    QMenu* CopyGraph = nullptr;
    QAction* M1 = nullptr;  // "メタファイル": the chart to the clipboard as vector graphics
    QAction* B1 = nullptr;  // "ビットマップファイル": the chart to the clipboard as a bitmap
    QAction* Print1 = nullptr;
    QAction* PrintPreview1 = nullptr;
    QMenu* Tool1 = nullptr;
    QAction* PredictMenu = nullptr;
    QAction* DrawSpline = nullptr;
    QAction* C2 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Contents = nullptr;
    QAction* N1 = nullptr;  // "キーワード検索": the help pages by keyword
    QAction* About1 = nullptr;

    // --- Top panel ---
    QComboBox* ComboBoxEq = nullptr;
    QPushButton* BitBtn4 = nullptr;

    // --- Chart ---
    ChartPanel* Chart1 = nullptr;

    // --- Page control ---
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    // 条件１
    StringGrid* StringGridCoefInit = nullptr;
    QPushButton* ButtonDefault = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    // Starting values from the data ("初期値の推定"); columns "固定" and "探索範囲" of StringGridCoefInit.
    QPushButton* ButtonEstimateStart = nullptr;
    // 条件２
    QLineEdit* EdtAlammx = nullptr;
    QLineEdit* EdtItmax = nullptr;
    RadioGroup* RadioGroup1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EditdX = nullptr;
    // 結果１
    StringGrid* StringGridCoefficients = nullptr;
    StringGrid* StringGridLimit = nullptr;
    QLineEdit* EditConfLimit = nullptr;
    // 結果２
    QLineEdit* EdtNS = nullptr;
    // How the last fit ended, on both result pages.
    QLabel* LblFitEnd1 = nullptr;
    QLabel* LblFitEnd2 = nullptr;
    QLineEdit* EdtSSQ = nullptr;
    QLineEdit* EdtSE = nullptr;
    QLineEdit* EditR2 = nullptr;
    QLineEdit* EditR = nullptr;
    QLineEdit* EditRelativeError = nullptr;
    QGroupBox* GroupBoxAnova = nullptr;
    QLineEdit* EditDF = nullptr;
    QLineEdit* EditFV = nullptr;
    QLineEdit* EditSP = nullptr;
    QPushButton* BitBtn5 = nullptr;
    // Buttons under the pages
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn6 = nullptr;

    // --- Owned windows ---
    TFrmProgress* FrmProgress = nullptr;
    TAboutBox* AboutBox = nullptr;
    THelpViewer* HelpViewer = nullptr;
    TForm2* Form2 = nullptr;
    TFrmMakeData* FrmMakeData = nullptr;
    TFrmEquSet* FrmEquSet = nullptr;
    TFrmPredict* FrmPredict = nullptr;
    TFrmSetSpline* FrmSetSpline = nullptr;
    TFrmAxisSet* FrmAxisSet = nullptr;
    TFrmSaveData* FrmSaveData = nullptr;
    ChartComposer* Composer = nullptr;
    ReportCommands* Report = nullptr;  // the page 詳細統計, the report file, bands and residual plot

    // --- Start-up, enabling, help ---
    void FormShow();
    void EnableDataCommands();
    void LabelResultGrids();
    int StoredModelWithGeneralEquation();
    void ShowHelpContents();
    void ShowHelpKeywordSearch();
    void ShowHelpKeyword(const QString& keyword);

    // --- Models and coefficient tables ---
    void SelectModel(int k);
    void ConfigureCoefficientTables();
    void SetCoefficientDefaults();
    void ComboBoxEqChange(int index);
    void RadioGroup1Click(int item);
    void ButtonDefaultClick();
    void BitBtn3Click();              // "計算結果のコピー"
    void ButtonEstimateStartClick();  // "初期値の推定"
    void BitBtn4Click();              // "一般式の設定"
    int GeneralEquationIndex() const;

    // --- Data, calculate, results ---
    // Loads `path` into the data input window and shows it; on OK enters the
    // recent list and builds the data set. True when a data set was built.
    bool LoadAndShow(const QString& path);
    void Open1Click();
    void InputFilterClick();
    // After the data input window closed with `windowResult`: the data set
    // is built again only when the window accepted the data.
    void RebuildAfterInput(int windowResult);
    void MakeDataClick();
    bool BuildDataSet();
    void BitBtn1Click();  // "計算"
    void BitBtn2Click();  // "初期値を用いた式の描画"
    void BitBtn5Click();  // "解説"

    // --- File and graph commands of the other windows ---
    void SaveDataClick();
    void SaveRegressionClick();
    void SaveSplineClick();

    // --- Tools menu ---
    void PredictMenuClick();
    void DrawSplineClick();
    void C2Click();  // Kendall's test
    void ShowResultFields(const TResultFields& fields);
    void StringGridLimitTopLeftChanged(int topRow);
    // True while a fit runs: the commands that could start another are off.
    bool Busy() const { return busy_; }

    // --- Settings and recent files ---
    void ReadSettings();
    void WriteSettings();
    // The state the main settings file stores, taken from the windows.
    MainSettings CurrentSettings() const;
    void RebuildRecentFileMenu();
    // A recent-file item: entry `index` of the list.
    void RecentFileClick(int index);
    QList<QAction*> RecentFileActions() const;

    // The fit state the window owns.
    const TFitState& FitState() const { return fitState_; }

    // The settings file: ProgramFolder + the executable's name + ".ini".
    const std::filesystem::path& SettingsPath() const { return settingsPath_; }
    const RecentFileList& RecentFiles() const { return recentFiles_; }
    int BaseFileItemCount() const { return baseFileItemCount_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A data file dropped onto the window opens as the open command opens it.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();
    QWidget* CreateTopPanel();
    QWidget* CreateRightPanel();
    QWidget* CreateConditionPage1();
    QWidget* CreateConditionPage2();
    QWidget* CreateResultPage1();
    QWidget* CreateResultPage2();
    void About1Click();
    void ConnectCommands();
    void SetBusy(bool busy);
    // Makes `page` the current page, or the results page when `page` is hidden.
    void ShowPage(QWidget* page);
    // The condition texts as typed on "条件１" and "条件２".
    FitConditionTexts ConditionTexts() const;
    int DataExplanatoryCount() const;
    void ClearResultFields();
    void ApplyModelPresentation(const ModelPresentation& presentation);
    QString StartFolderForOpen() const;

    TFitState fitState_;
    FileDialogRequest saveDialog_;  // the main save dialog: keeps its filter and name between commands
    RecentFileList recentFiles_;
    std::filesystem::path settingsPath_;
    int baseFileItemCount_ = 0;
    int mainExplanatoryCount_ = 1;  // the main window's number of explanatory variables
    bool firstShowDone_ = false;
    bool busy_ = false;
    // The coefficients in the fit state come from a fit of the model now
    // chosen (the initial-value line leaves them as they are).
    bool coefficientsOfCurrentModel_ = false;
    bool firstRun_ = true;  // no settings file yet: the open dialog starts in samples/
};

}  // namespace kurvex::gui
