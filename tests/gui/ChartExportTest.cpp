// The chart as files, on the clipboard, on paper and in the print preview.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/common/MessageSink.h"
#include "gui/chart/ChartExport.h"
#include "gui/chart/ChartPanel.h"

using namespace kurvex;
using namespace kurvex::gui;

namespace {

QImage RenderSvg(const QByteArray& svg, QSize size) {
    QSvgRenderer renderer(svg);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

int DarkPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++count;
    return count;
}

int PdfPageCount(const QByteArray& pdf) {
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") + pdf.count("/Type /Page/") +
               pdf.count("/Type /Page>"));
}

}  // namespace

class ChartExportTest : public QObject {
    Q_OBJECT

private:
    ChartPanel* chart_ = nullptr;
    QTemporaryDir dir_;
    RecordingMessageSink sink_;

    QString Path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void init() {
        chart_ = new ChartPanel;
        chart_->resize(600, 420);
        chart_->show();
        chart_->xAxis->setLabel(QStringLiteral("温度"));
        chart_->yAxis->setLabel(QStringLiteral("収量"));
        for (int i = 0; i < 10; ++i) chart_->AddPoint(DataSeries, i, i * i);
        chart_->UpdateAxes();
        sink_ = RecordingMessageSink{};
        SetMessageSink(&sink_);
    }
    void cleanup() {
        SetChartSaveDialogHook({});
        SetMessageSink(nullptr);
        delete chart_;
    }

    void fileNameRules() {
        QCOMPARE(ChartSaveFilters(),
                 QStringList({QStringLiteral("SVG ファイル (*.svg)"), QStringLiteral("PNG ファイル (*.png)"),
                              QStringLiteral("Bitmap files (*.bmp)"), QStringLiteral("PDF ファイル (*.pdf)")}));
        QCOMPARE(ChartFileNameFor("/d/result.wmf", ChartImageFormat::Bmp), QStringLiteral("/d/result.bmp"));
        QCOMPARE(ChartFileNameFor("/d/result.bmp", ChartImageFormat::Svg), QStringLiteral("/d/result.svg"));
        QCOMPARE(ChartFileNameFor("/d/result", ChartImageFormat::Pdf), QStringLiteral("/d/result.pdf"));
        QCOMPARE(ChartFileNameFor("/d.v2/result", ChartImageFormat::Png), QStringLiteral("/d.v2/result.png"));
        QCOMPARE(ChartFileNameFor("/d/a.b.PNG", ChartImageFormat::Png), QStringLiteral("/d/a.b.png"));
        QCOMPARE(ProposedChartFileName("/data/run 1/sample.csv"), QStringLiteral("/data/run 1/sample"));
        QCOMPARE(ProposedChartFileName(""), QString());
    }

    void saveDialogProposesTheDataNameAndTheFilterDecidesTheFormat() {
        QString proposed;
        QStringList offered;
        SetChartSaveDialogHook([&](QWidget*, const QString& name, const QStringList& filters, QString* filter) {
            proposed = name;
            offered = filters;
            *filter = QStringLiteral("Bitmap files (*.bmp)");
            return Path("result.wmf");
        });
        const QString written = G2Click(nullptr, *chart_, Path("sample.csv"));
        QCOMPARE(proposed, Path("sample"));
        QCOMPARE(offered, ChartSaveFilters());
        QCOMPARE(written, Path("result.bmp"));
        QVERIFY(!QFile::exists(Path("result.wmf")));
        QImage image(written, "BMP");
        QCOMPARE(image.size(), chart_->size());
        QVERIFY(sink_.messages.empty());

        // Cancel writes nothing.
        SetChartSaveDialogHook([](QWidget*, const QString&, const QStringList&, QString*) { return QString(); });
        QVERIFY(G2Click(nullptr, *chart_, Path("sample.csv")).isEmpty());
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files).size(), 1);
    }

    void anExistingImageIsReplacedOnlyWhenTheUserAgrees() {
        // "result" becomes result.svg: the question is about that file, not the typed name.
        QFile old(Path("result.svg"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old picture");
        old.close();
        const QString typed = Path("result");
        SetChartSaveDialogHook([typed](QWidget*, const QString&, const QStringList&, QString* filter) {
            *filter = QStringLiteral("SVG ファイル (*.svg)");
            return typed;
        });
        sink_.answers = {MessageAnswer::No};
        QVERIFY(G2Click(nullptr, *chart_, QString()).isEmpty());
        QCOMPARE(sink_.Texts(), std::vector<std::string>{"result.svg は既に存在します。\n上書きしてよろしいですか。"});
        QCOMPARE(sink_.messages[0].kind, MessageKind::Warning);
        QCOMPARE(sink_.messages[0].buttons, MessageButtons::YesNo);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old picture"));
        old.close();
        sink_.answers = {MessageAnswer::Yes};
        QCOMPARE(G2Click(nullptr, *chart_, QString()), Path("result.svg"));
        QVERIFY(QSvgRenderer(Path("result.svg")).isValid());
    }

    void pngReadsBackAtScreenSize() {
        QVERIFY(SaveChartImage(*chart_, Path("c.png"), ChartImageFormat::Png));
        QImage image(Path("c.png"), "PNG");
        QCOMPARE(image.size(), QSize(600, 420));
        // White background with the red points on it.
        QCOMPARE(QColor(image.pixel(2, 2)), QColor(Qt::white));
        bool red = false;
        for (int y = 0; y < image.height() && !red; ++y)
            for (int x = 0; x < image.width() && !red; ++x) red = QColor(image.pixel(x, y)) == QColor(Qt::red);
        QVERIFY(red);
    }

    void svgHasTheTitlesAsOutlines() {
        QVERIFY(SaveChartImage(*chart_, Path("c.svg"), ChartImageFormat::Svg));
        QFile file(Path("c.svg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        QVERIFY(svg.size() > 1000);
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox(), QRect(0, 0, 600, 420));
        QVERIFY(svg.contains("width=\"158.75mm\""));  // 600 px at 96 dpi
        // No text element that would need the fonts; the glyphs are paths.
        QVERIFY(!svg.contains("<text"));
        QVERIFY(svg.count("<path") >= 10);

        // The left-axis title is drawn in the SVG as in the bitmap: the strip
        // left of the tick labels holds about as much ink in both.
        const QRect strip(0, 60, 22, 300);
        const int inSvg = DarkPixels(RenderSvg(svg, QSize(600, 420)), strip);
        const int inBitmap = DarkPixels(ChartToImage(*chart_), strip);
        QVERIFY2(inBitmap > 30 && inSvg > inBitmap / 2 && inSvg < inBitmap * 2,
                 qPrintable(QStringLiteral("%1 %2").arg(inSvg).arg(inBitmap)));
    }

    void pdfIsOnePageWithEmbeddedGlyphs() {
        QVERIFY(SaveChartImage(*chart_, Path("c.pdf"), ChartImageFormat::Pdf));
        QFile file(Path("c.pdf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        QVERIFY(pdf.startsWith("%PDF-"));
        QCOMPARE(PdfPageCount(pdf), 1);
        QVERIFY(pdf.contains("/FontFile2"));  // glyphs travel with the file
        QVERIFY(pdf.contains("/MediaBox [0 0 600.000000 420.000000]"));
    }

    void failedSaveIsReportedAndKeepsNothingHalfWritten() {
        SetChartSaveDialogHook([&](QWidget*, const QString&, const QStringList&, QString* filter) {
            *filter = QStringLiteral("PNG ファイル (*.png)");
            return Path("missing-folder/result");
        });
        QVERIFY(G2Click(nullptr, *chart_, QString()).isEmpty());
        QCOMPARE(sink_.messages.size(), size_t(1));
        QCOMPARE(sink_.messages[0].kind, MessageKind::Error);
        QVERIFY(QString::fromStdString(sink_.messages[0].text)
                    .startsWith(QStringLiteral("グラフを保存できませんでした。")));
    }

    void clipboardGetsSvgAndBitmap() {
        M1Click(*chart_);
        const QMimeData* mime = QApplication::clipboard()->mimeData();
        QVERIFY(mime != nullptr);
        const QByteArray svg = mime->data(QStringLiteral("image/svg+xml"));
        QVERIFY(QSvgRenderer(svg).isValid());
        B1Click(*chart_);
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(600, 420));
    }

    void printGoesInsideTheMargins() {
        QImage page(1000, 1000, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QCPPainter painter(&page);
            RenderChartOnPage(*chart_, painter, page.rect());
        }
        // Left 30 %, top 15 %, right 30 %, bottom 15 % stay empty.
        QCOMPARE(DarkPixels(page, QRect(0, 0, 299, 1000)), 0);
        QCOMPARE(DarkPixels(page, QRect(701, 0, 299, 1000)), 0);
        QCOMPARE(DarkPixels(page, QRect(0, 0, 1000, 149)), 0);
        QCOMPARE(DarkPixels(page, QRect(0, 851, 1000, 149)), 0);
        QVERIFY(DarkPixels(page, QRect(300, 150, 400, 700)) > 200);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path("print.pdf"));
        QVERIFY(PrintChart(*chart_, printer));
        QFile file(Path("print.pdf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(PdfPageCount(file.readAll()), 1);
    }

    void printPreviewOpensForTheChart() {
        QString seen;
        int pages = -1;
        QTimer::singleShot(300, [&] {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            seen = dialog->objectName();
            if (auto* widget = dialog->findChild<QPrintPreviewWidget*>()) pages = widget->pageCount();
            dialog->reject();
        });
        PrintPreview1Click(nullptr, *chart_);
        QCOMPARE(seen, QStringLiteral("PrintPreview"));
        QCOMPARE(pages, 1);
    }

    void printWithoutPrinterSaysSo() {
        if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("a printer is installed here");
        Print1Click(nullptr, *chart_);
        QCOMPARE(sink_.messages.size(), size_t(1));
        QCOMPARE(sink_.messages[0].kind, MessageKind::Error);
    }
};

QTEST_MAIN(ChartExportTest)
#include "ChartExportTest.moc"
