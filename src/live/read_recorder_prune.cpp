// The recorder's pruning: the oldest reads deleted by age and then by size, with what later reads
// still need moved forward first.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "live/read_recorder.h"
#include "live/recorder_sql.h"

namespace lintaro::live {

namespace {

// One number a query gives (its first column of its first row), or `otherwise`.
int64_t QueryNumber(sqlite3* db, const std::string& sql, int64_t otherwise, int* rc) {
    int64_t value = otherwise;
    *rc = EachRow(db, sql, [&](sqlite3_stmt* row) {
        if (sqlite3_column_type(row, 0) != SQLITE_NULL) value = sqlite3_column_int64(row, 0);
    });
    return value;
}

// The UTC moment as SQLite's julianday() reads it.
std::string UtcText(std::chrono::system_clock::time_point moment) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

}  // namespace

int64_t ReadRecorder::UsedBytes() {
    int rc = SQLITE_OK;
    const int64_t pages = QueryNumber(db_, "PRAGMA page_count", 0, &rc);
    if (rc != SQLITE_OK) Fail("read");
    const int64_t free_pages = QueryNumber(db_, "PRAGMA freelist_count", 0, &rc);
    if (rc != SQLITE_OK) Fail("read");
    const int64_t page_size = QueryNumber(db_, "PRAGMA page_size", 4096, &rc);
    if (rc != SQLITE_OK) Fail("read");
    return (pages - free_pages) * page_size;
}

int64_t ReadRecorder::Prune(std::chrono::system_clock::time_point keep_since, int64_t max_bytes) {
    int rc = SQLITE_OK;
    const auto number = [&](const std::string& sql, int64_t otherwise) {
        const int64_t value = QueryNumber(db_, sql, otherwise, &rc);
        if (rc != SQLITE_OK) Fail("read");
        return value;
    };
    const int64_t before = number("SELECT count(*) FROM reads", 0);
    // Reads are in the order of their ids; the first one recorded since `keep_since` and every
    // later one stay.
    const int64_t first_kept =
        number("SELECT min(id) FROM reads WHERE julianday(time) >= julianday('" +
                   UtcText(keep_since) + "') OR julianday(time) IS NULL",
               number("SELECT coalesce(max(id), 0) + 1 FROM reads", 1));
    DeleteReadsBefore(first_kept);
    bool shrunk = false;
    while (UsedBytes() > max_bytes) {
        const int64_t left = number("SELECT count(*) FROM reads", 0);
        if (left == 0) break;
        const int64_t step = std::max<int64_t>(1, left / 10);
        const int64_t target = max_bytes / 10 * 9;
        int64_t next =
            number("SELECT id FROM reads ORDER BY id LIMIT 1 OFFSET " + std::to_string(step),
                   number("SELECT max(id) + 1 FROM reads", 1));
        DeleteReadsBefore(next);
        shrunk = true;
        if (UsedBytes() <= target) break;
    }
    if (shrunk || number("PRAGMA page_count", 0) * number("PRAGMA page_size", 4096) > max_bytes) {
        // The file gives its free pages back only when it is rewritten; a failure (no room for the
        // copy) leaves it as it was, the pages reused by later reads.
        if (number("PRAGMA page_count", 0) * number("PRAGMA page_size", 4096) > max_bytes) {
            if (sqlite3_exec(db_, "VACUUM", nullptr, nullptr, nullptr) == SQLITE_OK) {
                // In write-ahead logging the file is cut to its new size at the checkpoint.
                sqlite3_exec(db_, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
            }
        }
    }
    // The memory of what is stored may name rows that have gone: the next read stores its line
    // whole.
    kept_.clear();
    sheets_.clear();
    return before - number("SELECT count(*) FROM reads", 0);
}

void ReadRecorder::DeleteReadsBefore(int64_t first_kept) {
    int rc = SQLITE_OK;
    const auto number = [&](const std::string& sql, int64_t otherwise) {
        const int64_t value = QueryNumber(db_, sql, otherwise, &rc);
        if (rc != SQLITE_OK) Fail("read");
        return value;
    };
    const std::string x = std::to_string(first_kept);
    if (number("SELECT count(*) FROM reads WHERE id < " + x, 0) == 0) return;
    const bool kept_tables = TableExists(db_, "kept_reads") && TableExists(db_, "stays");
    try {
        Execute("BEGIN IMMEDIATE", "prune");
        std::vector<std::string> bases;  // the reads whose rows stand for rows deleted
        if (kept_tables) {
            // Each chain that goes on past the cut: its unchanged events' last rows move to its
            // first read kept, where their stays now begin.
            std::vector<std::pair<int64_t, int64_t>> chains;  // chain, its first read kept
            EachRow(db_,
                    "SELECT chain, min(read_id) FROM kept_reads WHERE read_id >= " + x +
                        " AND chain IN (SELECT chain FROM kept_reads WHERE read_id < " + x +
                        ") GROUP BY chain",
                    [&](sqlite3_stmt* row) {
                        chains.emplace_back(sqlite3_column_int64(row, 0),
                                            sqlite3_column_int64(row, 1));
                    });
            for (const auto& [chain, first] : chains) {
                const std::string c = std::to_string(chain);
                const std::string f = std::to_string(first);
                bases.push_back(f);
                const std::string move =
                    "UPDATE odds SET read_id = " + f +
                    " WHERE rowid IN (SELECT (SELECT o.rowid FROM odds o WHERE o.event_key = "
                    "st.event_key AND o.read_id >= st.first_read AND o.read_id < " +
                    x + " AND o.read_id IN (SELECT read_id FROM kept_reads WHERE chain = " + c +
                    ") ORDER BY o.read_id DESC, o.rowid DESC LIMIT 1) FROM stays st WHERE "
                    "st.chain = " +
                    c + " AND st.first_read < " + x +
                    " AND (st.last_read IS NULL OR st.last_read >= " + f +
                    ") AND NOT EXISTS (SELECT 1 FROM odds o2 WHERE o2.read_id = " + f +
                    " AND o2.event_key = st.event_key));"
                    "UPDATE stays SET first_read = " +
                    f + " WHERE chain = " + c + " AND first_read < " + x +
                    " AND (last_read IS NULL OR last_read >= " + f + ");";
                Execute(move.c_str(), "prune");
            }
        }
        // Each bookmaker's reads kept up to its first successful one list the events whose sheets
        // were stored before the cut.
        EachRow(db_,
                "SELECT r.id FROM reads r WHERE r.id >= " + x +
                    " AND r.id <= coalesce((SELECT min(o.id) FROM reads o WHERE o.id >= " + x +
                    " AND o.bookmaker = r.bookmaker AND o.outcome = 'ok'), r.id)",
                [&](sqlite3_stmt* row) {
                    bases.push_back(std::to_string(sqlite3_column_int64(row, 0)));
                });
        for (const std::string& base : bases) {
            const std::string sheets =
                "UPDATE odds SET dop_info = (SELECT p.dop_info FROM odds p JOIN reads pr ON pr.id "
                "= "
                "p.read_id WHERE p.event_key = odds.event_key AND p.read_id < " +
                x +
                " AND p.dop_info IS NOT NULL AND pr.bookmaker = (SELECT bookmaker FROM reads "
                "WHERE id = " +
                base + ") ORDER BY p.read_id DESC LIMIT 1) WHERE read_id = " + base +
                " AND dop_info IS NULL";
            Execute(sheets.c_str(), "prune");
        }
        std::string remove = "DELETE FROM odds WHERE read_id < " + x + ";";
        if (TableExists(db_, "pairs")) {
            remove += "DELETE FROM pairs WHERE first_read < " + x + " OR second_read < " + x + ";";
        }
        if (kept_tables) {
            remove += "DELETE FROM stays WHERE first_read < " + x +
                      ";DELETE FROM kept_reads WHERE read_id < " + x + ";";
        }
        remove += "DELETE FROM reads WHERE id < " + x + ";";
        Execute(remove.c_str(), "prune");
        Execute("COMMIT", "prune");
    } catch (...) {
        Rollback();
        throw;
    }
}

}  // namespace lintaro::live
