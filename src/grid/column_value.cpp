// Cells of field columns come from the table; cells of margin columns from grid/margin.h.
#include "grid/column_value.h"

#include "grid/margin.h"

namespace lintaro::grid {

using table::Decimal;
using table::DecimalFormatOf;
using table::OddsRecord;
using table::RegionalFormats;
using table::StoredValue;

namespace {

std::optional<double> MarginOf(const OddsRecord& row, ColumnKey key) {
    switch (key.computed) {
        case ComputedColumn::kMargin1X2:
            return Margin1X2(row);
        case ComputedColumn::kMarginHandicap:
            return MarginHandicap(row);
        case ComputedColumn::kMarginTotal:
            return MarginTotal(row);
        case ComputedColumn::kBestMargin:
        case ComputedColumn::kSurebet:
            return key.row_number && *key.row_number ? (*key.row_number)(row) : std::nullopt;
        case ComputedColumn::kNone:
            break;
    }
    return std::nullopt;
}

constexpr int64_t kScaledPerTenth = table::kDecimalScale / 10;

}  // namespace

table::FieldKind ColumnKind(const GridColumn& column) {
    if (column.computed != ComputedColumn::kNone) return table::FieldKind::kDecimal;
    return table::kOddsFields.at(column.field_index).kind;
}

StoredValue ColumnValue(const OddsRecord& row, ColumnKey key) {
    if (key.computed == ComputedColumn::kNone) {
        StoredValue value = table::GetField(row, key.field_index);
        // A price of at most 1.0 is an outcome not offered: it sorts, filters and exports as the
        // empty cell it shows.
        if (const auto* decimal = std::get_if<Decimal>(&value);
            decimal && DecimalFormatOf(key.field_index) == table::DecimalFormat::kPrice &&
            !table::IsQuotedPrice(*decimal)) {
            return std::monostate{};
        }
        return value;
    }
    const std::optional<double> margin = MarginOf(row, key);
    if (!margin) return std::monostate{};
    return Decimal{MarginTenthsOfPercent(*margin) * kScaledPerTenth};
}

std::string DecimalText(Decimal value, const GridColumn& column, const RegionalFormats& formats) {
    if (column.computed != ComputedColumn::kNone) {
        return FormatPercentTenths(value.scaled / kScaledPerTenth, formats.decimal_mark);
    }
    return table::FormatDecimal(value, DecimalFormatOf(column.field_index), formats.decimal_mark);
}

std::string ColumnText(const OddsRecord& row, const GridColumn& column,
                       const RegionalFormats& formats) {
    if (column.computed == ComputedColumn::kNone) {
        return table::DisplayText(row, column.field_index, formats);
    }
    const StoredValue value = ColumnValue(row, KeyOf(column));
    if (const auto* decimal = std::get_if<Decimal>(&value)) {
        return DecimalText(*decimal, column, formats);
    }
    return {};
}

std::string ExactCellText(const OddsRecord& row, const GridColumn& column,
                          const RegionalFormats& formats) {
    if (column.computed != ComputedColumn::kNone) return {};
    const StoredValue value = ColumnValue(row, KeyOf(column));
    const auto* decimal = std::get_if<Decimal>(&value);
    if (!decimal || !table::ShowsRounded(*decimal, DecimalFormatOf(column.field_index))) return {};
    return table::FormatExactDecimal(*decimal, formats.decimal_mark);
}

int64_t ShownStep(const GridColumn& column) {
    if (column.computed == ComputedColumn::kNone &&
        DecimalFormatOf(column.field_index) == table::DecimalFormat::kPrice) {
        return 10;
    }
    if (column.computed == ComputedColumn::kNone) return 100;
    return 1000;
}

}  // namespace lintaro::grid
