// Two refresh workers, one per bookmaker, and the one end the window hears of.
#include "app/both_lines_read.h"

#include <utility>

namespace lintaro::app {

BothLinesRead::BothLinesRead(QObject* receiver, Callbacks callbacks, RefreshWorker::Read read)
    : callbacks_(std::move(callbacks)), second_session_(std::make_unique<LineSession>()) {
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

std::unique_ptr<LineSession> BothLinesRead::Start(std::unique_ptr<LineSession> first_session,
                                                  const std::string& first_host,
                                                  const std::string& second_host,
                                                  ReadLimits limits) {
    if (running_) return first_session;
    // A read given up on took its session along: a new one takes over.
    if (!second_session_) second_session_ = std::make_unique<LineSession>();
    for (LineSession* session : {first_session.get(), second_session_.get()}) {
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
    running_ = false;
    callbacks_.finished();
}

}  // namespace lintaro::app
