// Nothing a user needs is cut off or out of reach: labels and headings fit
// their columns, the headings stay while the rows scroll, both result grids
// scroll together, the editor's list keeps its place, help opened from a
// modal window can be used, no empty legend, and the program's own icon.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include "gui/app/AboutBox.h"
#include "gui/app/HelpViewer.h"
#include "gui/app/ProgramIcon.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/StringGrid.h"
#include "gui/data/ReadData.h"
#include "gui/equations/EquSet.h"
#include "gui/tools/PredictionWindow.h"
#include "tests/gui/support/MainWindowFixture.h"

using namespace kurvex;
using namespace kurvex::gui;
using kurvex::test::ClickButton;
using kurvex::test::MainWindowFixture;

namespace {

// True when `text` is drawn in full in its cell, as the item delegate draws it.
bool Fits(const StringGrid* grid, int column, const QString& text) {
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    const QFontMetrics metrics(grid->font());
    return metrics.elidedText(text, Qt::ElideRight, grid->columnWidth(column) - 2 * margin) == text;
}

bool HeadingFits(const StringGrid* grid, int column) {
    return !grid->horizontalHeader()->isHidden() &&
           grid->horizontalHeader()->sectionSizeHint(column) <= grid->columnWidth(column);
}

}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void labelsAndHeadingsFitAndStayInView() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        StringGrid* coefficients = form.StringGridCoefficients;
        StringGrid* limits = form.StringGridLimit;
        coefficients->SetRowCount(52);
        limits->SetRowCount(52);
        for (int j : {10, 33, 50}) QVERIFY(Fits(coefficients, 0, QStringLiteral("C%1 =").arg(j)));
        QVERIFY(HeadingFits(coefficients, 1));
        QCOMPARE(coefficients->horizontalHeaderItem(1)->text(), QStringLiteral("係数"));
        QVERIFY(HeadingFits(limits, 1));
        QVERIFY(HeadingFits(form.StringGridCoefInit, 0));
        form.StringGridCoefInit->SetCell(0, 1, QStringLiteral("C10"));
        QVERIFY(Fits(form.StringGridCoefInit, 0, QStringLiteral("C10")));
        // No horizontal scroll bar: the value columns are there in full.
        form.PageControl1->setCurrentWidget(form.TabSheet3);
        QTest::qWait(10);
        for (StringGrid* grid : {coefficients, limits})
            QVERIFY(grid->viewport()->width() >= grid->columnWidth(0) + grid->columnWidth(1));

        // The wheel over the coefficients moves both grids, headings stay.
        const QPoint centre = coefficients->viewport()->rect().center();
        QWheelEvent wheel(centre, coefficients->viewport()->mapToGlobal(centre), {}, {0, -360}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(coefficients->viewport(), &wheel);
        QVERIFY(coefficients->TopRow() > 0);
        QCOMPARE(limits->TopRow(), coefficients->TopRow());
        QVERIFY(limits->horizontalHeader()->isVisible());
        QCOMPARE(limits->horizontalHeaderItem(1)->text(), QStringLiteral("信頼限界"));
    }

    void editorListKeepsItsPlaceAndItsHelpCanBeUsed() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        QString pageBefore, pageAfter;
        QRect listShown, listHidden;
        fixture.Modals().Then([&](QWidget* modal) {
            auto* editor = qobject_cast<TFrmEquSet*>(modal);
            editor->StringGrid2->show();
            QTest::qWait(20);
            listShown = editor->StringGrid1->geometry();
            editor->StringGrid2->hide();
            QTest::qWait(20);
            listHidden = editor->StringGrid1->geometry();

            ClickButton(editor, QStringLiteral("BitBtn3"));  // "ヘルプ"
            THelpViewer* help = form.HelpViewer;
            QVERIFY(QTest::qWaitForWindowExposed(help));
            pageBefore = help->CurrentPage();
            QListWidget* contents = help->ListContents;
            help->TabsNavigation->setCurrentIndex(0);
            QTest::qWait(20);
            const int other = contents->currentRow() == 0 ? 1 : 0;
            const QPoint place =
                contents->viewport()->mapTo(help, contents->visualItemRect(contents->item(other)).center());
            // A real click through the window system: a window blocked by the modal editor never gets it.
            QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, place);
            pageAfter = help->CurrentPage();
            ClickButton(editor, QStringLiteral("BitBtn2"));
        });
        form.BitBtn4->click();
        QVERIFY(fixture.Modals().Idle());
        QCOMPARE(listHidden, listShown);
        QVERIFY(!pageBefore.isEmpty());
        QVERIFY(pageAfter != pageBefore);
    }

    void emptyChartHasNoLegendAndEveryWindowHasTheIcon() {
        MainWindowFixture fixture;
        TForm1& form = fixture.Start();
        QVERIFY(!form.Chart1->legend->visible());
        QVERIFY(fixture.LoadAccepted(fixture.Sample(QStringLiteral("enzyme_kinetics.csv"))));
        QVERIFY(form.Chart1->legend->visible());

        const QIcon icon = ProgramIcon();
        QVERIFY(!icon.isNull());
        const QImage drawn = icon.pixmap(32, 32).toImage();
        // Our drawing, not an empty or a standard picture.
        QCOMPARE(drawn.pixelColor(16, 3).alpha(), 255);
        for (QWidget* window : std::initializer_list<QWidget*>{&form, form.Form2, form.FrmEquSet, form.AboutBox,
                                                               form.HelpViewer, form.FrmPredict})
            QCOMPARE(window->windowIcon().pixmap(32, 32).toImage(), drawn);
        auto* aboutIcon = form.AboutBox->findChild<QLabel*>(QStringLiteral("ProgramIcon"));
        QCOMPARE(aboutIcon->pixmap().toImage(), icon.pixmap(48, 48).toImage());
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "WindowLayoutTest.moc"
