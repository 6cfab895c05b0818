// Both bookmakers' lines read at once, each on a refresh worker of its own (app/refresh_worker.h):
// the first with the session the window hands in, the second with a session this object keeps
// between reads. Each worker's message box and wait cursor reach the window as they would for one
// line, told which bookmaker asks. When both reads have ended, the two lines are matched and merged
// (compare/merged_line.h) on a thread of their own, which also takes each line's snapshot for the
// followers, so the window's thread only takes the result: the window hears `finished` once,
// then, and takes both outcomes, the merged line and the snapshots.
//
//   BothLinesRead both(window, {show_message, set_wait_cursor, finished});
//   both.Start(std::move(session), hosts, limits);  // returns at once
//   ...                                             // Cancel() stops both
//   finished():  RefreshOutcome& first = both.Outcome(0); ... the session back from first;
//                both.TakeMerged() the two lines' rows merged, both.TakeSnapshots()
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/refresh_worker.h"
#include "compare/merged_line.h"
#include "compare/user_aliases.h"
#include "live/line_snapshot.h"
#include "readers/line_session.h"

namespace lintaro::app {

class BothLinesRead {
  public:
    // Bookmakers by their index, as LineSession::Load and the selector take them.
    static constexpr int kFirst = 0;
    static constexpr int kSecond = 1;

    struct Callbacks {
        // The reader of bookmaker `side` reports `text` (Windows-1251): shows it modally and
        // returns when it is closed.
        std::function<void(int side, const std::string& text)> show_message;
        // On while either read wants the wait cursor.
        std::function<void(bool on)> set_wait_cursor;
        // Both reads have ended; Outcome(0) and Outcome(1) hold how they ended (their rows have
        // gone into TakeMerged(), the rows of both merged).
        std::function<void()> finished;
    };

    // `read` as RefreshWorker takes it (tests give their own; it is called with the side's index).
    BothLinesRead(QObject* receiver, Callbacks callbacks, RefreshWorker::Read read = {});
    ~BothLinesRead();
    BothLinesRead(const BothLinesRead&) = delete;
    BothLinesRead& operator=(const BothLinesRead&) = delete;

    // Starts both reads under `limits`; `first_session` goes with the first and comes back in its
    // outcome. While a read runs nothing starts, and `first_session` is handed back.
    [[nodiscard]] std::unique_ptr<readers::LineSession> Start(
        std::unique_ptr<readers::LineSession> first_session, const std::string& first_host,
        const std::string& second_host, readers::ReadLimits limits);
    bool Running() const { return running_; }
    // Asks both reads to stop at their next wait; their rows so far arrive through `finished`.
    void Cancel();
    // Gives up both reads; `finished` will not run for them.
    void Abandon();
    // What side `side` brought, valid from `finished` until the next Start.
    RefreshOutcome& Outcome(int side) { return outcomes_.at(side); }
    // The two lines merged, with the user's aliases as the file held them when both reads ended;
    // valid once from `finished`.
    std::unique_ptr<compare::MergedLine> TakeMerged() {
        return merged_ ? std::move(merged_) : std::make_unique<compare::MergedLine>();
    }
    // Each line's snapshot (live/line_snapshot.h) of the merged line's rows, made on the merge's
    // thread for the followers; valid once from `finished`, null for a merge that failed.
    std::array<std::shared_ptr<live::LineSnapshot>, 2> TakeSnapshots() {
        return std::exchange(snapshots_, {});
    }
    // The user's aliases the merges read (with the links this run could not save); unset, each
    // merge reads the user's aliases file.
    void SetUserAliases(std::shared_ptr<const compare::UserAliases> aliases) {
        user_aliases_ = std::move(aliases);
    }
    // The aliases file's error, if any, at the last merge ("" when it was read or is missing).
    const std::string& AliasesError() const { return aliases_error_; }

  private:
    struct Merge;
    void Ended(int side, RefreshOutcome& outcome);
    // Matches and merges both outcomes' rows on a thread of its own, then runs `finished`.
    void StartMerge();
    void WaitCursor(int side, bool on);

    Callbacks callbacks_;
    std::array<std::unique_ptr<RefreshWorker>, 2> workers_;
    std::unique_ptr<readers::LineSession> second_session_;  // null while its read runs
    std::array<RefreshOutcome, 2> outcomes_;
    std::array<bool, 2> ended_{};
    std::array<bool, 2> waiting_{};  // the wait cursor each read asked for
    bool running_ = false;
    QObject* receiver_;
    std::shared_ptr<Merge> merge_;  // the running merge; null when none runs
    std::unique_ptr<compare::MergedLine> merged_;
    std::array<std::shared_ptr<live::LineSnapshot>, 2> snapshots_;
    std::string aliases_error_;
    std::shared_ptr<const compare::UserAliases> user_aliases_;
    // Held weakly by what a merge's thread posts, so nothing of it runs once this is gone.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace lintaro::app
