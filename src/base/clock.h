#pragma once

#include "base/date_time.h"

namespace chronoreel {

// The current local date and time. The programs use SystemClock; tests inject their own so that
// time windows, sun times and the scheduler's minutes can be checked at any moment.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateTime Now() const = 0;
};

// Local time with sub-second resolution.
class SystemClock final : public Clock {
  public:
    DateTime Now() const override;
};

}  // namespace chronoreel
