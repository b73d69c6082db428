#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "base/clock.h"
#include "base/date_time.h"

namespace chronoreel {

// Reduces an angle in radians to [0, 2π) with the program's own value of π.
double NormalizeAngle(double x);

// Time-of-day fraction (local time, 0 <= value < 1) of sunrise, or of sunset when the upper-cased
// kind is "S", on the whole day of date. Latitude and longitude in decimal degrees, north and
// east positive; gmtOffset in hours as GMTOffset gives it. A latitude beyond 63 degrees, and any
// input that makes the calculation fail, gives 0.
double GetSunset(double latitude, double longitude, double gmtOffset, std::string_view kind,
                 DateTime date);

// The user's location in decimal degrees, north and east positive.
struct Location {
    double latitude = 0.0;
    double longitude = 0.0;
};

// Today's sunrise and sunset at the program's location, computed together once per local date
// and kept until the next date or until the location changes.
class SunTimes {
  public:
    using OffsetProvider = std::function<double()>;  // hours to add to local time to reach UTC

    explicit SunTimes(const Clock& clock, OffsetProvider gmtOffset = DefaultOffset());

    const Location& GetLocation() const { return location_; }
    // Stores the location only; whoever changes it calls ClearCache (the location window does)
    // so that the next call computes the sun times for the new place.
    void SetLocation(const Location& location) { location_ = location; }
    // Forgets the cached day: the next Sunrise or Sunset computes both again.
    void ClearCache() { cachedDate_.reset(); }

    double Sunrise();
    double Sunset();

  private:
    static OffsetProvider DefaultOffset();
    void Refresh();

    const Clock& clock_;
    OffsetProvider gmtOffset_;
    Location location_;
    std::optional<double> cachedDate_;
    double cachedSunrise_ = 0.0;
    double cachedSunset_ = 0.0;
};

}  // namespace chronoreel
