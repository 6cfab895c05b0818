// lintaro-cli load: a refresh of either bookmaker against a line served on 127.0.0.1, the reader's
// message as one line on standard error, and the usage mistakes.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "export/row_format.h"
#include "scripted_server.h"

namespace {

using lintaro::testing_util::CliRun;
using lintaro::testing_util::ClosedPort;

class LoadCliTest : public ::testing::Test {
  protected:
    static CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), "load");
        return lintaro::testing_util::RunCli(args);
    }
};

constexpr std::chrono::year_month_day kToday{std::chrono::year{2026}, std::chrono::December,
                                             std::chrono::day{10}};

std::string Expected(const std::vector<lintaro::table::OddsRecord>& rows) {
    std::ostringstream out;
    lintaro::worksheet::WriteRows(out, rows, lintaro::worksheet::RowFormat::kJsonl);
    return out.str();
}

// Both readers against the demo line, through explicit hosts: the rows come out exactly as the
// line published them, in insertion order.
TEST_F(LoadCliTest, ReadsBothBookmakersFromGivenHosts) {
    lintaro::demo::DemoOptions options;
    options.events = 40;
    options.today = kToday;
    lintaro::demo::DemoServer server(options);
    server.Start();

    CliRun first = Run({"first", "--first-host", server.FirstHost(), "--today", "2026-12-10"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_FALSE(first.out.empty());
    EXPECT_TRUE(first.out == Expected(lintaro::demo::PublishedFirstRows(options, kToday)));

    CliRun second = Run({"second", "--second-host=" + server.SecondHost(), "--today=2026-12-10"});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_FALSE(second.out.empty());
    EXPECT_TRUE(second.out == Expected(lintaro::demo::PublishedSecondRows(options, kToday)));
}

TEST_F(LoadCliTest, UnreachableLineReportsTheReadersMessage) {
    const std::string host = "127.0.0.1:" + std::to_string(ClosedPort());
    for (const char* bookmaker : {"first", "second"}) {
        SCOPED_TRACE(bookmaker);
        CliRun run = Run({bookmaker, "--first-host", host, "--second-host", host, "--format", "csv",
                          "--today", "2026-12-10"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "lintaro-cli: Не удалось получить страницу со списком турниров.\n");
        EXPECT_EQ(run.out.find("sport_type_name,"), 0u);  // the header, and no row
        EXPECT_EQ(run.out.find("\r\n"), run.out.size() - 2);
    }
}

// A page past --max-size is a page that cannot be fetched.
TEST_F(LoadCliTest, PageLongerThanMaxSizeIsNotFetched) {
    lintaro::demo::DemoOptions options;
    options.events = 40;
    options.today = kToday;
    lintaro::demo::DemoServer server(options);
    server.Start();
    CliRun run = Run({"first", "--first-host", server.FirstHost(), "--today", "2026-12-10",
                      "--max-size", "1000"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "lintaro-cli: Не удалось получить страницу со списком турниров.\n");
    EXPECT_EQ(run.out, "");
}

// A host that never answers ends at --timeout, with the client's message.
TEST_F(LoadCliTest, SilentHostEndsAtTheTimeout) {
    lintaro::testing_util::ScriptedServer silent({{lintaro::testing_util::NoAnswer()}});
    CliRun run = Run({"first", "--first-host", silent.HostPort(), "--timeout", "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "lintaro-cli: Линия не прочитана до конца: Fetch time limit of 1000 ms exceeded.\n");
}

// A page cut short is no line: load fails with the client's message instead of writing part of
// it as if it were all.
TEST_F(LoadCliTest, PageCutShortFailsTheLoad) {
    const std::string page = "<html>" + std::string(4000, ' ') + "</html>";
    for (const auto kind : {lintaro::testing_util::BrokenAnswer::kClosedBeforeLength,
                            lintaro::testing_util::BrokenAnswer::kClosedInChunk}) {
        SCOPED_TRACE(lintaro::testing_util::BrokenAnswerName(kind));
        lintaro::testing_util::ScriptedServer server({{lintaro::testing_util::Broken(kind, page)}});
        CliRun run = Run({"first", "--first-host", server.HostPort()});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("lintaro-cli: Линия не прочитана до конца: The server closed the "
                               "connection after 2006 "),
                  std::string::npos)
            << run.err;
    }
}

TEST_F(LoadCliTest, MistakesEndWithStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"first", "--today", "2026-13-01"},
        {"first", "--demo", "--first-host", "127.0.0.1:1"},
        {"first", "--first-host", "127.0.0.1:99999"},
        {"first", "--second-host", "http://x/"},
        {"first", "--verbose"},
        {"first", "--max-size", "-1"},
        {"first", "--max-size", "1k"},
        {"first", "--timeout", "-1"},
        {"third"},
        {},
    };
    for (const std::vector<std::string>& args : cases) {
        std::string joined;
        for (const std::string& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        CliRun run = Run(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

}  // namespace
