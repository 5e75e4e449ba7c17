#pragma once
// Blocks of cells as the clipboard carries them between the data table and
// spreadsheets: tab-separated (what spreadsheets copy) or comma-separated
// text, one line per row, with double quotes around a cell that holds a
// separator, a quote or a line break.
#include <string>
#include <string_view>
#include <vector>

namespace kurvex {

class DataTable;

// Rows of cell texts; rows may differ in length.
using CellBlock = std::vector<std::vector<std::string>>;

// Columns first..last and rows first..last (data cells, from 1) as text
// separated by `separator` ('\t' or ','), every line ended by "\n".
std::string BlockText(const DataTable& table, int firstColumn, int firstRow, int lastColumn, int lastRow,
                      char separator);

// A pasted text cut into cells: separated by tabs when the text holds a tab,
// otherwise by commas. Lines end with LF, CR LF or CR; a last line break
// ends the block, while an empty line inside it is a row of one empty cell.
// A cell that begins with a double quote runs to its closing quote ("" inside
// stands for one quote) and may hold separators and line breaks.
CellBlock ParseCellBlock(std::string_view text);

}  // namespace kurvex
