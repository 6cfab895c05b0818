// Reading and writing internet dates. The reader is deliberately forgiving in the way servers
// need: it takes its separators from the text, lets the time stand before the year (asctime),
// and turns anything it cannot place into the zero date instead of failing.
#include "http/internet_date.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "base/civil_days.h"
#include "http/net_text.h"

namespace lintaro::http {

using base::ParseWholeNumber;

namespace {

constexpr std::array<const char*, 7> kWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

// Takes the part of `text` before the first `separator` off the front of it, the separator
// included; without a separator the whole text is taken.
std::string_view Fetch(std::string_view& text, char separator) {
    std::size_t at = text.find(separator);
    std::string_view part = text.substr(0, at);
    text = at == std::string_view::npos ? std::string_view() : text.substr(at + 1);
    return part;
}

// 1..12 for a month abbreviation in any letter case, 0 otherwise.
int MonthNumber(std::string_view text) {
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (EqualsNoCase(text, kMonths[i])) return static_cast<int>(i) + 1;
    }
    return 0;
}

bool IsWeekday(std::string_view text) {
    for (const char* day : kWeekdays) {
        if (EqualsNoCase(text, day)) return true;
    }
    return false;
}

std::int64_t IntegerOr(std::string_view text, std::int64_t fallback) {
    std::int64_t value;
    return ParseWholeNumber(text, value) ? value : fallback;
}

}  // namespace

LocalClockReading ReadSystemClock() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {static_cast<std::int64_t>(now), static_cast<std::int32_t>(local.tm_gmtoff)};
}

namespace {

// Takes the day and the month from the front of `rest` (a weekday before them passed over), in
// either order, and leaves `rest` at what follows them.
void TakeDayAndMonth(std::string_view& rest, std::string_view& day_text,
                     std::string_view& month_text) {
    // A leading weekday ("Sun," or "Sunday,") says nothing the date does not.
    if (rest.size() >= 3 && IsWeekday(rest.substr(0, 3))) {
        std::size_t space = rest.find(' ');
        rest =
            space == std::string_view::npos ? std::string_view() : TrimLeft(rest.substr(space + 1));
    }

    // "06-Nov-94 ..." and "09-Jun-2021 ..." separate day, month and year with dashes; the other
    // layouts with spaces.
    std::size_t dash = rest.find('-');
    std::size_t space = rest.find(' ');
    char separator = dash != std::string_view::npos && dash >= 1 &&
                             space != std::string_view::npos && dash < space
                         ? '-'
                         : ' ';

    std::string_view lookahead = rest;
    if (MonthNumber(Fetch(lookahead, separator)) != 0) {  // asctime: "Nov  6 08:49:37 1994"
        month_text = Fetch(rest, separator);
        rest = TrimLeft(rest);
        day_text = Fetch(rest, separator);
        rest = TrimLeft(rest);
    } else {
        day_text = Fetch(rest, separator);
        rest = TrimLeft(rest);
        month_text = Fetch(rest, separator);
        rest = TrimLeft(rest);
    }
}

// The offset from UTC in seconds of a zone "+HHMM" or "-HHMM"; 0 for any other zone.
std::int64_t ZoneOffsetSeconds(std::string_view zone) {
    std::int64_t zone_offset = 0;
    if (zone.size() > 4 && (zone[0] == '+' || zone[0] == '-')) {
        std::int64_t hhmm;
        std::string_view digits = zone.substr(1, 4);
        if (digits.find_first_not_of("0123456789") == std::string_view::npos &&
            ParseWholeNumber(digits, hhmm)) {
            zone_offset = (hhmm / 100) * 3600 + (hhmm % 100) * 60;
            if (zone[0] == '-') zone_offset = -zone_offset;
        }
    }
    return zone_offset;
}

}  // namespace

LocalSeconds ReadInternetDate(std::string_view text, std::int32_t utc_offset_seconds) {
    std::string_view rest = TrimView(text);
    if (rest.empty()) return kZeroDate;

    std::string_view day_text;
    std::string_view month_text;
    TakeDayAndMonth(rest, day_text, month_text);
    const std::int64_t day = IntegerOr(day_text, 1);
    const int month = MonthNumber(month_text);

    std::string_view year_text = Fetch(rest, ' ');
    rest = TrimLeft(rest);
    std::string_view time_text;
    bool time_taken = false;
    std::int64_t year = IntegerOr(year_text, 1900);
    if (year == 1900) {
        // The time stands before the year: what is left is the year.
        time_text = year_text;
        time_taken = true;
        if (!ParseWholeNumber(TrimView(rest), year)) return kZeroDate;
        rest = std::string_view();
    }
    if (year >= 0 && year < 80) {
        year += 2000;
    } else if (year >= 80 && year < 100) {
        year += 1900;
    }

    if (!time_taken && rest.find(':') != std::string_view::npos) {
        time_text = Fetch(rest, ' ');
        rest = TrimLeft(rest);
    }
    std::int64_t hour = 0, minute = 0, second = 0;
    if (!time_text.empty()) {
        hour = IntegerOr(Fetch(time_text, ':'), 0);
        minute = IntegerOr(Fetch(time_text, ':'), 0);
        second = IntegerOr(Fetch(time_text, ':'), 0);
    }

    if (year < 1 || year > 9999 || month == 0 || day < 1 || day > base::DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        return kZeroDate;
    }

    const std::int64_t zone_offset = ZoneOffsetSeconds(TrimView(rest));

    const std::int64_t utc = base::DaysFromCivil(year, month, static_cast<int>(day)) * 86400 +
                             hour * 3600 + minute * 60 + second - zone_offset;
    return utc + utc_offset_seconds;
}

std::string WriteInternetDate(LocalSeconds local, std::int32_t utc_offset_seconds) {
    const std::int64_t days = base::FloorDiv(local, 86400);
    const std::int64_t seconds_of_day = local - days * 86400;
    std::int64_t year;
    int month, day;
    base::CivilFromDays(days, year, month, day);
    const int weekday = static_cast<int>(((days % 7) + 7 + 4) % 7);  // 1970-01-01 was a Thursday
    const char sign = utc_offset_seconds < 0 ? '-' : '+';
    const std::int32_t offset_minutes =
        (utc_offset_seconds < 0 ? -utc_offset_seconds : utc_offset_seconds) / 60;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%s, %d %s %lld %02d:%02d:%02d %c%02d%02d",
                  kWeekdays[weekday], day, kMonths[month - 1], static_cast<long long>(year),
                  static_cast<int>(seconds_of_day / 3600),
                  static_cast<int>(seconds_of_day / 60 % 60), static_cast<int>(seconds_of_day % 60),
                  sign, offset_minutes / 60, offset_minutes % 60);
    return buffer;
}

}  // namespace lintaro::http
