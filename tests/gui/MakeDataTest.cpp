// The new-data dialog and the new-table command.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "core/common/FileIo.h"
#include "core/data/DataTable.h"
#include "core/data/ReadSettings.h"
#include "gui/data/MakeData.h"
#include "gui/data/ReadData.h"
#include "tests/gui/DataWindowTestSupport.h"

using namespace datawin_test;
using kurvex::MessageAnswer;
using kurvex::gui::RunNewTableCommand;
using kurvex::gui::TForm2;
using kurvex::gui::TFrmMakeData;

class MakeDataTest : public QObject {
    Q_OBJECT

private slots:
    void dialogTextsAndHelp();
    void newTableOfThreeColumnsAndFiveRows();
    void badCountsKeepTheDialogOpen();
    void cancelMakesNothing();
    void savingTheNewTableNeverReplacesAFileUnasked();
    void cancelBringsBackTheSettingsShown();
};

namespace {

// Opens a file of two columns as Y = column 2, X1 = column 1, no condition, and accepts it.
bool OpenTwoColumnFile(TForm2& form, const QString& path) {
    SetComboText(form, "ComboBoxY", QStringLiteral("2"));
    Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
    Child<QTableWidget>(form, "StringGridExpVar")->item(0, 1)->setText(QStringLiteral("1"));
    SetComboText(form, "ComboBox1", QStringLiteral("0"));
    return WhileShown(
               form, [&] { Click(form, "BitBtn1"); }, [&] { return form.LoadAndShow(path); }) == int(QDialog::Accepted);
}

}  // namespace

void MakeDataTest::dialogTextsAndHelp() {
    TFrmMakeData dialog;
    QCOMPARE(dialog.windowTitle(), Q("データファイルの作成"));
    QCOMPARE(Child<QLineEdit>(dialog, "EditColCount")->text(), QStringLiteral("2"));
    QCOMPARE(Child<QLineEdit>(dialog, "EditRowCount")->text(), QStringLiteral("10"));
    QCOMPARE(Child<QLineEdit>(dialog, "EditRowCount")->toolTip(), Q("データ数＋１"));
    QString keyword;
    QObject::connect(&dialog, &TFrmMakeData::HelpRequested, [&](const QString& k) { keyword = k; });
    Click(dialog, "BitBtn3");
    QCOMPARE(keyword, Q("データの作成"));
}

void MakeDataTest::newTableOfThreeColumnsAndFiveRows() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("before.csv"), "1,2\n3,4\n");
    TForm2 form;
    QVERIFY(OpenTwoColumnFile(form, path));
    TFrmMakeData dialog;
    int columns = 0, rows = 0;
    bool editable = false, fromFile = true;
    QString caption, label3, rowHeader5, cell;
    const int result = WhileShown(
        dialog,
        [&] {
            Child<QLineEdit>(dialog, "EditColCount")->setText(QStringLiteral("3"));
            Child<QLineEdit>(dialog, "EditRowCount")->setText(QStringLiteral(" 5"));
            // The data input window opens from inside the command.
            QTimer::singleShot(0, [&] {
                columns = form.Table().ColumnCount();
                rows = form.Table().RowCount();
                editable = form.Table().Editable();
                fromFile = form.LoadedFromFile();
                caption = form.windowTitle();
                QTableView* grid = Child<QTableView>(form, "StringGrid1");
                label3 = grid->model()->headerData(2, Qt::Horizontal).toString();
                rowHeader5 = grid->model()->headerData(4, Qt::Vertical).toString();
                cell = QString::fromStdString(form.Table().Cell(1, 1));
                Click(form, "BitBtn2");
            });
            Click(dialog, "BitBtn1");
        },
        [&] { return RunNewTableCommand(dialog, form); });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(columns, 4);
    QCOMPARE(rows, 6);
    QVERIFY(editable);
    QVERIFY(!fromFile);
    QCOMPARE(label3, QStringLiteral("A3"));
    QCOMPARE(rowHeader5, QStringLiteral("5"));
    QCOMPARE(cell, QString());
    // The new table keeps the name of the file before it.
    QCOMPARE(caption, Q("データの読み込み・編集/before.csv"));
    QCOMPARE(form.CurrentFileName(), path);
    // Cancel on a new table keeps the new table.
    QCOMPARE(form.Table().ColumnCount(), 4);
    QCOMPARE(dialog.DataColumnCount(), 3);
    QCOMPARE(dialog.RowCount(), 5);
}

void MakeDataTest::badCountsKeepTheDialogOpen() {
    Environment env;
    TFrmMakeData dialog;
    std::vector<std::string> seen;
    bool stayedOpen = true;
    WhileShown(
        dialog,
        [&] {
            for (const char* columns : {"abc", "2.5", "0", "10001"}) {
                Child<QLineEdit>(dialog, "EditColCount")->setText(QString::fromLatin1(columns));
                Click(dialog, "BitBtn1");
                stayedOpen = stayedOpen && dialog.isVisible();
            }
            Child<QLineEdit>(dialog, "EditColCount")->setText(QStringLiteral("2"));
            Child<QLineEdit>(dialog, "EditRowCount")->setText(QStringLiteral("-1"));
            Click(dialog, "BitBtn1");
            stayedOpen = stayedOpen && dialog.isVisible();
            Click(dialog, "BitBtn2");
        },
        [&] { return dialog.exec(); });
    QVERIFY(stayedOpen);
    const std::string columnsMessage = "列（項目）数には1から10000までの整数を入力して下さい。";
    QCOMPARE(env.Texts(), (std::vector<std::string>{columnsMessage, columnsMessage, columnsMessage, columnsMessage,
                                                    "行数には1から10000000までの整数を入力して下さい。"}));
    QCOMPARE(env.messages.messages[0].kind, kurvex::MessageKind::Error);
}

void MakeDataTest::cancelMakesNothing() {
    Environment env;
    TForm2 form;
    TFrmMakeData dialog;
    const int result = WhileShown(
        dialog,
        [&] {
            Child<QLineEdit>(dialog, "EditColCount")->setText(QStringLiteral("7"));
            Click(dialog, "BitBtn2");
        },
        [&] { return RunNewTableCommand(dialog, form); });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(form.Table().ColumnCount(), 3);
    QVERIFY(!form.isVisible());
}

namespace {

// Pastes `text` into the editor of the first cell and confirms it with Enter.
void PasteIntoFirstCell(QTableView* grid, const QString& text) {
    const QModelIndex cell = grid->model()->index(0, 0);
    grid->setCurrentIndex(cell);
    grid->edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(cell));
    if (!editor) qFatal("no cell editor");
    QApplication::clipboard()->setText(text);
    editor->selectAll();
    editor->paste();
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(10);  // the editor closes
}

}  // namespace

void MakeDataTest::savingTheNewTableNeverReplacesAFileUnasked() {
    Environment env;
    const QString before = WriteFile(env.dir, QStringLiteral("before.csv"), "1,2\n3,4\n");
    TForm2 form;
    QVERIFY(OpenTwoColumnFile(form, before));
    TFrmMakeData dialog;
    env.saveAnswer = before;  // Return on whatever the dialog offers, or a deliberate choice of that file
    env.messages.answers = {MessageAnswer::Yes, MessageAnswer::No};
    QString pastedBlock, pastedCell;
    std::vector<std::string> pasteMessages;
    WhileShown(
        dialog,
        [&] {
            Child<QLineEdit>(dialog, "EditColCount")->setText(QStringLiteral("2"));
            Child<QLineEdit>(dialog, "EditRowCount")->setText(QStringLiteral("3"));
            QTimer::singleShot(0, [&] {
                QTableView* grid = Child<QTableView>(form, "StringGrid1");
                // A block copied from a spreadsheet does not go into one cell...
                PasteIntoFirstCell(grid, QStringLiteral("1\t2\r\n3\t4\r\n"));
                pastedBlock = QString::fromStdString(form.Table().Cell(1, 1));
                // Told once the editor has gone (no early return: the window must close).
                for (int i = 0; i < 200 && env.messages.messages.empty(); ++i) QTest::qWait(10);
                pasteMessages = env.Texts();
                env.messages.messages.clear();
                // ...while one copied cell, which ends with a line break, does.
                PasteIntoFirstCell(grid, QStringLiteral("5\r\n"));
                pastedCell = QString::fromStdString(form.Table().Cell(1, 1));
                for (int r = 1; r <= 3; ++r) {
                    if (r > 1) form.Table().SetCell(1, r, std::to_string(r));
                    form.Table().SetCell(2, r, std::to_string(10 * r));
                }
                Click(form, "BitBtn1");
            });
            Click(dialog, "BitBtn1");
        },
        [&] { return RunNewTableCommand(dialog, form); });
    QCOMPARE(pastedBlock, QString());
    QCOMPARE(pasteMessages,
             std::vector<std::string>{"1つのセルにはタブや改行を入力できません。\n値はセルごとに入力して下さい。"});
    QCOMPARE(pastedCell, QStringLiteral("5"));
    // The new table offers the folder, not the file read before; replacing
    // that file is asked about, and No keeps it.
    QCOMPARE(env.saveRequests.size(), size_t(1));
    QCOMPARE(env.saveRequests[0].initialPath, env.dir.path());
    QCOMPARE(env.Texts(), (std::vector<std::string>{"データをファイルに保存しておきますか。",
                                                    "before.csv は既に存在します。\n上書きしてよろしいですか。"}));
    QCOMPARE(env.messages.messages[1].kind, kurvex::MessageKind::Warning);
    QCOMPARE(ReadFile(before), QByteArray("1,2\n3,4\n"));
    QVERIFY(!form.LoadedFromFile());

    // Saved under a new name: one line per row; the table now has that file.
    env.saveAnswer = env.dir.filePath(QStringLiteral("new.csv"));
    env.messages.answers = {MessageAnswer::Yes};
    env.messages.messages.clear();
    WhileShown(
        form,
        [&] {
            QAbstractItemModel* model = Child<QTableView>(form, "StringGrid1")->model();
            model->setData(model->index(2, 1), QStringLiteral("31"));
            Click(form, "BitBtn1");
        },
        [&] { return form.ShowForInput(); });
    QCOMPARE(env.Texts(), std::vector<std::string>{"データをファイルに保存しておきますか。"});
    QCOMPARE(ReadFile(env.saveAnswer), QByteArray("5,10\n2,20\n3,31\n"));
    QCOMPARE(form.CurrentFileName(), env.saveAnswer);
    QVERIFY(form.LoadedFromFile());
}

void MakeDataTest::cancelBringsBackTheSettingsShown() {
    Environment env;
    TForm2 form;
    auto* yFunction = Child<QLineEdit>(form, "EditYFunc");
    auto* conditionOn = Child<QCheckBox>(form, "CheckBoxConditionalEq");
    auto* condition = Child<QLineEdit>(form, "EditConditionalEq");
    yFunction->setText(QStringLiteral("LN(Y)"));
    conditionOn->setChecked(true);
    condition->setText(QStringLiteral("A1>0"));
    // The disk is full when the window opens: its copy of the settings is not written.
    kurvex::SetAtomicWriteFailureAfterBytes(0);
    WhileShown(
        form,
        [&] {
            kurvex::SetAtomicWriteFailureAfterBytes(-1);
            yFunction->setText(QStringLiteral("SQRT(Y)"));
            conditionOn->setChecked(false);
            Click(form, "BitBtn2");
        },
        [&] { return form.ShowNewTable(2, 3); });
    kurvex::SetAtomicWriteFailureAfterBytes(-1);
    QCOMPARE(yFunction->text(), QStringLiteral("LN(Y)"));
    QVERIFY(conditionOn->isChecked());
    QCOMPARE(condition->text(), QStringLiteral("A1>0"));

    // Another instance in the same folder writes its copy while this window is open.
    WhileShown(
        form,
        [&] {
            TForm2 other;
            other.WriteSettings(kurvex::TempTableSheetPath());
            yFunction->setText(QStringLiteral("EXP(Y)"));
            Click(form, "BitBtn2");
        },
        [&] { return form.ShowForInput(); });
    QCOMPARE(yFunction->text(), QStringLiteral("LN(Y)"));
    QCOMPARE(condition->text(), QStringLiteral("A1>0"));
}

QTEST_MAIN(MakeDataTest)
#include "MakeDataTest.moc"
