// compare's worksheets (.xls and .xlsx): the comparison laid out for the grid's worksheet writers.
// Each compared event is a group row that says what was found (the match's confidence, the margin
// at the better prices, every surebet with its stakes and where to place them), above the event's
// row at each bookmaker as the grid shows it and, for a matched event, a row of the better prices
// ("Лучшие цены" in the tournament column). The group rows' texts carry what no odds column holds.
#pragma once

#include <deque>
#include <vector>

#include "compare/line_comparison.h"
#include "export/worksheet_description.h"
#include "table/odds_table.h"

namespace lintaro::cli {

// The worksheet of a comparison, with the rows it points to: keep it whole while it is written.
struct ComparisonWorksheet {
    std::deque<table::OddsRecord>
        best_rows;  // the rows of the better prices, one per matched event
    worksheet::WorksheetDescription
        worksheet;  // its event rows point into `first`, `second`, best_rows
};

// Lays `comparison` of the rows `first` and `second` out as a worksheet (the grid's columns and
// look at start, the tournament column shown). `first` and `second` must outlive the result.
void DescribeComparison(const compare::LineComparison& comparison,
                        const std::vector<table::OddsRecord>& first,
                        const std::vector<table::OddsRecord>& second, ComparisonWorksheet& out);

}  // namespace lintaro::cli
