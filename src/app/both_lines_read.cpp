// Two refresh workers, one per bookmaker, and the one end the window hears of.
#include "app/both_lines_read.h"

#include <mutex>
#include <thread>
#include <utility>

#include "compare/aliases.h"

namespace lintaro::app {

// What the window's thread and a merge's thread share. The thread holds it to its end, so a merge
// the window gave up on finishes safely after the window is gone.
struct BothLinesRead::Merge {
    std::unique_ptr<compare::MergedLine> merged;
    std::array<std::shared_ptr<live::LineSnapshot>, 2> snapshots;
    std::string aliases_error;
    std::mutex mutex;
    QObject* receiver = nullptr;  // guarded by `mutex`; null once abandoned
};

BothLinesRead::BothLinesRead(QObject* receiver, Callbacks callbacks, RefreshWorker::Read read)
    : callbacks_(std::move(callbacks)),
      second_session_(std::make_unique<readers::LineSession>()),
      receiver_(receiver) {
    for (int side = 0; side < 2; ++side) {
        workers_[side] = std::make_unique<RefreshWorker>(
            receiver,
            RefreshWorker::Callbacks{
                [this, side](const std::string& text) { callbacks_.show_message(side, text); },
                [this, side](bool on) { WaitCursor(side, on); },
                [this, side](RefreshOutcome& outcome) { Ended(side, outcome); }},
            read);
    }
}

BothLinesRead::~BothLinesRead() { Abandon(); }

std::unique_ptr<readers::LineSession> BothLinesRead::Start(
    std::unique_ptr<readers::LineSession> first_session, const std::string& first_host,
    const std::string& second_host, readers::ReadLimits limits) {
    if (running_) return first_session;
    // A read given up on took its session along: a new one takes over.
    if (!second_session_) second_session_ = std::make_unique<readers::LineSession>();
    for (readers::LineSession* session : {first_session.get(), second_session_.get()}) {
        session->first_host = first_host;
        session->second_host = second_host;
        session->SetReadLimits(limits);
    }
    outcomes_ = {};
    ended_ = {};
    waiting_ = {};
    running_ = true;
    first_session = workers_[kFirst]->Start(std::move(first_session), kFirst);
    second_session_ = workers_[kSecond]->Start(std::move(second_session_), kSecond);
    return first_session;
}

void BothLinesRead::Cancel() {
    if (!running_) return;
    for (const auto& worker : workers_) worker->Cancel();
}

void BothLinesRead::Abandon() {
    for (const auto& worker : workers_) worker->Abandon();
    if (const std::shared_ptr<Merge> merge = std::exchange(merge_, nullptr)) {
        std::lock_guard lock(merge->mutex);
        merge->receiver = nullptr;
    }
    running_ = false;
}

void BothLinesRead::WaitCursor(int side, bool on) {
    const bool before = waiting_[0] || waiting_[1];
    waiting_[side] = on;
    const bool now = waiting_[0] || waiting_[1];
    if (now != before && callbacks_.set_wait_cursor) callbacks_.set_wait_cursor(now);
}

void BothLinesRead::Ended(int side, RefreshOutcome& outcome) {
    outcomes_[side] = std::move(outcome);
    ended_[side] = true;
    WaitCursor(side, false);
    if (side == kSecond) second_session_ = std::move(outcomes_[side].session);
    if (!ended_[kFirst] || !ended_[kSecond]) return;
    StartMerge();
}

void BothLinesRead::StartMerge() {
    auto merge = std::make_shared<Merge>();
    merge->receiver = receiver_;
    merge_ = merge;
    // The rows go to the merged line without a copy.
    std::thread([merge, this, alive = std::weak_ptr<const bool>(alive_), user = user_aliases_,
                 first = outcomes_[kFirst].rows.ReleaseRows(),
                 second = outcomes_[kSecond].rows.ReleaseRows()]() mutable {
        // The user's links are read anew for every pair of reads: a link made meanwhile counts.
        compare::AliasesLoad aliases;
        if (user) {
            aliases = user->Load();
        } else if (const std::string path = compare::DefaultAliasesPath(); !path.empty()) {
            aliases = compare::LoadAliases(path);
        }
        compare::LineOptions options;
        if (!aliases.aliases.Empty()) options.match.aliases = &aliases.aliases;
        merge->aliases_error = aliases.error;
        try {
            merge->merged = std::make_unique<compare::MergedLine>(
                compare::MergeLines(std::move(first), std::move(second), options));
            merge->snapshots = {std::make_shared<live::LineSnapshot>(merge->merged->first_rows),
                                std::make_shared<live::LineSnapshot>(merge->merged->second_rows)};
        } catch (const std::exception&) {
            // Out of memory: an empty line, as a read that brought nothing.
            merge->merged = std::make_unique<compare::MergedLine>();
            merge->snapshots = {};
        }
        std::lock_guard lock(merge->mutex);
        if (merge->receiver == nullptr) return;  // abandoned: `this` may be gone
        QMetaObject::invokeMethod(
            merge->receiver,
            [merge, this, alive] {
                if (!alive.lock() || merge_ != merge) return;  // abandoned meanwhile
                merge_.reset();
                merged_ = std::move(merge->merged);
                snapshots_ = std::move(merge->snapshots);
                aliases_error_ = merge->aliases_error;
                running_ = false;
                callbacks_.finished();
            },
            Qt::QueuedConnection);
    }).detach();
}

}  // namespace lintaro::app
