// The recorder's SQLite work: checks that leave a file untouched when it cannot be used, one
// prepared insert per table, and one transaction per read.
#include "live/read_recorder.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <utility>
#include <variant>

#include "live/event_history.h"
#include "live/recorder_sql.h"
#include "table/cp1251_text.h"

namespace lintaro::live {

using table::Cp1251ToUtf8;
using table::DateTime;
using table::Decimal;
using table::FieldDef;
using table::FieldKind;
using table::GetField;
using table::IsoDateTimeText;
using table::kOddsFieldCount;
using table::kOddsFields;
using table::OddsRecord;
using table::StoredValue;

namespace {

using Kind = ERecorderError::Kind;

// One column as the recorder makes it: what a table of that name must have, exactly, for the
// recorder to write into it.
struct ColumnShape {
    std::string name;
    std::string type;  // the declared type
    bool not_null = false;
    bool primary_key = false;
    std::string references;  // "table(column)" of a foreign key, or ""
};

ColumnShape Column(std::string name, std::string type, bool not_null = false,
                   bool primary_key = false, std::string references = "") {
    return ColumnShape{std::move(name), std::move(type), not_null, primary_key,
                       std::move(references)};
}

// The two tables, column by column: the one place their shape is written down. The tables are
// created from these lists, and a table found in a database is checked against them.
std::vector<ColumnShape> ReadsShape() {
    return {Column("id", "INTEGER", false, true),
            Column("time", "TEXT", true),
            Column("bookmaker", "TEXT", true),
            Column("host", "TEXT", true),
            Column("rows", "INTEGER", true),
            Column("outcome", "TEXT", true),
            Column("message", "TEXT")};
}

// The odds table; without event_key, as databases written before it have it.
std::vector<ColumnShape> OddsShape(bool with_event_key = true) {
    std::vector<ColumnShape> columns = {Column("read_id", "INTEGER", true, false, "reads(id)")};
    for (const FieldDef& field : kOddsFields) {
        const char* type = field.kind == FieldKind::kDecimal   ? "REAL"
                           : field.kind == FieldKind::kInteger ? "INTEGER"
                                                               : "TEXT";
        columns.push_back(Column(field.name, type));
    }
    if (with_event_key) columns.push_back(Column("event_key", "INTEGER"));
    return columns;
}

// The pairs table of a database that recorded both bookmakers at once.
std::vector<ColumnShape> PairsShape() {
    return {Column("first_read", "INTEGER", true, false, "reads(id)"),
            Column("second_read", "INTEGER", true, false, "reads(id)"),
            Column("first_key", "INTEGER", true),
            Column("second_key", "INTEGER", true),
            Column("score", "REAL", true),
            Column("margin", "REAL"),
            Column("surebet", "REAL")};
}

// The tables of a database that keeps changes only (RowStoring::kChanges).
std::vector<ColumnShape> KeptReadsShape() {
    return {Column("read_id", "INTEGER", false, true, "reads(id)"),
            Column("chain", "INTEGER", true)};
}

std::vector<ColumnShape> StaysShape() {
    return {Column("chain", "INTEGER", true), Column("event_key", "INTEGER", true),
            Column("first_read", "INTEGER", true), Column("last_read", "INTEGER")};
}

std::string CreateTableSql(const char* table, const std::vector<ColumnShape>& columns) {
    std::string sql = std::string("CREATE TABLE IF NOT EXISTS ") + table + " (";
    for (const ColumnShape& column : columns) {
        if (&column != columns.data()) sql += ", ";
        sql += column.name + " " + column.type;
        if (column.primary_key) sql += " PRIMARY KEY";
        if (column.not_null) sql += " NOT NULL";
        if (!column.references.empty()) sql += " REFERENCES " + column.references;
    }
    return sql + ");";
}

std::string CreateTablesSql() {
    return CreateTableSql("reads", ReadsShape()) + CreateTableSql("odds", OddsShape()) +
           "CREATE INDEX IF NOT EXISTS odds_read_id ON odds(read_id);"
           "CREATE INDEX IF NOT EXISTS odds_event_key ON odds(event_key);";
}

std::string CreateKeptSql() {
    return CreateTableSql("kept_reads", KeptReadsShape()) + CreateTableSql("stays", StaysShape()) +
           "CREATE INDEX IF NOT EXISTS stays_event_key ON stays(event_key);";
}

std::string CreatePairsSql() {
    return CreateTableSql("pairs", PairsShape()) +
           "CREATE INDEX IF NOT EXISTS pairs_first_read ON pairs(first_read);"
           "CREATE INDEX IF NOT EXISTS pairs_first_key ON pairs(first_key);"
           "CREATE INDEX IF NOT EXISTS pairs_second_key ON pairs(second_key);";
}

// Brings an odds table of a database written before event_key existed up to date (the tables'
// CREATE statements then add the index).
constexpr const char* kAddEventKey =
    "ALTER TABLE odds ADD COLUMN event_key INTEGER;"
    "UPDATE odds SET event_key = lintaro_event_key(sport_type_name, competition_name, "
    "sport_event_date, team_h_name, team_g_name);";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

int EachRow(sqlite3* db, const std::string& sql, const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        row(statement);
        rc = SQLITE_OK;
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
    sqlite3_finalize(statement);
    return rc;
}

namespace {

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// What is wrong with the database's object `table` for the recorder: "" when it is missing or
// has exactly `shape`, else the reason. Reads only; an SQLite failure sets `rc`.
std::string ShapeProblem(sqlite3* db, const char* table, const std::vector<ColumnShape>& shape,
                         int* rc) {
    std::string kind;
    *rc = EachRow(db,
                  std::string("SELECT type FROM sqlite_master WHERE type IN ('table', 'view', "
                              "'index') AND lower(name) = '") +
                      table + "'",
                  [&](sqlite3_stmt* row) { kind = ColumnText(row, 0); });
    if (*rc != SQLITE_OK || kind.empty()) return "";
    const std::string named = std::string("\"") + table + "\"";
    if (kind != "table") return "it has a " + kind + " " + named + " where a table belongs";
    std::vector<ColumnShape> found;
    *rc = EachRow(db, std::string("PRAGMA table_info(") + table + ")", [&](sqlite3_stmt* row) {
        found.push_back(Column(ColumnText(row, 1), ColumnText(row, 2),
                               sqlite3_column_int(row, 3) != 0, sqlite3_column_int(row, 5) != 0));
    });
    if (*rc != SQLITE_OK) return "";
    *rc =
        EachRow(db, std::string("PRAGMA foreign_key_list(") + table + ")", [&](sqlite3_stmt* row) {
            const std::string from = ColumnText(row, 3);
            for (ColumnShape& column : found) {
                if (column.name == from) {
                    column.references = ColumnText(row, 2) + "(" + ColumnText(row, 4) + ")";
                }
            }
        });
    if (*rc != SQLITE_OK) return "";
    const auto same = [](const ColumnShape& a, const ColumnShape& b) {
        return a.name == b.name && Lower(a.type) == Lower(b.type) && a.not_null == b.not_null &&
               a.primary_key == b.primary_key && Lower(a.references) == Lower(b.references);
    };
    if (!std::equal(found.begin(), found.end(), shape.begin(), shape.end(), same)) {
        return "it has a table " + named + " that lintaro-cli watch did not make";
    }
    return "";
}

}  // namespace

bool TableExists(sqlite3* db, const char* table) {
    bool found = false;
    EachRow(
        db,
        std::string("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '") + table + "'",
        [&](sqlite3_stmt*) { found = true; });
    return found;
}

namespace {

constexpr uint64_t kFnvOffsetBasis = 0xCBF29CE484222325ull;

// FNV-1a, continued from `hash`: a second hash of a sheet, independent of std::hash, so that two
// different sheets are taken for one only if both agree; and the event key.
uint64_t Fnv1a(std::string_view bytes, uint64_t hash = kFnvOffsetBasis) {
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001B3ull;
    return hash;
}

// lintaro_event_key(sport, tournament, start, home, guest): EventKey over stored columns, for
// filling the column of an older database in SQL.
void EventKeyFunction(sqlite3_context* context, int count, sqlite3_value** values) {
    std::optional<std::string_view> parts[5];
    for (int i = 0; i < count && i < 5; ++i) {
        if (sqlite3_value_type(values[i]) == SQLITE_NULL) continue;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[i]));
        parts[i] =
            std::string_view(text ? text : "", static_cast<size_t>(sqlite3_value_bytes(values[i])));
    }
    sqlite3_result_int64(context, EventKey(parts[0], parts[1], parts[2], parts[3], parts[4]));
}

// Converts Windows-1251 texts to UTF-8, remembering the last one: a read lists its events by
// tournament, so the sport and tournament repeat row after row.
class Utf8Cache {
  public:
    const std::string& Convert(std::string_view cp1251) {
        if (!valid_ || cp1251 != source_) {
            source_ = cp1251;
            converted_ = Cp1251ToUtf8(cp1251);
            valid_ = true;
        }
        return converted_;
    }

  private:
    bool valid_ = false;
    std::string source_, converted_;
};

void BindText(sqlite3_stmt* statement, int column, const std::string& utf8) {
    sqlite3_bind_text(statement, column, utf8.data(), static_cast<int>(utf8.size()),
                      SQLITE_TRANSIENT);
}

// Binds the fields of `row` before its sheet to the odds insert `s` (read_id is column 1) and
// returns the row's event_key, made from the identity's columns exactly as they are stored.
int64_t BindFields(sqlite3_stmt* s, const OddsRecord& row, Utf8Cache& sport,
                   Utf8Cache& tournament) {
    std::optional<std::string> identity[5];  // fields 0 to 4
    for (int field = 0; field < kOddsFieldCount - 1; ++field) {
        const int column = field + 2;
        const StoredValue value = GetField(row, field);
        if (const auto* decimal = std::get_if<Decimal>(&value)) {
            sqlite3_bind_double(s, column, decimal->ToDouble());
        } else if (const auto* moment = std::get_if<DateTime>(&value)) {
            identity[2] = IsoDateTimeText(*moment);  // sport_event_date, the only one
            BindText(s, column, *identity[2]);
        } else if (const auto* integer = std::get_if<int32_t>(&value)) {
            sqlite3_bind_int(s, column, *integer);
        } else if (const auto* text = std::get_if<std::string_view>(&value)) {
            std::string utf8 = field == 0   ? sport.Convert(*text)
                               : field == 1 ? tournament.Convert(*text)
                                            : Cp1251ToUtf8(*text);
            BindText(s, column, utf8);
            if (field < 5) identity[field] = std::move(utf8);
        } else {
            sqlite3_bind_null(s, column);
        }
    }
    const auto part = [&](int field) -> std::optional<std::string_view> {
        if (!identity[field]) return std::nullopt;
        return std::string_view(*identity[field]);
    };
    return EventKey(part(0), part(1), part(2), part(3), part(4));
}

}  // namespace

int64_t EventKey(const std::optional<std::string_view>& sport,
                 const std::optional<std::string_view>& tournament,
                 const std::optional<std::string_view>& start,
                 const std::optional<std::string_view>& home,
                 const std::optional<std::string_view>& guest) {
    uint64_t hash = kFnvOffsetBasis;
    for (const std::optional<std::string_view>* part :
         {&sport, &tournament, &start, &home, &guest}) {
        if (!*part) {
            hash = Fnv1a(std::string_view("\0", 1), hash);
            continue;
        }
        hash = Fnv1a("\x01", hash);
        hash = Fnv1a(**part, hash);
        hash = Fnv1a(std::string_view("\0", 1), hash);
    }
    return static_cast<int64_t>(hash);
}

ReadRecorder::SheetPrint ReadRecorder::PrintOf(const std::optional<std::string>& sheet) {
    if (!sheet) return SheetPrint{};
    return SheetPrint{true, sheet->size(), std::hash<std::string_view>{}(*sheet), Fnv1a(*sheet)};
}

void ReadRecorder::Fail(const std::string& action) const {
    // SQLite does not always keep the errno of a failed write (sqlite3_system_errno gives 0 for
    // one on the write-ahead log), but nothing has touched errno since.
    const int last_errno = errno;
    const int code = sqlite3_extended_errcode(db_);
    const int system_error =
        sqlite3_system_errno(db_) != 0 ? sqlite3_system_errno(db_) : last_errno;
    std::string reason;
    Kind kind = Kind::kFailed;
    switch (code & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            kind = Kind::kBusy;
            reason = "another program kept the database locked";
            break;
        case SQLITE_FULL:
            kind = Kind::kFull;
            reason = "the disk is full";
            break;
        case SQLITE_NOTADB:
            throw ERecorderError(Kind::kFailed, path_ + " is not an SQLite database");
        case SQLITE_READONLY:
            reason = "the database is read-only";
            break;
        case SQLITE_IOERR:
            // A write cut short by a full disk, a quota or the largest file allowed.
            if (system_error == ENOSPC || system_error == EDQUOT || system_error == EFBIG) {
                kind = Kind::kFull;
                reason = std::strerror(system_error);
                break;
            }
            [[fallthrough]];
        default:
            reason = sqlite3_errmsg(db_);
    }
    throw ERecorderError(kind, "Cannot " + action + " " + path_ + ": " + reason);
}

void ReadRecorder::Execute(const char* sql, const std::string& action) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(action);
}

void ReadRecorder::Rollback() {
    if (db_ && !sqlite3_get_autocommit(db_)) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

namespace {

ERecorderError CannotRecord(const std::string& path, const std::string& reason) {
    return ERecorderError(Kind::kFailed, "Cannot record into " + path + ": " + reason);
}

// Refuses a path the recorder could not write. Returns whether the file exists already.
bool CheckWritable(const std::string& path) {
    namespace fs = std::filesystem;
    struct stat info;
    const bool existed = ::stat(path.c_str(), &info) == 0;
    if (existed) {
        if (!S_ISREG(info.st_mode)) throw CannotRecord(path, "it is not a regular file");
        // A file nobody may write is left alone, whoever runs the program.
        if ((info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) {
            throw CannotRecord(path, "the file is read-only");
        }
    }
    // The write-ahead log and its index live beside the database.
    const fs::path folder = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : ".";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        throw CannotRecord(path, "its folder " + folder.string() + " cannot be written (" +
                                     std::strerror(errno) + ")");
    }
    return existed;
}

}  // namespace

ReadRecorder::ReadRecorder(const std::string& path, std::chrono::milliseconds busy_time,
                           RowStoring storing)
    : path_(path), storing_(storing) {
    const bool existed = CheckWritable(path);
    Open(path, busy_time);
    try {
        // Everything that only reads comes first, so a file that will not do is not touched.
        const bool without_event_key = CheckShapes();
        CreateTables(without_event_key);
        SwitchToWal();
        PrepareInserts();
    } catch (...) {
        Rollback();
        for (sqlite3_stmt* statement :
             {insert_read_, insert_odds_, insert_kept_, insert_stay_, end_stay_}) {
            sqlite3_finalize(statement);
        }
        insert_read_ = insert_odds_ = insert_kept_ = insert_stay_ = end_stay_ = nullptr;
        sqlite3_close(db_);
        db_ = nullptr;
        // A file this run created is taken away again.
        if (!existed) {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
                ::unlink((path + suffix).c_str());
            }
        }
        throw;
    }
}

void ReadRecorder::Open(const std::string& path, std::chrono::milliseconds busy_time) {
    // A relative name goes as "./name", so that no name is taken for a URI or ":memory:".
    const std::string file = path.starts_with('/') ? path : "./" + path;
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw CannotRecord(path, reason);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(busy_time.count()));
}

bool ReadRecorder::CheckShapes() {
    bool without_event_key = false;
    for (const auto& [table, shape] :
         {std::pair("reads", ReadsShape()), std::pair("odds", OddsShape()),
          std::pair("pairs", PairsShape()), std::pair("kept_reads", KeptReadsShape()),
          std::pair("stays", StaysShape())}) {
        int rc = SQLITE_OK;
        const std::string problem = ShapeProblem(db_, table, shape, &rc);
        if (rc != SQLITE_OK) Fail("read");
        if (problem.empty()) continue;
        // An odds table written before event_key existed is brought up to date by CreateTables.
        if (std::string_view(table) == "odds" &&
            ShapeProblem(db_, table, OddsShape(false), &rc).empty() && rc == SQLITE_OK) {
            without_event_key = true;
            continue;
        }
        if (rc != SQLITE_OK) Fail("read");
        throw CannotRecord(path_, problem);
    }
    return without_event_key;
}

void ReadRecorder::CreateTables(bool without_event_key) {
    if (sqlite3_create_function_v2(db_, "lintaro_event_key", 5, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   nullptr, EventKeyFunction, nullptr, nullptr,
                                   nullptr) != SQLITE_OK) {
        Fail("set up");
    }
    // Taking the write lock at once tells a database that another program keeps busy.
    Execute("BEGIN IMMEDIATE", "lock");
    if (without_event_key) Execute(kAddEventKey, "add the column event_key to");
    Execute(CreateTablesSql().c_str(), "create the tables of");
    if (storing_ == RowStoring::kChanges) Execute(CreateKeptSql().c_str(), "create the tables of");
    Execute("COMMIT", "create the tables of");
}

void ReadRecorder::SwitchToWal() {
    sqlite3_stmt* mode = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA journal_mode=WAL", -1, &mode, nullptr) != SQLITE_OK) {
        Fail("switch to write-ahead logging");
    }
    const int step = sqlite3_step(mode);
    const std::string journal =
        step == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)) : "";
    sqlite3_finalize(mode);
    if (step != SQLITE_ROW) Fail("switch to write-ahead logging");
    if (journal != "wal") throw CannotRecord(path_, "it cannot use write-ahead logging");
    // In WAL mode a commit that is not synced to disk at once is still atomic: after a crash
    // or power loss the database holds every read up to some point, each one whole, and a read
    // costs no disk flush of its own.
    Execute("PRAGMA synchronous=NORMAL", "set up");
}

void ReadRecorder::PrepareInserts() {
    std::string insert_odds = "INSERT INTO odds VALUES (?";
    for (int i = 0; i <= kOddsFieldCount; ++i) insert_odds += ",?";  // the fields, event_key
    insert_odds += ")";
    if (sqlite3_prepare_v3(db_,
                           "INSERT INTO reads (time, bookmaker, host, rows, outcome, message) "
                           "VALUES (?, ?, ?, ?, ?, ?)",
                           -1, SQLITE_PREPARE_PERSISTENT, &insert_read_, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v3(db_, insert_odds.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &insert_odds_,
                           nullptr) != SQLITE_OK) {
        Fail("prepare");
    }
    if (storing_ != RowStoring::kChanges) return;
    for (const auto& [sql, statement] :
         {std::pair("INSERT INTO kept_reads (read_id, chain) VALUES (?, ?)", &insert_kept_),
          std::pair("INSERT INTO stays (chain, event_key, first_read, last_read) "
                    "VALUES (?, ?, ?, NULL)",
                    &insert_stay_),
          std::pair("UPDATE stays SET last_read = ? WHERE rowid = ?", &end_stay_)}) {
        if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr) !=
            SQLITE_OK) {
            Fail("prepare");
        }
    }
}

ReadRecorder::~ReadRecorder() {
    for (sqlite3_stmt* statement :
         {insert_read_, insert_odds_, insert_pair_, insert_kept_, insert_stay_, end_stay_}) {
        sqlite3_finalize(statement);
    }
    sqlite3_close(db_);
}

ReadRecorder::RowPrint ReadRecorder::PrintOfRow(const OddsRecord& row, const SheetPrint& sheet) {
    // Every field but Key_ID and the sheet, each as a kind byte and its value, then the sheet's
    // own print.
    thread_local std::string bytes;
    bytes.clear();
    for (int field = 0; field < kOddsFieldCount - 2; ++field) {
        const StoredValue value = GetField(row, field);
        if (const auto* text = std::get_if<std::string_view>(&value)) {
            bytes += '\x01';
            bytes += *text;
            bytes += '\0';
        } else if (const auto* decimal = std::get_if<Decimal>(&value)) {
            bytes += '\x02';
            bytes.append(reinterpret_cast<const char*>(&decimal->scaled), sizeof decimal->scaled);
        } else if (const auto* moment = std::get_if<DateTime>(&value)) {
            bytes += '\x03';
            bytes.append(reinterpret_cast<const char*>(&moment->ms), sizeof moment->ms);
        } else {
            bytes += '\0';
        }
    }
    return RowPrint{std::hash<std::string_view>{}(bytes), Fnv1a(bytes), sheet};
}

bool ReadRecorder::KeepRow(KeptLine& line, int64_t read_id, uint64_t hash, bool listed_twice,
                           const OddsRecord& row, const SheetPrint& sheet, bool& new_stay) {
    new_stay = false;
    auto found = line.events.find(hash);
    if (found != line.events.end() && (listed_twice || !found->second.identity.Matches(row))) {
        // An identity listed twice has no one row: its rows are stored at every such read and its
        // stay ends. (Two identities that merely share a hash are taken for one that came anew.)
        sqlite3_reset(end_stay_);
        sqlite3_bind_int64(end_stay_, 1, line.last_read);
        sqlite3_bind_int64(end_stay_, 2, found->second.stay);
        if (sqlite3_step(end_stay_) != SQLITE_DONE) Fail("record a read in");
        line.events.erase(found);
        found = line.events.end();
    }
    if (listed_twice) return true;
    const RowPrint print = PrintOfRow(row, sheet);
    if (found != line.events.end()) {
        found->second.seen = read_id;
        if (found->second.print == print) return false;
        found->second.print = print;
        return true;
    }
    // New on the line: its row is stored and its stay begins (the caller inserts it, knowing the
    // event_key).
    KeptEvent& kept = line.events[hash];
    kept.identity = EventIdentity::Of(row);
    kept.print = print;
    kept.seen = read_id;
    new_stay = true;
    return true;
}

void ReadRecorder::EndStays(KeptLine& line, int64_t read_id) {
    // Events the read did not list left the line after the chain's previous read.
    for (auto it = line.events.begin(); it != line.events.end();) {
        if (it->second.seen == read_id) {
            ++it;
            continue;
        }
        sqlite3_reset(end_stay_);
        sqlite3_bind_int64(end_stay_, 1, line.last_read);
        sqlite3_bind_int64(end_stay_, 2, it->second.stay);
        if (sqlite3_step(end_stay_) != SQLITE_DONE) Fail("record a read in");
        it = line.events.erase(it);
    }
    line.last_read = read_id;
}

int64_t ReadRecorder::InsertRead(const ReadRecord& read, const std::vector<OddsRecord>& rows,
                                 SheetChanges& changes, std::vector<int64_t>& keys) {
    // Sheets are compared per identity, found through its hash. An identity the read lists twice
    // has no one sheet, so its rows store theirs (two identities that merely share a hash are
    // taken for such a pair: that costs a stored sheet, never a lost one).
    std::vector<uint64_t> hashes(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) hashes[i] = IdentityHash(rows[i]);
    changes.bookmaker = read.bookmaker;
    changes.forget_gone = read.outcome == "ok";
    changes.listed = hashes;
    std::sort(changes.listed.begin(), changes.listed.end());
    const auto listed_twice = [&](uint64_t hash) {
        const auto [first, last] =
            std::equal_range(changes.listed.begin(), changes.listed.end(), hash);
        return last - first > 1;
    };
    const KnownSheets& sheets = sheets_[read.bookmaker];
    keys.assign(rows.size(), 0);

    sqlite3_reset(insert_read_);
    BindText(insert_read_, 1, read.time);
    BindText(insert_read_, 2, read.bookmaker);
    BindText(insert_read_, 3, read.host);
    sqlite3_bind_int64(insert_read_, 4, static_cast<int64_t>(rows.size()));
    BindText(insert_read_, 5, read.outcome);
    if (read.message.empty()) {
        sqlite3_bind_null(insert_read_, 6);
    } else {
        BindText(insert_read_, 6, read.message);
    }
    if (sqlite3_step(insert_read_) != SQLITE_DONE) Fail("record a read in");
    const int64_t read_id = sqlite3_last_insert_rowid(db_);
    KeptLine* kept = nullptr;
    if (storing_ == RowStoring::kChanges && read.outcome == "ok") {
        kept = &kept_[read.bookmaker];
        if (kept->chain == 0) kept->chain = read_id;
        sqlite3_reset(insert_kept_);
        sqlite3_bind_int64(insert_kept_, 1, read_id);
        sqlite3_bind_int64(insert_kept_, 2, kept->chain);
        if (sqlite3_step(insert_kept_) != SQLITE_DONE) Fail("record a read in");
    }

    Utf8Cache sport, tournament;
    for (const OddsRecord& row : rows) {
        const size_t index = static_cast<size_t>(&row - rows.data());
        // The sheet, when it is not the one stored for this event before.
        const uint64_t hash = hashes[index];
        const SheetPrint print = PrintOf(row.dop_info);
        const auto known = sheets.find(hash);
        const bool is_known = known != sheets.end() && known->second.identity.Matches(row);
        bool store = true;
        if (listed_twice(hash)) {
            changes.forgotten.push_back(hash);
        } else if (is_known) {
            store = known->second.print != print;
            if (store) changes.changed.emplace_back(hash, print);
        } else if (known == sheets.end()) {
            changes.added.emplace_back(hash, KnownSheet{EventIdentity::Of(row), print});
        }
        // A kept read's unchanged row is not stored (nor is its event_key made: the caller makes
        // it when it needs it).
        bool new_stay = false;
        if (kept && !KeepRow(*kept, read_id, hash, listed_twice(hash), row, print, new_stay)) {
            continue;
        }
        sqlite3_stmt* s = insert_odds_;
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, read_id);
        keys[index] = BindFields(s, row, sport, tournament);
        sqlite3_bind_int64(s, kOddsFieldCount + 2, keys[index]);
        const int sheet_column = kOddsFieldCount + 1;
        if (!store || (!row.dop_info && !(is_known && known->second.print.present))) {
            sqlite3_bind_null(s, sheet_column);
        } else {
            BindText(s, sheet_column, Cp1251ToUtf8(row.dop_info.value_or("")));
        }
        if (sqlite3_step(s) != SQLITE_DONE) Fail("record a read in");
        if (new_stay) {
            sqlite3_reset(insert_stay_);
            sqlite3_bind_int64(insert_stay_, 1, kept->chain);
            sqlite3_bind_int64(insert_stay_, 2, keys[index]);
            sqlite3_bind_int64(insert_stay_, 3, read_id);
            if (sqlite3_step(insert_stay_) != SQLITE_DONE) Fail("record a read in");
            kept->events[hash].stay = sqlite3_last_insert_rowid(db_);
        }
    }
    if (kept) EndStays(*kept, read_id);
    return read_id;
}

void ReadRecorder::Remember(SheetChanges& changes) {
    // Only what the database now holds is remembered.
    KnownSheets& sheets = sheets_[changes.bookmaker];
    for (const auto& [hash, print] : changes.changed) sheets[hash].print = print;
    for (auto& [hash, known] : changes.added) sheets.emplace(hash, std::move(known));
    for (const uint64_t hash : changes.forgotten) sheets.erase(hash);
    // Events that left the line are forgotten, so the memory follows the line instead of every
    // event ever read; one that comes back stores its sheet again. A read that failed is no line
    // and forgets nothing.
    if (changes.forget_gone) {
        std::erase_if(sheets, [&](const auto& known) {
            return !std::binary_search(changes.listed.begin(), changes.listed.end(), known.first);
        });
    }
}

int64_t ReadRecorder::Append(const ReadRecord& read, const std::vector<OddsRecord>& rows) {
    SheetChanges changes;
    std::vector<int64_t> keys;
    int64_t read_id = 0;
    try {
        Execute("BEGIN IMMEDIATE", "begin a read in");
        read_id = InsertRead(read, rows, changes, keys);
        Execute("COMMIT", "record a read in");
    } catch (...) {
        Rollback();
        // The memory of stays may be ahead of the database: the next read starts a chain anew.
        kept_.erase(read.bookmaker);
        throw;
    }
    Remember(changes);
    return read_id;
}

void ReadRecorder::PreparePairs() {
    if (insert_pair_) return;
    Execute(CreatePairsSql().c_str(), "create the pairs table of");
    if (sqlite3_prepare_v3(db_,
                           "INSERT INTO pairs (first_read, second_read, first_key, second_key, "
                           "score, margin, surebet) VALUES (?, ?, ?, ?, ?, ?, ?)",
                           -1, SQLITE_PREPARE_PERSISTENT, &insert_pair_, nullptr) != SQLITE_OK) {
        Fail("prepare");
    }
}

std::pair<int64_t, int64_t> ReadRecorder::AppendBoth(const ReadRecord& first,
                                                     const std::vector<OddsRecord>& first_rows,
                                                     const ReadRecord& second,
                                                     const std::vector<OddsRecord>& second_rows,
                                                     const std::vector<RecordedPair>& pairs) {
    for (const RecordedPair& pair : pairs) {
        if (pair.first_row >= first_rows.size() || pair.second_row >= second_rows.size()) {
            throw std::out_of_range("A matched pair names a row that its read does not have");
        }
    }
    SheetChanges changes[2];
    std::vector<int64_t> keys[2];
    std::pair<int64_t, int64_t> ids;
    try {
        Execute("BEGIN IMMEDIATE", "begin a read in");
        // Made in the period's transaction: a period that is rolled back leaves no pairs table.
        PreparePairs();
        ids.first = InsertRead(first, first_rows, changes[0], keys[0]);
        ids.second = InsertRead(second, second_rows, changes[1], keys[1]);
        // A kept read made no event_key for the rows it did not store.
        const auto key = [&](int side, size_t row) {
            int64_t& made = keys[side][row];
            if (made == 0) made = EventKeyOf(side == 0 ? first_rows[row] : second_rows[row]);
            return made;
        };
        for (const RecordedPair& pair : pairs) {
            sqlite3_stmt* s = insert_pair_;
            sqlite3_reset(s);
            sqlite3_bind_int64(s, 1, ids.first);
            sqlite3_bind_int64(s, 2, ids.second);
            sqlite3_bind_int64(s, 3, key(0, pair.first_row));
            sqlite3_bind_int64(s, 4, key(1, pair.second_row));
            sqlite3_bind_double(s, 5, pair.score);
            for (const auto& [column, value] :
                 {std::pair(6, pair.margin), std::pair(7, pair.surebet)}) {
                if (value) {
                    sqlite3_bind_double(s, column, *value);
                } else {
                    sqlite3_bind_null(s, column);
                }
            }
            if (sqlite3_step(s) != SQLITE_DONE) Fail("record a read in");
        }
        Execute("COMMIT", "record a read in");
    } catch (...) {
        Rollback();
        kept_.erase(first.bookmaker);
        kept_.erase(second.bookmaker);
        // A statement prepared on a pairs table that the rollback took away again is prepared
        // anew, with the table, by the next period.
        if (insert_pair_ && !TableExists(db_, "pairs")) {
            sqlite3_finalize(std::exchange(insert_pair_, nullptr));
        }
        throw;
    }
    Remember(changes[0]);
    Remember(changes[1]);
    return ids;
}

}  // namespace lintaro::live
