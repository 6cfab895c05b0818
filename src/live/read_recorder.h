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
// Changes only. The window keeps its reads in the same schema, but an unchanged line would store
// every row again at every read, so its recorder (RowStoring::kChanges) stores an event's odds row
// at a successful read only when the row differs from the one it last stored for that event at
// that bookmaker (Key_ID, a reading order, is not compared), and records where each event stayed
// on the line in two more tables:
//
//   kept_reads  read_id INTEGER PRIMARY KEY REFERENCES reads(id), chain INTEGER: the reads stored
//               so; chain is the id of the first read of the recorder's run of reads of that
//               bookmaker (a new run starts after a failed write or a pruning)
//   stays       chain INTEGER, event_key INTEGER (indexed), first_read INTEGER, last_read INTEGER:
//               the event was on the line at every read of the chain from first_read up to
//               last_read (NULL: up to the chain's last read)
//
// An event's row at a kept read is the row stored at that read, or else, while one of its stays
// covers the read, the last row stored for it at the stay's reads up to that read (a stay's first
// read always stores the row). An event without a stay covering the read and without a row at it
// was not on that line (so a pair of kept reads names the events' rows at those reads by this
// rule, not always a row stored at them). Reads that are not in kept_reads (lintaro-cli watch's,
// and the window's failed ones) hold every row as above. The window never writes failed reads.
//
// Pruning deletes the oldest reads with their rows and pairs. What later reads still need moves
// forward first: an unchanged event's last row goes to its chain's first read that is kept (and
// its stay starts there), and the first row kept of each event gets the sheet it stood for when
// its dop_info was NULL.
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

// How a recorder stores the rows of a successful read.
enum class RowStoring : uint8_t {
    kEveryRow,  // every row (lintaro-cli watch)
    kChanges,   // an event's row only when it changed, with its stays (the window's history)
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
    // With RowStoring::kChanges the tables kept_reads and stays are created too; a file holding
    // tables of those names of another shape is refused in either way of storing.
    explicit ReadRecorder(const std::string& path,
                          std::chrono::milliseconds busy_time = std::chrono::seconds(5),
                          RowStoring storing = RowStoring::kEveryRow);
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

    // Deletes the reads recorded before `keep_since` (by their time), then, while the database's
    // pages in use take more than `max_bytes`, the oldest tenth of the reads left, until they
    // take at most nine tenths of it (a file grown past `max_bytes` is then compacted). Every
    // deletion is one transaction that keeps what later reads need (see above). The next read
    // stores every row again. Returns how many reads were deleted; fails as Append (what was
    // deleted before a failure stays deleted).
    int64_t Prune(std::chrono::system_clock::time_point keep_since, int64_t max_bytes);

    // The bytes of the database's pages in use (a file may be larger: freed pages are reused).
    int64_t UsedBytes();

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

    // What a kChanges recorder remembers of an event on a bookmaker's line: its last stored row's
    // print (every field but Key_ID; the sheet by its SheetPrint) and its open stay.
    struct RowPrint {
        uint64_t hash = 0;
        uint64_t check = 0;
        SheetPrint sheet;
        friend bool operator==(const RowPrint&, const RowPrint&) = default;
    };
    struct KeptEvent {
        EventIdentity identity;
        RowPrint print;
        int64_t stay = 0;  // the stay's rowid
        int64_t seen = 0;  // the last read that listed it
    };
    // A bookmaker's run of kept reads.
    struct KeptLine {
        int64_t chain = 0;                               // 0: the next kept read starts a chain
        int64_t last_read = 0;                           // the chain's last read
        std::unordered_map<uint64_t, KeptEvent> events;  // by IdentityHash
    };
    static RowPrint PrintOfRow(const table::OddsRecord& row, const SheetPrint& sheet);
    // Whether `row` of the kept read `read_id` is to be stored, keeping the line's memory of its
    // events; `listed_twice` tells an identity the read lists more than once, `sheet` is the
    // row's SheetPrint. `new_stay`: the event came anew, its stay is to be inserted.
    bool KeepRow(KeptLine& line, int64_t read_id, uint64_t hash, bool listed_twice,
                 const table::OddsRecord& row, const SheetPrint& sheet, bool& new_stay);
    void EndStays(KeptLine& line, int64_t read_id);
    void DeleteReadsBefore(int64_t first_kept);

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
    RowStoring storing_ = RowStoring::kEveryRow;
    sqlite3_stmt* insert_kept_ = nullptr;  // kChanges only
    sqlite3_stmt* insert_stay_ = nullptr;
    sqlite3_stmt* end_stay_ = nullptr;
    // Each bookmaker's kept line (kChanges), by ReadRecord::bookmaker.
    std::unordered_map<std::string, KeptLine> kept_;
    // Each bookmaker's events (by ReadRecord::bookmaker) with their last stored sheets.
    std::unordered_map<std::string, KnownSheets> sheets_;
};

}  // namespace lintaro::live
