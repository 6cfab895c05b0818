// Internet dates as cookies and response heads carry them ("Sun, 06 Nov 1994 08:49:37 GMT" and
// its relatives), read into local wall-clock time, and the one layout the cookie store writes.
// Times are whole seconds of local wall-clock time counted from 1970-01-01 00:00:00 as if that
// wall clock were UTC, so they compare and add like plain numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lintaro::http {

// Local wall-clock seconds (see above).
using LocalSeconds = std::int64_t;

// What an unreadable date turns into: 1899-12-30 00:00:00, before every real current time.
inline constexpr LocalSeconds kZeroDate = -2209161600;

// The system's clock as the cookie store needs it: the current UTC time and the local offset
// from UTC in force now (east positive, daylight saving included).
struct LocalClockReading {
    std::int64_t utc_seconds = 0;
    std::int32_t utc_offset_seconds = 0;

    LocalSeconds Local() const { return utc_seconds + utc_offset_seconds; }
};

// Reads the system clock and the time zone (localtime_r, tm_gmtoff).
LocalClockReading ReadSystemClock();

// Reads an internet date and converts it to local time with `utc_offset_seconds`, the offset in
// force now. Accepts the RFC 1123, RFC 850 and asctime layouts and the cookie layout with dashes
// and a four-digit year; a zone of the form +hhmm / -hhmm is honoured, a named zone counts as UTC.
// An empty, unreadable or impossible date (month 13, hour 25) gives kZeroDate. Never throws.
LocalSeconds ReadInternetDate(std::string_view text, std::int32_t utc_offset_seconds);

// Writes `local` as "Sun, 6 Nov 1994 08:49:37 +0300": weekday, day without leading zero, month,
// four-digit year, 24-hour time and the offset `utc_offset_seconds` as sign and hhmm.
std::string WriteInternetDate(LocalSeconds local, std::int32_t utc_offset_seconds);

// The latest time the writer and reader agree on: 9999-12-31 23:59:59.
inline constexpr LocalSeconds kLatestDate = 253402300799;

}  // namespace lintaro::http
