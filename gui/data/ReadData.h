#pragma once

// The data input window `TForm2`: shows and edits the data table, sets the
// fixed rows and columns, defines Y, X1..Xn, the weight and the rows to use,
// and on "読込み" prepares the selection the main window builds its data set
// from. The window owns the data table and the selection settings; the
// computations themselves live in core/data.

#include <QDialog>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QRect;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTableView;
class QTableWidget;
class QWidget;

namespace kurvex {
class DataTable;
struct PreparedSelection;
struct SelectionSettings;
struct TFitData;
struct BuildResult;
struct FileStamp;
}  // namespace kurvex

namespace kurvex::gui {

class DataGridView;
class DataTableModel;

class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // --- The four ways the main window opens the window (all modal). ---
    // Each returns QDialog::Accepted when "読込み" succeeded (the save
    // question has then been asked already) and QDialog::Rejected on Cancel.

    // Open command and recent-file items: a snapshot of the present table is
    // taken, the file is loaded (large-file question included) and the window
    // shown. Cancel brings back the previous table, file name, read mode and
    // line count.
    int LoadAndShow(const QString& path);

    // Menu item "入力画面(&F)": snapshot, show.
    int ShowForInput();

    // Chart click on a data point: `row` (a table row, 1-based) becomes the
    // current row with whole-row selection, snapshot, show. Afterwards the
    // caller rebuilds the data set when the result is QDialog::Accepted.
    int ShowAtRow(int row);

    // New-data command: the table is reset to `dataColumns` data columns and
    // `rows` rows below the label row, marked as not loaded from a file, and
    // shown without a snapshot (Cancel then leaves the new table as it is).
    int ShowNewTable(int dataColumns, int rows);

    // --- What the main window tells the window before it is shown. ---
    // The main window's number of explanatory variables and whether the model
    // lets the user change it (only the first model of the list does).
    void SetMainExplanatoryCount(int count, bool dimensionEditable);

    // --- What the main window reads afterwards. ---
    int ExplanatoryCount() const;  // n as confirmed by the last "読込み"
    bool Modified() const;         // set by typing and the row/column commands
    bool LoadedFromFile() const;
    QString CurrentFileName() const;  // full path of the current data file
    int TableRowCount() const;        // rows of StringGrid1 including the label row
    int FixedRowCount() const;        // fixed rows of StringGrid1 including the label row
    int FixedColumnCount() const;     // fixed columns including the row-number column

    // The data table and the selection prepared by the last successful
    // "読込み"; the data-set build and the used-data output scan rows through
    // these (BeginRowScan / ReadDataRow / EndRowScan of core/data).
    kurvex::DataTable& Table();
    const kurvex::DataTable& Table() const;

    // The selection prepared by the last successful "読込み" (nullptr before
    // the first). Kept until the next one: the data set and the used-data file
    // are rebuilt from it at any later time.
    const kurvex::PreparedSelection* Selection() const;
    // The data-set build over this window's table and selection (core
    // kurvex::BuildDataSet); NoCandidates before the first "読込み". Right
    // after "読込み" it hands over the data set that "読込み" read (its
    // messages shown then) instead of reading the rows a second time.
    kurvex::BuildResult BuildDataSet(kurvex::TFitData& data);
    // The streamed data file as the last build read it (nullptr in table mode
    // or before a build): outputs that read the file again compare it.
    const kurvex::FileStamp* SourceFileStamp() const;
    long long CandidateCount() const;
    QString YName() const;  // axis titles and labels of the chart
    QStringList XNames() const;

    // --- Settings files (the "Datum Table" ... "Explanatory" sections). ---
    // Read at start-up from ProgramFolder()/"ReadParameter.ini".
    void ReadSettings(const std::filesystem::path& path);
    void WriteSettings(const std::filesystem::path& path) const;

    // --- The open dialog this window owns ("Source File" of the main settings). ---
    // Shows the open dialog (filter "カンマ区切りファイル (*.csv)|*.CSV|すべてのファイル (*.*)|*.*")
    // and returns the chosen path, or an empty text when cancelled.
    QString RunOpenDialog();
    QString OpenDialogFileName() const;
    void SetOpenDialogFileName(const QString& name);

    // Geometry stored in the main settings file ("Input Form").
    int Panel1Width() const;
    void SetPanel1Width(int width);

    // Cancel, Escape and the close box all act as "ｷｬﾝｾﾙ".
    void reject() override;

    // The controls, by their designer names.

    QGroupBox* GroupBoxTable = nullptr;
    QComboBox* ComboBoxFixedCol = nullptr;
    QComboBox* ComboBoxFixedRow = nullptr;
    DataGridView* StringGrid1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel1 = nullptr;
    QComboBox* ComboBoxY = nullptr;
    QLineEdit* EditYFunc = nullptr;
    QComboBox* ComboBoxDim = nullptr;
    QTableWidget* StringGridExpVar = nullptr;
    QComboBox* ComboBoxWt = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QLineEdit* EditLastRow = nullptr;
    QCheckBox* CheckBoxConditionalEq = nullptr;
    QLineEdit* EditConditionalEq = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* BitBtnDefault = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* MenuInsertRow = nullptr;
    QAction* MenuDeleteRow = nullptr;
    QAction* MenuInsertColumn = nullptr;
    QAction* MenuDeleteColumn = nullptr;
    // Spreadsheet commands of the pop-up menu, with the platform's keys.
    QAction* MenuUndo = nullptr;
    QAction* MenuRedo = nullptr;
    QAction* MenuCut = nullptr;
    QAction* MenuCopy = nullptr;
    QAction* MenuCopyCsv = nullptr;
    QAction* MenuPaste = nullptr;
    QAction* MenuClearCells = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

signals:
    // "ヘルプ" pressed: the main window opens its help viewer at the keyword
    // ("データの読み込み").
    void HelpRequested(const QString& keyword);
    // "読込み" has chosen n explanatory variables: the main window takes the
    // same number.
    void ExplanatoryCountChosen(int count);

private:
    // Handlers, named after their controls.
    void BitBtn1Click();        // "読込み"
    void BitBtn2Click();        // "ｷｬﾝｾﾙ"
    void BitBtn3Click();        // "ヘルプ"
    void Button1Click();        // "設定の保存"
    void BitBtnDefaultClick();  // "デフォルト"
    void ComboBoxDimChange();
    void ComboBoxFixedColChange();
    void ComboBoxFixedRowChange();
    void MenuInsertRowClick();
    void MenuDeleteRowClick();
    void MenuInsertColumnClick();
    void MenuDeleteColumnClick();
    void PopupMenu1Popup();
    void FormShow();

    int ShowPrepared();  // every showing: flags, caption, TempTableSheet.ini, exec
    kurvex::BuildResult BuildFrom(const kurvex::PreparedSelection& selection, kurvex::TFitData& data,
                                  std::optional<kurvex::FileStamp>& stamp);
    int ShowReplacedTable();
    void TakeSnapshot();
    void KeepSnapshotCopy();
    void RestoreSnapshot();
    void ReleaseSnapshot();
    void SetModifiedFlag(bool modified);
    // The table as a spreadsheet (ReadDataEditing.cpp): undo, redo, cut, copy
    // (tab- or comma-separated), paste, clearing, and dragged columns.
    QWidget* BuildTablePane();
    QWidget* BuildVariablesPanel();
    QGroupBox* BuildExplanatoryGroup(QWidget* parent);
    QGroupBox* BuildRowsGroup(QWidget* parent);
    void BuildLayout(QWidget* tablePane, QWidget* variablesPanel);
    void BuildPopupMenu();
    void ConnectControls();
    void BuildEditCommands();
    void UpdateEditCommands();
    void MenuCopyClick(char separator);
    void MenuCutClick();
    void MenuPasteClick();
    void MenuClearCellsClick();
    void ColumnDragged(int from, int to);
    void FollowMovedColumn(int from, int to);
    void ApplyTableLook();
    void ApplyFixedSettings();
    void ShowExplanatoryRows(int count);
    void AskToSaveTable();
    kurvex::SelectionSettings CollectSettings() const;
    void ApplySettings(const kurvex::SelectionSettings& settings);
    static std::string Text(const QComboBox* box);
    static void SetText(QComboBox* box, const std::string& text);

    struct Snapshot;
    std::unique_ptr<Snapshot> snapshot_;
    std::unique_ptr<kurvex::DataTable> table_;
    struct Prepared;
    std::unique_ptr<Prepared> prepared_;
    DataTableModel* model_ = nullptr;

    bool modified_ = false;
    bool loadedFromFile_ = false;
    bool settingControls_ = false;  // controls set from a file: not a user change
    int mainExplanatoryCount_ = 1;
    bool dimensionEditable_ = true;
    int explanatoryCount_ = 1;
    QString openDialogFileName_;
    int panelWidth_ = 280;  // Panel1's width, kept while the window is hidden
};

}  // namespace kurvex::gui
