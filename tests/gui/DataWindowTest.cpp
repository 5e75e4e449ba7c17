// The data input window driven as a user would: table commands, fixed rows,
// the modified state, Cancel, the checks of "読込み", "デフォルト" and the save
// question.

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "core/data/BuildDataSet.h"
#include "core/data/DataTable.h"
#include "core/data/ReadSettings.h"
#include "core/data/Selection.h"
#include "core/regression/FitState.h"
#include "gui/data/ReadData.h"
#include "tests/gui/DataWindowTestSupport.h"

using namespace datawin_test;
using kurvex::MessageAnswer;
using kurvex::MessageKind;
using kurvex::gui::TForm2;

namespace {

const QByteArray kSmallFile = "h1,h2,h3\n1,10,100\n2,20,200\n3,30,300\n";

QTableView* Grid(TForm2& form) { return Child<QTableView>(form, "StringGrid1"); }

void SetCurrent(TForm2& form, int column, int row) {
    QTableView* grid = Grid(form);
    grid->setCurrentIndex(grid->model()->index(row - 1, column - 1));
}

int CurrentRow(TForm2& form) { return Grid(form)->currentIndex().row() + 1; }
int CurrentColumn(TForm2& form) { return Grid(form)->currentIndex().column() + 1; }

QString Cell(TForm2& form, int column, int row) { return QString::fromStdString(form.Table().Cell(column, row)); }

QString HeaderLabel(TForm2& form, int column) {
    return Grid(form)->model()->headerData(column - 1, Qt::Horizontal, Qt::DisplayRole).toString();
}

void SetExplanatory(TForm2& form, int i, const QString& column, const QString& transform) {
    auto* grid = Child<QTableWidget>(form, "StringGridExpVar");
    grid->item(i - 1, 1)->setText(column);
    grid->item(i - 1, 2)->setText(transform);
}

// Y from column 2, X1 from column 1, one header line.
void SetSimpleSelection(TForm2& form) {
    SetComboText(form, "ComboBoxDim", QStringLiteral("1"));
    SetExplanatory(form, 1, QStringLiteral("1"), QStringLiteral("X"));
    SetComboText(form, "ComboBoxY", QStringLiteral("2"));
    Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
    SetComboText(form, "ComboBoxWt", QStringLiteral("0"));
    SetComboText(form, "ComboBox1", QStringLiteral("1"));
    SetComboText(form, "ComboBox3", QStringLiteral("1"));
    Child<QLineEdit>(form, "EditLastRow")->setText(QStringLiteral("-1"));
    Child<QCheckBox>(form, "CheckBoxConditionalEq")->setChecked(false);
}

void Trigger(TForm2& form, const char* action) {
    // The menu decides what is enabled when it opens.
    auto* menu = Child<QMenu>(form, "PopupMenu1");
    QMetaObject::invokeMethod(menu, "aboutToShow");
    Child<QAction>(form, action)->trigger();
}

bool ActionEnabled(TForm2& form, const char* action) {
    auto* menu = Child<QMenu>(form, "PopupMenu1");
    QMetaObject::invokeMethod(menu, "aboutToShow");
    return Child<QAction>(form, action)->isEnabled();
}

}  // namespace

class DataWindowTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithCaptionStatusAndSettingsCopy();
    void insertAndDeleteRows();
    void deleteColumnKeepsLabelsInPlace();
    void fixedRowsAndColumns();
    void enterMovesTheCurrentCell();
    void editedCellIsUsedAfterAnsweringNo();
    void saveQuestionForAFile();
    void saveQuestionForANewTable();
    void cancelAfterOpeningAnotherFileBringsBackThePrevious();
    void cancelRestoresSettingsAndEditedCells();
    void readChecksInOrder();
    void nonIntegerTextsKeepTheWindowOpen();
    void conditionThatCannotBeUsedKeepsTheWindowOpen();  // and a transform naming a coefficient
    void defaultButton();
    void settingsButtonWritesReadParameter();
    void chartVisitSelectsTheWholeRow();
    void streamingTableIsReadOnly();
};

void DataWindowTest::opensWithCaptionStatusAndSettingsCopy() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("first.csv"), kSmallFile);
    TForm2 form;
    form.SetMainExplanatoryCount(2, false);
    form.SetPanel1Width(310);  // from the main settings, before the first showing
    QCOMPARE(form.Panel1Width(), 310);
    QString caption, status;
    bool dimEnabled = true;
    int visibleRows = 0, shownPanelWidth = 0;
    const int result = WhileShown(
        form,
        [&] {
            shownPanelWidth = Child<QWidget>(form, "Panel1")->width();
            caption = form.windowTitle();
            status = StatusText(form);
            dimEnabled = Child<QComboBox>(form, "ComboBoxDim")->isEnabled();
            auto* grid = Child<QTableWidget>(form, "StringGridExpVar");
            for (int i = 0; i < grid->rowCount(); ++i) visibleRows += grid->isRowHidden(i) ? 0 : 1;
            Click(form, "BitBtn2");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(caption, Q("データの読み込み・編集/first.csv"));
    QCOMPARE(status, Q("変更なし"));
    QVERIFY(!dimEnabled);  // only the first model lets the user choose n
    QCOMPARE(shownPanelWidth, 310);
    QCOMPARE(form.Panel1Width(), 310);
    QCOMPARE(visibleRows, 2);
    QString keyword;
    QObject::connect(&form, &TForm2::HelpRequested, [&](const QString& k) { keyword = k; });
    Click(form, "BitBtn3");
    QCOMPARE(keyword, Q("データの読み込み"));
    // The open dialog of the window: its filter, and it keeps the chosen name.
    std::vector<kurvex::gui::FileDialogRequest> opens;
    kurvex::gui::SetOpenFileDialogHook([&](const kurvex::gui::FileDialogRequest& request) {
        opens.push_back(request);
        return path;
    });
    form.SetOpenDialogFileName(QStringLiteral("/somewhere/last.csv"));
    QCOMPARE(form.RunOpenDialog(), path);
    kurvex::gui::SetOpenFileDialogHook({});
    QCOMPARE(opens.size(), size_t(1));
    QCOMPARE(opens[0].initialPath, QStringLiteral("/somewhere/last.csv"));
    QCOMPARE(opens[0].filterList, Q("カンマ区切りファイル (*.csv)|*.CSV|すべてのファイル (*.*)|*.*"));
    QCOMPARE(form.OpenDialogFileName(), path);
    QCOMPARE(kurvex::gui::QtNameFilters(opens[0].filterList),
             Q("カンマ区切りファイル (*.csv);;すべてのファイル (*.*)"));
    // Every showing leaves a copy of the settings for Cancel.
    const QByteArray copy = ReadFile(QString::fromStdString(kurvex::TempTableSheetPath().string()));
    QVERIFY(copy.contains("[Explanatory]"));
    QVERIFY(copy.contains("Number of variables=1"));
}

void DataWindowTest::insertAndDeleteRows() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("rows.csv"), kSmallFile);
    TForm2 form;
    env.messages.answers = {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::Yes};
    WhileShown(
        form,
        [&] {
            // Insert while the last row is current: an empty row numbered one higher.
            SetCurrent(form, 2, 4);
            Trigger(form, "MenuInsertRow");
            QCOMPARE(form.Table().RowCount(), 6);
            QCOMPARE(Cell(form, 0, 5), QStringLiteral("5"));
            QCOMPARE(Cell(form, 1, 5), QString());
            QCOMPARE(Cell(form, 1, 4), QStringLiteral("3"));
            QCOMPARE(StatusText(form), Q("変更あり"));
            // Insert in the middle: the rows below move down, the new row is empty.
            SetCurrent(form, 1, 2);
            Trigger(form, "MenuInsertRow");
            QCOMPARE(form.Table().RowCount(), 7);
            QCOMPARE(Cell(form, 1, 3), QString());
            QCOMPARE(Cell(form, 1, 4), QStringLiteral("2"));
            QCOMPARE(Grid(form)->model()->headerData(5, Qt::Vertical).toString(), QStringLiteral("6"));
            // Delete answered No: nothing changes.
            SetCurrent(form, 1, 6);
            Trigger(form, "MenuDeleteRow");
            QCOMPARE(form.Table().RowCount(), 7);
            // Delete the last row: the current row becomes the new last row.
            Trigger(form, "MenuDeleteRow");
            QCOMPARE(form.Table().RowCount(), 6);
            QCOMPARE(CurrentRow(form), 5);
            QCOMPARE(CurrentColumn(form), 1);
            QCOMPARE(Cell(form, 1, 5), QStringLiteral("3"));
            // Delete in the middle: the rows below move up.
            SetCurrent(form, 2, 3);
            Trigger(form, "MenuDeleteRow");
            QCOMPARE(form.Table().RowCount(), 5);
            QCOMPARE(Cell(form, 2, 3), QStringLiteral("20"));
            QCOMPARE(CurrentRow(form), 3);
            Click(form, "BitBtn2");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(env.Texts(), (std::vector<std::string>{"削除しますか。", "削除しますか。", "削除しますか。"}));
    QCOMPARE(env.messages.messages[0].kind, MessageKind::Confirmation);
}

void DataWindowTest::deleteColumnKeepsLabelsInPlace() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("cols.csv"), kSmallFile);
    TForm2 form;
    SetSimpleSelection(form);
    QCOMPARE(WhileShown(
                 form, [&] { Click(form, "BitBtn1"); }, [&] { return form.LoadAndShow(path); }),
             int(QDialog::Accepted));
    env.messages.answers = {MessageAnswer::Yes};
    WhileShown(
        form,
        [&] {
            SetCurrent(form, 1, 2);
            Trigger(form, "MenuDeleteColumn");
            QCOMPARE(form.Table().ColumnCount(), 3);
            // The column that moved left takes the label of its new position.
            QCOMPARE(HeaderLabel(form, 1), QStringLiteral("A1"));
            QCOMPARE(HeaderLabel(form, 2), QStringLiteral("A2"));
            QCOMPARE(Cell(form, 1, 2), QStringLiteral("10"));
            QCOMPARE(Cell(form, 2, 2), QStringLiteral("100"));
            QCOMPARE(CurrentColumn(form), 1);
            // Insert after the last column: an empty column labelled A3.
            SetCurrent(form, 2, 2);
            Trigger(form, "MenuInsertColumn");
            QCOMPARE(form.Table().ColumnCount(), 4);
            QCOMPARE(HeaderLabel(form, 3), QStringLiteral("A3"));
            QCOMPARE(Cell(form, 3, 2), QString());
            QCOMPARE(Cell(form, 2, 2), QStringLiteral("100"));
            // Insert in the middle: the columns to the right move right.
            SetCurrent(form, 1, 3);
            Trigger(form, "MenuInsertColumn");
            QCOMPARE(Cell(form, 2, 3), QString());
            QCOMPARE(Cell(form, 3, 3), QStringLiteral("200"));
            QCOMPARE(HeaderLabel(form, 4), QStringLiteral("A4"));
            QVERIFY(form.Modified());
            Click(form, "BitBtn2");
        },
        [&] { return form.ShowForInput(); });
    // Cancel brought the file's table back.
    QCOMPARE(form.Table().ColumnCount(), 4);
    QCOMPARE(Cell(form, 1, 2), QStringLiteral("1"));
    QCOMPARE(Cell(form, 3, 4), QStringLiteral("300"));
}

void DataWindowTest::fixedRowsAndColumns() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("fixed.csv"), "a,b,c\n1,2,3\n");  // 3 rows, 4 columns
    TForm2 form;
    SetSimpleSelection(form);
    WhileShown(
        form,
        [&] {
            SetComboText(form, "ComboBoxFixedRow", QStringLiteral("5"));
            QCOMPARE(form.FixedRowCount(), 1);  // the previous setting stays
            SetComboText(form, "ComboBoxFixedRow", QStringLiteral("1"));
            QCOMPARE(form.FixedRowCount(), 2);
            SetComboText(form, "ComboBoxFixedCol", QStringLiteral("4"));
            QCOMPARE(form.FixedColumnCount(), 1);
            SetComboText(form, "ComboBoxFixedCol", QStringLiteral("1"));
            QCOMPARE(form.FixedColumnCount(), 2);
            // Fixed cells are not editable; the others are.
            QAbstractItemModel* model = Grid(form)->model();
            QVERIFY(!(model->flags(model->index(0, 1)) & Qt::ItemIsEditable));
            QVERIFY(!(model->flags(model->index(1, 0)) & Qt::ItemIsEditable));
            QVERIFY(model->flags(model->index(1, 1)) & Qt::ItemIsEditable);
            // The fixed data row and column are drawn by views laid over the grid,
            // which stay put when the grid scrolls.
            const QList<QTableView*> views =
                Grid(form)->findChildren<QTableView*>(QString(), Qt::FindDirectChildrenOnly);
            QCOMPARE(views.size(), 3);
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(env.Texts(), (std::vector<std::string>{"固定行が設定できません。", "固定列が設定できません。"}));
    QCOMPARE(env.messages.messages[0].kind, MessageKind::Error);

    // The fixed settings are applied again to the next file, with the message
    // when they no longer fit.
    SetComboText(form, "ComboBoxFixedCol", QStringLiteral("3"));
    SetComboText(form, "ComboBoxFixedRow", QStringLiteral("2"));
    QCOMPARE(form.FixedColumnCount(), 4);
    const QString small = WriteFile(env.dir, QStringLiteral("one.csv"), "7\n");
    env.messages.messages.clear();
    WhileShown(
        form, [&] { Click(form, "BitBtn2"); }, [&] { return form.LoadAndShow(small); });
    QCOMPARE(env.Texts(), (std::vector<std::string>{"固定列が設定できません。", "固定行が設定できません。"}));
}

void DataWindowTest::enterMovesTheCurrentCell() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("enter.csv"), kSmallFile);
    TForm2 form;
    WhileShown(
        form,
        [&] {
            QTableView* grid = Grid(form);
            grid->setFocus();
            SetCurrent(form, 2, 2);
            QTest::keyClick(grid, Qt::Key_Return);
            QCOMPARE(CurrentColumn(form), 3);
            QCOMPARE(CurrentRow(form), 2);
            QTest::keyClick(grid, Qt::Key_Return);  // last column: first column of the next row
            QCOMPARE(CurrentColumn(form), 1);
            QCOMPARE(CurrentRow(form), 3);
            SetCurrent(form, 3, 4);
            QTest::keyClick(grid, Qt::Key_Enter);  // last cell: back to row 1
            QCOMPARE(CurrentColumn(form), 1);
            QCOMPARE(CurrentRow(form), 1);
            QCOMPARE(StatusText(form), Q("変更なし"));  // moving changes nothing
            Click(form, "BitBtn2");
        },
        [&] { return form.LoadAndShow(path); });
}

void DataWindowTest::editedCellIsUsedAfterAnsweringNo() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("edit.csv"), kSmallFile);
    TForm2 form;
    SetSimpleSelection(form);
    env.messages.answers = {MessageAnswer::No};
    const int result = WhileShown(
        form,
        [&] {
            QTableView* grid = Grid(form);
            SetCurrent(form, 2, 3);  // the 20 of the second data line
            grid->edit(grid->currentIndex());
            auto* editor = grid->viewport()->findChild<QLineEdit*>();
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, QStringLiteral("25.5"));
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(Cell(form, 2, 3), QStringLiteral("25.5"));
            QTRY_COMPARE(CurrentColumn(form), 3);  // Enter in the editor moves on as well
            QTest::qWait(100);                     // and only by one cell
            QCOMPARE(CurrentColumn(form), 3);
            QCOMPARE(CurrentRow(form), 3);
            QCOMPARE(StatusText(form), Q("変更あり"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(env.Texts(), (std::vector<std::string>{"データが変更されました。ファイルに保存しますか。"}));
    QVERIFY(env.saveRequests.empty());
    QCOMPARE(ReadFile(path), kSmallFile);  // the file is untouched
    kurvex::TFitData data;
    QVERIFY(form.BuildDataSet(data).ok());
    QCOMPARE(data.n, 3);
    QCOMPARE(data.y[1], 25.5);
    QCOMPARE(data.sourceRow[1], 3);
    QCOMPARE(form.YName(), QStringLiteral("h2"));
    QCOMPARE(form.XNames(), QStringList{QStringLiteral("h1")});
    QCOMPARE(form.ExplanatoryCount(), 1);
}

void DataWindowTest::saveQuestionForAFile() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("save.csv"), kSmallFile);
    const QString target = env.dir.filePath(QStringLiteral("saved.csv"));
    env.saveAnswer = target;
    TForm2 form;
    SetSimpleSelection(form);
    env.messages.answers = {MessageAnswer::Yes};
    const int result = WhileShown(
        form,
        [&] {
            Grid(form)->model()->setData(Grid(form)->model()->index(0, 0), QStringLiteral("x"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(env.messages.messages.size(), size_t(1));
    QCOMPARE(env.messages.messages[0].kind, MessageKind::Information);
    QCOMPARE(env.messages.messages[0].buttons, kurvex::MessageButtons::YesNo);
    QCOMPARE(env.messages.messages[0].text, std::string("データが変更されました。ファイルに保存しますか。"));
    QCOMPARE(env.saveRequests.size(), size_t(1));
    QCOMPARE(env.saveRequests[0].initialPath, path);
    QCOMPARE(env.saveRequests[0].filterList, Q("カンマ区切りファイル (*.csv)|*.CSV|すべてのファイル (*.*)|*.*"));
    QVERIFY(env.saveRequests[0].confirmOverwrite);  // asked when the name exists
    QCOMPARE(ReadFile(target), QByteArray("x,h2,h3\n1,10,100\n2,20,200\n3,30,300\n"));
    QCOMPARE(form.CurrentFileName(), target);
    QCOMPARE(form.OpenDialogFileName(), target);
}

void DataWindowTest::saveQuestionForANewTable() {
    Environment env;
    TForm2 form;
    SetSimpleSelection(form);
    Child<QComboBox>(form, "ComboBox1")->setEditText(QStringLiteral("0"));
    env.messages.answers = {MessageAnswer::Yes};
    env.saveAnswer = QString();  // the save dialog is cancelled
    const int result = WhileShown(
        form,
        [&] {
            QCOMPARE(form.windowTitle(), Q("データの読み込み・編集/"));
            QAbstractItemModel* model = Grid(form)->model();
            for (int r = 1; r <= 3; ++r) {
                model->setData(model->index(r - 1, 0), QString::number(r));
                model->setData(model->index(r - 1, 1), QString::number(2 * r));
            }
            Click(form, "BitBtn1");
        },
        [&] { return form.ShowNewTable(2, 3); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(env.Texts(), (std::vector<std::string>{"データをファイルに保存しておきますか。"}));
    QCOMPARE(env.saveRequests.size(), size_t(1));
    QVERIFY(!form.LoadedFromFile());
    QCOMPARE(form.CurrentFileName(), QString());  // cancelled dialog: the name stays
    kurvex::TFitData data;
    QVERIFY(form.BuildDataSet(data).ok());
    QCOMPARE(data.n, 3);
}

void DataWindowTest::cancelAfterOpeningAnotherFileBringsBackThePrevious() {
    Environment env;
    const QString first = WriteFile(env.dir, QStringLiteral("first.csv"), kSmallFile);
    const QString second = WriteFile(env.dir, QStringLiteral("second.csv"), "9,8,7,6\n5,4,3,2\n");
    TForm2 form;
    SetSimpleSelection(form);
    QCOMPARE(WhileShown(
                 form, [&] { Click(form, "BitBtn1"); }, [&] { return form.LoadAndShow(first); }),
             int(QDialog::Accepted));
    const int result = WhileShown(
        form,
        [&] {
            QCOMPARE(form.Table().ColumnCount(), 5);
            QCOMPARE(form.windowTitle(), Q("データの読み込み・編集/second.csv"));
            Click(form, "BitBtn2");
        },
        [&] { return form.LoadAndShow(second); });
    // The caller leaves its recent-file list alone on Rejected.
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(form.CurrentFileName(), first);
    QCOMPARE(form.Table().ColumnCount(), 4);
    QCOMPARE(form.Table().RowCount(), 5);
    QCOMPARE(Cell(form, 3, 4), QStringLiteral("300"));
    QCOMPARE(Grid(form)->model()->rowCount(), 4);
    QVERIFY(form.LoadedFromFile());

    // A file that cannot be read leaves everything as it was.
    env.messages.messages.clear();
    QCOMPARE(form.LoadAndShow(env.dir.filePath(QStringLiteral("missing.csv"))), int(QDialog::Rejected));
    QCOMPARE(env.messages.messages.size(), size_t(1));
    QCOMPARE(form.CurrentFileName(), first);
    QCOMPARE(Cell(form, 1, 1), QStringLiteral("h1"));
}

void DataWindowTest::cancelRestoresSettingsAndEditedCells() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("cancel.csv"), kSmallFile);
    TForm2 form;
    SetSimpleSelection(form);
    Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("LN(Y)"));
    WhileShown(
        form, [&] { Click(form, "BitBtn1"); }, [&] { return form.LoadAndShow(path); });
    WhileShown(
        form,
        [&] {
            Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("SQRT(Y)"));
            SetComboText(form, "ComboBox3", QStringLiteral("7"));
            Grid(form)->model()->setData(Grid(form)->model()->index(0, 0), QStringLiteral("changed"));
            QCOMPARE(Cell(form, 1, 1), QStringLiteral("changed"));
            form.reject();  // the close box acts as "ｷｬﾝｾﾙ"
        },
        [&] { return form.ShowForInput(); });
    QCOMPARE(Child<QLineEdit>(form, "EditYFunc")->text(), QStringLiteral("LN(Y)"));
    QCOMPARE(Child<QComboBox>(form, "ComboBox3")->currentText(), QStringLiteral("1"));
    QCOMPARE(Cell(form, 1, 1), QStringLiteral("h1"));

    // Cancel on a new table keeps the new table: there is nothing to go back to.
    WhileShown(
        form,
        [&] {
            form.Table().SetCell(1, 1, "new");
            Click(form, "BitBtn2");
        },
        [&] { return form.ShowNewTable(3, 5); });
    QCOMPARE(form.Table().ColumnCount(), 4);
    QCOMPARE(form.Table().RowCount(), 6);
    QCOMPARE(Cell(form, 1, 1), QStringLiteral("new"));
    QCOMPARE(form.CurrentFileName(), path);  // a new table keeps the previous name
}

void DataWindowTest::readChecksInOrder() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("checks.csv"), kSmallFile);
    TForm2 form;
    form.SetMainExplanatoryCount(2, true);
    SetSimpleSelection(form);
    std::vector<std::string> seen;
    std::vector<int> beeps;
    const int result = WhileShown(
        form,
        [&] {
            auto press = [&] {
                env.messages.messages.clear();
                const int before = env.messages.beeps;
                Click(form, "BitBtn1");
                QVERIFY2(form.isVisible(), std::to_string(seen.size()).c_str());
                QCOMPARE(env.messages.messages.size(), size_t(1));
                QCOMPARE(env.messages.messages[0].kind, MessageKind::Error);
                seen.push_back(env.messages.messages[0].text);
                beeps.push_back(env.messages.beeps - before);
            };
            SetExplanatory(form, 1, QStringLiteral("0"), QStringLiteral("X"));
            SetExplanatory(form, 2, QStringLiteral("9"), QStringLiteral("X"));
            press();  // X1 column 0 comes first
            SetExplanatory(form, 1, QStringLiteral("1"), QStringLiteral("X"));
            press();  // X2 beyond the table
            SetExplanatory(form, 2, QStringLiteral("2"), QStringLiteral("X"));
            SetComboText(form, "ComboBoxDim", QStringLiteral("3"));
            SetExplanatory(form, 3, QStringLiteral("3"), QStringLiteral("X"));
            press();  // 3 data columns cannot hold Y and 3 X
            SetComboText(form, "ComboBoxDim", QStringLiteral("2"));
            SetComboText(form, "ComboBox1", QStringLiteral("9"));
            press();  // no candidate rows
            SetComboText(form, "ComboBox1", QStringLiteral("1"));
            SetComboText(form, "ComboBoxY", QStringLiteral("3"));
            Child<QLineEdit>(form, "EditYFunc")->clear();
            press();
            Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
            SetExplanatory(form, 2, QStringLiteral("2"), QStringLiteral("ZZ+X"));
            press();
            SetExplanatory(form, 2, QStringLiteral("2"), QStringLiteral("X"));
            SetComboText(form, "ComboBox3", QStringLiteral("0"));
            press();
            SetComboText(form, "ComboBox3", QStringLiteral("1"));
            env.messages.messages.clear();
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(seen, (std::vector<std::string>{"説明変数をすべて選択して下さい。", "説明変数の数が足りません。",
                                             "説明変数の数が足りません。", "該当するデータ行がありません。",
                                             "目的変数の変換式が不正です", "説明変数の変換式が不正です",
                                             kurvex::kStepBelowOneMessage}));
    // The column checks beep, the preparation's messages do not.
    QCOMPARE(beeps, (std::vector<int>{1, 1, 1, 0, 0, 0, 1}));
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(form.ExplanatoryCount(), 2);
    QCOMPARE(form.CandidateCount(), 3LL);
}

void DataWindowTest::nonIntegerTextsKeepTheWindowOpen() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("ints.csv"), kSmallFile);
    TForm2 form;
    SetSimpleSelection(form);
    int countChosen = 0;
    QObject::connect(&form, &TForm2::ExplanatoryCountChosen, [&](int) { ++countChosen; });
    const int result = WhileShown(
        form,
        [&] {
            for (const char* box : {"ComboBoxY", "ComboBoxWt", "ComboBox1", "ComboBox3"}) {
                const QString before = Child<QComboBox>(form, box)->currentText();
                SetComboText(form, box, QStringLiteral("1.5"));
                env.messages.messages.clear();
                Click(form, "BitBtn1");
                QVERIFY2(form.isVisible(), box);
                QCOMPARE(env.messages.messages.size(), size_t(1));
                QVERIFY(QString::fromStdString(env.messages.messages[0].text).contains(QStringLiteral("1.5")));
                QCOMPARE(Child<QComboBox>(form, box)->currentText(), QStringLiteral("1.5"));  // kept as typed
                SetComboText(form, box, before);
            }
            Child<QLineEdit>(form, "EditLastRow")->setText(QStringLiteral("zwei"));
            env.messages.messages.clear();
            Click(form, "BitBtn1");
            QVERIFY(form.isVisible());
            QCOMPARE(env.messages.messages.size(), size_t(1));
            SetComboText(form, "ComboBoxDim", QStringLiteral("51"));
            Child<QLineEdit>(form, "EditLastRow")->setText(QStringLiteral("-1"));
            env.messages.messages.clear();
            Click(form, "BitBtn1");
            QVERIFY(form.isVisible());
            QCOMPARE(env.Texts(), (std::vector<std::string>{kurvex::kVariableCountRangeMessage}));
            Click(form, "BitBtn2");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(countChosen, 0);
}

void DataWindowTest::defaultButton() {
    Environment env;
    TForm2 form;
    form.SetMainExplanatoryCount(2, true);
    WhileShown(
        form,
        [&] {
            SetComboText(form, "ComboBoxWt", QStringLiteral("4"));
            SetComboText(form, "ComboBox1", QStringLiteral("3"));
            SetComboText(form, "ComboBox3", QStringLiteral("2"));
            SetComboText(form, "ComboBoxFixedRow", QStringLiteral("1"));
            Child<QLineEdit>(form, "EditLastRow")->setText(QStringLiteral("8"));
            Child<QCheckBox>(form, "CheckBoxConditionalEq")->setChecked(true);
            Child<QLineEdit>(form, "EditConditionalEq")->setText(QStringLiteral("Y>0"));
            SetExplanatory(form, 1, QStringLiteral("5"), QStringLiteral("LN(X)"));
            SetExplanatory(form, 2, QStringLiteral("6"), QStringLiteral("X"));
            SetExplanatory(form, 3, QStringLiteral("7"), QStringLiteral("Q"));
            Click(form, "BitBtnDefault");
            Click(form, "BitBtn2");
        },
        [&] { return form.ShowNewTable(4, 4); });
    // BitBtn2 restored the settings of the opening; check the defaults by
    // pressing the button outside a showing.
    Click(form, "BitBtnDefault");
    auto* grid = Child<QTableWidget>(form, "StringGridExpVar");
    QCOMPARE(Child<QComboBox>(form, "ComboBoxWt")->currentText(), QStringLiteral("0"));
    QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("1"));
    QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("x"));
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("2"));
    QCOMPARE(grid->item(1, 2)->text(), QStringLiteral("x"));
    QCOMPARE(Child<QComboBox>(form, "ComboBoxY")->currentText(), QStringLiteral("3"));
    QCOMPARE(Child<QLineEdit>(form, "EditYFunc")->text(), QStringLiteral("y"));
    QCOMPARE(Child<QComboBox>(form, "ComboBox1")->currentText(), QStringLiteral("1"));
    QCOMPARE(Child<QComboBox>(form, "ComboBox3")->currentText(), QStringLiteral("1"));
    QCOMPARE(Child<QLineEdit>(form, "EditLastRow")->text(), QStringLiteral("-1"));
    QVERIFY(!Child<QCheckBox>(form, "CheckBoxConditionalEq")->isChecked());
    QCOMPARE(Child<QLineEdit>(form, "EditConditionalEq")->text(), QString());
}

void DataWindowTest::settingsButtonWritesReadParameter() {
    Environment env;
    TForm2 form;
    SetComboText(form, "ComboBox3", QStringLiteral("2"));
    SetComboText(form, "ComboBoxDim", QStringLiteral("3"));
    SetComboText(form, "ComboBoxY", QStringLiteral("150"));
    Click(form, "Button1");
    const QByteArray saved = ReadFile(QString::fromStdString(kurvex::ReadParameterPath().string()));
    QVERIFY(saved.contains("Step=1"));
    QVERIFY(saved.contains("Number of variables=2"));
    QVERIFY(saved.contains("Item No=-1"));
    QVERIFY(saved.contains("Item No of X3="));

    // Read back into a fresh window: the list positions become the same texts.
    TForm2 other;
    other.ReadSettings(kurvex::ReadParameterPath());
    QCOMPARE(Child<QComboBox>(other, "ComboBox3")->currentText(), QStringLiteral("2"));
    QCOMPARE(Child<QComboBox>(other, "ComboBoxDim")->currentText(), QStringLiteral("3"));
    QCOMPARE(Child<QComboBox>(other, "ComboBoxY")->currentText(), QString());
    auto* grid = Child<QTableWidget>(other, "StringGridExpVar");
    QVERIFY(!grid->isRowHidden(2));
    QVERIFY(grid->isRowHidden(3));
}

void DataWindowTest::conditionThatCannotBeUsedKeepsTheWindowOpen() {
    Environment env;
    // x in column 1, y in column 2; row 3 has y = 0.
    const QString path = WriteFile(env.dir, QStringLiteral("cond.csv"), "x,y\n1,5\n2,0\n3,7\n4,9\n");
    TForm2 form;
    SetSimpleSelection(form);
    auto* conditionOn = Child<QCheckBox>(form, "CheckBoxConditionalEq");
    auto* condition = Child<QLineEdit>(form, "EditConditionalEq");
    std::vector<std::vector<std::string>> seen;
    const int result = WhileShown(
        form,
        [&] {
            // A transform naming a coefficient would read it as 0 on every row.
            Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y*C1"));
            Click(form, "BitBtn1");
            QVERIFY(form.isVisible());
            QCOMPARE(env.Texts(), std::vector<std::string>{"目的変数の変換式が不正です"});
            Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
            conditionOn->setChecked(true);
            for (const char* typed : {"(Y>1", "LN(Y)>0", "EXP(1000*Y)=EXP(1001*Y)", "Y>1 and Y<8"}) {
                env.messages.messages.clear();
                condition->setText(Q(typed));
                Click(form, "BitBtn1");
                QVERIFY2(form.isVisible(), typed);
                seen.push_back(env.Texts());
            }
            env.messages.messages.clear();
            condition->setText(QStringLiteral("(Y>1)and(Y<8)"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(seen.size(), std::size_t(4));
    QCOMPARE(seen[0], (std::vector<std::string>{"括弧の数が合いません。", "条件式が不正です"}));
    QCOMPARE(seen[1], std::vector<std::string>{"条件式を計算できない行があります。\n行番号：3"});
    QCOMPARE(seen[2], std::vector<std::string>{"条件式を計算できない行があります。\n行番号：2"});
    QCOMPARE(seen[3], std::vector<std::string>{"式のフォーマットエラー"});
    QVERIFY(env.Texts().empty());
    // The data set is the one "読込み" read: rows 2 and 4.
    kurvex::TFitData data;
    QVERIFY(form.BuildDataSet(data).ok());
    QCOMPARE(data.sourceRow, (std::vector<std::int32_t>{2, 4}));
    QCOMPARE(data.y, (std::vector<double>{5, 7}));
    // Read again, the same rows (the handed-over set is not kept).
    kurvex::TFitData again;
    QVERIFY(form.BuildDataSet(again).ok());
    QCOMPARE(again.sourceRow, data.sourceRow);
}

void DataWindowTest::chartVisitSelectsTheWholeRow() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("visit.csv"), kSmallFile);
    TForm2 form;
    SetSimpleSelection(form);
    WhileShown(
        form, [&] { Click(form, "BitBtn1"); }, [&] { return form.LoadAndShow(path); });
    bool columnsOffWhileRow = false, columnsOnAfterClick = false;
    const int result = WhileShown(
        form,
        [&] {
            QTableView* grid = Grid(form);
            QCOMPARE(CurrentRow(form), 3);
            QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
            QVERIFY(grid->selectionModel()->isRowSelected(2, QModelIndex()));
            columnsOffWhileRow = !ActionEnabled(form, "MenuInsertColumn") && !ActionEnabled(form, "MenuDeleteColumn") &&
                                 ActionEnabled(form, "MenuInsertRow");
            const QRect cell = grid->visualRect(grid->model()->index(1, 1));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectItems);
            columnsOnAfterClick = ActionEnabled(form, "MenuInsertColumn");
            Click(form, "BitBtn2");
        },
        [&] { return form.ShowAtRow(3); });
    QCOMPARE(result, int(QDialog::Rejected));
    QVERIFY(columnsOffWhileRow);
    QVERIFY(columnsOnAfterClick);
    QVERIFY(!form.Modified());
}

void DataWindowTest::streamingTableIsReadOnly() {
    Environment env;
    QByteArray text = "x,y\n";
    for (int i = 1; i <= 1500; ++i) text += QByteArray::number(i) + "," + QByteArray::number(2 * i) + "\n";
    const QString path = WriteFile(env.dir, QStringLiteral("big.csv"), text);
    TForm2 form;
    SetSimpleSelection(form);
    env.messages.answers = {MessageAnswer::Yes};  // keep streaming mode
    const int result = WhileShown(
        form,
        [&] {
            QCOMPARE(form.Table().Mode(), kurvex::ReadMode::Streaming);
            QCOMPARE(form.Table().RowCount(), 1002);
            QTableView* grid = Grid(form);
            SetCurrent(form, 1, 2);
            QVERIFY(!(grid->model()->flags(grid->currentIndex()) & Qt::ItemIsEditable));
            QTest::keyClick(grid, Qt::Key_7);
            QCOMPARE(StatusText(form), Q("変更なし"));  // nothing could change
            QCOMPARE(Cell(form, 1, 2), QStringLiteral("1"));
            QVERIFY(!ActionEnabled(form, "MenuInsertRow"));
            QVERIFY(!ActionEnabled(form, "MenuDeleteColumn"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    // Only the large-file question: the head of a file is never offered for
    // saving over the file, and the data keep coming from the whole file.
    QCOMPARE(env.messages.messages.size(), size_t(1));
    QCOMPARE(form.Table().Mode(), kurvex::ReadMode::Streaming);
    QVERIFY(!form.Modified());
    kurvex::TFitData data;
    QVERIFY(form.BuildDataSet(data).ok());
    QCOMPARE(data.n, 1500);
    QCOMPARE(data.y[1499], 3000.0);
}

QTEST_MAIN(DataWindowTest)
#include "DataWindowTest.moc"
