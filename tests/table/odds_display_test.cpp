// Display texts of the table's fields: the two decimal formats with their rounding, the regional
// date and time patterns, and the midnight rule.
#include "table/odds_display.h"

#include <gtest/gtest.h>

namespace lintaro::table {
namespace {

Decimal Dec(int64_t scaled) { return Decimal{scaled}; }

TEST(OddsDisplayTest, DecimalFormatsRoundOnTheStoredValue) {
    struct Case {
        int64_t scaled;
        DecimalFormat format;
        const char* shown;
    };
    constexpr auto kPrice = DecimalFormat::kPrice;
    constexpr auto kValue = DecimalFormat::kValue;
    const Case cases[] = {
        {18500, kPrice, "1.85"},
        {20000, kPrice, "2.00"},
        {5000, kPrice, ".50"},
        {18750, kPrice, "1.875"},
        {18755, kPrice, "1.876"},
        {18745, kPrice, "1.874"},
        {18765, kPrice, "1.876"},
        {18766, kPrice, "1.877"},
        {5, kPrice, ".00"},  // 0.0005: a half, to the even 0
        {15, kPrice, ".002"},
        {0, kPrice, ".00"},
        {-4, kPrice, ".00"},  // rounds to zero: no sign
        {-18755, kPrice, "-1.876"},
        {9999999996, kPrice, "1000000.00"},
        {1234567891, kPrice, "123456.789"},
        // Lines: as many decimals as they have, up to two; more are rounded to two.
        {20000, kValue, "2"},
        {-15000, kValue, "-1.5"},
        {2500, kValue, "0.25"},
        {7500, kValue, "0.75"},
        {-12500, kValue, "-1.25"},
        {20400, kValue, "2.04"},
        {0, kValue, "0"},
        {-40, kValue, "0"},
        {-50, kValue, "0"},  // -0.005: a half, to the even 0
        {-51, kValue, "-0.01"},
        {21250, kValue, "2.12"},  // 2.125: a half, to the even 2
        {21350, kValue, "2.14"},
        {21251, kValue, "2.13"},
        {9999999999, kValue, "1000000"},
        {1000, kValue, "0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.scaled << (c.format == kPrice ? " #.00#" : " 0.#"));
        EXPECT_EQ(FormatDecimal(Dec(c.scaled), c.format, "."), c.shown);
    }
    EXPECT_EQ(FormatDecimal(Dec(18755), kPrice, ","), "1,876");
    EXPECT_EQ(FormatDecimal(Dec(-15000), kValue, "٫"), "-1٫5");
    EXPECT_EQ(FormatDecimal(Dec(-7500), kValue, ","), "-0,75");
}

// What a cell shows of each kind of value a bookmaker gives, with the exact value a tooltip adds
// when the cell rounds it. The first bookmaker's half and whole lines read as they always have.
TEST(OddsDisplayTest, LinesAndPricesAsCellsShowThem) {
    struct Case {
        const char* what;
        const char* field;
        std::optional<int64_t> scaled;
        const char* shown;
        const char* exact;  // FormatExactDecimal when the cell rounds, else ""
    };
    const Case cases[] = {
        {"half line", "VF1", -15000, "-1.5", ""},
        {"half total", "VT", 25000, "2.5", ""},
        {"whole line", "VF2", 20000, "2", ""},
        {"zero line", "VF1", 0, "0", ""},
        {"quarter line", "VF1", -7500, "-0.75", ""},
        {"quarter line above one", "VT", 12500, "1.25", ""},
        {"quarter line below one", "VF2", 2500, "0.25", ""},
        {"negative quarter line", "VF2", -2500, "-0.25", ""},
        {"more than two decimals", "VT", 21250, "2.12", "2.125"},
        {"more than two decimals, negative", "VF1", -7525, "-0.75", "-0.7525"},
        {"null line", "VT", std::nullopt, "", ""},
        {"price", "P1", 18500, "1.85", ""},
        {"whole price", "F1", 20000, "2.00", ""},
        {"price of three decimals", "TB", 18750, "1.875", ""},
        {"price of four decimals", "TM", 18755, "1.876", "1.8755"},
        {"tennis draw stored as 0", "X", 0, "", ""},
        {"price of 1.0", "P2", 10000, "", ""},
        {"price just above 1.0", "P2", 10010, "1.001", ""},
        {"negative price", "PX1", -20000, "", ""},
        {"null price", "P12", std::nullopt, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OddsRecord row;
        const int field = FieldIndex(c.field);
        const std::optional<Decimal> value =
            c.scaled ? std::optional<Decimal>(Dec(*c.scaled)) : std::nullopt;
        std::optional<Decimal> OddsRecord::*const kDecimals[] = {
            &OddsRecord::P1,  &OddsRecord::X,  &OddsRecord::P2,  &OddsRecord::PX1, &OddsRecord::P2X,
            &OddsRecord::P12, &OddsRecord::F1, &OddsRecord::VF1, &OddsRecord::F2,  &OddsRecord::VF2,
            &OddsRecord::TM,  &OddsRecord::TB, &OddsRecord::VT};
        row.*kDecimals[field - FieldIndex("P1")] = value;
        EXPECT_EQ(DisplayText(row, field, RegionalFormats{}), c.shown);
        EXPECT_EQ(DecimalFieldText(field, value, "."), c.shown);
        const bool rounded = value && *c.shown && ShowsRounded(*value, DecimalFormatOf(field));
        EXPECT_EQ(rounded ? FormatExactDecimal(*value, ".") : "", c.exact);
    }
}

TEST(OddsDisplayTest, CalendarPatterns) {
    const CalendarParts evening{2024, 3, 7, 19, 30, 5, 40};
    const CalendarParts morning{2005, 11, 21, 0, 4, 9, 7};
    struct Case {
        const CalendarParts& parts;
        const char* pattern;
        const char* shown;
    };
    const Case cases[] = {
        {evening, "dd.MM.yyyy", "07.03.2024"},
        {evening, "d.M.yy", "7.3.24"},
        {evening, "M/d/yy", "3/7/24"},
        {evening, "H:mm:ss", "19:30:05"},
        {morning, "H:mm:ss", "0:04:09"},
        {morning, "HH:mm:ss", "00:04:09"},
        {evening, "h:mm:ss AP", "7:30:05 PM"},
        {morning, "hh:mm ap", "12:04 am"},
        {evening, "HH:mm:ss.zzz", "19:30:05.040"},
        {evening, "s.z", "5.04"},
        {morning, "s.z", "9.007"},
        {evening, "HH:mm:ss t", "19:30:05 "},
        {evening, "'at' H 'o''clock'", "at 19 o'clock"},
        {evening, "yyyy-MM-ddTHH", "2024-03-07T19"},
        {evening, "H''", "19'"},
        {evening, "H 'unterminated", "19 unterminated"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FormatCalendar(c.parts, c.pattern), c.shown);
    }
}

TEST(OddsDisplayTest, DateTimeLeavesOutTheTimeAtMidnightOnly) {
    const RegionalFormats russian{",", "dd.MM.yyyy", "H:mm:ss"};
    const RegionalFormats american{".", "M/d/yyyy", "h:mm:ss AP t"};
    const DateTime evening = *MakeDateTime({2024, 3, 10, 19, 30});
    const DateTime midnight = *MakeDateTime({2024, 3, 10});
    const DateTime just_after = *MakeDateTime({2024, 3, 10, 0, 0, 0, 1});
    EXPECT_EQ(FormatDateTime(evening, russian), "10.03.2024 19:30:00");
    EXPECT_EQ(FormatDateTime(evening, american), "3/10/2024 7:30:00 PM");
    EXPECT_EQ(FormatDateTime(midnight, russian), "10.03.2024");
    EXPECT_EQ(FormatDateTime(just_after, russian), "10.03.2024 0:00:00");
    EXPECT_EQ(FormatDateTime(*MakeDateTime({1899, 12, 29, 6}), russian), "29.12.1899 6:00:00");
}

TEST(OddsDisplayTest, FieldTextsByKind) {
    OddsRecord row;
    row.team_h_name = "\xD1\xEF\xE0\xF0\xF2\xE0\xEA";  // "Спартак" in Windows-1251
    row.sport_event_date = MakeDateTime({2024, 3, 10, 19, 30});
    row.P1 = Dec(18500);
    row.VF1 = Dec(-15000);
    row.Key_ID = -42;
    const RegionalFormats formats{",", "dd.MM.yyyy", "HH:mm:ss"};
    const int p1 = FieldIndex("P1"), vf1 = FieldIndex("VF1"), x = FieldIndex("X");
    EXPECT_EQ(DisplayText(row, FieldIndex("team_h_name"), formats), "Спартак");
    EXPECT_EQ(DisplayText(row, FieldIndex("sport_event_date"), formats), "10.03.2024 19:30:00");
    EXPECT_EQ(DisplayText(row, p1, formats), "1,85");
    EXPECT_EQ(DisplayText(row, vf1, formats), "-1,5");
    EXPECT_EQ(DisplayText(row, x, formats), "");  // null price
    EXPECT_EQ(DisplayText(row, FieldIndex("Key_ID"), formats), "-42");
    EXPECT_EQ(DisplayText(row, FieldIndex("dop_info"), formats), "");

    EXPECT_EQ(AlignmentOf(p1), FieldAlignment::kRight);
    EXPECT_EQ(AlignmentOf(vf1), FieldAlignment::kCenter);
    EXPECT_EQ(AlignmentOf(FieldIndex("VT")), FieldAlignment::kCenter);
    EXPECT_EQ(AlignmentOf(FieldIndex("sport_event_date")), FieldAlignment::kLeft);
    EXPECT_EQ(AlignmentOf(FieldIndex("Key_ID")), FieldAlignment::kRight);
}

}  // namespace
}  // namespace lintaro::table
