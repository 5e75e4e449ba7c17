#include "gui/app/FitReportPage.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/regression/FitReport.h"
#include "core/tools/ReportTables.h"

namespace kurvex::gui {
namespace {

QTableWidget* NewGrid(QWidget* parent, const char* objectName) {
    auto* grid = new QTableWidget(parent);
    grid->setObjectName(QLatin1String(objectName));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->horizontalHeader()->setDefaultSectionSize(96);
    return grid;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

void Fill(QTableWidget* grid, const ReportTable& table) {
    grid->clear();
    grid->setColumnCount(static_cast<int>(table.header.size()));
    QStringList header;
    for (const auto& caption : table.header) header << Q(caption);
    grid->setHorizontalHeaderLabels(header);
    grid->setRowCount(static_cast<int>(table.rows.size()));
    for (int r = 0; r < grid->rowCount(); ++r) {
        const auto& row = table.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.size()) && c < grid->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(Q(row[static_cast<std::size_t>(c)]));
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, item);
        }
    }
}

}  // namespace

FitReportPage::FitReportPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheetDetail"));
    auto* layout = new QVBoxLayout(this);
    GridCoefficientTests = NewGrid(this, "GridCoefficientTests");
    GridCorrelation = NewGrid(this, "GridCorrelation");
    GridGoodnessOfFit = NewGrid(this, "GridGoodnessOfFit");
    GridGoodnessOfFit->horizontalHeader()->setDefaultSectionSize(150);
    layout->addWidget(new QLabel(QStringLiteral("係数の検定"), this));
    layout->addWidget(GridCoefficientTests, 2);
    layout->addWidget(new QLabel(QStringLiteral("係数の相関行列"), this));
    layout->addWidget(GridCorrelation, 2);
    layout->addWidget(new QLabel(QStringLiteral("適合度と情報量規準"), this));
    layout->addWidget(GridGoodnessOfFit, 3);
    ButtonCopyResults = new QPushButton(QStringLiteral("結果をコピー"), this);
    ButtonCopyResults->setObjectName(QStringLiteral("ButtonCopyResults"));
    ButtonCopyResults->setToolTip(
        QStringLiteral("結果１・結果２・詳細統計の表をタブ区切りでクリップボードにコピーします"));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ButtonCopyResults);
    layout->addLayout(row);
    connect(ButtonCopyResults, &QPushButton::clicked, this, &FitReportPage::ButtonCopyResultsClick);
}

void FitReportPage::ShowReport(const TFitState& state, bool current) {
    auto detail = DetailTables(state, ComputeFitReport(state));
    if (!current)
        for (auto& table : detail) table.rows.clear();
    Fill(GridCoefficientTests, detail[0]);
    Fill(GridCorrelation, detail[1]);
    Fill(GridGoodnessOfFit, detail[2]);
    auto tables = ResultPageTables(state);
    tables.insert(tables.end(), detail.begin(), detail.end());
    tablesText_ = current ? Q(TablesAsTabText(tables)) : QString();
    ButtonCopyResults->setEnabled(current);
}

void FitReportPage::ButtonCopyResultsClick() { QApplication::clipboard()->setText(tablesText_); }

}  // namespace kurvex::gui
