// Live line benchmarks over the demo line's first bookmaker: generations of the moving line stand
// for successive refreshes or recorded reads.
// Targets: matching and marking 100 000 events against the previous refresh <= 50 ms; the previous
// line's memory <= 0.5 x the table's; the recorder appends a read of 20 000 events <= 200 ms, and
// the database grows by at most 1.5 x the CSV size of each read; the window's history (changes
// only) grows by at most 0.5 x a read's CSV per read of an unchanged line, and an event's history
// opens from 1 000 reads of 20 000 events within 150 ms.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "demo/demo_line.h"
#include "demo_table.h"
#include "export/row_format.h"
#include "live/event_history.h"
#include "live/line_movement.h"
#include "live/line_snapshot.h"
#include "live/read_recorder.h"
#include "table/odds_table.h"

namespace {

using lintaro::live::LineMovement;
using lintaro::live::LineSnapshot;
using lintaro::table::OddsRecord;

constexpr int kEvents = 100'000;

// Generation `generation` of the demo line with `events` events on the first bookmaker's page.
std::vector<OddsRecord> Read(uint32_t generation, int events = kEvents) {
    lintaro::demo::DemoOptions options;
    options.events = events;
    options.generation = generation;
    options.today = std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::month{12},
                                                std::chrono::day{10}};
    return lintaro::demo::PublishedFirstRows(options, *options.today);
}

// The demo line's 100 000 events share their teams, days and kick-off times so much that half of
// them repeat another's identity; a real line does not. The n-th repeat of an identity gets its
// number after the home team, in both reads alike, so that every event is one of its own.
std::vector<OddsRecord> Distinct(std::vector<OddsRecord> rows) {
    std::map<std::tuple<std::string, std::string, int64_t, std::string, std::string>, int> seen;
    for (OddsRecord& row : rows) {
        const int repeat = seen[{*row.sport_type_name, *row.competition_name,
                                 row.sport_event_date->ms, *row.team_h_name, *row.team_g_name}]++;
        if (repeat > 0) row.team_h_name->append(" ").append(std::to_string(repeat + 1));
    }
    return rows;
}

// Two reads a refresh apart, made once.
struct Reads {
    std::vector<OddsRecord> previous = Distinct(Read(0));
    std::vector<OddsRecord> current = Distinct(Read(1));
};

const Reads& TwoReads() {
    static const Reads* reads = new Reads;
    return *reads;
}

// What a refresh adds: the snapshot of the new read, and its movement against the previous one.
void BM_MatchAndMark(benchmark::State& state) {
    const Reads& reads = TwoReads();
    const auto previous = std::make_shared<const LineSnapshot>(reads.previous);
    LineMovement movement;
    for (auto _ : state) {
        auto current = std::make_shared<const LineSnapshot>(reads.current);
        movement = LineMovement(previous, std::move(current));
        benchmark::DoNotOptimize(movement.Counts());
    }
    state.counters["rows"] = static_cast<double>(reads.current.size());
    state.counters["prices_moved"] = static_cast<double>(movement.Counts().prices_moved);
    state.counters["new"] = static_cast<double>(movement.Counts().events_new);
    state.counters["gone"] = static_cast<double>(movement.Counts().events_gone);
}

// What the window adds to it once per read: each row of the new read looked up in the movement
// and its marks counted, for the closed groups' counts and "Только изменения".
void BM_MatchMarkAndCount(benchmark::State& state) {
    const Reads& reads = TwoReads();
    const auto previous = std::make_shared<const LineSnapshot>(reads.previous);
    long moved = 0;
    for (auto _ : state) {
        auto current = std::make_shared<const LineSnapshot>(reads.current);
        const LineMovement movement(previous, std::move(current));
        moved = 0;
        for (const OddsRecord& row : reads.current) {
            const std::optional<lintaro::live::EventMarks> marks = movement.Find(row);
            if (!marks) continue;
            const lintaro::live::MoveTally tally = marks->Tally();
            moved += tally.up + tally.down + tally.line_changed;
        }
        benchmark::DoNotOptimize(moved);
    }
    state.counters["rows"] = static_cast<double>(reads.current.size());
    state.counters["moved"] = static_cast<double>(moved);
}

// The comparison alone, both snapshots taken.
void BM_CompareSnapshots(benchmark::State& state) {
    const Reads& reads = TwoReads();
    const auto previous = std::make_shared<const LineSnapshot>(reads.previous);
    const auto current = std::make_shared<const LineSnapshot>(reads.current);
    for (auto _ : state) {
        LineMovement movement(previous, current);
        benchmark::DoNotOptimize(movement.Counts());
    }
}

// The previous line's memory next to the odds table holding the same read: the heap each takes,
// and the snapshot's own count.
void BM_PreviousLineMemory(benchmark::State& state) {
    const Reads& reads = TwoReads();
    size_t table_bytes = 0, snapshot_heap = 0, snapshot_bytes = 0;
    for (auto _ : state) {
        lintaro::table::OddsTable table;
        // The heap count leaves out blocks the allocator maps apart (the table's row array), so
        // the table is counted as it holds its rows: the array and every text beyond the string's
        // own buffer.
        lintaro::bench::FillTable(table, reads.previous);
        table_bytes = table.Rows().capacity() * sizeof(OddsRecord);
        for (const OddsRecord& row : table.Rows()) {
            for (const auto* text : {&row.sport_type_name, &row.competition_name, &row.team_h_name,
                                     &row.team_g_name, &row.dop_info}) {
                if (*text && text->value().capacity() > 15)
                    table_bytes += text->value().capacity() + 1;
            }
        }
        const size_t before = lintaro::bench::HeapInUse();
        const LineSnapshot snapshot(table.Rows());
        snapshot_heap = lintaro::bench::HeapInUse() - before;
        state.counters["events"] = static_cast<double>(snapshot.EventCount());
        snapshot_bytes = snapshot.MemoryBytes();
    }
    state.counters["table_MB"] = static_cast<double>(table_bytes) / 1e6;
    state.counters["rows"] = static_cast<double>(reads.previous.size());
    state.counters["snapshot_MB"] = static_cast<double>(snapshot_heap) / 1e6;
    state.counters["ratio"] = static_cast<double>(snapshot_heap) / static_cast<double>(table_bytes);
    state.counters["counted_MB"] = static_cast<double>(snapshot_bytes) / 1e6;
}

constexpr int kRecordedEvents = 20'000;
constexpr int kRecordedReads = 11;

// Successive reads of the line the recorder gets, made once.
const std::vector<std::vector<OddsRecord>>& RecordedReads() {
    static const auto* reads = [] {
        auto* all = new std::vector<std::vector<OddsRecord>>;
        lintaro::demo::DemoOptions options;
        options.events = kRecordedEvents;
        options.today = std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::month{12},
                                                    std::chrono::day{10}};
        lintaro::demo::MovingFirstLine line(options, *options.today);
        for (int i = 0; i < kRecordedReads; ++i, line.Advance()) all->push_back(line.Line().rows);
        return all;
    }();
    return *reads;
}

// A fresh folder for a database, removed at the end.
struct Scratch {
    std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "live-bench-XXXXXX");
        return std::string(::mkdtemp(pattern.data()));
    }();
    ~Scratch() { std::filesystem::remove_all(folder); }
};

lintaro::live::ReadRecord Record(int i) {
    return {"2026-12-10T10:" + std::to_string(10 + i) + ":00+03:00", "first", "127.0.0.1:8080",
            "ok", ""};
}

// The database's size with its write-ahead log folded in, asked of a connection of its own.
double DatabaseBytes(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return static_cast<double>(std::filesystem::file_size(path));
}

double CsvBytes(const std::vector<OddsRecord>& rows) {
    std::ostringstream csv;
    lintaro::worksheet::WriteRows(csv, rows, lintaro::worksheet::RowFormat::kCsv);
    return static_cast<double>(csv.str().size());
}

// Appending one read of 20 000 events after the previous one (its sheets mostly unchanged); the
// first read of a run, which stores every sheet, is measured apart.
void BM_RecordRead(benchmark::State& state) {
    const auto& reads = RecordedReads();
    const bool first = state.range(0) == 0;
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Scratch scratch;
        auto recorder = std::make_unique<lintaro::live::ReadRecorder>(scratch.folder + "/line.db");
        if (!first) recorder->Append(Record(0), reads[0]);
        const auto& read = reads[first ? 0 : 1 + i++ % (kRecordedReads - 1)];
        state.ResumeTiming();
        recorder->Append(Record(1), read);
        state.PauseTiming();
        recorder.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(reads[0].size());
}

// How the database grows per read next to the CSV of the same read: the first read, and the ten
// after it on average.
void BM_DatabaseGrowth(benchmark::State& state) {
    const auto& reads = RecordedReads();
    double first_ratio = 0, later_ratio = 0;
    for (auto _ : state) {
        Scratch scratch;
        const std::string path = scratch.folder + "/line.db";
        lintaro::live::ReadRecorder recorder(path);
        const double empty = DatabaseBytes(path);
        recorder.Append(Record(0), reads[0]);
        const double after_first = DatabaseBytes(path);
        double later_csv = 0;
        for (int r = 1; r < kRecordedReads; ++r) {
            recorder.Append(Record(r), reads[r]);
            later_csv += CsvBytes(reads[r]);
        }
        const double after_all = DatabaseBytes(path);
        first_ratio = (after_first - empty) / CsvBytes(reads[0]);
        later_ratio = (after_all - after_first) / later_csv;
        state.counters["csv_MB_per_read"] = CsvBytes(reads[0]) / 1e6;
        state.counters["db_MB_first"] = (after_first - empty) / 1e6;
        state.counters["db_MB_later_per_read"] =
            (after_all - after_first) / 1e6 / (kRecordedReads - 1);
    }
    state.counters["first_read_ratio"] = first_ratio;
    state.counters["later_read_ratio"] = later_ratio;
}

// The window's history (changes only): how the database grows per read of an unchanged line and
// per read of the moving line, next to the CSV of the read, and how long a read's append takes.
void BM_HistoryGrowth(benchmark::State& state) {
    const auto& reads = RecordedReads();
    for (auto _ : state) {
        Scratch scratch;
        const std::string path = scratch.folder + "/history.sqlite";
        lintaro::live::ReadRecorder recorder(path, std::chrono::seconds(5),
                                             lintaro::live::RowStoring::kChanges);
        recorder.Append(Record(0), reads[0]);
        const double after_first = DatabaseBytes(path);
        const auto started = std::chrono::steady_clock::now();
        for (int r = 1; r < kRecordedReads; ++r) recorder.Append(Record(r), reads[0]);
        const double append_ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count() /
            (kRecordedReads - 1);
        const double after_unchanged = DatabaseBytes(path);
        double moving_csv = 0;
        for (int r = 1; r < kRecordedReads; ++r) {
            recorder.Append(Record(kRecordedReads + r), reads[r]);
            moving_csv += CsvBytes(reads[r]);
        }
        const double after_moving = DatabaseBytes(path);
        const double csv = CsvBytes(reads[0]);
        state.counters["csv_MB_per_read"] = csv / 1e6;
        state.counters["unchanged_ratio"] =
            (after_unchanged - after_first) / (kRecordedReads - 1) / csv;
        state.counters["moving_ratio"] = (after_moving - after_unchanged) / moving_csv;
        state.counters["unchanged_append_ms"] = append_ms;
    }
}

// Opening an event's history from a history of 1 000 reads of a 20 000-event line, moving at every
// tenth read. The
// database is built once into a cache folder ($LINTARO_BENCH_CACHE, else the temporary folder's
// lintaro-bench-cache) and reused; each iteration reads one event's history, cycling over events
// spread across the line.
constexpr int kHistoryReads = 1000;

std::string HistoryOfAThousandReads() {
    const char* cache = std::getenv("LINTARO_BENCH_CACHE");
    const std::filesystem::path folder =
        cache ? std::filesystem::path(cache)
              : std::filesystem::temp_directory_path() / "lintaro-bench-cache";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "history-1000x20000-v2.sqlite").string();
    if (std::filesystem::exists(path)) return path;
    const std::string building = path + ".building";
    std::filesystem::remove(building);
    {
        lintaro::live::ReadRecorder recorder(building, std::chrono::seconds(5),
                                             lintaro::live::RowStoring::kChanges);
        lintaro::demo::DemoOptions options;
        options.events = kRecordedEvents;
        options.today = std::chrono::year_month_day{std::chrono::year{2026}, std::chrono::month{12},
                                                    std::chrono::day{10}};
        lintaro::demo::MovingFirstLine line(options, *options.today);
        // The demo line moves fast (a generation changes the rows of about one event in eight):
        // it moves at every tenth read here, so the file stays near what a day of reads every
        // minute keeps, and builds in minutes.
        std::vector<OddsRecord> rows = line.Line().rows;
        for (int i = 0; i < kHistoryReads; ++i) {
            if (i > 0 && i % 10 == 0) {
                line.Advance();
                rows = line.Line().rows;
            }
            recorder.Append({"2026-12-10T10:00:00+03:00", "first", "127.0.0.1:8080", "ok", ""},
                            rows);
        }
    }
    sqlite3* db = nullptr;
    sqlite3_open(building.c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
    std::filesystem::rename(building, path);
    return path;
}

void BM_OpenEventHistory(benchmark::State& state) {
    const std::string path = HistoryOfAThousandReads();
    // Events of the last read, spread over the line.
    std::vector<int64_t> keys;
    const auto& rows = RecordedReads()[0];
    for (size_t i = 0; i < rows.size(); i += rows.size() / 50) {
        keys.push_back(lintaro::live::EventKeyOf(rows[i]));
    }
    size_t i = 0, points = 0;
    for (auto _ : state) {
        const auto history =
            lintaro::live::ReadEventHistory(path, "first", keys[i++ % keys.size()]);
        points = std::max(points, history.size());
        benchmark::DoNotOptimize(history.data());
    }
    state.counters["most_points"] = static_cast<double>(points);
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

}  // namespace

BENCHMARK(BM_HistoryGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenEventHistory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MatchAndMark)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchMarkAndCount)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareSnapshots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviousLineMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
