// What a cell of a layout column holds: the stored value of the column's table field, or a value
// computed from the whole row (the margins, and the comparison's columns through their source, in
// tenths of a percent as a decimal: 5.3% is 5.3).
// Sorting, filters, the tree's texts and the exports read cells through here, so a computed
// column behaves like a field column everywhere.
#pragma once

#include <string>

#include "grid/grid_layout.h"
#include "table/odds_display.h"
#include "table/odds_table.h"

namespace lintaro::grid {

// What a cell is read from: a table field, or a value computed from the whole row. All that
// ColumnValue needs of a column, so a reader without a layout column (the worksheet export) names
// the cell without making one up.
struct ColumnKey {
    int field_index = -1;  // index into kOddsFields; -1 for a computed column
    ComputedColumn computed = ComputedColumn::kNone;
    // The values of the comparison's columns, owned by the column it was taken from; null for
    // every other column.
    const RowNumberSource* row_number = nullptr;
};
inline ColumnKey KeyOf(const GridColumn& column) {
    return {column.field_index, column.computed, &column.row_number};
}

// The kind of the column's values (a margin is a decimal).
table::FieldKind ColumnKind(const GridColumn& column);
// The cell's value; monostate for null (a margin without the prices it needs, a price of at most
// 1.0, which is no price).
table::StoredValue ColumnValue(const table::OddsRecord& row, ColumnKey key);
// The cell's display text (UTF-8): the field's display text, or a margin as "5.3%".
std::string ColumnText(const table::OddsRecord& row, const GridColumn& column,
                       const table::RegionalFormats& formats);
// The exact stored value of a cell whose display text rounds it (a line of more than two
// decimals: 2.125 shows "2.12"), as "2.125"; "" for every other cell. What the cell's tooltip adds.
std::string ExactCellText(const table::OddsRecord& row, const GridColumn& column,
                          const table::RegionalFormats& formats);
// The display text of a decimal of the column.
std::string DecimalText(table::Decimal value, const GridColumn& column,
                        const table::RegionalFormats& formats);
// The step a shown decimal is rounded to, in the table's units of 0.0001: 10 for prices, 100 for
// handicap and total values, 1 000 for margins.
int64_t ShownStep(const GridColumn& column);

}  // namespace lintaro::grid
