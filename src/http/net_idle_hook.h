// The responsiveness hook: while the single user-interface thread waits for the network, the
// connection cuts every wait into short slices and lets the hook's owner handle pending window
// messages between them. The owner can also ask the running fetch to stop at its next wait.
//
// Each HTTP client takes its hook with SetIdleHook() (no program-wide instance). The hook is in use
// only on its own thread (the one that created it, or the one bound to it), and only while Active
// is on; elsewhere waits are not sliced and no process step runs. A thread that only needs to see a
// cancel uses the plain hook with short slices: its process step handles nothing.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace lintaro::http {

class TNetIdleHook {
  public:
    TNetIdleHook();
    virtual ~TNetIdleHook() = default;
    TNetIdleHook(const TNetIdleHook&) = delete;
    TNetIdleHook& operator=(const TNetIdleHook&) = delete;

    bool Active = true;                  // the hook takes part at all
    bool ApplicationHasPriority = true;  // a step handles every pending message, not just one
    int IdleTimeOut = 250;               // longest single wait for incoming data, in ms
    bool OnlyWhenIdle = true;  // handle messages only after a wait in which nothing arrived

    // True when Active is on and the caller runs on the hook's thread: the one that created it, or
    // the last to call BindToCurrentThread().
    bool InUse() const;
    // Makes the calling thread the hook's thread. A worker that runs fetches for another thread
    // calls it before the hook serves its first wait; the other thread may still cancel.
    void BindToCurrentThread() { owner_thread_ = std::this_thread::get_id(); }

    // The process step: when in use and (`idle` or not OnlyWhenIdle), calls ProcessMessages().
    void DoProcess(bool idle);

    // Waits until a socket becomes readable, in slices. `wait_once(ms)` performs one readability
    // wait (ms < 0: without limit) and returns whether data (or a close) arrived. With `limit_ms` <
    // 0 the slices of IdleTimeOut repeat until readable; otherwise a first slice of limit_ms modulo
    // IdleTimeOut (IdleTimeOut when that is 0) is followed by slices of IdleTimeOut until the limit
    // is used up. The process step runs after every slice, idle when nothing arrived. When the hook
    // is not in use, it is one wait of `limit_ms`. Throws ENetCancelled when a cancel is requested.
    bool SlicedWait(const std::function<bool(int)>& wait_once, int limit_ms);

    // Asks the running fetch to stop: its next wait (or the one in progress, after its slice)
    // throws ENetCancelled. The request stays until ResetCancel(), so every later fetch stops too;
    // the owner resets it before starting new work. Safe to call from any thread or a signal
    // handler.
    void RequestCancel() { cancel_requested_.store(true); }
    void ResetCancel() { cancel_requested_.store(false); }
    bool CancelRequested() const { return cancel_requested_.load(); }
    // Throws ENetCancelled when a cancel is requested.
    void ThrowIfCancelled() const;

  protected:
    // Handles pending window messages: all of them when `all_pending`, else at most one, without
    // waiting for one. The application implements it (for example with processEvents()); the
    // default handles nothing, which suits programs without a window.
    virtual void ProcessMessages(bool all_pending);

  private:
    std::thread::id owner_thread_;
    std::atomic<bool> cancel_requested_{false};
};

}  // namespace lintaro::http
