#include "core/data/DataTableBlock.h"

#include "core/data/DataTable.h"

namespace kurvex {

namespace {

bool NeedsQuotes(std::string_view cell, char separator) {
    return cell.find_first_of(std::string{separator, '\n', '\r'}) != std::string_view::npos ||
           (!cell.empty() && cell.front() == '"') || (separator == ',' && cell.find('"') != std::string_view::npos);
}

void AppendCell(std::string& out, std::string_view cell, char separator) {
    if (!NeedsQuotes(cell, separator)) {
        out += cell;
        return;
    }
    out += '"';
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string BlockText(const DataTable& table, int firstColumn, int firstRow, int lastColumn, int lastRow,
                      char separator) {
    std::string out;
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            if (c > firstColumn) out += separator;
            AppendCell(out, table.DataCell(c, r), separator);
        }
        out += '\n';
    }
    return out;
}

CellBlock ParseCellBlock(std::string_view text) {
    const char separator = text.find('\t') != std::string_view::npos ? '\t' : ',';
    CellBlock block;
    if (text.empty()) return block;
    std::vector<std::string> row;
    std::string cell;
    std::size_t i = 0;
    auto endLine = [&] {
        row.push_back(std::move(cell));
        cell.clear();
        block.push_back(std::move(row));
        row.clear();
    };
    while (i < text.size()) {
        if (cell.empty() && text[i] == '"') {
            // A quoted cell: up to the quote that is not doubled.
            for (++i; i < text.size(); ++i) {
                if (text[i] != '"') {
                    cell += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            continue;
        }
        const char c = text[i++];
        if (c == separator) {
            row.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
            endLine();
            if (i == text.size()) return block;  // the last line break ends the block
        } else {
            cell += c;
        }
    }
    endLine();
    return block;
}

}  // namespace kurvex
