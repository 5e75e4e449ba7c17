// Dialogs start from what they edit: the font dialog of the axis settings
// opens on the font in use and OK alone changes nothing; a question closed
// with Escape means what closing means; the prediction window takes the
// typing in its first cell each time it opens.
#include <QApplication>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/common/MessageSink.h"
#include "core/data/DataTable.h"
#include "core/regression/FitState.h"
#include "gui/chart/AxisSet.h"
#include "gui/chart/ChartPanel.h"
#include "gui/common/GuiMessageSink.h"
#include "gui/common/RadioGroup.h"
#include "gui/common/StringGrid.h"
#include "gui/tools/PredictionWindow.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

// Runs `act` on the next modal widget of type T once it is shown.
template <typename T>
void OnNextModal(std::function<void(T*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget()); modal && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start(20);
}

}  // namespace

class DialogStartTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallGuiMessageSink(); }
    void cleanupTestCase() { SetMessageSink(nullptr); }

    void fontDialogOpensOnTheAxisFont() {
        ChartPanel chart;
        chart.show();
        TFrmAxisSet dialog(&chart);
        dialog.show();
        const QFont title = chart.yAxis->labelFont();  // "ＭＳ Ｐ明朝", 16 pixels
        const QFont ticks = chart.yAxis->tickLabelFont();
        dialog.RadioGroup1->SetItemIndex(1);
        for (QPushButton* button : {dialog.BitBtnFont, dialog.Button1}) {
            const QFont inUse = button == dialog.BitBtnFont ? title : ticks;
            QString shownFamily;
            OnNextModal<QFontDialog>([&](QFontDialog* fonts) {
                shownFamily = fonts->currentFont().family();
                fonts->accept();
            });
            button->click();
            QCOMPARE(shownFamily, QFontInfo(inUse).family());
        }
        QCOMPARE(chart.yAxis->labelFont(), title);
        QCOMPARE(chart.yAxis->tickLabelFont(), ticks);
    }

    void escapeOnTheLargeFileQuestionKeepsStreaming() {
        QTemporaryDir folder;
        QFile file(folder.filePath(QStringLiteral("large.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 1; i <= 1200; ++i) file.write(QByteArray::number(i) + ",2\n");
        file.close();
        for (const bool escape : {true, false}) {
            OnNextModal<QMessageBox>([escape](QMessageBox* box) {
                if (escape) QTest::keyClick(box, Qt::Key_Escape);
                else box->findChild<QPushButton*>(QStringLiteral("NoButton"))->click();
            });
            DataTable table;
            QVERIFY(table.LoadFile(file.fileName().toStdString()));
            QCOMPARE(table.Mode(), escape ? ReadMode::Streaming : ReadMode::Table);
        }
        // For any other question closing is no "はい".
        OnNextModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QVERIFY(!AskYesNo("削除しますか。"));
    }

    void predictionReopensInItsFirstCell() {
        TFitState state;
        state.data.nx = 2;
        state.model.m = 3;
        state.model.nx = 2;
        state.results.coefficients = {1, 2, 3};
        state.results.valid = true;
        TFrmPredict window;
        for (int opening = 0; opening < 2; ++opening) {
            OnNextModal<TFrmPredict>([&](TFrmPredict* shown) {
                QCOMPARE(QApplication::focusWidget(), shown->StringGridXValue);
                QCOMPARE(shown->StringGridXValue->currentRow(), 1);
                shown->BitBtn1->setFocus();  // where Enter in the last cell leaves it
                shown->reject();
            });
            window.Execute(state);
        }
    }
};

QTEST_MAIN(DialogStartTest)
#include "DialogStartTest.moc"
