// The history writer's thread: a queue of at most one read per bookmaker, the recorder opened and
// pruned on that thread, and each failure told once.
#include "app/history_writer.h"

#include <QDateTime>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace lintaro::app {

namespace {

// The pairs the history records for a period: the merged line's matched events.
std::vector<live::RecordedPair> PairsOf(const compare::MergedLine& line) {
    std::vector<live::RecordedPair> pairs;
    for (const compare::MergedEvent& event : line.events) {
        if (!event.Matched() || !event.score) continue;
        live::RecordedPair pair;
        pair.first_row = static_cast<size_t>(event.first);
        pair.second_row = static_cast<size_t>(event.second);
        pair.score = *event.score;
        pair.margin = event.comparison.margin;
        pair.surebet = event.BestSurebet();
        pairs.push_back(pair);
    }
    return pairs;
}

}  // namespace

std::string HistoryWriter::NowText() {
    return QDateTime::currentDateTime()
        .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
        .toString(Qt::ISODate)
        .toStdString();
}

bool HistoryWriter::Job::Has(const std::string& bookmaker) const {
    return std::any_of(reads.begin(), reads.end(),
                       [&](const live::ReadRecord& read) { return read.bookmaker == bookmaker; });
}

HistoryWriter::HistoryWriter(std::string path, HistoryLimits limits,
                             std::function<void(const std::string& message)> failed)
    : path_(std::move(path)), failed_(std::move(failed)), limits_(limits) {
    thread_ = std::thread([this] { Run(); });
}

HistoryWriter::~HistoryWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void HistoryWriter::Append(live::ReadRecord read,
                           std::shared_ptr<const std::vector<table::OddsRecord>> rows) {
    Job job;
    job.reads.push_back(std::move(read));
    job.rows = std::move(rows);
    Enqueue(std::move(job));
}

void HistoryWriter::AppendBoth(live::ReadRecord first, live::ReadRecord second,
                               std::shared_ptr<const compare::MergedLine> line) {
    Job job;
    job.reads.push_back(std::move(first));
    job.reads.push_back(std::move(second));
    job.line = std::move(line);
    Enqueue(std::move(job));
}

void HistoryWriter::Enqueue(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (failed_for_run_ || stop_) return;
        // A newer read of a bookmaker replaces the one of it that waits.
        const auto before = waiting_.size();
        std::erase_if(waiting_, [&](const Job& waiting) {
            return std::any_of(
                job.reads.begin(), job.reads.end(),
                [&](const live::ReadRecord& read) { return waiting.Has(read.bookmaker); });
        });
        dropped_ += static_cast<int64_t>(before - waiting_.size());
        waiting_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void HistoryWriter::SetLimits(HistoryLimits limits) {
    {
        std::lock_guard lock(mutex_);
        limits_ = limits;
        prune_ = true;
    }
    wake_.notify_all();
}

int64_t HistoryWriter::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

int64_t HistoryWriter::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

bool HistoryWriter::Failed() const {
    std::lock_guard lock(mutex_);
    return failed_for_run_;
}

bool HistoryWriter::Idle() const {
    std::lock_guard lock(mutex_);
    return (waiting_.empty() && !writing_ && !prune_) || failed_for_run_;
}

void HistoryWriter::WaitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return (waiting_.empty() && !writing_ && !prune_) || failed_for_run_; });
}

void HistoryWriter::Run() {
    // An existing file is opened and pruned (prune_ is set) at the start; a missing one is made at
    // the first read.
    Open(/*only_existing=*/true);
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [&] { return stop_ || !waiting_.empty() || prune_; });
        if (failed_for_run_) {
            waiting_.clear();
            prune_ = false;
        }
        if (prune_) {
            lock.unlock();
            Prune();
            lock.lock();
            prune_ = false;
        } else if (!waiting_.empty()) {
            Job job = std::move(waiting_.front());
            waiting_.pop_front();
            writing_ = true;
            lock.unlock();
            Write(job);
            lock.lock();
            writing_ = false;
        } else if (stop_) {
            break;
        }
        idle_.notify_all();
    }
    idle_.notify_all();
}

bool HistoryWriter::Open(bool only_existing) {
    if (recorder_) return true;
    {
        std::lock_guard lock(mutex_);
        if (failed_for_run_) return false;
    }
    std::error_code error;
    if (only_existing && !std::filesystem::exists(path_, error)) return false;
    try {
        // The folder is the user's data folder, made on the first read.
        const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, error);
        recorder_ = std::make_unique<live::ReadRecorder>(path_, std::chrono::seconds(5),
                                                         live::RowStoring::kChanges);
    } catch (const live::ERecorderError& e) {
        Fail(e.what());
        return false;
    }
    return true;
}

void HistoryWriter::Prune() {
    if (!recorder_) return;
    HistoryLimits limits;
    {
        std::lock_guard lock(mutex_);
        limits = limits_;
    }
    try {
        recorder_->Prune(std::chrono::system_clock::now() - std::chrono::days(limits.days),
                         limits.max_bytes);
    } catch (const live::ERecorderError& e) {
        if (e.kind() == live::ERecorderError::Kind::kBusy) return;  // pruned another time
        Fail(e.what());
    }
}

void HistoryWriter::Write(const Job& job) {
    if (!Open(/*only_existing=*/false)) return;
    HistoryLimits limits;
    {
        std::lock_guard lock(mutex_);
        limits = limits_;
    }
    try {
        if (job.line) {
            recorder_->AppendBoth(job.reads[0], job.line->first_rows, job.reads[1],
                                  job.line->second_rows, PairsOf(*job.line));
        } else {
            recorder_->Append(job.reads[0], *job.rows);
        }
        {
            std::lock_guard lock(mutex_);
            written_ += static_cast<int64_t>(job.reads.size());
        }
        if (recorder_->UsedBytes() > limits.max_bytes) Prune();
    } catch (const live::ERecorderError& e) {
        if (e.kind() == live::ERecorderError::Kind::kBusy) {
            // Another program holds the file: this read is not kept, the next one tries again.
            if (!std::exchange(busy_told_, true)) failed_(e.what());
            return;
        }
        Fail(e.what());
    }
}

void HistoryWriter::Fail(const std::string& message) {
    recorder_.reset();
    {
        std::lock_guard lock(mutex_);
        if (failed_for_run_) return;
        failed_for_run_ = true;
        waiting_.clear();
    }
    idle_.notify_all();
    failed_(message);
}

}  // namespace lintaro::app
