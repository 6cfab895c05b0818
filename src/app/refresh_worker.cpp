// The refresh worker: its thread, the cancel it sees in every network wait, and the queued requests
// that carry the reader's message box, the wait cursor and the end of the read to the window.
#include "app/refresh_worker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "http/net_idle_hook.h"
#include "readers/line_session.h"
#include "readers/reader_context.h"
#include "table/date_time.h"

namespace lintaro::app {

using readers::LineSession;

// What the window's thread and the worker share for one read. The worker's thread holds it to the
// end, so a read the window gave up on finishes safely after the window is gone.
struct RefreshWorker::Job {
    // The worker thread's while the read runs; it goes back in the outcome.
    std::unique_ptr<LineSession> session;
    int index = 0;
    Read read;
    // The plain hook of the worker's thread: it slices every wait and sees the cancel; its process
    // step handles nothing. Made here, bound to the worker's thread when the read starts.
    http::TNetIdleHook hook;
    // The receiver's side; locked on the receiver's thread only.
    std::weak_ptr<Receiver> state;

    std::mutex mutex;
    std::condition_variable answered;  // a message request was answered, or a cancel came
    QObject* receiver = nullptr;       // guarded by `mutex`; null once abandoned

    bool Cancelled() const { return hook.CancelRequested(); }
    // Queues `task` on the receiver's thread; false when nothing can reach it any more.
    bool Post(std::function<void()> task) {
        std::lock_guard lock(mutex);
        if (receiver == nullptr) return false;
        QMetaObject::invokeMethod(receiver, std::move(task), Qt::QueuedConnection);
        return true;
    }
    void RequestCancel() {
        hook.RequestCancel();
        { std::lock_guard lock(mutex); }
        answered.notify_all();  // wakes a worker waiting for an answer
    }
};

// The receiver's side of the worker, touched on the receiver's thread only: the callbacks, the
// read that still reaches them, and what waits for the reader's message box to close.
struct RefreshWorker::Receiver {
    Callbacks callbacks;
    Read read;
    std::shared_ptr<Job> job;     // the running read; null when none runs or it was abandoned
    bool in_message = false;      // the reader's message box is open
    bool cancel_waiting = false;  // a cancel came while it was open
    std::shared_ptr<RefreshOutcome> end_waiting;  // the read's end came while it was open

    // The state, when `job` is still the read it follows.
    static std::shared_ptr<Receiver> Of(const std::shared_ptr<Job>& job) {
        std::shared_ptr<Receiver> state = job->state.lock();
        if (!state || state->job != job) return nullptr;
        return state;
    }
    void End(RefreshOutcome& outcome) {
        job.reset();
        callbacks.finished(outcome);
    }
    // The box has closed: a cancel that came meanwhile takes effect before the read goes on.
    void CancelIfAsked() {
        if (std::exchange(cancel_waiting, false) && job) job->RequestCancel();
    }
    // ... and an end that came meanwhile is handed over.
    void EndIfWaiting() {
        if (std::shared_ptr<RefreshOutcome> outcome = std::exchange(end_waiting, nullptr)) {
            End(*outcome);
        }
    }
};

// The reader's services on the worker: requests queued to the window's thread.
class RefreshWorker::JobReaderUi : public readers::ReaderUi {
  public:
    explicit JobReaderUi(std::shared_ptr<Job> job) : job_(std::move(job)) {}

    // Waits for the box to be closed, or for a cancel: after a cancel the box is not shown.
    void ShowMessage(const std::string& text) override {
        if (job_->Cancelled()) return;
        auto done = std::make_shared<bool>(false);
        const bool posted = job_->Post([job = job_, text, done] {
            const std::shared_ptr<Receiver> state = Receiver::Of(job);
            if (state && !job->Cancelled()) {
                state->in_message = true;
                state->callbacks.show_message(text);
                state->in_message = false;
                state->CancelIfAsked();
            }
            {
                std::lock_guard lock(job->mutex);
                *done = true;
            }
            job->answered.notify_all();
            if (state) state->EndIfWaiting();
        });
        if (!posted) return;
        std::unique_lock lock(job_->mutex);
        job_->answered.wait(lock, [&] { return *done || job_->Cancelled(); });
    }
    void SetWaitCursor(bool on) override {
        job_->Post([job = job_, on] {
            if (const std::shared_ptr<Receiver> state = Receiver::Of(job)) {
                state->callbacks.set_wait_cursor(on);
            }
        });
    }
    table::CivilDate Today() override { return table::LocalToday(); }

  private:
    std::shared_ptr<Job> job_;
};

RefreshWorker::RefreshWorker(QObject* receiver, Callbacks callbacks, Read read)
    : receiver_(receiver), state_(std::make_shared<Receiver>()) {
    state_->callbacks = std::move(callbacks);
    state_->read = read ? std::move(read)
                        : [](LineSession& session, int index, table::OddsTable& rows,
                             readers::ReaderUi& ui) { session.Load(index, rows, ui); };
}

RefreshWorker::~RefreshWorker() { Abandon(); }

std::unique_ptr<LineSession> RefreshWorker::Start(std::unique_ptr<LineSession> session, int index) {
    if (state_->job) return session;
    auto job = std::make_shared<Job>();
    job->session = std::move(session);
    job->index = index;
    job->read = state_->read;
    job->state = state_;
    job->receiver = receiver_;
    job->hook.IdleTimeOut = kSliceMs;
    state_->job = job;
    state_->cancel_waiting = false;
    std::thread([job] { Run(job); }).detach();
    return nullptr;
}

void RefreshWorker::Cancel() {
    if (!state_->job) return;
    if (state_->in_message) {
        state_->cancel_waiting = true;
        return;
    }
    state_->job->RequestCancel();
}

void RefreshWorker::Abandon() {
    const std::shared_ptr<Job> job = std::exchange(state_->job, nullptr);
    state_->cancel_waiting = false;
    state_->end_waiting.reset();
    if (!job) return;
    {
        std::lock_guard lock(job->mutex);
        job->receiver = nullptr;
    }
    job->RequestCancel();
}

void RefreshWorker::Run(const std::shared_ptr<Job>& job) {
    job->hook.BindToCurrentThread();
    auto outcome = std::make_shared<RefreshOutcome>();
    outcome->rows.ResetTable();
    JobReaderUi ui(job);
    job->session->SetIdleHook(&job->hook);
    try {
        job->read(*job->session, job->index, outcome->rows, ui);
    } catch (const std::exception& e) {
        outcome->failure = e.what();
    } catch (...) {
        outcome->failure = "Unknown failure";
    }
    job->session->SetIdleHook(nullptr);
    outcome->cancelled = job->Cancelled();
    outcome->session = std::move(job->session);
    job->Post([job, outcome] {
        const std::shared_ptr<Receiver> state = Receiver::Of(job);
        if (!state) return;
        if (state->in_message) {
            state->end_waiting = outcome;  // handed over when the box has closed
            return;
        }
        state->End(*outcome);
    });
}

}  // namespace lintaro::app
