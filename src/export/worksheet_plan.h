// The plan of a worksheet that both writers (.xls and .xlsx) follow: where the band, header, node
// and footer rows go, which worksheet column each exported column takes, the captions, what each
// footer cell summarises, the fit check against a format's limits, and each event cell's value.
// A column added to the grid reaches both formats through here; a writer only encodes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "export/worksheet_description.h"
#include "table/date_time.h"

namespace lintaro::worksheet {

// The grid does not fit a worksheet format (more rows or columns than it holds). Raised before any
// file is touched; the message names what was asked and the limit.
class EWorksheetTooLarge : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The value of an event cell: null, a text (Windows-1251, pointing into the row), a decimal as a
// double, an integer, or a date-time. Margins are decimals in percent (5.3 for 5.3%).
using WorksheetValue =
    std::variant<std::monostate, std::string_view, double, int32_t, table::DateTime>;

// What a column's cells hold, for a writer's number formats.
enum class WorksheetValueKind { kNone, kText, kPrice, kDecimal, kInteger, kDateTime, kPercent };

// The footer cell under an exported column. A summary reads the node rows of its source column;
// with no node row at all the cell holds the summary's value over nothing, 0, instead of a
// formula over a reversed range, which would take in the title rows and the footer cell itself.
struct WorksheetFooterCell {
    WorksheetSummary summary = WorksheetSummary::kNone;  // kNone: a blank cell
    int source = -1;                                     // exported column the summary reads
    int first_row = 0;                                   // the node rows it reads, 0-based
    int last_row = -1;
    bool IsBlank() const { return summary == WorksheetSummary::kNone; }
    bool HasRows() const { return first_row <= last_row; }
};

// A format's limits, for the fit check.
struct WorksheetLimits {
    int max_rows = 0;
    int max_columns = 0;           // worksheet columns in all, group columns included
    const char* format_name = "";  // "an Excel 4.0 worksheet"
};

class WorksheetPlan {
  public:
    // `grid` must outlive the plan.
    explicit WorksheetPlan(const WorksheetDescription& grid);

    // Worksheet columns 0 to GroupColumnCount() - 1 hold the group texts; exported column i is
    // worksheet column GroupColumnCount() + i.
    int GroupColumnCount() const { return grid_.group_levels; }
    int ExportedCount() const { return static_cast<int>(grid_.columns.size()); }
    int SheetColumnOf(int exported) const { return grid_.group_levels + exported; }
    // Every worksheet column, the group columns included.
    int SheetColumnCount() const { return SheetColumnOf(ExportedCount()); }

    // Rows, 0-based: the band row, then the header row (each -1 when the look leaves it out),
    // then one row per node from row TitleRows() on, then the footer row (-1 when left out).
    int BandRow() const { return band_row_; }
    int HeaderRow() const { return header_row_; }
    int TitleRows() const { return title_rows_; }
    int LastNodeRow() const { return title_rows_ + static_cast<int>(grid_.nodes.size()) - 1; }
    int FooterRow() const { return footer_row_; }

    // The band captions and the worksheet columns they start at (a band without exported columns
    // has no cell of its own and is left out).
    struct BandCaption {
        int sheet_column = 0;
        std::string_view caption;
    };
    std::vector<BandCaption> BandCaptions() const;
    // The header caption of exported column i (empty when the column shows none).
    std::string_view Caption(int exported) const;
    // The footer cell under exported column i.
    WorksheetFooterCell Footer(int exported) const;

    // Throws EWorksheetTooLarge when the worksheet needs more rows or columns than `limits` allow.
    void CheckFits(const WorksheetLimits& limits) const;

    WorksheetValueKind KindOf(int exported) const;
    // The value of exported column i in event row `node`.
    WorksheetValue Value(const WorksheetNode& node, int exported) const;

  private:
    const WorksheetDescription& grid_;
    int band_row_ = -1;
    int header_row_ = -1;
    int title_rows_ = 0;
    int footer_row_ = -1;
    int row_count_ = 0;  // every row the worksheet needs, saturating at INT32_MAX
};

}  // namespace lintaro::worksheet
