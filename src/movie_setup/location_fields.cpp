#include "movie_setup/location_fields.h"

#include <cmath>
#include <cstdio>

#include "base/error_report.h"
#include "base/numbers.h"

namespace chronoreel {
namespace {

constexpr std::string_view kModule = "frmLocation";

std::string WholeDegreesText(double absoluteDegrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", std::floor(absoluteDegrees));
    return text;
}

std::string MinutesText(double absoluteDegrees) {
    return FormatI(FP(absoluteDegrees) * 60, "00.0000");
}

double Degrees(const std::string& degrees, const std::string& minutes) {
    return Str2DblNI(degrees) + Str2DblNI(minutes) / 60;
}

}  // namespace

LocationFields LocationFieldsFrom(const Location& location) {
    return Trap(kModule, "Form_Load", [&] {
        LocationFields fields;
        fields.longitudeHemisphere =
            location.longitude > 0 ? LongitudeHemisphere::kEast : LongitudeHemisphere::kWest;
        fields.latitudeHemisphere =
            location.latitude >= 0 ? LatitudeHemisphere::kNorth : LatitudeHemisphere::kSouth;
        const double latitude = std::fabs(location.latitude);
        const double longitude = std::fabs(location.longitude);
        fields.latitudeDegrees = WholeDegreesText(latitude);
        fields.latitudeMinutes = MinutesText(latitude);
        fields.longitudeDegrees = WholeDegreesText(longitude);
        fields.longitudeMinutes = MinutesText(longitude);
        return fields;
    });
}

Location LocationFromFields(const LocationFields& fields) {
    return Trap(kModule, "UpdateCoordinates", [&] {
        const double latitude = Degrees(fields.latitudeDegrees, fields.latitudeMinutes);
        const double longitude = Degrees(fields.longitudeDegrees, fields.longitudeMinutes);
        return Location{
            fields.latitudeHemisphere == LatitudeHemisphere::kNorth ? latitude : -latitude,
            fields.longitudeHemisphere == LongitudeHemisphere::kEast ? longitude : -longitude};
    });
}

}  // namespace chronoreel
