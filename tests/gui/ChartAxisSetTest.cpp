// The axis settings dialog on a real chart.

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "core/common/MessageSink.h"
#include "gui/chart/AxisSet.h"
#include "gui/chart/AxisTicker.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/RadioGroup.h"

using namespace kurvex;
using namespace kurvex::gui;

class ChartAxisSetTest : public QObject {
    Q_OBJECT

private:
    ChartPanel* chart_ = nullptr;
    TFrmAxisSet* dialog_ = nullptr;
    RecordingMessageSink sink_;

    void Open(int axis) {
        dialog_->RadioGroup1->SetItemIndex(axis);
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_));
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_));
    }
    void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        // Key clicks carry Latin-1 only; Japanese text arrives as an input
        // method would deliver it.
        if (text.toLatin1() == text.toUtf8()) {
            QTest::keyClicks(edit, text);
        } else {
            edit->insert(text);
        }
    }
    // A radio button answers only on its indicator and caption, not on the
    // empty width a layout gives it.
    void Click(QAbstractButton* button) {
        if (qobject_cast<QRadioButton*>(button))
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
        else QTest::mouseClick(button, Qt::LeftButton);
    }
    void ClickItem(RadioGroup* group, int item) { Click(group->Item(item)); }

private slots:
    void init() {
        chart_ = new ChartPanel;
        chart_->resize(600, 400);
        chart_->show();
        for (int i = 1; i <= 10; ++i) chart_->AddPoint(DataSeries, i, i * 10);
        chart_->UpdateAxes();  // x 1..10, y 10..100
        dialog_ = new TFrmAxisSet(chart_);
        sink_ = RecordingMessageSink{};
        SetMessageSink(&sink_);
    }
    void cleanup() {
        TFrmAxisSet::SetFontDialogHook({});
        SetMessageSink(nullptr);
        delete dialog_;
        delete chart_;
    }

    void controlsAndCaptions() {
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("軸の設定"));
        QCOMPARE(dialog_->RadioGroup1->title(), QStringLiteral("設定する座標軸"));
        QCOMPARE(dialog_->RadioGroup1->Item(0)->text(), QStringLiteral("Ｘ（下）軸"));
        QCOMPARE(dialog_->RadioGroup1->Item(2)->text(), QStringLiteral("Ｒ（右）軸"));
        QCOMPARE(dialog_->RadioGroupGrid->Count(), 5);
        QCOMPARE(dialog_->RadioGroupGrid->Item(4)->text(), QStringLiteral("２点破線"));
        QCOMPARE(dialog_->BitBtn2->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        for (const char* name : {"EdtTitle", "EditMin", "EditMax", "EditInc", "EditTickLength", "EditTickInnerLength",
                                 "EditMinorTickCount", "EditMinorTickLength"})
            QVERIFY2(dialog_->findChild<QLineEdit*>(name) != nullptr, name);
        for (const char* name : {"BitBtnFont", "Button1", "BitBtn1", "BitBtn2"})
            QVERIFY2(dialog_->findChild<QPushButton*>(name) != nullptr, name);
        QCOMPARE(TFrmAxisSet::GridStyleOfItem(2), Qt::DashLine);
        QCOMPARE(TFrmAxisSet::GridItemOfStyle(Qt::DashDotLine), 0);  // not in the table
    }

    void showingCopiesTheSelectedAxis() {
        chart_->yAxis->setLabel(QStringLiteral("収量"));
        Open(1);
        QCOMPARE(dialog_->EdtTitle->text(), QStringLiteral("収量"));
        QCOMPARE(dialog_->EditMin->text(), QStringLiteral("10"));
        QCOMPARE(dialog_->EditMax->text(), QStringLiteral("100"));
        QCOMPARE(dialog_->RadioGroup2->ItemIndex(), 0);
        QVERIFY(!dialog_->EditMin->isEnabled());
        QCOMPARE(dialog_->RadioGroupGrid->ItemIndex(), 3);  // the chart's dotted grid
        // Switching to manual enables the range boxes.
        ClickItem(dialog_->RadioGroup2, 1);
        QVERIFY(dialog_->EditMin->isEnabled());
        // Another axis: its own values, and a hidden grid shows as "なし".
        ClickItem(dialog_->RadioGroup1, 2);
        QCOMPARE(dialog_->RadioGroupGrid->ItemIndex(), 0);
        QVERIFY(dialog_->RadioGroup2->ItemIndex() == 0);
    }

    void axisReachingZeroCannotBeLogarithmic() {
        chart_->AddPoint(DataSeries, 0, -5);
        chart_->UpdateAxes();
        Open(0);
        QVERIFY(!dialog_->GroupBoxType->isEnabled());
        QVERIFY(dialog_->RadioButtonLinear->isChecked());
        QVERIFY(!dialog_->WorkingCopy(0).logarithmic);

        // A positive manual minimum allows it; typing a minimum of 0 afterwards
        // is refused on OK and nothing changes.
        ClickItem(dialog_->RadioGroup2, 1);
        QVERIFY(!dialog_->GroupBoxType->isEnabled());
        Type(dialog_->EditMin, "2");
        QTest::keyClick(dialog_->EditMin, Qt::Key_Tab);
        QVERIFY(dialog_->GroupBoxType->isEnabled());
        Click(dialog_->RadioButtonLog);
        QVERIFY(dialog_->WorkingCopy(0).logarithmic);
        Type(dialog_->EditMin, "0");
        Click(dialog_->BitBtn1);
        QCOMPARE(sink_.messages.size(), size_t(1));
        QVERIFY(QString::fromStdString(sink_.messages[0].text).contains(QStringLiteral("対数目盛にできません")));
        QVERIFY(dialog_->isVisible());
        QVERIFY(!chart_->IsAxisLogarithmic(chart_->xAxis));
        QVERIFY(chart_->IsAxisAutomatic(chart_->xAxis));

        // The refused axis is shown again, linear; put right: minimum 2,
        // logarithmic, OK.
        QVERIFY(dialog_->RadioButtonLinear->isChecked());
        Type(dialog_->EditMin, "2");
        QTest::keyClick(dialog_->EditMin, Qt::Key_Tab);
        QVERIFY(dialog_->GroupBoxType->isEnabled());
        Click(dialog_->RadioButtonLog);
        Type(dialog_->EditMax, "20");
        Click(dialog_->BitBtn1);
        QVERIFY(!dialog_->isVisible());
        QVERIFY(chart_->IsAxisLogarithmic(chart_->xAxis));
        QVERIFY(!chart_->IsAxisAutomatic(chart_->xAxis));
        QCOMPARE(chart_->xAxis->range(), QCPRange(2, 20));
        QVERIFY(chart_->xAxis->ticker().dynamicCast<QCPAxisTickerLog>());
    }

    void minimumAboveMaximumIsRefused() {
        Open(1);
        ClickItem(dialog_->RadioGroup2, 1);
        Type(dialog_->EditMin, "50");
        Type(dialog_->EditMax, "20");
        Click(dialog_->BitBtn1);
        QCOMPARE(sink_.messages.size(), size_t(1));
        QCOMPARE(sink_.messages[0].kind, MessageKind::Error);
        QCOMPARE(QString::fromStdString(sink_.messages[0].text),
                 QStringLiteral("Ｙ（左）軸の最小値が最大値以上です。\n最小値は最大値より小さくして下さい。"));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(chart_->yAxis->range(), QCPRange(10, 100));
        QVERIFY(chart_->IsAxisAutomatic(chart_->yAxis));
    }

    void typedMinimumThenOkIsStoredFirst() {
        Open(1);
        ClickItem(dialog_->RadioGroup2, 1);
        Type(dialog_->EditMin, "-25");
        Click(dialog_->BitBtn1);  // no Tab: leaving the box happens with the click
        QVERIFY(sink_.messages.empty());
        QCOMPARE(chart_->yAxis->range(), QCPRange(-25, 100));
        QVERIFY(!chart_->IsAxisAutomatic(chart_->yAxis));
        // A manual axis keeps its range when new points arrive.
        chart_->AddPoint(DataSeries, 11, 500);
        chart_->UpdateAxes();
        QCOMPARE(chart_->yAxis->range(), QCPRange(-25, 100));
        // Back to automatic: the axis follows the data again.
        Open(1);
        ClickItem(dialog_->RadioGroup2, 0);
        Click(dialog_->BitBtn1);
        QCOMPARE(chart_->yAxis->range(), QCPRange(10, 500));
    }

    void nonNumberIsAConversionErrorAndTheValueStays() {
        Open(0);
        ClickItem(dialog_->RadioGroup2, 1);
        Type(dialog_->EditMax, "abc");
        QTest::keyClick(dialog_->EditMax, Qt::Key_Tab);
        QCOMPARE(sink_.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(sink_.messages[0].text),
                 QStringLiteral("'abc' は正しい浮動小数点数ではありません。"));
        QCOMPARE(double(dialog_->WorkingCopy(0).maximum), 10.0);
        Type(dialog_->EditMinorTickCount, "2.5");
        QTest::keyClick(dialog_->EditMinorTickCount, Qt::Key_Tab);
        QCOMPARE(QString::fromStdString(sink_.messages.back().text),
                 QStringLiteral("'2.5' は正しい整数値ではありません。"));
        QCOMPARE(dialog_->WorkingCopy(0).minorTickCount, 3);
    }

    void cancelKeepsGridAndFontsButNotNumbers() {
        Open(1);
        ClickItem(dialog_->RadioGroupGrid, 2);  // 破線, at once
        QCOMPARE(chart_->yAxis->grid()->pen().style(), Qt::DashLine);
        QFont chosen(QStringLiteral("ＭＳ Ｐ明朝"));
        chosen.setPixelSize(22);
        TFrmAxisSet::SetFontDialogHook([&](QWidget*, const QFont&) { return std::optional<QFont>(chosen); });
        Click(dialog_->BitBtnFont);
        QCOMPARE(chart_->yAxis->labelFont().pixelSize(), 22);
        Click(dialog_->Button1);
        QCOMPARE(chart_->yAxis->tickLabelFont().pixelSize(), 22);
        ClickItem(dialog_->RadioGroup2, 1);
        Type(dialog_->EditMax, "1000");
        Type(dialog_->EdtTitle, QStringLiteral("新しい題"));
        Click(dialog_->BitBtn2);
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(chart_->yAxis->grid()->pen().style(), Qt::DashLine);
        QVERIFY(chart_->yAxis->grid()->visible());
        QCOMPARE(chart_->yAxis->labelFont().pixelSize(), 22);
        QCOMPARE(chart_->yAxis->range(), QCPRange(10, 100));
        QVERIFY(chart_->yAxis->label().isEmpty());
        // "なし" hides the grid.
        Open(1);
        ClickItem(dialog_->RadioGroupGrid, 0);
        QVERIFY(!chart_->yAxis->grid()->visible());
        // A font dialog closed with Cancel changes nothing.
        TFrmAxisSet::SetFontDialogHook([](QWidget*, const QFont&) { return std::optional<QFont>(); });
        Click(dialog_->BitBtnFont);
        QCOMPARE(chart_->yAxis->labelFont().pixelSize(), 22);
    }

    void okWritesTicksAndOnlyTheSelectedTitle() {
        Open(0);
        Type(dialog_->EdtTitle, QStringLiteral("失われる題"));
        ClickItem(dialog_->RadioGroup1, 1);  // the X title typed above is lost
        Type(dialog_->EdtTitle, QStringLiteral("濃度"));
        Type(dialog_->EditInc, "25");
        Type(dialog_->EditTickLength, "7");
        Type(dialog_->EditTickInnerLength, "2");
        Type(dialog_->EditMinorTickCount, "4");
        Type(dialog_->EditMinorTickLength, "3");
        Click(dialog_->BitBtn1);
        QVERIFY(sink_.messages.empty());
        QCOMPARE(chart_->yAxis->label(), QStringLiteral("濃度"));
        QVERIFY(chart_->xAxis->label().isEmpty());
        QCOMPARE(chart_->yAxis->tickLengthOut(), 7);
        QCOMPARE(chart_->yAxis->tickLengthIn(), 2);
        QCOMPARE(chart_->yAxis->subTickLengthOut(), 3);
        QCOMPARE(chart_->AxisMinorTickCount(chart_->yAxis), 4);
        chart_->replot();
        const QVector<double> ticks = chart_->yAxis->tickVector();
        QVERIFY(ticks.size() >= 3);
        for (int i = 1; i < ticks.size(); ++i) QCOMPARE(ticks[i] - ticks[i - 1], 25.0);
        QVector<double> majors, subs;
        chart_->yAxis->ticker()->generate(chart_->yAxis->range(), QLocale::c(), 'g', 6, majors, &subs, nullptr);
        int between = 0;
        for (double sub : subs)
            if (sub > ticks[0] && sub < ticks[1]) ++between;
        QCOMPARE(between, 4);
    }

    void clickOnAnAxisSelectsIt() {
        int selected = -1;
        QTimer::singleShot(200, [&] {
            selected = dialog_->RadioGroup1->ItemIndex();
            dialog_->BitBtn2->click();
        });
        QCOMPARE(dialog_->Chart1ClickAxis(chart_->yAxis), int(QDialog::Rejected));
        QCOMPARE(selected, 1);
        // The top axis opens nothing.
        QCOMPARE(dialog_->Chart1ClickAxis(chart_->xAxis2), -1);
        QCOMPARE(dialog_->RadioGroup1->ItemIndex(), 1);
        // The menu keeps the last selection.
        QTimer::singleShot(200, [&] {
            selected = dialog_->RadioGroup1->ItemIndex();
            dialog_->BitBtn2->click();
        });
        dialog_->A1Click();
        QCOMPARE(selected, 1);
    }
};

QTEST_MAIN(ChartAxisSetTest)
#include "ChartAxisSetTest.moc"
