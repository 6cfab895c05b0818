// lintaro-cli watch: the moving demo line recorded read after read (each read's rows equal load on
// the same generation), one JSON line per change without --db, a stop signal during a read and
// between reads, databases that cannot be used, a full disk, and usage mistakes; watch both with
// its pairs, a line that fails beside one that does not, and a stop that reaches both reads.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <tuple>

#include "cli_runner.h"
#include "demo/demo_line.h"
#include "demo/demo_server.h"
#include "export/row_format.h"
#include "scripted_server.h"
#include "table/cp1251_text.h"
#include "table/date_time.h"

namespace lintaro {

using table::Cp1251ToUtf8;
using table::Decimal;
using table::IsoDateTimeText;
using table::OddsRecord;

namespace {

namespace chr = std::chrono;
using testing_util::CliProcess;
using testing_util::CliRun;
using testing_util::Process;
using testing_util::RunCli;
using worksheet::DecimalText;
using worksheet::RowFormat;
using worksheet::WriteRows;

constexpr const char* kToday = "2026-12-20";

// A folder for the test's databases, removed with whatever was written into it.
class Folder {
  public:
    Folder() {
        std::string pattern = "/tmp/lintaro-watch-test-XXXXXX";
        path_ = ::mkdtemp(pattern.data());
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The result rows of a query on the database, columns joined by "|" ("NULL" for null).
std::vector<std::string> Query(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::vector<std::string> rows;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* out, int count, char** values, char**) {
            std::string row;
            for (int i = 0; i < count; ++i)
                row += (i ? "|" : "") + std::string(values[i] ? values[i] : "NULL");
            static_cast<std::vector<std::string>*>(out)->push_back(row);
            return 0;
        },
        &rows, nullptr);
    sqlite3_close(db);
    return rows;
}

// The reads of a database as odds rows, read by read, each event's sheet being the last one stored
// for it up to that read.
std::vector<std::vector<OddsRecord>> RecordedReads(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM odds ORDER BY read_id, rowid", -1, &rows, nullptr);
    std::vector<std::vector<OddsRecord>> reads;
    std::map<std::tuple<std::string, std::string, int64_t, std::string, std::string>, std::string>
        sheets;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        const int64_t read_id = sqlite3_column_int64(rows, 0);
        if (static_cast<int64_t>(reads.size()) < read_id) reads.resize(read_id);
        const auto text = [&](int column) -> std::optional<std::string> {
            if (sqlite3_column_type(rows, column) == SQLITE_NULL) return std::nullopt;
            return table::Utf8ToCp1251(
                reinterpret_cast<const char*>(sqlite3_column_text(rows, column)));
        };
        OddsRecord row;
        row.sport_type_name = text(1);
        row.competition_name = text(2);
        table::CalendarParts start;
        std::sscanf(reinterpret_cast<const char*>(sqlite3_column_text(rows, 3)),
                    "%d-%d-%dT%d:%d:%d.%d", &start.year, &start.month, &start.day, &start.hour,
                    &start.minute, &start.second, &start.millisecond);
        row.sport_event_date = table::MakeDateTime(start);
        row.team_h_name = text(4);
        row.team_g_name = text(5);
        std::optional<Decimal>* decimals[] = {&row.P1,  &row.X,  &row.P2,  &row.PX1, &row.P2X,
                                              &row.P12, &row.F1, &row.VF1, &row.F2,  &row.VF2,
                                              &row.TM,  &row.TB, &row.VT};
        for (int i = 0; i < 13; ++i) {
            if (sqlite3_column_type(rows, 6 + i) != SQLITE_NULL) {
                *decimals[i] = table::DecimalFromDouble(sqlite3_column_double(rows, 6 + i));
            }
        }
        row.Key_ID = sqlite3_column_int(rows, 19);
        const auto key =
            std::make_tuple(*row.sport_type_name, *row.competition_name, row.sport_event_date->ms,
                            *row.team_h_name, *row.team_g_name);
        if (const auto sheet = text(20)) sheets[key] = *sheet;
        if (const auto known = sheets.find(key); known != sheets.end())
            row.dop_info = known->second;
        reads[read_id - 1].push_back(std::move(row));
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return reads;
}

std::string Jsonl(const std::vector<OddsRecord>& rows) {
    std::ostringstream out;
    WriteRows(out, rows, RowFormat::kJsonl);
    return out.str();
}

TEST(WatchCliTest, RecordsEachReadOfTheMovingDemoLineAsLoadReadsIt) {
    for (const std::string which : {"first", "second"}) {
        SCOPED_TRACE(which);
        Folder folder;
        const std::string db = folder.File("line.db");
        const CliRun run = RunCli({"watch", which, "--demo", "--every", "0", "--count", "3",
                                   "--today", kToday, "--db", db});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "");
        const std::vector<std::string> reads =
            Query(db, "SELECT id, bookmaker, host, rows, outcome, message FROM reads");
        ASSERT_EQ(reads.size(), 3u);
        const auto recorded = RecordedReads(db);
        ASSERT_EQ(recorded.size(), 3u);
        for (int g = 0; g < 3; ++g) {
            SCOPED_TRACE(g);
            const CliRun load = RunCli(
                {"load", which, "--demo", "--generation", std::to_string(g), "--today", kToday});
            ASSERT_EQ(load.status, 0) << load.err;
            EXPECT_EQ(Jsonl(recorded[g]), load.out);
            EXPECT_TRUE(std::regex_match(
                reads[g],
                std::regex(std::to_string(g + 1) + "\\|" + which + "\\|127\\.0\\.0\\.1:[0-9]+\\|" +
                           std::to_string(recorded[g].size()) + "\\|ok\\|NULL")))
                << reads[g];
        }
        for (const std::string& time : Query(db, "SELECT time FROM reads")) {
            EXPECT_TRUE(std::regex_match(
                time, std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d")))
                << time;
        }
        // The sheets that did not move were not stored again.
        if (which == "first") {
            EXPECT_LT(std::stoi(Query(db, "SELECT count(dop_info) FROM odds WHERE read_id = 2")[0]),
                      static_cast<int>(recorded[1].size()) / 4);
        }
    }
}

// The changes between generations 0 and 1 of the demo line, worked out from the published rows
// by identity: "field old new" for each decimal whose value changed (a moved handicap or total is
// its own line, VF1, VF2 or VT; its prices only when they changed too), "event null true" for each
// row of a new event, "event true null" for each row of one that went. Identities listed more than
// once in either generation move nothing.
std::vector<std::string> ExpectedChanges(const std::vector<OddsRecord>& before,
                                         const std::vector<OddsRecord>& after) {
    using Key = std::tuple<std::string, std::string, int64_t, std::string, std::string>;
    const auto key_of = [](const OddsRecord& r) {
        return Key{*r.sport_type_name, *r.competition_name, r.sport_event_date->ms, *r.team_h_name,
                   *r.team_g_name};
    };
    std::map<Key, std::vector<const OddsRecord*>> old_rows, new_rows;
    for (const OddsRecord& r : before) old_rows[key_of(r)].push_back(&r);
    for (const OddsRecord& r : after) new_rows[key_of(r)].push_back(&r);
    const auto prefix = [](const OddsRecord& r) {
        char date[32];
        const table::CalendarParts p = table::SplitDateTime(*r.sport_event_date);
        std::snprintf(date, sizeof date, "%04d-%02d-%02dT%02d:%02d:%02d.000", p.year, p.month,
                      p.day, p.hour, p.minute, p.second);
        return table::Cp1251ToUtf8(*r.sport_type_name + "\t" + *r.competition_name + "\t" +
                                   *r.team_h_name + "\t" + *r.team_g_name) +
               "\t" + date + "\t";
    };
    const auto text = [](const std::optional<Decimal>& v) {
        return v ? DecimalText(*v) : std::string("null");
    };
    std::vector<std::string> changes;
    for (const auto& [key, rows] : new_rows) {
        const auto old = old_rows.find(key);
        if (old == old_rows.end()) {
            for (const OddsRecord* r : rows) changes.push_back(prefix(*r) + "event\tnull\ttrue");
            continue;
        }
        if (rows.size() != 1 || old->second.size() != 1) continue;
        const OddsRecord& a = *old->second[0];
        const OddsRecord& b = *rows[0];
        for (int field = 5; field <= 17; ++field) {
            const std::string name = table::kOddsFields[field].name;
            const bool line = name == "VF1" || name == "VF2" || name == "VT";
            // A price of at most 1.0 is no price: null.
            const auto get = [&](const OddsRecord& r) -> std::optional<Decimal> {
                const table::StoredValue v = table::GetField(r, field);
                const auto* d = std::get_if<Decimal>(&v);
                if (d && (line || d->scaled > 10000)) return *d;
                return std::nullopt;
            };
            if (get(a) == get(b)) continue;
            changes.push_back(prefix(b) + name + "\t" + text(get(a)) + "\t" + text(get(b)));
        }
    }
    for (const auto& [key, rows] : old_rows) {
        if (new_rows.count(key)) continue;
        for (const OddsRecord* r : rows) changes.push_back(prefix(*r) + "event\ttrue\tnull");
    }
    std::sort(changes.begin(), changes.end());
    return changes;
}

TEST(WatchCliTest, WithoutADatabaseEachChangeIsOneJsonLine) {
    EXPECT_EQ(RunCli({"watch", "first", "--demo", "--count", "1", "--today", kToday}).out, "");
    const CliRun run =
        RunCli({"watch", "first", "--demo", "--every", "0", "--count", "2", "--today", kToday});
    ASSERT_EQ(run.status, 0) << run.err;
    // Python's json module reads the lines back; the time is the same ISO text on every line.
    Folder folder;
    const std::string lines = folder.File("changes.jsonl");
    std::ofstream(lines, std::ios::binary) << run.out;
    std::string tsv, err;
    const int python =
        Process("/usr/bin/python3", {"-c",
                                     "import json, sys\n"
                                     "keys = ['time', 'sport_type_name', 'competition_name', "
                                     "'team_h_name', 'team_g_name', 'sport_event_date', 'field', "
                                     "'old', 'new']\n"
                                     "times = set()\n"
                                     "for line in open(sys.argv[1], encoding='utf-8'):\n"
                                     "    o = json.loads(line)\n"
                                     "    assert list(o) == keys, list(o)\n"
                                     "    times.add(o['time'])\n"
                                     "    v = [json.dumps(o[k]) if k in ('old', 'new') else o[k]"
                                     " for k in keys[1:]]\n"
                                     "    print('\\t'.join(v))\n"
                                     "assert len(times) == 1\n",
                                     lines})
            .Finish(&tsv, &err);
    ASSERT_EQ(python, 0) << err;
    std::vector<std::string> printed;
    std::istringstream split(tsv);
    for (std::string line; std::getline(split, line);) printed.push_back(line);
    std::sort(printed.begin(), printed.end());

    demo::DemoOptions options;
    options.today = demo::ToYearMonthDay(*table::ParseIsoDate(kToday));
    const auto generation_0 = demo::PublishedFirstRows(options, *options.today);
    options.generation = 1;
    const auto generation_1 = demo::PublishedFirstRows(options, *options.today);
    const std::vector<std::string> expected = ExpectedChanges(generation_0, generation_1);
    EXPECT_EQ(printed, expected);
    EXPECT_GT(expected.size(), 10u);
    // The line moves between these generations, and no change line says a value stayed.
    size_t moved_lines = 0;
    for (const std::string& line : printed) {
        const size_t value = line.rfind('\t', line.rfind('\t') - 1);
        const std::string field =
            line.substr(line.rfind('\t', value - 1) + 1, value - line.rfind('\t', value - 1) - 1);
        moved_lines += field == "VF1" || field == "VF2" || field == "VT";
        const std::string old_value = line.substr(value + 1, line.rfind('\t') - value - 1);
        EXPECT_NE(old_value, line.substr(line.rfind('\t') + 1)) << line;
    }
    EXPECT_GT(moved_lines, 0u);
}

// A port that takes connections and never answers: a read stays under way until cancelled.
class SilentPort {
  public:
    SilentPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 8);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~SilentPort() {
        if (client_ >= 0) ::close(client_);
        ::close(fd_);
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

    // Accepts one connection and reads its request head, both within `limit`: once this returns
    // true the client is waiting for an answer. The connection stays open and silent.
    bool AwaitRequest(chr::milliseconds limit) {
        const auto deadline = chr::steady_clock::now() + limit;
        const auto ready = [&](int fd) {
            const auto left =
                chr::duration_cast<chr::milliseconds>(deadline - chr::steady_clock::now());
            pollfd waiting{fd, POLLIN, 0};
            return ::poll(&waiting, 1, static_cast<int>(std::max<int64_t>(0, left.count()))) == 1;
        };
        if (!ready(fd_)) return false;
        client_ = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        std::string head;
        while (client_ >= 0 && head.find("\r\n\r\n") == std::string::npos) {
            char bytes[1024];
            if (!ready(client_)) return false;
            const ssize_t got = ::recv(client_, bytes, sizeof bytes, 0);
            if (got <= 0) return false;
            head.append(bytes, static_cast<std::size_t>(got));
        }
        return client_ >= 0;
    }

  private:
    int fd_;
    int client_ = -1;
    int port_ = 0;
};

// The sqlite3 shell's answer to `sql` on the database (Debian's own shell, an outside reader).
std::string Shell(const std::string& db, const std::string& sql) {
    std::string out, err;
    Process("/usr/bin/sqlite3", {db, sql}).Finish(&out, &err);
    return out + err;
}

TEST(WatchCliTest, StopSignalsEndTheRunWithADatabaseOthersRead) {
    Folder folder;
    // During a read: the read is cancelled through the client and recorded as such.
    SilentPort silent;
    const std::string during = folder.File("during.db");
    CliProcess stalled({"watch", "first", "--first-host", silent.Host(), "--db", during});
    ASSERT_TRUE(silent.AwaitRequest(chr::seconds(20)));
    const auto signalled = chr::steady_clock::now();
    stalled.Signal(SIGINT);
    std::string err;
    EXPECT_EQ(stalled.Finish(nullptr, &err), 0) << err;
    EXPECT_LT(chr::steady_clock::now() - signalled, chr::seconds(3));
    EXPECT_EQ(Shell(during, "PRAGMA integrity_check; SELECT rows, outcome, message FROM reads;"),
              "ok\n0|cancelled|\n");

    // Between reads: the wait ends at once; the reads done stay.
    const std::string between = folder.File("between.db");
    CliProcess waiting({"watch", "second", "--demo", "--every", "600", "--db", between});
    const auto deadline = chr::steady_clock::now() + chr::seconds(20);
    while (chr::steady_clock::now() < deadline &&
           Shell(between, "SELECT count(*) FROM reads") != "1\n") {
        std::this_thread::sleep_for(chr::milliseconds(100));
    }
    waiting.Signal(SIGTERM);
    EXPECT_EQ(waiting.Finish(nullptr, &err), 0) << err;
    EXPECT_EQ(Shell(between, "PRAGMA integrity_check; SELECT outcome FROM reads;"), "ok\nok\n");
}

// An event both bookmakers carry, as "home|guest|start" at the first, then at the second.
std::string PairText(const std::string& home, const std::string& guest, const std::string& start,
                     const std::string& other_home, const std::string& other_guest,
                     const std::string& other_start) {
    return home + "|" + guest + "|" + start + "|" + other_home + "|" + other_guest + "|" +
           other_start;
}

// The pairs a period of watch both recorded, through the join the manual page documents.
std::vector<std::string> RecordedPairs(const std::string& db, int first_read) {
    std::vector<std::string> pairs =
        Query(db,
              "SELECT a.team_h_name, a.team_g_name, a.sport_event_date, b.team_h_name, "
              "b.team_g_name, b.sport_event_date FROM pairs p "
              "JOIN odds a ON a.read_id = p.first_read AND a.event_key = p.first_key "
              "JOIN odds b ON b.read_id = p.second_read AND b.event_key = p.second_key "
              "WHERE p.first_read = " +
                  std::to_string(first_read));
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

class WatchBothTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", folder_.File("").c_str(), 1);  // no user's aliases
        options_.events = 40;
        options_.today = demo::ToYearMonthDay(*table::ParseIsoDate(kToday));
        server_ = std::make_unique<demo::DemoServer>(options_);
        server_->SetMoving(true);
        server_->Start();
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

    demo::DemoOptions AtGeneration(uint32_t generation) const {
        demo::DemoOptions options = options_;
        options.generation = generation;
        return options;
    }

    Folder folder_;
    demo::DemoOptions options_;
    std::unique_ptr<demo::DemoServer> server_;
};

// Each period reads both lines of a moving server of the test's own: each read is its line's next
// generation as the readers publish it, the two reads share the period's time, and the pairs
// recorded are exactly the true pairs of that generation.
TEST_F(WatchBothTest, RecordsBothLinesAndTheTruePairsOfEachPeriod) {
    const std::string db = folder_.File("both.db");
    const CliRun run = RunCli({"watch", "both", "--first-host", server_->FirstHost(),
                               "--second-host", server_->SecondHost(), "--every", "0", "--count",
                               "3", "--today", kToday, "--db", db});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> reads = Query(db, "SELECT bookmaker, outcome FROM reads");
    EXPECT_EQ(reads, (std::vector<std::string>{"first|ok", "second|ok", "first|ok", "second|ok",
                                               "first|ok", "second|ok"}));
    EXPECT_EQ(Query(db, "SELECT count(DISTINCT time) FROM reads GROUP BY (id + 1) / 2"),
              (std::vector<std::string>{"1", "1", "1"}));
    const auto recorded = RecordedReads(db);
    ASSERT_EQ(recorded.size(), 6u);
    for (uint32_t g = 0; g < 3; ++g) {
        SCOPED_TRACE(g);
        const demo::DemoOptions options = AtGeneration(g);
        EXPECT_EQ(Jsonl(recorded[2 * g]),
                  Jsonl(demo::PublishedFirstRows(options, *options_.today)));
        EXPECT_EQ(Jsonl(recorded[2 * g + 1]),
                  Jsonl(demo::PublishedSecondRows(options, *options_.today)));
        std::vector<std::string> truth;
        for (const demo::DemoPair& pair : demo::PublishedPairs(options, *options_.today)) {
            truth.push_back(
                PairText(Cp1251ToUtf8(pair.first.home), Cp1251ToUtf8(pair.first.guest),
                         IsoDateTimeText(pair.first.start), Cp1251ToUtf8(pair.second.home),
                         Cp1251ToUtf8(pair.second.guest), IsoDateTimeText(pair.second.start)));
        }
        std::sort(truth.begin(), truth.end());
        EXPECT_GT(truth.size(), 10u);
        EXPECT_EQ(RecordedPairs(db, static_cast<int>(2 * g + 1)), truth);
    }
}

// One line that cannot be read: each of its reads is recorded and said as failed, naming it; the
// other line is recorded read after read all the same, and no pair is made of a failed read.
// Without --db each change line names its bookmaker.
TEST_F(WatchBothTest, AFailingLineIsRecordedOnItsOwnAndTheOtherGoesOn) {
    const std::string db = folder_.File("one.db");
    const std::string closed = "127.0.0.1:" + std::to_string(testing_util::ClosedPort());
    const CliRun run =
        RunCli({"watch", "both", "--first-host", server_->FirstHost(), "--second-host", closed,
                "--every", "0", "--count", "2", "--today", kToday, "--db", db});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string said =
        "lintaro-cli: the second bookmaker's line: Не удалось получить "
        "страницу со списком турниров.\n";
    EXPECT_EQ(run.err, said + said);
    const auto rows = [&](uint32_t g) {
        const demo::DemoOptions options = AtGeneration(g);
        return std::to_string(demo::PublishedFirstRows(options, *options_.today).size());
    };
    EXPECT_EQ(Query(db, "SELECT bookmaker, rows, outcome, message IS NOT NULL FROM reads"),
              (std::vector<std::string>{"first|" + rows(0) + "|ok|0", "second|0|failed|1",
                                        "first|" + rows(1) + "|ok|0", "second|0|failed|1"}));
    EXPECT_EQ(Query(db, "SELECT count(*) FROM pairs"), (std::vector<std::string>{"0"}));
}

// A stop signal during a period cancels the second line's read as well as the first's: the run
// ends at once with the period recorded.
TEST_F(WatchBothTest, AStopSignalCancelsBothReads) {
    SilentPort silent;
    const std::string db = folder_.File("stopped.db");
    CliProcess stalled({"watch", "both", "--first-host", server_->FirstHost(), "--second-host",
                        silent.Host(), "--today", kToday, "--db", db});
    ASSERT_TRUE(silent.AwaitRequest(chr::seconds(20)));
    const auto signalled = chr::steady_clock::now();
    stalled.Signal(SIGINT);
    std::string err;
    EXPECT_EQ(stalled.Finish(nullptr, &err), 0) << err;
    EXPECT_LT(chr::steady_clock::now() - signalled, chr::seconds(3));
    // The first line's read has ended by then or is cancelled with the second's.
    const std::string recorded =
        Shell(db, "PRAGMA integrity_check; SELECT bookmaker, outcome FROM reads;");
    EXPECT_TRUE(recorded == "ok\nfirst|ok\nsecond|cancelled\n" ||
                recorded == "ok\nfirst|cancelled\nsecond|cancelled\n")
        << recorded;
}

// Without --db each change line names its bookmaker after the time, and each bookmaker's lines
// are what watching that bookmaker alone prints.
TEST(WatchCliTest, BothWithoutADatabaseNamesTheBookmakerOfEachChange) {
    const auto without_time = [](const std::string& out, const std::string& bookmaker) {
        std::vector<std::string> lines;
        std::istringstream split(out);
        const std::regex time("^\\{\"time\":\"[^\"]*\"" + bookmaker);
        for (std::string line; std::getline(split, line);) {
            if (std::regex_search(line, time)) lines.push_back(std::regex_replace(line, time, "{"));
        }
        return lines;
    };
    const CliRun both =
        RunCli({"watch", "both", "--demo", "--every", "0", "--count", "2", "--today", kToday});
    ASSERT_EQ(both.status, 0) << both.err;
    size_t named = 0;
    for (const std::string which : {"first", "second"}) {
        SCOPED_TRACE(which);
        const CliRun alone =
            RunCli({"watch", which, "--demo", "--every", "0", "--count", "2", "--today", kToday});
        ASSERT_EQ(alone.status, 0) << alone.err;
        const std::vector<std::string> lines =
            without_time(both.out, ",\"bookmaker\":\"" + which + "\",");
        EXPECT_EQ(lines, without_time(alone.out, ","));
        EXPECT_FALSE(lines.empty());
        named += lines.size();
    }
    EXPECT_EQ(named, static_cast<size_t>(std::count(both.out.begin(), both.out.end(), '\n')));
}

TEST(WatchCliTest, UnusableDatabasesAreRefusedUntouched) {
    Folder folder;
    // A database watch made, and others.
    const std::string ours = folder.File("ours.db");
    ASSERT_EQ(RunCli({"watch", "first", "--demo", "--count", "1", "--db", ours}).status, 0);
    const std::string read_only = folder.File("read-only.db");
    std::filesystem::copy_file(ours, read_only);
    ::chmod(read_only.c_str(), 0444);
    const std::string text = folder.File("notes.txt");
    std::ofstream(text) << "P1 1.85\n";
    const std::string foreign = folder.File("foreign.db");
    Shell(foreign, "CREATE TABLE reads (book TEXT);");
    const std::string locked = folder.File("locked.db");
    std::filesystem::copy_file(ours, locked);
    sqlite3* holder = nullptr;
    sqlite3_open(locked.c_str(), &holder);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    struct Case {
        std::string file;
        std::string message;
    };
    const Case cases[] = {
        {text, text + " is not an SQLite database"},
        {read_only, "Cannot record into " + read_only + ": the file is read-only"},
        {foreign, "it has a table \"reads\" that lintaro-cli watch did not make"},
        {folder.File(""), "it is not a regular file"},
        {locked, "another program kept the database locked"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string before = ReadBytes(c.file);
        // The database is checked before any read: the host is never asked.
        const CliRun run =
            RunCli({"watch", "first", "--first-host", "127.0.0.1:1", "--db", c.file});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(ReadBytes(c.file), before);
        EXPECT_FALSE(std::filesystem::exists(c.file + "-wal") &&
                     std::filesystem::file_size(c.file + "-wal") > 0);
    }
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
}

// A server that falls silent or breaks off fails that read with the client's message, within the
// limits, and the next read goes ahead as if nothing had happened.
TEST(WatchCliTest, BrokenAnswersFailTheReadAndTheNextGoesAhead) {
    using testing_util::BrokenAnswer;
    demo::DemoOptions options;
    options.events = 40;
    options.today = chr::year_month_day{chr::year{2026}, chr::December, chr::day{20}};
    const demo::FirstLine line = demo::BuildFirstLine(options, *options.today);
    const std::string whole =
        "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(line.page.size()) + "\r\n\r\n" +
        line.page;
    // The whole read's limit: a page that keeps coming, too slowly.
    testing_util::ScriptedExchange slow;
    slow.pieces.push_back({{}, whole.substr(0, 100)});
    for (int i = 0; i < 30; ++i) slow.pieces.push_back({chr::milliseconds(200), "x"});
    struct Case {
        std::string name;
        testing_util::ScriptedExchange first;
        std::vector<std::string> limits;
        std::string message;
    };
    std::vector<Case> cases;
    for (const BrokenAnswer kind : testing_util::kBrokenAnswers) {
        const bool stall =
            kind == BrokenAnswer::kStallAfterHead || kind == BrokenAnswer::kStallInBody;
        cases.push_back({testing_util::BrokenAnswerName(kind),
                         testing_util::Broken(kind, line.page),
                         {"--stall-timeout", "1"},
                         stall ? "Read Timeout" : "The server closed the connection after "});
    }
    cases.push_back({"too slow",
                     slow,
                     {"--timeout", "2", "--stall-timeout", "0"},
                     "Read time limit of 2 s exceeded."});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folder folder;
        const std::string db = folder.File("line.db");
        testing_util::ScriptedServer server(
            {{c.first}, {testing_util::Reply(whole, testing_util::ScriptedAfter::kClose)}});
        std::vector<std::string> args = {"watch",   "first", "--first-host", server.HostPort(),
                                         "--today", kToday,  "--every",      "0",
                                         "--count", "2",     "--db",         db};
        args.insert(args.end(), c.limits.begin(), c.limits.end());
        const auto start = chr::steady_clock::now();
        const CliRun run = RunCli(args);
        EXPECT_LT(chr::steady_clock::now() - start, chr::seconds(20));
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string failed = "lintaro-cli: Линия не прочитана до конца: " + c.message;
        EXPECT_EQ(run.err.find(failed), 0u) << run.err;
        const std::vector<std::string> reads =
            Query(db, "SELECT outcome, rows, message FROM reads");
        ASSERT_EQ(reads.size(), 2u);
        EXPECT_EQ(reads[0].find("failed|"), 0u) << reads[0];
        EXPECT_NE(reads[0].find(c.message), std::string::npos) << reads[0];
        EXPECT_EQ(reads[1], "ok|" + std::to_string(line.rows.size()) + "|NULL");
    }
}

TEST(WatchCliTest, FullDiskRollsTheReadBackAndEndsTheRun) {
    Folder folder;
    const std::string db = folder.File("line.db");
    ASSERT_EQ(RunCli({"watch", "first", "--demo", "--count", "1", "--db", db}).status, 0);
    // A file size limit stands for the full disk: the next read's log cannot grow past it. The
    // child inherits the limit and the ignored SIGXFSZ.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const CliRun run =
        RunCli({"watch", "first", "--demo", "--every", "0", "--count", "3", "--db", db});
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    ::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("was rolled back"), std::string::npos) << run.err;
    EXPECT_EQ(Shell(db, "PRAGMA integrity_check; SELECT id, outcome FROM reads;"), "ok\n1|ok\n");
}

TEST(WatchCliTest, UsageMistakes) {
    const std::vector<std::vector<std::string>> cases = {
        {"watch"},
        {"watch", "third"},
        {"watch", "first", "--every", "86401"},
        {"watch", "first", "--every", "-1"},
        {"watch", "first", "--count", "0"},
        {"watch", "first", "--db", ""},
        {"watch", "first", "--demo", "--first-host", "127.0.0.1:1"},
        {"watch", "first", "--generation", "2"},
        {"watch", "both", "--seed", "2"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind("lintaro-cli: ", 0), 0u) << run.err;
    }
}

}  // namespace
}  // namespace lintaro
