// The two bookmakers' demo lines as one set of events: the published true pairs are the same
// event on both lines (the sport, the tournament and the teams in each bookmaker's language, the
// start a constant offset apart but for a few minutes now and then), the traps a matcher must
// survive are there, and a few percent of the pairs are surebets across the two books, never
// within one, at every generation of the moving line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "demo/demo_line.h"
#include "demo_test_util.h"
#include "table/cp1251_text.h"

namespace lintaro::demo {

using table::OddsRecord;

namespace {

constexpr std::chrono::year_month_day kToday = testing_util::kDemoToday;
constexpr int64_t kMsPerMinute = 60'000;

using Identity = std::tuple<std::string, std::string, std::string, std::string, int64_t>;

Identity IdentityOf(const OddsRecord& row) {
    return {*row.sport_type_name, *row.competition_name, *row.team_h_name, *row.team_g_name,
            row.sport_event_date->ms};
}

Identity IdentityOf(const DemoRowIdentity& id) {
    return {id.sport, id.competition, id.home, id.guest, id.start.ms};
}

// The first bookmaker's text (Windows-1251) as UTF-8.
std::string Utf8(const std::string& cp1251) { return table::Cp1251ToUtf8(cp1251); }

// 1 / price, or 0 for no price (at most 1.0: the second bookmaker's tennis draw is 0).
double Implied(const std::optional<table::Decimal>& price) {
    return price && price->scaled > 10000 ? 1.0 / price->ToDouble() : 0.0;
}

// The match result's sum of 1/price at the better price of each outcome either side quotes.
double BestResultSum(const OddsRecord& a, const OddsRecord& b) {
    double sum = 0;
    for (auto field : {&OddsRecord::P1, &OddsRecord::X, &OddsRecord::P2}) {
        const double x = Implied(a.*field), y = Implied(b.*field);
        if (x > 0 && y > 0) {
            sum += std::min(x, y);
        } else if (x > 0 || y > 0) {
            return 2.0;  // one side alone quotes the outcome: no comparison of the market
        }
    }
    return sum;
}

struct Tally {
    int pairs = 0, nudged = 0, surebets = 0;
    int first_only = 0, second_only = 0;
    int swapped = 0, same_kickoff = 0, other_sport_same_time = 0;
    std::set<std::string> names;  // first bookmaker's names (UTF-8) seen in pairs
};

// Checks the pairs of one generation against both lines' rows and counts what they hold.
void CheckPairs(const FirstLine& first, const SecondLine& second, int offset, Tally& tally) {
    std::map<Identity, const OddsRecord*> first_rows, second_rows;
    for (const OddsRecord& row : first.rows) first_rows[IdentityOf(row)] = &row;
    for (const OddsRecord& row : second.rows) second_rows[IdentityOf(row)] = &row;
    ASSERT_EQ(first_rows.size(), first.rows.size());
    ASSERT_EQ(second_rows.size(), second.rows.size());
    const std::map<std::string, std::string> kSports = {
        {"футбол", "soccer"}, {"бейсбол", "baseball"}, {"теннис", "tennis"}};
    // Names a matcher has to translate, not transliterate, and players it has to expand.
    const std::map<std::string, std::string> kNames = {
        {"Ёмиури Джайентс", "Yomiuri Giants"},  {"Манчестер Юнайтед", "Manchester United"},
        {"Манчестер Сити", "Manchester City"},  {"Уильямс С.", "Serena Williams"},
        {"Уильямс В.", "Venus Williams"},       {"Надаль Р.", "Rafael Nadal"},
        {"Нью-Йорк Янкиз", "New York Yankees"}, {"Милан", "AC Milan"},
        {"Динамо М", "Dynamo Moscow"},          {"Динамо К", "Dynamo Kyiv"},
        {"Спартак М", "Spartak Moscow"},        {"Спартак Тр", "Spartak Trnava"},
    };
    std::set<Identity> paired_first, paired_second;
    std::set<std::tuple<std::string, std::string, std::string>> meetings;
    std::map<std::pair<std::string, int64_t>, int> kickoffs;
    std::set<int64_t> shared_starts;
    for (const DemoPair& pair : second.pairs) {
        const auto f = first_rows.find(IdentityOf(pair.first));
        const auto s = second_rows.find(IdentityOf(pair.second));
        ASSERT_NE(f, first_rows.end()) << Utf8(pair.first.home) << " has no first row";
        ASSERT_NE(s, second_rows.end()) << pair.second.home << " has no second row";
        EXPECT_TRUE(paired_first.insert(f->first).second) << "a first row paired twice";
        EXPECT_TRUE(paired_second.insert(s->first).second) << "a second row paired twice";
        ++tally.pairs;
        // The same sport, teams in the same roles in each one's language and conventions.
        const std::string sport = Utf8(pair.first.sport);
        ASSERT_TRUE(kSports.contains(sport)) << sport;
        EXPECT_EQ(kSports.at(sport), pair.second.sport);
        for (const auto& [ru, en] : {std::pair{Utf8(pair.first.home), pair.second.home},
                                     std::pair{Utf8(pair.first.guest), pair.second.guest}}) {
            tally.names.insert(ru);
            if (kNames.contains(ru)) EXPECT_EQ(kNames.at(ru), en) << ru;
            if (sport == "теннис") {
                // "Фамилия И." at the first, "First Last" at the second (a built player's name
                // may end in a number).
                EXPECT_TRUE(ru.ends_with(".") || ru.find(". ") != std::string::npos) << ru;
                EXPECT_EQ(en.find('.'), std::string::npos) << en;
            }
        }
        // The second's clock: the offset, a few events a few minutes off it.
        const int64_t apart = (pair.second.start.ms - pair.first.start.ms) / kMsPerMinute - offset;
        EXPECT_LE(std::abs(apart), 5) << pair.second.home << " - " << pair.second.guest;
        tally.nudged += apart != 0;
        // Each book keeps its margin; together they make a surebet on a few events only.
        EXPECT_GE(BestResultSum(*f->second, *f->second), 1.03 - 1e-9);
        EXPECT_GE(BestResultSum(*s->second, *s->second), 1.03 - 1e-9);
        tally.surebets += BestResultSum(*f->second, *s->second) < 1.0;
        // Traps: the same teams again with roles swapped, two matches at one kick-off.
        const std::string competition = Utf8(pair.first.competition);
        meetings.insert({competition, pair.first.home, pair.first.guest});
        tally.swapped += meetings.contains({competition, pair.first.guest, pair.first.home});
        tally.same_kickoff += ++kickoffs[{competition, pair.first.start.ms}] == 2;
        shared_starts.insert(pair.first.start.ms);
    }
    for (const auto& [id, row] : first_rows) {
        const std::string sport = Utf8(std::get<0>(id));
        if (kSports.contains(sport)) {
            tally.first_only += !paired_first.contains(id);
        } else {
            // A sport only the first carries, at the start of a shared event.
            tally.other_sport_same_time += shared_starts.contains(std::get<4>(id));
        }
    }
    tally.second_only += static_cast<int>(second_rows.size() - paired_second.size());
}

TEST(DemoUniverseTest, TruePairsAreOneEventOnBothLinesWithTheTrapsAndAFewSurebets) {
    struct Case {
        uint32_t seed;
        int events;
        int offset;
    };
    for (const Case& c : {Case{1, 600, -180}, Case{2, 600, 0}, Case{3, 1000, 150},
                          Case{4, 400, -420}, Case{5, 2000, -180}}) {
        SCOPED_TRACE("seed " + std::to_string(c.seed) + ", offset " + std::to_string(c.offset));
        DemoOptions options = testing_util::DemoTestOptions(c.events, c.seed);
        options.second_offset_minutes = c.offset;
        MovingFirstLine first(options, kToday);
        MovingSecondLine second(options, kToday);
        Tally tally;
        for (uint32_t g = 0; g <= 40; ++g) {
            if (g % 20 == 0) {
                SCOPED_TRACE("generation " + std::to_string(g));
                const SecondLine line = second.Line();
                CheckPairs(first.Line(), line, c.offset, tally);
                options.generation = g;
                EXPECT_EQ(PublishedPairs(options, kToday).size(), line.pairs.size());
            }
            first.Advance();
            second.Advance();
        }
        std::printf(
            "seed %u, %d events, offset %+d min: %d pairs, %d a few minutes off, "
            "%d surebets, %d first only, %d second only\n",
            c.seed, c.events, c.offset, tally.pairs, tally.nudged, tally.surebets, tally.first_only,
            tally.second_only);
        EXPECT_GT(tally.pairs, c.events / 5);
        EXPECT_GT(tally.nudged, 0);
        EXPECT_LT(tally.nudged, tally.pairs / 10);
        EXPECT_GE(tally.surebets, tally.pairs / 100);
        EXPECT_LE(tally.surebets, tally.pairs / 10);
        EXPECT_GT(tally.first_only, tally.pairs / 20);
        EXPECT_GT(tally.second_only, tally.pairs / 20);
        EXPECT_GT(tally.swapped, 0);
        EXPECT_GT(tally.same_kickoff, 0);
        EXPECT_GT(tally.other_sport_same_time, 0);
        for (const char* twin : {"Манчестер Юнайтед", "Манчестер Сити", "Уильямс С.", "Уильямс В.",
                                 "Динамо М", "Динамо К", "Спартак М", "Спартак Тр"}) {
            EXPECT_TRUE(tally.names.contains(twin)) << twin;
        }
    }
}

TEST(DemoUniverseTest, TheOffsetIsCheckedAndTheSameOptionsGiveTheSamePairs) {
    DemoOptions options = testing_util::DemoTestOptions();
    options.second_offset_minutes = 721;
    EXPECT_THROW(BuildSecondLine(options, kToday), std::invalid_argument);
    options.second_offset_minutes = -60;
    const std::vector<DemoPair> pairs = PublishedPairs(options, kToday);
    const std::vector<DemoPair> again = PublishedPairs(options, kToday);
    ASSERT_EQ(pairs.size(), again.size());
    for (size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].first, again[i].first);
        EXPECT_EQ(pairs[i].second, again[i].second);
    }
    // The first bookmaker's line does not depend on the second's clock.
    DemoOptions other = options;
    other.second_offset_minutes = 240;
    EXPECT_EQ(BuildFirstLine(options, kToday).page, BuildFirstLine(other, kToday).page);
}

}  // namespace
}  // namespace lintaro::demo
