// The second bookmaker's refresh: the host learned from the request heads, the tournament list and
// its filters, which host each page is asked of, and how failures end the load.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/configured_client.h"
#include "http/net_errors.h"
#include "http/net_http.h"
#include "http/net_log_event.h"
#include "reader_test_util.h"
#include "readers/reader_failure.h"
#include "readers/second_bookmaker.h"
#include "scripted_server.h"
#include "second_bookmaker_pages.h"
#include "table/cp1251_text.h"
#include "table/odds_table.h"

namespace lintaro::readers {
namespace {

using testing_util::FakeUi;

constexpr table::CivilDate kToday{2026, 12, 10};

TEST(RequestHostTrackerTest, TakesTheHostLineOfTheLastHead) {
    struct Case {
        std::string text, data, expected;
    };
    const Case cases[] = {
        {"", "GET / HTTP/1.0\r\nHost: 127.0.0.1:8081\r\nAccept: */*\r\n\r\n", "127.0.0.1:8081"},
        {"", "GET / HTTP/1.0\r\nHOST: WWW.Example.COM\r\n\r\n", "www.example.com"},
        {"", "GET / HTTP/1.0\r\nHost:lines.example\r\n\r\n", "ines.example"},  // one byte skipped
        {"", "GET / HTTP/1.0\r\nHost: last.example", "last.example"},
        {"", "GET /abc HTTP/1.0\r\n\r\n", "abc http/1.0"},  // no Host line: from the sixth byte
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.data));
        RequestHostTracker hosts;
        hosts.LogDebugSent(c.text, c.data);
        EXPECT_EQ(hosts.RequestHost(), c.expected);
    }
}

std::string ListPage(const std::string& links) {
    return "<html><body><table>\r\n" + links + "</table></body></html>\r\n";
}

// The list of the end-to-end test: kept, filtered and failing tournaments of all three sports.
const char kLinks[] =
    "<a href=\"vwguestlines.asp?SportType=Soccer&amp;League=1\" class=l>Premier &amp; Cup</a>\r\n"
    "<a href=\"vwguestlines.asp?sporttype=Basketball&League=9\" class=l>NBA</a>\r\n"
    "<a href=\"vwguestlines.asp?sporttype=soccer&League=8\" class=l>Premier League - Halfs</a>\r\n"
    "<a href=\"vwguestlines.asp?sporttype=Soccer&League=7\" class=l>Serie A Reduced Margin</a>\r\n"
    "<a href=\"vwguestlines.asp?League=6\" class=l>No sport</a>\r\n"
    "<a href=\"guestContestLines.asp?ContestType=Tennis&amp;League=4\" class=l>ATP Halfs</a>\r\n"
    "<a href=\"guestContestLines.asp?ContestType=Tennis&League=5\" class=l>US Open Flushing "
    "Meadows</a>\r\n"
    "<a href=\"vwguestlines.asp?sporttype=baseball&League=2\" class=l>MLB</a>\r\n"
    "<a href=\"vwguestlines.asp?sporttype=soccer&League=3\" class=l>Broken</a>\r\n";

std::string Ok(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

testing_util::ScriptedConnection Once(std::string raw) {
    return {testing_util::Reply(std::move(raw), testing_util::ScriptedAfter::kClose)};
}

std::string RequestLine(const std::string& head) { return head.substr(0, head.find("\r\n")); }

// The bookmaker's own host redirects its root to another port; the list, soccer and baseball pages
// come from there, tennis from the bookmaker's own host, and a failing page costs only its rows.
TEST(SecondBookmakerLoadTest, FollowsTheAnsweringHostAndSurvivesAFailingPage) {
    using testing_util::BaseballEvent;
    using testing_util::SoccerEvent;
    using testing_util::TennisEvent;
    // Scripts are per connection in arrival order; every answer closes its connection.
    testing_util::ScriptedServer answering(
        {Once(Ok("<html>home</html>")), Once(Ok(ListPage(kLinks))),
         Once(Ok("<table>\r\n" + SoccerEvent() + SoccerEvent() + "</table>")),
         Once(Ok("<table>\r\n" + BaseballEvent() + "</table>")),
         Once("HTTP/1.0 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: "
              "close\r\n\r\n")});
    testing_util::ScriptedServer own(
        {Once("HTTP/1.0 302 Found\r\nLocation: http://" + answering.HostPort() +
              "/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"),
         Once(Ok("<table>\r\n" + TennisEvent() + "</table>"))});

    RequestHostTracker hosts;
    http::ConfiguredHttpClient client;
    hosts.Follow(client.log_debug);
    http::TNetHTTP& http = client.http;
    http.SetTimeLimits({.connect_ms = 5000, .fetch_ms = 10000});

    table::OddsTable table;
    table.ResetTable();
    FakeUi ui(kToday);
    LoadSecondBookmaker(
        {[&http](const std::string& url) { return http.FetchText(url); }, table, ui}, hosts,
        own.HostPort());
    http.SetIntercept(nullptr);

    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(hosts.RequestHost(), own.HostPort());  // the last page came from the own host
    const std::vector<std::string> answering_heads = answering.RequestHeads();
    ASSERT_EQ(answering_heads.size(), 5u);
    EXPECT_EQ(RequestLine(answering_heads[1]), "GET /decimal.asp? HTTP/1.0");
    EXPECT_EQ(RequestLine(answering_heads[2]),
              "GET /vwguestlines.asp?SportType=Soccer&League=1 HTTP/1.0");
    EXPECT_EQ(RequestLine(answering_heads[3]),
              "GET /vwguestlines.asp?sporttype=baseball&League=2 HTTP/1.0");
    EXPECT_EQ(RequestLine(answering_heads[4]),
              "GET /vwguestlines.asp?sporttype=soccer&League=3 HTTP/1.0");
    EXPECT_NE(answering_heads[2].find("\r\nHost: " + answering.HostPort() + "\r\n"),
              std::string::npos);
    const std::vector<std::string> own_heads = own.RequestHeads();
    ASSERT_EQ(own_heads.size(), 2u);
    EXPECT_EQ(RequestLine(own_heads[1]),
              "GET /guestContestLines.asp?ContestType=Tennis&League=4 HTTP/1.0");

    const std::vector<table::OddsRecord>& rows = table.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].competition_name, "Premier & Cup");
    EXPECT_EQ(rows[0].sport_type_name, "soccer");
    EXPECT_EQ(rows[1].Key_ID, 2);
    EXPECT_EQ(rows[2].competition_name, "MLB");
    EXPECT_EQ(rows[2].Key_ID, 1);  // numbering restarts with every page
    EXPECT_EQ(rows[3].competition_name, "ATP Halfs");
    EXPECT_EQ(rows[3].sport_type_name, "tennis");
    EXPECT_EQ(rows[3].Key_ID, 1);
}

// The same load over a stand-in fetch, for the failures that are hard to stage on a socket.
class SecondBookmakerFailureTest : public ::testing::Test {
  protected:
    void SetUp() override { table_.ResetTable(); }
    // Answers by URL; each fetch reports its Host line first, as the intercept does.
    void Load(const std::function<std::string(const std::string&)>& answer) {
        LoadSecondBookmaker({[&](const std::string& url) {
                                 fetched_.push_back(url);
                                 const std::string host = url.substr(7, url.find('/', 7) - 7);
                                 hosts_.LogDebugSent("",
                                                     "GET / HTTP/1.0\r\nHost: " + host + "\r\n");
                                 return answer(url);
                             },
                             table_, ui_},
                            hosts_, "own.example");
    }

    RequestHostTracker hosts_;
    table::OddsTable table_;
    FakeUi ui_{kToday};
    std::vector<std::string> fetched_;
};

TEST_F(SecondBookmakerFailureTest, FailedListShowsOneMessage) {
    Load([](const std::string& url) -> std::string {
        if (url.find("decimal.asp") != std::string::npos) {
            throw http::ENetSocketError(10061, "Socket Error # 10061\r\nConnection refused.");
        }
        return "home";
    });
    EXPECT_EQ(ui_.messages, std::vector<std::string>{ListFetchFailedMessage()});
    EXPECT_EQ(fetched_,
              (std::vector<std::string>{"http://own.example", "http://own.example/decimal.asp?"}));
    EXPECT_TRUE(table_.Rows().empty());
}

// A page cut short, or a read that stalled or ran out of time, is no line: on the list or on any
// tournament page it ends the read with the client's message, keeping the rows read so far.
TEST_F(SecondBookmakerFailureTest, PageCutShortOrOutOfTimeEndsTheRead) {
    const std::string cut = "The server closed the connection after 9 of 100 bytes.";
    Load([&](const std::string& url) -> std::string {
        if (url.find("decimal.asp") != std::string::npos) return ListPage(kLinks);
        if (url.find("League=1") != std::string::npos) return testing_util::SoccerEvent();
        if (url.find("League=2") != std::string::npos) throw http::ENetBodyIncomplete(cut);
        return "home";
    });
    EXPECT_EQ(ui_.messages, std::vector<std::string>{IncompleteReadMessage(cut.c_str())});
    EXPECT_EQ(table_.Rows().size(), 1u);
    EXPECT_EQ(fetched_.size(), 4u);  // nothing after the page cut short

    ui_.messages.clear();
    table_.ResetTable();
    Load([](const std::string& url) -> std::string {
        if (url.find("decimal.asp") != std::string::npos)
            throw http::ENetReadTimeout("Read Timeout");
        return "home";
    });
    EXPECT_EQ(ui_.messages, std::vector<std::string>{IncompleteReadMessage("Read Timeout")});
    EXPECT_EQ(ui_.messages[0], table::Utf8ToCp1251("Линия не прочитана до конца: Read Timeout"));
}

TEST_F(SecondBookmakerFailureTest, CancelStopsQuietlyKeepingTheRowsRead) {
    Load([](const std::string& url) -> std::string {
        if (url.find("decimal.asp") != std::string::npos) return ListPage(kLinks);
        if (url.find("League=1") != std::string::npos) return testing_util::SoccerEvent();
        if (url.find("League=2") != std::string::npos) throw http::ENetCancelled("Cancelled");
        return "home";
    });
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(table_.Rows().size(), 1u);
    EXPECT_EQ(fetched_.size(), 4u);  // root, list, soccer, baseball: then nothing more
}

// A link broken over lines would put its CR LF into the request line: it is passed over.
TEST_F(SecondBookmakerFailureTest, LinksWithLineBreaksAreNotRequested) {
    Load([](const std::string& url) -> std::string {
        if (url.find("decimal.asp") != std::string::npos) {
            return ListPage(
                "<a href=\"vwguestlines.asp?sporttype=soccer&League=1\r\nX-Evil: 1\" c>A</a>\r\n"
                "<a href=\"guestContestLines.asp?ContestType=Tennis&League=2\r\nX: 1\" c>B</a>\r\n"
                "<a href=\"vwguestlines.asp?sporttype=soccer&League=3\" c>C</a>\r\n");
        }
        return "home";
    });
    EXPECT_EQ(fetched_.back(), "http://own.example/vwguestlines.asp?sporttype=soccer&League=3");
    EXPECT_EQ(fetched_.size(), 3u);
}

// A hostile tournament page costs only the rows after the point where it was given up; a hostile
// list ends the load with the matcher's message, as any failure to read the list does.
TEST_F(SecondBookmakerFailureTest, HostilePagesAreGivenUpWithinTheirBudget) {
    std::string hostile = testing_util::SoccerEvent();
    while (hostile.size() < 200000) hostile += "<TR ";
    Load([&](const std::string& url) -> std::string {
        if (url.find("decimal.asp") != std::string::npos) return ListPage(kLinks);
        if (url.find("League=1") != std::string::npos) return hostile;
        if (url.find("League=3") != std::string::npos) return testing_util::SoccerEvent();
        return "home";
    });
    EXPECT_TRUE(ui_.messages.empty());
    ASSERT_EQ(table_.Rows().size(), 2u);
    EXPECT_EQ(table_.Rows()[0].competition_name, "Premier & Cup");
    EXPECT_EQ(table_.Rows()[1].competition_name, "Broken");

    std::string list = ListPage(kLinks);
    while (list.size() < 200000) list += "<a href=\"vwguestlines.asp?";
    table_.ResetTable();
    fetched_.clear();
    Load([&](const std::string& url) -> std::string {
        if (url.find("decimal.asp") != std::string::npos) return list;
        return testing_util::SoccerEvent();
    });
    EXPECT_EQ(ui_.messages, std::vector<std::string>{"TPattern(exec): Work Budget Exceeded"});
    EXPECT_EQ(fetched_.size(), 2u);
    EXPECT_TRUE(table_.Rows().empty());
}

TEST_F(SecondBookmakerFailureTest, EmptyListReadsNothingSilently) {
    Load([](const std::string&) { return std::string("<html>maintenance</html>"); });
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(fetched_.size(), 2u);
    EXPECT_TRUE(table_.Rows().empty());
}

}  // namespace
}  // namespace lintaro::readers
