// The refresh off the window's thread: a worker thread runs a bookmaker's reader into a table of
// its own with the session the window hands it, and hands the rows and the session back when it
// ends. The window's thread never waits on the network, on parsing or on the worker: the reader's
// message box and wait cursor reach it as queued requests, and the end of the read arrives the
// same way.
//
//   RefreshWorker worker(window, {show_message, set_wait_cursor, finished});
//   worker.Start(std::move(session), index);  // returns at once; the session goes with the read
//   ...                 // Cancel() at any time; `finished` runs on the window's thread and its
//                       // outcome carries the session back
//
// Nothing is shared with the worker but the cancel flag and what it hands over: while a read runs
// its session belongs to it alone, so nothing else can use it or start a second read on it. No Qt
// object is touched from the worker: it only posts functions to the receiver's thread, where the
// receiver's side of the read (one object the worker owns) decides what still reaches the window.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "table/odds_table.h"

namespace lintaro::readers {
class LineSession;
class ReaderUi;
}  // namespace lintaro::readers

namespace lintaro::app {

// What a finished read hands back.
struct RefreshOutcome {
    table::OddsTable rows;               // open; the rows read (so far, when cancelled)
    bool cancelled = false;              // a cancel was requested before the read ended
    std::optional<std::string> failure;  // a failure that escaped the reader (UTF-8 message)
    std::unique_ptr<readers::LineSession> session;  // the session the read used, back to its owner
};

class RefreshWorker {
  public:
    // The window's side, each run on the receiver's thread.
    struct Callbacks {
        // A reader's failure (Windows-1251 text): shows it modally and returns when it is closed.
        // A cancel or the end of the read that arrives meanwhile is handled once it returns.
        std::function<void(const std::string& text)> show_message;
        std::function<void(bool on)> set_wait_cursor;
        // The read has ended; runs once per Start() unless the worker was abandoned.
        std::function<void(RefreshOutcome& outcome)> finished;
    };
    // The read itself, on the worker's thread: LineSession::Load unless a test gives another.
    using Read = std::function<void(readers::LineSession& session, int index,
                                    table::OddsTable& rows, readers::ReaderUi& ui)>;

    // The longest single network wait of the worker: how soon it sees a cancel.
    static constexpr int kSliceMs = 50;

    RefreshWorker(QObject* receiver, Callbacks callbacks, Read read = {});
    // Abandons a running read: cancels it and lets its thread end on its own (the session goes
    // with it); nothing of it reaches the receiver any more.
    ~RefreshWorker();
    RefreshWorker(const RefreshWorker&) = delete;
    RefreshWorker& operator=(const RefreshWorker&) = delete;

    // Starts reading the bookmaker at `index` (as LineSession::Load takes it) with `session` on a
    // new thread, and returns null. While a read runs nothing starts: `session` is handed back.
    [[nodiscard]] std::unique_ptr<readers::LineSession> Start(
        std::unique_ptr<readers::LineSession> session, int index);
    // Asks the running read to stop at its next wait (within kSliceMs, or once a host-name lookup
    // returns). Its rows so far still arrive through `finished`; a message it asks for later is
    // answered at once without being shown. Safe to call at any time; while the reader's message
    // is shown it takes effect when the box is closed.
    void Cancel();
    // Gives up the running read as the destructor does; `finished` will not run for it, and its
    // session ends with its thread.
    void Abandon();

  private:
    struct Job;
    struct Receiver;
    class JobReaderUi;
    static void Run(const std::shared_ptr<Job>& job);

    QObject* receiver_;
    // The receiver's side; the jobs hold it weakly, so it ends with the worker.
    std::shared_ptr<Receiver> state_;
};

}  // namespace lintaro::app
