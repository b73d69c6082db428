#pragma once

#include <signal.h>

#include <array>
#include <atomic>

#include "os/unique_fd.h"

namespace chronoreel {

// While it lives, SIGINT and SIGTERM ask the program to stop in order instead of ending it at
// once: the guard notes the request, raises the caller's flag (a run's cancel flag, say) and
// makes its wake-up descriptor readable, so that a loop sleeping in poll() wakes. The previous
// handlers come back when it goes. One guard at a time.
class StopSignals {
  public:
    // flagToRaise may be nullptr; it must outlive the guard.
    explicit StopSignals(std::atomic<bool>* flagToRaise = nullptr);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // True once a signal arrived while a guard lived.
    static bool Received();

    // Becomes readable when a signal arrives; -1 when no pipe could be made.
    int WakeDescriptor() const { return wakeRead_.Get(); }

  private:
    std::array<struct sigaction, 2> previous_{};
    UniqueFd wakeRead_;
    UniqueFd wakeWrite_;
};

}  // namespace chronoreel
