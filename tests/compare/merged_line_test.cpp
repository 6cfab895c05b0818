// The merged line: one row per compared event whose prices are the comparison's best, each with
// the bookmaker that holds it; every row of both lines in exactly one event; the second's events
// of its own on the first's clock and under the first's names of their sport and tournament.
#include "compare/merged_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "demo/demo_line.h"
#include "demo_test_util.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace lintaro::compare {
namespace {

Holder HolderOf(Where where) {
    switch (where) {
        case Where::kFirst:
            return Holder::kFirst;
        case Where::kSecond:
            return Holder::kSecond;
        case Where::kBoth:
            return Holder::kBoth;
    }
    return Holder::kNone;
}

std::optional<table::Decimal> FieldDecimal(const table::OddsRecord& row, int field) {
    const table::StoredValue value = GetField(row, field);
    if (const auto* decimal = std::get_if<table::Decimal>(&value)) return *decimal;
    return std::nullopt;
}

TEST(MergedLineTest, OnTheDemoUniverseEachRowShowsTheComparisonsBestPricesOnce) {
    for (const uint32_t seed : {1u, 7u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        demo::DemoOptions options = testing_util::DemoTestOptions(600, seed);
        const std::vector<table::OddsRecord> first =
            demo::BuildFirstLine(options, testing_util::kDemoToday).rows;
        const std::vector<table::OddsRecord> second =
            demo::BuildSecondLine(options, testing_util::kDemoToday).rows;
        LineOptions all;
        all.include_unmatched = true;
        const LineComparison expected = CompareLines(first, second, all);
        const MergedLine line = MergeLines(first, second);

        ASSERT_EQ(line.rows.size(), expected.events.size());
        ASSERT_EQ(line.events.size(), expected.events.size());
        EXPECT_EQ(line.matched, expected.matched);
        EXPECT_GT(line.matched, 100);
        std::multiset<int> firsts, seconds;
        int surebets = 0;
        for (size_t i = 0; i < line.events.size(); ++i) {
            const MergedEvent& event = line.events[i];
            const ComparedEvent& compared = expected.events[i];
            const table::OddsRecord& row = line.rows[i];
            ASSERT_EQ(row.Key_ID, static_cast<int32_t>(i + 1));
            ASSERT_EQ(line.Find(row), &event);
            ASSERT_EQ(event.first, compared.first);
            ASSERT_EQ(event.second, compared.second);
            if (event.first >= 0) firsts.insert(event.first);
            if (event.second >= 0) seconds.insert(event.second);
            // The best surebet is the comparison's most profitable one.
            std::optional<double> best;
            for (const Surebet& surebet : compared.comparison.surebets) {
                best = std::max(best.value_or(surebet.profit), surebet.profit);
            }
            EXPECT_EQ(event.BestSurebet(), best);
            EXPECT_EQ(event.comparison.margin, compared.comparison.margin);
            if (best && event.Matched()) ++surebets;
            if (!event.Matched()) {
                for (const Holder holder : event.holders) EXPECT_EQ(holder, Holder::kNone);
                continue;
            }
            // A matched event: the first's words, the best prices, each with its holder.
            const table::OddsRecord& at_first = first[event.first];
            EXPECT_EQ(row.team_h_name, at_first.team_h_name);
            EXPECT_EQ(row.competition_name, at_first.competition_name);
            EXPECT_EQ(row.sport_event_date, at_first.sport_event_date);
            for (const BestPrice& price : compared.comparison.best) {
                const int field = table::FieldIndex(PriceFieldName(price.field));
                const bool totals_apart = [&] {
                    if (price.field != PriceField::kTM && price.field != PriceField::kTB) {
                        return false;
                    }
                    for (const BestPrice& other : compared.comparison.best) {
                        if ((other.field == PriceField::kTM || other.field == PriceField::kTB) &&
                            other.line != price.line) {
                            return true;
                        }
                    }
                    return false;
                }();
                if (totals_apart) continue;
                SCOPED_TRACE(PriceFieldName(price.field));
                EXPECT_EQ(FieldDecimal(row, field), price.price);
                EXPECT_EQ(event.holders[field], HolderOf(price.from));
            }
        }
        // Every row of either line stands in exactly one event.
        EXPECT_EQ(firsts.size(), first.size());
        EXPECT_EQ(std::set<int>(firsts.begin(), firsts.end()).size(), first.size());
        EXPECT_EQ(seconds.size(), second.size());
        EXPECT_EQ(std::set<int>(seconds.begin(), seconds.end()).size(), second.size());
        EXPECT_GT(surebets, 0);
        std::printf("  seed %u: %zu events, %d matched, %d with a surebet\n", seed,
                    line.events.size(), line.matched, surebets);
    }
}

table::DateTime At(int day, int hour) {
    return *table::MakeDateTime(table::CalendarParts{2026, 5, day, hour, 0, 0, 0});
}

table::OddsRecord Event(const char* sport, const char* tournament, const char* home,
                        const char* guest, table::DateTime start) {
    table::OddsRecord row;
    row.sport_type_name = table::Utf8ToCp1251(sport);
    row.competition_name = table::Utf8ToCp1251(tournament);
    row.team_h_name = table::Utf8ToCp1251(home);
    row.team_g_name = table::Utf8ToCp1251(guest);
    row.sport_event_date = start;
    return row;
}

table::Decimal D(double value) { return *table::DecimalFromDouble(value); }

TEST(MergedLineTest, LinesApartKeepTheFirstsOwnAndTheSecondsOwnEventsReadInTheFirstsWords) {
    // The second's clock runs three hours behind.
    std::vector<table::OddsRecord> first = {
        Event("Футбол", "Англия. Премьер-лига", "Арсенал", "Челси", At(16, 17)),
        Event("Футбол", "Англия. Премьер-лига", "Ливерпуль", "Эвертон", At(16, 19)),
        Event("Футбол", "Англия. Премьер-лига", "Тоттенхэм", "Фулхэм", At(17, 15)),
    };
    std::vector<table::OddsRecord> second = {
        Event("soccer", "England - Premier League", "Arsenal", "Chelsea", At(16, 14)),
        Event("soccer", "England - Premier League", "Liverpool", "Everton", At(16, 16)),
        Event("soccer", "England - Premier League", "Brentford", "Wolverhampton", At(18, 12)),
    };
    // Arsenal - Chelsea: the draw equal, handicaps at different lines, totals at one.
    first[0].P1 = D(2.10), first[0].X = D(3.40), first[0].P2 = D(3.50);
    second[0].P1 = D(2.15), second[0].X = D(3.40), second[0].P2 = D(3.30);
    first[0].VF1 = D(-1.5), first[0].F1 = D(2.90), first[0].VF2 = D(1.5), first[0].F2 = D(1.40);
    second[0].VF1 = D(-1), second[0].F1 = D(2.30), second[0].VF2 = D(1), second[0].F2 = D(1.60);
    first[0].VT = D(2.5), first[0].TM = D(1.90), first[0].TB = D(1.95);
    second[0].VT = D(2.5), second[0].TM = D(1.85), second[0].TB = D(2.02);
    first[0].dop_info = "";
    second[0].dop_info = "<p>sheet</p>";
    second[2].P1 = D(1.5);

    const MergedLine line = MergeLines(first, second);
    ASSERT_EQ(line.offset_ms, -3 * 3'600'000);
    ASSERT_EQ(line.rows.size(), 4u);  // two pairs, the first's third, the second's third
    const table::OddsRecord& pair = line.rows[0];
    const MergedEvent& event = line.events[0];
    ASSERT_TRUE(event.Matched());
    EXPECT_EQ(pair.P1, D(2.15));
    EXPECT_EQ(event.holders[table::FieldIndex("P1")], Holder::kSecond);
    EXPECT_EQ(event.holders[table::FieldIndex("X")], Holder::kBoth);
    EXPECT_EQ(event.holders[table::FieldIndex("P2")], Holder::kFirst);
    // Handicaps at other lines are not compared: the row shows the first's own, held by nobody.
    EXPECT_EQ(pair.VF1, D(-1.5));
    EXPECT_EQ(pair.F1, D(2.90));
    EXPECT_EQ(event.holders[table::FieldIndex("F1")], Holder::kNone);
    EXPECT_EQ(pair.TM, D(1.90));
    EXPECT_EQ(pair.TB, D(2.02));
    EXPECT_EQ(event.holders[table::FieldIndex("TB")], Holder::kSecond);
    EXPECT_EQ(event.holders[table::FieldIndex("VT")], Holder::kNone);
    // The first has no sheet: the second's stands in, so the row has one.
    EXPECT_EQ(pair.dop_info, "<p>sheet</p>");

    const table::OddsRecord& own = line.rows[3];
    const MergedEvent& own_event = line.events[3];
    EXPECT_EQ(own_event.second, 2);
    EXPECT_EQ(own_event.first, -1);
    EXPECT_EQ(own.sport_type_name, table::Utf8ToCp1251("Футбол"));
    EXPECT_EQ(own.competition_name, table::Utf8ToCp1251("Англия. Премьер-лига"));
    EXPECT_EQ(own.sport_event_date, At(18, 15));
    EXPECT_EQ(own.team_h_name, "Brentford");
    EXPECT_EQ(own.P1, D(1.5));
    EXPECT_EQ(line.SecondRow(own_event), &line.second_rows[2]);
    EXPECT_EQ(line.FirstRow(own_event), nullptr);

    table::OddsRecord stranger = own;
    stranger.Key_ID = 99;
    EXPECT_EQ(line.Find(stranger), nullptr);
    stranger.Key_ID.reset();
    EXPECT_EQ(line.Find(stranger), nullptr);
}

TEST(MergedLineTest, EmptyLinesMergeToNothing) {
    const MergedLine line = MergeLines({}, {});
    EXPECT_TRUE(line.rows.empty());
    EXPECT_TRUE(line.events.empty());
}

}  // namespace
}  // namespace lintaro::compare
