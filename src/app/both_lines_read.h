// Both bookmakers' lines read at once, each on a refresh worker of its own (app/refresh_worker.h):
// the first with the session the window hands in, the second with a session this object keeps
// between reads. Each worker's message box and wait cursor reach the window as they would for one
// line, told which bookmaker asks; the window hears `finished` once, when both reads have ended,
// and takes both outcomes then.
//
//   BothLinesRead both(window, {show_message, set_wait_cursor, finished});
//   both.Start(std::move(session), hosts, limits);  // returns at once
//   ...                                             // Cancel() stops both
//   finished():  RefreshOutcome& first = both.Outcome(0); ... the session back from first
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/refresh_worker.h"
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
        // Both reads have ended; Outcome(0) and Outcome(1) hold what they brought.
        std::function<void()> finished;
    };

    // `read` as RefreshWorker takes it (tests give their own; it is called with the side's index).
    BothLinesRead(QObject* receiver, Callbacks callbacks, RefreshWorker::Read read = {});
    ~BothLinesRead();
    BothLinesRead(const BothLinesRead&) = delete;
    BothLinesRead& operator=(const BothLinesRead&) = delete;

    // Starts both reads under `limits`; `first_session` goes with the first and comes back in its
    // outcome. While a read runs nothing starts, and `first_session` is handed back.
    [[nodiscard]] std::unique_ptr<LineSession> Start(std::unique_ptr<LineSession> first_session,
                                                     const std::string& first_host,
                                                     const std::string& second_host,
                                                     ReadLimits limits);
    bool Running() const { return running_; }
    // Asks both reads to stop at their next wait; their rows so far arrive through `finished`.
    void Cancel();
    // Gives up both reads; `finished` will not run for them.
    void Abandon();
    // What side `side` brought, valid from `finished` until the next Start.
    RefreshOutcome& Outcome(int side) { return outcomes_.at(side); }

  private:
    void Ended(int side, RefreshOutcome& outcome);
    void WaitCursor(int side, bool on);

    Callbacks callbacks_;
    std::array<std::unique_ptr<RefreshWorker>, 2> workers_;
    std::unique_ptr<LineSession> second_session_;  // null while its read runs
    std::array<RefreshOutcome, 2> outcomes_;
    std::array<bool, 2> ended_{};
    std::array<bool, 2> waiting_{};  // the wait cursor each read asked for
    bool running_ = false;
};

}  // namespace lintaro::app
