// The plan of a worksheet that both writers (.xls and .xlsx) follow: where the band, header, node
// and footer rows go, which sheet column each exported column takes, the captions, what each
// footer cell summarises, the fit check against a format's limits, and each event cell's value.
// A column added to the grid reaches both formats through here; a writer only encodes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "export/sheet_description.h"
#include "table/date_time.h"

namespace lintaro {

// The grid does not fit a worksheet format (more rows or columns than it holds). Raised before any
// file is touched; the message names what was asked and the limit.
class ESheetTooLarge : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The value of an event cell: null, a text (Windows-1251, pointing into the row), a decimal as a
// double, an integer, or a date-time. Margins are decimals in percent (5.3 for 5.3%).
using SheetValue = std::variant<std::monostate, std::string_view, double, int32_t, table::DateTime>;

// What a column's cells hold, for a writer's number formats.
enum class SheetValueKind { kNone, kText, kPrice, kDecimal, kInteger, kDateTime, kPercent };

// A footer cell that summarises: the sheet column of the values and the summary.
struct SheetFooterCell {
    int source_column = -1;  // sheet column the summary reads
    SheetSummary summary = SheetSummary::kNone;
};

// A format's limits, for the fit check.
struct SheetLimits {
    int max_rows = 0;
    int max_columns = 0;           // sheet columns in all, group columns included
    const char* format_name = "";  // "an Excel 4.0 worksheet"
};

class SheetPlan {
  public:
    // `grid` must outlive the plan.
    explicit SheetPlan(const SheetDescription& grid);

    const SheetDescription& Grid() const { return grid_; }
    int GroupColumns() const { return grid_.group_levels; }
    int ExportedCount() const { return static_cast<int>(grid_.columns.size()); }
    // The sheet column of exported column i: after the group columns.
    int SheetColumn(int exported) const { return grid_.group_levels + exported; }
    int SheetColumnCount() const { return SheetColumn(ExportedCount()); }

    // Rows, 0-based; -1 for a row the look leaves out.
    int BandRow() const { return band_row_; }
    int HeaderRow() const { return header_row_; }
    int TitleRows() const { return title_rows_; }
    int FirstNodeRow() const { return title_rows_; }
    int LastNodeRow() const { return title_rows_ + static_cast<int>(grid_.nodes.size()) - 1; }
    int FooterRow() const { return footer_row_; }
    // Every row the sheet needs (saturating at INT32_MAX).
    int RowCount() const { return row_count_; }

    // The band captions and the sheet columns they start at (a band without exported columns has
    // no cell of its own and is left out).
    struct BandCaption {
        int sheet_column = 0;
        std::string_view caption;
    };
    std::vector<BandCaption> BandCaptions() const;
    // The header caption of exported column i (empty when the column shows none).
    std::string_view Caption(int exported) const;
    // The footer cell under exported column i; source_column -1 when it summarises nothing.
    SheetFooterCell Footer(int exported) const;

    // Throws ESheetTooLarge when the sheet needs more rows or columns than `limits` allow.
    void CheckFits(const SheetLimits& limits) const;

    SheetValueKind KindOf(int exported) const;
    // The value of exported column i in event row `node`.
    SheetValue Value(const SheetNode& node, int exported) const;

  private:
    const SheetDescription& grid_;
    int band_row_ = -1;
    int header_row_ = -1;
    int title_rows_ = 0;
    int footer_row_ = -1;
    int row_count_ = 0;
};

}  // namespace lintaro
