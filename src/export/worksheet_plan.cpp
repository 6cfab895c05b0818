// The worksheet plan: row positions from the look's switches, band and header captions, footer
// sources, the fit check, and cell values read through the grid's column values (so the margins
// come out as they show in the grid).
#include "export/worksheet_plan.h"

#include <algorithm>
#include <cstdint>

#include "grid/column_value.h"

namespace lintaro::worksheet {

using table::DecimalFormat;
using table::DecimalFormatOf;
using table::FieldKind;
using table::kOddsFields;
using table::StoredValue;
namespace {

bool HasValues(const WorksheetColumn& column) {
    return column.computed != grid::ComputedColumn::kNone ||
           (column.field_index >= 0 && column.field_index < table::kOddsFieldCount);
}

}  // namespace

WorksheetPlan::WorksheetPlan(const WorksheetDescription& grid) : grid_(grid) {
    const WorksheetLook& look = grid.look;
    int row = 0;
    if (look.show_bands) band_row_ = row++;
    if (look.show_header) header_row_ = row++;
    title_rows_ = row;
    const size_t rows =
        static_cast<size_t>(title_rows_) + grid.nodes.size() + (look.show_summary_footer ? 1 : 0);
    row_count_ = static_cast<int>(std::min<size_t>(rows, INT32_MAX));
    if (look.show_summary_footer) {
        footer_row_ = static_cast<int>(std::min<size_t>(rows - 1, INT32_MAX));
    }
}

std::vector<WorksheetPlan::BandCaption> WorksheetPlan::BandCaptions() const {
    std::vector<BandCaption> captions;
    int offset = 0;
    for (const WorksheetBand& band : grid_.bands) {
        // A band without exported columns has no cell of its own: its caption would land on the
        // next band's first cell, or past the last column.
        if (band.column_count <= 0) continue;
        captions.push_back({SheetColumnOf(offset), band.caption});
        offset += band.column_count;
    }
    return captions;
}

std::string_view WorksheetPlan::Caption(int exported) const {
    const WorksheetColumn& column = grid_.columns[exported];
    return column.disable_caption ? std::string_view() : std::string_view(column.caption);
}

WorksheetFooterCell WorksheetPlan::Footer(int exported) const {
    const int source = SummarySourceColumn(grid_.columns, exported);
    if (source < 0) return {};
    return {grid_.columns[exported].summary, source, title_rows_, LastNodeRow()};
}

void WorksheetPlan::CheckFits(const WorksheetLimits& limits) const {
    if (!grid_.has_data) return;
    if (row_count_ > limits.max_rows) {
        throw EWorksheetTooLarge("Cannot export " + std::to_string(row_count_) +
                                 " rows: " + limits.format_name + " holds at most " +
                                 std::to_string(limits.max_rows));
    }
    const size_t columns =
        grid_.columns.size() + static_cast<size_t>(std::max(GroupColumnCount(), 0));
    if (GroupColumnCount() < 0 || columns > static_cast<size_t>(limits.max_columns)) {
        throw EWorksheetTooLarge("Cannot export " + std::to_string(columns) + " columns (" +
                                 std::to_string(GroupColumnCount()) +
                                 " of them group columns): " + limits.format_name +
                                 " holds at most " + std::to_string(limits.max_columns));
    }
}

WorksheetValueKind WorksheetPlan::KindOf(int exported) const {
    const WorksheetColumn& column = grid_.columns[exported];
    if (!HasValues(column)) return WorksheetValueKind::kNone;
    if (column.computed != grid::ComputedColumn::kNone) return WorksheetValueKind::kPercent;
    switch (kOddsFields[column.field_index].kind) {
        case FieldKind::kText:
            return WorksheetValueKind::kText;
        case FieldKind::kDateTime:
            return WorksheetValueKind::kDateTime;
        case FieldKind::kInteger:
            return WorksheetValueKind::kInteger;
        case FieldKind::kDecimal:
            return DecimalFormatOf(column.field_index) == DecimalFormat::kPrice
                       ? WorksheetValueKind::kPrice
                       : WorksheetValueKind::kDecimal;
    }
    return WorksheetValueKind::kNone;
}

WorksheetValue WorksheetPlan::Value(const WorksheetNode& node, int exported) const {
    const WorksheetColumn& column = grid_.columns[exported];
    if (node.IsGroup() || !HasValues(column)) return std::monostate{};
    const StoredValue value =
        grid::ColumnValue(*node.row, {column.field_index, column.computed, &column.row_number});
    if (const auto* text = std::get_if<std::string_view>(&value)) return *text;
    if (const auto* decimal = std::get_if<table::Decimal>(&value)) return decimal->ToDouble();
    if (const auto* integer = std::get_if<int32_t>(&value)) return *integer;
    if (const auto* moment = std::get_if<table::DateTime>(&value)) return *moment;
    return std::monostate{};
}

}  // namespace lintaro::worksheet
