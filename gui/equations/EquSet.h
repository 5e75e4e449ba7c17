#pragma once
// The equation editor "一般式の入力": the general model is typed here,
// registered with a name and its derivative formulas in the list kept in
// "Equation.txt", picked from that list and handed to the main window.
#include <QDialog>
#include <filesystem>
#include <optional>
#include <string>

#include "core/equations/EquationList.h"
#include "core/regression/ModelSelection.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace kurvex {
class IniFile;
}

namespace kurvex::gui {

class CellTextDelegate;
class StringGrid;

inline constexpr const char* kEnterFormulaMessage = "式を入力して下さい。";
inline constexpr const char* kNewRowWriteWarning =
    "ここには書き込めません。\n上のテキストボックス（「y=」の右隣）に記入して下さい。";
inline constexpr const char* kNewRowText = "新規";
inline constexpr const char* kEquationHelpKeyword = "式の記述";
// Shown beside the main window's derivative-method choice while the general
// model lacks a derivative formula.
inline constexpr const char* kNumericDerivativeNote =
    "導関数の式がすべて入力されていないため、数値微分で計算します。";  // dy/dC0 = .. dy/dC50 =

class TFrmEquSet : public QDialog {
    Q_OBJECT

public:
    // Reads the registered list from ProgramFolder() + "Equation.txt".
    explicit TFrmEquSet(QWidget* parent = nullptr);
    ~TFrmEquSet() override;

    // --- What the main window calls ---
    // Shows the window modally. The normalised formula when it closed with
    // OK; nothing after Cancel or the close box.
    std::optional<std::string> EditGeneralEquation();
    // At start, when the stored model is the general one: the show handling
    // without showing (selects CurrentEntry), then the formula box validated.
    // False when the entry's formula is refused (its message has been shown).
    bool PrepareGeneralModel();
    // The general model as the last OK (or preparation) left it: formula,
    // counts and the derivative texts of its entry. Browsing, registering or
    // Cancel in the window do not change it.
    GeneralModelSource GeneralModel() const { return inUse_; }

    int CurrentEntry() const { return currentEntry_; }
    void SetCurrentEntry(int entry);
    int CoefficientCount() const { return coefficientCount_; }
    int VariableCount() const { return variableCount_; }
    // Built-in models 2..8 tell the editor their coefficient count.
    void SetCoefficientCount(int count) { coefficientCount_ = count; }
    // Column 1 of a list row ("y = " + formula); empty outside the entries.
    QString FormulaText(int row) const;
    const EquationList& List() const { return list_; }

    // Sections "Equation Form", "Table of Functions" and "Table of
    // Derivatives" of the main settings file, key by key (the main window
    // reads and writes that file once, with its own sections); missing keys
    // keep the current values.
    void LoadEquationFormSettings(const IniFile& ini);
    void SaveEquationFormSettings(IniFile& ini) const;

    // Reads the list file again (LoadEquationList) and shows its first entry.
    void LoadEquationList(const std::filesystem::path& file);

    // --- Handlers (tests drive them like the user does) ---
    void FormShow();
    void StringGrid1Click(int row);
    void StringGrid1DblClick(int row);
    void StringGrid2Enter();
    void BitBtn1Click();  // OK
    void BitBtn2Click();  // Cancel
    void BitBtn3Click();  // help
    void BitBtn4Click();  // "登　録"
    void PopupMenu1Popup(int row);
    void Copy1Click();
    void Paste1Click();
    void Erase1Click();

    // Cancel and the close box: CurrentEntry goes back to the entry in use.
    void reject() override;

    // True while the list lets a cell be edited in place.
    bool CellEditingMode() const { return cellEditing_; }
    // The list row shown in the formula box (the selected row).
    int SelectedRow() const { return selectedRow_; }

    // --- Controls ---
    QLabel* Label1 = nullptr;
    QLineEdit* EditEqu = nullptr;
    StringGrid* StringGrid2 = nullptr;
    QLabel* Label2 = nullptr;
    StringGrid* StringGrid1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Erase1 = nullptr;

signals:
    void HelpRequested(const QString& keyword);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ConnectHandlers();
    int NewRow() const;  // the "新規" row: the last one
    bool IsRegisteredRow(int row) const { return row >= 1 && row < NewRow(); }
    void FillList();
    void SelectRow(int row);
    void ScrollToSelectedRow();
    void ShowEntry(int row);
    void StoreTableIntoCurrentEntry();
    void ClearDerivativeCells();
    void TakeModelInUse();
    std::vector<std::string> TableTexts(int count) const;
    void SetFormulaBox(const QString& text);
    void UpdateOkButton();
    void SetCellEditing(bool on);
    void CurrentRowChanged(int row);
    void NameCellChanged(int row);
    void WarnNewRow();
    void ListFocusChanged(QWidget* now);

    EquationList list_;
    std::string savedText_;  // what the list file holds (as last read or written)
    int currentEntry_ = 0;
    int selectedRow_ = 1;
    int coefficientCount_ = 0;
    int variableCount_ = 0;
    std::string generalFormula_;
    GeneralModelSource inUse_;     // handed to the main window
    int entryOnShow_ = 0;          // CurrentEntry when the window opened (kept in step with erasures)
    bool formulaChanged_ = false;  // the user typed since the box was filled
    bool cellEditing_ = false;
    int filling_ = 0;  // the window itself is writing into the grids
    CellTextDelegate* listDelegate_ = nullptr;
    CellTextDelegate* tableDelegate_ = nullptr;
};

}  // namespace kurvex::gui
