#pragma once

#include "base/clock.h"
#include "base/date_time.h"

namespace chronoreel::testing {

// A clock that always says the same time, so a run's window and ages are known in advance.
class FixedClock final : public Clock {
  public:
    explicit FixedClock(DateTime now) : now_(now) {}
    DateTime Now() const override { return now_; }

  private:
    DateTime now_;
};

}  // namespace chronoreel::testing
