// Choosing an event's year around today, and the table's date-time value.
#include "readers/event_date.h"

#include <gtest/gtest.h>

#include <optional>

namespace lintaro::readers {

using table::CivilDate;

namespace {

TEST(EventDateTest, ChoosesTheYearThatPlacesTheDateNearToday) {
    struct Case {
        CivilDate today;
        int month, day;
        std::optional<CivilDate> expected;
    };
    const Case cases[] = {
        {{2026, 6, 15}, 6, 20, CivilDate{2026, 6, 20}},
        {{2026, 12, 28}, 1, 3, CivilDate{2027, 1, 3}},    // a late-December line lists January
        {{2027, 1, 2}, 12, 31, CivilDate{2026, 12, 31}},  // read just after New Year
        {{2027, 1, 1}, 12, 31, CivilDate{2026, 12, 31}},
        {{2026, 6, 15}, 5, 16, CivilDate{2026, 5, 16}},  // 30 days back: still this year
        {{2026, 6, 15}, 5, 15, CivilDate{2027, 5, 15}},  // 31 back, so 334 ahead
        {{2027, 12, 1}, 2, 29, CivilDate{2028, 2, 29}},  // leap day ahead
        {{2028, 3, 10}, 2, 29, CivilDate{2028, 2, 29}},  // leap day just behind
        {{2026, 6, 15}, 2, 29, std::nullopt},            // no leap day in reach
        {{2026, 6, 15}, 2, 30, std::nullopt},
        {{2026, 6, 15}, 13, 1, std::nullopt},
        {{2026, 6, 15}, 0, 1, std::nullopt},
        {{2026, 6, 15}, 4, 31, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.today.year << "-" << c.today.month << "-"
                                          << c.today.day << " lists " << c.day << "/" << c.month);
        EXPECT_EQ(ChooseEventDate(c.today, c.month, c.day), c.expected);
    }
}

TEST(EventDateTest, DayCountsFromThe1899Epoch) {
    EXPECT_EQ(DaysSinceEpoch({1899, 12, 30}), 0);
    EXPECT_EQ(DaysSinceEpoch({1900, 3, 1}), 61);
    EXPECT_EQ(DaysSinceEpoch({2026, 12, 25}), 46381);
    EXPECT_EQ(DaysSinceEpoch({1899, 12, 29}), -1);
    for (int64_t days : {-600000, -1, 0, 1, 46381, 2958465}) {
        EXPECT_EQ(DaysSinceEpoch(DateFromDays(days)), days);
    }
    EXPECT_DOUBLE_EQ(DateTimeValue({2026, 12, 25}, 20, 0, 0), 46381 + 20.0 / 24);
}

}  // namespace
}  // namespace lintaro::readers
