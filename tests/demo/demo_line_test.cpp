// The demo line: the same options give the same pages, dates around the year end, and the event
// counts it refuses.
#include "demo/demo_line.h"

#include <gtest/gtest.h>

#include "demo/demo_server.h"
#include "demo_test_util.h"
#include "table/cp1251_text.h"

namespace lintaro::demo {
namespace {

constexpr std::chrono::year_month_day kToday = testing_util::kDemoToday;

DemoOptions Options(int events = 200, uint32_t seed = 1) {
    return testing_util::DemoTestOptions(events, seed);
}

TEST(DemoLineTest, SameOptionsGiveTheSamePagesAndOtherSeedsOtherOnes) {
    const FirstLine first = BuildFirstLine(Options(), kToday);
    EXPECT_EQ(first.page, BuildFirstLine(Options(), kToday).page);
    EXPECT_NE(first.page, BuildFirstLine(Options(200, 2), kToday).page);
    const SecondLine second = BuildSecondLine(Options(), kToday);
    const SecondLine again = BuildSecondLine(Options(), kToday);
    ASSERT_EQ(second.pages.size(), again.pages.size());
    for (size_t i = 0; i < second.pages.size(); ++i)
        EXPECT_EQ(second.pages[i].page, again.pages[i].page);
    EXPECT_EQ(second.list_page, again.list_page);

    // The first bookmaker's texts are Windows-1251 bytes, never UTF-8.
    EXPECT_NE(first.page.find(Utf8ToCp1251("<div class=cap>Футбол. Англия. Премьер-лига</div>")),
              std::string::npos);
    EXPECT_EQ(first.page.find("Футбол"), std::string::npos);
}

TEST(DemoLineTest, PublishedRowsStartWithinFourWeeksOfTodayAcrossTheYearEnd) {
    // Published on 20 December, the line reaches into January: those events carry the next year.
    const auto today_ms = MakeDateTime({2026, 12, 20}).value().ms;
    bool next_year_seen = false;
    for (const auto& rows :
         {PublishedFirstRows(Options(), kToday), PublishedSecondRows(Options(), kToday)}) {
        ASSERT_GT(rows.size(), 150u);
        for (const OddsRecord& row : rows) {
            const int64_t ms = row.sport_event_date.value().ms;
            EXPECT_GE(ms, today_ms);
            EXPECT_LT(ms, today_ms + 29 * kMsPerDay);
            next_year_seen |= SplitDateTime(DateTime{ms}).year == 2027;
        }
    }
    EXPECT_TRUE(next_year_seen);
}

TEST(DemoLineTest, EventCountsOutsideTheRangeAreRefused) {
    EXPECT_THROW(BuildFirstLine(Options(-1), kToday), std::invalid_argument);
    EXPECT_THROW(DemoServer(Options(kMaxDemoEvents + 1)), std::invalid_argument);
    EXPECT_TRUE(BuildFirstLine(Options(0), kToday).rows.empty());
    EXPECT_TRUE(BuildSecondLine(Options(0), kToday).rows.empty());
}

}  // namespace
}  // namespace lintaro::demo
