// The bookmaker's margin on a market: how far the implied chances of its outcomes (1 / price)
// add up past one. A fair book sums to exactly one; a margin of 0.05 is shown as "5.0%".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "table/odds_table.h"

namespace lintaro::grid {

// 1/P1 + 1/X + 1/P2 - 1. A line without a draw (X and the three double chances all no price, as
// in tennis, whose draw is stored as 0, or baseball, whose draw is null) gives 1/P1 + 1/P2 - 1; a
// line with double chances but no draw price gives nothing. Nothing when a price it needs is null
// or at most 1.0 (no real price, see IsQuotedPrice).
std::optional<double> Margin1X2(const table::OddsRecord& row);
// 1/F1 + 1/F2 - 1, under the same rule for the prices.
std::optional<double> MarginHandicap(const table::OddsRecord& row);
// 1/TM + 1/TB - 1, under the same rule for the prices.
std::optional<double> MarginTotal(const table::OddsRecord& row);

// A margin in tenths of a percent, rounded to the nearest, an exact half to the even tenth
// (0.0525 -> 52 tenths, "5.2%").
long long MarginTenthsOfPercent(double margin);
// "5.3%": the percent with one decimal and `decimal_mark` (UTF-8); "-1.2%" below zero.
std::string FormatMarginPercent(double margin, std::string_view decimal_mark);
// The same text for a margin already in tenths of a percent.
std::string FormatPercentTenths(long long tenths, std::string_view decimal_mark);

}  // namespace lintaro::grid
