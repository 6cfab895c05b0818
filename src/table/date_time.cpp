// Calendar arithmetic on day numbers: the Gregorian 400-year cycle (146 097 days) turns a date into
// a day count and back without loops or tables, for any year.
#include "table/date_time.h"

#include <cmath>

#include "table/exact_rounding.h"

namespace lintaro {
namespace {

// 1970-01-01 is day 25 569 after 1899-12-30.
constexpr int64_t kDaysFrom1899To1970 = 25'569;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date. Counting years from 1 March puts the leap
// day at the end of the year, so the day of the year follows from the month by one formula.
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = FloorDiv(year, 400);
    const int64_t year_of_era = year - era * 400;  // 0..399
    const int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146'097 + day_of_era - 719'468;
}

void CivilFromDays(int64_t days, int64_t& year, int& month, int& day) {
    days += 719'468;
    const int64_t era = FloorDiv(days, 146'097);
    const int64_t day_of_era = days - era * 146'097;  // 0..146096
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
    const int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t month_index = (5 * day_of_year + 2) / 153;  // 0 = March
    day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
    month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
    year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

std::optional<DateTime> MakeDateTime(const CalendarParts& p) {
    if (!IsValidDate(p.year, p.month, p.day)) return std::nullopt;
    if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 ||
        p.second > 59 || p.millisecond < 0 || p.millisecond > 999) {
        return std::nullopt;
    }
    const int64_t day_number = DaysFromCivil(p.year, p.month, p.day) + kDaysFrom1899To1970;
    const int64_t ms_of_day =
        ((int64_t{p.hour} * 60 + p.minute) * 60 + p.second) * 1000 + p.millisecond;
    return DateTime{day_number * kMsPerDay + ms_of_day};
}

int64_t DayNumber(DateTime value) { return FloorDiv(value.ms, kMsPerDay); }

int64_t MsOfDay(DateTime value) { return value.ms - DayNumber(value) * kMsPerDay; }

CalendarParts SplitDateTime(DateTime value) {
    CalendarParts parts;
    int64_t year = 0;
    CivilFromDays(DayNumber(value) - kDaysFrom1899To1970, year, parts.month, parts.day);
    parts.year = static_cast<int>(year);
    int64_t ms = MsOfDay(value);
    parts.millisecond = static_cast<int>(ms % 1000);
    ms /= 1000;
    parts.second = static_cast<int>(ms % 60);
    ms /= 60;
    parts.minute = static_cast<int>(ms % 60);
    parts.hour = static_cast<int>(ms / 60);
    return parts;
}

std::optional<DateTime> DateTimeFromDays(double days) {
    // Beyond this the day count is far outside the accepted years; it also keeps the cast exact.
    if (!(std::fabs(days) < 4'000'000.0)) return std::nullopt;  // NaN fails this test too
    const double whole = std::trunc(days);
    const double fraction = std::fabs(days - whole);  // exact: only the integer bits are removed
    int64_t ms_of_day = 0;
    if (!RoundScaledTiesToEven(fraction, kMsPerDay, kMsPerDay + 1, &ms_of_day)) return std::nullopt;
    const DateTime result{static_cast<int64_t>(whole) * kMsPerDay + ms_of_day};
    if (result.ms < kMinDateTime.ms || result.ms > kMaxDateTime.ms) return std::nullopt;
    return result;
}

double DaysFromDateTime(DateTime value) {
    const int64_t day = DayNumber(value);
    const double fraction = static_cast<double>(MsOfDay(value)) / kMsPerDay;
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

}  // namespace lintaro
