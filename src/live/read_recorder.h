// The recorder behind lintaro-cli watch: appends each read of the line to an SQLite database that
// pandas, DuckDB and the sqlite3 shell open directly. Two tables, and a third for `watch both`:
//
//   reads  id INTEGER PRIMARY KEY, time TEXT (ISO 8601 with the local offset), bookmaker TEXT
//          ("first" or "second"), host TEXT, rows INTEGER, outcome TEXT ("ok", "failed" or
//          "cancelled"), message TEXT (the reader's message of a failed read, else NULL)
//   odds   read_id INTEGER REFERENCES reads(id), then the 20 fields of a row under their JSON Lines
//          names: texts as UTF-8 TEXT, decimals as REAL, sport_event_date as TEXT
//          "YYYY-MM-DDTHH:MM:SS.mmm", Key_ID as INTEGER; NULL for null; then event_key
//          INTEGER (indexed), the event's identity as one number (EventKey), so an event's price
//          history is one `WHERE event_key = ?` instead of a five-column join
//   pairs  (only in a database that recorded both bookmakers at once) first_read INTEGER and
//          second_read INTEGER REFERENCES reads(id), the two reads of one period; first_key
//          INTEGER and second_key INTEGER, the event_key of the event at each (indexed); score
//          REAL, the match's confidence; margin REAL, the match-result margin at the better of
//          the two prices (NULL when not quoted); surebet REAL, the best surebet's profit as a
//          fraction (NULL for none). One row per event matched in that period. The two
//          bookmakers write one event in two languages, so no SQL join can pair their rows:
//          the matcher's pairs are recorded, and a pair's two rows are the odds rows with
//          (read_id, event_key) = (first_read, first_key) and (second_read, second_key).
//
// A database written before event_key existed is given the column, filled for every row it holds,
// and its index, in one transaction when the recorder opens it. A database of one bookmaker is
// given the pairs table when it first records both.
//
// An event sheet takes most of a row and seldom changes, so dop_info is stored only when it differs
// from the same event's sheet in the recorder's previous read of it at the same bookmaker;
// otherwise it is NULL. An event's sheet at a read is therefore the last non-NULL dop_info of that
// event up to that read (a sheet that went is stored as the empty text). Events are remembered
// while they stay on their bookmaker's line: one that left it and comes back stores its sheet
// again. Each read (each period of both bookmakers) is one transaction in WAL mode, so the
// database is whole whenever the program stops and readers never wait for it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "live/event_identity.h"
#include "table/odds_table.h"

struct sqlite3;
struct sqlite3_stmt;

namespace lintaro::live {

// A failure of the database, with a complete message naming the file.
class ERecorderError : public std::runtime_error {
  public:
    enum class Kind {
        kBusy,    // another connection held the database past the busy time: nothing was written
        kFull,    // the disk (or the file system's limit for the file) is full: rolled back
        kFailed,  // anything else: not a database, read-only, damaged, an input/output error
    };
    ERecorderError(Kind kind, const std::string& message)
        : std::runtime_error(message), kind_(kind) {}
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// One read as the reads table records it (UTF-8 texts).
struct ReadRecord {
    std::string time;       // ISO 8601 with the local offset: "2026-12-10T10:42:05+03:00"
    std::string bookmaker;  // "first" or "second"
    std::string host;       // the host the bookmaker was read from
    std::string outcome;    // "ok", "failed" or "cancelled"
    std::string message;    // the reader's message of a failed read; "" otherwise (stored NULL)
};

// The odds table's event_key: the same number for the same event (sport, tournament, start and
// both teams) in every read and every database, computed from the columns as stored, so any
// program can compute it too: FNV-1a 64 (offset basis 0xCBF29CE484222325, prime 0x100000001B3)
// over, for each of sport_type_name, competition_name, sport_event_date, team_h_name and
// team_g_name in this order, the byte 0x00 for NULL, else the byte 0x01, the column's UTF-8 text
// and the byte 0x00; the 64 bits taken as a signed integer. (Texts hold no NUL byte.)
int64_t EventKey(const std::optional<std::string_view>& sport,
                 const std::optional<std::string_view>& tournament,
                 const std::optional<std::string_view>& start,
                 const std::optional<std::string_view>& home,
                 const std::optional<std::string_view>& guest);

// An event matched between the two bookmakers' reads of one period, for the pairs table.
struct RecordedPair {
    size_t first_row = 0;           // index into the first bookmaker's rows
    size_t second_row = 0;          // index into the second's
    double score = 0;               // the match's confidence, 0 to 1
    std::optional<double> margin;   // the match-result margin at the better prices
    std::optional<double> surebet;  // the best surebet's profit, a fraction; none without one
};

class ReadRecorder {
  public:
    // Opens the database at `path`, creating the file and its tables when missing, and switches it
    // to WAL mode. Waits up to `busy_time` for another connection's lock. Throws ERecorderError
    // (kBusy when the wait ran out, else kFailed) and writes nothing when the file is not an SQLite
    // database, is read-only (no write permission for its owner, group or others, or none for this
    // process), sits in a folder that cannot take the write-ahead log beside it, or holds a table
    // reads, odds or pairs of another shape (columns, types, key) or a view or index of any of
    // these names (an odds table that lacks only event_key is brought up to date, see above). Such
    // a file is left byte for byte as it was: the tables are created and write-ahead logging is
    // switched on only in a file that passed.
    explicit ReadRecorder(const std::string& path,
                          std::chrono::milliseconds busy_time = std::chrono::seconds(5));
    ~ReadRecorder();
    ReadRecorder(const ReadRecorder&) = delete;
    ReadRecorder& operator=(const ReadRecorder&) = delete;

    // Appends `read` and its rows (Windows-1251 texts, as the table holds them) in one
    // transaction and returns the read's id. On any failure the transaction is rolled back, the
    // database keeps every earlier read, and ERecorderError tells kBusy (the next read may go
    // ahead), kFull or kFailed.
    int64_t Append(const ReadRecord& read, const std::vector<table::OddsRecord>& rows);

    // Appends both bookmakers' reads of one period, their rows and the pairs matched between them
    // (`pairs` index into the two row lists; an index past its list throws std::out_of_range
    // before anything is written) in one transaction, creating the pairs table when missing.
    // Returns the two reads' ids. Fails as Append.
    std::pair<int64_t, int64_t> AppendBoth(const ReadRecord& first,
                                           const std::vector<table::OddsRecord>& first_rows,
                                           const ReadRecord& second,
                                           const std::vector<table::OddsRecord>& second_rows,
                                           const std::vector<RecordedPair>& pairs);

  private:
    // What is remembered of an event's last stored sheet: enough to tell a changed one.
    struct SheetPrint {
        bool present = false;
        size_t size = 0;
        uint64_t hash = 0;
        uint64_t check = 0;
        friend bool operator==(const SheetPrint&, const SheetPrint&) = default;
    };
    // An event's last stored sheet, under the hash of its identity.
    struct KnownSheet {
        EventIdentity identity;
        SheetPrint print;
    };
    using KnownSheets = std::unordered_map<uint64_t, KnownSheet>;  // by IdentityHash
    // What a read inserted changes in the memory of sheets, applied once it is committed.
    struct SheetChanges {
        std::string bookmaker;
        bool forget_gone = false;      // an ok read: events not in it are gone
        std::vector<uint64_t> listed;  // the read's identity hashes, sorted
        std::vector<std::pair<uint64_t, SheetPrint>> changed;  // known events with a new sheet
        std::vector<std::pair<uint64_t, KnownSheet>> added;    // events seen for the first time
        std::vector<uint64_t> forgotten;                       // identities listed twice
    };
    static SheetPrint PrintOf(const std::optional<std::string>& sheet);

    // Inserts a read and its rows inside the caller's transaction; `keys` gets each row's
    // event_key. Returns the read's id.
    int64_t InsertRead(const ReadRecord& read, const std::vector<table::OddsRecord>& rows,
                       SheetChanges& changes, std::vector<int64_t>& keys);
    void Remember(SheetChanges& changes);
    void PreparePairs();

    // The steps of opening: each throws ERecorderError on failure.
    void Open(const std::string& path, std::chrono::milliseconds busy_time);
    bool CheckShapes();  // true: the odds table still lacks event_key
    void CreateTables(bool without_event_key);
    void SwitchToWal();
    void PrepareInserts();

    [[noreturn]] void Fail(const std::string& action) const;
    void Execute(const char* sql, const std::string& action);
    void Rollback();

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_read_ = nullptr;
    sqlite3_stmt* insert_odds_ = nullptr;
    sqlite3_stmt* insert_pair_ = nullptr;  // prepared at the first AppendBoth
    // Each bookmaker's events (by ReadRecord::bookmaker) with their last stored sheets.
    std::unordered_map<std::string, KnownSheets> sheets_;
};

}  // namespace lintaro::live
