// Date-times as milliseconds on one line: calendar parts, day numbers and the legacy day count,
// on the calendar arithmetic of base/civil_days.h.
#include "table/date_time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "table/exact_rounding.h"

namespace lintaro::table {
namespace {

// 1970-01-01 is day 25 569 after 1899-12-30.
constexpr int64_t kDaysFrom1899To1970 = 25'569;

}  // namespace

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && day >= 1 && day <= base::DaysInMonth(year, month);
}

std::optional<DateTime> MakeDateTime(const CalendarParts& p) {
    if (!IsValidDate(p.year, p.month, p.day)) return std::nullopt;
    if (p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 || p.second < 0 ||
        p.second > 59 || p.millisecond < 0 || p.millisecond > 999) {
        return std::nullopt;
    }
    const int64_t day_number = base::DaysFromCivil(p.year, p.month, p.day) + kDaysFrom1899To1970;
    const int64_t ms_of_day =
        ((int64_t{p.hour} * 60 + p.minute) * 60 + p.second) * 1000 + p.millisecond;
    return DateTime{day_number * kMsPerDay + ms_of_day};
}

int64_t DayNumber(DateTime value) { return base::FloorDiv(value.ms, kMsPerDay); }

int64_t MsOfDay(DateTime value) { return value.ms - DayNumber(value) * kMsPerDay; }

CalendarParts SplitDateTime(DateTime value) {
    CalendarParts parts;
    int64_t year = 0;
    base::CivilFromDays(DayNumber(value) - kDaysFrom1899To1970, year, parts.month, parts.day);
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

CivilDate LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::optional<CivilDate> ParseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int fields[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int f = 0; f < 3; ++f) {
        for (int i = starts[f]; i < starts[f] + lengths[f]; ++i) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            fields[f] = fields[f] * 10 + (text[i] - '0');
        }
    }
    if (!IsValidDate(fields[0], fields[1], fields[2])) return std::nullopt;
    return CivilDate{fields[0], fields[1], fields[2]};
}

std::string IsoDateTimeText(DateTime value) {
    const CalendarParts p = SplitDateTime(value);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second, p.millisecond);
    return text;
}

}  // namespace lintaro::table
