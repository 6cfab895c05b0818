// An event's history read back from a recorder's database: every successful read of its bookmaker
// in order, the event's row at each (stored there, or carried by its stay from the last row
// stored), and its sheet as the last one stored up to that read.
#include "live/event_history.h"

#include <sqlite3.h>

#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "live/read_recorder.h"
#include "table/cp1251_text.h"

namespace lintaro::live {

using table::FieldKind;
using table::kOddsFieldCount;
using table::kOddsFields;
using table::OddsRecord;

int64_t EventKeyOf(const OddsRecord& row) {
    std::optional<std::string> parts[5];
    const std::optional<std::string>* texts[5] = {&row.sport_type_name, &row.competition_name,
                                                  nullptr, &row.team_h_name, &row.team_g_name};
    for (int i = 0; i < 5; ++i) {
        if (i == 2) {
            if (row.sport_event_date) parts[i] = table::IsoDateTimeText(*row.sport_event_date);
        } else if (*texts[i]) {
            parts[i] = table::Cp1251ToUtf8(**texts[i]);
        }
    }
    const auto view = [&](int i) -> std::optional<std::string_view> {
        if (!parts[i]) return std::nullopt;
        return std::string_view(*parts[i]);
    };
    return EventKey(view(0), view(1), view(2), view(3), view(4));
}

namespace {

// A read-only connection that closes itself.
class Database {
  public:
    explicit Database(const std::string& path) : path_(path) {
        const std::string file = path.starts_with('/') ? path : "./" + path;
        if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            // A failed open still hands back a connection, which the destructor of a half-made
            // object never closes.
            const ERecorderError error = Error();
            sqlite3_close(db_);
            db_ = nullptr;
            throw error;
        }
        sqlite3_busy_timeout(db_, 5000);
    }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    [[noreturn]] void Fail() const { throw Error(); }

    ERecorderError Error() const {
        const int code = db_ ? sqlite3_errcode(db_) : SQLITE_NOMEM;
        const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
        return ERecorderError(code == SQLITE_BUSY || code == SQLITE_LOCKED
                                  ? ERecorderError::Kind::kBusy
                                  : ERecorderError::Kind::kFailed,
                              "Cannot read the history in " + path_ + ": " + reason);
    }

    // Runs `sql` with `key` bound to its first parameter (when it has one), handing each row on.
    template <typename Row>
    void Each(const std::string& sql, std::optional<int64_t> key, Row&& row) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) Fail();
        if (key) sqlite3_bind_int64(statement, 1, *key);
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) row(statement);
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE) Fail();
    }
    bool HasTable(const char* name) {
        bool found = false;
        Each(std::string("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '") + name +
                 "'",
             std::nullopt, [&](sqlite3_stmt*) { found = true; });
        return found;
    }
    void Begin() {
        // One snapshot for every query, so a read appended meanwhile is wholly in or out.
        if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) Fail();
    }

  private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

std::optional<std::string> Text(sqlite3_stmt* row, int column) {
    if (sqlite3_column_type(row, column) == SQLITE_NULL) return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return table::Utf8ToCp1251(
        std::string_view(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(row, column))));
}

// "YYYY-MM-DDTHH:MM:SS.mmm" as the recorder writes sport_event_date.
std::optional<table::DateTime> ParseStoredDateTime(std::string_view text) {
    if (text.size() < 19) return std::nullopt;
    const auto digits = [&](size_t at, size_t count) -> std::optional<int> {
        int value = 0;
        for (size_t i = at; i < at + count; ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto year = digits(0, 4), month = digits(5, 2), day = digits(8, 2), hour = digits(11, 2),
               minute = digits(14, 2), second = digits(17, 2);
    const auto millisecond = text.size() >= 23 ? digits(20, 3) : std::optional<int>(0);
    if (!year || !month || !day || !hour || !minute || !second || !millisecond) return std::nullopt;
    return table::MakeDateTime({*year, *month, *day, *hour, *minute, *second, *millisecond});
}

// Sets field `field` of `row` from column `column` of a stored odds row.
void SetField(OddsRecord& row, int field, sqlite3_stmt* stored, int column) {
    static constexpr std::optional<table::Decimal> OddsRecord::*kDecimals[] = {
        &OddsRecord::P1,  &OddsRecord::X,  &OddsRecord::P2,  &OddsRecord::PX1, &OddsRecord::P2X,
        &OddsRecord::P12, &OddsRecord::F1, &OddsRecord::VF1, &OddsRecord::F2,  &OddsRecord::VF2,
        &OddsRecord::TM,  &OddsRecord::TB, &OddsRecord::VT};
    static constexpr std::optional<std::string> OddsRecord::*kTexts[] = {
        &OddsRecord::sport_type_name, &OddsRecord::competition_name, nullptr,
        &OddsRecord::team_h_name, &OddsRecord::team_g_name};
    const bool null = sqlite3_column_type(stored, column) == SQLITE_NULL;
    switch (kOddsFields[field].kind) {
        case FieldKind::kDecimal:
            row.*kDecimals[field - 5] =
                null ? std::nullopt
                     : table::DecimalFromDouble(sqlite3_column_double(stored, column));
            break;
        case FieldKind::kInteger:
            row.Key_ID =
                null ? std::nullopt : std::optional<int32_t>(sqlite3_column_int(stored, column));
            break;
        case FieldKind::kDateTime: {
            const std::optional<std::string> text = Text(stored, column);
            row.sport_event_date = text ? ParseStoredDateTime(*text) : std::nullopt;
            break;
        }
        case FieldKind::kText:
            if (field == kOddsFieldCount - 1) {
                row.dop_info = Text(stored, column);
            } else {
                row.*kTexts[field] = Text(stored, column);
            }
            break;
    }
}

// A read of the bookmaker, as the history walks them.
struct ReadOfLine {
    int64_t id = 0;
    std::string time;
    bool ok = false;
    int64_t chain = 0;  // 0: not a kept read (its rows are whole)
};

struct Stay {
    int64_t chain = 0;
    int64_t first = 0;
    std::optional<int64_t> last;
    bool Covers(int64_t chain_of_read, int64_t read) const {
        return chain == chain_of_read && read >= first && (!last || read <= *last);
    }
};

}  // namespace

std::vector<HistoryPoint> ReadEventHistory(const std::string& path, const std::string& bookmaker,
                                           int64_t event_key) {
    Database db(path);
    db.Begin();
    const bool kept = db.HasTable("kept_reads") && db.HasTable("stays");
    std::vector<ReadOfLine> reads;
    std::map<int64_t, size_t> read_index;
    // The bookmaker's name goes in as a literal: the key takes the one bound parameter.
    std::string quoted;
    for (const char c : bookmaker) {
        quoted += c;
        if (c == '\'') quoted += c;
    }
    db.Each(std::string("SELECT r.id, r.time, r.outcome = 'ok', ") +
                (kept ? "k.chain FROM reads r LEFT JOIN kept_reads k ON k.read_id = r.id"
                      : "NULL FROM reads r") +
                " WHERE r.bookmaker = '" + quoted + "' ORDER BY r.id",
            std::nullopt, [&](sqlite3_stmt* row) {
                ReadOfLine read;
                read.id = sqlite3_column_int64(row, 0);
                const auto* time = reinterpret_cast<const char*>(sqlite3_column_text(row, 1));
                read.time = time ? time : "";
                read.ok = sqlite3_column_int(row, 2) != 0;
                read.chain = sqlite3_column_int64(row, 3);
                read_index.emplace(read.id, reads.size());
                reads.push_back(std::move(read));
            });

    // The event's stored rows at this bookmaker's reads, in the order they were stored.
    std::vector<std::vector<OddsRecord>> rows_at(reads.size());
    std::string columns;
    for (const table::FieldDef& field : kOddsFields) columns += std::string(", ") + field.name;
    db.Each("SELECT read_id" + columns + " FROM odds WHERE event_key = ? ORDER BY read_id, rowid",
            event_key, [&](sqlite3_stmt* stored) {
                const auto read = read_index.find(sqlite3_column_int64(stored, 0));
                if (read == read_index.end()) return;
                OddsRecord row;
                for (int field = 0; field < kOddsFieldCount; ++field) {
                    SetField(row, field, stored, field + 1);
                }
                rows_at[read->second].push_back(std::move(row));
            });
    std::vector<Stay> stays;
    if (kept) {
        db.Each(
            "SELECT chain, first_read, last_read FROM stays WHERE event_key = ?", event_key,
            [&](sqlite3_stmt* row) {
                Stay stay{sqlite3_column_int64(row, 0), sqlite3_column_int64(row, 1), std::nullopt};
                if (sqlite3_column_type(row, 2) != SQLITE_NULL) {
                    stay.last = sqlite3_column_int64(row, 2);
                }
                stays.push_back(stay);
            });
    }

    std::vector<HistoryPoint> points;
    std::optional<std::string> sheet;           // the last sheet stored up to the read
    std::map<int64_t, const OddsRecord*> last;  // per chain, the last row stored at its reads
    for (size_t i = 0; i < reads.size(); ++i) {
        const ReadOfLine& read = reads[i];
        for (const OddsRecord& row : rows_at[i]) {
            if (row.dop_info) sheet = row.dop_info;
        }
        if (read.chain != 0 && !rows_at[i].empty()) last[read.chain] = &rows_at[i].front();
        if (!read.ok) continue;
        const OddsRecord* row = rows_at[i].empty() ? nullptr : &rows_at[i].front();
        if (!row && read.chain != 0) {
            for (const Stay& stay : stays) {
                if (!stay.Covers(read.chain, read.id)) continue;
                const auto found = last.find(read.chain);
                if (found != last.end()) row = found->second;
                break;
            }
        }
        if (!row) continue;
        HistoryPoint point{read.time, *row};
        if (!point.row.dop_info) point.row.dop_info = sheet;
        points.push_back(std::move(point));
    }
    return points;
}

}  // namespace lintaro::live
