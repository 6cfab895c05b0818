// The bookmaker's margin of a row's markets: how far the implied probabilities of a market's
// outcomes add up beyond one. Pure functions of the stored prices, shared by the grid's margin
// columns, their export and lintaro-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "table/odds_table.h"

namespace lintaro::live {

// Each margin is a fraction (0.053 for 5.3 %), or nullopt when a price it needs is null or at most
// 1.0 (such a price implies no probability). It may be negative when the prices leave a sure bet.

// The match result: 1/P1 + 1/X + 1/P2 - 1. A line without a draw (X, PX1, P2X and P12 all null) is
// a two-way market: 1/P1 + 1/P2 - 1. When X is null but a double chance is quoted, the draw exists
// and its price is missing, so there is no margin.
std::optional<double> Margin1X2(const OddsRecord& row);

// The handicap: 1/F1 + 1/F2 - 1.
std::optional<double> MarginHandicap(const OddsRecord& row);

// The total: 1/TM + 1/TB - 1.
std::optional<double> MarginTotal(const OddsRecord& row);

// The margin in tenths of a percent (0.0526 -> 53), rounded to the nearest, an exact half to the
// even tenth. A margin comes from prices of four decimals through floating point, so a value within
// 1e-9 tenth of a half is taken as the exact half it stands for (1/1.28 + 1/1.28 - 1 is 56.25 %).
int64_t MarginTenthsOfPercent(double fraction);

// The margin's display text: the percent with one decimal and a percent sign ("5.3%", "-4.8%",
// "0.0%"), `decimal_mark` (UTF-8) between the digits. A margin that rounds to zero has no sign.
std::string FormatMarginPercent(double fraction, std::string_view decimal_mark = ".");

}  // namespace lintaro::live
