// The used-data command: the header rules with one and two fixed rows, the
// variables-only file, the extension, the overwrite question and the report.

#include <QCheckBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

#include "gui/data/ReadData.h"
#include "gui/data/SaveData.h"
#include "tests/gui/DataWindowTestSupport.h"

using namespace datawin_test;
using kurvex::MessageAnswer;
using kurvex::MessageKind;
using kurvex::gui::FileDialogRequest;
using kurvex::gui::RunSaveDataCommand;
using kurvex::gui::TForm2;
using kurvex::gui::TFrmSaveData;

namespace {

const QByteArray kFile = "a,b,c,d\n1,2,3,1\n2,4,5,2\nbad,6,7,1\n3,6,7,0.5\n";

// n = 2: X1 = A1, X2 = A2, Y = A3, W = A4, one header line; `fixedRows`
// data rows fixed in the grid.
void OpenFile(Environment& env, TForm2& form, const QString& path, const QString& fixedRows) {
    form.SetMainExplanatoryCount(2, true);
    auto* grid = Child<QTableWidget>(form, "StringGridExpVar");
    const int result = WhileShown(
        form,
        [&] {
            grid->item(0, 1)->setText(QStringLiteral("1"));
            grid->item(0, 2)->setText(QStringLiteral("X"));
            grid->item(1, 1)->setText(QStringLiteral("2"));
            grid->item(1, 2)->setText(QStringLiteral("X"));
            SetComboText(form, "ComboBoxY", QStringLiteral("3"));
            Child<QLineEdit>(form, "EditYFunc")->setText(QStringLiteral("Y"));
            SetComboText(form, "ComboBoxWt", QStringLiteral("4"));
            SetComboText(form, "ComboBox1", QStringLiteral("1"));
            SetComboText(form, "ComboBoxFixedRow", fixedRows);
            Click(form, "BitBtn1");
        },
        [&] { return form.LoadAndShow(path); });
    QCOMPARE(result, int(QDialog::Accepted));
    env.messages.messages.clear();
}

bool Save(TFrmSaveData& dialog, TForm2& form, FileDialogRequest& saveDialog, bool variables, bool source) {
    bool saved = false;
    WhileShown(
        dialog,
        [&] {
            Child<QCheckBox>(dialog, "CheckBoxSaveXYData")->setChecked(variables);
            Child<QCheckBox>(dialog, "CheckBoxSaveSourceData")->setChecked(source);
            Click(dialog, "BitBtn1");
        },
        [&] {
            saved = RunSaveDataCommand(dialog, form, saveDialog);
            return 0;
        });
    return saved;
}

}  // namespace

class SaveDataTest : public QObject {
    Q_OBJECT

private slots:
    void dialogTexts();
    void bothWithTheLabelRow();
    void bothWithTwoFixedRows();
    void variablesOnly();
    void existingFileAndNothingTicked();
};

void SaveDataTest::dialogTexts() {
    TFrmSaveData dialog;
    QCOMPARE(dialog.windowTitle(), Q("使用データの保存"));
    QCOMPARE(Child<QCheckBox>(dialog, "CheckBoxSaveXYData")->text(), Q("変数(Y, Xi, W)"));
    QCOMPARE(Child<QCheckBox>(dialog, "CheckBoxSaveSourceData")->text(), Q("ソースデータ（使用している行データのみ）"));
    QVERIFY(!dialog.SaveVariables());
    QVERIFY(!dialog.SaveSourceData());
}

void SaveDataTest::bothWithTheLabelRow() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("source.csv"), kFile);
    TForm2 form;
    OpenFile(env, form, path, QStringLiteral("0"));
    TFrmSaveData dialog;
    FileDialogRequest saveDialog;
    saveDialog.initialPath = QStringLiteral("left by another command");
    env.saveAnswer = env.dir.filePath(QStringLiteral("used.txt"));
    QVERIFY(Save(dialog, form, saveDialog, true, true));
    QCOMPARE(env.saveRequests.size(), size_t(1));
    QCOMPARE(env.saveRequests[0].filterList, Q("カンマ区切りファイル(*.csv)|*.csv"));
    QCOMPARE(env.saveRequests[0].initialPath, QString());
    const QString written = env.dir.filePath(QStringLiteral("used.csv"));  // extension replaced
    QVERIFY(!QFile::exists(env.saveAnswer));
    QCOMPARE(ReadFile(written), QByteArray("Y,X1,X2,W,A1,A2,A3,A4\n"
                                           "3,1,2,1,1,2,3,1\n"
                                           "5,2,4,2,2,4,5,2\n"
                                           "7,3,6,0.5,3,6,7,0.5\n"));
    QCOMPARE(env.Texts(), (std::vector<std::string>{"保存しました。"}));
    QCOMPARE(env.messages.messages[0].kind, MessageKind::Confirmation);
    QCOMPARE(saveDialog.filterList, Q("カンマ区切りファイル(*.csv)|*.csv"));  // kept for the curve files
}

void SaveDataTest::bothWithTwoFixedRows() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("source.csv"), kFile);
    TForm2 form;
    OpenFile(env, form, path, QStringLiteral("1"));
    QCOMPARE(form.FixedRowCount(), 2);
    TFrmSaveData dialog;
    FileDialogRequest saveDialog;
    env.saveAnswer = env.dir.filePath(QStringLiteral("used"));
    QVERIFY(Save(dialog, form, saveDialog, true, true));
    const QByteArray text = ReadFile(env.dir.filePath(QStringLiteral("used.csv")));
    const QList<QByteArray> lines = text.split('\n');
    QCOMPARE(lines[0], QByteArray("Y,X1,X2,W,a,b,c,d"));
    QCOMPARE(lines[1], QByteArray("3,1,2,1,1,2,3,1"));
    QVERIFY(!text.contains("A1"));
}

void SaveDataTest::variablesOnly() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("source.csv"), kFile);
    TForm2 form;
    OpenFile(env, form, path, QStringLiteral("0"));
    TFrmSaveData dialog;
    FileDialogRequest saveDialog;
    env.saveAnswer = env.dir.filePath(QStringLiteral("vars.csv"));
    QVERIFY(Save(dialog, form, saveDialog, true, false));
    QCOMPARE(ReadFile(env.saveAnswer), QByteArray("Y,X1,X2,W\n3,1,2,1\n5,2,4,2\n7,3,6,0.5\n"));
}

void SaveDataTest::existingFileAndNothingTicked() {
    Environment env;
    const QString path = WriteFile(env.dir, QStringLiteral("source.csv"), kFile);
    const QString existing = WriteFile(env.dir, QStringLiteral("old.csv"), "keep me\n");
    TForm2 form;
    OpenFile(env, form, path, QStringLiteral("0"));
    TFrmSaveData dialog;
    FileDialogRequest saveDialog;

    // Nothing ticked: no dialog, nothing written.
    env.saveAnswer = existing;
    QVERIFY(!Save(dialog, form, saveDialog, false, false));
    QVERIFY(env.saveRequests.empty());

    // An existing name answered No keeps the file.
    env.messages.answers = {MessageAnswer::No};
    QVERIFY(!Save(dialog, form, saveDialog, false, true));
    QCOMPARE(env.Texts(), (std::vector<std::string>{"同名のファイルが存在します。\n上書きしてよろしいですか。"}));
    QCOMPARE(env.messages.messages[0].kind, MessageKind::Warning);
    QCOMPARE(ReadFile(existing), QByteArray("keep me\n"));

    // Yes replaces it: source cells only, the label row as header.
    env.messages.answers = {MessageAnswer::Yes};
    QVERIFY(Save(dialog, form, saveDialog, false, true));
    QCOMPARE(ReadFile(existing), QByteArray("A1,A2,A3,A4\n1,2,3,1\n2,4,5,2\n3,6,7,0.5\n"));

    // The dialog cancelled: nothing happens.
    env.saveAnswer.clear();
    env.messages.messages.clear();
    QVERIFY(!Save(dialog, form, saveDialog, true, false));
    QVERIFY(env.messages.messages.empty());
}

QTEST_MAIN(SaveDataTest)
#include "SaveDataTest.moc"
