// lintaro-cli parse: saved pages of either bookmaker to rows on standard output, and the usage
// mistakes that end it with status 2 and one line on standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

using lintaro::testing_util::CliRun;

class ParseCliTest : public ::testing::Test {
  protected:
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        return scratch_.WriteFile(name, bytes);
    }

    static CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), "parse");
        return lintaro::testing_util::RunCli(args);
    }

    lintaro::testing_util::ScratchDir scratch_;
};

// The first bookmaker's worked example; the heading is Windows-1251 ("Футбол. Англия").
const char kFirstPage[] =
    "<div class=cap>\xD4\xF3\xF2\xE1\xEE\xEB. \xC0\xED\xE3\xEB\xE8\xFF</div>\n"
    "25/12 <b id=r101>1) Alpha</b> <b >1.85</b>  3.40   4.20 <b >1.25</b>  1.30   2.05 "
    "<b >-0.5=>1.90</b>+0.5=>1.95<b >2.5</b> 1.80 2.00 20:00  <b id=r102>2) Beta</b> "
    "<a href=x>+12</a>\n<div>\n";

const char kFirstRowJson[] =
    "{\"sport_type_name\":\"футбол\",\"competition_name\":\"Англия\","
    "\"sport_event_date\":\"2026-12-25T20:00:00.000\",\"team_h_name\":\"Alpha\","
    "\"team_g_name\":\"Beta\",\"P1\":1.85,\"X\":3.4,\"P2\":4.2,\"PX1\":1.25,\"P2X\":2.05,"
    "\"P12\":1.3,\"F1\":1.9,\"VF1\":-0.5,\"F2\":1.95,\"VF2\":0.5,\"TM\":1.8,\"TB\":2,\"VT\":2.5,"
    "\"Key_ID\":1,\"dop_info\":\"<a href=x>+12</a>\"}\n";

TEST_F(ParseCliTest, FirstPageToJsonLinesAndCsv) {
    const std::string page = WriteFile("first.html", kFirstPage);
    CliRun jsonl = Run({"first", page, "--today", "2026-12-10"});
    EXPECT_EQ(jsonl.status, 0);
    EXPECT_EQ(jsonl.out, kFirstRowJson);
    EXPECT_EQ(jsonl.err, "");

    CliRun csv = Run({"first", "--format=csv", "--today=2026-12-10", "--", page});
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out,
              "sport_type_name,competition_name,sport_event_date,team_h_name,team_g_name,P1,X,P2,"
              "PX1,P2X,P12,F1,VF1,F2,VF2,TM,TB,VT,Key_ID,dop_info\r\n"
              "футбол,Англия,2026-12-25 20:00:00,Alpha,Beta,1.85,3.4,4.2,1.25,2.05,1.3,1.9,-0.5,"
              "1.95,0.5,1.8,2,2.5,1,<a href=x>+12</a>\r\n");

    // Read on 30 January, "25/12" lies more than 30 days back: next December's event.
    EXPECT_NE(Run({"first", page, "--today", "2027-01-30"}).out.find("\"2027-12-25T20:00:00.000\""),
              std::string::npos);
}

TEST_F(ParseCliTest, SecondPageTakesSportAndNameFromTheCommandLine) {
    const std::string page = WriteFile(
        "tennis.html",
        "<tr class=a>\r\n<td class=d>Sat 12/26</td>\r\n<td class=p>R. Nadal vs R. Federer</td>\r\n"
        "</tr>\r\n<tr class=b>\r\n<td>08:05 AM</td>\r\n<td class=n>201</td>\r\n"
        "<td class=m>1.500</td></tr>\r\n<tr class=c>\r\n<td class=n>202</td>\r\n"
        "<td class=x>&nbsp;</td>\r\n<td class=m>2.600</td></tr>\r\n");
    CliRun run = Run(
        {"second", page, "--sport", "tennis", "--name", "Кубок Дэвиса", "--today", "2026-12-10"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "{\"sport_type_name\":\"tennis\",\"competition_name\":\"Кубок Дэвиса\","
              "\"sport_event_date\":\"2026-12-26T18:05:00.000\",\"team_h_name\":\"R. Nadal\","
              "\"team_g_name\":\"R. Federer\",\"P1\":1.5,\"X\":0,\"P2\":2.6,\"PX1\":null,"
              "\"P2X\":null,\"P12\":null,\"F1\":null,\"VF1\":null,\"F2\":null,\"VF2\":null,"
              "\"TM\":null,\"TB\":null,\"VT\":null,\"Key_ID\":1,\"dop_info\":null}\n");
}

TEST_F(ParseCliTest, EmptyOrForeignPagesGiveNoRows) {
    const std::string empty = WriteFile("empty.html", "");
    const std::string binary = WriteFile("binary.bin", std::string("\0\xFF\r\n\x01<div", 9));
    for (const std::string& page : {empty, binary}) {
        SCOPED_TRACE(page);
        CliRun jsonl = Run({"first", page});
        EXPECT_EQ(jsonl.status, 0);
        EXPECT_EQ(jsonl.out, "");
        CliRun csv = Run({"second", page, "--sport", "soccer", "--name", "x", "--format", "csv"});
        EXPECT_EQ(csv.status, 0);
        EXPECT_EQ(csv.out.find("sport_type_name,"), 0u);
        EXPECT_EQ(csv.out.find("\r\n"), csv.out.size() - 2);  // the header alone
    }
}

TEST_F(ParseCliTest, MistakesEndWithOneLineOnStandardError) {
    const std::string page = WriteFile("first.html", kFirstPage);
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"first", page, "--today", "2026-02-30"}, 2},
        {{"first", page, "--today", "10.12.2026"}, 2},
        {{"first", page, "--today"}, 2},
        {{"first", page, "--bogus"}, 2},
        {{"first", page, "--format", "xml"}, 2},
        {{"first", page, "--sport", "soccer"}, 2},
        {{"second", page, "--sport", "soccer"}, 2},
        {{"second", page, "--sport", "hockey", "--name", "x"}, 2},
        {{"third", page}, 2},
        {{"first"}, 2},
        {{"first", page, page}, 2},
        {{"first", scratch_.Path() + "/missing.html"}, 1},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        CliRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

// A failure the parse raises (here the work budget of a hostile page) ends with status 1 and one
// line on standard error; the rows read before it are printed all the same.
TEST_F(ParseCliTest, FailedParseExitsOneAfterPrintingItsRows) {
    std::string hostile = kFirstPage;
    while (hostile.size() < 200000) hostile += "class=cap>";
    hostile += "<div";
    const CliRun run = Run({"first", WriteFile("hostile.html", hostile), "--today", "2026-12-10"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, kFirstRowJson);
    EXPECT_EQ(run.err, "lintaro-cli: TPattern(exec): Work Budget Exceeded\n");
}

}  // namespace
