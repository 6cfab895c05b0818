// How the demo line writes numbers, dates and texts into its pages: prices and line values as
// the bookmakers print them, fixed-width columns, and the stored forms the readers make of them.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "table/date_time.h"
#include "table/odds_table.h"

namespace lintaro::demo {

// Values are kept in thousandths ("milli") so that the page text and the stored decimal agree
// exactly: 1.85 is 1850, and the table stores it as 18500 ten-thousandths.
inline table::Decimal FromMilli(int milli) { return table::Decimal{int64_t{milli} * 10}; }

// "1.85" (two decimals) or "1.850" (three decimals).
std::string Price(int milli, int decimals);

// A handicap or total value without trailing zeros: "2.5", "-0.25", "+1.5" (with `signed_plus`).
std::string Value(int milli, bool signed_plus);

// A fixed-width column: the text right-aligned in width - 1 characters, then one blank.
std::string Column(const std::string& text, size_t width);

// UTF-8 source text as the Windows-1251 bytes the first bookmaker's page is written in.
std::string Cp(std::string_view utf8);

// The start at hour:minute of `date`.
table::DateTime MakeStart(std::chrono::year_month_day date, int hour, int minute);

// `text` with every `from` replaced by `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

// Minutes after midnight of "HH:MM".
int MinuteOfDay(const char* clock);

}  // namespace lintaro::demo
