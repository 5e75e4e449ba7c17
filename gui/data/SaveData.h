#pragma once

// The used-data dialog `TFrmSaveData` and the used-data command: writes the
// transformed variables and/or the source cells of the rows the data set
// uses, as a comma-separated file.

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace kurvex::gui {

class TForm2;
struct FileDialogRequest;

class TFrmSaveData : public QDialog {
    Q_OBJECT

public:
    explicit TFrmSaveData(QWidget* parent = nullptr);

    bool SaveVariables() const;   // "変数(Y, Xi, W)"
    bool SaveSourceData() const;  // "ソースデータ（使用している行データのみ）"

private:
    QCheckBox* CheckBoxSaveXYData = nullptr;
    QCheckBox* CheckBoxSaveSourceData = nullptr;
    QPushButton* BitBtn1 = nullptr;
};

// The filter the main window's save dialog gets for the used data.
inline constexpr const char* kUsedDataFilter = "カンマ区切りファイル(*.csv)|*.csv";

// The used-data command (`SaveData`, "使用データの保存(&S)"). Shows the dialog;
// unless it closes with OK and a box is ticked nothing happens. Then the
// main window's save dialog (`saveDialog`, which keeps its filter and name
// for the curve commands) gets the used-data filter and an empty name; the
// chosen name gets the extension ".csv", an existing file is only replaced
// after "同名のファイルが存在します。\n上書きしてよろしいですか。", and
// "保存しました。" reports success. Rows come from the selection of the last
// "読込み" of `form2`. Returns true when the file was written.
bool RunSaveDataCommand(TFrmSaveData& dialog, TForm2& form2, FileDialogRequest& saveDialog);

}  // namespace kurvex::gui
