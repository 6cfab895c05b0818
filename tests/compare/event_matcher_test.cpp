// The matcher on hand-built lines: the second's clock runs a constant offset from the first's, and
// the traps are there: a rematch with the roles swapped, different matches at one kick-off, near
// twin names, a sport the second does not carry, a start just out of reach, names no one can
// match, doubleheaders, an ambiguous name, and the user's aliases.
#include "compare/event_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "compare/aliases.h"
#include "compare/line_comparison.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace lintaro::compare {

using table::DateTime;
using table::DecimalFromDouble;
using table::OddsRecord;
using table::Utf8ToCp1251;

namespace {

// "2026-05-16 17:00" plus `shift_minutes`.
DateTime At(const char* when, int shift_minutes = 0) {
    table::CalendarParts parts;
    std::sscanf(when, "%d-%d-%d %d:%d", &parts.year, &parts.month, &parts.day, &parts.hour,
                &parts.minute);
    return DateTime{table::MakeDateTime(parts)->ms + shift_minutes * int64_t{60'000}};
}

OddsRecord Event(const char* sport, const char* home, const char* guest, DateTime start) {
    OddsRecord row;
    row.sport_type_name = Utf8ToCp1251(sport);
    row.team_h_name = Utf8ToCp1251(home);
    row.team_g_name = Utf8ToCp1251(guest);
    row.sport_event_date = start;
    return row;
}

std::map<int, int> Pairs(const MatchResult& result) {
    std::map<int, int> pairs;
    for (const EventPair& pair : result.pairs) {
        EXPECT_GE(pair.score, 0.0);
        EXPECT_LE(pair.score, 1.0);
        pairs[pair.first] = pair.second;
    }
    return pairs;
}

TEST(EventMatcherTest, FindsTheOffsetAndSurvivesTheTraps) {
    constexpr int kOffset = -150;  // the second's clock: two and a half hours behind
    const std::vector<OddsRecord> first = {
        Event("футбол", "Арсенал", "Челси", At("2026-05-16 17:00")),
        Event("футбол", "Челси", "Арсенал", At("2026-05-20 17:00")),
        Event("футбол", "Манчестер Юнайтед", "Эвертон", At("2026-05-16 17:00")),
        Event("футбол", "Манчестер Сити", "Ливерпуль", At("2026-05-16 17:00")),
        Event("футбол", "Динамо М", "Спартак М", At("2026-05-17 14:00")),
        Event("футбол", "Динамо К", "Спартак Тр", At("2026-05-17 14:00")),
        Event("теннис", "Уильямс С.", "Халеп С.", At("2026-05-16 13:00")),
        Event("теннис", "Уильямс В.", "Квитова П.", At("2026-05-16 13:00")),
        Event("бейсбол", "Ёмиури Джайентс", "Хансин Тайгерс", At("2026-05-16 12:00")),
        Event("хоккей", "ЦСКА", "СКА", At("2026-05-16 17:00")),
        Event("бейсбол", "Нью-Йорк Янкиз", "Бостон Ред Сокс", At("2026-05-16 02:05")),
        Event("футбол", "Тоттенхэм", "Вест Хэм", At("2026-05-16 17:40")),
        Event("футбол", "", "...", At("2026-05-16 17:00")),
        Event("футбол", std::string(10'000, 'x').c_str(), "Челси", At("2026-05-16 17:00")),
    };
    const std::vector<OddsRecord> second = {
        Event("soccer", "Chelsea", "Arsenal", At("2026-05-20 17:00", kOffset)),
        Event("soccer", "Arsenal", "Chelsea", At("2026-05-16 17:00", kOffset)),
        Event("soccer", "Manchester City", "Liverpool", At("2026-05-16 17:00", kOffset)),
        Event("soccer", "Manchester United", "Everton", At("2026-05-16 17:00", kOffset)),
        Event("soccer", "Dynamo Kyiv", "Spartak Trnava", At("2026-05-17 14:00", kOffset)),
        Event("soccer", "Dynamo Moscow", "Spartak Moscow", At("2026-05-17 14:00", kOffset)),
        Event("tennis", "Williams V.", "Petra Kvitova", At("2026-05-16 13:00", kOffset)),
        Event("tennis", "Serena Williams", "Simona Halep", At("2026-05-16 13:00", kOffset)),
        Event("baseball", "Yomiuri Giants", "Hanshin Tigers", At("2026-05-16 12:00", kOffset)),
        Event("soccer", "Arsenal", "Liverpool", At("2026-05-18 17:00", kOffset)),
        // A few minutes apart, within the allowed drift.
        Event("baseball", "New York Yankees", "Boston Red Sox",
              At("2026-05-16 02:05", kOffset + 7)),
        // Twenty minutes off the offset: out of reach.
        Event("soccer", "Tottenham", "West Ham", At("2026-05-16 17:20", kOffset)),
        Event("soccer", "東京", "", At("2026-05-16 17:00", kOffset)),
    };
    const MatchResult result = MatchEvents(first, second);
    EXPECT_EQ(result.offset_ms, kOffset * int64_t{60'000});
    EXPECT_GE(result.offset_support, 5);
    const std::map<int, int> expected = {{0, 1}, {1, 0}, {2, 3}, {3, 2}, {4, 5},
                                         {5, 4}, {6, 7}, {7, 6}, {8, 8}, {10, 10}};
    EXPECT_EQ(Pairs(result), expected);
}

TEST(EventMatcherTest, OneToOneByBestScoreNotByFirstHit) {
    // "Спартак" alone comes first and would take the only candidate; the exact name wins it, and
    // the bare name stays unmatched.
    const std::vector<OddsRecord> first = {
        Event("футбол", "Спартак", "Зенит", At("2026-05-16 17:00")),
        Event("футбол", "Спартак М", "Зенит", At("2026-05-16 17:00")),
    };
    const std::vector<OddsRecord> second = {
        Event("soccer", "Spartak Moscow", "Zenit", At("2026-05-16 17:00")),
    };
    EXPECT_EQ(Pairs(MatchEvents(first, second)), (std::map<int, int>{{1, 0}}));
}

TEST(EventMatcherTest, AnUnclearChoiceStaysUnmatched) {
    // Two equally good events at the second: no guess.
    const std::vector<OddsRecord> first = {
        Event("футбол", "Спартак", "Зенит", At("2026-05-16 17:00")),
    };
    const std::vector<OddsRecord> second = {
        Event("soccer", "Spartak Moscow", "Zenit", At("2026-05-16 17:00")),
        Event("soccer", "Spartak Moscow", "Zenit", At("2026-05-16 17:05")),
    };
    EXPECT_TRUE(MatchEvents(first, second).pairs.empty());
}

TEST(EventMatcherTest, DoubleheadersPairByStart) {
    const std::vector<OddsRecord> first = {
        Event("бейсбол", "Чикаго Кабс", "Хьюстон Астрос", At("2026-05-16 19:05")),
        Event("бейсбол", "Чикаго Кабс", "Хьюстон Астрос", At("2026-05-16 13:05")),
        Event("бейсбол", "Хьюстон Астрос", "Чикаго Кабс", At("2026-05-17 13:05")),
    };
    const std::vector<OddsRecord> second = {
        Event("baseball", "Chicago Cubs", "Houston Astros", At("2026-05-16 13:05", 600)),
        Event("baseball", "Chicago Cubs", "Houston Astros", At("2026-05-16 19:05", 600)),
        Event("baseball", "Houston Astros", "Chicago Cubs", At("2026-05-17 13:05", 600)),
    };
    const MatchResult result = MatchEvents(first, second);
    EXPECT_EQ(result.offset_ms, 10 * 3'600'000);
    EXPECT_EQ(Pairs(result), (std::map<int, int>{{0, 1}, {1, 0}, {2, 2}}));
}

TEST(EventMatcherTest, AliasesAlwaysWin) {
    const std::vector<OddsRecord> first = {
        Event("футбол", "Спартак М", "Зенит", At("2026-05-16 17:00")),
        Event("футбол", "Динамо М", "Рубин", At("2026-05-16 17:00")),
    };
    const std::vector<OddsRecord> second = {
        Event("soccer", "Red-White Moscow", "Zenit", At("2026-05-16 17:00")),
        Event("soccer", "Dynamo Moscow", "Rubin", At("2026-05-16 17:00")),
    };
    EXPECT_EQ(Pairs(MatchEvents(first, second)), (std::map<int, int>{{1, 1}}));
    Aliases aliases;
    aliases.Add(Utf8ToCp1251("Спартак М"), "Red-White Moscow", "");
    // Linked to another name, "Динамо М" no longer matches "Dynamo Moscow".
    aliases.Add(Utf8ToCp1251("Динамо М"), "Dinamo Moskva", Utf8ToCp1251("футбол"));
    MatchOptions options;
    options.aliases = &aliases;
    EXPECT_EQ(Pairs(MatchEvents(first, second, options)), (std::map<int, int>{{0, 0}}));
}

TEST(EventMatcherTest, RowsMissingWhatMatchingNeedsAreLeftOut) {
    OddsRecord no_start = Event("футбол", "Арсенал", "Челси", At("2026-05-16 17:00"));
    no_start.sport_event_date.reset();
    OddsRecord no_sport = Event("футбол", "Арсенал", "Челси", At("2026-05-16 17:00"));
    no_sport.sport_type_name.reset();
    OddsRecord no_guest = Event("футбол", "Арсенал", "Челси", At("2026-05-16 17:00"));
    no_guest.team_g_name.reset();
    const std::vector<OddsRecord> first = {no_start, no_sport, no_guest};
    const std::vector<OddsRecord> second = {
        Event("soccer", "Arsenal", "Chelsea", At("2026-05-16 17:00"))};
    EXPECT_TRUE(MatchEvents(first, second).pairs.empty());
    EXPECT_TRUE(MatchEvents({}, second).pairs.empty());
    EXPECT_TRUE(MatchEvents(second, {}).pairs.empty());
}

TEST(LineComparisonTest, EveryRowOnceWithTheUnmatchedAndOnlySurebetsWhenAsked) {
    std::vector<OddsRecord> first = {
        Event("футбол", "Арсенал", "Челси", At("2026-05-16 17:00")),
        Event("хоккей", "ЦСКА", "СКА", At("2026-05-16 17:00")),
        Event("футбол", "Ливерпуль", "Эвертон", At("2026-05-16 17:00")),
    };
    std::vector<OddsRecord> second = {
        Event("soccer", "Liverpool", "Everton", At("2026-05-16 17:00")),
        Event("soccer", "Aston Villa", "Everton", At("2026-05-17 17:00")),
        Event("soccer", "Arsenal", "Chelsea", At("2026-05-16 17:00")),
    };
    first[0].P1 = DecimalFromDouble(2.5), first[0].X = DecimalFromDouble(3.6);
    second[2].P2 = DecimalFromDouble(3.9), second[2].P1 = DecimalFromDouble(2.1);
    LineOptions options;
    options.include_unmatched = true;
    const LineComparison all = CompareLines(first, second, options);
    ASSERT_EQ(all.events.size(), 4u);
    EXPECT_EQ(all.matched, 2);
    EXPECT_EQ(all.events[0].first, 0);
    EXPECT_EQ(all.events[0].second, 2);
    EXPECT_EQ(all.events[1].first, 1);
    EXPECT_EQ(all.events[1].second, -1);
    EXPECT_FALSE(all.events[1].score);
    EXPECT_EQ(all.events[2].second, 0);
    EXPECT_EQ(all.events[3].first, -1);
    EXPECT_EQ(all.events[3].second, 1);
    EXPECT_EQ(all.events[0].comparison.surebets.size(), 1u);

    options.surebets_only = true;
    const LineComparison sure = CompareLines(first, second, options);
    ASSERT_EQ(sure.events.size(), 1u);
    EXPECT_EQ(sure.events[0].first, 0);
}

}  // namespace
}  // namespace lintaro::compare
