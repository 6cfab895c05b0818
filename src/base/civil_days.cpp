// Calendar arithmetic on day numbers: the Gregorian 400-year cycle (146 097 days) turns a date into
// a day count and back without loops or tables, for any year.
#include "base/civil_days.h"

namespace lintaro::base {

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Counting years from 1 March puts the leap day at the end of the year, so the day of the year
// follows from the month by one formula.
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

}  // namespace lintaro::base
