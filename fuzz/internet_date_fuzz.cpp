// Feeds arbitrary text to the internet date reader. Nothing may crash; a date that reads must lie
// between years 1 and 9999 give or take the zone offsets, and one the writer can express must
// read back to itself.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "http/internet_date.h"

namespace {

using namespace std::chrono;

lintaro::http::LocalSeconds Start(int y) {
    return duration_cast<seconds>(sys_days(year(y) / January / 1).time_since_epoch()).count();
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "internet_date_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const lintaro::http::LocalSeconds utc = lintaro::http::ReadInternetDate(text, 0);
    const std::int32_t offset = 5 * 3600 + 30 * 60;
    Check(lintaro::http::ReadInternetDate(text, offset) ==
              (utc == lintaro::http::kZeroDate ? utc : utc + offset),
          "the offset in force was not applied exactly once");
    if (utc == lintaro::http::kZeroDate) return 0;
    // A zone of +hhmm can move a date by up to 99 hours and 99 minutes either way.
    const std::int64_t zone_limit = 99 * 3600 + 99 * 60;
    Check(utc >= Start(1) - zone_limit && utc <= lintaro::http::kLatestDate + zone_limit,
          "a date outside the years 1..9999");
    // Two-digit years are read relative to 2000 and 1900 stands for a missing year, so only
    // dates from year 100 on, outside 1900, write and read back unchanged.
    const bool writable = utc >= Start(100) && utc <= lintaro::http::kLatestDate &&
                          !(utc >= Start(1900) && utc < Start(1901));
    if (writable) {
        Check(lintaro::http::ReadInternetDate(lintaro::http::WriteInternetDate(utc, offset), 0) +
                      offset ==
                  utc,
              "a written date did not read back");
    }
    return 0;
}
