#include "core/data/DataOutput.h"

#include <algorithm>

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/common/NumberFormat.h"

namespace kurvex {

const char* const kOverwriteQuestion = "同名のファイルが存在します。\n上書きしてよろしいですか。";
const char* const kSavedMessage = "保存しました。";
const char* const kDataFileChangedMessage = "データファイルが読込み後に変更されています。\nもう一度読み込んで下さい。";

namespace {

constexpr int kUsedDataDigits = 7;
constexpr int kCurveDigits = 5;

// Cells 1..C of a table row joined by commas.
void AppendTableRow(const DataTable& table, int row, int C, std::string& line) {
    for (int c = 1; c <= C; ++c) {
        if (c > 1) line += ',';
        line += row == 0 ? table.Cell(c, 0) : std::string(table.DataCell(c, row));
    }
}

}  // namespace

bool UsedDataText(const PreparedSelection& s, DataTable& table, UsedDataOptions options, std::string& text) {
    text.clear();
    const bool weighted = s.weightColumn > 0;
    std::string variableHeader;
    if (options.variables) {
        variableHeader = "Y";
        for (int i = 1; i <= s.n; ++i) variableHeader += ",X" + std::to_string(i);
        if (weighted) variableHeader += ",W";
    }
    const int V = s.n + 1 + (weighted ? 1 : 0);

    if (!options.sourceData) {
        if (options.variables) text += variableHeader + "\n";
    } else {
        // Fixed data rows are header lines; with none, the labels stand in for them.
        const int fixedRows = std::min(table.FixedRows(), table.RowCount());
        const int firstHeaderRow = fixedRows > 1 ? 1 : 0;
        const int lastHeaderRow = fixedRows > 1 ? fixedRows - 1 : 0;
        for (int r = firstHeaderRow; r <= lastHeaderRow; ++r) {
            std::string line;
            if (options.variables) line = r == firstHeaderRow ? variableHeader + "," : std::string(V, ',');
            AppendTableRow(table, r, s.C, line);
            text += line + "\n";
        }
    }

    if (!table.BeginRowScan()) return false;
    const RowReader reader(s);
    DataRow row;
    for (long long k = 1; k <= s.candidateCount; ++k) {
        reader.Read(table, k, row);
        if (!row.valid) continue;
        std::string line;
        if (options.variables) {
            line += FormatNumber(row.y, kUsedDataDigits);
            for (const double xi : row.x) line += "," + FormatNumber(xi, kUsedDataDigits);
            if (weighted) line += "," + FormatNumber(row.w, kUsedDataDigits);
        }
        if (options.sourceData) {
            for (int c = 1; c <= s.C; ++c) {
                if (!line.empty() || c > 1) line += ',';
                line.append(row.texts[c]);
            }
        }
        text += line;
        text += '\n';
    }
    table.EndRowScan();
    return true;
}

std::filesystem::path UsedDataPath(std::filesystem::path chosen) { return chosen.replace_extension(".csv"); }
std::filesystem::path CurvePath(std::filesystem::path chosen) { return chosen.replace_extension(".CSV"); }

std::optional<FileStamp> StampOfFile(const std::filesystem::path& path) {
    std::error_code ec;
    FileStamp stamp;
    stamp.size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    stamp.modified = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return stamp;
}

bool DataFileUnchanged(const DataTable& table, const FileStamp* stamp) {
    if (table.Mode() != ReadMode::Streaming || stamp == nullptr) return true;
    const std::optional<FileStamp> now = StampOfFile(table.CurrentFile());
    if (now && *now == *stamp) return true;
    ShowError(kDataFileChangedMessage);
    return false;
}

bool SaveUsedData(const std::filesystem::path& path, const PreparedSelection& selection, DataTable& table,
                  UsedDataOptions options, const FileStamp* stamp) {
    if (!options.variables && !options.sourceData) return false;
    if (!DataFileUnchanged(table, stamp)) return false;
    std::string text;
    if (!UsedDataText(selection, table, options, text)) return false;
    if (!DataFileUnchanged(table, stamp)) return false;  // rewritten while it was read
    if (!WriteFileOrReport(path, text)) return false;
    Messages().Show(MessageKind::Confirmation, kSavedMessage, MessageButtons::Ok);
    return true;
}

std::string CurveText(const std::string& xTitle, const std::string& yTitle, std::span<const double> xs,
                      std::span<const double> ys) {
    std::string text = xTitle + "," + yTitle + "\n";
    const std::size_t count = std::min(xs.size(), ys.size());
    for (std::size_t i = 0; i < count; ++i)
        text += FormatNumber(xs[i], kCurveDigits) + "," + FormatNumber(ys[i], kCurveDigits) + "\n";
    return text;
}

bool SaveCurve(const std::filesystem::path& path, const std::string& xTitle, const std::string& yTitle,
               std::span<const double> xs, std::span<const double> ys) {
    return WriteFileOrReport(path, CurveText(xTitle, yTitle, xs, ys));
}

}  // namespace kurvex
