// The window's history of reads: each successful read handed in is appended to the history
// database (live/read_recorder.h, changes only) on a thread of its own, so the window never waits
// for the disk. Plain C++; the window posts what it hears back to its own thread.
//
//   HistoryWriter writer(path, limits, [](const std::string& message) { ...say it once... });
//   writer.Append(read, rows);               // returns at once
//   writer.AppendBoth(first, second, line);  // both bookmakers' reads of one period
//
// Bounds. At most one read per bookmaker waits while another is written: a newer read of the same
// bookmaker replaces the one waiting (that one is dropped and counted in Dropped()), and a period
// of both replaces whatever waits of either. Nothing else queues, so a writer that falls behind
// (a slow disk, a 20 000-event line read every minute) keeps the newest reads and its memory stays
// bounded.
//
// Failures. The file is opened, and pruned to the limits, at the start when it exists, else at the
// first read. A file that cannot be used (not SQLite, another schema, read-only, a full disk) is
// told once through `failed` and the writer keeps nothing more for the run: the window goes on
// without history, and the file keeps every read it held. A database that another program keeps
// locked past the wait costs that read only; it is told once too.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "compare/merged_line.h"
#include "live/read_recorder.h"
#include "table/odds_table.h"

namespace lintaro::app {

// What the history keeps: reads of the last `days` days, in at most `max_bytes`.
struct HistoryLimits {
    int days = 14;
    int64_t max_bytes = int64_t{500} * 1000 * 1000;
    friend bool operator==(const HistoryLimits&, const HistoryLimits&) = default;
};

class HistoryWriter {
  public:
    // `failed` is called on the writer's thread, with a complete message (UTF-8), at most once per
    // kind of failure.
    HistoryWriter(std::string path, HistoryLimits limits,
                  std::function<void(const std::string& message)> failed);
    // Writes what waits, then stops.
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // A successful read of one bookmaker (`read.bookmaker` "first" or "second") and its rows.
    void Append(live::ReadRecord read, std::shared_ptr<const std::vector<table::OddsRecord>> rows);
    // Both bookmakers' successful reads of one period: their rows are `line`'s first_rows and
    // second_rows, its matched events the pairs.
    void AppendBoth(live::ReadRecord first, live::ReadRecord second,
                    std::shared_ptr<const compare::MergedLine> line);
    // New limits, applied (the file pruned) at once.
    void SetLimits(HistoryLimits limits);

    // Reads dropped because a newer one of their bookmaker came while they waited.
    int64_t Dropped() const;
    // Reads appended so far.
    int64_t Written() const;
    // Whether the writer has given up on the file for this run.
    bool Failed() const;
    // Whether nothing waits or is being written; WaitUntilIdle waits for it (tests, benchmarks).
    bool Idle() const;
    void WaitUntilIdle();

    // The read's time as the history records it: now, ISO 8601 with the local offset.
    static std::string NowText();

  private:
    struct Job {
        std::vector<live::ReadRecord> reads;  // one, or both bookmakers'
        std::shared_ptr<const std::vector<table::OddsRecord>> rows;
        std::shared_ptr<const compare::MergedLine> line;
        bool Has(const std::string& bookmaker) const;
    };
    void Enqueue(Job job);
    void Run();
    // Opens the file when missing; false when the writer has failed.
    bool Open(bool only_existing);
    void Write(const Job& job);
    void Prune();
    void Fail(const std::string& message);

    const std::string path_;
    const std::function<void(const std::string&)> failed_;
    std::unique_ptr<live::ReadRecorder> recorder_;  // the writer's thread only
    bool busy_told_ = false;                        // the writer's thread only

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> waiting_;
    HistoryLimits limits_;
    bool prune_ = true;  // the limits are to be applied
    bool writing_ = false;
    bool stop_ = false;
    bool failed_for_run_ = false;
    int64_t dropped_ = 0;
    int64_t written_ = 0;
    std::thread thread_;
};

}  // namespace lintaro::app
