// The main window with a large data file, offscreen, as a user drives it:
// open → "読込み" → chart shown, redraw, resize, a click on a point, the
// model 0 fit ("計算"), a fit with Cancel, and leaving the program. Prints
// the wall time of each step and the peak memory (one line per figure,
// "name value unit"), for bench/run-large.sh.
//
//   gui_large_bench FILE [Y-COLUMN X-COLUMN]     (default 1 2; the file has a header line)
//   gui_large_bench --chart-points N             (the chart alone: N points drawn, resized, drawn again)
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <sys/resource.h>
#include <time.h>

#include "core/common/MessageSink.h"
#include "core/common/ProgramFolder.h"
#include "core/data/DataTable.h"
#include "gui/app/OrlaMain.h"
#include "gui/chart/ChartPanel.h"
#include "gui/data/ReadData.h"
#include "gui/regression/Processing.h"

using namespace kurvex;

namespace {

// Answers the large-file question with Yes (no editing, as the CLI does) and
// every other question with No; remembers the last text.
class BenchMessages : public MessageSink {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons buttons) override {
        last = text;
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        return text == kLargeFileQuestion ? MessageAnswer::Yes : MessageAnswer::No;
    }
    std::string last;
};

void Report(const char* name, double value, const char* unit) { std::printf("%s %.1f %s\n", name, value, unit); }

double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-3);
}

// Wall time of a step, and the processor time of this process (less
// disturbed by other work on a shared machine; the fit's threads add theirs).
class StepClock {
public:
    void restart() {
        wall_.restart();
        cpu_ = CpuMilliseconds();
    }
    void start() { restart(); }
    void Report(const char* name) const {
        std::printf("%s %.1f ms (cpu %.1f ms)\n", name, static_cast<double>(wall_.elapsed()), CpuMilliseconds() - cpu_);
    }

private:
    QElapsedTimer wall_;
    double cpu_ = 0;
};

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

template <class T>
T* Child(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

void SetCombo(QWidget* form, const char* name, const QString& text) {
    auto* combo = Child<QComboBox>(form, name);
    combo->setCurrentIndex(combo->findText(text));
}

void ProcessEvents() {
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

// The chart alone with n points of a noisy line: the best of five redraws
// and of five resizes.
int ChartOnly(long long n) {
    gui::ChartPanel chart;
    chart.resize(800, 600);
    chart.show();
    QVector<QPointF> points(static_cast<qsizetype>(n));
    std::uint64_t state = 88172645463325252ull;
    auto uniform = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (auto& p : points) {
        const double x = 10 * uniform();
        p = QPointF(x, 1.5 + 0.7 * x + uniform() - 0.5);
    }
    chart.SetDataPoints(points);
    chart.UpdateAxes();
    // Wall time, and the processor time of this thread (the drawing's own).
    auto threadMs = [] {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
    };
    double redraw = 1e300, resize = 1e300, redrawCpu = 1e300, resizeCpu = 1e300;
    for (int r = 0; r < 5; ++r) {
        QElapsedTimer clock;
        clock.start();
        double cpu = threadMs();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        redraw = std::min(redraw, static_cast<double>(clock.nsecsElapsed()) * 1e-6);
        redrawCpu = std::min(redrawCpu, threadMs() - cpu);
        clock.restart();
        cpu = threadMs();
        chart.resize(r % 2 ? 800 : 900, r % 2 ? 600 : 650);  // the chart redraws itself for the new size
        QApplication::sendPostedEvents();
        QApplication::processEvents();
        resize = std::min(resize, static_cast<double>(clock.nsecsElapsed()) * 1e-6);
        resizeCpu = std::min(resizeCpu, threadMs() - cpu);
    }
    Report("chart_points", static_cast<double>(n), "points");
    std::printf("chart_redraw_best %.1f ms (cpu %.1f ms)\n", redraw, redrawCpu);
    std::printf("chart_resize_best %.1f ms (cpu %.1f ms)\n", resize, resizeCpu);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: gui_large_bench FILE [Y-COLUMN X-COLUMN]\n");
        return 2;
    }
    if (QString::fromLocal8Bit(argv[1]) == QLatin1String("--chart-points") && argc > 2)
        return ChartOnly(std::atoll(argv[2]));
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString yColumn = argc > 3 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("1");
    const QString xColumn = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("2");

    QTemporaryDir folder;
    SetProgramFolder(folder.path().toStdString());
    QDir::setCurrent(folder.path());
    BenchMessages messages;
    ScopedMessageSink sink(messages);
    gui::InstallJapaneseFontSubstitutions();

    // The modal windows: the about box at the start, the data input window.
    QTimer driver;
    driver.setInterval(2);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        if (modal->objectName() == QLatin1String("Form2")) {
            SetCombo(modal, "ComboBox1", QStringLiteral("1"));  // one header line
            SetCombo(modal, "ComboBoxY", yColumn);
            Child<QLineEdit>(modal, "EditYFunc")->setText(QStringLiteral("Y"));
            SetCombo(modal, "ComboBoxDim", QStringLiteral("1"));
            auto* grid = Child<QTableWidget>(modal, "StringGridExpVar");
            grid->item(0, 1)->setText(xColumn);
            grid->item(0, 2)->setText(QStringLiteral("X"));
            Child<QAbstractButton>(modal, "BitBtn1")->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->accept();
        }
    });
    driver.start();

    auto form = std::make_unique<gui::TForm1>();
    form->resize(1000, 700);
    form->show();
    ProcessEvents();

    StepClock clock;
    clock.start();
    if (!form->LoadAndShow(path)) {
        std::fprintf(stderr, "the file was not loaded: %s\n", messages.last.c_str());
        return 1;
    }
    ProcessEvents();
    form->Chart1->repaint();
    clock.Report("open_to_chart");
    Report("points", form->FitState().data.n, "points");
    Report("peak_after_load", PeakMegabytes(), "MB");

    gui::ChartPanel& chart = *form->Chart1;
    clock.restart();
    chart.replot(QCustomPlot::rpImmediateRefresh);
    clock.Report("redraw");
    clock.restart();
    form->resize(1200, 800);
    ProcessEvents();
    chart.repaint();
    clock.Report("resize");

    // A click on the data point in the middle of the data set: the window
    // tells its number and row.
    const int k = form->FitState().data.n / 2;
    const QPointF point = chart.SeriesPoint(gui::DataSeries, k);
    const QPointF at(chart.xAxis->coordToPixel(point.x()), chart.yAxis->coordToPixel(point.y()));
    messages.last.clear();
    clock.restart();
    QMouseEvent press(QEvent::MouseButtonPress, at, chart.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, chart.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&chart, &press);
    QApplication::sendEvent(&chart, &release);
    ProcessEvents();
    clock.Report("click_point");
    std::printf("click_text %s\n",
                QString::fromStdString(messages.last).section(QLatin1Char('\n'), 0, 0).toUtf8().constData());

    clock.restart();
    Child<QAbstractButton>(form.get(), "BitBtn1")->click();
    ProcessEvents();
    chart.repaint();
    clock.Report("fit_model0");
    std::printf("fit_end %s\n", form->FitState().fields.fitEnd.c_str());
    Report("peak_memory", PeakMegabytes(), "MB");

    clock.restart();
    form->close();
    form.reset();
    clock.Report("leave");
    SetProgramFolder({});
    return 0;
}
