#pragma once

// The chart as a picture: files, clipboard, printer and print preview.
// Vector output draws every text as glyph outlines (SVG) or with the glyphs
// embedded (PDF), so that Japanese titles stay readable on a machine
// without the chart's fonts.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>

class QCPPainter;
class QPrinter;
class QRect;
class QWidget;

namespace kurvex::gui {

class ChartPanel;

enum class ChartImageFormat { Svg = 0, Png = 1, Bmp = 2, Pdf = 3 };

// The filter list of the save dialog, in dialog order.
QStringList ChartSaveFilters();
// The format a filter of that list stands for (SVG for an unknown text).
ChartImageFormat FormatOfFilter(const QString& filter);
// ".svg", ".png", ".bmp" or ".pdf".
QString ExtensionOf(ChartImageFormat format);
// The chosen name with the extension of the format, replacing any other.
QString ChartFileNameFor(const QString& chosenName, ChartImageFormat format);
// The proposed name for a data file: same folder, no extension; empty when
// there is no data file.
QString ProposedChartFileName(const QString& dataFilePath);

// The whole chart at its on-screen size. False with a message text on
// failure; an existing file is replaced only by a complete new one.
bool SaveChartImage(ChartPanel& chart, const QString& path, ChartImageFormat format, QString* error = nullptr);
QByteArray ChartToSvg(ChartPanel& chart);
QImage ChartToImage(ChartPanel& chart);

// "グラフ画面の保存(&G)": the save dialog with the proposed name, then the
// file. Returns the written path, or an empty text when cancelled or failed
// (a failure has been reported).
QString G2Click(QWidget* parent, ChartPanel& chart, const QString& dataFilePath);

// The save dialog goes through this hook so tests can answer it. Arguments:
// parent, proposed name, filter list; the hook sets the chosen filter and
// returns the chosen name (empty for Cancel). An empty hook restores the
// real dialog.
using ChartSaveDialogHook =
    std::function<QString(QWidget*, const QString&, const QStringList&, QString* selectedFilter)>;
void SetChartSaveDialogHook(ChartSaveDialogHook hook);

// "メタファイル(&M)" and "ビットマップファイル(&B)" of "画面コピー(&C)".
void M1Click(ChartPanel& chart);
void B1Click(ChartPanel& chart);

// Draws the chart on a page inside the print margins (left, top, right,
// bottom in percent of the page).
void RenderChartOnPage(ChartPanel& chart, QCPPainter& painter, const QRect& page);
// Prints one page; false when the printer could not be started.
bool PrintChart(ChartPanel& chart, QPrinter& printer);
// "印刷(&P)": the default printer, or a message when there is none.
void Print1Click(QWidget* parent, ChartPanel& chart);
// "印刷プレビュー(&V)": the print preview window, owned by `parent`.
void PrintPreview1Click(QWidget* parent, ChartPanel& chart);

}  // namespace kurvex::gui
