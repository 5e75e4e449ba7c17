// The new-data dialog and the new-table command.

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "DataWindowTestSupport.h"
#include "data/DataTable.h"
#include "data/MakeData.h"
#include "data/ReadData.h"

using namespace datawin_test;
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
};

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
  SetComboText(form, "ComboBoxY", QStringLiteral("2"));
  Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
  Child<QTableWidget>(form, "StringGridExpVar")->item(0, 1)->setText(QStringLiteral("1"));
  SetComboText(form, "ComboBox1", QStringLiteral("0"));
  QCOMPARE(WhileShown(form, [&] { Click(form, "BitBtn1"); }, [&] { return form.LoadAndShow(path); }),
           int(QDialog::Accepted));
  TFrmMakeData dialog;
  int columns = 0, rows = 0;
  bool editable = false, fromFile = true;
  QString caption, label3, rowHeader5, cell;
  const int result = WhileShown(dialog, [&] {
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
  }, [&] { return RunNewTableCommand(dialog, form); });
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
  WhileShown(dialog, [&] {
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
  }, [&] { return dialog.exec(); });
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
  const int result = WhileShown(dialog, [&] {
    Child<QLineEdit>(dialog, "EditColCount")->setText(QStringLiteral("7"));
    Click(dialog, "BitBtn2");
  }, [&] { return RunNewTableCommand(dialog, form); });
  QCOMPARE(result, int(QDialog::Rejected));
  QCOMPARE(form.Table().ColumnCount(), 3);
  QVERIFY(!form.isVisible());
}

QTEST_MAIN(MakeDataTest)
#include "MakeDataTest.moc"
