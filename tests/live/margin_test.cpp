// The three margins against hand-computed values, the rules that leave a margin empty, and the
// percent text with its half-to-even rounding.
#include "live/margin.h"

#include <gtest/gtest.h>

namespace lintaro::live {
namespace {

std::optional<Decimal> Price(double value) { return DecimalFromDouble(value); }

TEST(MarginTest, MarketsAgainstHandComputedValues) {
    OddsRecord row;
    row.P1 = Price(2.0);
    row.X = Price(4.0);
    row.P2 = Price(3.2);
    row.F1 = Price(1.9);
    row.F2 = Price(1.9);
    row.TM = Price(1.85);
    row.TB = Price(1.95);
    // 0.5 + 0.25 + 0.3125 - 1; 2 / 1.9 - 1; 1 / 1.85 + 1 / 1.95 - 1.
    EXPECT_NEAR(*Margin1X2(row), 0.0625, 1e-12);
    EXPECT_NEAR(*MarginHandicap(row), 0.0526315789, 1e-9);
    EXPECT_NEAR(*MarginTotal(row), 0.0533610534, 1e-9);
    EXPECT_EQ(FormatMarginPercent(*Margin1X2(row)), "6.2%");  // 6.25: a half, to the even 6.2
    EXPECT_EQ(FormatMarginPercent(*MarginHandicap(row), ","), "5,3%");
    EXPECT_EQ(FormatMarginPercent(*MarginTotal(row)), "5.3%");
}

TEST(MarginTest, MatchResultIsTwoWayOnlyWithoutAnyDrawPrice) {
    OddsRecord tennis;
    tennis.P1 = Price(1.28);
    tennis.P2 = Price(1.28);
    ASSERT_TRUE(Margin1X2(tennis));
    EXPECT_EQ(FormatMarginPercent(*Margin1X2(tennis)), "56.2%");  // 56.25 to the even tenth

    // A missing draw next to a quoted double chance is a missing price, not a two-way market.
    for (auto field : {&OddsRecord::PX1, &OddsRecord::P2X, &OddsRecord::P12}) {
        OddsRecord row = tennis;
        row.*field = Price(1.3);
        EXPECT_FALSE(Margin1X2(row));
    }
}

TEST(MarginTest, EmptyWhenAPriceIsNullOrAtMostOne) {
    OddsRecord full;
    full.P1 = Price(1.6);
    full.X = Price(3.2);
    full.P2 = Price(10);
    full.P12 = Price(1.1);  // a double chance is quoted: a null X is a missing price
    full.F1 = full.F2 = full.TM = full.TB = Price(1.9);
    ASSERT_TRUE(Margin1X2(full) && MarginHandicap(full) && MarginTotal(full));
    EXPECT_EQ(FormatMarginPercent(*Margin1X2(full)), "3.8%");  // 3.75 to the even 3.8

    struct Case {
        std::optional<Decimal> OddsRecord::*field;
        std::optional<double> (*margin)(const OddsRecord&);
    };
    const Case cases[] = {
        {&OddsRecord::P1, Margin1X2},      {&OddsRecord::X, Margin1X2},
        {&OddsRecord::P2, Margin1X2},      {&OddsRecord::F1, MarginHandicap},
        {&OddsRecord::F2, MarginHandicap}, {&OddsRecord::TM, MarginTotal},
        {&OddsRecord::TB, MarginTotal},
    };
    for (const Case& c : cases) {
        for (const std::optional<Decimal>& bad :
             {std::optional<Decimal>{}, Price(1.0), Price(0.5), Price(-2.0)}) {
            OddsRecord row = full;
            row.*(c.field) = bad;
            SCOPED_TRACE(bad ? bad->scaled : -1);
            EXPECT_FALSE(c.margin(row));
        }
        OddsRecord row = full;
        row.*(c.field) = Price(1.0001);  // just above one: a price
        EXPECT_TRUE(c.margin(row));
    }
}

TEST(MarginTest, PercentTextRounding) {
    struct Case {
        double fraction;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0.0%"},      {0.05263, "5.3%"},    {0.05249, "5.2%"},    {0.0125, "1.2%"},
        {0.0135, "1.4%"},   {0.01250001, "1.3%"}, {-0.047619, "-4.8%"}, {-0.00004, "0.0%"},
        {-0.0025, "-0.2%"}, {1.234, "123.4%"},    {0.0004999, "0.0%"},  {0.1, "10.0%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fraction);
        EXPECT_EQ(FormatMarginPercent(c.fraction), c.text);
    }
    EXPECT_EQ(MarginTenthsOfPercent(0.0526), 53);
}

}  // namespace
}  // namespace lintaro::live
