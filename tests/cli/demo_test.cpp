// lintaro-cli on the demo line: serve-demo, and the readers' rows on the demo line compared with
// the rows the line published.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "cli_runner.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "demo_test_util.h"
#include "export/row_format.h"
#include "table/cp1251_text.h"

extern char** environ;

namespace lintaro::demo {
namespace {

namespace chr = std::chrono;
using Client = testing_util::RawHttpClient;
using lintaro::testing_util::CliProcess;
using lintaro::testing_util::CliRun;
using lintaro::testing_util::Process;
using lintaro::testing_util::RunCli;
using worksheet::RowFormat;
using worksheet::WriteRows;

constexpr chr::year_month_day kToday = testing_util::kDemoToday;

DemoOptions Options(int events = 200, uint32_t seed = 1) {
    return testing_util::DemoTestOptions(events, seed);
}

// Debian's own interpreter, whose csv module the tests trust as an independent reader.
int RunPython(const std::string& script, const std::string& argument, std::string* out,
              std::string* err) {
    return Process("/usr/bin/python3", {"-c", script, argument}).Finish(out, err);
}

TEST(ServeDemoCliTest, ServesUntilSigtermAndExitsCleanly) {
    CliProcess serve({"serve-demo", "--events", "50", "--seed", "7", "--today", "2026-12-20"});
    const std::string line = serve.FirstLine();
    ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << line;
    const auto port = static_cast<uint16_t>(std::stoi(line.substr(23)));
    {
        Client client(port);
        EXPECT_EQ(client.Get("/odds.shtml", true).body,
                  BuildFirstLine(Options(50, 7), kToday).page);
        Client second(port + 1);
        EXPECT_EQ(second.Get("/", false).status, 302);
        serve.Signal(SIGTERM);  // with a keep-alive client still connected
        EXPECT_TRUE(client.ClosedWithin(chr::seconds(3)));
    }
    std::string err;
    EXPECT_EQ(serve.Finish(nullptr, &err), 0);
    EXPECT_EQ(err, "");
}

TEST(ServeDemoCliTest, BusyPortAndBadOptionsFailWithOneLine) {
    DemoServer running(Options(10));
    running.Start();
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"serve-demo", "--port", std::to_string(running.FirstPort())},
         1,
         "Address already in use"},
        {{"serve-demo", "--port", "70000"}, 2, "--port"},
        {{"serve-demo", "--events", "-5"}, 2, "--events"},
        {{"serve-demo", "--seed", "x"}, 2, "--seed"},
        {{"serve-demo", "--today", "2026-02-30"}, 2, "--today"},
        {{"serve-demo", "--today", " 202-01-01"}, 2, "--today"},
        {{"serve-demo", "extra"}, 2, "extra"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

// The readers on the demo line, end to end through the binary. Skipped while `load` is not built.
class DemoLoadTest : public ::testing::Test {
  protected:
    // Runs `lintaro-cli load WHICH --today 2026-12-20 --format FORMAT` with `hosts` (either
    // "--demo" or the host options).
    int Load(const std::string& which, std::vector<std::string> hosts, const std::string& format,
             std::string* out, std::string* err) {
        std::vector<std::string> args = {"load",       which,      "--today",
                                         "2026-12-20", "--format", format};
        args.insert(args.end(), hosts.begin(), hosts.end());
        const CliRun run = RunCli(args);
        *out = run.out;
        *err = run.err;
        if (err->find("not available yet") != std::string::npos) {
            available_ = false;
        }
        return run.status;
    }
    bool available_ = true;
};

std::string Expected(const std::vector<table::OddsRecord>& rows, RowFormat format) {
    std::ostringstream out;
    WriteRows(out, rows, format);
    return out.str();
}

TEST_F(DemoLoadTest, ReadersGiveExactlyThePublishedRows) {
    // The built-in line, then other seeds and sizes from a server of the test's own (which brings
    // rarer unreadable events into play), and a line without events.
    struct Case {
        int events;
        uint32_t seed;
        bool built_in;
    };
    for (const Case c : {Case{200, 1, true}, Case{1500, 9, false}, Case{0, 3, false}}) {
        DemoServer server(Options(c.events, c.seed));
        std::vector<std::string> hosts = {"--demo"};
        if (!c.built_in) {
            server.Start();
            hosts = {"--first-host", server.FirstHost(), "--second-host", server.SecondHost()};
        }
        for (const std::string which : {"first", "second"}) {
            SCOPED_TRACE(which + " " + std::to_string(c.events) + " " + std::to_string(c.seed));
            std::string out, err;
            const int status = Load(which, hosts, "jsonl", &out, &err);
            if (!available_) GTEST_SKIP() << "load is not built yet";
            EXPECT_EQ(status, 0) << err;
            EXPECT_EQ(err, "");
            const auto rows = which == "first"
                                  ? PublishedFirstRows(Options(c.events, c.seed), kToday)
                                  : PublishedSecondRows(Options(c.events, c.seed), kToday);
            EXPECT_EQ(out, Expected(rows, RowFormat::kJsonl));
        }
        if (!c.built_in) {
            // The second reader went through the redirect and brought the cookie back.
            EXPECT_GT(server.Stats().requests_with_cookie, 0u);
            EXPECT_LT(server.Stats().connections, server.Stats().requests);  // keep-alive held
        }
    }
}

// The readers read moved generations exactly (events that started, new ones, moved lines), from
// load --demo --generation and from a moving serve-demo, whose every read is the next generation.
TEST_F(DemoLoadTest, MovingLineGivesEachGenerationsPublishedRows) {
    const auto generation = [](uint32_t g) {
        DemoOptions options = Options();
        options.generation = g;
        return options;
    };
    for (const std::string which : {"first", "second"}) {
        SCOPED_TRACE(which);
        const auto published = [&](uint32_t g) {
            return Expected(which == "first" ? PublishedFirstRows(generation(g), kToday)
                                             : PublishedSecondRows(generation(g), kToday),
                            RowFormat::kJsonl);
        };
        std::string out, err;
        EXPECT_EQ(Load(which, {"--demo", "--generation", "7"}, "jsonl", &out, &err), 0) << err;
        if (!available_) GTEST_SKIP() << "load is not built yet";
        EXPECT_EQ(out, published(7));
        EXPECT_NE(out, published(0));

        CliProcess server({"serve-demo", "--moving", "--generation", "3", "--today", "2026-12-20"});
        const std::string listening = server.FirstLine();
        ASSERT_EQ(listening.rfind("listening on 127.0.0.1:", 0), 0u) << listening;
        const std::string first_host = listening.substr(13);
        const int port = std::stoi(first_host.substr(first_host.find(':') + 1));
        const std::string second_host = "127.0.0.1:" + std::to_string(port + 1);
        for (uint32_t g = 3; g < 5; ++g) {
            EXPECT_EQ(Load(which, {"--first-host", first_host, "--second-host", second_host},
                           "jsonl", &out, &err),
                      0)
                << err;
            EXPECT_EQ(out, published(g));
        }
        server.Signal(SIGTERM);
        EXPECT_EQ(server.Wait(), 0);
    }
}

TEST_F(DemoLoadTest, CsvReadsBackWithCyrillicIntact) {
    std::string csv, err;
    const int status = Load("first", {"--demo"}, "csv", &csv, &err);
    if (!available_) GTEST_SKIP() << "load is not built yet";
    ASSERT_EQ(status, 0) << err;
    // Python's csv module reads the file back; every text field must come back as published.
    const std::string path = ::testing::TempDir() + "demo_line.csv";
    { std::ofstream(path, std::ios::binary) << csv; }
    std::string fields, python_err;
    const int python = RunPython(
        "import csv, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
        "    for r in csv.DictReader(f):\n"
        "        for k in ('sport_type_name', 'competition_name', 'team_h_name', 'team_g_name',"
        " 'dop_info'):\n"
        "            sys.stdout.write(r[k] + '\\x1f')\n"
        "        sys.stdout.write('\\x1e')\n",
        path, &fields, &python_err);
    ASSERT_EQ(python, 0) << python_err;
    std::string expected;
    for (const table::OddsRecord& row : PublishedFirstRows(Options(), kToday)) {
        for (const auto* text : {&row.sport_type_name, &row.competition_name, &row.team_h_name,
                                 &row.team_g_name, &row.dop_info}) {
            expected += table::Cp1251ToUtf8(text->value_or("")) + "\x1f";
        }
        expected += "\x1e";
    }
    EXPECT_EQ(fields, expected);
    EXPECT_NE(fields.find("Манчестер Юнайтед"), std::string::npos);
}

}  // namespace
}  // namespace lintaro::demo
