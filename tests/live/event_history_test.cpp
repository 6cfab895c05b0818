// An event's history read back from the recorder's database: on a moving demo line, every event's
// row at every read equals the line of that generation, whether the reads stored every row
// (lintaro-cli watch), changes only (the window), or both into one file; and so after pruning by
// age and by size.
#include "live/event_history.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "demo/demo_line.h"
#include "live/event_identity.h"
#include "live/read_recorder.h"

namespace lintaro::live {

using table::OddsRecord;

namespace {

constexpr std::chrono::year_month_day kToday{std::chrono::year(2026), std::chrono::month(12),
                                             std::chrono::day(20)};

class HistoryFile {
  public:
    HistoryFile() {
        std::string pattern = ::testing::TempDir() + "history-XXXXXX";
        folder_ = ::mkdtemp(pattern.data());
        path_ = folder_ + "/history.sqlite";
    }
    ~HistoryFile() { std::filesystem::remove_all(folder_); }
    const std::string& Path() const { return path_; }

  private:
    std::string folder_, path_;
};

// Each generation's rows of one bookmaker, as a reader of that generation's pages stores them.
std::vector<std::vector<OddsRecord>> Generations(int bookmaker, int count, int events) {
    std::vector<std::vector<OddsRecord>> lines;
    for (int g = 0; g < count; ++g) {
        demo::DemoOptions options;
        options.seed = 5;
        options.events = events;
        options.generation = static_cast<uint32_t>(g);
        lines.push_back(bookmaker == 0 ? demo::PublishedFirstRows(options, kToday)
                                       : demo::PublishedSecondRows(options, kToday));
    }
    return lines;
}

// The read time of generation `g`: `days_ago` days before now, a minute per generation.
std::string ReadTime(int g, int days_ago = 0) {
    const auto moment =
        std::chrono::system_clock::now() - std::chrono::days(days_ago) + std::chrono::minutes(g);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S+00:00", &parts);
    return text;
}

OddsRecord WithoutReadingOrder(OddsRecord row) {
    row.Key_ID.reset();
    return row;
}

// Every event's history at `bookmaker` against the generations `from`.. of `lines` (the reads
// recorded, in order), compared read by read.
void ExpectHistoriesEqualLines(const std::string& path, const std::string& bookmaker,
                               const std::vector<std::vector<OddsRecord>>& lines, size_t from,
                               bool moves = true) {
    // Every event that any of these generations lists, with its rows by generation.
    std::map<int64_t, std::map<size_t, OddsRecord>> expected;
    for (size_t g = from; g < lines.size(); ++g) {
        for (const OddsRecord& row : lines[g]) {
            expected[EventKeyOf(row)].emplace(g, WithoutReadingOrder(row));
        }
    }
    ASSERT_FALSE(expected.empty());
    size_t moved = 0;
    for (const auto& [key, rows] : expected) {
        const std::vector<HistoryPoint> points = ReadEventHistory(path, bookmaker, key);
        ASSERT_EQ(points.size(), rows.size()) << "event " << key;
        size_t i = 0;
        for (const auto& [g, row] : rows) {
            SCOPED_TRACE("event " + std::to_string(key) + " generation " + std::to_string(g));
            EXPECT_EQ(WithoutReadingOrder(points[i].row), row);
            if (i > 0 && !(points[i].row.P1 == points[i - 1].row.P1)) ++moved;
            ++i;
        }
    }
    // The line moved: the test compared more than the same row again and again.
    if (moves) EXPECT_GT(moved, 0u);
}

int64_t Count(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    const int64_t count =
        sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

ReadRecord Read(const std::string& time, const std::string& bookmaker) {
    return ReadRecord{time, bookmaker, "127.0.0.1:8080", "ok", ""};
}

}  // namespace

TEST(EventHistoryTest, EventKeyOfIsTheRecordersKey) {
    const std::vector<OddsRecord> rows = Generations(0, 1, 20)[0];
    HistoryFile file;
    ReadRecorder(file.Path()).Append(Read(ReadTime(0), "first"), rows);
    for (const OddsRecord& row : rows) {
        EXPECT_EQ(Count(file.Path(), "SELECT count(*) FROM odds WHERE event_key = " +
                                         std::to_string(EventKeyOf(row))),
                  1);
    }
}

// Watch's full reads, the window's reads of changes, and a file that watch began and the window
// goes on with: the same history, read by read. Both bookmakers, the window's reads of both taken
// as periods (AppendBoth).
TEST(EventHistoryTest, EveryReadEqualsItsGenerationOfAMovingLine) {
    constexpr int kReads = 12;
    const auto first = Generations(0, kReads, 150);
    const auto second = Generations(1, kReads, 150);
    struct Case {
        const char* name;
        int changes_from;  // the first read the window's recorder writes; kReads: none
    };
    for (const Case& c : {Case{"watch", kReads}, Case{"window", 0}, Case{"shared", 5}}) {
        SCOPED_TRACE(c.name);
        HistoryFile file;
        {
            ReadRecorder watch(file.Path());
            for (int g = 0; g < c.changes_from; ++g) {
                watch.AppendBoth(Read(ReadTime(g), "first"), first[g], Read(ReadTime(g), "second"),
                                 second[g], {});
            }
        }
        if (c.changes_from < kReads) {
            ReadRecorder window(file.Path(), std::chrono::seconds(5), RowStoring::kChanges);
            for (int g = c.changes_from; g < kReads; ++g) {
                // A failed read between them leaves the history as it was.
                if (g == kReads - 3) {
                    window.Append({ReadTime(g), "first", "h", "failed", "cut short"},
                                  {first[g].front()});
                }
                window.AppendBoth(Read(ReadTime(g), "first"), first[g], Read(ReadTime(g), "second"),
                                  second[g], {});
            }
        }
        ExpectHistoriesEqualLines(file.Path(), "first", first, 0);
        ExpectHistoriesEqualLines(file.Path(), "second", second, 0);
    }
}

TEST(EventHistoryTest, AReadOfAnUnchangedLineStoresNoRow) {
    const std::vector<OddsRecord> rows = Generations(0, 1, 100)[0];
    HistoryFile file;
    ReadRecorder window(file.Path(), std::chrono::seconds(5), RowStoring::kChanges);
    for (int g = 0; g < 5; ++g) window.Append(Read(ReadTime(g), "first"), rows);
    EXPECT_EQ(Count(file.Path(), "SELECT count(*) FROM odds"), static_cast<int64_t>(rows.size()));
    EXPECT_EQ(Count(file.Path(), "SELECT count(*) FROM reads"), 5);
    EXPECT_EQ(ReadEventHistory(file.Path(), "first", EventKeyOf(rows[3])).size(), 5u);
}

// Reads older than the age limit go, and the oldest go while the file is over its size; the reads
// left keep their history whole, the rows of unchanged events and their sheets included.
TEST(EventHistoryTest, PruningKeepsWhatTheReadsLeftNeed) {
    constexpr int kReads = 10;
    const auto lines = Generations(0, kReads, 150);
    HistoryFile file;
    {
        // Watch's full reads then the window's, the first six of them twenty days old.
        ReadRecorder watch(file.Path());
        for (int g = 0; g < 3; ++g) watch.Append(Read(ReadTime(g, 20), "first"), lines[g]);
    }
    {
        ReadRecorder window(file.Path(), std::chrono::seconds(5), RowStoring::kChanges);
        for (int g = 3; g < kReads; ++g) {
            window.Append(Read(ReadTime(g, g < 6 ? 20 : 0), "first"), lines[g]);
        }
        EXPECT_EQ(window.Prune(std::chrono::system_clock::now() - std::chrono::days(14),
                               int64_t{1} << 40),
                  6);
        // The window goes on after pruning.
        window.Append(Read(ReadTime(kReads), "first"), lines[kReads - 1]);
    }
    auto expected = lines;
    expected.push_back(lines[kReads - 1]);
    ExpectHistoriesEqualLines(file.Path(), "first", expected, 6);
    EXPECT_EQ(Count(file.Path(), "SELECT min(id) FROM reads"), 7);

    // By size: the oldest reads go until the pages in use fit.
    ReadRecorder window(file.Path(), std::chrono::seconds(5), RowStoring::kChanges);
    const int64_t used = window.UsedBytes();
    const int64_t pruned =
        window.Prune(std::chrono::system_clock::now() - std::chrono::days(14), used * 2 / 3);
    EXPECT_GT(pruned, 0);
    EXPECT_LE(window.UsedBytes(), used * 2 / 3);
    EXPECT_LE(static_cast<int64_t>(std::filesystem::file_size(file.Path())), used * 2 / 3);
    const int64_t left = Count(file.Path(), "SELECT count(*) FROM reads");
    ASSERT_GT(left, 0);
    ExpectHistoriesEqualLines(file.Path(), "first", expected, expected.size() - left, false);
}

TEST(EventHistoryTest, AFileThatCannotBeReadThrows) {
    HistoryFile file;
    EXPECT_THROW(ReadEventHistory(file.Path(), "first", 1), ERecorderError);  // no file
    {
        std::FILE* text = std::fopen(file.Path().c_str(), "w");
        std::fputs("not a database, just text that is long enough to be a header", text);
        std::fclose(text);
    }
    EXPECT_THROW(ReadEventHistory(file.Path(), "first", 1), ERecorderError);
}

}  // namespace lintaro::live
