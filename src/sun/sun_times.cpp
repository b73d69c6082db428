#include "sun/sun_times.h"

#include <cmath>
#include <utility>

#include "base/error_report.h"
#include "sun/gmt_offset.h"

namespace chronoreel {
namespace {

// The numbers exactly as the program has always held them: results must not move by a second
// against stored expectations, so π is not the library's.
constexpr double kPi = 3.14159265358979;
constexpr double kDegreesToRadians = 0.017453292519943278;
constexpr double kRadiansToDegrees = 57.29577951308238;
constexpr double kFullTurn = 6.28318530717958;
constexpr double kHorizonAltitudeDegrees = -0.833;  // refraction and the sun's radius
constexpr double kLatitudeLimitDegrees = 63.0;
constexpr double kConvergenceRadians = 0.001;
constexpr int kIterationCap = 35;
constexpr double kEpochOffsetDays = 36526.5;  // 2000-01-01 12:00

bool IsSunset(std::string_view kind) {
    return kind.size() == 1 && (kind[0] == 'S' || kind[0] == 's');
}

struct Observer {
    double sinHorizon;
    double sinLatitude;
    double cosLatitude;
    double longitudeRadians;
    double sign;  // +1 sunrise, -1 sunset
};

// One refinement of t, the event's Greenwich time of day as an angle (0 = 00:00 UT). Returns
// nullopt when a step cannot be computed (arcsine or arccosine out of range, division by zero,
// an input that is no number): the caller then gives 0 without a report.
std::optional<double> RefineEventAngle(double t0, double daysToDate, const Observer& observer) {
    const double days = t0 / kFullTurn + daysToDate;
    const double centuries = days / 36525.0;
    const double meanLongitude = NormalizeAngle(centuries * 628.331969753199 + 4.8949504201433);
    const double meanAnomaly = NormalizeAngle(centuries * 628.3019501 + 6.2400408);
    const double centre = 0.033423 * std::sin(meanAnomaly) + 0.00034907 * std::sin(2 * meanAnomaly);
    const double eclipticLongitude = meanLongitude + centre;
    const double equationOfTime = -centre + 0.0430398 * std::sin(2 * eclipticLongitude) -
                                  0.00092502 * std::sin(4 * eclipticLongitude);
    const double obliquity = 0.409093 - 0.0002269 * centuries;
    const double s = std::sin(eclipticLongitude) * std::sin(obliquity);
    if (!(s >= -1.0 && s <= 1.0)) {
        return std::nullopt;
    }
    const double declination = std::asin(s);
    const double greenwichHourAngle = t0 - kPi + equationOfTime;
    const double denominator = observer.cosLatitude * std::cos(declination);
    if (denominator == 0.0 || !std::isfinite(denominator)) {
        return std::nullopt;
    }
    const double c =
        (observer.sinHorizon - observer.sinLatitude * std::sin(declination)) / denominator;
    double correction = 0.0;
    if (!std::isfinite(c)) {
        return std::nullopt;
    } else if (c > 1.0) {
        correction = 0.0;  // the sun stays below the horizon all day
    } else if (c < -1.0) {
        correction = kPi;  // the sun stays above it all day
    } else {
        correction = std::acos(c);
    }
    const double t = NormalizeAngle(
        t0 - (greenwichHourAngle + observer.longitudeRadians + observer.sign * correction));
    if (!std::isfinite(t)) {
        return std::nullopt;
    }
    return t;
}

// Local time of day of the Greenwich angle t, brought into [0, 1).
double LocalTimeOfDay(double t, double gmtOffset) {
    double r = (t * kRadiansToDegrees / 15.0 - gmtOffset) / 24.0;
    if (r < 0) {
        r += 1;
    }
    if (r >= 1) {
        r -= 1;
    }
    return r;
}

}  // namespace

double NormalizeAngle(double x) {
    const double q = x / kFullTurn;
    double r = (q - std::trunc(q)) * kFullTurn;
    if (r < 0) {
        r += kFullTurn;
    }
    return r;
}

double GetSunset(double latitude, double longitude, double gmtOffset, std::string_view kind,
                 DateTime date) {
    return Trap("modTime", "GetSunset", [&]() -> double {
        if (std::fabs(latitude) > kLatitudeLimitDegrees) {
            return 0.0;
        }
        const Observer observer{std::sin(kHorizonAltitudeDegrees * kDegreesToRadians),
                                std::sin(latitude * kDegreesToRadians),
                                std::cos(latitude * kDegreesToRadians),
                                longitude * kDegreesToRadians, IsSunset(kind) ? -1.0 : 1.0};
        // The local date stands for the Greenwich date.
        const double daysToDate = std::floor(date) - kEpochOffsetDays;

        double previous = kPi;
        double t = 0.0;
        for (int pass = 0; std::fabs(previous - t) > kConvergenceRadians && pass < kIterationCap;
             ++pass) {
            previous = t;
            const std::optional<double> refined = RefineEventAngle(previous, daysToDate, observer);
            if (!refined) {
                return 0.0;
            }
            t = *refined;
        }
        const double result = LocalTimeOfDay(t, gmtOffset);
        return std::isfinite(result) ? result : 0.0;
    });
}

SunTimes::SunTimes(const Clock& clock, OffsetProvider gmtOffset)
    : clock_(clock), gmtOffset_(std::move(gmtOffset)) {}

SunTimes::OffsetProvider SunTimes::DefaultOffset() {
    return [] { return GMTOffset(); };
}

double SunTimes::Sunrise() {
    return Trap("modTime", "Sunrise", [this] {
        Refresh();
        return cachedSunrise_;
    });
}

double SunTimes::Sunset() {
    return Trap("modTime", "Sunset", [this] {
        Refresh();
        return cachedSunset_;
    });
}

// Sunrise and sunset are always computed together, each with the offset in force right then.
void SunTimes::Refresh() {
    const double today = std::floor(clock_.Now());
    if (cachedDate_ == today) {
        return;
    }
    cachedDate_ = today;
    cachedSunrise_ =
        GetSunset(location_.latitude, location_.longitude, gmtOffset_(), "R", *cachedDate_);
    cachedSunset_ =
        GetSunset(location_.latitude, location_.longitude, gmtOffset_(), "S", *cachedDate_);
}

}  // namespace chronoreel
