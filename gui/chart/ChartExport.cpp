#include "gui/chart/ChartExport.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include "core/common/MessageSink.h"
#include "gui/chart/ChartPanel.h"
#include "gui/chart/OutlineSvg.h"
#include "gui/data/FileDialogs.h"

namespace kurvex::gui {

namespace {

ChartSaveDialogHook& SaveDialogHook() {
    static ChartSaveDialogHook hook;
    return hook;
}

QSize ScreenSize(const ChartPanel& chart) {
    // A chart that has never been shown still has a sensible size.
    QSize size = chart.size();
    if (size.width() < 50 || size.height() < 50) size = size.expandedTo(QSize(640, 480));
    return size;
}

void DrawChart(ChartPanel& chart, QPaintDevice* device, const QSize& size) {
    QCPPainter painter(device);
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    chart.toPainter(&painter, size.width(), size.height());
}

bool WritePdf(ChartPanel& chart, QIODevice* device) {
    const QSize size = ScreenSize(chart);
    QPdfWriter writer(device);
    writer.setCreator(QStringLiteral("Kurvex"));
    writer.setResolution(72);  // one chart pixel per point
    writer.setPageLayout(
        QPageLayout(QPageSize(QSizeF(size), QPageSize::Point), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QCPPainter painter;
    if (!painter.begin(&writer)) return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    painter.setRenderHint(QPainter::Antialiasing);
    chart.toPainter(&painter, size.width(), size.height());
    return painter.end();
}

}  // namespace

QStringList ChartSaveFilters() {
    return {QStringLiteral("SVG ファイル (*.svg)"), QStringLiteral("PNG ファイル (*.png)"),
            QStringLiteral("Bitmap files (*.bmp)"), QStringLiteral("PDF ファイル (*.pdf)")};
}

ChartImageFormat FormatOfFilter(const QString& filter) {
    const int index = ChartSaveFilters().indexOf(filter);
    return index < 0 ? ChartImageFormat::Svg : static_cast<ChartImageFormat>(index);
}

QString ExtensionOf(ChartImageFormat format) {
    switch (format) {
        case ChartImageFormat::Svg: return QStringLiteral(".svg");
        case ChartImageFormat::Png: return QStringLiteral(".png");
        case ChartImageFormat::Bmp: return QStringLiteral(".bmp");
        case ChartImageFormat::Pdf: return QStringLiteral(".pdf");
    }
    return QStringLiteral(".svg");
}

QString ChartFileNameFor(const QString& chosenName, ChartImageFormat format) {
    return WithExtension(chosenName, ExtensionOf(format));
}

QString ProposedChartFileName(const QString& dataFilePath) {
    if (dataFilePath.isEmpty()) return QString();
    const QFileInfo info(dataFilePath);
    return QDir(info.absolutePath()).filePath(info.completeBaseName());
}

QByteArray ChartToSvg(ChartPanel& chart) {
    const QSize size = ScreenSize(chart);
    return RenderOutlinedSvg(size, QStringLiteral("Kurvex chart"),
                             [&](QPaintDevice* device) { DrawChart(chart, device, size); });
}

QImage ChartToImage(ChartPanel& chart) {
    const QSize size = ScreenSize(chart);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    DrawChart(chart, &image, size);
    return image;
}

bool SaveChartImage(ChartPanel& chart, const QString& path, ChartImageFormat format, QString* error) {
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        switch (format) {
            case ChartImageFormat::Svg: {
                const QByteArray svg = ChartToSvg(chart);
                ok = !svg.isEmpty() && file.write(svg) == svg.size();
                break;
            }
            case ChartImageFormat::Png: ok = ChartToImage(chart).save(&file, "PNG"); break;
            case ChartImageFormat::Bmp: ok = ChartToImage(chart).save(&file, "BMP"); break;
            case ChartImageFormat::Pdf: ok = WritePdf(chart, &file); break;
        }
    }
    if (ok) ok = file.commit();
    else file.cancelWriting();
    if (!ok && error != nullptr) {
        *error = QStringLiteral("グラフを保存できませんでした。\n") + QDir::toNativeSeparators(path) +
                 QStringLiteral("\n") + file.errorString();
    }
    return ok;
}

void SetChartSaveDialogHook(ChartSaveDialogHook hook) { SaveDialogHook() = std::move(hook); }

QString G2Click(QWidget* parent, ChartPanel& chart, const QString& dataFilePath) {
    const QStringList filters = ChartSaveFilters();
    const QString proposed = ProposedChartFileName(dataFilePath);
    QString selectedFilter = filters.first();
    QString chosen;
    if (SaveDialogHook()) {
        chosen = SaveDialogHook()(parent, proposed, filters, &selectedFilter);
    } else {
        QFileDialog dialog(parent, QString(), proposed);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(selectedFilter);
        // The filter decides the extension below; the dialog must not add its own,
        // nor ask about the name before the extension is set (asked below).
        dialog.setDefaultSuffix(QString());
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            chosen = dialog.selectedFiles().first();
            selectedFilter = dialog.selectedNameFilter();
        }
    }
    if (chosen.isEmpty()) return QString();
    const ChartImageFormat format = FormatOfFilter(selectedFilter);
    const QString path = ChartFileNameFor(chosen, format);
    if (!ConfirmReplace(path)) return QString();
    QString error;
    if (!SaveChartImage(chart, path, format, &error)) {
        ShowError(error.toStdString());
        return QString();
    }
    return path;
}

void M1Click(ChartPanel& chart) {
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/svg+xml"), ChartToSvg(chart));
    QApplication::clipboard()->setMimeData(mime);
}

void B1Click(ChartPanel& chart) { QApplication::clipboard()->setImage(ChartToImage(chart)); }

void RenderChartOnPage(ChartPanel& chart, QCPPainter& painter, const QRect& page) {
    const QRect target(page.left() + page.width() * ChartPanel::kPrintMarginLeft / 100,
                       page.top() + page.height() * ChartPanel::kPrintMarginTop / 100,
                       page.width() * (100 - ChartPanel::kPrintMarginLeft - ChartPanel::kPrintMarginRight) / 100,
                       page.height() * (100 - ChartPanel::kPrintMarginTop - ChartPanel::kPrintMarginBottom) / 100);
    if (target.width() <= 0 || target.height() <= 0) return;
    // The chart is laid out again for the shape of the printed area, at a
    // scale that keeps its fonts in proportion to its on-screen width.
    const int logicalWidth = ScreenSize(chart).width();
    const double scale = double(target.width()) / logicalWidth;
    const int logicalHeight = qMax(1, qRound(target.height() / scale));
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    painter.setClipRect(QRect(0, 0, logicalWidth, logicalHeight));
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    chart.toPainter(&painter, logicalWidth, logicalHeight);
    painter.restore();
}

bool PrintChart(ChartPanel& chart, QPrinter& printer) {
    QCPPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    // The margins are taken from the whole sheet, not from the printable area.
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect printable = printer.pageRect(QPrinter::DevicePixel).toRect();
    painter.translate(-printable.left(), -printable.top());
    RenderChartOnPage(chart, painter, paper);
    return painter.end();
}

void Print1Click(QWidget* parent, ChartPanel& chart) {
    Q_UNUSED(parent);
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        ShowError("プリンタが設定されていないため、印刷できません。");
        return;
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    printer.setFullPage(false);
    if (!PrintChart(chart, printer)) ShowError("印刷を開始できませんでした。");
}

void PrintPreview1Click(QWidget* parent, ChartPanel& chart) {
    QPrinter printer(QPrinter::HighResolution);
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (!defaultPrinter.isNull()) printer.setPrinterName(defaultPrinter.printerName());
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&chart](QPrinter* target) { PrintChart(chart, *target); });
    preview.exec();
}

}  // namespace kurvex::gui
