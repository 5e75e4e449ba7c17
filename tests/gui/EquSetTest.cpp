// The equation editor driven like a user: the registered list with its
// "新規" row, registering, OK and Cancel, the derivative table, erasing, the
// list's context menu and the settings sections.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/common/IniFile.h"
#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"
#include "gui/common/StringGrid.h"
#include "gui/equations/EquSet.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

// True while an in-place editor of `view` has the focus.
bool EditorOpenIn(const QWidget* view) {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) != nullptr && view->isAncestorOf(focus);
}

const char* const kThreeEntries =
    "y = C0+C1*X1+C2*X1^2+C3*X1^3,３次式,1,X1,X1^2,X1^3\r\n"
    "y = C0*EXP(-C1*X1),decay,EXP(-C1*X1),-C0*X1*EXP(-C1*X1)\r\n"
    "y = C0+C1*X1,linear,1,X1\r\n";

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

class EquSetTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    RecordingMessageSink sink_;
    std::unique_ptr<ScopedMessageSink> guard_;

    std::filesystem::path Folder() const { return std::filesystem::path(dir_.path().toStdString()); }
    std::filesystem::path ListFile() const { return Folder() / "Equation.txt"; }

    static void Type(TFrmEquSet& window, const QString& text) {
        window.EditEqu->clear();
        QTest::keyClicks(window.EditEqu, text);
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        std::filesystem::remove(ListFile());
        SetProgramFolder(Folder());
        sink_ = RecordingMessageSink{};
        guard_ = std::make_unique<ScopedMessageSink>(sink_);
    }
    void cleanup() {
        guard_.reset();
        SetProgramFolder({});
    }

    void firstStartShowsTheDefaultEntryAndOkReturnsIt() {
        TFrmEquSet window;
        window.FormShow();
        QCOMPARE(window.StringGrid1->RowCount(), 3);
        QCOMPARE(window.StringGrid1->Cell(0, 0), QStringLiteral("No."));
        QCOMPARE(window.StringGrid1->Cell(1, 0), QStringLiteral("関数式"));
        QCOMPARE(window.StringGrid1->Cell(2, 0), QStringLiteral("関数名"));
        QCOMPARE(window.StringGrid1->Cell(0, 1), QStringLiteral("1"));
        QCOMPARE(window.StringGrid1->Cell(1, 1), QStringLiteral("y = C0+C1*X1+C2*X1^2+C3*X1^3"));
        QCOMPARE(window.StringGrid1->Cell(2, 1), QStringLiteral("３次式"));
        QCOMPARE(window.StringGrid1->Cell(0, 2), QStringLiteral("2"));
        QCOMPARE(window.StringGrid1->Cell(1, 2), QStringLiteral("新規"));
        QCOMPARE(window.StringGrid1->Cell(2, 2), QString());
        QCOMPARE(window.BitBtn4->text(), QStringLiteral("登\u3000録"));
        QCOMPARE(window.StringGrid2->Cell(1, 0), QStringLiteral("偏導関数"));
        QCOMPARE(window.StringGrid2->Cell(0, 1), QStringLiteral("dy/dC0 ="));
        QCOMPARE(window.StringGrid2->Cell(0, 51), QStringLiteral("dy/dC50 ="));
        QCOMPARE(window.StringGrid2->RowCount(), 5);
        QCOMPARE(window.StringGrid2->Cell(1, 4), QStringLiteral("X1^3"));
        QVERIFY(window.BitBtn1->isEnabled());

        // OK through the modal entry point, as the main window calls it.
        QTimer::singleShot(0, &window, [&window] { window.BitBtn1->click(); });
        const std::optional<std::string> formula = window.EditGeneralEquation();
        QVERIFY(formula.has_value());
        QCOMPARE(*formula, std::string("C0+C1*X1+C2*X1^2+C3*X1^3"));
        const GeneralModelSource model = window.GeneralModel();
        QCOMPARE(model.coefficientCount, 4);
        QCOMPARE(model.variableCount, 1);
        QVERIFY(model.derivativeTableShown);
        QCOMPARE(model.derivativeTexts, (std::vector<std::string>{"1", "X1", "X1^2", "X1^3"}));
        // OK writes nothing; only a registration does.
        QVERIFY(!std::filesystem::exists(ListFile()));
        QVERIFY(sink_.messages.empty());

        QTimer::singleShot(0, &window, [&window] { window.BitBtn2->click(); });
        QVERIFY(!window.EditGeneralEquation().has_value());
    }

    void registeringOnTheNewRowAddsTheEntryAndEnablesOk() {
        TFrmEquSet window;
        window.FormShow();
        window.StringGrid1Click(2);
        QVERIFY(!window.BitBtn1->isEnabled());
        QCOMPARE(window.EditEqu->text(), QString());
        QVERIFY(!window.StringGrid2->isVisibleTo(&window));

        Type(window, QStringLiteral("c0*exp(-c1*x1)"));
        QVERIFY(!window.BitBtn1->isEnabled());
        window.BitBtn4Click();
        QVERIFY(sink_.messages.empty());
        QCOMPARE(window.StringGrid1->RowCount(), 4);
        QCOMPARE(window.StringGrid1->Cell(1, 2), QStringLiteral("y = c0*exp(-c1*x1)"));
        QCOMPARE(window.StringGrid1->Cell(1, 3), QStringLiteral("新規"));
        QCOMPARE(window.StringGrid1->Cell(0, 3), QStringLiteral("3"));
        QCOMPARE(window.EditEqu->text(), QStringLiteral("C0*EXP(-C1*X1)"));
        QVERIFY(window.BitBtn1->isEnabled());
        QCOMPARE(window.CurrentEntry(), 1);
        QCOMPARE(window.SelectedRow(), 2);
        // Two empty derivative rows: nothing of the cubic shown before comes along.
        QVERIFY(window.StringGrid2->isVisibleTo(&window));
        QCOMPARE(window.StringGrid2->RowCount(), 3);
        QCOMPARE(window.StringGrid2->Cell(1, 1), QString());
        QCOMPARE(window.StringGrid2->Cell(1, 2), QString());
        // The file now holds the default entry and the new one.
        QCOMPARE(ReadFile(ListFile()), std::string("y = C0+C1*X1+C2*X1^2+C3*X1^3,３次式,1,X1,X1^2,X1^3\n"
                                                   "y = c0*exp(-c1*x1),,,\n"));

        window.BitBtn1Click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(window.GeneralModel().formula, std::string("C0*EXP(-C1*X1)"));
        QCOMPARE(window.GeneralModel().coefficientCount, 2);
        QCOMPARE(window.GeneralModel().derivativeTexts, (std::vector<std::string>{"", ""}));
    }

    void aChangedFormulaMustBeRegisteredBeforeOk() {
        TFrmEquSet window;
        window.FormShow();
        Type(window, QStringLiteral("C0+C1*X1"));
        QVERIFY(!window.BitBtn1->isEnabled());
        window.BitBtn1Click();
        QCOMPARE(window.result(), int(QDialog::Rejected));
        // A click on the same row does not bring OK back for the unregistered text.
        window.StringGrid1Click(1);
        QVERIFY(!window.BitBtn1->isEnabled());
        // Registering it does; the entry is replaced and keeps its name.
        window.BitBtn4Click();
        QVERIFY(window.BitBtn1->isEnabled());
        QCOMPARE(window.StringGrid1->Cell(1, 1), QStringLiteral("y = C0+C1*X1"));
        QCOMPARE(window.StringGrid1->Cell(2, 1), QStringLiteral("３次式"));
        QCOMPARE(window.StringGrid2->RowCount(), 3);
        QCOMPARE(ReadFile(ListFile()), std::string("y = C0+C1*X1,３次式,1,X1\n"));
    }

    void derivativesTypedAfterRegisteringAreKeptByOk() {
        TFrmEquSet window;
        window.FormShow();
        window.StringGrid1Click(2);
        Type(window, QStringLiteral("c0*(1-exp(-c1*x1))"));
        window.BitBtn4Click();
        window.StringGrid2->SetCell(1, 1, QStringLiteral("1-EXP(-C1*X1)"));
        window.StringGrid2->SetCell(1, 2, QStringLiteral("C0*X1*EXP(-C1*X1)"));
        window.BitBtn1Click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        // The main window fits with these texts, so the list file must hold them too.
        QCOMPARE(ReadFile(ListFile()), std::string("y = C0+C1*X1+C2*X1^2+C3*X1^3,３次式,1,X1,X1^2,X1^3\n"
                                                   "y = c0*(1-exp(-c1*x1)),,1-EXP(-C1*X1),C0*X1*EXP(-C1*X1)\n"));
        TFrmEquSet reopened;
        reopened.SetCurrentEntry(1);
        QVERIFY(reopened.PrepareGeneralModel());
        QCOMPARE(reopened.GeneralModel().derivativeTexts,
                 (std::vector<std::string>{"1-EXP(-C1*X1)", "C0*X1*EXP(-C1*X1)"}));
    }

    void registeringAnEmptyOrInvalidFormulaShowsItsMessages() {
        TFrmEquSet window;
        window.FormShow();
        window.StringGrid1Click(2);
        window.BitBtn4Click();
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{"式を入力して下さい。"}));
        QCOMPARE(sink_.messages[0].kind, MessageKind::Error);
        QCOMPARE(sink_.beeps, 1);

        sink_.messages.clear();
        Type(window, QStringLiteral("(C0+C1*X1"));
        window.BitBtn4Click();
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{"括弧の数が合いません。", "式を入力して下さい。"}));
        QCOMPARE(window.List().Count(), std::size_t(1));
        QVERIFY(!std::filesystem::exists(ListFile()));

        // OK with an invalid formula keeps the window open.
        window.StringGrid1Click(1);
        sink_.messages.clear();
        window.EditEqu->setText(QStringLiteral("C1*X1"));
        window.BitBtn1Click();
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{"最初のパラメータC0がありません。正しく設定して下さい。"}));
    }

    void aNewEntryGetsNoOtherEntrysDerivativesAndCancelKeepsTheModelInUse() {
        TFrmEquSet window;
        window.FormShow();
        window.BitBtn1Click();  // the cubic is the model in use
        window.FormShow();
        window.StringGrid1Click(2);
        Type(window, QStringLiteral("C0+C1*X1"));
        window.BitBtn4Click();
        QCOMPARE(window.StringGrid2->Cell(1, 1), QString());
        QCOMPARE(window.List().Entry(1).derivativeTexts, (std::vector<std::string>{"", ""}));
        // Only the second text typed: it reads back in its place.
        window.StringGrid2->SetCell(1, 2, QStringLiteral("X1"));
        window.StringGrid1Click(1);
        QCOMPARE(window.StringGrid2->RowCount(), 5);
        QCOMPARE(window.StringGrid2->Cell(1, 3), QStringLiteral("X1^2"));
        window.StringGrid2->SetCell(1, 1, QStringLiteral("0"));  // edited, then cancelled
        window.BitBtn2Click();
        QCOMPARE(window.CurrentEntry(), 0);
        QCOMPARE(window.GeneralModel().formula, std::string("C0+C1*X1+C2*X1^2+C3*X1^3"));
        QCOMPARE(window.GeneralModel().derivativeTexts, (std::vector<std::string>{"1", "X1", "X1^2", "X1^3"}));
        window.FormShow();
        window.StringGrid1Click(2);
        window.BitBtn1Click();
        TFrmEquSet reopened;
        QCOMPARE(reopened.List().Entry(1).derivativeTexts, (std::vector<std::string>{"", "X1"}));
    }

    void aStoredEntryBeyondTheListOpensOnTheLastEntry() {
        WriteFile(ListFile(), kThreeEntries);
        TFrmEquSet window;
        window.SetCurrentEntry(5);
        window.FormShow();
        QCOMPARE(window.CurrentEntry(), 2);
        QCOMPARE(window.SelectedRow(), 3);
        QCOMPARE(window.StringGrid1->currentRow(), 3);
        QCOMPARE(window.EditEqu->text(), QStringLiteral("C0+C1*X1"));
        QVERIFY(window.BitBtn1->isEnabled());

        // The start-up path without showing: the same entry, validated.
        window.SetCurrentEntry(1);
        QVERIFY(window.PrepareGeneralModel());
        QCOMPARE(window.GeneralModel().formula, std::string("C0*EXP(-C1*X1)"));
        QCOMPARE(window.GeneralModel().derivativeTexts,
                 (std::vector<std::string>{"EXP(-C1*X1)", "-C0*X1*EXP(-C1*X1)"}));
        QVERIFY(window.GeneralModel().derivativeTableShown);
        QVERIFY(!window.isVisible());
    }

    void erasingThenCancelKeepsTheFile() {
        WriteFile(ListFile(), kThreeEntries);
        TFrmEquSet window;
        window.SetCurrentEntry(1);
        window.FormShow();
        window.PopupMenu1Popup(2);
        QVERIFY(window.Erase1->isEnabled());
        window.Erase1Click();
        QCOMPARE(window.List().Count(), std::size_t(2));
        QCOMPARE(window.StringGrid1->Cell(0, 2), QStringLiteral("2"));
        QCOMPARE(window.StringGrid1->Cell(2, 2), QStringLiteral("linear"));
        QCOMPARE(window.EditEqu->text(), QStringLiteral("C0+C1*X1"));
        QCOMPARE(window.CurrentEntry(), 1);
        QCOMPARE(window.StringGrid2->Cell(1, 2), QStringLiteral("X1"));
        window.BitBtn2Click();
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QCOMPARE(ReadFile(ListFile()), std::string(kThreeEntries));

        // Erasing the last entry shows the "新規" row.
        window.StringGrid1Click(2);
        window.Erase1Click();
        QCOMPARE(window.SelectedRow(), 2);
        QCOMPARE(window.StringGrid1->Cell(1, 2), QStringLiteral("新規"));
        QVERIFY(!window.BitBtn1->isEnabled());
        QCOMPARE(window.CurrentEntry(), 0);
        QCOMPARE(ReadFile(ListFile()), std::string(kThreeEntries));
    }

    void eraseEveryEntryThenRegisterAgain() {
        TFrmEquSet window;
        window.FormShow();
        window.Erase1Click();
        QCOMPARE(window.List().Count(), std::size_t(0));
        QCOMPARE(window.StringGrid1->RowCount(), 2);
        window.FormShow();  // reopening with no entry selects the "新規" row
        QCOMPARE(window.SelectedRow(), 1);
        QVERIFY(!window.BitBtn1->isEnabled());
        Type(window, QStringLiteral("C0*X1"));
        window.BitBtn4Click();
        QCOMPARE(window.List().Count(), std::size_t(1));
        QVERIFY(window.BitBtn1->isEnabled());
    }

    void clickingAnotherEntryStoresTheTableTexts() {
        WriteFile(ListFile(), kThreeEntries);
        TFrmEquSet window;
        window.FormShow();
        window.StringGrid2->SetCell(1, 2, QStringLiteral("X1*1"));
        window.StringGrid1Click(3);
        QCOMPARE(window.StringGrid2->Cell(1, 2), QStringLiteral("X1"));
        QCOMPARE(window.CurrentEntry(), 2);
        window.StringGrid1Click(1);
        QCOMPARE(window.StringGrid2->Cell(1, 2), QStringLiteral("X1*1"));
        // In memory only: the file changes at the next registration.
        QCOMPARE(ReadFile(ListFile()), std::string(kThreeEntries));
    }

    void enteringTheTableFollowsTheTypedCoefficientCount() {
        WriteFile(ListFile(),
                  "y = C0+C1*X1+C2*X1^2+C3*X1^3+C4*X1^4,quartic,1,X1,X1^2,X1^3,X1^4\r\n"
                  "y = C0+C1*X1+C2*X1^2+C3*X1^3,cubic,1,X1,X1^2,X1^3\r\n");
        TFrmEquSet window;
        window.FormShow();
        window.StringGrid1Click(2);
        Type(window, QStringLiteral("C0+C1*X1+C2*X1^2+C3*X1^3+C4*X1^4"));
        window.StringGrid2Enter();
        // The fifth row is empty: the quartic's text shown there before is not the cubic's.
        QCOMPARE(window.StringGrid2->RowCount(), 6);
        QCOMPARE(window.StringGrid2->Cell(1, 5), QString());
        Type(window, QStringLiteral("C0+C1*X1"));
        window.StringGrid2Enter();
        QCOMPARE(window.StringGrid2->RowCount(), 3);
        // Unregistered, the shorter formula leaves the entry's texts whole, also after a row change and OK.
        window.StringGrid1Click(1);
        window.BitBtn1Click();
        QCOMPARE(window.List().Entry(1).derivativeTexts, (std::vector<std::string>{"1", "X1", "X1^2", "X1^3"}));
        TFrmEquSet reopened;
        QCOMPARE(reopened.List().Entry(1).derivativeTexts, (std::vector<std::string>{"1", "X1", "X1^2", "X1^3"}));
    }

    void theListGridEditsNamesOnlyAndNeverTheNewRow() {
        WriteFile(ListFile(), kThreeEntries);
        TFrmEquSet window;
        window.FormShow();
        QCOMPARE(window.StringGrid1->dragDropMode(), QAbstractItemView::NoDragDrop);
        QVERIFY(!(window.StringGrid1->item(1, 1)->flags() & Qt::ItemIsEditable));
        QVERIFY(window.StringGrid1->item(1, 2)->flags() & Qt::ItemIsEditable);
        QVERIFY(!(window.StringGrid1->item(4, 2)->flags() & Qt::ItemIsEditable));

        window.StringGrid1DblClick(4);
        QCOMPARE(sink_.Texts(),
                 (std::vector<std::string>{
                     "ここには書き込めません。\n上のテキストボックス（「y=」の右隣）に記入して下さい。"}));
        QCOMPARE(sink_.messages[0].kind, MessageKind::Warning);
        QCOMPARE(sink_.beeps, 1);
        QVERIFY(!window.CellEditingMode());

        sink_.messages.clear();
        window.StringGrid1DblClick(2);
        QVERIFY(window.CellEditingMode());
        // Renaming in place changes the list, not the file.
        window.StringGrid1->item(2, 2)->setText(QStringLiteral("exponential decay"));
        QCOMPARE(window.List().Entry(1).name, std::string("exponential decay"));
        QCOMPARE(ReadFile(ListFile()), std::string(kThreeEntries));
        // A name with a comma or a line break would split the file's line, and
        // quotes would be dropped on reading: refused and restored.
        for (const QString& name : {QStringLiteral("a,b"), QStringLiteral("a\nb"), QStringLiteral("\"a\"")}) {
            window.StringGrid1->item(2, 2)->setText(name);
            QCOMPARE(window.List().Entry(1).name, std::string("exponential decay"));
            QCOMPARE(window.StringGrid1->Cell(2, 2), QStringLiteral("exponential decay"));
        }
        QCOMPARE(sink_.Texts().size(), std::size_t(3));
        // A pasted line break in the formula box is refused at registration; the file reads back as written.
        sink_.messages.clear();
        window.StringGrid1Click(4);
        window.EditEqu->setText(QStringLiteral("C0*X1\r\n"));
        window.BitBtn4Click();
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{kCommaInEquationMessage}));
        QCOMPARE(window.List().Count(), std::size_t(3));
        QCOMPARE(ReadFile(ListFile()), std::string(kThreeEntries));
    }

    void theContextMenuFollowsTheModeAndTheRow() {
        WriteFile(ListFile(), kThreeEntries);
        TFrmEquSet window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.PopupMenu1Popup(1);
        QVERIFY(window.Erase1->isEnabled());
        QVERIFY(!window.Copy1->isEnabled());
        QVERIFY(!window.Paste1->isEnabled());
        window.PopupMenu1Popup(4);
        QVERIFY(!window.Erase1->isEnabled());
        QVERIFY(!window.Copy1->isEnabled());
        QVERIFY(!window.Paste1->isEnabled());

        // Cell editing: copy instead of erase; paste once an editor has existed.
        window.StringGrid1->setFocus();
        window.StringGrid1->setCurrentCell(1, 2);
        window.StringGrid1DblClick(1);
        QVERIFY(window.CellEditingMode());
        window.PopupMenu1Popup(1);
        QVERIFY(!window.Erase1->isEnabled());
        QVERIFY(window.Copy1->isEnabled());
        QVERIFY(!window.Paste1->isEnabled());

        window.StringGrid1->editItem(window.StringGrid1->item(1, 2));
        QTRY_VERIFY(EditorOpenIn(window.StringGrid1));
        window.PopupMenu1Popup(1);
        QVERIFY(window.Paste1->isEnabled());
        window.Copy1Click();  // the editor's text is all selected when it opens
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("３次式"));
        QApplication::clipboard()->setText(QStringLiteral("cubic"));
        window.Paste1Click();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(window.List().Entry(0).name, std::string("cubic"));

        // Leaving the list returns it to row selection, where copy is off again.
        window.EditEqu->setFocus();
        QTRY_VERIFY(!window.CellEditingMode());
        window.PopupMenu1Popup(1);
        QVERIFY(window.Erase1->isEnabled());
        QVERIFY(!window.Copy1->isEnabled());
        QVERIFY(window.Paste1->isEnabled());
        QCOMPARE(window.StringGrid1->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void derivativeTextsWithACommaAreRefused() {
        TFrmEquSet window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.StringGrid2->setFocus();
        window.StringGrid2->setCurrentCell(2, 1);
        window.StringGrid2->editItem(window.StringGrid2->item(2, 1));
        QTRY_VERIFY(EditorOpenIn(window.StringGrid2));
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit*>(editor));
        qobject_cast<QLineEdit*>(editor)->setText(QStringLiteral("X1\n2"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(
            sink_.Texts(),
            (std::vector<std::string>{"式、名前、偏導関数にカンマ（,）、二重引用符（\"）、改行は使えません。"}));
        QCOMPARE(window.StringGrid2->Cell(1, 2), QStringLiteral("X1"));
    }

    void helpAsksForTheKeyword() {
        TFrmEquSet window;
        QSignalSpy spy(&window, &TFrmEquSet::HelpRequested);
        window.BitBtn3->click();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("式の記述"));
    }

    void settingsSectionsAreReadAndWrittenKeyByKey() {
        const std::filesystem::path ini = Folder() / "kurvex.ini";
        TFrmEquSet window;
        // Missing file: the design values stay.
        window.LoadEquationFormSettings(IniFile::Load(ini));
        QCOMPARE(window.StringGrid1->columnWidth(1), 335);
        QCOMPARE(window.StringGrid1->columnWidth(2), 108);
        QCOMPARE(window.StringGrid2->columnWidth(1), 344);
        QCOMPARE(window.pos(), QPoint(182, 123));

        WriteFile(ini,
                  "[Main Form]\r\nWidth=900\r\n[Equation Form]\r\nWidth=610\r\nHeight=480\r\nTop=40\r\n"
                  "Left=50\r\n[Table of Functions]\r\nWidth of Form Column=300\r\n"
                  "[Table of Derivatives]\r\nWidth of Column=222\r\n");
        window.LoadEquationFormSettings(IniFile::Load(ini));
        QCOMPARE(window.size(), QSize(610, 480));
        QCOMPARE(window.pos(), QPoint(50, 40));
        QCOMPARE(window.StringGrid1->columnWidth(1), 300);
        QCOMPARE(window.StringGrid1->columnWidth(2), 108);  // key missing
        QCOMPARE(window.StringGrid2->columnWidth(1), 222);

        window.StringGrid1->setColumnWidth(2, 150);
        IniFile file = IniFile::Load(ini);
        window.SaveEquationFormSettings(file);
        QVERIFY(file.Save(ini));
        const IniFile saved = IniFile::Load(ini);
        QCOMPARE(saved.ReadInteger("Main Form", "Width", 0), 900LL);
        QCOMPARE(saved.Keys("Equation Form"), (std::vector<std::string>{"Width", "Height", "Top", "Left"}));
        QCOMPARE(saved.Keys("Table of Functions"),
                 (std::vector<std::string>{"Width of Form Column", "Width of Name Column"}));
        QCOMPARE(saved.ReadInteger("Table of Functions", "Width of Name Column", 0), 150LL);
        QCOMPARE(saved.ReadInteger("Table of Derivatives", "Width of Column", 0), 222LL);
        QCOMPARE(saved.ReadInteger("Equation Form", "Left", 0), 50LL);
    }
};

QTEST_MAIN(EquSetTest)
#include "EquSetTest.moc"
