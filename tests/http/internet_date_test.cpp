// Checks the internet date reader on the layouts servers send and on broken dates, and that the
// writer's dates read back to the same time.
#include "http/internet_date.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace lintaro::http {
namespace {

using namespace std::chrono;

LocalSeconds At(int y, unsigned mo, unsigned d, int h = 0, int mi = 0, int s = 0) {
    return duration_cast<seconds>(sys_days(year(y) / month(mo) / day(d)).time_since_epoch())
               .count() +
           h * 3600 + mi * 60 + s;
}

constexpr std::int32_t kMoscow = 3 * 3600;

TEST(InternetDateTest, ReadsTheLayoutsServersSend) {
    const LocalSeconds nov6 = At(1994, 11, 6, 8, 49, 37);
    struct Case {
        const char* text;
        LocalSeconds utc;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", nov6},                        // RFC 1123
        {"Sunday, 06-Nov-94 08:49:37 GMT", nov6},                       // RFC 850
        {"Sun Nov  6 08:49:37 1994", nov6},                             // asctime: time before year
        {"Wed, 09-Jun-2021 10:18:14 GMT", At(2021, 6, 9, 10, 18, 14)},  // cookie layout
        {"  sun, 06 nov 1994 08:49:37 gmt  ", nov6},                    // letter case and blanks
        {"06 Nov 1994 08:49:37", nov6},                                 // no weekday, no zone
        {"Sun, 06 Nov 1994 11:49:37 +0300", nov6},  // numeric zones are taken off
        {"Sun, 06 Nov 1994 07:19:37 -0130", nov6},
        {"Sun, 06 Nov 1994", At(1994, 11, 6)},                          // no time: midnight
        {"Sun, 06 Nov 1994 08:xx:37 GMT", At(1994, 11, 6, 8, 0, 37)},   // a bad time part is 0
        {"Sun, xx Nov 1994 08:49:37 GMT", At(1994, 11, 1, 8, 49, 37)},  // a bad day is 1
        {"Thu, 01-Jan-79 00:00:00 GMT", At(2079, 1, 1)},  // two-digit years pivot at 80
        {"Tue, 01-Jan-80 00:00:00 GMT", At(1980, 1, 1)},
        {"29 Feb 2024 23:59:59 GMT", At(2024, 2, 29, 23, 59, 59)},
        {"Fri, 31 Dec 9999 23:59:59 GMT", kLatestDate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReadInternetDate(c.text, 0), c.utc);
        EXPECT_EQ(ReadInternetDate(c.text, kMoscow), c.utc + kMoscow);
    }
}

TEST(InternetDateTest, UnreadableOrImpossibleDatesGiveTheZeroDate) {
    for (const char* text : {
             "",
             "   ",
             "Sun,",
             "garbage",
             "Sun, 06 Foo 1994 08:49:37 GMT",
             "Sun, 06 13 1994 08:49:37 GMT",
             "Sun, 32 Nov 1994 08:49:37 GMT",
             "Sun, 00 Nov 1994 08:49:37 GMT",
             "29 Feb 2023 00:00:00 GMT",
             "Sun, 06 Nov 1994 25:00:00 GMT",
             "Sun, 06 Nov 1994 08:60:00 GMT",
             "Sun, 06 Nov 1994 08:49:60 GMT",
             "Sun, 06 Nov 1994 -1:00:00 GMT",
             "Sun, 06 Nov 10000 08:49:37 GMT",
             "Sun Nov  6 08:49:37 nineteen",
         }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadInternetDate(text, kMoscow), kZeroDate);
    }
    EXPECT_EQ(kZeroDate, At(1899, 12, 30));
}

TEST(InternetDateTest, WriterUsesTheCookieLayoutAndReadsBack) {
    EXPECT_EQ(WriteInternetDate(At(1994, 11, 6, 8, 49, 37), kMoscow),
              "Sun, 6 Nov 1994 08:49:37 +0300");
    EXPECT_EQ(WriteInternetDate(At(2024, 2, 29, 0, 0, 5), -(5 * 3600 + 30 * 60)),
              "Thu, 29 Feb 2024 00:00:05 -0530");
    EXPECT_EQ(WriteInternetDate(At(1969, 12, 31, 23, 59, 59), 0),
              "Wed, 31 Dec 1969 23:59:59 +0000");
    for (std::int32_t offset : {0, kMoscow, -8 * 3600, 5 * 3600 + 45 * 60}) {
        for (LocalSeconds local : {At(2026, 12, 10, 12), At(1970, 1, 1), At(1901, 3, 1, 1, 2, 3),
                                   At(2000, 2, 29, 23, 59, 59), kLatestDate}) {
            SCOPED_TRACE(WriteInternetDate(local, offset));
            EXPECT_EQ(ReadInternetDate(WriteInternetDate(local, offset), offset), local);
        }
    }
}

TEST(InternetDateTest, SystemClockReportsTheZoneOffsetInForce) {
    LocalClockReading now = ReadSystemClock();
    EXPECT_GT(now.utc_seconds, At(2020, 1, 1));
    EXPECT_LE(std::abs(now.utc_offset_seconds), 14 * 3600);
}

}  // namespace
}  // namespace lintaro::http
