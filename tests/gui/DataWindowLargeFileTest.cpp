// A file of 200,000 lines: streaming mode after the large-file question with
// every row in the data set, the used data read again from the file only
// while it is the file the data set came from, and table mode (the user wants to edit) that
// opens, scrolls and edits without delay.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include "core/data/BuildDataSet.h"
#include "core/data/DataTable.h"
#include "core/regression/FitState.h"
#include "gui/data/ReadData.h"
#include "gui/data/SaveData.h"
#include "tests/gui/DataWindowTestSupport.h"

using namespace datawin_test;
using kurvex::MessageAnswer;
using kurvex::gui::TForm2;

namespace {

constexpr int kLines = 200000;

QString WriteLargeFile(const QTemporaryDir& dir) {
    QByteArray text;
    text.reserve(kLines * 24);
    for (int i = 1; i <= kLines; ++i) {
        text += QByteArray::number(i);
        text += ',';
        text += QByteArray::number(i * 0.5, 'g', 10);
        text += ",note\n";
    }
    return WriteFile(dir, QStringLiteral("large.csv"), text);
}

void SelectColumns(TForm2& form) {
    auto* grid = Child<QTableWidget>(form, "StringGridExpVar");
    SetComboText(form, "ComboBoxDim", QStringLiteral("1"));
    grid->item(0, 1)->setText(QStringLiteral("1"));
    grid->item(0, 2)->setText(QStringLiteral("X"));
    SetComboText(form, "ComboBoxY", QStringLiteral("2"));
    Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
    SetComboText(form, "ComboBox1", QStringLiteral("0"));  // no header line
}

}  // namespace

class DataWindowLargeFileTest : public QObject {
    Q_OBJECT

private slots:
    void streamingModeKeepsEveryRow();
    void tableModeOpensScrollsAndEdits();
};

void DataWindowLargeFileTest::streamingModeKeepsEveryRow() {
    Environment env;
    const QString path = WriteLargeFile(env.dir);
    TForm2 form;
    SelectColumns(form);
    env.messages.answers = {MessageAnswer::Yes};
    QElapsedTimer shown;
    qint64 openMs = -1;
    shown.start();
    const int result = WhileShown(
        form,
        [&] {
            openMs = shown.elapsed();
            QCOMPARE(form.Table().Mode(), kurvex::ReadMode::Streaming);
            QCOMPARE(form.Table().RowCount(), 1002);  // the label row and the first 1001 lines
            QCOMPARE(form.Table().LineCount(), static_cast<long long>(kLines));
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(env.Texts(), (std::vector<std::string>{kurvex::kLargeFileQuestion}));
    QCOMPARE(form.CandidateCount(), static_cast<long long>(kLines));
    kurvex::TFitData data;
    QElapsedTimer build;
    build.start();
    QVERIFY(form.BuildDataSet(data).ok());
    qInfo("streaming: open %lld ms, data-set build %lld ms", static_cast<long long>(openMs),
          static_cast<long long>(build.elapsed()));
    QCOMPARE(data.n, kLines);
    QCOMPARE(data.sourceRow.back(), kLines);
    QCOMPARE(data.y.back(), kLines * 0.5);
    QCOMPARE(data.x[70000 - 1], 70000.0);  // beyond a 16-bit row counter
    QVERIFY2(openMs < 5000, "opening the large file took too long");

    // The used data are read from the file again.
    kurvex::gui::TFrmSaveData saveData;
    kurvex::gui::FileDialogRequest saveDialog;
    const auto saveUsedData = [&] {
        bool saved = false;
        WhileShown(
            saveData,
            [&] {
                Child<QCheckBox>(saveData, "CheckBoxSaveXYData")->setChecked(true);
                Click(saveData, "BitBtn1");
            },
            [&] {
                saved = kurvex::gui::RunSaveDataCommand(saveData, form, saveDialog);
                return 0;
            });
        return saved;
    };
    env.messages.messages.clear();
    env.saveAnswer = env.dir.filePath(QStringLiteral("used.csv"));
    QVERIFY(saveUsedData());
    QCOMPARE(ReadFile(env.saveAnswer).count('\n'), kLines + 1);
    // The file grows after the data set was read: the output would mix the
    // new line with the fitted data set, so it is refused.
    QFile grown(path);
    QVERIFY(grown.open(QIODevice::Append));
    grown.write("200001,7,note\n");
    grown.close();
    env.messages.messages.clear();
    env.saveRequests.clear();
    env.saveAnswer = env.dir.filePath(QStringLiteral("used2.csv"));
    QVERIFY(!saveUsedData());
    QCOMPARE(env.Texts(),
             std::vector<std::string>{"データファイルが読込み後に変更されています。\nもう一度読み込んで下さい。"});
    QCOMPARE(env.messages.messages[0].kind, kurvex::MessageKind::Error);
    QVERIFY(env.saveRequests.empty());
    QVERIFY(!QFile::exists(env.saveAnswer));
}

void DataWindowLargeFileTest::tableModeOpensScrollsAndEdits() {
    Environment env;
    const QString path = WriteLargeFile(env.dir);
    TForm2 form;
    SelectColumns(form);
    env.messages.answers = {MessageAnswer::No, MessageAnswer::No};  // edit; then do not save
    QElapsedTimer clock;
    qint64 openMs = -1, scrollMs = -1, editMs = -1;
    clock.start();
    const int result = WhileShown(
        form,
        [&] {
            openMs = clock.elapsed();
            QTableView* grid = Child<QTableView>(form, "StringGrid1");
            QCOMPARE(form.Table().Mode(), kurvex::ReadMode::Table);
            QCOMPARE(grid->model()->rowCount(), kLines);
            clock.restart();
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum());
            QApplication::processEvents();
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
            QApplication::processEvents();
            scrollMs = clock.elapsed();
            clock.restart();
            const QModelIndex last = grid->model()->index(kLines - 1, 1);
            grid->scrollTo(last);
            grid->setCurrentIndex(last);
            grid->edit(last);
            auto* editor = grid->viewport()->findChild<QLineEdit*>();
            QVERIFY(editor);
            editor->setText(QStringLiteral("-7"));
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(QString::fromStdString(form.Table().Cell(2, kLines)), QStringLiteral("-7"));
            editMs = clock.elapsed();
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    qInfo("table mode: open %lld ms, scroll %lld ms, edit %lld ms", static_cast<long long>(openMs),
          static_cast<long long>(scrollMs), static_cast<long long>(editMs));
    QVERIFY2(scrollMs < 1000, "scrolling froze");
    QVERIFY2(editMs < 1000, "editing froze");
    kurvex::TFitData data;
    QVERIFY(form.BuildDataSet(data).ok());
    QCOMPARE(data.n, kLines);
    QCOMPARE(data.y.back(), -7.0);  // the edited table, not the file
}

QTEST_MAIN(DataWindowLargeFileTest)
#include "DataWindowLargeFileTest.moc"
