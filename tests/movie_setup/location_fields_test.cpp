#include "movie_setup/location_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/numbers.h"

namespace chronoreel {
namespace {

// Sets the decimal-comma flag for one test and puts it back afterwards.
class DecimalCommaGuard {
  public:
    explicit DecimalCommaGuard(bool comma) : saved_(DecimalComma()) { SetDecimalComma(comma); }
    ~DecimalCommaGuard() { SetDecimalComma(saved_); }
    DecimalCommaGuard(const DecimalCommaGuard&) = delete;
    DecimalCommaGuard& operator=(const DecimalCommaGuard&) = delete;

  private:
    bool saved_;
};

std::string Describe(const LocationFields& f) {
    return f.latitudeDegrees + " " + f.latitudeMinutes +
           (f.latitudeHemisphere == LatitudeHemisphere::kNorth ? " N, " : " S, ") +
           f.longitudeDegrees + " " + f.longitudeMinutes +
           (f.longitudeHemisphere == LongitudeHemisphere::kEast ? " E" : " W");
}

TEST(LocationFields, FillShowsDegreesMinutesAndHemispheres) {
    const DecimalCommaGuard point(false);
    struct Case {
        Location location;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {{47.5, -122.25}, "47 30.0000 N, 122 15.0000 W"},
        {{-33.9, 0}, "33 54.0000 S, 0 00.0000 W"},
        {{0, 151.2093}, "0 00.0000 N, 151 12.5580 E"},
        {{-0.5, 0.0001}, "0 30.0000 S, 0 00.0060 E"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Describe(LocationFieldsFrom(c.location)), c.shown)
            << c.location.latitude << ", " << c.location.longitude;
    }
}

TEST(LocationFields, MinutesUseTheLocaleDecimalSeparator) {
    const DecimalCommaGuard comma(true);
    const LocationFields fields = LocationFieldsFrom({47.5, -122.25});
    EXPECT_EQ(fields.latitudeMinutes, "30,0000");
    // What the window shows reads back to the same place.
    const Location back = LocationFromFields(fields);
    EXPECT_DOUBLE_EQ(back.latitude, 47.5);
    EXPECT_DOUBLE_EQ(back.longitude, -122.25);
}

TEST(LocationFields, ComputeTakesTheBoxesAsTyped) {
    const DecimalCommaGuard point(false);
    struct Case {
        LocationFields fields;
        Location expected;
    };
    const std::vector<Case> cases = {
        // Typing 12 with minutes 30 and south gives -12.5 at once.
        {{"12", "30", LatitudeHemisphere::kSouth, "0", "0", LongitudeHemisphere::kWest},
         {-12.5, 0}},
        // An emptied box or letters count as 0.
        {{"", "30", LatitudeHemisphere::kNorth, "abc", "15", LongitudeHemisphere::kEast},
         {0.5, 0.25}},
        // No range check: the values are taken as typed.
        {{"95", "90", LatitudeHemisphere::kNorth, "-10", "0", LongitudeHemisphere::kWest},
         {96.5, 10}},
    };
    for (const Case& c : cases) {
        const Location location = LocationFromFields(c.fields);
        EXPECT_DOUBLE_EQ(location.latitude, c.expected.latitude) << Describe(c.fields);
        EXPECT_DOUBLE_EQ(location.longitude, c.expected.longitude) << Describe(c.fields);
    }
}

TEST(LocationFields, FillThenComputeKeepsTheLocation) {
    const DecimalCommaGuard point(false);
    for (const Location& location :
         {Location{47.5, -122.25}, Location{-33.9, 18.4241}, Location{60.1699, 24.9384}}) {
        const Location back = LocationFromFields(LocationFieldsFrom(location));
        // Four decimals of a minute are about 0.2 m: the place survives the round trip.
        EXPECT_NEAR(back.latitude, location.latitude, 1e-6);
        EXPECT_NEAR(back.longitude, location.longitude, 1e-6);
    }
}

}  // namespace
}  // namespace chronoreel
