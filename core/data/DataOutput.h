#pragma once
// Files written from the analysis: the used data (the transformed variables
// and/or the source cells of the rows the data set uses) and the points of a
// drawn curve.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "core/data/DataTable.h"
#include "core/data/Selection.h"

namespace kurvex {

extern const char* const kOverwriteQuestion;  // "同名のファイルが存在します。\n上書きしてよろしいですか。"
extern const char* const kSavedMessage;  // "保存しました。"

extern const char* const kDataFileChangedMessage;  // the data file was rewritten after the data set was read

// What a data file looked like when a data set was read from it; a file
// rewritten since differs in size or modification time.
struct FileStamp {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
    bool operator==(const FileStamp&) const = default;
};
// The stamp of a file, or nullopt when there is no such file.
std::optional<FileStamp> StampOfFile(const std::filesystem::path& path);
// A streamed table reads its rows from the file again: true when the table
// is not streamed, there is no stamp, or the file still matches it; otherwise
// shows kDataFileChangedMessage (error) and returns false, so that no output
// mixes new lines with the data set that was read before.
bool DataFileUnchanged(const DataTable& table, const FileStamp* stamp);

struct UsedDataOptions {
    bool variables = false;   // CheckBoxSaveXYData: Y, X1..Xn and W
    bool sourceData = false;  // CheckBoxSaveSourceData: the cells of the used rows
};

// The used-data file text. Header: "Y,X1..Xn[,W]" with variables; with source
// data the table's fixed data rows (or the label row when only it is fixed)
// follow, the first beside the variable header, the others after one comma
// per variable column. Then one line per valid candidate row: the values in 7
// significant digits, then the cells as read. Runs one row scan. Returns
// false when the data file cannot be read again (message shown).
bool UsedDataText(const PreparedSelection& selection, DataTable& table, UsedDataOptions options, std::string& text);

// The name the used-data file gets: the chosen name with the extension ".csv".
std::filesystem::path UsedDataPath(std::filesystem::path chosen);

// Writes the used-data file whole or not at all and reports kSavedMessage
// (confirmation, OK). Nothing happens unless at least one option is ticked.
// No overwrite question here: the GUI's save dialog asks kOverwriteQuestion. Shows an error on failure.
// `stamp` is the data file as the data set was read from it (see DataFileUnchanged).
bool SaveUsedData(const std::filesystem::path& path, const PreparedSelection& selection, DataTable& table,
                  UsedDataOptions options, const FileStamp* stamp = nullptr);

// The curve file text: the axis titles line "x title,y title", then one line
// "x,y" per point in 5 significant digits.
std::string CurveText(const std::string& xTitle, const std::string& yTitle, std::span<const double> xs,
                      std::span<const double> ys);
// The name a curve file gets: the chosen name with the extension ".CSV".
std::filesystem::path CurvePath(std::filesystem::path chosen);
// Writes the curve file (replacing it without a question), whole or not at all;
// shows an error and returns false on failure.
bool SaveCurve(const std::filesystem::path& path, const std::string& xTitle, const std::string& yTitle,
               std::span<const double> xs, std::span<const double> ys);

}  // namespace kurvex
