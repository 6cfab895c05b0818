// The refresh off the window's thread: a worker thread runs a bookmaker's reader with the window's
// HTTP client into a table of its own, and hands the rows back when it ends. The window's thread
// never waits on the network, on parsing or on the worker: the reader's message box and wait cursor
// reach it as queued requests, and the end of the read arrives the same way.
//
//   RefreshWorker worker(window, {show_message, set_wait_cursor, finished});
//   worker.Start(session, index);  // returns at once
//   ...                            // Cancel() at any time; `finished` runs on the window's thread
//
// Nothing is shared with the worker but the cancel flag, the session it borrows for the length of
// the read (the window leaves it alone meanwhile) and what it hands over. No Qt object is touched
// from the worker: it only posts functions to the receiver's thread.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "table/odds_table.h"

namespace lintaro {
class LineSession;
}

namespace lintaro::app {

// What a finished read hands back.
struct RefreshOutcome {
    OddsTable rows;                      // open; the rows read (so far, when cancelled)
    bool cancelled = false;              // a cancel was requested before the read ended
    std::optional<std::string> failure;  // a failure that escaped the reader (UTF-8 message)
};

class RefreshWorker {
  public:
    // The window's side, each run on the receiver's thread.
    struct Callbacks {
        // A reader's failure (Windows-1251 text): shows it modally and returns when it is closed.
        std::function<void(const std::string& text)> show_message;
        std::function<void(bool on)> set_wait_cursor;
        // The read has ended; runs once per Start() unless the worker was abandoned.
        std::function<void(RefreshOutcome& outcome)> finished;
    };

    // The longest single network wait of the worker: how soon it sees a cancel.
    static constexpr int kSliceMs = 50;

    RefreshWorker(QObject* receiver, Callbacks callbacks);
    // Abandons a running read: cancels it and lets its thread end on its own (it still holds the
    // session); nothing of it reaches the receiver any more.
    ~RefreshWorker();
    RefreshWorker(const RefreshWorker&) = delete;
    RefreshWorker& operator=(const RefreshWorker&) = delete;

    // Starts reading the bookmaker at `index` (as LineSession::Load takes it) on a new thread.
    // Does nothing while a read runs.
    void Start(std::shared_ptr<LineSession> session, int index);
    // Asks the running read to stop at its next wait (within kSliceMs, or once a host-name lookup
    // returns). Its rows so far still arrive through `finished`; a message it asks for later is
    // answered at once without being shown. Safe to call at any time.
    void Cancel();
    // Gives up the running read as the destructor does; `finished` will not run for it.
    void Abandon();
    bool Running() const { return job_ != nullptr; }

  private:
    struct Job;
    class JobReaderUi;
    static void Run(const std::shared_ptr<Job>& job);

    QObject* receiver_;
    Callbacks callbacks_;
    std::shared_ptr<Job> job_;
};

}  // namespace lintaro::app
