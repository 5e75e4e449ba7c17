#pragma once
// The data table: text cells addressed by column c and row r (both from 0).
// Row 0 holds the column labels "A0", "A1", ...; column 0 holds the row
// numbers. Labels and row numbers are derived from the position, so they are
// never stored and always stay tied to it. Data cells (c >= 1, r >= 1) are
// stored one row at a time in a single string with field offsets, so a large
// file costs a few bytes per cell, not an object per cell.
//
// A file of more than 1000 lines may be kept in streaming mode: the table then
// holds only the first 1001 lines (for display) and is not editable; data
// rows are read from the file itself by the row scan.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/data/RowTexts.h"

namespace kurvex {

enum class ReadMode { Table, Streaming };

// The number of lines a file may have before the large-file question is asked.
inline constexpr long long kLargeFileLineLimit = 1000;
extern const char* const kLargeFileQuestion;
extern const char* const kFixedColumnsMessage;  // "固定列が設定できません。"
extern const char* const kFixedRowsMessage;     // "固定行が設定できません。"

// The label of column c: "A" + c.
std::string ColumnLabel(int column);

class DataTable {
public:
    // A reset table of 3 columns (A0..A2) and 2 rows, table mode.
    DataTable();
    DataTable(const DataTable& other);  // copies everything but a running row scan
    DataTable& operator=(const DataTable& other);
    DataTable(DataTable&&) noexcept;
    DataTable& operator=(DataTable&&) noexcept;
    ~DataTable();

    // --- size and cells ---------------------------------------------------
    int ColumnCount() const { return columnCount_; }  // including column 0
    int RowCount() const { return rowCount_; }        // including row 0
    int DataColumnCount() const { return columnCount_ - 1; }
    int DataRowCount() const { return rowCount_ - 1; }

    // Any cell: the label in row 0, the row number in column 0, otherwise the
    // data text (empty outside the table).
    std::string Cell(int column, int row) const;
    // A data cell (column >= 1, row >= 1); empty outside the stored part.
    // The view is valid until the table changes.
    std::string_view DataCell(int column, int row) const;
    // Sets a data cell; labels, row numbers and cells outside the table are
    // not stored (ignored).
    void SetCell(int column, int row, std::string_view text);

    // New size; cells that come into the table are empty, cells that leave it are dropped.
    // At least 1 column and 1 row.
    void SetSize(int columns, int rows);
    // Empties every data cell and sets the size (the new-table command, the start of a load).
    void Reset(int columns, int rows);

    // Row and column commands of the table's pop-up menu (data cells only;
    // labels and row numbers stay with their positions).
    void InsertRowAfter(int row);  // an empty row at row + 1
    void DeleteRow(int row);       // row >= 1
    void InsertColumnAfter(int column);
    void DeleteColumn(int column);  // column >= 1
    // The data cells of column `from` go to column `to` (both >= 1), the
    // columns between shift by one; labels stay with their positions.
    void MoveColumn(int from, int to);

    // --- fixed rows and columns (the label row / number column included) --
    int FixedRows() const { return fixedRows_; }        // >= 1
    int FixedColumns() const { return fixedColumns_; }  // >= 1
    // k fixed data rows (k + 1 fixed rows). When the table has fewer than
    // k + 1 rows, shows kFixedRowsMessage as an error and keeps the setting.
    bool SetFixedDataRows(int k);
    bool SetFixedDataColumns(int k);

    // --- file --------------------------------------------------------------
    const std::filesystem::path& CurrentFile() const { return currentFile_; }
    void SetCurrentFile(const std::filesystem::path& path) { currentFile_ = path; }
    ReadMode Mode() const { return mode_; }
    void SetMode(ReadMode mode) { mode_ = mode; }  // the window's "save? No" returns to table mode
    bool Editable() const { return mode_ == ReadMode::Table; }
    long long LineCount() const { return lineCount_; }  // lines of the file at the last load
    // True when the last loaded file was not UTF-8 and was read as CP932.
    bool FileIsCp932() const { return fileIsCp932_; }

    // Fills the table from a comma-separated file (UTF-8, or CP932 when it is
    // not valid UTF-8; a byte-order mark is dropped). After line 1001 the
    // large-file question is asked once through AskYesNo; Yes (streaming
    // mode) keeps only the first 1001 lines, No reads every line into the
    // table. A file that cannot be read shows an error and leaves the table
    // (and the current file) as it was; returns false then.
    bool LoadFile(const std::filesystem::path& path);

    // Writes data rows 1..R, columns 1..C joined by commas (no quoting), one
    // line each, ended by "\n", as UTF-8; whole or not at all. On failure
    // shows an error and returns false. Does not change the current file.
    bool SaveTable(const std::filesystem::path& path) const;
    // The text SaveTable writes.
    std::string TableText() const;

    // --- rows for the data set ---------------------------------------------
    // Number of data rows the selection counts with: the table's data rows in
    // table mode, the file's line count in streaming mode.
    long long SourceRowCount() const;

    // Row scan: rows in strictly increasing order between BeginRowScan and
    // EndRowScan. In streaming mode the file is read once, front to back; a
    // row at or behind the cursor is never found (empty texts). Returns false
    // (message shown) when the file cannot be opened.
    bool BeginRowScan();
    // out[0] = row number in decimal, out[1..C] = the cells of data columns
    // 1..C of source row `row` (empty beyond the table or the file).
    void ReadRowCells(long long row, RowTexts& out);
    // The same for data columns 1..columns only (at most C): a scan that
    // needs a few leading columns of a wide file does not cut the rest.
    void ReadRowCells(long long row, RowTexts& out, int columns);
    // The same texts as views, without copying the cells (see RowTextViews).
    void ReadRowCells(long long row, RowTextViews& out, int columns);
    void EndRowScan();

private:
    struct StoredRow {
        // One uint32 end offset per stored cell, then the cell texts back to back.
        std::string bytes;
        std::uint32_t count = 0;  // number of stored cells (columns 1..count)
    };
    static std::string_view StoredCell(const StoredRow& row, std::size_t index);  // index 0 = column 1
    static void AssignCells(StoredRow& row, const RowTexts& cells, std::size_t first, std::size_t count);
    StoredRow* MutableRow(int row);
    // Streaming mode: the line of source row `row` as the cells are cut from
    // it (byte-order mark dropped, CP932 decoded into `decoded`); false when
    // the row is not found.
    bool ScanLine(long long row, std::string& decoded, std::string_view& line);
    friend class DataTableLoader;

    int columnCount_ = 3;
    int rowCount_ = 2;
    int fixedRows_ = 1;
    int fixedColumns_ = 1;
    std::vector<StoredRow> rows_;  // rows_[r - 1] for data row r; may be shorter than the table
    std::filesystem::path currentFile_;
    ReadMode mode_ = ReadMode::Table;
    long long lineCount_ = 0;
    bool fileIsCp932_ = false;

    struct Scan;
    std::unique_ptr<Scan> scan_;
};

}  // namespace kurvex
