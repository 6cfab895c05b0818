// lintaro-cli compare on files: matched events with both rows exactly as load writes them, --all
// listing every row once, --surebets, --bank, CSV, the aliases file, and bad input: one line naming
// the file and the line, status 1, nothing on standard output. Then both lines read from hosts and
// from the demo line the command starts: every published row once (still, moving, at another
// clock offset), a side whose read fails named on standard error while the other's rows are still
// listed, and the comparison's worksheets read back by Debian's readers.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/line_reading.h"
#include "cli_runner.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "export/row_format.h"
#include "scripted_server.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace {

using lintaro::table::OddsRecord;
using lintaro::testing_util::CliRun;
using lintaro::testing_util::RunCli;
using lintaro::testing_util::ScratchDir;

lintaro::table::Decimal D(double value) { return *lintaro::table::DecimalFromDouble(value); }

OddsRecord Event(const char* sport, const char* home, const char* guest, int day, int hour,
                 double p1, double x, double p2) {
    OddsRecord row;
    row.sport_type_name = lintaro::table::Utf8ToCp1251(sport);
    row.competition_name = lintaro::table::Utf8ToCp1251("Лига");
    row.team_h_name = lintaro::table::Utf8ToCp1251(home);
    row.team_g_name = lintaro::table::Utf8ToCp1251(guest);
    row.sport_event_date = lintaro::table::MakeDateTime({2026, 5, day, hour, 0, 0, 0});
    row.P1 = D(p1);
    if (x > 0) row.X = D(x);
    row.P2 = D(p2);
    row.Key_ID = day * 100 + hour;
    return row;
}

std::string Jsonl(const std::vector<OddsRecord>& rows) {
    std::ostringstream out;
    lintaro::worksheet::WriteRows(out, rows, lintaro::worksheet::RowFormat::kJsonl);
    return out.str();
}

std::string JsonRow(const OddsRecord& row) {
    std::string line = Jsonl({row});
    line.pop_back();
    return line;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class CompareCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // No aliases file unless a test writes one.
        ::setenv("XDG_CONFIG_HOME", dir_.Path().c_str(), 1);
        // The second's clock two hours ahead; a surebet on the first event.
        first_ = {
            Event("футбол", "Арсенал", "Челси", 16, 17, 2.50, 3.60, 3.00),
            Event("футбол", "Ливерпуль", "Эвертон", 16, 17, 1.50, 4.20, 6.50),
            Event("теннис", "Уильямс С.", "Халеп С.", 17, 13, 1.60, 0, 2.40),
            Event("хоккей", "ЦСКА", "СКА", 16, 17, 2.10, 4.00, 3.10),
        };
        second_ = {
            Event("soccer", "Liverpool", "Everton", 16, 19, 1.45, 4.40, 6.80),
            Event("soccer", "Arsenal", "Chelsea", 16, 19, 2.10, 3.40, 3.90),
            Event("tennis", "Serena Williams", "Simona Halep", 17, 15, 1.55, 0, 2.45),
            Event("baseball", "Chicago Cubs", "Houston Astros", 16, 19, 1.90, 0, 1.95),
        };
        first_file_ = dir_.WriteFile("first.jsonl", Jsonl(first_));
        second_file_ = dir_.WriteFile("second.jsonl", Jsonl(second_));
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

    CliRun Compare(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"compare", first_file_, second_file_};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args);
    }

    ScratchDir dir_;
    std::vector<OddsRecord> first_, second_;
    std::string first_file_, second_file_;
};

TEST_F(CompareCliTest, PrintsMatchedEventsWithBothRowsBestPricesAndSurebets) {
    const CliRun run = Compare();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], "{\"first\":" + JsonRow(first_[0]) + ",\"second\":" + JsonRow(second_[1]) +
                            ",\"score\":1,\"best\":{\"P1\":{\"price\":2.5,\"from\":\"first\"},"
                            "\"X\":{\"price\":3.6,\"from\":\"first\"},"
                            "\"P2\":{\"price\":3.9,\"from\":\"second\"}},\"margin\":-0.065812,"
                            "\"surebets\":[{\"market\":\"1X2\",\"profit\":0.070448,\"stakes\":"
                            "{\"P1\":42.82,\"X\":29.73,\"P2\":27.45},\"rounding_cost\":0.02}]}");
    EXPECT_NE(lines[1].find("\"second\":" + JsonRow(second_[0])), std::string::npos);
    EXPECT_NE(lines[1].find("\"surebets\":[]}"), std::string::npos);
    EXPECT_NE(lines[2].find("\"second\":" + JsonRow(second_[2])), std::string::npos);
}

TEST_F(CompareCliTest, AllListsEveryRowOnceAndSurebetsFilters) {
    const CliRun all = Compare({"--all"});
    ASSERT_EQ(all.status, 0) << all.err;
    const std::vector<std::string> lines = Lines(all.out);
    ASSERT_EQ(lines.size(), 5u);
    for (const OddsRecord& row : first_) {
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& l) {
                                    return l.find("{\"first\":" + JsonRow(row)) == 0;
                                }),
                  1);
    }
    EXPECT_NE(lines[3].find("\"second\":null,\"score\":null"), std::string::npos);
    EXPECT_EQ(
        lines[4].find("{\"first\":null,\"second\":" + JsonRow(second_[3]) + ",\"score\":null"), 0u);

    const CliRun surebets = Compare({"--surebets", "--bank", "250"});
    ASSERT_EQ(surebets.status, 0) << surebets.err;
    ASSERT_EQ(Lines(surebets.out).size(), 1u);
    EXPECT_NE(surebets.out.find("\"stakes\":{\"P1\":107.04,\"X\":74.34,\"P2\":68.62}"),
              std::string::npos)
        << surebets.out;
}

TEST_F(CompareCliTest, CsvHasOneRecordPerEvent) {
    const std::string out_file = dir_.Path() + "/events.csv";
    const CliRun run = Compare({"--format", "csv", "--out", out_file});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const CliRun cat = RunCli({"compare", "--format", "csv", first_file_, second_file_, "--all"});
    const std::vector<std::string> lines = Lines(cat.out);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("first_sport_type_name,first_competition_name,", 0), 0u);
    EXPECT_NE(lines[0].find(",score,best_P1,best_P1_from,"), std::string::npos);
    EXPECT_NE(lines[0].find(",best_F1_line,"), std::string::npos);
    EXPECT_NE(lines[1].find(",1X2 0.070448 P1=42.82 X=29.73 P2=27.45\r"), std::string::npos)
        << lines[1];
}

TEST_F(CompareCliTest, AliasesLinkAndAMalformedFileIsIgnored) {
    // "ЦСКА"/"СКА" are hockey at the first only; link the Liverpool game's names another way.
    ::mkdir((dir_.Path() + "/lintaro").c_str(), 0700);
    dir_.WriteFile("lintaro/aliases.tsv", "# links\nЛиверпуль\tLiverpool Reserves\tфутбол\n");
    CliRun run = Compare();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Lines(run.out).size(), 2u);  // Ливерпуль is linked elsewhere now
    dir_.WriteFile("lintaro/aliases.tsv", "Ливерпуль\tLiverpool Reserves\nbroken line\n");
    run = Compare();
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out).size(), 3u);
    EXPECT_NE(run.err.find("aliases.tsv: line 2: "), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST_F(CompareCliTest, BadInputIsOneLineNamingFileAndLine) {
    const std::string good = Jsonl(first_);
    const std::string row = JsonRow(first_[0]);
    std::string mistyped = row;
    mistyped.replace(mistyped.find("\"P1\":2.5"), 8, "\"P1\":\"2.5\"");
    const std::pair<std::string, std::string> cases[] = {
        {"first line\n", ":1: "},
        {good + "{\"P1\":2.5}\n", ": line 5: "},
        {good + mistyped + "\n", ": line 5: key \"P1\" must be a number or null"},
        {"\xFF\xFE{}\n", ": line 1: "},
    };
    for (const auto& [text, reason] : cases) {
        const std::string bad = dir_.WriteFile("bad.jsonl", text);
        const CliRun run = RunCli({"compare", bad, second_file_, "--all"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find("bad.jsonl"), std::string::npos) << run.err;
        if (reason != ":1: ") {
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        } else {
            EXPECT_NE(run.err.find("line 1"), std::string::npos) << run.err;
        }
    }
    const CliRun missing = RunCli({"compare", dir_.Path() + "/none.jsonl", second_file_});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("none.jsonl: cannot be read"), std::string::npos) << missing.err;

    const std::string empty = dir_.WriteFile("empty.jsonl", "");
    const CliRun none = RunCli({"compare", empty, empty, "--all"});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out, "");
}

TEST_F(CompareCliTest, NamesNoOneCanMatchAreListedUnmatched) {
    const std::vector<OddsRecord> odd = {
        Event("футбол", "", "Челси", 16, 17, 2.0, 3.0, 4.0),
        Event("футбол", "...", "!!!", 16, 17, 2.0, 3.0, 4.0),
        Event("футбол", std::string(10'000, 'A').c_str(), "Челси", 16, 17, 2.0, 3.0, 4.0),
        Event("футбол", "東京", "大阪", 16, 17, 2.0, 3.0, 4.0),
    };
    const std::string file = dir_.WriteFile("odd.jsonl", Jsonl(odd));
    for (const auto& [a, b] : {std::pair{file, file}, std::pair{file, second_file_}}) {
        const CliRun run = RunCli({"compare", a, b, "--all"});
        EXPECT_EQ(run.status, 0) << run.err;
        for (const std::string& line : Lines(run.out)) {
            EXPECT_NE(line.find("\"score\":null"), std::string::npos) << line;
        }
    }
}

TEST_F(CompareCliTest, UsageMistakes) {
    const std::vector<std::vector<std::string>> cases = {
        {"compare", first_file_},
        {"compare", first_file_, second_file_, second_file_},
        {"compare", first_file_, second_file_, "--format", "xls"},
        {"compare", first_file_, second_file_, "--bank", "lots"},
        {"compare", first_file_, second_file_, "--bank", "0"},
        {"compare", first_file_, second_file_, "--out", ""},
    };
    for (const auto& args : cases) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_EQ(run.out, "");
    }
}

// A loopback host that nothing listens on.
std::string ClosedHost() {
    return "127.0.0.1:" + std::to_string(lintaro::testing_util::ClosedPort());
}

constexpr std::chrono::year_month_day kToday{std::chrono::year{2026}, std::chrono::December,
                                             std::chrono::day{10}};

// Checks `--all` output against the rows each side should have given: every row appears exactly
// once, in its side's place, and there is no other line. Returns the number of matched events.
int ExpectEveryRowOnce(const std::string& out, const std::vector<OddsRecord>& first,
                       const std::vector<OddsRecord>& second) {
    const std::vector<std::string> lines = Lines(out);
    int matched = 0;
    for (const std::string& line : lines) {
        if (line.find("{\"first\":null,") != 0 &&
            line.find(",\"second\":null,") == std::string::npos) {
            ++matched;
        }
    }
    for (const OddsRecord& row : first) {
        const std::string key = "{\"first\":" + JsonRow(row) + ",\"second\":";
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.find(key) == 0; }),
                  1)
            << key;
    }
    for (const OddsRecord& row : second) {
        const std::string key = ",\"second\":" + JsonRow(row) + ",\"score\":";
        EXPECT_EQ(std::count_if(
                      lines.begin(), lines.end(),
                      [&](const std::string& line) { return line.find(key) != std::string::npos; }),
                  1)
            << key;
    }
    EXPECT_EQ(lines.size(), first.size() + second.size() - static_cast<size_t>(matched));
    return matched;
}

class CompareHostsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", dir_.Path().c_str(), 1);
        options_.events = 40;
        options_.today = kToday;
        server_ = std::make_unique<lintaro::demo::DemoServer>(options_);
        server_->Start();
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

    ScratchDir dir_;
    lintaro::demo::DemoOptions options_;
    std::unique_ptr<lintaro::demo::DemoServer> server_;
};

TEST_F(CompareHostsTest, ReadsBothHostsAndListsEveryPublishedRowOnce) {
    const CliRun run = RunCli({"compare", "--first-host", server_->FirstHost(), "--second-host",
                               server_->SecondHost(), "--today", "2026-12-10", "--all"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ExpectEveryRowOnce(run.out, lintaro::demo::PublishedFirstRows(options_, kToday),
                       lintaro::demo::PublishedSecondRows(options_, kToday));
}

// One side unreachable, one that never answers (ended by --timeout), or both: each failure is one
// line naming its side, the other side's rows are all listed unmatched, and the status is 1.
TEST_F(CompareHostsTest, AFailedSideIsNamedAndTheOthersRowsAreListed) {
    const std::string unreachable = "Не удалось получить страницу со списком турниров.";
    // Silent on both connections of the case (the runs with and without --all).
    lintaro::testing_util::ScriptedServer silent(
        {{lintaro::testing_util::NoAnswer()}, {lintaro::testing_util::NoAnswer()}});
    const std::string out_of_time =
        "Линия не прочитана до конца: Fetch time limit of 1000 ms exceeded.";
    const std::vector<OddsRecord> first = lintaro::demo::PublishedFirstRows(options_, kToday);
    const std::vector<OddsRecord> second = lintaro::demo::PublishedSecondRows(options_, kToday);
    struct Case {
        std::string first_host, second_host;
        std::string err;
        const std::vector<OddsRecord>* first;
        const std::vector<OddsRecord>* second;
    };
    const std::vector<OddsRecord> none;
    const std::vector<Case> cases = {
        {ClosedHost(), server_->SecondHost(),
         "lintaro-cli: the first bookmaker's line: " + unreachable + "\n", &none, &second},
        {server_->FirstHost(), ClosedHost(),
         "lintaro-cli: the second bookmaker's line: " + unreachable + "\n", &first, &none},
        {server_->FirstHost(), silent.HostPort(),
         "lintaro-cli: the second bookmaker's line: " + out_of_time + "\n", &first, &none},
        {ClosedHost(), ClosedHost(),
         "lintaro-cli: the first bookmaker's line: " + unreachable +
             "\nlintaro-cli: the second bookmaker's line: " + unreachable + "\n",
         &none, &none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first_host + " " + c.second_host);
        const CliRun all =
            RunCli({"compare", "--first-host", c.first_host, "--second-host", c.second_host,
                    "--today", "2026-12-10", "--timeout", "1", "--all"});
        EXPECT_EQ(all.status, 1);
        EXPECT_EQ(all.err, c.err);
        EXPECT_EQ(ExpectEveryRowOnce(all.out, *c.first, *c.second), 0);
        EXPECT_EQ(all.out.empty(), c.first->empty() && c.second->empty());
        // Without --all nothing matched is left to print.
        const CliRun matched_only =
            RunCli({"compare", "--first-host", c.first_host, "--second-host", c.second_host,
                    "--today", "2026-12-10", "--timeout", "1"});
        EXPECT_EQ(matched_only.status, 1);
        EXPECT_EQ(matched_only.err, c.err);
        EXPECT_EQ(matched_only.out, "");
    }
}

// --demo starts the demo server for the command and reads both of its lines: its seed, the
// number of events and the generation choose the line as they do for serve-demo.
TEST_F(CompareHostsTest, DemoReadsBothLinesOfTheServerItStarts) {
    struct Case {
        std::vector<std::string> args;
        uint32_t seed;
        int events;
        uint32_t generation;
        int offset = -180;
    };
    const std::vector<Case> cases = {
        {{}, 1, 200, 0},
        {{"--seed", "7", "--events", "30"}, 7, 30, 0},
        {{"--moving", "--generation", "3", "--events", "30"}, 1, 30, 3},
        {{"--second-offset", "75", "--events", "30"}, 1, 30, 0, 75},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"compare", "--demo", "--today", "2026-12-10", "--all"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(args.back());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        lintaro::demo::DemoOptions options;
        options.seed = c.seed;
        options.events = c.events;
        options.generation = c.generation;
        options.second_offset_minutes = c.offset;
        options.today = kToday;
        ExpectEveryRowOnce(run.out, lintaro::demo::PublishedFirstRows(options, kToday),
                           lintaro::demo::PublishedSecondRows(options, kToday));
    }
}

// --moving without --generation reads the moving line where it stands now, not the still line:
// the generation of the ten minutes it runs in.
TEST_F(CompareHostsTest, DemoMovingReadsTheLineWhereItStandsNow) {
    const std::vector<std::string> common = {"compare",  "--demo", "--today", "2026-12-10",
                                             "--events", "30",     "--all"};
    std::vector<std::string> moving = common;
    moving.push_back("--moving");
    const CliRun still = RunCli(common);
    const uint32_t before = lintaro::cli::MovingGeneration();
    const CliRun moved = RunCli(moving);
    const uint32_t after = lintaro::cli::MovingGeneration();
    ASSERT_EQ(still.status, 0) << still.err;
    ASSERT_EQ(moved.status, 0) << moved.err;
    EXPECT_NE(moved.out, still.out);
    EXPECT_GE(before, 1u);
    if (before != after) GTEST_SKIP() << "the ten minutes turned during the run";
    lintaro::demo::DemoOptions options;
    options.events = 30;
    options.generation = before;
    options.today = kToday;
    EXPECT_EQ(ExpectEveryRowOnce(moved.out, lintaro::demo::PublishedFirstRows(options, kToday),
                                 lintaro::demo::PublishedSecondRows(options, kToday)),
              static_cast<int>(lintaro::demo::PublishedPairs(options, kToday).size()));
}

// Reads a comparison's worksheet (argv[1], "xls" through xlrd or "xlsx" through openpyxl, Debian's
// readers) and checks it against the same comparison's JSON Lines (argv[3]): per event in order, a
// group row naming the teams, the match's confidence and each surebet, then the first's row, the
// second's row and for a matched event the best prices' row. Prints "ok EVENTS MATCHED SUREBETS".
const char kSheetCheck[] = R"(
import json, sys
path, kind, jsonl = sys.argv[1:4]
if kind == "xls":
    import xlrd
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    rows = [sheet.row_values(r) for r in range(sheet.nrows)]
    blank = lambda v: v == ""
    price = lambda v: None if v == 0 else v          # the Excel 4.0 sheet writes no price as 0
else:
    import openpyxl
    rows = [list(r) for r in openpyxl.load_workbook(path).active.iter_rows(values_only=True)]
    blank = lambda v: v is None
    price = lambda v: v
header = rows[1]
tournament, home, p1 = header.index("Турнир"), header.index("Командa дом."), header.index("1")
fields = ["P1", "X", "P2", "PX1", "P12", "P2X"]
events = [json.loads(line) for line in open(jsonl, encoding="utf-8")]
at, matched, surebets = 2, 0, 0
def same(a, b):
    a, b = (None if a is None or a <= 1 else a), price(b)
    assert (a is None and b is None) or abs(a - b) < 1e-9, (a, b)
for event in events:
    group = rows[at]
    named = event["first"] or event["second"]
    text = group[0]
    assert text.startswith(named["team_h_name"] + " — " + named["team_g_name"]), text
    assert all(blank(v) for v in group[1:]), group
    if event["score"] is not None:
        assert " · совпадение %.2f" % event["score"] in text, text
        matched += 1
    for surebet in event["surebets"]:
        assert " · вилка %s +%.2f%%" % (surebet["market"], surebet["profit"] * 100) in text, text
        surebets += 1
    at += 1
    for side in ("first", "second"):
        if event[side] is None:
            continue
        row = rows[at]
        assert row[tournament] == event[side]["competition_name"], row
        assert row[home] == event[side]["team_h_name"], row
        for i, field in enumerate(fields):
            same(event[side][field], row[p1 + i])
        at += 1
    if event["score"] is not None:
        row = rows[at]
        assert row[tournament] == "Лучшие цены" and row[home] == event["first"]["team_h_name"], row
        for i, field in enumerate(fields):
            best = event["best"].get(field)
            same(best and best["price"], row[p1 + i])
        at += 1
assert blank(rows[at][0]) and blank(rows[at][tournament]), rows[at]   # the footer, last
assert at == len(rows) - 1, (at, len(rows))
print("ok", len(events), matched, surebets)
)";

// --format xls and xlsx write the comparison through the grid's worksheet writers, only into a
// file: Debian's readers of each format find every event of the JSON Lines output in its order,
// with its group row, both bookmakers' rows and the best prices.
TEST_F(CompareHostsTest, WorksheetsHoldTheComparisonAsJsonLinesHasIt) {
    const std::vector<std::string> common = {"compare",  "--demo", "--today", "2026-12-10",
                                             "--events", "120",    "--all"};
    const CliRun jsonl = RunCli(common);
    ASSERT_EQ(jsonl.status, 0) << jsonl.err;
    const std::string events = dir_.WriteFile("events.jsonl", jsonl.out);
    const std::string script = dir_.WriteFile("check.py", kSheetCheck);
    for (const std::string format : {"xls", "xlsx"}) {
        SCOPED_TRACE(format);
        const std::string file = dir_.Path() + "/events." + format;
        std::vector<std::string> args = common;
        args.insert(args.end(), {"--format", format, "--out", file});
        const CliRun run = RunCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        std::string out, err;
        lintaro::testing_util::Process python("/usr/bin/python3", {script, file, format, events});
        ASSERT_EQ(python.Finish(&out, &err), 0) << err;
        std::istringstream counts(out);
        std::string ok;
        int listed = 0, matched = 0, surebets = 0;
        counts >> ok >> listed >> matched >> surebets;
        EXPECT_EQ(ok, "ok") << out;
        EXPECT_GT(matched, 20);
        EXPECT_GT(listed, matched);
        EXPECT_GT(surebets, 0);
    }
}

TEST_F(CompareHostsTest, SourceMistakes) {
    const std::vector<std::vector<std::string>> cases = {
        {"compare", "--demo", "--first-host", server_->FirstHost()},
        {"compare", "--demo", "a.jsonl", "b.jsonl"},
        {"compare", "a.jsonl", "b.jsonl", "--timeout", "1"},
        {"compare", "--first-host", server_->FirstHost(), "a.jsonl"},
        {"compare", "--moving"},
        {"compare", "--first-host", server_->FirstHost(), "--seed", "3"},
        {"compare", "--demo", "--generation", "x"},
        {"compare", "--demo", "--second-offset", "721"},
        {"compare", "--first-host", server_->FirstHost(), "--second-offset", "60"},
        {"compare", "--demo", "--format", "xls"},
        {"compare", "--demo", "--format", "xlsx"},
        {"compare", "--first-host", "127.0.0.1:99999"},
    };
    for (const auto& args : cases) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args[1] << " " << args.back();
        EXPECT_EQ(run.out, "");
    }
}

}  // namespace
