// The readers' calendar rules on top of the table's date-time arithmetic.
#include "readers/event_date.h"

#include <ctime>

namespace lintaro {

namespace {

// The window an event's date must fall in, in days around today.
constexpr int kLookBackDays = 30;
constexpr int kLookAheadDays = 334;

}  // namespace

int64_t DaysSinceEpoch(const CivilDate& date) {
    const std::optional<DateTime> value = MakeDateTime({date.year, date.month, date.day});
    return value ? DayNumber(*value) : 0;
}

CivilDate DateFromDays(int64_t days) {
    const CalendarParts parts = SplitDateTime(DateTime{days * kMsPerDay});
    return CivilDate{parts.year, parts.month, parts.day};
}

std::optional<CivilDate> ChooseEventDate(const CivilDate& today, int month, int day) {
    const int64_t today_days = DaysSinceEpoch(today);
    for (int year = today.year - 1; year <= today.year + 1; ++year) {
        if (!IsValidDate(year, month, day)) continue;
        const CivilDate candidate{year, month, day};
        const int64_t offset = DaysSinceEpoch(candidate) - today_days;
        if (offset >= -kLookBackDays && offset <= kLookAheadDays) return candidate;
    }
    return std::nullopt;
}

double DateTimeValue(const CivilDate& date, int hour, int minute, int second) {
    const std::optional<DateTime> value =
        MakeDateTime({date.year, date.month, date.day, hour, minute, second, 0});
    return value ? DaysFromDateTime(*value) : 0.0;
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

}  // namespace lintaro
