// The time stamp a still's file name carries, as a camera (or anything else) names its files.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/date_time.h"
#include "fuzz_support.h"
#include "movie/image_scan.h"

using namespace chronoreel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const auto stamp = StampFromName(name);
    if (stamp) {
        // Names carry years 19xx or 20xx (two-digit years are 20xx).
        FUZZ_CHECK(std::isfinite(*stamp));
        FUZZ_CHECK(*stamp >= MakeDateTime(1900, 1, 1) && *stamp < MakeDateTime(2100, 1, 1));
    }
    return 0;
}
