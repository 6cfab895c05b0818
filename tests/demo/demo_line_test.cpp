// The demo line: the same options give the same pages, dates around the year end, the event
// counts it refuses, how its generations move, and that it stays plausible: every market's margin
// within 3-7%, no team twice within a day, no event twice on the line.
#include "demo/demo_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "demo/demo_server.h"
#include "demo_test_util.h"
#include "table/cp1251_text.h"

namespace lintaro::demo {

using table::Decimal;
using table::OddsRecord;

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
    EXPECT_NE(
        first.page.find(table::Utf8ToCp1251("<div class=cap>Футбол. Англия. Премьер-лига</div>")),
        std::string::npos);
    EXPECT_EQ(first.page.find("Футбол"), std::string::npos);
}

TEST(DemoLineTest, PublishedRowsStartWithinFourWeeksOfTodayAcrossTheYearEnd) {
    // Published on 20 December, the line reaches into January: those events carry the next year.
    const auto today_ms = table::MakeDateTime({2026, 12, 20}).value().ms;
    bool next_year_seen = false;
    for (const auto& rows :
         {PublishedFirstRows(Options(), kToday), PublishedSecondRows(Options(), kToday)}) {
        ASSERT_GT(rows.size(), 150u);
        for (const OddsRecord& row : rows) {
            const int64_t ms = row.sport_event_date.value().ms;
            EXPECT_GE(ms, today_ms);
            EXPECT_LT(ms, today_ms + 29 * table::kMsPerDay);
            next_year_seen |= table::SplitDateTime(table::DateTime{ms}).year == 2027;
        }
    }
    EXPECT_TRUE(next_year_seen);
}

TEST(DemoLineTest, EventCountsOutsideTheRangeAreRefused) {
    EXPECT_THROW(BuildFirstLine(Options(-1), kToday), std::invalid_argument);
    EXPECT_THROW(DemoServer(Options(kMaxDemoEvents + 1)), std::invalid_argument);
    EXPECT_TRUE(BuildFirstLine(Options(0), kToday).rows.empty());
    EXPECT_TRUE(BuildSecondLine(Options(0), kToday).rows.empty());
    DemoOptions too_late = Options();
    too_late.generation = kMaxDemoGeneration + 1;
    EXPECT_THROW(BuildSecondLine(too_late, kToday), std::invalid_argument);
    EXPECT_THROW(DemoServer{too_late}, std::invalid_argument);
}

DemoOptions Generation(uint32_t generation, int events = 200, uint32_t seed = 1) {
    DemoOptions options = Options(events, seed);
    options.generation = generation;
    return options;
}

TEST(DemoGenerationTest, GenerationOfASeedIsOneLineAndStepsReachIt) {
    const FirstLine first = BuildFirstLine(Generation(4), kToday);
    EXPECT_EQ(first.page, BuildFirstLine(Generation(4), kToday).page);
    EXPECT_NE(first.page, BuildFirstLine(Generation(3), kToday).page);
    EXPECT_NE(first.page, BuildFirstLine(Generation(4, 200, 2), kToday).page);
    // Moving on from generation 1 by three steps gives generation 4, pages and rows.
    MovingFirstLine moving_first(Generation(1), kToday);
    MovingSecondLine moving_second(Generation(1), kToday);
    for (int i = 0; i < 3; ++i) {
        moving_first.Advance();
        moving_second.Advance();
    }
    EXPECT_EQ(moving_first.Generation(), 4u);
    EXPECT_EQ(moving_first.Line().page, first.page);
    EXPECT_EQ(moving_first.Line().rows, first.rows);
    const SecondLine second = BuildSecondLine(Generation(4), kToday);
    const SecondLine stepped = moving_second.Line();
    EXPECT_EQ(stepped.rows, second.rows);
    ASSERT_EQ(stepped.pages.size(), second.pages.size());
    for (size_t i = 0; i < second.pages.size(); ++i) {
        EXPECT_EQ(stepped.pages[i].page, second.pages[i].page);
    }
    // An empty line stays empty.
    EXPECT_TRUE(BuildFirstLine(Generation(5, 0), kToday).rows.empty());
}

// An event's identity across generations: sport, tournament, start and both teams.
using Identity = std::tuple<std::string, std::string, int64_t, std::string, std::string>;

// The rows of a line by identity; identities that occur twice in one generation are left out.
std::map<Identity, OddsRecord> ByIdentity(const std::vector<OddsRecord>& rows) {
    std::map<Identity, OddsRecord> unique;
    std::map<Identity, int> seen;
    for (const OddsRecord& row : rows) {
        const Identity id{*row.sport_type_name, *row.competition_name, row.sport_event_date->ms,
                          *row.team_h_name, *row.team_g_name};
        if (++seen[id] == 1) unique[id] = row;
    }
    for (const auto& [id, count] : seen) {
        if (count > 1) unique.erase(id);
    }
    return unique;
}

// A market's margin from its prices (a null or zero price leaves it out: the second bookmaker's
// tennis matches quote X as 0).
double MarginOf(std::initializer_list<std::optional<Decimal>> prices) {
    double sum = 0;
    for (const auto& price : prices) {
        if (price && price->scaled > 0) sum += 1.0 / price->ToDouble();
    }
    return sum - 1.0;
}

TEST(DemoGenerationTest, PricesMoveByATickOrTwoAndMarginsStayWhereTheyWere) {
    using Price = std::optional<Decimal> OddsRecord::*;
    // Each price with the line value that, when it changes, reprices it.
    const std::pair<Price, Price> kPrices[] = {
        {&OddsRecord::P1, nullptr},          {&OddsRecord::X, nullptr},
        {&OddsRecord::P2, nullptr},          {&OddsRecord::PX1, nullptr},
        {&OddsRecord::P12, nullptr},         {&OddsRecord::P2X, nullptr},
        {&OddsRecord::F1, &OddsRecord::VF1}, {&OddsRecord::F2, &OddsRecord::VF1},
        {&OddsRecord::TM, &OddsRecord::VT},  {&OddsRecord::TB, &OddsRecord::VT},
    };
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "first" : "second");
        const auto rows_of = [&](uint32_t g) {
            return first ? PublishedFirstRows(Generation(g), kToday)
                         : PublishedSecondRows(Generation(g), kToday);
        };
        const auto start = ByIdentity(rows_of(0));
        auto previous = start;
        int prices = 0, moved = 0, gone = 0, appeared = 0, line_moves = 0;
        for (uint32_t g = 1; g <= 30; ++g) {
            const auto current = ByIdentity(rows_of(g));
            for (const auto& [id, row] : current) {
                const auto before = previous.find(id);
                if (before == previous.end()) {
                    ++appeared;
                    continue;
                }
                for (const auto& [price, line] : kPrices) {
                    const auto& old_price = before->second.*price;
                    const auto& new_price = row.*price;
                    ASSERT_EQ(old_price.has_value(), new_price.has_value());
                    if (!old_price) continue;
                    ++prices;
                    if (line && before->second.*line != row.*line) {
                        ++line_moves;
                        continue;
                    }
                    if (*old_price == *new_price) continue;
                    ++moved;
                    // Two ticks of the ladder are never more than a tenth of the price.
                    EXPECT_LE(std::abs(new_price->scaled - old_price->scaled),
                              old_price->scaled / 10);
                    EXPECT_GT(new_price->scaled, 10000);
                }
            }
            for (const auto& entry : previous) gone += current.count(entry.first) == 0;
            previous = current;
        }
        // A few percent of prices move per generation; events come and go every generation.
        EXPECT_GT(moved, prices / 200);
        EXPECT_LT(moved, prices / 10);
        EXPECT_GT(line_moves, 0);
        EXPECT_GE(gone, 30);
        EXPECT_GE(appeared, 30);
        // The events still there after 30 generations keep their markets' margins close.
        for (const auto& [id, row] : previous) {
            const auto was = start.find(id);
            if (was == start.end()) continue;
            const OddsRecord& old = was->second;
            EXPECT_NEAR(MarginOf({row.P1, row.X, row.P2}), MarginOf({old.P1, old.X, old.P2}),
                        0.0151);
            EXPECT_NEAR(MarginOf({row.F1, row.F2}), MarginOf({old.F1, old.F2}), 0.0151);
            EXPECT_NEAR(MarginOf({row.TM, row.TB}), MarginOf({old.TM, old.TB}), 0.0151);
        }
    }
}

TEST(DemoGenerationTest, TheLineKeepsItsSizeOverManyGenerations) {
    const size_t first = PublishedFirstRows(Generation(0), kToday).size();
    const size_t second = PublishedSecondRows(Generation(0), kToday).size();
    const size_t first_later = PublishedFirstRows(Generation(2000), kToday).size();
    const size_t second_later = PublishedSecondRows(Generation(2000), kToday).size();
    EXPECT_NEAR(static_cast<double>(first_later), static_cast<double>(first), first * 0.2);
    EXPECT_NEAR(static_cast<double>(second_later), static_cast<double>(second), second * 0.2);
}

// Every market of a row: the match result (two-way where X is missing or no price, as the
// second bookmaker's tennis X of 0), the double chance (each result covered twice), the handicap
// pair and the total pair, each with a margin of 3-7%.
void ExpectPlausibleMargins(const std::vector<OddsRecord>& rows) {
    const auto price = [](const std::optional<Decimal>& p) {
        return p && p->scaled > 10000 ? 1.0 / p->ToDouble() : 0.0;
    };
    for (const OddsRecord& row : rows) {
        const std::string event = *row.team_h_name + " - " + *row.team_g_name;
        std::vector<std::pair<const char*, double>> margins;
        margins.emplace_back("1X2", price(row.P1) + price(row.X) + price(row.P2) - 1.0);
        if (row.PX1) {
            margins.emplace_back("DC", (price(row.PX1) + price(row.P12) + price(row.P2X)) / 2 - 1);
        }
        if (row.F1) margins.emplace_back("F", price(row.F1) + price(row.F2) - 1.0);
        if (row.TM) margins.emplace_back("T", price(row.TM) + price(row.TB) - 1.0);
        for (const auto& [market, margin] : margins) {
            if (margin < 0.03 - 1e-9 || margin > 0.07 + 1e-9) {
                ADD_FAILURE() << event << " " << market << " margin " << margin * 100 << "%";
                return;
            }
        }
    }
}

// No team (a sport and a name) plays two events that start less than 24 hours apart.
void ExpectTeamsRested(const std::vector<OddsRecord>& rows) {
    std::map<std::pair<std::string, std::string>, std::vector<int64_t>> starts;
    for (const OddsRecord& row : rows) {
        for (const auto* team : {&row.team_h_name, &row.team_g_name}) {
            starts[{*row.sport_type_name, **team}].push_back(row.sport_event_date->ms);
        }
    }
    for (auto& [team, times] : starts) {
        std::sort(times.begin(), times.end());
        for (size_t i = 1; i < times.size(); ++i) {
            if (times[i] - times[i - 1] < 24 * 3'600'000) {
                ADD_FAILURE() << team.second << " plays twice within a day";
                return;
            }
        }
    }
}

TEST(DemoPlausibilityTest, MarketsKeepTheirMarginsAndTeamsRestAtEverySizeSeedAndGeneration) {
    struct Case {
        int events;
        uint32_t seed;
        uint32_t generations;  // checked one by one from 0
    };
    for (const Case& c : {Case{7, 3, 40}, Case{200, 1, 300}, Case{200, 2, 300}, Case{1000, 9, 60},
                          Case{20'000, 1, 3}, Case{20'000, 4, 1}}) {
        SCOPED_TRACE(std::to_string(c.events) + " events, seed " + std::to_string(c.seed));
        MovingFirstLine first(Options(c.events, c.seed), kToday);
        MovingSecondLine second(Options(c.events, c.seed), kToday);
        for (uint32_t g = 0; g <= c.generations; ++g) {
            SCOPED_TRACE("generation " + std::to_string(g));
            for (const auto& rows : {first.Line().rows, second.Line().rows}) {
                ExpectPlausibleMargins(rows);
                ExpectTeamsRested(rows);
            }
            first.Advance();
            second.Advance();
        }
    }
}

TEST(DemoPlausibilityTest, LargeLinesBuildTeamsTheirRostersCannotHold) {
    // 100 000 events over four weeks are more than the rosters of real clubs can play.
    const std::vector<OddsRecord> rows = PublishedFirstRows(Options(100'000, 5), kToday);
    ExpectTeamsRested(rows);
    ExpectPlausibleMargins(rows);
    const std::vector<OddsRecord> second = PublishedSecondRows(Options(100'000, 5), kToday);
    ExpectTeamsRested(second);
    ExpectPlausibleMargins(second);
}

TEST(DemoPlausibilityTest, NewEventsNeverRepeatAnIdentityOnTheLine) {
    MovingFirstLine first(Options(), kToday);
    MovingSecondLine second(Options(), kToday);
    size_t rows_seen = 0;
    for (uint32_t g = 0; g <= 5000; ++g) {
        for (const auto& rows : {first.Line().rows, second.Line().rows}) {
            std::set<Identity> identities;
            for (const OddsRecord& row : rows) {
                const Identity id{*row.sport_type_name, *row.competition_name,
                                  row.sport_event_date->ms, *row.team_h_name, *row.team_g_name};
                ASSERT_TRUE(identities.insert(id).second)
                    << "generation " << g << ": " << std::get<3>(id) << " - " << std::get<4>(id)
                    << " twice";
            }
            rows_seen += rows.size();
        }
        first.Advance();
        second.Advance();
    }
    EXPECT_GT(rows_seen, 5000u * 300);  // the line stays full while it moves
}

}  // namespace
}  // namespace lintaro::demo
