#pragma once

// The new-data dialog `TFrmMakeData` and the new-table command: the user
// chooses the number of data columns and rows, the data input window then
// shows an empty table of that size.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kurvex::gui {

class TForm2;

class TFrmMakeData : public QDialog {
    Q_OBJECT

public:
    explicit TFrmMakeData(QWidget* parent = nullptr);

    // The numbers confirmed by OK.
    int DataColumnCount() const { return columns_; }
    int RowCount() const { return rows_; }

    static constexpr int kMaxColumns = 10000;
    static constexpr int kMaxRows = 10000000;

signals:
    // "ヘルプ": the main window opens its help viewer at the keyword ("データの作成").
    void HelpRequested(const QString& keyword);

private:
    void BitBtn1Click();  // OK: both texts must be whole numbers in range
    void BitBtn3Click();

    QLineEdit* EditColCount = nullptr;
    QLineEdit* EditRowCount = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    int columns_ = 2;
    int rows_ = 10;
};

// The new-table command (`MakeData`, "データの作成(&P)"): shows the dialog; on
// OK the data input window gets a new empty table of that size and is shown
// without a snapshot. Returns QDialog::Accepted when the data input window
// closed with "読込み" (the caller then builds the data set).
int RunNewTableCommand(TFrmMakeData& dialog, TForm2& form2);

}  // namespace kurvex::gui
