#pragma once
// How one line of a comma-separated file is cut into fields: split at every
// comma, drop every double-quote character. Quotes do not protect commas, so
// "1,"2,5",3" has the four fields 1, 2, 5 and 3.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kurvex {

// Number of fields of a line: one more than its commas (an empty line has one).
std::size_t CountFields(std::string_view line);

class RowTexts;
// Appends fields 1..count of the line to `out` (missing ones empty).
void AppendFields(std::string_view line, std::size_t count, RowTexts& out);
// The same fields as views into the line, appended to `out`; a field with
// double quotes is copied without them into `unquoted` (cleared first), and
// its view points there.
void AppendFieldViews(std::string_view line, std::size_t count, std::vector<std::string_view>& out,
                      std::string& unquoted);
// Every field of the line, without their quotes.
std::vector<std::string> SplitFields(std::string_view line);

}  // namespace kurvex
