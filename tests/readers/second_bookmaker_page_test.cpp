// The second bookmaker's tournament page: 12-hour times moved by 10 hours, the cut handicap and
// total texts, the three sports' row shapes, and per-page numbering.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "reader_test_util.h"
#include "readers/second_bookmaker.h"
#include "readers/text_conversions.h"
#include "regex/pattern.h"
#include "second_bookmaker_pages.h"
#include "table/odds_table.h"

namespace lintaro::readers {

using table::OddsRecord;

namespace {

using testing_util::At;
using testing_util::BaseballEvent;
using testing_util::SoccerCells;
using testing_util::SoccerEvent;
using testing_util::TennisEvent;
using testing_util::Value;

constexpr table::CivilDate kToday{2026, 12, 10};

std::vector<OddsRecord> Parse(const std::string& page, const std::string& sport,
                              const std::string& name = "Premier League") {
    table::OddsTable table;
    table.ResetTable();
    ParseSecondBookmakerPage(NormalizeLines("<table>\r\n" + page + "</table>\r\n"), sport, name,
                             table, kToday);
    return table.Rows();
}

TEST(SecondBookmakerPageTest, ReadsTheSoccerWorkedExample) {
    const std::vector<OddsRecord> rows = Parse(SoccerEvent(), "soccer", "A &nbsp;League ");
    ASSERT_EQ(rows.size(), 1u);
    const OddsRecord& row = rows[0];
    EXPECT_EQ(row.sport_type_name, "soccer");
    EXPECT_EQ(row.competition_name, "A &nbsp;League");  // only the table drops the final blank
    EXPECT_EQ(row.sport_event_date, At({2026, 12, 26}, 6, 5));
    EXPECT_EQ(row.team_h_name, "Alpha");
    EXPECT_EQ(row.team_g_name, "Beta");
    EXPECT_EQ(Value(row.P1), 2.1);
    EXPECT_EQ(Value(row.X), 3.4);
    EXPECT_EQ(Value(row.P2), 3.3);
    EXPECT_EQ(Value(row.VF1), -0.5);
    EXPECT_EQ(Value(row.F1), 1.95);
    EXPECT_EQ(Value(row.VF2), 0.5);
    EXPECT_EQ(Value(row.F2), 1.85);
    EXPECT_EQ(Value(row.VT), 2.5);
    EXPECT_EQ(Value(row.TB), 1.9);
    EXPECT_EQ(Value(row.TM), 1.8);
    EXPECT_EQ(row.PX1, std::nullopt);
    EXPECT_EQ(row.P12, std::nullopt);
    EXPECT_EQ(row.P2X, std::nullopt);
    EXPECT_EQ(row.dop_info, std::nullopt);
    EXPECT_EQ(row.Key_ID, 1);
}

TEST(SecondBookmakerPageTest, ReadsTwelveHourTimesShiftedByTenHours) {
    struct Case {
        std::string date, time;
        std::optional<table::DateTime> expected;
    };
    const Case cases[] = {
        {"12/25", "08:05 PM", At({2026, 12, 26}, 6, 5)},
        {"12/25", "08:05 AM", At({2026, 12, 25}, 18, 5)},
        {"12/25", "08:05", At({2026, 12, 25}, 18, 5)},
        // Twelve o'clock reads as clocks do: 12 AM is hour 0, 12 PM is noon.
        {"12/25", "12:30 AM", At({2026, 12, 25}, 10, 30)},
        {"12/25", "12:30 PM", At({2026, 12, 25}, 22, 30)},
        {"12/25", "12:05 pm", At({2026, 12, 25}, 22, 5)},
        {"12/25", "12:30", At({2026, 12, 25}, 22, 30)},  // without AM or PM: as written
        {"12/25", "13:30 PM", std::nullopt},             // hour 25
        {"12/25", "00:30 AM", At({2026, 12, 25}, 10, 30)},
        {"12/25", "8:05 PM", std::nullopt},   // "8:" is no number
        {"12/25", " 8:05 PM", std::nullopt},  // the cell is trimmed first
        {"12/25", "TBA", std::nullopt},
        {"12/25", "11:60 AM", std::nullopt},
        {"1/5", "08:05 AM", std::nullopt},
        {"Sat 1/5", "08:05 AM", At({2027, 1, 5}, 18, 5)},  // January of the coming year
        {"12/31", "03:00 PM", At({2027, 1, 1}, 1, 0)},     // across New Year
        {"02/29", "08:05 AM", std::nullopt},
        {"13/01", "08:05 AM", std::nullopt},
        {"1225", "08:05 AM", At({2026, 12, 12}, 18, 5)},  // month and day both from "12"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date + " " + c.time);
        SoccerCells cells;
        cells.date = c.date;
        cells.time = c.time;
        const std::vector<OddsRecord> rows = Parse(SoccerEvent(cells), "soccer");
        if (!c.expected) {
            EXPECT_TRUE(rows.empty());
            continue;
        }
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].sport_event_date, c.expected);
    }
}

TEST(SecondBookmakerPageTest, CutsHandicapAndTotalTexts) {
    struct Case {
        std::string home, over, under;
        std::optional<double> vf1, f1, vt, tb, tm;
    };
    const Case cases[] = {
        {"-1.5   2.050", "Over 2.5 and 3   1.950", "Under 2.5   1.850", -1.5, 2.05, 2.5, 1.95,
         1.85},
        {"+1.5   1.800", "Over 2.5   1.950", "under 2.5   1.850", 1.5, 1.8, 2.5, 1.95, 1.85},
        {"-1.5 2.050", "OVER 2.5&nbsp;1.950", "2.5   1.850", -1.5, std::nullopt, 2.5, std::nullopt,
         std::nullopt},
        {"1.5   2.050", "2.5   1.950", "Under", std::nullopt, std::nullopt, std::nullopt,
         std::nullopt, std::nullopt},
        {"&nbsp;", "&nbsp;", "&nbsp;", std::nullopt, std::nullopt, std::nullopt, std::nullopt,
         std::nullopt},
        {"-1,5   2,050", "Over 2,5   1,950", "Under 2.5   1,850", std::nullopt, std::nullopt,
         std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.home + " | " + c.over + " | " + c.under);
        SoccerCells cells;
        cells.home_handicap = c.home;
        cells.over = c.over;
        cells.under = c.under;
        const std::vector<OddsRecord> rows = Parse(SoccerEvent(cells), "soccer");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(Value(rows[0].VF1), c.vf1);
        EXPECT_EQ(Value(rows[0].F1), c.f1);
        EXPECT_EQ(Value(rows[0].VT), c.vt);
        EXPECT_EQ(Value(rows[0].TB), c.tb);
        EXPECT_EQ(Value(rows[0].TM), c.tm);
    }
}

// Numbers restart with each page; a skipped event takes none, a refused row keeps its own; a row
// without a handicap never inherits the previous row's.
TEST(SecondBookmakerPageTest, NumbersEventsAndWorksEveryValueOutAfresh) {
    SoccerCells skipped;
    skipped.time = "TBA";
    SoccerCells refused;
    refused.home_handicap = "-0.5   1000000";
    SoccerCells plain;
    plain.home_handicap = "&nbsp;";
    plain.over = "&nbsp;";
    plain.under = "&nbsp;";
    const std::string page =
        SoccerEvent() + SoccerEvent(skipped) + SoccerEvent(refused) + SoccerEvent(plain);
    const std::vector<OddsRecord> rows = Parse(page, "soccer");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Key_ID, 1);
    EXPECT_EQ(rows[1].Key_ID, 3);
    EXPECT_EQ(rows[1].VF1, std::nullopt);
    EXPECT_EQ(rows[1].F1, std::nullopt);
    EXPECT_EQ(rows[1].VT, std::nullopt);
    EXPECT_EQ(Value(rows[1].VF2), 0.5);
    EXPECT_EQ(Parse(page, "soccer")[0].Key_ID, 1);
}

TEST(SecondBookmakerPageTest, DrawMustFollowSomeText) {
    SoccerCells cells;
    cells.draw_cell = "Draw";
    EXPECT_TRUE(Parse(SoccerEvent(cells), "soccer").empty());
    cells.draw_cell = "x DRAW";
    EXPECT_EQ(Parse(SoccerEvent(cells), "soccer").size(), 1u);
}

TEST(SecondBookmakerPageTest, ReadsBaseballWithoutDraw) {
    const std::vector<OddsRecord> rows =
        Parse(BaseballEvent() + BaseballEvent("1:10 PM"), "baseball");
    ASSERT_EQ(rows.size(), 1u);
    const OddsRecord& row = rows[0];
    EXPECT_EQ(row.sport_type_name, "baseball");
    EXPECT_EQ(row.sport_event_date, At({2026, 12, 26}, 5, 10));
    EXPECT_EQ(row.team_h_name, "Yankees");
    EXPECT_EQ(row.team_g_name, "Red Sox");
    EXPECT_EQ(Value(row.P1), 1.65);
    EXPECT_EQ(row.X, std::nullopt);
    EXPECT_EQ(Value(row.P2), 2.3);
    EXPECT_EQ(Value(row.VF1), -1.5);
    EXPECT_EQ(Value(row.F1), 2.15);
    EXPECT_EQ(Value(row.VF2), 1.5);
    EXPECT_EQ(Value(row.F2), 1.75);
    EXPECT_EQ(Value(row.VT), 8.5);
    EXPECT_EQ(Value(row.TB), 1.95);
    EXPECT_EQ(Value(row.TM), 1.85);
}

TEST(SecondBookmakerPageTest, ReadsTennisPlayersAndPrices) {
    const std::string page = TennisEvent() + TennisEvent("J-L. Smith vs A. Jones") +
                             TennisEvent("O'Neil vs A. Jones") + TennisEvent("A_1 B vs C D");
    const std::vector<OddsRecord> rows = Parse(page, "tennis", "ATP Halfs");
    ASSERT_EQ(rows.size(), 2u);
    const OddsRecord& row = rows[0];
    EXPECT_EQ(row.sport_type_name, "tennis");
    EXPECT_EQ(row.competition_name, "ATP Halfs");
    EXPECT_EQ(row.sport_event_date, At({2027, 1, 5}, 18, 5));
    EXPECT_EQ(row.team_h_name, "R. Nadal");
    EXPECT_EQ(row.team_g_name, "R. Federer");
    EXPECT_EQ(Value(row.P1), 1.5);
    EXPECT_EQ(Value(row.X), 0.0);
    EXPECT_EQ(Value(row.P2), 2.6);
    for (auto field : {row.F1, row.VF1, row.F2, row.VF2, row.TM, row.TB, row.VT, row.PX1}) {
        EXPECT_EQ(field, std::nullopt);
    }
    EXPECT_EQ(rows[1].team_h_name, "A_1 B");
    EXPECT_EQ(rows[1].Key_ID, 2);
}

TEST(SecondBookmakerPageTest, SurvivesTruncatedForeignAndUnknownPages) {
    const std::string page = SoccerEvent() + SoccerEvent();
    for (size_t cut = 0; cut <= page.size(); cut += 11) {
        SCOPED_TRACE(cut);
        EXPECT_LE(Parse(page.substr(0, cut), "soccer").size(), 2u);
    }
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919 + i / 13) % 256);
    for (const char* sport : {"soccer", "baseball", "tennis"}) {
        EXPECT_TRUE(Parse(garbage, sport).empty());
        EXPECT_TRUE(Parse(std::string("<TR a>\0\r\n<td b>", 14) + page, sport).size() <= 2u);
    }
    EXPECT_TRUE(Parse(page, "hockey").empty());
    EXPECT_TRUE(Parse(TennisEvent(), "soccer").empty());
}

// Row starts whose attributes run on to the end of the page: the page is given up
// once its work budget is spent, keeping the rows read before.
TEST(SecondBookmakerPageTest, HostilePagesEndLikeUnreadablePagesKeepingTheirRows) {
    struct Case {
        const char* sport;
        std::string event;
        std::string piece;
    };
    const Case cases[] = {
        {"soccer", SoccerEvent(), "<TR "},
        {"baseball", BaseballEvent(), "<TR "},
        {"tennis", TennisEvent(), "<tr "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.piece);
        std::string page = c.event;
        while (page.size() < 200000) page += c.piece;
        table::OddsTable table;
        table.ResetTable();
        try {
            ParseSecondBookmakerPage(NormalizeLines(page), c.sport, "League", table, kToday);
            ADD_FAILURE() << "the page should have been given up";
        } catch (const regex::EPattern& e) {
            EXPECT_EQ(e.Code, 1017);
        }
        EXPECT_EQ(table.Rows().size(), 1u);
    }
}

}  // namespace
}  // namespace lintaro::readers
