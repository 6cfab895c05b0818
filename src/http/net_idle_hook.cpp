// The responsiveness hook's slicing of waits and its process step.
#include "http/net_idle_hook.h"

#include "http/net_errors.h"

namespace lintaro::http {

TNetIdleHook::TNetIdleHook() : owner_thread_(std::this_thread::get_id()) {}

bool TNetIdleHook::InUse() const { return Active && std::this_thread::get_id() == owner_thread_; }

void TNetIdleHook::DoProcess(bool idle) {
    if (InUse() && (idle || !OnlyWhenIdle)) ProcessMessages(ApplicationHasPriority);
}

void TNetIdleHook::ThrowIfCancelled() const {
    if (CancelRequested()) throw ENetCancelled("Fetch cancelled.");
}

void TNetIdleHook::ProcessMessages(bool) {}

bool TNetIdleHook::SlicedWait(const std::function<bool(int)>& wait_once, int limit_ms) {
    ThrowIfCancelled();
    const int slice = IdleTimeOut > 0 ? IdleTimeOut : 1;
    if (!InUse()) return wait_once(limit_ms);
    // The first slice takes the remainder so that every later slice is a whole IdleTimeOut.
    int remaining = limit_ms;
    int next = limit_ms < 0 ? slice : (limit_ms % slice == 0 ? slice : limit_ms % slice);
    for (;;) {
        if (limit_ms >= 0 && next > remaining) next = remaining;
        const bool readable = wait_once(next);
        DoProcess(!readable);
        ThrowIfCancelled();
        if (readable) return true;
        if (limit_ms >= 0) {
            remaining -= next;
            if (remaining <= 0) return false;
        }
        next = slice;
    }
}

}  // namespace lintaro::http
