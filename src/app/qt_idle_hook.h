// The responsiveness hook of the window's HTTP client: between the slices of every network wait it
// lets Qt handle the window's pending events, so the window repaints and answers input (Esc
// cancels, closing the window cancels) while a refresh waits for the network.
#pragma once

#include "http/net_idle_hook.h"

namespace lintaro::app {

class QtIdleHook : public TNetIdleHook {
  public:
    // How many process steps handled events (for tests of responsiveness).
    int ProcessSteps() const { return process_steps_; }

  protected:
    void ProcessMessages(bool all_pending) override;

  private:
    int process_steps_ = 0;
};

}  // namespace lintaro::app
