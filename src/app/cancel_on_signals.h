#pragma once

#include <signal.h>

#include <array>

namespace chronoreel {

class MovieGen;

// While it lives, SIGINT and SIGTERM ask the run of gen to stop at its next checkpoint, as the
// Cancel button does, instead of ending the process at once: the movie written so far is then
// closed playable and published. The previous handlers come back when it goes. One guard at a
// time.
class CancelOnSignals {
  public:
    explicit CancelOnSignals(MovieGen& gen);
    ~CancelOnSignals();
    CancelOnSignals(const CancelOnSignals&) = delete;
    CancelOnSignals& operator=(const CancelOnSignals&) = delete;

    // True once a signal arrived while a guard lived, also before the run cleared its own cancel
    // flag at its start.
    static bool Received();

  private:
    std::array<struct sigaction, 2> previous_{};
};

}  // namespace chronoreel
