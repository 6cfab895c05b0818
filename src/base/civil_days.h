// Calendar arithmetic on day counts in the proleptic Gregorian calendar, for any year: the odds
// table's date-times and the HTTP client's internet dates both count days through it.
#pragma once

#include <cstdint>

namespace lintaro::base {

// a / b rounded down (towards minus infinity); b must be positive.
int64_t FloorDiv(int64_t a, int64_t b);

bool IsLeapYear(int64_t year);

// Days in `month` of `year` (0 for a month outside 1..12).
int DaysInMonth(int64_t year, int month);

// Days since 1970-01-01 of a date (negative before it). The month must be 1..12; a day beyond the
// month's end counts on into the next month.
int64_t DaysFromCivil(int64_t year, int month, int day);

// The date `days` days after 1970-01-01.
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day);

}  // namespace lintaro::base
