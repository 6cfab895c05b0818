// Local date-times as the odds table keeps them (milliseconds since 30 December 1899, no time
// zone), and their conversions to and from calendar parts and the legacy day count with the time of
// day as the fraction. Shared by the table, its display texts, the readers and the CLI.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/civil_days.h"  // DaysInMonth and the day counts beneath the date-times

namespace lintaro::table {

inline constexpr int64_t kMsPerDay = 86'400'000;

// A local date-time as stored: milliseconds since 30 December 1899 00:00, on one straight line (an
// earlier moment is always a smaller number, so values before 1899-12-30 are negative).
struct DateTime {
    int64_t ms = 0;
    friend bool operator==(DateTime, DateTime) = default;
    friend auto operator<=>(DateTime, DateTime) = default;
};

// A date and time of day in the proleptic Gregorian calendar.
struct CalendarParts {
    int year = 1899;
    int month = 12;  // 1..12
    int day = 30;    // 1..31
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    friend bool operator==(const CalendarParts&, const CalendarParts&) = default;
};

// The range the table accepts: 0001-01-01 00:00:00.000 up to 9999-12-31 23:59:59.999.
inline constexpr DateTime kMinDateTime{-693'593 * kMsPerDay};
inline constexpr DateTime kMaxDateTime{2'958'466 * kMsPerDay - 1};

// A local calendar date.
struct CivilDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// True when year 1..9999, month and day name a real calendar day (29 February only in leap years).
bool IsValidDate(int year, int month, int day);

// The date-time of the given parts, or nullopt when any part is out of its range (see
// CalendarParts and IsValidDate).
std::optional<DateTime> MakeDateTime(const CalendarParts& parts);

// The calendar parts of any DateTime (years outside 1..9999 included).
CalendarParts SplitDateTime(DateTime value);

// Day number of a date-time (whole days since 1899-12-30, rounded down) and its time of day in ms.
int64_t DayNumber(DateTime value);
int64_t MsOfDay(DateTime value);

// The date-time a legacy day count stands for, rounded to the nearest millisecond (an exact half to
// the even millisecond). The whole part counts days from 1899-12-30 and the fraction is the time of
// day, also for negative counts: -1.25 is 1899-12-29 06:00, and -0.5 is 1899-12-30 12:00 as 0.5 is.
// Nullopt for NaN, an infinity, or a moment outside kMinDateTime..kMaxDateTime.
std::optional<DateTime> DateTimeFromDays(double days);

// The legacy day count of a date-time (the inverse of DateTimeFromDays up to double precision).
double DaysFromDateTime(DateTime value);

// Today's date in local time.
CivilDate LocalToday();

// Reads "YYYY-MM-DD" (exactly those digits and dashes) naming a real day; nullopt otherwise.
std::optional<CivilDate> ParseIsoDate(std::string_view text);

// "YYYY-MM-DDTHH:MM:SS.mmm": the date-time as JSON Lines and the recorder's database write it.
std::string IsoDateTimeText(DateTime value);

}  // namespace lintaro::table
