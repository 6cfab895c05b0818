// lintaro-cli watch --alert: on a moving demo line an alert prints its one JSON line at the read
// that first meets it and never again; surebets between both lines; conditions refused as usage
// mistakes.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "cli_runner.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "export/row_format.h"
#include "live/event_identity.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace lintaro {
namespace {

using table::Cp1251ToUtf8;
using table::OddsRecord;
using testing_util::CliRun;
using testing_util::RunCli;

constexpr const char* kToday = "2026-12-20";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream split(text);
    for (std::string line; std::getline(split, line);) lines.push_back(line);
    return lines;
}

class WatchAlertTest : public ::testing::Test {
  protected:
    void SetUp() override {
        options_.events = 40;
        options_.today = demo::ToYearMonthDay(*table::ParseIsoDate(kToday));
    }

    // A fresh moving server: its n-th read of a page is generation n.
    std::unique_ptr<demo::DemoServer> MovingServer() const {
        auto server = std::make_unique<demo::DemoServer>(options_);
        server->SetMoving(true);
        server->Start();
        return server;
    }

    std::vector<OddsRecord> FirstRows(uint32_t generation) const {
        demo::DemoOptions options = options_;
        options.generation = generation;
        return demo::PublishedFirstRows(options, *options_.today);
    }

    demo::DemoOptions options_;
};

TEST_F(WatchAlertTest, PrintsOneLineAtTheReadThatFirstMeetsTheCondition) {
    // An event whose P1 is below its generation-2 price at generations 0 and 1.
    const std::vector<OddsRecord> g0 = FirstRows(0), g1 = FirstRows(1), g2 = FirstRows(2);
    const OddsRecord* target = nullptr;
    for (const OddsRecord& later : g2) {
        if (target || !table::IsQuotedPrice(later.P1)) continue;
        int below = 0;
        for (const auto* rows : {&g0, &g1}) {
            for (const OddsRecord& row : *rows) {
                below += live::SameIdentity(row, later) && table::IsQuotedPrice(row.P1) &&
                         row.P1->scaled < later.P1->scaled;
            }
        }
        if (below == 2) target = &later;
    }
    ASSERT_NE(target, nullptr) << "the demo line should move some P1 up at generation 2";
    const std::string price = worksheet::DecimalText(*target->P1);
    const std::string condition = "P1>=" + price + "@" + Cp1251ToUtf8(*target->team_h_name) +
                                  " - " + Cp1251ToUtf8(*target->team_g_name);
    const auto watch = [&](int reads) {
        const std::unique_ptr<demo::DemoServer> server = MovingServer();
        return RunCli({"watch", "first", "--first-host", server->FirstHost(), "--every", "0",
                       "--count", std::to_string(reads), "--today", kToday, "--alert", condition,
                       "--alert=P1>=1000"});
    };
    const CliRun two = watch(2);
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(two.out, "");  // nothing met yet, and no change lines beside alerts
    const CliRun four = watch(4);
    ASSERT_EQ(four.status, 0) << four.err;
    EXPECT_EQ(four.err, "");
    const std::vector<std::string> lines = Lines(four.out);
    ASSERT_EQ(lines.size(), 1u) << four.out;
    std::string expected = ",\"alert\":";
    worksheet::AppendJsonUtf8(expected, condition);
    expected += ",\"bookmaker\":\"first\",\"sport_type_name\":";
    worksheet::AppendJsonUtf8(expected, Cp1251ToUtf8(*target->sport_type_name));
    expected += ",\"competition_name\":";
    worksheet::AppendJsonUtf8(expected, Cp1251ToUtf8(*target->competition_name));
    expected += ",\"team_h_name\":";
    worksheet::AppendJsonUtf8(expected, Cp1251ToUtf8(*target->team_h_name));
    expected += ",\"team_g_name\":";
    worksheet::AppendJsonUtf8(expected, Cp1251ToUtf8(*target->team_g_name));
    expected += ",\"sport_event_date\":\"" + table::IsoDateTimeText(*target->sport_event_date) +
                "\",\"field\":\"P1\",\"value\":" + price + "}";
    EXPECT_EQ(lines[0].rfind("{\"time\":\"", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].find(",\"alert\"")), expected);
}

TEST_F(WatchAlertTest, SurebetsBetweenBothLinesFireOnceWhenMatched) {
    options_.events = 200;  // a line with a few surebets
    const std::unique_ptr<demo::DemoServer> server = MovingServer();
    const CliRun run =
        RunCli({"watch", "both", "--first-host", server->FirstHost(), "--second-host",
                server->SecondHost(), "--every", "0", "--count", "3", "--today", kToday, "--alert",
                "surebet", "--alert", "surebet>=1000", "--alert", "second:P1>=1.01"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    // In the order the alerts were given, each at the first read.
    EXPECT_NE(lines[0].find("\"alert\":\"surebet\",\"bookmaker\":\"both\""), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[0].find("\"field\":\"surebet\",\"value\":"), std::string::npos);
    EXPECT_NE(lines[1].find("\"alert\":\"second:P1>=1.01\",\"bookmaker\":\"second\""),
              std::string::npos)
        << lines[1];
}

TEST(WatchAlertUsageTest, ConditionsThatCannotBeMetAreUsageMistakes) {
    struct Case {
        std::vector<std::string> args;
        const char* said;
    };
    const Case cases[] = {
        {{"watch", "first", "--alert"}, "--alert needs a value"},
        {{"watch", "first", "--alert", "P1>=0"}, "above 0 and at most 1000"},
        {{"watch", "first", "--alert", "P1>=1001"}, "above 0 and at most 1000"},
        {{"watch", "first", "--alert", "P1>=abc"}, "above 0 and at most 1000"},
        {{"watch", "first", "--alert", "Q>=2"}, "unknown price Q"},
        {{"watch", "second", "--alert", "surebet>=2"}, "a surebet needs watch both"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(Lines(run.err).size(), 1u);
    }
}

}  // namespace
}  // namespace lintaro
