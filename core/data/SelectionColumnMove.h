#pragma once
// When a column of the data table is dragged to another place, the selection
// settings follow it: formulas and column numbers keep meaning the column the
// user sees, while the labels "A1", "A2", ... stay with their positions.
#include <string>
#include <string_view>

#include "core/data/Selection.h"

namespace kurvex {

// The position of data column `column` after the column at `from` moved to
// `to` (both >= 1; the columns between shift by one towards `from`).
int MovedColumnPosition(int column, int from, int to);

// The column names A<c> (any case) of a formula renumbered for that move;
// with `literalsStay`, text between double quotes is left as it is (the
// row condition compares such literals as texts).
std::string FollowMovedColumnNames(std::string_view formula, int from, int to, bool literalsStay);

// The Y, weight and Xi column numbers and the names in the Y and Xi
// transforms and in the condition, all for that move. Texts that are no
// column number stay as typed.
void FollowMovedColumn(SelectionSettings& settings, int from, int to);

}  // namespace kurvex
