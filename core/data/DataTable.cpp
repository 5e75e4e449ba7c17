#include "core/data/DataTable.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/common/FileIo.h"
#include "core/common/MessageSink.h"
#include "core/common/TextConverter.h"
#include "core/common/TextDecode.h"
#include "core/data/FieldRule.h"
#include "core/data/LineReader.h"

namespace kurvex {

const char* const kLargeFileQuestion =
    "1000行を超える大きいファイルです。\nデータを編集するためには大きなメモリーが必要です。\n編集を行わなくてよろしいで"
    "すか。";
const char* const kFixedColumnsMessage = "固定列が設定できません。";
const char* const kFixedRowsMessage = "固定行が設定できません。";

namespace {

const char* const kReadFailedMessage = "ファイルを読み込めません。\n";

// Eight bytes at a time: most data lines are plain ASCII.
bool IsAscii(std::string_view line) {
    std::size_t i = 0;
    std::uint64_t bits = 0;
    for (; i + 8 <= line.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, line.data() + i, 8);
        bits |= word;
    }
    for (; i < line.size(); ++i) bits |= static_cast<unsigned char>(line[i]);
    return (bits & 0x8080808080808080ULL) == 0;
}

std::string_view DropByteOrderMark(std::string_view line) {
    if (line.size() >= 3 && std::memcmp(line.data(), "\xEF\xBB\xBF", 3) == 0) line.remove_prefix(3);
    return line;
}

}  // namespace

std::string ColumnLabel(int column) { return "A" + std::to_string(column); }

// ---------------------------------------------------------------------------
// Stored rows: [count x uint32 end offsets][cell texts back to back].

std::string_view DataTable::StoredCell(const StoredRow& row, std::size_t index) {
    if (index >= row.count) return {};
    const char* base = row.bytes.data();
    std::uint32_t end;
    std::memcpy(&end, base + 4 * index, 4);
    std::uint32_t begin = 0;
    if (index > 0) std::memcpy(&begin, base + 4 * (index - 1), 4);
    return std::string_view(base + 4 * std::size_t(row.count) + begin, end - begin);
}

void DataTable::AssignCells(StoredRow& row, const RowTexts& cells, std::size_t first, std::size_t count) {
    // Trailing empty cells are not stored: they read as empty anyway.
    while (count > 0 && cells[first + count - 1].empty()) --count;
    std::size_t textSize = 0;
    for (std::size_t i = 0; i < count; ++i) textSize += cells[first + i].size();
    std::string bytes(4 * count + textSize, '\0');
    std::uint32_t end = 0;
    char* text = bytes.data() + 4 * count;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view cell = cells[first + i];
        std::memcpy(text + end, cell.data(), cell.size());
        end += static_cast<std::uint32_t>(cell.size());
        std::memcpy(bytes.data() + 4 * i, &end, 4);
    }
    row.bytes = std::move(bytes);
    row.count = static_cast<std::uint32_t>(count);
}

DataTable::StoredRow* DataTable::MutableRow(int row) {
    if (row < 1 || row >= rowCount_) return nullptr;
    if (static_cast<std::size_t>(row) > rows_.size()) rows_.resize(row);
    return &rows_[row - 1];
}

// ---------------------------------------------------------------------------

struct DataTable::Scan {
    LineReader reader;
    long long cursor = 0;  // lines consumed so far
    bool exhausted = false;
    Cp932Decoder decoder;
};

DataTable::DataTable() = default;
DataTable::~DataTable() = default;
DataTable::DataTable(DataTable&&) noexcept = default;
DataTable& DataTable::operator=(DataTable&&) noexcept = default;

DataTable::DataTable(const DataTable& other)
    : columnCount_(other.columnCount_),
      rowCount_(other.rowCount_),
      fixedRows_(other.fixedRows_),
      fixedColumns_(other.fixedColumns_),
      rows_(other.rows_),
      currentFile_(other.currentFile_),
      mode_(other.mode_),
      lineCount_(other.lineCount_),
      fileIsCp932_(other.fileIsCp932_) {}

DataTable& DataTable::operator=(const DataTable& other) {
    if (this != &other) {
        DataTable copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::string DataTable::Cell(int column, int row) const {
    if (column < 0 || row < 0 || column >= columnCount_ || row >= rowCount_) return {};
    if (row == 0) return ColumnLabel(column);
    if (column == 0) return std::to_string(row);
    return std::string(DataCell(column, row));
}

std::string_view DataTable::DataCell(int column, int row) const {
    if (column < 1 || row < 1 || column >= columnCount_ || row >= rowCount_) return {};
    if (static_cast<std::size_t>(row) > rows_.size()) return {};
    return StoredCell(rows_[row - 1], column - 1);
}

void DataTable::SetCell(int column, int row, std::string_view text) {
    if (column < 1 || column >= columnCount_) return;
    StoredRow* stored = MutableRow(row);
    if (stored == nullptr) return;
    if (text.empty() && static_cast<std::size_t>(column) > stored->count) return;
    RowTexts cells;
    const std::size_t count = std::max<std::size_t>(stored->count, column);
    for (std::size_t i = 0; i < count; ++i)
        cells.Append(i + 1 == static_cast<std::size_t>(column) ? text : StoredCell(*stored, i));
    AssignCells(*stored, cells, 0, count);
}

void DataTable::SetSize(int columns, int rows) {
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    if (static_cast<std::size_t>(rows - 1) < rows_.size()) rows_.resize(rows - 1);
    if (columns < columnCount_) {
        const std::size_t keep = columns - 1;
        RowTexts cells;
        for (StoredRow& row : rows_) {
            if (row.count <= keep) continue;
            cells.Clear();
            for (std::size_t i = 0; i < keep; ++i) cells.Append(StoredCell(row, i));
            AssignCells(row, cells, 0, keep);
        }
    }
    columnCount_ = columns;
    rowCount_ = rows;
}

void DataTable::Reset(int columns, int rows) {
    rows_.clear();
    rows_.shrink_to_fit();
    columnCount_ = std::max(columns, 1);
    rowCount_ = std::max(rows, 1);
}

void DataTable::InsertRowAfter(int row) {
    row = std::clamp(row, 0, rowCount_ - 1);
    ++rowCount_;
    if (static_cast<std::size_t>(row) < rows_.size()) rows_.insert(rows_.begin() + row, StoredRow{});
}

void DataTable::DeleteRow(int row) {
    if (row < 1 || row >= rowCount_) return;
    if (static_cast<std::size_t>(row) <= rows_.size()) rows_.erase(rows_.begin() + (row - 1));
    --rowCount_;
    fixedRows_ = std::min(fixedRows_, rowCount_);
}

void DataTable::InsertColumnAfter(int column) {
    column = std::clamp(column, 0, columnCount_ - 1);
    ++columnCount_;
    RowTexts cells;
    for (StoredRow& row : rows_) {
        if (row.count <= static_cast<std::uint32_t>(column)) continue;
        cells.Clear();
        for (std::size_t i = 0; i < row.count; ++i) {
            if (i == static_cast<std::size_t>(column)) cells.Append({});
            cells.Append(StoredCell(row, i));
        }
        AssignCells(row, cells, 0, cells.Size());
    }
}

void DataTable::DeleteColumn(int column) {
    if (column < 1 || column >= columnCount_) return;
    --columnCount_;
    RowTexts cells;
    for (StoredRow& row : rows_) {
        if (row.count < static_cast<std::uint32_t>(column)) continue;
        cells.Clear();
        for (std::size_t i = 0; i < row.count; ++i)
            if (i + 1 != static_cast<std::size_t>(column)) cells.Append(StoredCell(row, i));
        AssignCells(row, cells, 0, cells.Size());
    }
    fixedColumns_ = std::min(fixedColumns_, columnCount_);
}

void DataTable::MoveColumn(int from, int to) {
    if (from < 1 || to < 1 || from >= columnCount_ || to >= columnCount_ || from == to) return;
    const std::size_t reach = static_cast<std::size_t>(std::max(from, to));
    std::vector<std::string> cells;
    RowTexts moved;
    for (StoredRow& row : rows_) {
        if (row.count < static_cast<std::uint32_t>(std::min(from, to))) continue;  // nothing in the range
        cells.clear();
        for (std::size_t i = 0; i < std::max<std::size_t>(row.count, reach); ++i)
            cells.emplace_back(StoredCell(row, i));
        const std::string cell = std::move(cells[from - 1]);
        cells.erase(cells.begin() + (from - 1));
        cells.insert(cells.begin() + (to - 1), cell);
        moved.Clear();
        for (const std::string& text : cells) moved.Append(text);
        AssignCells(row, moved, 0, moved.Size());
    }
}

bool DataTable::SetFixedDataRows(int k) {
    if (k < 0 || rowCount_ < k + 1) {
        ShowError(kFixedRowsMessage);
        return false;
    }
    fixedRows_ = k + 1;
    return true;
}

bool DataTable::SetFixedDataColumns(int k) {
    if (k < 0 || columnCount_ < k + 1) {
        ShowError(kFixedColumnsMessage);
        return false;
    }
    fixedColumns_ = k + 1;
    return true;
}

// ---------------------------------------------------------------------------
// Loading

class DataTableLoader {
public:
    // Reads the whole file into `table` (a fresh one); false with `error` set on failure.
    static bool Load(const std::filesystem::path& path, DataTable& table, std::string& error) {
        LineReader reader;
        if (!reader.Open(path, &error)) return false;
        table.Reset(3, 2);
        table.currentFile_ = path;
        table.mode_ = ReadMode::Table;

        bool validUtf8 = true;
        bool asked = false;
        long long lineNumber = 0;
        RowTexts cells;
        std::string_view line;
        while (reader.Next(line)) {
            ++lineNumber;
            if (lineNumber == 1) line = DropByteOrderMark(line);
            if (validUtf8 && !IsAscii(line) && !IsValidUtf8(line)) validUtf8 = false;
            if (table.mode_ == ReadMode::Table) {
                if (lineNumber >= std::numeric_limits<int>::max() - 1) {
                    error = path.string() + ": too many lines for the table";
                    return false;
                }
                const std::size_t fields = CountFields(line);
                if (fields + 1 > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
                    error = path.string() + ": too many fields";
                    return false;
                }
                const int row = static_cast<int>(lineNumber);
                table.columnCount_ = std::max(table.columnCount_, static_cast<int>(fields) + 1);
                table.rowCount_ = std::max(table.rowCount_, row + 1);
                cells.Clear();
                AppendFields(line, fields, cells);
                if (table.rows_.size() < static_cast<std::size_t>(row)) table.rows_.resize(row);
                DataTable::AssignCells(table.rows_[row - 1], cells, 0, fields);
            }
            if (lineNumber == kLargeFileLineLimit + 1 && !asked) {
                asked = true;
                table.mode_ = ReadMode::Streaming;
                // Closing the box counts as Yes: only No asks for the whole file in the table.
                if (Messages().Show(MessageKind::Confirmation, kLargeFileQuestion, MessageButtons::YesNo) ==
                    MessageAnswer::No)
                    table.mode_ = ReadMode::Table;
                if (table.mode_ == ReadMode::Streaming) {
                    // The rest of the file is only counted and checked, a block at a time
                    // (line breaks are ASCII, so whole lines are valid UTF-8 exactly when
                    // each of them is).
                    lineNumber += reader.SkipRest([&](std::string_view lines) {
                        if (validUtf8 && !IsAscii(lines) && !IsValidUtf8(lines)) validUtf8 = false;
                    });
                }
            }
        }
        if (reader.Failed()) {
            error = reader.ErrorText();
            return false;
        }
        table.lineCount_ = lineNumber;
        table.fileIsCp932_ = !validUtf8;
        if (!validUtf8) DecodeCells(table);
        return true;
    }

private:
    // Commas and double quotes are never part of a CP932 character, so the
    // cells were cut correctly before decoding.
    static void DecodeCells(DataTable& table) {
        Cp932Decoder decoder;
        RowTexts cells;
        std::vector<std::string> decoded;
        for (DataTable::StoredRow& row : table.rows_) {
            cells.Clear();
            for (std::size_t i = 0; i < row.count; ++i) cells.Append(decoder.Decode(DataTable::StoredCell(row, i)));
            DataTable::AssignCells(row, cells, 0, cells.Size());
        }
    }
};

bool DataTable::LoadFile(const std::filesystem::path& path) {
    DataTable loaded;
    loaded.fixedRows_ = fixedRows_;
    loaded.fixedColumns_ = fixedColumns_;
    std::string error;
    if (!DataTableLoader::Load(path, loaded, error)) {
        ShowError(kReadFailedMessage + error);
        return false;
    }
    EndRowScan();
    *this = std::move(loaded);
    return true;
}

// ---------------------------------------------------------------------------
// Saving

std::string DataTable::TableText() const {
    std::string text;
    const int columns = DataColumnCount();
    for (int r = 1; r < rowCount_; ++r) {
        for (int c = 1; c <= columns; ++c) {
            if (c > 1) text += ',';
            text.append(DataCell(c, r));
        }
        text += '\n';
    }
    if (mode_ == ReadMode::Streaming && !currentFile_.empty()) {
        // The table holds only the first lines of the file; the rest is
        // copied from the file so that saving never cuts it short.
        LineReader reader;
        if (reader.Open(currentFile_)) {
            Cp932Decoder decoder;
            long long lineNumber = 0;
            std::string_view line;
            while (reader.Next(line)) {
                if (++lineNumber < rowCount_) continue;
                if (fileIsCp932_) text += decoder.Decode(line);
                else text.append(line);
                text += '\n';
            }
        }
    }
    return text;
}

bool DataTable::SaveTable(const std::filesystem::path& path) const {
    if (mode_ == ReadMode::Streaming && !currentFile_.empty()) {
        std::string error;
        LineReader probe;
        if (!probe.Open(currentFile_, &error)) {
            ShowError(kFileWriteFailedMessage + error);
            return false;
        }
    }
    return WriteFileOrReport(path, TableText());
}

// ---------------------------------------------------------------------------
// Row scan

long long DataTable::SourceRowCount() const {
    return mode_ == ReadMode::Streaming ? lineCount_ : static_cast<long long>(rowCount_) - 1;
}

bool DataTable::BeginRowScan() {
    scan_.reset();
    if (mode_ != ReadMode::Streaming) return true;
    auto scan = std::make_unique<Scan>();
    std::string error;
    if (!scan->reader.Open(currentFile_, &error)) {
        ShowError(kReadFailedMessage + error);
        return false;
    }
    scan_ = std::move(scan);
    return true;
}

void DataTable::ReadRowCells(long long row, RowTexts& out) { ReadRowCells(row, out, DataColumnCount()); }

bool DataTable::ScanLine(long long row, std::string& decoded, std::string_view& line) {
    if (scan_ == nullptr || scan_->exhausted || row <= scan_->cursor) {
        // A row behind the cursor is never found: the rest of the file is passed over.
        if (scan_ != nullptr) scan_->exhausted = true;
        return false;
    }
    while (scan_->cursor < row) {
        if (!scan_->reader.Next(line)) {
            scan_->exhausted = true;
            return false;
        }
        ++scan_->cursor;
    }
    if (row == 1) line = DropByteOrderMark(line);
    if (fileIsCp932_) {
        decoded = scan_->decoder.Decode(line);
        line = decoded;
    }
    return true;
}

void DataTable::ReadRowCells(long long row, RowTexts& out, int wanted) {
    out.Clear();
    char number[24];
    out.Append(std::string_view(
        number, static_cast<std::size_t>(std::to_chars(number, number + sizeof number, row).ptr - number)));
    const std::size_t columns = static_cast<std::size_t>(std::clamp(wanted, 0, DataColumnCount()));
    if (mode_ != ReadMode::Streaming) {
        for (std::size_t c = 1; c <= columns; ++c)
            out.Append(row < rowCount_ ? DataCell(static_cast<int>(c), static_cast<int>(row)) : std::string_view{});
        return;
    }
    std::string decoded;
    std::string_view line;
    if (!ScanLine(row, decoded, line)) {
        for (std::size_t c = 0; c < columns; ++c) out.Append({});
        return;
    }
    AppendFields(line, columns, out);
}

void DataTable::ReadRowCells(long long row, RowTextViews& out, int wanted) {
    out.texts.clear();
    if (out.withRowNumber)
        out.texts.emplace_back(
            out.number,
            static_cast<std::size_t>(std::to_chars(out.number, out.number + sizeof out.number, row).ptr - out.number));
    else out.texts.emplace_back();
    const std::size_t columns = static_cast<std::size_t>(std::clamp(wanted, 0, DataColumnCount()));
    if (mode_ != ReadMode::Streaming) {
        for (std::size_t c = 1; c <= columns; ++c)
            out.texts.push_back(row < rowCount_ ? DataCell(static_cast<int>(c), static_cast<int>(row))
                                                : std::string_view{});
        return;
    }
    std::string_view line;
    if (!ScanLine(row, out.decoded, line)) {
        out.texts.resize(columns + 1);
        return;
    }
    AppendFieldViews(line, columns, out.texts, out.unquoted);
}

void DataTable::EndRowScan() { scan_.reset(); }

}  // namespace kurvex
