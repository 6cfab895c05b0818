// The SQLite recorder in process: reads and rows as stored, event keys the same for an event in
// every read (and filled into a database written without them), sheets stored only when they
// change, a database kept busy by another connection (that read is rolled back, the next goes
// ahead), a file that stops growing (the read rolled back, the earlier ones intact), and both
// bookmakers' reads of a period with the pairs matched between them.
#include "live/read_recorder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "table/cp1251_text.h"

namespace lintaro::live {

using table::Decimal;
using table::OddsRecord;
using table::Utf8ToCp1251;

namespace {

// A fresh database path in the test's own folder, removed with its log files.
class DatabaseFile {
  public:
    DatabaseFile() {
        std::string pattern = ::testing::TempDir() + "recorder-XXXXXX";
        folder_ = ::mkdtemp(pattern.data());
        path_ = folder_ + "/watch.db";
    }
    ~DatabaseFile() { std::filesystem::remove_all(folder_); }
    const std::string& Path() const { return path_; }

  private:
    std::string folder_, path_;
};

// A second connection to the database, as another program would hold it.
class Connection {
  public:
    explicit Connection(const std::string& path) { sqlite3_open(path.c_str(), &db_); }
    ~Connection() { sqlite3_close(db_); }
    void Execute(const std::string& sql) {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
    }
    // The rows of a query, each as its columns joined by "|" ("NULL" for null).
    std::vector<std::string> Rows(const std::string& sql) {
        std::vector<std::string> rows;
        sqlite3_exec(
            db_, sql.c_str(),
            [](void* out, int count, char** values, char**) {
                std::string row;
                for (int i = 0; i < count; ++i) {
                    if (i > 0) row += "|";
                    row += values[i] ? values[i] : "NULL";
                }
                static_cast<std::vector<std::string>*>(out)->push_back(row);
                return 0;
            },
            &rows, nullptr);
        return rows;
    }

  private:
    sqlite3* db_ = nullptr;
};

OddsRecord Row(const std::string& home, const std::optional<std::string>& sheet) {
    OddsRecord row;
    row.sport_type_name = Utf8ToCp1251("футбол");
    row.competition_name = Utf8ToCp1251("Англия. Премьер-лига");
    row.sport_event_date = table::MakeDateTime({2026, 12, 20, 19, 30}).value();
    row.team_h_name = Utf8ToCp1251(home);
    row.team_g_name = Utf8ToCp1251("Челси");
    row.P1 = Decimal{18500};
    row.VF1 = Decimal{-15000};
    row.Key_ID = 7;
    if (sheet) row.dop_info = Utf8ToCp1251(*sheet);
    return row;
}

ReadRecord Read(const std::string& time, const std::string& outcome = "ok") {
    return ReadRecord{time, "first", "127.0.0.1:8080", outcome,
                      outcome == "failed" ? "Ошибка загрузки" : ""};
}

TEST(ReadRecorderTest, ReadsAndRowsAsStored) {
    DatabaseFile file;
    {
        ReadRecorder recorder(file.Path());
        EXPECT_EQ(recorder.Append(Read("2026-12-10T10:42:05+03:00"), {Row("Арсенал", "<b>1</b>")}),
                  1);
        EXPECT_EQ(recorder.Append(Read("2026-12-10T10:43:05+03:00", "failed"), {}), 2);
    }
    Connection db(file.Path());
    EXPECT_EQ(db.Rows("SELECT * FROM reads"),
              (std::vector<std::string>{
                  "1|2026-12-10T10:42:05+03:00|first|127.0.0.1:8080|1|ok|NULL",
                  "2|2026-12-10T10:43:05+03:00|first|127.0.0.1:8080|0|failed|Ошибка загрузки"}));
    EXPECT_EQ(db.Rows("SELECT * FROM odds"),
              (std::vector<std::string>{
                  "1|футбол|Англия. Премьер-лига|2026-12-20T19:30:00.000|"
                  "Арсенал|Челси|1.85|NULL|NULL|NULL|NULL|NULL|NULL|-1.5|"
                  "NULL|NULL|NULL|NULL|NULL|7|<b>1</b>|" +
                  std::to_string(EventKey("футбол", "Англия. Премьер-лига",
                                          "2026-12-20T19:30:00.000", "Арсенал", "Челси"))}));
    EXPECT_EQ(db.Rows("SELECT typeof(P1), typeof(Key_ID) FROM odds"),
              (std::vector<std::string>{"real|integer"}));
    EXPECT_EQ(db.Rows("PRAGMA journal_mode"), (std::vector<std::string>{"wal"}));
    // A second run appends to the same tables.
    ReadRecorder again(file.Path());
    EXPECT_EQ(again.Append(Read("2026-12-10T11:00:00+03:00"), {}), 3);
}

// event_key as its documentation defines it: FNV-1a 64 over each identity column, 0x00 for NULL,
// else 0x01, the UTF-8 text and 0x00.
int64_t DocumentedKey(std::initializer_list<std::optional<std::string>> columns) {
    uint64_t hash = 0xCBF29CE484222325ull;
    const auto add = [&](unsigned char byte) { hash = (hash ^ byte) * 0x100000001B3ull; };
    for (const std::optional<std::string>& column : columns) {
        if (column) {
            add(1);
            for (const char c : *column) add(static_cast<unsigned char>(c));
        }
        add(0);
    }
    return static_cast<int64_t>(hash);
}

TEST(ReadRecorderTest, EventKeyIsTheSameForTheSameEventInEveryRead) {
    DatabaseFile file;
    OddsRecord moved = Row("Арсенал", std::nullopt);
    moved.sport_event_date = table::MakeDateTime({2026, 12, 20, 21, 0}).value();  // another event
    OddsRecord no_tournament = Row("Арсенал", std::nullopt);
    no_tournament.competition_name.reset();
    {
        ReadRecorder recorder(file.Path());
        recorder.Append(Read("t1"), {Row("Арсенал", "a"), Row("Эвертон", "e"), no_tournament});
        OddsRecord repriced = Row("Арсенал", "a");
        repriced.P1 = Decimal{19000};
        repriced.Key_ID = 3;  // a reading order, no part of the identity
        recorder.Append(Read("t2"), {Row("Эвертон", "e"), repriced, moved});
    }
    ReadRecorder reopened(file.Path());  // a later run keeps the keys
    reopened.Append(Read("t3"), {Row("Арсенал", "a")});
    Connection db(file.Path());
    const std::string arsenal = std::to_string(DocumentedKey(
        {"футбол", "Англия. Премьер-лига", "2026-12-20T19:30:00.000", "Арсенал", "Челси"}));
    const std::string everton = std::to_string(DocumentedKey(
        {"футбол", "Англия. Премьер-лига", "2026-12-20T19:30:00.000", "Эвертон", "Челси"}));
    const std::string later = std::to_string(DocumentedKey(
        {"футбол", "Англия. Премьер-лига", "2026-12-20T21:00:00.000", "Арсенал", "Челси"}));
    const std::string without = std::to_string(
        DocumentedKey({"футбол", std::nullopt, "2026-12-20T19:30:00.000", "Арсенал", "Челси"}));
    EXPECT_EQ(db.Rows("SELECT read_id, team_h_name, event_key FROM odds"),
              (std::vector<std::string>{"1|Арсенал|" + arsenal, "1|Эвертон|" + everton,
                                        "1|Арсенал|" + without, "2|Эвертон|" + everton,
                                        "2|Арсенал|" + arsenal, "2|Арсенал|" + later,
                                        "3|Арсенал|" + arsenal}));
    EXPECT_EQ(db.Rows("SELECT count(DISTINCT event_key) FROM odds"),
              (std::vector<std::string>{"4"}));
    // The history of one event without a join, through the index.
    EXPECT_EQ(db.Rows("SELECT read_id, P1 FROM odds WHERE event_key = " + arsenal),
              (std::vector<std::string>{"1|1.85", "2|1.9", "3|1.85"}));
    EXPECT_EQ(db.Rows("SELECT name FROM sqlite_master WHERE name = 'odds_event_key'"),
              (std::vector<std::string>{"odds_event_key"}));
}

TEST(ReadRecorderTest, ADatabaseWithoutEventKeyGetsItForEveryRow) {
    DatabaseFile file;
    {
        // As lintaro-cli watch wrote it before event_key existed.
        Connection old(file.Path());
        old.Execute(
            "CREATE TABLE reads (id INTEGER PRIMARY KEY, time TEXT NOT NULL, bookmaker TEXT NOT "
            "NULL, host TEXT NOT NULL, rows INTEGER NOT NULL, outcome TEXT NOT NULL, message "
            "TEXT);"
            "CREATE TABLE odds (read_id INTEGER NOT NULL REFERENCES reads(id), sport_type_name "
            "TEXT, competition_name TEXT, sport_event_date TEXT, team_h_name TEXT, team_g_name "
            "TEXT, P1 REAL, X REAL, P2 REAL, PX1 REAL, P2X REAL, P12 REAL, F1 REAL, VF1 REAL, F2 "
            "REAL, VF2 REAL, TM REAL, TB REAL, VT REAL, Key_ID INTEGER, dop_info TEXT);"
            "CREATE INDEX odds_read_id ON odds(read_id);"
            "INSERT INTO reads VALUES (1, 't1', 'first', 'h', 2, 'ok', NULL);"
            "INSERT INTO odds (read_id, sport_type_name, competition_name, sport_event_date, "
            "team_h_name, team_g_name, P1) VALUES "
            "(1, 'футбол', 'Англия. Премьер-лига', '2026-12-20T19:30:00.000', 'Арсенал', "
            "'Челси', 1.8), (1, 'футбол', NULL, '2026-12-20T19:30:00.000', 'Эвертон', 'Челси', "
            "2);");
    }
    {
        ReadRecorder recorder(file.Path());
        EXPECT_EQ(recorder.Append(Read("t2"), {Row("Арсенал", std::nullopt)}), 2);
    }
    Connection db(file.Path());
    const std::string arsenal = std::to_string(DocumentedKey(
        {"футбол", "Англия. Премьер-лига", "2026-12-20T19:30:00.000", "Арсенал", "Челси"}));
    const std::string everton = std::to_string(
        DocumentedKey({"футбол", std::nullopt, "2026-12-20T19:30:00.000", "Эвертон", "Челси"}));
    EXPECT_EQ(
        db.Rows("SELECT read_id, P1, event_key FROM odds"),
        (std::vector<std::string>{"1|1.8|" + arsenal, "1|2.0|" + everton, "2|1.85|" + arsenal}));
    EXPECT_EQ(db.Rows("SELECT name FROM pragma_table_info('odds') WHERE cid >= 20"),
              (std::vector<std::string>{"dop_info", "event_key"}));
    EXPECT_EQ(db.Rows("SELECT name FROM sqlite_master WHERE name = 'odds_event_key'"),
              (std::vector<std::string>{"odds_event_key"}));
}

TEST(ReadRecorderTest, SheetsAreStoredOnlyWhenTheyChange) {
    DatabaseFile file;
    ReadRecorder recorder(file.Path());
    // Columns: read, home team, the sheet as stored.
    recorder.Append(Read("t1"), {Row("Арсенал", "a1"), Row("Эвертон", "e1"), Row("Тоттенхэм", ""),
                                 Row("Брентфорд", std::nullopt)});
    recorder.Append(Read("t2"), {Row("Арсенал", "a1"), Row("Эвертон", "e2"), Row("Тоттенхэм", ""),
                                 Row("Брентфорд", std::nullopt)});
    // Эвертон listed twice: no one sheet, both stored; Арсенал's sheet went; Брентфорд got one.
    recorder.Append(Read("t3"), {Row("Арсенал", std::nullopt), Row("Эвертон", "e2"),
                                 Row("Эвертон", "e2"), Row("Брентфорд", "b1")});
    // Эвертон once again: compared with nothing, so stored.
    recorder.Append(Read("t4"), {Row("Эвертон", "e2"), Row("Арсенал", std::nullopt)});
    Connection db(file.Path());
    EXPECT_EQ(
        db.Rows("SELECT read_id, team_h_name, dop_info FROM odds"),
        (std::vector<std::string>{
            "1|Арсенал|a1", "1|Эвертон|e1", "1|Тоттенхэм|", "1|Брентфорд|NULL", "2|Арсенал|NULL",
            "2|Эвертон|e2", "2|Тоттенхэм|NULL", "2|Брентфорд|NULL", "3|Арсенал|", "3|Эвертон|e2",
            "3|Эвертон|e2", "3|Брентфорд|b1", "4|Эвертон|e2", "4|Арсенал|NULL"}));
    // Тоттенхэм left the line at t3 and is forgotten: back again, its sheet is stored again. A
    // failed read forgets nothing: Арсенал, missing from it, keeps its sheet.
    recorder.Append(Read("t5", "failed"), {Row("Эвертон", "e2")});
    recorder.Append(Read("t6"), {Row("Тоттенхэм", ""), Row("Арсенал", std::nullopt)});
    EXPECT_EQ(db.Rows("SELECT team_h_name, dop_info FROM odds WHERE read_id >= 5"),
              (std::vector<std::string>{"Эвертон|NULL", "Тоттенхэм|", "Арсенал|NULL"}));
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A database whose reads or odds has the right column names but another shape is refused before
// anything is written: the file stays byte for byte as it was, in its own journal mode.
TEST(ReadRecorderTest, ForeignShapedTablesAreRefusedUntouched) {
    DatabaseFile made;
    { ReadRecorder recorder(made.Path()); }
    Connection ours(made.Path());
    const std::string reads_sql =
        ours.Rows("SELECT sql FROM sqlite_master WHERE name = 'reads'")[0];
    const std::string odds_sql = ours.Rows("SELECT sql FROM sqlite_master WHERE name = 'odds'")[0];
    const auto changed = [](std::string sql, const std::string& from, const std::string& to) {
        const size_t at = sql.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? sql : sql.replace(at, from.size(), to);
    };
    std::string odds_columns;  // "read_id, sport_type_name, ...", as the recorder names them
    for (const std::string& name : ours.Rows("SELECT name FROM pragma_table_info('odds')")) {
        odds_columns += (odds_columns.empty() ? "" : ", ") + name;
    }
    struct Case {
        std::string name, sql, message;
    };
    const Case cases[] = {
        {"a type", changed(reads_sql, "rows INTEGER", "rows TEXT") + ";" + odds_sql,
         "a table \"reads\" that lintaro-cli watch did not make"},
        {"no key", changed(reads_sql, "id INTEGER PRIMARY KEY", "id INTEGER"),
         "a table \"reads\" that lintaro-cli watch did not make"},
        {"a foreign key", reads_sql + ";" + changed(odds_sql, " REFERENCES reads(id)", ""),
         "a table \"odds\" that lintaro-cli watch did not make"},
        {"a view",
         reads_sql + "; CREATE TABLE other (" + odds_columns +
             "); CREATE VIEW odds AS SELECT * FROM other",
         "a view \"odds\" where a table belongs"},
        {"pairs of another shape",
         reads_sql + ";" + odds_sql + "; CREATE TABLE pairs (first_read INTEGER, second_read TEXT)",
         "a table \"pairs\" that lintaro-cli watch did not make"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DatabaseFile file;
        {
            Connection db(file.Path());
            db.Execute(c.sql);
        }
        const std::string before = FileBytes(file.Path());
        try {
            ReadRecorder recorder(file.Path());
            ADD_FAILURE() << "accepted";
        } catch (const ERecorderError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(FileBytes(file.Path()), before);
        EXPECT_FALSE(std::filesystem::exists(file.Path() + "-wal"));
        Connection db(file.Path());
        EXPECT_EQ(db.Rows("PRAGMA journal_mode"), (std::vector<std::string>{"delete"}));
    }
    // The right reads without odds is the recorder's own, half made: odds is added.
    DatabaseFile half;
    {
        Connection db(half.Path());
        db.Execute(reads_sql);
    }
    ReadRecorder recorder(half.Path());
    EXPECT_EQ(recorder.Append(Read("t1"), {Row("Арсенал", "a1")}), 1);
}

ReadRecord ReadAt(const std::string& bookmaker, const std::string& time,
                  const std::string& outcome = "ok") {
    return ReadRecord{time, bookmaker, "127.0.0.1:8080", outcome, ""};
}

OddsRecord SecondRow(const std::string& home, const std::optional<std::string>& sheet) {
    OddsRecord row = Row(home, sheet);
    row.sport_type_name = "soccer";
    row.competition_name = "England - Premier League";
    row.team_g_name = "Chelsea";
    row.sport_event_date = table::MakeDateTime({2026, 12, 20, 16, 30}).value();
    return row;
}

// Both bookmakers' reads of a period go in with the pairs matched between them: a pair's two rows
// are found again through (read_id, event_key), the period is whole or absent, each bookmaker's
// sheets are remembered on their own, and a database of one bookmaker takes the pairs table on.
TEST(ReadRecorderTest, BothReadsOfAPeriodAndTheirPairs) {
    DatabaseFile file;
    {
        ReadRecorder one(file.Path());
        EXPECT_EQ(one.Append(Read("t0"), {Row("Арсенал", "a")}), 1);
    }
    Connection db(file.Path());
    EXPECT_TRUE(db.Rows("SELECT name FROM sqlite_master WHERE name = 'pairs'").empty());

    ReadRecorder recorder(file.Path());
    const std::vector<OddsRecord> first = {Row("Арсенал", "a1"), Row("Ливерпуль", "l1")};
    const std::vector<OddsRecord> second = {SecondRow("Liverpool", "L1"),
                                            SecondRow("Arsenal", "A1")};
    const std::vector<RecordedPair> pairs = {{0, 1, 0.97, 0.031, std::nullopt},
                                             {1, 0, 0.9, -0.02, 0.0125}};
    EXPECT_EQ(
        recorder.AppendBoth(ReadAt("first", "t1"), first, ReadAt("second", "t1"), second, pairs),
        std::make_pair(int64_t{2}, int64_t{3}));
    const std::string join =
        "SELECT p.first_read, p.second_read, a.team_h_name, b.team_h_name, p.score, p.margin, "
        "p.surebet FROM pairs p "
        "JOIN odds a ON a.read_id = p.first_read AND a.event_key = p.first_key "
        "JOIN odds b ON b.read_id = p.second_read AND b.event_key = p.second_key ORDER BY 1, 3";
    const std::vector<std::string> recorded = {"2|3|Арсенал|Arsenal|0.97|0.031|NULL",
                                               "2|3|Ливерпуль|Liverpool|0.9|-0.02|0.0125"};
    EXPECT_EQ(db.Rows(join), recorded);

    // A pair past its rows is refused before anything is written.
    EXPECT_THROW(recorder.AppendBoth(ReadAt("first", "t2"), first, ReadAt("second", "t2"), second,
                                     {{2, 0, 0.9, std::nullopt, std::nullopt}}),
                 std::out_of_range);
    EXPECT_EQ(db.Rows("SELECT count(*) FROM reads"), (std::vector<std::string>{"3"}));

    // The next period's unchanged sheets are not stored again, at either bookmaker: the first's
    // ok read does not forget the second's events. A failed second read records no pairs.
    EXPECT_EQ(
        recorder.AppendBoth(ReadAt("first", "t3"), first, ReadAt("second", "t3"), second, pairs),
        std::make_pair(int64_t{4}, int64_t{5}));
    EXPECT_EQ(db.Rows("SELECT read_id, count(dop_info) FROM odds WHERE read_id > 1 GROUP BY 1"),
              (std::vector<std::string>{"2|2", "3|2", "4|0", "5|0"}));
    recorder.AppendBoth(ReadAt("first", "t4"), first, ReadAt("second", "t4", "failed"), {}, {});
    EXPECT_EQ(db.Rows("SELECT first_read, count(*) FROM pairs GROUP BY 1"),
              (std::vector<std::string>{"2|2", "4|2"}));
    EXPECT_EQ(db.Rows("SELECT id, bookmaker, time, rows, outcome FROM reads WHERE id > 5"),
              (std::vector<std::string>{"6|first|t4|2|ok", "7|second|t4|0|failed"}));
}

TEST(ReadRecorderTest, BusyDatabaseRollsTheReadBackAndTheNextGoesAhead) {
    DatabaseFile file;
    ReadRecorder recorder(file.Path(), std::chrono::milliseconds(200));
    recorder.Append(Read("t1"), {Row("Арсенал", "a1")});
    {
        Connection other(file.Path());
        other.Execute("BEGIN IMMEDIATE");
        try {
            recorder.Append(Read("t2"), {Row("Арсенал", "a2")});
            ADD_FAILURE() << "a locked database took a read";
        } catch (const ERecorderError& e) {
            EXPECT_EQ(e.kind(), ERecorderError::Kind::kBusy);
            EXPECT_NE(std::string(e.what()).find(file.Path()), std::string::npos) << e.what();
        }
        other.Execute("ROLLBACK");
    }
    // The sheet of the rolled-back read was never stored, so the next read stores its own.
    EXPECT_EQ(recorder.Append(Read("t3"), {Row("Арсенал", "a2")}), 2);
    Connection db(file.Path());
    EXPECT_EQ(db.Rows("SELECT read_id, time, dop_info FROM odds JOIN reads ON read_id = id"),
              (std::vector<std::string>{"1|t1|a1", "2|t3|a2"}));
    // At the start, a database kept locked is refused before anything is written.
    Connection other(file.Path());
    other.Execute("BEGIN IMMEDIATE");
    try {
        ReadRecorder refused(file.Path(), std::chrono::milliseconds(100));
        ADD_FAILURE() << "a locked database was opened";
    } catch (const ERecorderError& e) {
        EXPECT_EQ(e.kind(), ERecorderError::Kind::kBusy);
    }
}

// A file the process may not grow stands for a full disk: the read is rolled back whole.
TEST(ReadRecorderTest, FullDiskRollsTheReadBackAndKeepsTheEarlierOnes) {
    DatabaseFile file;
    ReadRecorder recorder(file.Path());
    recorder.Append(Read("t1"), {Row("Арсенал", "a1")});
    std::vector<OddsRecord> big;
    for (int i = 0; i < 2000; ++i) big.push_back(Row("Команда " + std::to_string(i), "sheet"));

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = 96 * 1024;  // above the WAL index, below what the big read needs
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
        recorder.Append(Read("t2"), big);
        ADD_FAILURE() << "a read beyond the file size limit was recorded";
    } catch (const ERecorderError& e) {
        EXPECT_EQ(e.kind(), ERecorderError::Kind::kFull) << e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, SIG_DFL);

    Connection db(file.Path());
    EXPECT_EQ(db.Rows("PRAGMA integrity_check"), (std::vector<std::string>{"ok"}));
    EXPECT_EQ(db.Rows("SELECT id, time FROM reads"), (std::vector<std::string>{"1|t1"}));
    EXPECT_EQ(db.Rows("SELECT count(*) FROM odds"), (std::vector<std::string>{"1"}));
}

}  // namespace
}  // namespace lintaro::live
