#pragma once
// The main window: model chooser, chart, condition and result pages, the
// calculate command, menus, settings and recent files.
#include <QMainWindow>
#include <filesystem>
#include <string>

#include "app/RecentFileList.h"
#include "regression/FitState.h"

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

class ChartPanel;
class RadioGroup;
class StringGrid;
class TAboutBox;
class TFrmProgress;
class THelpViewer;

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
    QAction* G2 = nullptr;
    QAction* SaveRegression = nullptr;
    QAction* SaveSpline = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* D1 = nullptr;
    QAction* InputFilter = nullptr;
    QMenu* G1 = nullptr;
    QAction* A1 = nullptr;
    QAction* GraphRefresh = nullptr;
    QMenu* CopyGraph = nullptr;
    QAction* M1 = nullptr;
    QAction* B1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrintPreview1 = nullptr;
    QMenu* Tool1 = nullptr;
    QAction* PredictMenu = nullptr;
    QAction* DrawSpline = nullptr;
    QAction* C2 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Contents = nullptr;
    QAction* N1 = nullptr;
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

    // --- Handlers and operations ---
    void FormShow();
    void EnableDataCommands();
    void ShowHelpContents();
    void ShowHelpKeywordSearch();
    void ShowHelpKeyword(const QString& keyword);

    // The fit state the window owns.
    const TFitState& FitState() const { return fitState_; }

    // The settings file: ProgramFolder + the executable's name + ".ini".
    const std::filesystem::path& SettingsPath() const { return settingsPath_; }
    const RecentFileList& RecentFiles() const { return recentFiles_; }
    int BaseFileItemCount() const { return baseFileItemCount_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    QWidget* CreateTopPanel();
    QWidget* CreateRightPanel();
    QWidget* CreateConditionPage1();
    QWidget* CreateConditionPage2();
    QWidget* CreateResultPage1();
    QWidget* CreateResultPage2();
    void About1Click();

    TFitState fitState_;
    RecentFileList recentFiles_;
    std::filesystem::path settingsPath_;
    int baseFileItemCount_ = 0;
    bool firstShowDone_ = false;
};

}  // namespace kurvex::gui
