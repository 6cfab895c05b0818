// Date-times: calendar parts, day numbers since 1899-12-30 and the legacy day count, across the
// whole range of years and on both sides of the epoch.
#include "table/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace lintaro::table {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
            int ms = 0) {
    const auto value = MakeDateTime({year, month, day, hour, minute, second, ms});
    EXPECT_TRUE(value.has_value()) << year << "-" << month << "-" << day;
    return value.value_or(DateTime{});
}

TEST(DateTimeTest, DayNumbersOfKnownDates) {
    struct Case {
        int year, month, day;
        int64_t day_number;
    };
    const Case cases[] = {
        {1899, 12, 30, 0},      {1899, 12, 29, -1},  {1900, 2, 28, 60},
        {1900, 3, 1, 61},       {2024, 1, 1, 45292}, {2024, 3, 10, 45361},
        {1600, 2, 29, -109512}, {1, 1, 1, -693593},  {9999, 12, 31, 2958465},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        const DateTime value = At(c.year, c.month, c.day);
        EXPECT_EQ(DayNumber(value), c.day_number);
        EXPECT_EQ(MsOfDay(value), 0);
        const CalendarParts parts = SplitDateTime(value);
        EXPECT_EQ(parts, (CalendarParts{c.year, c.month, c.day}));
    }
    EXPECT_EQ(At(1, 1, 1), kMinDateTime);
    EXPECT_EQ(At(9999, 12, 31, 23, 59, 59, 999), kMaxDateTime);
}

TEST(DateTimeTest, EveryDayRoundTripsThroughItsParts) {
    int64_t expected = DayNumber(kMinDateTime);
    for (int year = 1; year <= 9999; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= base::DaysInMonth(year, month); ++day) {
                const auto value = MakeDateTime({year, month, day, 13, 5, 7, 9});
                ASSERT_TRUE(value.has_value());
                ASSERT_EQ(DayNumber(*value), expected) << year << "-" << month << "-" << day;
                ASSERT_EQ(SplitDateTime(*value), (CalendarParts{year, month, day, 13, 5, 7, 9}));
                ++expected;
            }
        }
    }
}

TEST(DateTimeTest, InvalidPartsAreRefused) {
    const CalendarParts invalid[] = {
        {2023, 2, 29},       {1900, 2, 29},          {2024, 4, 31},
        {2024, 13, 1},       {2024, 0, 1},           {2024, 1, 0},
        {0, 1, 1},           {10000, 1, 1},          {2024, 1, 1, 24},
        {2024, 1, 1, 0, 60}, {2024, 1, 1, 0, 0, 60}, {2024, 1, 1, 0, 0, 0, 1000},
        {2024, 1, 1, -1},
    };
    for (const CalendarParts& p : invalid) {
        SCOPED_TRACE(testing::Message()
                     << p.year << "-" << p.month << "-" << p.day << " " << p.hour << ":" << p.minute
                     << ":" << p.second << "." << p.millisecond);
        EXPECT_FALSE(MakeDateTime(p).has_value());
    }
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
}

TEST(DateTimeTest, LegacyDayCountsKeepTheFractionAsTimeOfDay) {
    struct Case {
        double days;
        DateTime expected;
    };
    const Case cases[] = {
        {45361 + (19 * 3600 + 30 * 60) / 86400.0, At(2024, 3, 10, 19, 30)},
        {45361 + 1.0 / 3, At(2024, 3, 10, 8)},
        {-1.25, At(1899, 12, 29, 6)},
        {-0.5, At(1899, 12, 30, 12)},
        {-2.75, At(1899, 12, 28, 18)},
        {-109512.9999999999, At(1600, 3, 1)},           // rounds up into the next midnight
        {1.0 / 2048, At(1899, 12, 30, 0, 0, 42, 188)},  // 42187.5 ms: to the even millisecond
        {3.0 / 2048, At(1899, 12, 30, 0, 2, 6, 562)},   // 126562.5 ms
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::setprecision(17) << c.days);
        const auto value = DateTimeFromDays(c.days);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->ms, c.expected.ms);
    }

    // Back to the legacy count, negative days included.
    EXPECT_EQ(DaysFromDateTime(At(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(DaysFromDateTime(At(1899, 12, 30, 12)), 0.5);
    EXPECT_EQ(DaysFromDateTime(At(2024, 3, 10, 18)), 45361.75);
    EXPECT_EQ(DateTimeFromDays(DaysFromDateTime(kMinDateTime)), kMinDateTime);
    EXPECT_EQ(DateTimeFromDays(DaysFromDateTime(kMaxDateTime)), kMaxDateTime);
    EXPECT_EQ(DateTimeFromDays(DaysFromDateTime(DateTime{-1})), DateTime{-1});

    EXPECT_FALSE(DateTimeFromDays(std::nan("")).has_value());
    EXPECT_FALSE(DateTimeFromDays(-HUGE_VAL).has_value());
    EXPECT_FALSE(DateTimeFromDays(-693594.0).has_value());
    EXPECT_FALSE(DateTimeFromDays(2958466.0).has_value());
}

TEST(DateTimeTest, ParsesIsoDatesStrictly) {
    EXPECT_EQ(ParseIsoDate("2028-02-29"), (CivilDate{2028, 2, 29}));
    for (const char* bad : {"2027-02-29", "2026-1-05", "2026-13-01", "26-01-05", "2026/01/05",
                            "2026-01-05 ", "", "0000-01-01", "2026-01-0x"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ParseIsoDate(bad), std::nullopt);
    }
}

}  // namespace
}  // namespace lintaro::table
