// Calendar arithmetic for the readers: validating a day and month, choosing the year of an event
// that a bookmaker prints without one, and turning a local date and time into the odds table's
// date-time value (days since 30 December 1899, the fraction being the time of day).
#pragma once

#include <cstdint>
#include <optional>

#include "table/date_time.h"

namespace lintaro::readers {

// Days from 30 December 1899 to the given date (valid, years 1..9999); negative before it.
int64_t DaysSinceEpoch(const table::CivilDate& date);
// The date `days` days after 30 December 1899.
table::CivilDate DateFromDays(int64_t days);

// Bookmakers print day and month only. The event's year is the one that places the date from 30
// days before `today` up to 334 days after it, both included: late-December lines listing early
// January look ahead to the new year, and a line read just after New Year still dates last week's
// events in the old one. nullopt when no such year has that date (29 February far from a leap
// year).
std::optional<table::CivilDate> ChooseEventDate(const table::CivilDate& today, int month, int day);

// The odds table's date-time value of a local date and time of day.
double DateTimeValue(const table::CivilDate& date, int hour, int minute, int second);

}  // namespace lintaro::readers
