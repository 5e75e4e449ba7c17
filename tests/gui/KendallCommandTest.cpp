// Kendall's test from the menu: the question for small samples, the result
// box with its caption, and Cancel in the progress window.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "core/common/MessageCaption.h"
#include "core/common/MessageSink.h"
#include "core/regression/FitState.h"
#include "gui/common/GuiMessageSink.h"
#include "gui/regression/Processing.h"
#include "gui/tools/KendallCommand.h"
#include "tests/core/tools/CaptionRecordingSink.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

using kurvex::testing::CaptionRecordingSink;

const char* const kQuestion = "データ数が少ないので、並べ替え理論を適用して確率を計算しますか。";

// n points, y rising with x; with ties one pair of X and one pair of Y are
// equal, which makes the exact test visit the orderings one by one.
TFitData Data(int n, int nx = 1, bool ties = false) {
    TFitData data;
    data.nx = static_cast<std::int16_t>(nx);
    for (int i = 0; i < n; ++i) {
        std::vector<double> x;
        for (int v = 0; v < nx; ++v) x.push_back(v == 0 ? (ties && i == 5 ? 4 : i) : (i * 7) % n);
        data.AddPoint(i + 1, ties && i == 8 ? 7 : i, 1, x);
    }
    data.FinishSums();
    return data;
}

}  // namespace

class KendallCommandTest : public QObject {
    Q_OBJECT

private:
    CaptionRecordingSink sink_;
    std::unique_ptr<ScopedMessageSink> guard_;

private slots:
    void init() {
        sink_ = CaptionRecordingSink{};
        guard_ = std::make_unique<ScopedMessageSink>(sink_);
    }
    void cleanup() { guard_.reset(); }

    void elevenPointsAskTwelveDoNot() {
        TFrmProgress progress;
        sink_.defaultAnswer = MessageAnswer::No;
        const std::optional<std::string> eleven = KendallCommand(Data(11), "Y", {"X"}, progress);
        QVERIFY(eleven.has_value());
        QCOMPARE(sink_.messages.size(), std::size_t(2));
        QCOMPARE(sink_.messages[0].text, std::string(kQuestion));
        QCOMPARE(sink_.messages[0].buttons, MessageButtons::YesNo);
        QCOMPARE(sink_.messages[0].kind, MessageKind::Confirmation);
        QVERIFY(eleven->rfind("正規近似による確率計算\nn = 11\nY vs. X\n  K = 55 (P = ", 0) == 0);
        QCOMPARE(sink_.messages[1].kind, MessageKind::Information);
        QCOMPARE(sink_.messages[1].text, *eleven);
        QCOMPARE(sink_.captions[1], std::string("相関のKendallの検定"));
        QCOMPARE(CurrentMessageCaption(), std::string());

        sink_ = CaptionRecordingSink{};
        const std::optional<std::string> twelve = KendallCommand(Data(12), "Y", {"X"}, progress);
        QVERIFY(twelve.has_value());
        QCOMPARE(sink_.messages.size(), std::size_t(1));
        QVERIFY(twelve->rfind("正規近似による確率計算\nn = 12\n", 0) == 0);
    }

    void permutationsGiveTheExactProbabilityForEveryVariable() {
        TFrmProgress progress;
        sink_.answers = {MessageAnswer::Yes};
        const std::optional<std::string> text = KendallCommand(
            Data(4, 2), QStringLiteral("収量"), {QStringLiteral("温度"), QStringLiteral("湿度")}, progress);
        QVERIFY(text.has_value());
        // Perfect agreement: P = 1/4!. X2 = 0, 3, 2, 1: S = 0, upward, P = 15/24 orderings with S >= 0.
        QCOMPARE(*text, std::string("並べかえ理論による確率計算\nn = 4\n収量 vs. 温度\n  K = 6 (P = 0.041667)\n"
                                    "収量 vs. 湿度\n  K = 0 (P = 0.625)"));
        QVERIFY(!progress.isVisible());
    }

    void cancellingThePermutationTestShowsNothing() {
        TFrmProgress progress;
        sink_.answers = {MessageAnswer::Yes};
        // Ties make the test visit every ordering, with the progress window open.
        QTimer::singleShot(0, &progress, [&progress] { progress.BitBtn1->click(); });
        QElapsedTimer clock;
        clock.start();
        const std::optional<std::string> text = KendallCommand(Data(11, 1, true), "Y", {"X"}, progress);
        QVERIFY(!text.has_value());
        QCOMPARE(sink_.Texts(), (std::vector<std::string>{kQuestion}));
        QCOMPARE(progress.windowTitle(), QStringLiteral("ただ今、並べ替え検定の実行中．．．．"));
        QVERIFY(!progress.isVisible());
        QVERIFY(clock.elapsed() < 5000);  // stopped long before the 11! orderings
    }

    void theResultBoxCarriesItsCaptionAndSelectableText() {
        guard_.reset();
        GuiMessageSink gui;
        ScopedMessageSink guiGuard(gui);
        TFrmProgress progress;
        QString title;
        Qt::TextInteractionFlags flags;
        QString text;
        std::function<void()> answer = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                QTimer::singleShot(10, answer);
                return;
            }
            title = box->windowTitle();
            flags = box->textInteractionFlags();
            text = box->text();
            box->accept();
        };
        QTimer::singleShot(0, answer);
        QVERIFY(KendallCommand(Data(12), "Y", {"X"}, progress).has_value());
        QCOMPARE(title, QStringLiteral("相関のKendallの検定"));
        QVERIFY(flags & Qt::TextSelectableByMouse);
        QVERIFY(text.startsWith(QStringLiteral("正規近似による確率計算\nn = 12\nY vs. X\n  K = 66 (P = ")));
    }

    void tooFewPointsAreRefusedWithAMessage() {
        TFrmProgress progress;
        const std::optional<std::string> text = KendallCommand(Data(2), "Y", {"X"}, progress);
        QVERIFY(!text.has_value());
        QCOMPARE(sink_.messages.back().kind, MessageKind::Error);
    }
};

QTEST_MAIN(KendallCommandTest)
#include "KendallCommandTest.moc"
