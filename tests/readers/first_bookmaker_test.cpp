// The first bookmaker's page reader and its load: sections, sport patterns, skips, numbering,
// dates around today, and the failures the load reports.
#include "readers/first_bookmaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "http/net_errors.h"
#include "reader_test_util.h"
#include "readers/reader_failure.h"
#include "readers/text_conversions.h"
#include "regex/pattern.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace lintaro::readers {

using table::CivilDate;
using table::OddsRecord;
using table::OddsTable;
using table::Utf8ToCp1251;

namespace {

using testing_util::At;
using testing_util::FakeUi;
using testing_util::Value;
using namespace std::string_literals;

constexpr CivilDate kToday{2026, 12, 10};

// The event line of the worked example; `date`, `x` (7 columns) and `time` (7 columns) vary.
std::string SoccerEvent(const std::string& date = "25/12 ", const std::string& x = "  3.40 ",
                        const std::string& time = "20:00  ", const std::string& home = "Alpha") {
    return date + "<b id=r101>1) " + home + "</b> <b >1.85</b>" + x +
           "  4.20 <b >1.25</b>  1.30   2.05 <b >-0.5=>1.90</b>+0.5=>1.95<b >2.5</b> 1.80 2.00 " +
           time + "<b id=r102>2) Beta</b> <a href=x>+12</a>";
}

std::string Section(const std::string& heading_utf8, const std::vector<std::string>& events) {
    std::string text = "<div class=cap>" + Utf8ToCp1251(heading_utf8) + "</div>\r\n";
    for (const std::string& event : events) text += event + "\r\n";
    return text;
}

std::vector<OddsRecord> Parse(const std::string& page, CivilDate today = kToday) {
    OddsTable table;
    table.ResetTable();
    ParseFirstBookmakerPage(NormalizeLines(page), table, today);
    return table.Rows();
}

TEST(FirstBookmakerPageTest, ReadsTheWorkedExample) {
    const std::vector<OddsRecord> rows =
        Parse(Section("Футбол. Англия. Премьер-лига", {SoccerEvent()}) + "<div>\r\n");
    ASSERT_EQ(rows.size(), 1u);
    const OddsRecord& row = rows[0];
    EXPECT_EQ(row.sport_type_name, Utf8ToCp1251("футбол"));
    EXPECT_EQ(row.competition_name, Utf8ToCp1251("Англия. Премьер-лига"));
    EXPECT_EQ(row.sport_event_date, At({2026, 12, 25}, 20, 0));
    EXPECT_EQ(row.team_h_name, "Alpha");
    EXPECT_EQ(row.team_g_name, "Beta");
    EXPECT_EQ(Value(row.P1), 1.85);
    EXPECT_EQ(Value(row.X), 3.4);
    EXPECT_EQ(Value(row.P2), 4.2);
    EXPECT_EQ(Value(row.PX1), 1.25);
    EXPECT_EQ(Value(row.P12), 1.3);
    EXPECT_EQ(Value(row.P2X), 2.05);
    EXPECT_EQ(Value(row.VF1), -0.5);
    EXPECT_EQ(Value(row.F1), 1.9);
    EXPECT_EQ(Value(row.VF2), 0.5);
    EXPECT_EQ(Value(row.F2), 1.95);
    EXPECT_EQ(Value(row.VT), 2.5);
    EXPECT_EQ(Value(row.TM), 1.8);
    EXPECT_EQ(Value(row.TB), 2.0);
    EXPECT_EQ(row.Key_ID, 1);
    EXPECT_EQ(row.dop_info, "<a href=x>+12</a>");
}

TEST(FirstBookmakerPageTest, LfOnlyPageReadsLikeCrLf) {
    const std::string crlf = Section("Футбол. Англия", {SoccerEvent()}) + "<div>\r\n";
    std::string lf;
    for (char c : crlf) {
        if (c != '\r') lf += c;
    }
    const std::vector<OddsRecord> rows = Parse(lf);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].team_g_name, "Beta");
    EXPECT_EQ(rows[0].dop_info, "<a href=x>+12</a>");
}

TEST(FirstBookmakerPageTest, PassesOverSummaryTournamentsAndUnknownSports) {
    const std::string page = Section("Футбол. Итоги сезона", {SoccerEvent()}) + "<div>\r\n" +
                             Section("ФУТБОЛ. Англия. ИТОГИ", {SoccerEvent()}) + "<div>\r\n" +
                             Section("Футбол. ПАРЫ финала", {SoccerEvent()}) + "<div>\r\n" +
                             Section("Футбол. Лига. Победитель", {SoccerEvent()}) + "<div>\r\n" +
                             Section("Керлинг. Кубок", {SoccerEvent()}) + "<div>\r\n" +
                             Section("ХОККЕЙ. КХЛ", {SoccerEvent()}) + "<div>\r\n";
    const std::vector<OddsRecord> rows = Parse(page);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sport_type_name, Utf8ToCp1251("хоккей"));
    EXPECT_EQ(rows[0].competition_name, Utf8ToCp1251("КХЛ"));
    EXPECT_EQ(rows[0].Key_ID, 1);
}

// Skipped events take no number; a row the table refuses keeps its number.
TEST(FirstBookmakerPageTest, NumbersRowsAcrossSectionsWithSkipsAndRefusals) {
    const std::string page =
        Section("Футбол. A",
                {SoccerEvent("25/12 "), SoccerEvent("29/02 "),
                 SoccerEvent("26/12 ", "  3.40 ", "       "), SoccerEvent("27/12 ", "1000000")}) +
        "<div>\r\n" + Section("Гандбол. B", {SoccerEvent("28/12 ")}) + "<div>\r\n";
    const std::vector<OddsRecord> rows = Parse(page);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Key_ID, 1);
    EXPECT_EQ(rows[0].sport_event_date, At({2026, 12, 25}, 20, 0));
    EXPECT_EQ(rows[1].Key_ID, 3);
    EXPECT_EQ(rows[1].sport_event_date, At({2026, 12, 28}, 20, 0));
}

TEST(FirstBookmakerPageTest, ChoosesTheYearAroundNewYear) {
    const std::string page = Section("Футбол. A", {SoccerEvent("31/12 "), SoccerEvent("03/01 "),
                                                   SoccerEvent("29/02 ")}) +
                             "<div>\r\n";
    const std::vector<OddsRecord> on_new_year = Parse(page, {2027, 1, 2});
    ASSERT_EQ(on_new_year.size(), 2u);
    EXPECT_EQ(on_new_year[0].sport_event_date, At({2026, 12, 31}, 20, 0));
    EXPECT_EQ(on_new_year[1].sport_event_date, At({2027, 1, 3}, 20, 0));
    const std::vector<OddsRecord> before = Parse(page, {2027, 12, 28});
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(before[1].sport_event_date, At({2028, 1, 3}, 20, 0));
    EXPECT_EQ(before[2].sport_event_date, At({2028, 2, 29}, 20, 0));
}

TEST(FirstBookmakerPageTest, TimesWithSecondsOrHoursOnly) {
    const std::string page = Section("Футбол. A", {SoccerEvent("25/12 ", "  3.40 ", "9      "),
                                                   SoccerEvent("25/12 ", "  3.40 ", "9:05:07"),
                                                   SoccerEvent("25/12 ", "  3.40 ", "24:00  "),
                                                   SoccerEvent("25/12 ", "  3.40 ", "12/30  ")}) +
                             "<div>\r\n";
    const std::vector<OddsRecord> rows = Parse(page);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sport_event_date, At({2026, 12, 25}, 9, 0));
    EXPECT_EQ(rows[1].sport_event_date->ms, At({2026, 12, 25}, 9, 5).ms + 7000);
}

TEST(FirstBookmakerPageTest, BlankAndCommaPricesAreNull) {
    const std::string event = SoccerEvent("25/12 ", "       ", "20:00  ");
    std::string comma = event;
    comma.replace(comma.find("<b >1.85</b>"), 12, "<b >1,85</b>");
    const std::vector<OddsRecord> rows = Parse(Section("Футбол. A", {event, comma}) + "<div>\r\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].X, std::nullopt);
    EXPECT_EQ(Value(rows[0].P1), 1.85);
    EXPECT_EQ(rows[1].P1, std::nullopt);
}

// The heading's ".{0,100}/div>" is greedy: a body short enough puts the next heading's "/div>"
// within reach, so the first heading takes the second section's body.
TEST(FirstBookmakerPageTest, ShortSectionHeadingSwallowsTheNextHeading) {
    const std::string page =
        Section("Футбол. A", {}) + Section("Хоккей. B", {SoccerEvent()}) + "<div>\r\n";
    const std::vector<OddsRecord> rows = Parse(page);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sport_type_name, Utf8ToCp1251("футбол"));
    EXPECT_EQ(rows[0].competition_name, "A");
}

TEST(FirstBookmakerPageTest, EachSportReadsItsOwnColumns) {
    struct Case {
        const char* heading;
        std::string line;
        std::optional<double> p1, x, p2, tm, tb, vt;
    };
    const std::string tail = "18:30  <b id=r2>2) B</b> sheet";
    const Case cases[] = {
        {"Волейбол. A",
         "25/12 <b id=r1>1) A</b> <b >1.50</b>  2.50 <b >-1.5=>1.90</b>+1.5=>1.91<b >180.5</b>"
         " 1.85  1.95 " +
             tail,
         1.5, std::nullopt, 2.5, 1.85, 1.95, 180.5},
        {"Баскетбол. A",
         "25/12 <b id=r1>1) A</b> <b >1.50</b>   12.0     1.40 <b >-1.5=>1.90</b>+1.5=>1.91"
         "<b >180.5</b> 1.85  1.95 " +
             tail,
         1.5, 12.0, 1.4, 1.85, 1.95, 180.5},
        {"Бейсбол. A",
         "25/12 <b id=r1>1) A</b> <b >1.50</b>  2.50 <b >-1.5=>1.90</b>+1.5=>1.91<b >8.5</b>"
         " 1.85  1.95 <b >x</b>  1.11  2.22 <b >y</b>  3.33  4.4 " +
             tail,
         1.5, std::nullopt, 2.5, 1.85, 1.95, 8.5},
        {"Теннис. A",
         "25/12 <b id=r1>1) A</b> <b >1.50</b>  2.50 <b >20.5</b> 1.7 <b >-1.5=>1.90</b>"
         "+1.5=>1.91<b >22.5</b> 1.85 1.95 " +
             tail,
         1.5, std::nullopt, 2.5, 1.85, 1.95, 22.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        const std::vector<OddsRecord> rows = Parse(Section(c.heading, {c.line}) + "<div>\r\n");
        ASSERT_EQ(rows.size(), 1u);
        const OddsRecord& row = rows[0];
        EXPECT_EQ(Value(row.P1), c.p1);
        EXPECT_EQ(Value(row.X), c.x);
        EXPECT_EQ(Value(row.P2), c.p2);
        EXPECT_EQ(Value(row.TM), c.tm);
        EXPECT_EQ(Value(row.TB), c.tb);
        EXPECT_EQ(Value(row.VT), c.vt);
        EXPECT_EQ(Value(row.VF1), -1.5);
        EXPECT_EQ(Value(row.F2), 1.91);
        EXPECT_EQ(row.PX1, std::nullopt);
        EXPECT_EQ(row.P12, std::nullopt);
        EXPECT_EQ(row.P2X, std::nullopt);
        EXPECT_EQ(row.sport_event_date, At({2026, 12, 25}, 18, 30));
        EXPECT_EQ(row.team_g_name, "B");
        EXPECT_EQ(row.dop_info, "sheet");
    }
}

TEST(FirstBookmakerPageTest, OversizeTextsAreCutByTheTable) {
    const std::string sheet(5000, 'x');
    const std::string home(300, 'h');
    std::string event = SoccerEvent("25/12 ", "  3.40 ", "20:00  ", home);
    event.replace(event.find("<a href=x>+12</a>"), 17, sheet);
    const std::vector<OddsRecord> rows = Parse(Section("Футбол. A", {event}) + "<div>\r\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].dop_info, std::string(4000, 'x'));
    EXPECT_EQ(rows[0].team_h_name, std::string(255, 'h'));
}

// Broken pages must end in time without a crash, whatever they yield.
TEST(FirstBookmakerPageTest, SurvivesTruncatedAndForeignPages) {
    const std::string page =
        Section("Футбол. Англия", {SoccerEvent(), SoccerEvent("26/12 ")}) + "<div>\r\n";
    for (size_t cut = 0; cut <= page.size(); cut += 7) {
        SCOPED_TRACE(cut);
        EXPECT_LE(Parse(page.substr(0, cut)).size(), 2u);
    }
    std::string garbage;
    for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919 + i / 13) % 256);
    EXPECT_TRUE(Parse(garbage).empty());
    // A heading holding NUL bytes: the text is taken whole, its length from the literal itself.
    const char nul_heading[] = "<div class=cap>\0\0.\0<";
    EXPECT_TRUE(Parse(std::string(nul_heading, sizeof nul_heading - 1) + page).size() <= 2u);
    EXPECT_TRUE(Parse("<TR class=a>\r\n<td class=b>12/25</td>\r\n</TR>").empty());
}

// A NUL byte reads as a blank wherever it stands: in a team name, in an event sheet, between two
// events; every event after it is read as on the page with a blank there.
TEST(FirstBookmakerPageTest, NulBytesReadAsBlanks) {
    const std::string with_nul = SoccerEvent("25/12 ", "  3.40 ", "20:00  ", "Al\0pha"s) +
                                 "\r\n\0\r\n" + SoccerEvent("26/12 ") + " <i>\0</i>";
    std::string with_blank = with_nul;
    std::replace(with_blank.begin(), with_blank.end(), '\0', ' ');
    const std::string tail = "\r\n" + SoccerEvent("27/12 ") + "\r\n<div>\r\n";
    const std::vector<OddsRecord> rows = Parse(Section("Футбол. A", {with_nul}) + tail);
    EXPECT_EQ(rows, Parse(Section("Футбол. A", {with_blank}) + tail));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].team_h_name, std::optional<std::string>("Al pha"));
    EXPECT_NE(rows[1].dop_info, std::nullopt);
}

// Headings and events with no "<div" or CR after them cannot match; a page full of them must not
// cost a scan to its end for each one.
TEST(FirstBookmakerPageTest, PagesWithoutSectionEndsStayCheap) {
    std::string headings;
    for (int i = 0; i < 20000; ++i) headings += "class=cap>a.b</div> x\n";
    EXPECT_TRUE(Parse(headings).empty());
    std::string events = Section("Футбол. A", {});
    for (int i = 0; i < 2000; ++i) events += SoccerEvent() + " ";
    std::string page = events + "<DIV>";
    page.erase(
        std::remove_if(page.begin(), page.end(), [](char c) { return c == '\r' || c == '\n'; }),
        page.end());
    EXPECT_TRUE(Parse(page).empty());
}

// Texts built to make the section pattern search far from every heading: each page gives up as an
// unreadable page does once its work budget is spent, keeping the rows read before.
TEST(FirstBookmakerPageTest, HostilePagesEndLikeUnreadablePagesKeepingTheirRows) {
    const std::string good =
        Section("Футбол. A", {SoccerEvent(), SoccerEvent("26/12 ")}) + "<div>\r\n";
    struct Case {
        const char* name;
        std::string piece;
    };
    const Case cases[] = {
        {"sport runs to the end", "class=cap>"},
        {"tournament runs to the end", "class=cap>a."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string page = good;
        while (page.size() < 200000) page += c.piece;
        page += "<div";
        OddsTable table;
        table.ResetTable();
        try {
            ParseFirstBookmakerPage(NormalizeLines(page), table, kToday);
            ADD_FAILURE() << "the page should have been given up";
        } catch (const regex::EPattern& e) {
            EXPECT_EQ(e.Code, 1017);
        }
        EXPECT_EQ(table.Rows().size(), 2u);
    }
}

// The load around the parse: URL, display suspension, cursor and its messages.
class FirstBookmakerLoadTest : public ::testing::Test {
  protected:
    void SetUp() override { table_.ResetTable(); }
    ReaderContext Context(PageFetch fetch) { return ReaderContext{std::move(fetch), table_, ui_}; }

    struct CountingObserver : table::OddsTableObserver {
        void RowsChanged() override { ++changes; }
        int changes = 0;
    };

    OddsTable table_;
    FakeUi ui_{kToday};
};

TEST_F(FirstBookmakerLoadTest, FetchesThePageAndNotifiesTheGridOnce) {
    CountingObserver observer;
    table_.SetObserver(&observer);
    std::vector<std::string> urls;
    const std::string page = Section("Футбол. A", {SoccerEvent(), SoccerEvent("26/12 ")});
    LoadFirstBookmaker(Context([&](const std::string& url) {
                           urls.push_back(url);
                           return page + "<div>\n";
                       }),
                       "127.0.0.1:8080");
    EXPECT_EQ(urls,
              std::vector<std::string>{"http://127.0.0.1:8080/odds.shtml?d=0&h=0&r0=0&asp=1"});
    EXPECT_EQ(table_.Rows().size(), 2u);
    EXPECT_EQ(observer.changes, 1);
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(ui_.cursor_changes, (std::vector<bool>{true, false}));
}

TEST_F(FirstBookmakerLoadTest, FetchFailureShowsOneMessageWithoutItsOwnText) {
    CountingObserver observer;
    table_.SetObserver(&observer);
    LoadFirstBookmaker(Context([](const std::string&) -> std::string {
        throw http::ENetSocketError(10061, "Socket Error # 10061\r\nConnection refused.");
    }));
    EXPECT_EQ(ui_.messages, std::vector<std::string>{ListFetchFailedMessage()});
    EXPECT_TRUE(table_.Rows().empty());
    EXPECT_EQ(observer.changes, 1);  // display resumed
    EXPECT_EQ(ui_.cursor_changes, (std::vector<bool>{true, false}));
}

TEST_F(FirstBookmakerLoadTest, CancelledFetchEndsQuietly) {
    LoadFirstBookmaker(
        Context([](const std::string&) -> std::string { throw http::ENetCancelled("Cancelled"); }));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(ui_.cursor_changes, (std::vector<bool>{true, false}));
}

// A failure inside the parse step is shown after the fixed prefix, with its own reason.
TEST_F(FirstBookmakerLoadTest, ParseFailureIsReportedWithItsReason) {
    struct FailingUi : FakeUi {
        using FakeUi::FakeUi;
        CivilDate Today() override { throw std::runtime_error("clock unavailable"); }
    } ui{kToday};
    ReaderContext context{[](const std::string&) { return std::string("<div>"); }, table_, ui};
    LoadFirstBookmaker(context);
    EXPECT_EQ(ui.messages, std::vector<std::string>{ParseFailedPrefix() + "clock unavailable"});
    EXPECT_EQ(ui.cursor_changes, (std::vector<bool>{true, false}));
}

TEST_F(FirstBookmakerLoadTest, HostilePageShowsTheParseFailureKeepingTheRows) {
    std::string page = Section("Футбол. A", {SoccerEvent()}) + "<div>\n";
    while (page.size() < 200000) page += "class=cap>";
    page += "<div";
    LoadFirstBookmaker(Context([&](const std::string&) { return page; }));
    EXPECT_EQ(ui_.messages, std::vector<std::string>{ParseFailedPrefix() +
                                                     "TPattern(exec): Work Budget Exceeded"});
    EXPECT_EQ(table_.Rows().size(), 1u);
    EXPECT_EQ(ui_.cursor_changes, (std::vector<bool>{true, false}));
}

// A message box that fails cannot leave the table suspended or the cursor busy.
TEST_F(FirstBookmakerLoadTest, FailingMessageBoxStillResumesDisplayAndRestoresTheCursor) {
    struct ThrowingUi : FakeUi {
        using FakeUi::FakeUi;
        void ShowMessage(const std::string&) override { throw std::runtime_error("no display"); }
    } ui{kToday};
    CountingObserver observer;
    table_.SetObserver(&observer);
    ReaderContext context{
        [](const std::string&) -> std::string { throw http::ENetSocketError(10061, "refused"); },
        table_, ui};
    EXPECT_THROW(LoadFirstBookmaker(context), std::runtime_error);
    EXPECT_FALSE(table_.IsDisplaySuspended());
    EXPECT_EQ(observer.changes, 1);
    EXPECT_EQ(ui.cursor_changes, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace lintaro::readers
