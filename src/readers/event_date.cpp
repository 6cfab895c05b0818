// The readers' calendar rules on top of the table's date-time arithmetic.
#include "readers/event_date.h"

namespace lintaro::readers {

using table::CivilDate;
using table::DateTime;

namespace {

// The window an event's date must fall in, in days around today.
constexpr int kLookBackDays = 30;
constexpr int kLookAheadDays = 334;

}  // namespace

int64_t DaysSinceEpoch(const CivilDate& date) {
    const std::optional<DateTime> value = table::MakeDateTime({date.year, date.month, date.day});
    return value ? table::DayNumber(*value) : 0;
}

CivilDate DateFromDays(int64_t days) {
    const table::CalendarParts parts = table::SplitDateTime(DateTime{days * table::kMsPerDay});
    return CivilDate{parts.year, parts.month, parts.day};
}

std::optional<CivilDate> ChooseEventDate(const CivilDate& today, int month, int day) {
    const int64_t today_days = DaysSinceEpoch(today);
    for (int year = today.year - 1; year <= today.year + 1; ++year) {
        if (!table::IsValidDate(year, month, day)) continue;
        const CivilDate candidate{year, month, day};
        const int64_t offset = DaysSinceEpoch(candidate) - today_days;
        if (offset >= -kLookBackDays && offset <= kLookAheadDays) return candidate;
    }
    return std::nullopt;
}

double DateTimeValue(const CivilDate& date, int hour, int minute, int second) {
    const std::optional<DateTime> value =
        table::MakeDateTime({date.year, date.month, date.day, hour, minute, second, 0});
    return value ? table::DaysFromDateTime(*value) : 0.0;
}

}  // namespace lintaro::readers
