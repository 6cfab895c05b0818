// The refresh worker: its thread, the cancel it sees in every network wait, and the queued requests
// that carry the reader's message box, the wait cursor and the end of the read to the window.
#include "app/refresh_worker.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "http/net_idle_hook.h"
#include "readers/line_session.h"
#include "readers/reader_context.h"
#include "table/date_time.h"

namespace lintaro::app {

// What the window's thread and the worker share for one read. The worker's thread holds it to the
// end, so a read the window gave up on finishes safely after the window is gone.
struct RefreshWorker::Job {
    std::shared_ptr<LineSession> session;
    int index = 0;
    // The plain hook of the worker's thread: it slices every wait and sees the cancel; its process
    // step handles nothing. Made here, bound to the worker's thread when the read starts.
    TNetIdleHook hook;
    // Read and written on the receiver's thread only: the owner is dereferenced there while the
    // job is not abandoned.
    RefreshWorker* owner = nullptr;
    bool abandoned = false;

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
    // Wakes a worker waiting for an answer (after a cancel).
    void WakeWaiters() {
        { std::lock_guard lock(mutex); }
        answered.notify_all();
    }
};

// The reader's services on the worker: requests queued to the window's thread.
class RefreshWorker::JobReaderUi : public ReaderUi {
  public:
    explicit JobReaderUi(std::shared_ptr<Job> job) : job_(std::move(job)) {}

    // Waits for the box to be closed, or for a cancel: after a cancel the box is not shown.
    void ShowMessage(const std::string& text) override {
        if (job_->Cancelled()) return;
        auto done = std::make_shared<bool>(false);
        const bool posted = job_->Post([job = job_, text, done] {
            if (!job->abandoned && !job->Cancelled()) job->owner->callbacks_.show_message(text);
            {
                std::lock_guard lock(job->mutex);
                *done = true;
            }
            job->answered.notify_all();
        });
        if (!posted) return;
        std::unique_lock lock(job_->mutex);
        job_->answered.wait(lock, [&] { return *done || job_->Cancelled(); });
    }
    void SetWaitCursor(bool on) override {
        job_->Post([job = job_, on] {
            if (!job->abandoned) job->owner->callbacks_.set_wait_cursor(on);
        });
    }
    CivilDate Today() override { return LocalToday(); }

  private:
    std::shared_ptr<Job> job_;
};

RefreshWorker::RefreshWorker(QObject* receiver, Callbacks callbacks)
    : receiver_(receiver), callbacks_(std::move(callbacks)) {}

RefreshWorker::~RefreshWorker() { Abandon(); }

void RefreshWorker::Start(std::shared_ptr<LineSession> session, int index) {
    if (job_) return;
    auto job = std::make_shared<Job>();
    job->session = std::move(session);
    job->index = index;
    job->owner = this;
    job->receiver = receiver_;
    job->hook.IdleTimeOut = kSliceMs;
    job_ = job;
    std::thread([job] { Run(job); }).detach();
}

void RefreshWorker::Cancel() {
    if (!job_) return;
    job_->hook.RequestCancel();
    job_->WakeWaiters();
}

void RefreshWorker::Abandon() {
    if (!job_) return;
    job_->abandoned = true;
    {
        std::lock_guard lock(job_->mutex);
        job_->receiver = nullptr;
    }
    Cancel();
    job_.reset();
}

void RefreshWorker::Run(const std::shared_ptr<Job>& job) {
    job->hook.BindToCurrentThread();
    auto outcome = std::make_shared<RefreshOutcome>();
    outcome->rows.ResetTable();
    JobReaderUi ui(job);
    job->session->SetIdleHook(&job->hook);
    try {
        job->session->Load(job->index, outcome->rows, ui);
    } catch (const std::exception& e) {
        outcome->failure = e.what();
    } catch (...) {
        outcome->failure = "Unknown failure";
    }
    job->session->SetIdleHook(nullptr);
    outcome->cancelled = job->Cancelled();
    job->Post([job, outcome] {
        if (job->abandoned) return;
        RefreshWorker& owner = *job->owner;
        owner.job_.reset();
        owner.callbacks_.finished(*outcome);
    });
}

}  // namespace lintaro::app
