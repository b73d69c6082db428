#pragma once

#include <string>

#include "sun/sun_times.h"

namespace chronoreel {

// The hemisphere lists of the location window; the value is the list position.
enum class LatitudeHemisphere { kNorth = 0, kSouth = 1 };
enum class LongitudeHemisphere { kWest = 0, kEast = 1 };

// What the location window shows: whole degrees, minutes and hemisphere of latitude and
// longitude, the numbers as the boxes hold them.
struct LocationFields {
    std::string latitudeDegrees = "0";
    std::string latitudeMinutes = "0";
    LatitudeHemisphere latitudeHemisphere = LatitudeHemisphere::kNorth;
    std::string longitudeDegrees = "0";
    std::string longitudeMinutes = "0";
    LongitudeHemisphere longitudeHemisphere = LongitudeHemisphere::kWest;
};

// The boxes for a location: degrees rounded down, minutes with at least two integer digits and
// four decimals in the user's locale, north for latitude 0 and west for longitude 0.
LocationFields LocationFieldsFrom(const Location& location);

// The location the boxes give: degrees plus minutes / 60, negative for south and west. Text
// that is no number counts as 0; nothing is range-checked (a latitude beyond 63 degrees simply
// has no sun times).
Location LocationFromFields(const LocationFields& fields);

}  // namespace chronoreel
