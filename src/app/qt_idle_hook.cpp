// Handling pending events from inside a network wait.
#include "app/qt_idle_hook.h"

#include <QCoreApplication>

namespace lintaro::app {

void QtIdleHook::ProcessMessages(bool all_pending) {
    ++process_steps_;
    // Qt has no "one message" step: a single pass of the event dispatcher handles what is pending
    // now (input, timers, posted events such as repaints) without waiting for more, which is
    // what both modes come to.
    (void)all_pending;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace lintaro::app
