#pragma once

// The controls of the data input window `TForm2`, by their designer names;
// shared by the window's source files.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>

#include "gui/data/DataGridView.h"
#include "gui/data/ReadData.h"

namespace kurvex::gui {

// The controls, by their designer names.
struct TForm2::Controls {
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
};

}  // namespace kurvex::gui
