// Best prices, margins and surebets against hand-computed cases.
#include "compare/price_comparison.h"

#include <gtest/gtest.h>

namespace lintaro::compare {

using table::OddsRecord;

namespace {

table::Decimal D(double value) { return *table::DecimalFromDouble(value); }

const BestPrice* Find(const EventComparison& c, PriceField field) {
    for (const BestPrice& best : c.best) {
        if (best.field == field) return &best;
    }
    return nullptr;
}

const Surebet* FindSurebet(const EventComparison& c, const std::string& market) {
    for (const Surebet& surebet : c.surebets) {
        if (surebet.market == market) return &surebet;
    }
    return nullptr;
}

TEST(PriceComparisonTest, BestPriceAndWhereAndTheMargin) {
    OddsRecord first, second;
    first.P1 = D(2.10), first.X = D(3.40), first.P2 = D(3.50);
    second.P1 = D(2.30), second.X = D(3.20), second.P2 = D(3.50);
    second.PX1 = D(1.0);  // at most 1.0 is no price
    const EventComparison c = CompareEvent(first, second);
    ASSERT_EQ(c.best.size(), 3u);
    EXPECT_EQ(Find(c, PriceField::kP1)->price, D(2.30));
    EXPECT_EQ(Find(c, PriceField::kP1)->from, Where::kSecond);
    EXPECT_EQ(Find(c, PriceField::kX)->from, Where::kFirst);
    EXPECT_EQ(Find(c, PriceField::kP2)->from, Where::kBoth);
    ASSERT_TRUE(c.margin);
    EXPECT_NEAR(*c.margin, 0.0146145, 1e-6);  // 1/2.3 + 1/3.4 + 1/3.5 - 1
    EXPECT_TRUE(c.surebets.empty());
}

TEST(PriceComparisonTest, MatchResultSurebetWithStakesInCents) {
    OddsRecord first, second;
    first.P1 = D(2.50), first.X = D(3.60), first.P2 = D(3.00);
    second.P1 = D(2.10), second.X = D(3.40), second.P2 = D(3.90);
    const EventComparison c = CompareEvent(first, second, 100.0);
    const Surebet* surebet = FindSurebet(c, "1X2");
    ASSERT_NE(surebet, nullptr);
    EXPECT_NEAR(surebet->profit, 0.0704483, 1e-6);  // 1 / (1/2.5 + 1/3.6 + 1/3.9) - 1
    ASSERT_EQ(surebet->stakes.size(), 3u);
    EXPECT_EQ(surebet->stakes[0].field, PriceField::kP1);
    EXPECT_DOUBLE_EQ(surebet->stakes[0].amount, 42.82);
    EXPECT_DOUBLE_EQ(surebet->stakes[1].amount, 29.73);
    EXPECT_DOUBLE_EQ(surebet->stakes[2].amount, 27.45);
    // The exact split wins 7.04; the rounded one at worst 107.028 - 100.
    EXPECT_DOUBLE_EQ(surebet->rounding_cost, 0.02);
    EXPECT_NEAR(*c.margin, 1 / 2.5 + 1 / 3.6 + 1 / 3.9 - 1, 1e-12);
}

TEST(PriceComparisonTest, NoSurebetWhenAnOutcomeIsMissing) {
    // 1/4 + 1/4 is far below 1, but nobody quotes the guest's win: no surebet, no margin.
    OddsRecord first, second;
    first.P1 = D(4.0), first.X = D(4.0);
    second.P1 = D(1.2), second.P2 = D(0);
    const EventComparison c = CompareEvent(first, second);
    EXPECT_TRUE(c.surebets.empty());
    EXPECT_FALSE(c.margin);
    EXPECT_EQ(Find(c, PriceField::kP2), nullptr);
}

TEST(PriceComparisonTest, TwoWayMatchResultWhenNeitherQuotesADraw) {
    // The second stores a tennis draw as 0: no price.
    OddsRecord first, second;
    first.P1 = D(1.80), first.P2 = D(2.10);
    second.P1 = D(2.05), second.X = D(0), second.P2 = D(1.85);
    const EventComparison c = CompareEvent(first, second);
    EXPECT_EQ(Find(c, PriceField::kX), nullptr);
    EXPECT_NEAR(*c.margin, 1 / 2.05 + 1 / 2.1 - 1, 1e-12);
    const Surebet* surebet = FindSurebet(c, "1X2");
    ASSERT_NE(surebet, nullptr);
    EXPECT_NEAR(surebet->profit, 0.0373494, 1e-6);
    EXPECT_EQ(surebet->stakes.size(), 2u);
}

TEST(PriceComparisonTest, HandicapsAndTotalsOnlyAtEqualLines) {
    OddsRecord first, second;
    first.F1 = D(1.90), first.VF1 = D(-1.5), first.F2 = D(1.95), first.VF2 = D(1.5);
    first.TM = D(1.90), first.TB = D(1.90), first.VT = D(2.5);
    second.F1 = D(2.10), second.VF1 = D(-1.0), second.F2 = D(2.20), second.VF2 = D(1.0);
    second.TM = D(2.00), second.TB = D(1.80), second.VT = D(2.5);
    EventComparison c = CompareEvent(first, second);
    EXPECT_EQ(Find(c, PriceField::kF1), nullptr);
    EXPECT_EQ(Find(c, PriceField::kF2), nullptr);
    EXPECT_EQ(Find(c, PriceField::kTM)->from, Where::kSecond);
    EXPECT_EQ(Find(c, PriceField::kTB)->from, Where::kFirst);
    EXPECT_EQ(*Find(c, PriceField::kTB)->line, D(2.5));
    EXPECT_EQ(FindSurebet(c, "T"), nullptr);  // 1/2 + 1/1.9 > 1
    EXPECT_EQ(FindSurebet(c, "F"), nullptr);

    second.VF1 = D(-1.5), second.VF2 = D(1.5), second.F2 = D(1.80);
    c = CompareEvent(first, second);
    EXPECT_EQ(Find(c, PriceField::kF1)->from, Where::kSecond);
    EXPECT_EQ(Find(c, PriceField::kF2)->from, Where::kFirst);
    const Surebet* surebet = FindSurebet(c, "F");
    ASSERT_NE(surebet, nullptr);
    EXPECT_NEAR(surebet->profit, 0.0111111, 1e-6);  // 1 / (1/2.1 + 1/1.95) - 1

    // A total line that differs leaves the totals out.
    second.VT = D(3.0);
    c = CompareEvent(first, second);
    EXPECT_EQ(Find(c, PriceField::kTM), nullptr);
}

TEST(PriceComparisonTest, DoubleChanceAgainstItsOpposite) {
    OddsRecord first, second;
    first.PX1 = D(1.30), first.P2X = D(1.40), first.P12 = D(1.25);
    second.P1 = D(2.0), second.X = D(3.0), second.P2 = D(4.80);
    const EventComparison c = CompareEvent(first, second, 50.0);
    ASSERT_EQ(c.surebets.size(), 1u);
    EXPECT_EQ(c.surebets[0].market, "DC");
    EXPECT_NEAR(c.surebets[0].profit, 0.0229508, 1e-6);  // 1 / (1/1.3 + 1/4.8) - 1
    EXPECT_EQ(c.surebets[0].stakes[0].field, PriceField::kPX1);
    EXPECT_EQ(c.surebets[0].stakes[1].field, PriceField::kP2);
    EXPECT_NEAR(c.surebets[0].stakes[0].amount + c.surebets[0].stakes[1].amount, 50.0, 0.011);
}

TEST(PriceComparisonTest, OneSideAloneIsItsOwnBest) {
    OddsRecord row;
    row.P1 = D(1.5), row.P2 = D(2.5), row.F1 = D(1.9), row.VF1 = D(-0.5);
    const EventComparison c = CompareEvent(OddsRecord{}, row);
    ASSERT_EQ(c.best.size(), 3u);
    for (const BestPrice& best : c.best) EXPECT_EQ(best.from, Where::kSecond);
    EXPECT_EQ(*Find(c, PriceField::kF1)->line, D(-0.5));
}

}  // namespace
}  // namespace lintaro::compare
