// The data table of the data input window as a spreadsheet: what marks it
// modified, fixed rows and columns that stay put, copy, paste, clearing,
// undo and redo with the standard keys and the pop-up menu, and columns
// dragged by their labels with the settings following them.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "core/data/BuildDataSet.h"
#include "core/data/DataTable.h"
#include "core/regression/FitState.h"
#include "gui/data/ReadData.h"
#include "tests/gui/DataWindowTestSupport.h"

using namespace datawin_test;
using kurvex::MessageAnswer;
using kurvex::gui::TForm2;

namespace {

QTableView* Grid(TForm2& form) { return Child<QTableView>(form, "StringGrid1"); }

void SetCurrent(TForm2& form, int column, int row) {
    QTableView* grid = Grid(form);
    grid->setCurrentIndex(grid->model()->index(row - 1, column - 1));
}

void SelectBlock(TForm2& form, int left, int top, int right, int bottom) {
    QTableView* grid = Grid(form);
    SetCurrent(form, left, top);
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(top - 1, left - 1), grid->model()->index(bottom - 1, right - 1)),
        QItemSelectionModel::ClearAndSelect);
}

// The table's data cells as comma-separated lines.
QString Cells(TForm2& form) { return QString::fromStdString(form.Table().TableText()).remove(QLatin1Char('\r')); }

// The standard keys act while the table has the focus in the active window.
void Focus(TForm2& form) {
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    Grid(form)->setFocus();
}

void Key(TForm2& form, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Grid(form), static_cast<Qt::Key>(key), modifiers);
}

void Trigger(TForm2& form, const char* action) {
    QMetaObject::invokeMethod(Child<QMenu>(form, "PopupMenu1"), "aboutToShow");
    Child<QAction>(form, action)->trigger();
}

// Y from column 2, X1 from column 1, one header line.
void SetSelection(TForm2& form) {
    SetComboText(form, "ComboBoxDim", QStringLiteral("1"));
    auto* x = Child<QTableWidget>(form, "StringGridExpVar");
    x->item(0, 1)->setText(QStringLiteral("1"));
    x->item(0, 2)->setText(QStringLiteral("X"));
    SetComboText(form, "ComboBoxY", QStringLiteral("2"));
    Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
    SetComboText(form, "ComboBoxWt", QStringLiteral("0"));
    SetComboText(form, "ComboBox1", QStringLiteral("1"));
    Child<QCheckBox>(form, "CheckBoxConditionalEq")->setChecked(false);
}

const QByteArray kTable = "h1,h2,h3\n1,10,100\n2,20,200\n3,30,300\n";

}  // namespace

class DataGridTest : public QObject {
    Q_OBJECT

private slots:
    void onlyAChangeOfTheTableMarksItModified();
    void fixedRowsAndColumnsShowTheFirstOnes();
    void copyPasteClearUndoRedo();
    void draggedColumnTakesTheSettingsAlong();
};

void DataGridTest::onlyAChangeOfTheTableMarksItModified() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("keys.csv"), kTable);
    TForm2 form;
    SetSelection(form);
    const int result = WhileShown(
        form,
        [&] {
            SetCurrent(form, 1, 2);
            Focus(form);
            for (const int key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home,
                                  Qt::Key_End, Qt::Key_Tab, Qt::Key_Up, Qt::Key_Left})
                Key(form, key);
            Key(form, Qt::Key_End, Qt::ControlModifier);
            Key(form, Qt::Key_Home, Qt::ControlModifier);
            QCOMPARE(StatusText(form), Q("変更なし"));
            // An edit that leaves the text as it was is no change either.
            Grid(form)->model()->setData(Grid(form)->model()->index(1, 1), QStringLiteral("10"));
            QCOMPARE(StatusText(form), Q("変更なし"));
            Grid(form)->model()->setData(Grid(form)->model()->index(1, 1), QStringLiteral("11"));
            QCOMPARE(StatusText(form), Q("変更あり"));
            Key(form, Qt::Key_Z, Qt::ControlModifier);  // back as it was shown
            QCOMPARE(StatusText(form), Q("変更なし"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(!form.Modified());
    QVERIFY(env.Texts().empty());  // no save question

    // A streaming table cannot change: typing marks nothing, pasting does nothing.
    QByteArray big = "x,y\n";
    for (int i = 1; i <= 1200; ++i) big += QByteArray::number(i) + "," + QByteArray::number(2 * i) + "\n";
    const QString bigPath = WriteFile(env.dir, QStringLiteral("big.csv"), big);
    env.messages.answers = {MessageAnswer::Yes};  // keep streaming mode
    QApplication::clipboard()->setText(QStringLiteral("9\t9\n"));
    WhileShown(
        form,
        [&] {
            SetCurrent(form, 1, 2);
            Focus(form);
            Key(form, Qt::Key_7);
            Key(form, Qt::Key_V, Qt::ControlModifier);
            Key(form, Qt::Key_Delete);
            QCOMPARE(StatusText(form), Q("変更なし"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(bigPath); });
    QVERIFY(!form.Modified());
    QCOMPARE(QString::fromStdString(form.Table().Cell(1, 2)), QStringLiteral("1"));
}

void DataGridTest::fixedRowsAndColumnsShowTheFirstOnes() {
    Environment env;
    QByteArray text;
    for (int r = 1; r <= 300; ++r) {
        for (int c = 1; c <= 30; ++c) text += (c > 1 ? "," : "") + QByteArray::number(r * 100 + c);
        text += "\n";
    }
    const QString path = WriteFile(env.dir, QStringLiteral("wide.csv"), text);
    TForm2 form;
    SetSelection(form);
    WhileShown(
        form,
        [&] {
            SetComboText(form, "ComboBoxFixedRow", QStringLiteral("2"));
            SetComboText(form, "ComboBoxFixedCol", QStringLiteral("1"));
            QTableView* grid = Grid(form);
            // A click far down and to the right scrolls the grid, not its fixed part.
            const QModelIndex far = grid->model()->index(249, 24);
            grid->scrollTo(far);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(far).center());
            QCOMPARE(grid->currentIndex(), far);
            QVERIFY(grid->verticalScrollBar()->value() > 100);
            for (QTableView* view : grid->findChildren<QTableView*>(QString(), Qt::FindDirectChildrenOnly)) {
                if (view->horizontalHeader()->isHidden())
                    QCOMPARE(view->indexAt(QPoint(2, 2)).row(), 0);      // the fixed rows: data rows 1 and 2
                else QCOMPARE(view->indexAt(QPoint(2, 2)).column(), 0);  // the fixed column: data column 1
            }
            // A cell just below the fixed rows is scrolled out from under them.
            SetCurrent(form, 25, 3);
            grid->scrollTo(grid->currentIndex());
            QVERIFY(grid->visualRect(grid->currentIndex()).top() >= 2 * grid->rowHeight(0));
            Click(form, "BitBtn2");
        },
        [&] { return form.LoadAndShow(path); });
}

void DataGridTest::copyPasteClearUndoRedo() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("sheet.csv"), kTable);
    TForm2 form;
    SetSelection(form);
    env.messages.answers = {MessageAnswer::No};  // the save question at the end
    const QString original = QString::fromLatin1(kTable);
    QString copied, copiedCsv, afterPaste, afterFill;
    const int result = WhileShown(
        form,
        [&] {
            Focus(form);
            // Copy a block: tab-separated text, and comma-separated beside it.
            SelectBlock(form, 2, 1, 3, 2);
            Key(form, Qt::Key_C, Qt::ControlModifier);
            copied = QApplication::clipboard()->text();
            copiedCsv = QString::fromUtf8(QApplication::clipboard()->mimeData()->data(QStringLiteral("text/csv")));
            // Paste a spreadsheet block from the current cell: the table grows.
            QApplication::clipboard()->setText(QStringLiteral("a\tb\tc\r\nd\t\"e,f\"\tg\r\n"));
            SetCurrent(form, 2, 4);
            Key(form, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(StatusText(form), Q("変更あり"));
            QCOMPARE(form.Table().ColumnCount(), 5);
            QCOMPARE(form.Table().RowCount(), 6);
            QCOMPARE(Grid(form)->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("A4"));
            afterPaste = Cells(form);
            // Comma-separated text from the pop-up menu; one value fills a selection.
            QApplication::clipboard()->setText(QStringLiteral("7,8\n"));
            SetCurrent(form, 1, 2);
            Trigger(form, "MenuPaste");
            QApplication::clipboard()->setText(QStringLiteral("0"));
            SelectBlock(form, 3, 2, 3, 3);
            Trigger(form, "MenuPaste");
            // Delete clears the selection; Ctrl+X cuts.
            SelectBlock(form, 1, 3, 2, 3);
            Key(form, Qt::Key_Delete);
            afterFill = Cells(form);
            SelectBlock(form, 4, 5, 4, 5);
            Key(form, Qt::Key_X, Qt::ControlModifier);
            QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("g\n"));
            QCOMPARE(QString::fromStdString(form.Table().Cell(4, 5)), QString());
            // The row and column commands are steps of the history too.
            SetCurrent(form, 1, 1);
            Trigger(form, "MenuInsertRow");
            env.messages.answers = {MessageAnswer::Yes, MessageAnswer::No};  // "削除しますか。", then the save question
            Trigger(form, "MenuDeleteColumn");
            QCOMPARE(form.Table().RowCount(), 7);
            QCOMPARE(form.Table().ColumnCount(), 4);
            // Undo every step: the table as it was shown, unmodified.
            for (int i = 0; i < 7; ++i) Key(form, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(Cells(form), original);
            QCOMPARE(StatusText(form), Q("変更なし"));
            QVERIFY(!Child<QAction>(form, "MenuUndo")->isEnabled());
            // Redo with Ctrl+Y and from the menu.
            Key(form, Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(Cells(form), afterPaste);
            for (int i = 0; i < 3; ++i) Trigger(form, "MenuRedo");
            QCOMPARE(Cells(form), afterFill);
            QCOMPARE(StatusText(form), Q("変更あり"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(copied, QStringLiteral("h2\th3\n10\t100\n"));
    QCOMPARE(copiedCsv, QStringLiteral("h2,h3\n10,100\n"));
    QCOMPARE(afterPaste, QStringLiteral("h1,h2,h3,\n1,10,100,\n2,20,200,\n3,a,b,c\n,d,e,f,g\n"));
    QCOMPARE(afterFill, QStringLiteral("h1,h2,h3,\n7,8,0,\n,,0,\n3,a,b,c\n,d,e,f,g\n"));
    QCOMPARE(env.Texts(),
             (std::vector<std::string>{"削除しますか。", "データが変更されました。ファイルに保存しますか。"}));
    kurvex::TFitData data;
    QVERIFY(form.BuildDataSet(data).ok());
    QCOMPARE(data.y, std::vector<double>{8});  // only row 2 has numbers in both columns
}

void DataGridTest::draggedColumnTakesTheSettingsAlong() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("drag.csv"), kTable);
    TForm2 form;
    SetSelection(form);
    Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y+A3"));
    Child<QCheckBox>(form, "CheckBoxConditionalEq")->setChecked(true);
    Child<QLineEdit>(form, "EditConditionalEq")->setText(QStringLiteral("A1>1"));
    auto* x = Child<QTableWidget>(form, "StringGridExpVar");
    const int result = WhileShown(
        form,
        [&] {
            Focus(form);
            QHeaderView* header = Grid(form)->horizontalHeader();
            QVERIFY(header->sectionsMovable());
            header->moveSection(2, 0);  // the label A3 dropped before A1
            QCOMPARE(Cells(form), QStringLiteral("h3,h1,h2\n100,1,10\n200,2,20\n300,3,30\n"));
            QCOMPARE(header->visualIndex(2), 2);  // labels stay with their places
            QCOMPARE(Grid(form)->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("A1"));
            QCOMPARE(Child<QComboBox>(form, "ComboBoxY")->currentText(), QStringLiteral("3"));
            QCOMPARE(x->item(0, 1)->text(), QStringLiteral("2"));
            QCOMPARE(Child<QLineEdit>(form, "EditYFunc")->text(), QStringLiteral("Y+A1"));
            QCOMPARE(Child<QLineEdit>(form, "EditConditionalEq")->text(), QStringLiteral("A2>1"));
            QCOMPARE(StatusText(form), Q("変更あり"));
            Key(form, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(Cells(form), QString::fromLatin1(kTable));
            QCOMPARE(Child<QLineEdit>(form, "EditYFunc")->text(), QStringLiteral("Y+A3"));
            Key(form, Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(Child<QComboBox>(form, "ComboBoxY")->currentText(), QStringLiteral("3"));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    // The data set means what it meant before the drag: y = h2 + h3 where h1 > 1.
    kurvex::TFitData data;
    QVERIFY(form.BuildDataSet(data).ok());
    QCOMPARE(data.y, (std::vector<double>{220, 330}));
    QCOMPARE(data.x, (std::vector<double>{2, 3}));
}

QTEST_MAIN(DataGridTest)
#include "DataGridTest.moc"
